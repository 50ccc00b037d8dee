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
  // The word runs on for more than the longest word read (kLongestWord), so it was not read.
  bool overlong = false;
};

inline constexpr std::size_t kShownToken = 20;

// The longest word (a run of bytes without white space) a read takes in: no number is written
// with 64 MiB, and a file that never gives white space (/dev/zero, a stream of digits) would
// otherwise be held whole in memory while its word goes on. The read stops at such a word as at
// one that is not a number.
inline constexpr std::size_t kLongestWord = std::size_t{1} << 26;

// The numbers read that are no probabilities (below 0, above 1, not finite): how many, and the
// place and value of the first (counted from 0; -1 when there is none).
struct ImprobableNumbers {
  std::int64_t count = 0;
  std::int64_t first = -1;
  double first_value = 0.0;
};

// The intersection probabilities as a run reads them: summed block by block as they are read,
// so that a read holds no more than a few blocks of the file however many numbers it has.
struct ProbabilityRead {
  // One sum per block asked for, each 0.0 plus its numbers left to right in file order. From
  // the first number that could not be read on, every entry repeats the last one read (0.0
  // when none was read), so the sums are those of the stored numbers that a read number by
  // number gives.
  Vector block_sums;
  // The last number read; 0.0 when none was.
  double last = 0.0;
  // The first numbers read, as many as were asked to be kept (ReadPlan::kept) and read.
  Vector kept;
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
  // Among the numbers read.
  ImprobableNumbers improbable;
  // When exact sums are asked for: one sum per block, of the numbers taken as written ("0.1"
  // is 1/10, "1e-400" is 10^-400, where the double is 0), so that the exact mode sums what the
  // file says rather than its rounded doubles. An entry that repeats the last number read
  // counts with that number's exact value, and with 0 when none was read. Empty otherwise.
  std::vector<Rational> exact_block_sums;
  // The exact sums were asked for and every number read has an exact value within the limit.
  bool exact = false;
  // Empty, or why the exact sums are missing: the first number whose power of ten lies beyond
  // kLargestExactExponent (input/exact_decimal.h), named by its text and its place in the file.
  std::string exact_problem;
};

// The first `count` entries of the numbers a read stands for: those kept, then the last
// number read repeated. `count` must not exceed what was kept plus the numbers not read.
Vector KeptValues(const ProbabilityRead& read, std::int64_t count);

// The number of threads that parse a file when a read does not say: the hardware's, or
// UNIONBOUND_THREADS when it names a count from 1 to kMostThreads.
inline constexpr int kMostThreads = 256;
struct ThreadSetting {
  int threads = 1;
  std::string problem;  // empty, or why UNIONBOUND_THREADS was not taken
};
ThreadSetting ReaderThreads();

// What a read reports while it goes: bytes read so far. Called from a reading thread, one call
// at a time.
using ReadProgress = std::function<void(std::int64_t bytes_read)>;

// How a read goes: block k holds the next sizes[k] numbers, in file order (the sizes are not
// negative); the numbers asked for are the blocks' total.
struct ExactBlocks {
  std::vector<std::int64_t> sizes;
  // Sum each block exactly too.
  bool exact = true;
  // Keep the first `kept` numbers read (ProbabilityRead::kept).
  std::int64_t kept = 0;
  // Threads that parse; 0 for ReaderThreads().
  int threads = 0;
  // Bytes read at a time; 0 for the usual size. Smaller sizes serve tests.
  std::size_t chunk_bytes = 0;
  // The longest word taken in; 0 for kLongestWord. Smaller sizes serve tests.
  std::size_t longest_word = 0;
  ReadProgress progress;
};
using ReadPlan = ExactBlocks;

// The blocks of the binomial moments S_1 .. S_m of n events: C(n, i) numbers for order i, so
// orders above n have empty blocks (and sum 0). None when m < 1.
ExactBlocks MomentBlocks(std::int32_t n, std::int32_t m);

// Reads the numbers of the plan's blocks as successive classic-locale extractions of a double
// would. An extraction fails at the end of the data, on a token that does not start as a
// number, on one the extraction cuts short ("1e", "1e+", "."), and on a magnitude beyond the
// largest double; an underflow keeps its rounded value. Numbers beyond the blocks are not read.
//
// The file is read in large chunks cut at white space, parsed on the plan's threads, and the
// sums are added in file order whatever the thread count, so every sum is the same bit for bit.
// Memory stays within a few chunks per thread. Throws std::invalid_argument for a negative
// size.
ProbabilityRead ReadProbabilityFile(const char* path, const ReadPlan& plan);

// The same reading applied to text in memory.
ProbabilityRead ParseProbabilities(std::string_view text, const ReadPlan& plan);

// `count` numbers as one block, without exact sums, keeping none.
ProbabilityRead ReadProbabilityFile(const char* path, std::int64_t count);

// The numbers read that are no probabilities, as the read found them. What is said of them,
// and of the rest of a read, is in input/read_messages.h.
ImprobableNumbers FindImprobableNumbers(const ProbabilityRead& read);

// `count` numbers of text in memory as one block, without exact sums, keeping none.
ProbabilityRead ParseProbabilities(std::string_view text, std::int64_t count);

// The ProbabilityCount(n, m) numbers of "prob.txt" in the working directory, summed in the
// MomentBlocks(n, m), exactly too. The file is not opened when no number is needed.
ProbabilityRead ReadProbabilities(std::int32_t n, std::int32_t m,
                                  const ReadProgress& progress = nullptr);

}  // namespace unionbound
