#pragma once

#include <gmpxx.h>

#include <cstdint>

#include "numeric/number_traits.h"

namespace unionbound {

// Exact rationals for the batch program's exact mode. A rational has no not-a-number, so a
// routine that reports a missing value returns 0 there; the walk never reaches those reports
// with exact arithmetic (its nodes are distinct and its exponents non-negative).
using Rational = mpq_class;

template <>
struct NumberTraits<Rational> {
  static Rational Undefined() { return Rational(0); }
  static Rational FromWide(WideUnsigned x) {
    mpz_class high(static_cast<unsigned long>(x >> 64));
    mpz_class low(static_cast<unsigned long>(x & ~std::uint64_t{0}));
    mpz_class value = (high << 64) + low;
    return Rational(value);
  }
  static constexpr bool kExact = true;
};

}  // namespace unionbound
