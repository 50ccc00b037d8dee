#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/probability_input.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// The binomial moments of one call of the batch program or the library, exactly as written, and
// what is said beside them. The messages carry no program name: each front end adds its own.
struct MomentData {
  SequenceOf<Rational> S;  // S_0 .. S_m
  // From a file, when asked for: the single and the pairwise probabilities, for the
  // spanning-tree bound.
  Vector singles;
  Vector pairs;
  // From a file: the first number that is no probability, as a reason that the data fit no
  // distribution; empty when there is none.
  std::string improbable;
  // Warnings to show before anything else: from a file, those of its read (ReadWarnings), the
  // same words the interactive program shows.
  std::vector<std::string> warnings;
  // Empty, or why the data cannot be used, to show after the warnings; nothing else is then set.
  std::string refusal;
};

// S_1 .. S_m from their written items, decimals or fractions ("3/4"), as --moments takes them.
MomentData MomentsFromItems(const std::vector<std::string>& items);

// S_1 .. S_m as the block sums of `path` for n events and orders up to m, read exactly in one
// pass, with the singles and pairs kept when `keep_pairs` (and m >= 2).
MomentData MomentsOfFile(const std::string& path, std::int32_t n, std::int32_t m, bool keep_pairs,
                         const ReadProgress& progress = nullptr);

}  // namespace unionbound
