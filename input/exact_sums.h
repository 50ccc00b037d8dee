#pragma once

// The exact block sums of the reader: the numbers as written, summed in the pass that reads
// them. Not part of the reading's interface (input/probability_input.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "input/probability_input.h"
#include "input/token_scan.h"
#include "numeric/exact_number.h"

namespace unionbound {

__extension__ using WideSigned = __int128;

// Powers of ten -kPowerWindow .. kPowerWindow have an integer accumulator each; a probability
// written with up to 19 significant digits and a magnitude above 10^-11 lands there.
inline constexpr int kPowerWindow = 30;

// The exact sum of some of the numbers read. A number kept whole by the scanner with its power
// of ten inside the window (nearly all of them) costs one 128-bit addition to that power's
// accumulator; the rest go through GMP. Each addition is below 10^19 in magnitude and a read
// holds at most 2^63 numbers, so an accumulator stays below 2^63 * 10^19 < 2^127 and cannot
// overflow, however the parts of one read are merged.
struct ExactPart {
  std::array<WideSigned, 2 * kPowerWindow + 1> window{};
  Rational others;
  // The first number with no exact value within the limit, by its place among the numbers this
  // part was given (from 0), and its text; -1 when there is none.
  std::int64_t refused = -1;
  std::string refused_text;

  void Add(const Token& token, std::string_view text, std::int64_t place) {
    if (token.whole && token.power >= -kPowerWindow && token.power <= kPowerWindow) {
      const WideSigned digits = token.digits;
      window[static_cast<std::size_t>(token.power + kPowerWindow)] +=
          token.negative ? -digits : digits;
      return;
    }
    AddOutsideWindow(text, place);
  }

  // Out of line: the numbers the window takes need it not, and their loop runs tighter.
  [[gnu::noinline]] void AddOutsideWindow(std::string_view text, std::int64_t place);

  // Adds a part whose places start at `offset` among this one's.
  void Merge(const ExactPart& part, std::int64_t offset);

  // The sum of window[k] * 10^(k - kPowerWindow), by Horner's rule from the top power, and the
  // others.
  Rational Sum() const;
};

// Why number `place` (from 1), written `text`, has no exact sum.
std::string TooLargeForExact(std::string_view text, std::int64_t place);

// A run of numbers of one chunk that belongs to one block.
struct Segment {
  std::size_t block = 0;
  std::int64_t from = 0;  // place in the chunk
  std::int64_t to = 0;
};

// The exact sums still to be taken from one chunk once its place in the file is known.
struct ExactWork {
  bool any = false;
  std::int64_t first_place = 0;  // of the chunk's first number in the file, from 0
  // The chunk's parse summed the numbers of one block: its sum is `whole_block`'s.
  bool whole = false;
  std::size_t whole_block = 0;
  std::vector<Segment> segments;  // otherwise
};

// Each worker's exact sums, one part per block.
using BlockParts = std::vector<ExactPart>;

// Takes the exact sums of a chunk's numbers into the worker's parts: `parsed`, the parse's own
// sum, when the chunk lies in one block, else a second pass over the numbers of `text` the
// chunk contributes.
void TakeExactSums(const ExactWork& work, std::string_view text, const ExactPart& parsed,
                   BlockParts& parts);

// Gives the read the exact sums of the blocks of `sizes` over every worker's parts, the
// entries not read counting with the exact value of `last_text`, the last number read; or,
// when some number has no exact value within the limit, the first of them as its
// exact_problem.
void FinishExactSums(const std::vector<BlockParts>& parts, const std::vector<std::int64_t>& sizes,
                     std::int64_t count, const std::string& last_text, ProbabilityRead& read);

}  // namespace unionbound
