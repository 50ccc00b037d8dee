#pragma once

// Doubles and rationals for the tests' exact oracles.

#include <gmpxx.h>

#include <cstdint>
#include <vector>

#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound::testing {

using RationalVector = std::vector<Rational>;

// Every finite double is a dyadic rational; mpq_set_d takes it over exactly.
inline Rational ExactOf(double v) {
  return Rational(v);
}

inline RationalVector ToRationals(const Vector& v) {
  RationalVector out;
  for (double d : v) {
    out.push_back(ExactOf(d));
  }
  return out;
}

// Each entry rounded to the nearest double, ties to even (the program's own rounding, itself
// checked against the doubles' midpoints).
inline Vector ToDoubles(const RationalVector& v) {
  Vector out;
  for (const Rational& q : v) {
    out.push_back(NearestDouble(q));
  }
  return out;
}

// num / den in lowest terms.
inline Rational Fraction(std::int64_t num, std::int64_t den) {
  Rational q{mpz_class(static_cast<long>(num)), mpz_class(static_cast<long>(den))};
  q.canonicalize();
  return q;
}

}  // namespace unionbound::testing
