#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bounds/moment_program.h"

namespace unionbound {

// The probability bounded: the union when empty (solved by the walk, as the program always
// did), otherwise P(X >= r) or P(X = r) for X the number of events that occur.
using AskedQuestion = std::optional<Objective>;

// The value of --at-least or --exactly as a question about n events, or why it is refused (a
// plain message naming the option and the value given).
struct QuestionChoice {
  AskedQuestion question;
  std::string refusal;
};
QuestionChoice ChooseQuestion(Question kind, const std::string& value, std::int32_t n);

}  // namespace unionbound
