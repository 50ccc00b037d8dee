#pragma once

#include <cstdint>

#include "driver/report.h"
#include "numeric/types.h"

namespace unionbound {

// The sharp lower and upper bounds from the binomial moments S_0 .. S_m of n events, each
// solver call timed. For odd order the solvers get the negated objective and their values are
// negated back, the lower bound coming from the maximum. Orders above n carry no information
// (every distribution on 0 .. n has them 0), so with m > n the bounds use the orders 0 .. n.
// A bound that was not found keeps the value not-a-number, never negated.
BoundReport ComputeBounds(std::int32_t n, std::int32_t m, const Vector& S);

}  // namespace unionbound
