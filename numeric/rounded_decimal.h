#pragma once

#include <string>

#include "numeric/exact_number.h"

namespace unionbound {

// 10^exponent.
mpz_class PowerOfTen(unsigned long exponent);

// The rational rounded to `digits` significant decimal digits, to nearest with ties away from
// zero, in plain or exponent notation as %g would choose: "0.75", "1", "-2.5e-07".
std::string RoundedDecimal(const Rational& value, int digits);

}  // namespace unionbound
