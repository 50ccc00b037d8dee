#include "numeric/rounded_decimal.h"

#include <cstdlib>

namespace unionbound {

mpz_class PowerOfTen(unsigned long exponent) {
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10, exponent);
  return power;
}

std::string RoundedDecimal(const Rational& value, int digits) {
  if (value == 0) {
    return "0";
  }
  const Rational magnitude = abs(value);
  // The decimal exponent e with 10^e <= |value| < 10^(e + 1), from the digit counts first and
  // then corrected by comparison.
  long e = static_cast<long>(mpz_sizeinbase(magnitude.get_num_mpz_t(), 10)) -
           static_cast<long>(mpz_sizeinbase(magnitude.get_den_mpz_t(), 10));
  const auto power = [](long k) {
    return k >= 0 ? Rational(PowerOfTen(static_cast<unsigned long>(k)))
                  : Rational(mpz_class(1), PowerOfTen(static_cast<unsigned long>(-k)));
  };
  while (power(e) > magnitude) {
    --e;
  }
  while (power(e + 1) <= magnitude) {
    ++e;
  }
  // The leading `digits` digits, rounded: floor(|value| * 10^(digits - 1 - e) + 1/2).
  const Rational scaled = magnitude * power(digits - 1 - e) + Rational(1, 2);
  mpz_class kept = scaled.get_num() / scaled.get_den();
  if (kept == PowerOfTen(static_cast<unsigned long>(digits))) {  // rounding carried over
    kept /= 10;
    ++e;
  }
  std::string text = kept.get_str();
  // Trailing zeros go, as %g drops them.
  while (text.size() > 1 && text.back() == '0') {
    text.pop_back();
  }
  std::string out = value < 0 ? "-" : "";
  if (e < -4 || e >= digits) {
    out += text.substr(0, 1);
    if (text.size() > 1) {
      // Appended piece by piece: g++ 12 takes "." + text.substr(1) for an overlapping copy and
      // warns (-Wrestrict) in optimised builds.
      out += '.';
      out.append(text, 1);
    }
    const std::string exponent = std::to_string(std::labs(e));
    out += std::string(e < 0 ? "e-" : "e+") + (exponent.size() < 2 ? "0" : "") + exponent;
  } else if (e < 0) {
    out += "0." + std::string(static_cast<std::size_t>(-e - 1), '0') + text;
  } else {
    const auto integer_digits = static_cast<std::size_t>(e) + 1;
    if (text.size() <= integer_digits) {
      out += text + std::string(integer_digits - text.size(), '0');
    } else {
      out += text.substr(0, integer_digits) + "." + text.substr(integer_digits);
    }
  }
  return out;
}

}  // namespace unionbound
