#pragma once

#include <cstdint>

#include "numeric/types.h"

namespace unionbound {

// S_0 = 1.0, then S_i = the block of C(n, i) probabilities summed left to right, for
// i = 1 .. m; orders above n have empty blocks and give 0.0. p must hold every block; fewer
// entries are a caller's error and throw std::invalid_argument.
Vector BinomialMoments(const Vector& p, std::int32_t n, std::int32_t m);

}  // namespace unionbound
