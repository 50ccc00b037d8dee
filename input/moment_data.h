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
  // bounds that use each pair.
  Vector singles;
  Vector pairs;
  // From a file, when asked for: every probability of orders 1 .. min(m, n) exactly as written,
  // in the file's order, for the bounds from every intersection.
  std::vector<Rational> values;
  // From a file: the first number that is no probability, as a reason that the data fit no
  // distribution; empty when there is none.
  std::string improbable;
  // Warnings to show before anything else: from a file, those of its read (ReadWarnings), the
  // same words the interactive program shows.
  std::vector<std::string> warnings;
  // Empty, or why the data cannot be used, to show after the warnings; nothing else is then set.
  std::string refusal;
  // The refusal is of a file that was not read whole (reading stopped at a word that is not a
  // number, or the file ended early), which the caller may choose to accept.
  bool not_read_whole = false;
  // From written items: the place (from 0) of the item refused, which the refusal does not name
  // so that each face names it in its own words ("--moments", "moments[1]"); -1 otherwise.
  std::int64_t refused_item = -1;
};

// S_1 .. S_m from their written items, decimals or fractions ("3/4"), as --moments takes them.
MomentData MomentsFromItems(const std::vector<std::string>& items);

// How a file is taken.
struct FileReading {
  // Keep the singles and pairs (when m >= 2), for the bounds that use each pair.
  bool keep_pairs = false;
  // Keep every probability exactly (MomentData::values); for a few million numbers at most.
  bool keep_values = false;
  // Take a file that was not read whole as the interactive program does, the last number read
  // standing for the rest (with a warning); otherwise such a file is refused.
  bool accept_short = false;
  ReadProgress progress;
};

// S_1 .. S_m as the block sums of `path` for n events and orders up to m, read exactly in one
// pass.
MomentData MomentsOfFile(const std::string& path, std::int32_t n, std::int32_t m,
                         const FileReading& how);

}  // namespace unionbound
