#pragma once

// What both reader targets check of a read: the exact block sums against the oracle's, and the
// end of the read with its messages.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "input/probability_input.h"
#include "input/read_messages.h"
#include "tests/support/exact_sums_oracle.h"
#include "tests/support/stream_oracle.h"

namespace unionbound::fuzz {

// `count` numbers in blocks of `size` (the last one shorter), or with `size` 0 in one block
// followed by an empty one.
inline std::vector<std::int64_t> BlockSizes(std::int64_t count, std::int64_t size) {
  if (size == 0) {
    return {count, 0};
  }
  std::vector<std::int64_t> sizes;
  for (std::int64_t left = count; left > 0; left -= size) {
    sizes.push_back(left < size ? left : size);
  }
  return sizes;
}

// The read gives the oracle's sums, or names the number the oracle refused by its place.
inline bool SameExactSums(const ProbabilityRead& got, const testing::ExactSumsOracle& want) {
  if (!want.sums) {
    return !got.exact && got.exact_block_sums.empty() &&
           got.exact_problem.find("number " + std::to_string(want.place) + ", \"" +
                                  want.refused.substr(0, 20)) != std::string::npos;
  }
  return got.exact && got.exact_problem.empty() && got.exact_block_sums == *want.sums;
}

// The messages about where and why reading stopped, about more numbers than asked for and about
// numbers that are no probabilities can be made for any read, and two reads of one text end
// alike, at the same place, however they were cut or fed.
inline bool SameEndAndMessages(const ProbabilityRead& memory, const ProbabilityRead& other,
                               std::int64_t count) {
  const StopPlace& a = memory.stop;
  const StopPlace& b = other.stop;
  const bool stopped = memory.end == ReadEnd::kNotANumber;
  const bool stop_ok =
      !stopped || (a.line >= 1 && a.column >= 1 && !a.word.empty() &&
                   a.word.size() <= kShownToken && a.number_before.size() <= kShownToken);
  const std::string warnings[] = {StopWarning("prob.txt", memory),
                                  ExcessWarning("prob.txt", memory, count, 3, 2),
                                  ImprobableWarning("prob.txt", memory)};
  return stop_ok && memory.end == other.end && memory.more_follows == other.more_follows &&
         a.line == b.line && a.column == b.column && a.word == b.word && a.word_cut == b.word_cut &&
         a.number_before == b.number_before && a.starts_line == b.starts_line &&
         warnings[0].empty() == !stopped && warnings[1].empty() == !memory.more_follows;
}

// The numbers kept and the block sums, bit for bit those of the oracle's numbers.
inline bool SameDoubles(const ProbabilityRead& got, const testing::OracleRead& want,
                        std::int64_t count, const std::vector<std::int64_t>& sizes) {
  const Vector values = KeptValues(got, count);
  if (got.good != want.good || got.block_sums.size() != sizes.size() ||
      !std::equal(want.values.begin(), want.values.end(), values.begin(),
                  [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; })) {
    return false;
  }
  std::size_t next = 0;
  for (std::size_t block = 0; block < sizes.size(); ++block) {
    double sum = 0.0;
    for (std::int64_t k = 0; k < sizes[block]; ++k, ++next) {
      sum = sum + want.values[next];
    }
    if (std::memcmp(&sum, &got.block_sums[block], sizeof sum) != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace unionbound::fuzz
