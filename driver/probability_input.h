#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// Why a read ended.
enum class ReadEnd {
  kCount,       // every number asked for was read
  kEndOfData,   // the data ended first
  kNotANumber,  // a token that is not a number, described by StopPlace
};

// Where a read stopped at a token that is not a number. Lines and columns count from 1; a
// column counts bytes.
struct StopPlace {
  std::int64_t line = 0;
  std::int64_t column = 0;
  // The word that starts there, up to white space, at most kShownToken bytes, and whether the
  // word was longer.
  std::string word;
  bool word_cut = false;
  // The number read just before, when no white space separates the two (the "0" of "0,5");
  // empty otherwise. At most kShownToken bytes, its end kept.
  std::string number_before;
  // Only white space comes before the word on its line.
  bool starts_line = false;
};

inline constexpr std::size_t kShownToken = 20;

// The intersection probabilities as a run reads them.
struct ProbabilityRead {
  // Exactly the requested count. From the first number that could not be read on, every entry
  // repeats the last one read; 0.0 when none was read.
  Vector values;
  // Numbers read before the end of the data or the first token that is not a number.
  std::int64_t good = 0;
  // Empty, or why the file could not be opened or read.
  std::string problem;
  // Why the reading ended, and where when it stopped at a token that is not a number.
  ReadEnd end = ReadEnd::kCount;
  StopPlace stop;
  // After every number asked for, more than white space follows: the file holds more numbers
  // than were asked for, or junk. Looked for in the data already read and at most one block
  // more, so a long rest is never read; false when that much held only white space.
  bool more_follows = false;
  // When `exact`: one sum per block asked for, in order, of the entries of `values` taken as
  // written ("0.1" is 1/10, "1e-400" is 10^-400, where the double is 0), so that the exact mode
  // sums what the file says rather than its rounded doubles. An entry that repeats the last
  // number read counts with that number's exact value, and with 0 when none was read. Empty
  // when not `exact`.
  std::vector<Rational> exact_block_sums;
  // The exact sums were asked for and every number read has an exact value within the limit.
  bool exact = false;
  // Empty, or why the exact sums are missing: the first number whose power of ten lies beyond
  // kLargestExactExponent (driver/exact_decimal.h), named by its text and its place in the file.
  std::string exact_problem;
};

// The blocks whose exact sums a read gives besides the doubles: block k holds the next
// sizes[k] numbers, in file order. The sizes are not negative.
struct ExactBlocks {
  std::vector<std::int64_t> sizes;
};

// The blocks of the binomial moments S_1 .. S_m of n events: C(n, i) numbers for order i, so
// orders above n have empty blocks (and sum 0). None when m < 1.
ExactBlocks MomentBlocks(std::int32_t n, std::int32_t m);

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

// The warning for a read that stopped at a token that is not a number: its line, column and
// text, and the likely cause with its remedy. Empty when the read did not stop so.
std::string StopWarning(const std::string& path, const ProbabilityRead& read);

// The warning for a file that holds more than the `needed` numbers that n and m ask for. Empty
// when nothing but white space follows them.
std::string ExcessWarning(const std::string& path, const ProbabilityRead& read, std::int64_t needed,
                          std::int32_t n, std::int32_t m);

// The numbers read that are no probabilities (below 0, above 1, not finite): how many, and the
// place of the first (counted from 0; -1 when there is none).
struct ImprobableNumbers {
  std::int64_t count = 0;
  std::int64_t first = -1;
};
ImprobableNumbers FindImprobableNumbers(const ProbabilityRead& read);

// The first of them as a reason that data fit no distribution: "number 2 of "prob.txt", 1.5,
// lies outside [0, 1]". Empty when every number read is a probability.
std::string FirstImprobableNumber(const std::string& path, const ProbabilityRead& read);

// The warning for them: the first with its place, and how many there are. Empty when every
// number read is a probability.
std::string ImprobableWarning(const std::string& path, const ProbabilityRead& read);

// The same reading applied to text in memory.
ProbabilityRead ParseProbabilities(std::string_view text, std::int64_t count);

// ReadProbabilityFile of as many numbers as the blocks hold, with each block's exact sum taken
// in the same pass: a separate pass would convert every number a second time. The doubles are
// the same as without the sums. Throws std::invalid_argument for a negative size.
ProbabilityRead ReadProbabilityFile(const char* path, const ExactBlocks& blocks);

// The same reading with exact block sums applied to text in memory.
ProbabilityRead ParseProbabilities(std::string_view text, const ExactBlocks& blocks);

// The ProbabilityCount(n, m) numbers of "prob.txt" in the working directory, with the exact
// sums of the MomentBlocks(n, m). The file is not opened when no number is needed.
ProbabilityRead ReadProbabilities(std::int32_t n, std::int32_t m);

}  // namespace unionbound
