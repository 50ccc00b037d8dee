#include "bounds/question.h"

#include <charconv>

namespace unionbound {

QuestionChoice ChooseQuestion(Question kind, const std::string& value, std::int32_t n) {
  const char* option = kind == Question::kAtLeast ? "--at-least" : "--exactly";
  std::int64_t r = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, r);
  if (value.empty() || error != std::errc() || stop != end || r < 1 || r > n) {
    return {std::nullopt, std::string(option) + " \"" + value +
                              "\": R must be a whole number from 1 to n=" + std::to_string(n)};
  }
  return {Objective{kind, static_cast<std::int32_t>(r)}, ""};
}

}  // namespace unionbound
