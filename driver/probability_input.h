#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "numeric/types.h"

namespace unionbound {

// The intersection probabilities as a run reads them.
struct ProbabilityRead {
  // Exactly the requested count. From the first number that could not be read on, every entry
  // repeats the last one read; 0.0 when none was read.
  Vector values;
  // Numbers read before the end of the data or the first token that is not a number.
  std::int64_t good = 0;
  // Empty, or why the file could not be opened or read.
  std::string problem;
};

// Reads `count` numbers as successive classic-locale extractions of a double would, converted
// in large blocks with std::from_chars. An extraction fails at the end of the data, on a token
// that does not start as a number, on one the extraction cuts short ("1e", "1e+", "."), and on
// a magnitude beyond the largest double; an underflow keeps its rounded value. Numbers beyond
// the count are not read.
ProbabilityRead ReadProbabilityFile(const char* path, std::int64_t count);

// How far a visit of the numbers' text got.
struct TokenScan {
  std::int64_t good = 0;  // numbers visited
  std::string problem;    // empty, or why the file could not be opened or read
};

// Passes the text of each number ReadProbabilityFile would read, in order, to `visit`: the
// same tokens, the same end at the first one that is not a number, at most `count`. For
// readers that take the numbers exactly as written.
TokenScan VisitProbabilityTokens(const char* path, std::int64_t count,
                                 const std::function<void(std::string_view)>& visit);

// Why a read of `path` cannot be used: the file could not be read, or it gave no number while
// some are needed. Empty when it can.
std::string ReadRefusal(const std::string& path, const std::string& problem, std::int64_t good,
                        std::int64_t needed);

// The warning for a read that gave fewer numbers than needed, whose places the last number
// read then fills. Empty when it gave them all.
std::string ShortReadWarning(const std::string& path, std::int64_t good, std::int64_t needed);

// The same reading applied to text in memory.
ProbabilityRead ParseProbabilities(std::string_view text, std::int64_t count);

// The ProbabilityCount(n, m) numbers of "prob.txt" in the working directory. The file is not
// opened when no number is needed.
ProbabilityRead ReadProbabilities(std::int32_t n, std::int32_t m);

}  // namespace unionbound
