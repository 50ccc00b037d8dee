#pragma once

// The words the solvers, the library and the programs share: which side of an interval, which
// probability is bounded, and what each kind of question brings with it.

#include <cstdint>
#include <string>

namespace unionbound {

// The lower or the upper end of an interval of bounds. (The goal of a linear program, Goal in
// bounds/basis_rules.h, is another thing: for odd order the union's lower bound is a maximum.)
enum class Side { kLower, kUpper };

// What is bounded, about X, the number of the n events that occur.
enum class QuestionKind {
  kUnion,    // P(X >= 1), the probability that at least one event occurs
  kAtLeast,  // P(X >= r)
  kExactly,  // P(X = r)
};

struct Question {
  QuestionKind kind = QuestionKind::kUnion;
  std::int32_t r = 1;  // 1 .. n for kAtLeast and kExactly; 1 for the union
};

inline constexpr Question kUnion{};

// Each kind's row: where a new kind of question is added.
struct QuestionKindInfo {
  QuestionKind kind;
  const char* json_name;  // "union", "at least", "exactly"
  const char* option;     // the batch program's option naming R; empty for the union
  // The union's own walk solves it (its bases have a fixed shape); otherwise the general exact
  // simplex does.
  bool union_walk;
  // The classical bounds (Bonferroni, Dawson-Sankoff, Kwerel, Hunter-Worsley) bound it.
  bool classical;
};
const QuestionKindInfo& InfoOf(QuestionKind kind);

// P(X >= r) or P(X = r) as the objective of the moment program counts it: the union is P(X >= 1).
inline bool CountsAtLeast(const Question& question) {
  return question.kind != QuestionKind::kExactly;
}
inline std::int32_t CountedFrom(const Question& question) {
  return question.kind == QuestionKind::kUnion ? 1 : question.r;
}

// "at least 3" or "exactly 3"; "at least 1" for the union.
std::string QuestionWords(const Question& question);

// "P(at least 3 of the 10 events occur)", for headers and titles.
std::string QuestionProbability(const Question& question, std::int32_t n);

// The question of `kind` with R written as `value`, or why it is refused (a plain message naming
// the kind's option and the value given: R must be a whole number from 1 to n).
struct QuestionChoice {
  Question question;
  std::string refusal;
};
QuestionChoice ChooseQuestion(QuestionKind kind, const std::string& value, std::int32_t n);

}  // namespace unionbound
