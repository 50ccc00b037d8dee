#pragma once

#include <cstdint>

namespace unionbound {

// C(n, i), with 0 when n < i and 1 for i = 0: c = c * (n - i + j) / j for j = 1 .. i. Worked
// in 128 bits, so no intermediate product overflows; the result saturates at the largest
// 64-bit value.
std::int64_t BinomialCount(std::int32_t n, std::int32_t i);

// BinomialCount as a 32-bit integer. A coefficient that does not fit is a caller's error (the
// driver refuses such n and m before anything is counted) and throws std::overflow_error.
std::int32_t Binomial(std::int32_t n, std::int32_t i);

// How many intersection probabilities n events and orders 1 .. m have: the sum of C(n, i) for
// i = 1 .. m, 0 when m < 1; saturates at the largest 64-bit value.
std::int64_t ProbabilityCount(std::int32_t n, std::int32_t m);

}  // namespace unionbound
