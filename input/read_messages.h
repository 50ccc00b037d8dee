#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/probability_input.h"

// What is said of a read of a probability file, in the words every front end shows. The
// messages carry no program name: each front end adds its own.

namespace unionbound {

// Why a read of `path` cannot be used: the file could not be read, or it gave no number while
// some are needed. Empty when it can.
std::string ReadRefusal(const std::string& path, const std::string& problem, std::int64_t good,
                        std::int64_t needed);

// The warning for a read that gave fewer numbers than needed, whose places the last number
// read then fills. Empty when it gave them all.
std::string ShortReadWarning(const std::string& path, std::int64_t good, std::int64_t needed);

// The refusal of a read that gave fewer numbers than needed, for a face that gives no bounds
// from data it did not read whole. Empty when it gave them all.
std::string NotReadWholeRefusal(const std::string& path, std::int64_t good, std::int64_t needed);

// The warning for a read that stopped at a token that is not a number: its line, column and
// text, and the likely cause with its remedy. Empty when the read did not stop so.
std::string StopWarning(const std::string& path, const ProbabilityRead& read);

// The warning for a file that holds more than the `needed` numbers that n and m ask for. Empty
// when nothing but white space follows them.
std::string ExcessWarning(const std::string& path, const ProbabilityRead& read, std::int64_t needed,
                          std::int32_t n, std::int32_t m);

// The same for a file of which `needed` numbers were read and more follow.
std::string ExcessWarning(const std::string& path, std::int64_t needed, std::int32_t n,
                          std::int32_t m);

// The word as a message shows it: quoted, bytes that do not print escaped, "..." when `cut`.
std::string ShownWord(std::string_view word, bool cut);

// The likely cause of a stop at a token that is not a number, and what to write instead.
std::string StopCause(const StopPlace& stop);

// The first number read that is no probability as a reason that data fit no distribution:
// "number 2 of "prob.txt", 1.5, lies outside [0, 1]". Empty when every number read is a
// probability.
std::string FirstImprobableNumber(const std::string& path, const ProbabilityRead& read);
std::string FirstImprobableNumber(const std::string& path, const ImprobableNumbers& found);

// The warning for the numbers read that are no probabilities: the first with its place, and
// how many there are. Empty when every number read is a probability.
std::string ImprobableWarning(const std::string& path, const ProbabilityRead& read);
// The same of `read` numbers read, `found` among them.
std::string ImprobableWarning(const std::string& path, const ImprobableNumbers& found,
                              std::int64_t read);

// All that a read says before anything is computed from it.
struct ReadMessages {
  // In the order they are shown; a front end goes on after them unless there is a refusal.
  std::vector<std::string> warnings;
  // Empty, or why the read cannot be used (ReadRefusal), shown after the warnings.
  std::string refusal;
};

// The messages of a read of `path` for n events and orders up to m: a refusal, after the stop
// warning when the read stopped at a token that is not a number (the likely reason it found
// nothing); otherwise the warnings of a stop, a short read, an excess and the numbers that are
// no probabilities, in that order. Every front end shows these, so that the same file draws the
// same words from each.
ReadMessages ReadWarnings(const std::string& path, const ProbabilityRead& read, std::int32_t n,
                          std::int32_t m);

}  // namespace unionbound
