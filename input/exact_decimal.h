#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "numeric/exact_number.h"
#include "numeric/rounded_decimal.h"

namespace unionbound {

// Powers of ten beyond this are refused in exact arithmetic: 10^100000 already takes some 40 kB,
// and a file could ask for 10^999999999.
inline constexpr long kLargestExactExponent = 100'000;

// integer * 10^power, in lowest terms.
Rational TimesPowerOfTen(const mpz_class& integer, long power);

// The exact value of a number as the reader accepts it: an optional sign, digits with at most
// one point, an optional exponent ("0.1" is 1/10). None for text that is not such a number, or
// for a value d * 10^p (d an integer not a multiple of 10) whose |p| lies beyond
// kLargestExactExponent, however it is written: "1." followed by a million zeros is 1, but
// "10e100000" is refused as "1e100001" is.
std::optional<Rational> ExactDecimal(std::string_view text);

// A decimal number as ExactDecimal takes it, or a fraction of two of them ("83/22"): a moment as
// the batch program's --moments and the library take it. None for anything else, and for a zero
// denominator.
std::optional<Rational> ExactDecimalOrFraction(std::string_view text);

}  // namespace unionbound
