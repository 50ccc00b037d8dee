#pragma once

#include <gmpxx.h>

#include <cstdint>

#include "numeric/number_traits.h"

namespace unionbound {

// Exact rationals for the exact check of the bounds and the batch program. A rational has no
// not-a-number, so a routine that reports a missing value returns 0 there; the walk never
// reaches those reports with exact arithmetic (its nodes are distinct and its exponents
// non-negative).
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

// The double nearest to q, ties to even, with subnormals and overflow to infinity as IEEE
// rounding gives them. Neither mpq_get_d (which truncates) nor a detour through a decimal
// string (which rounds twice) is correctly rounded.
double NearestDouble(const Rational& q);

}  // namespace unionbound
