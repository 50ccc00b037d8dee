#pragma once

#include <cstdint>
#include <string>

#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// The binomial moments S_0 .. S_m of a probability file as exact rationals of its decimals as
// written, with the reader's rules (the last number read stands for missing ones). `problem`
// is empty, or why they could not be formed (a power of ten too large for exact arithmetic).
struct ExactMoments {
  SequenceOf<Rational> S;
  std::string problem;
};
ExactMoments ExactMomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m);

}  // namespace unionbound
