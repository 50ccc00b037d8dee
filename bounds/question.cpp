#include "bounds/question.h"

#include <charconv>

namespace unionbound {
namespace {

constexpr QuestionKindInfo kKinds[] = {
    {QuestionKind::kUnion, "union", "", true, true},
    {QuestionKind::kAtLeast, "at least", "--at-least", false, false},
    {QuestionKind::kExactly, "exactly", "--exactly", false, false},
};

}  // namespace

const QuestionKindInfo& InfoOf(QuestionKind kind) {
  return kKinds[static_cast<int>(kind)];
}

std::string QuestionWords(const Question& question) {
  if (question.kind == QuestionKind::kUnion) {
    return "at least 1";
  }
  return std::string(InfoOf(question.kind).json_name) + " " + std::to_string(question.r);
}

std::string QuestionProbability(const Question& question, std::int32_t n) {
  if (question.kind == QuestionKind::kUnion) {
    return "P(at least one of the " + std::to_string(n) + " events occurs)";
  }
  return "P(" + QuestionWords(question) + " of the " + std::to_string(n) + " events " +
         (question.r == 1 ? "occurs)" : "occur)");
}

QuestionChoice ChooseQuestion(QuestionKind kind, const std::string& value, std::int32_t n) {
  if (kind == QuestionKind::kUnion) {
    return {kUnion, ""};
  }
  std::int64_t r = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, r);
  if (value.empty() || error != std::errc() || stop != end || r < 1 || r > n) {
    return {kUnion, std::string(InfoOf(kind).option) + " \"" + value +
                        "\": R must be a whole number from 1 to n=" + std::to_string(n)};
  }
  return {Question{kind, static_cast<std::int32_t>(r)}, ""};
}

}  // namespace unionbound
