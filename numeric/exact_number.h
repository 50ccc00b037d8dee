#pragma once

#include <gmpxx.h>

#include "numeric/number_traits.h"

namespace unionbound {

// Exact rationals for the batch program's exact mode. A rational has no not-a-number, so a
// routine that reports a missing value returns 0 there; the walk never reaches those reports
// with exact arithmetic (its nodes are distinct and its exponents non-negative).
using Rational = mpq_class;

template <>
struct NumberTraits<Rational> {
  static Rational Undefined() { return Rational(0); }
  static constexpr bool kExact = true;
};

}  // namespace unionbound
