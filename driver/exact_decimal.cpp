#include "driver/exact_decimal.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "driver/decimal_syntax.h"

namespace unionbound {
namespace {

mpz_class PowerOfTen(unsigned long exponent) {
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10, exponent);
  return power;
}

// The digits of a number as ScanDecimal hands them over, all of them kept, and its exponent
// capped at `cap`.
struct AllDigits {
  std::string digits;
  long scale = 0;
  long exponent = 0;
  long cap = 0;

  const char* Mantissa(const char* p, const char* last, bool fraction) {
    const char* const start = p;
    for (; p != last && IsDigit(*p); ++p) {
      digits += *p;
    }
    scale -= fraction ? p - start : 0;
    return p;
  }
  const char* Exponent(const char* p, const char* last, bool negative) {
    for (; p != last && IsDigit(*p); ++p) {
      exponent = std::min(exponent * 10 + (*p - '0'), cap);
    }
    exponent = negative ? -exponent : exponent;
    return p;
  }
};

}  // namespace

Rational TimesPowerOfTen(const mpz_class& integer, long power) {
  Rational value = power >= 0 ? Rational(integer * PowerOfTen(static_cast<unsigned long>(power)))
                              : Rational(integer, PowerOfTen(static_cast<unsigned long>(-power)));
  value.canonicalize();
  return value;
}

std::optional<Rational> ExactDecimal(std::string_view text) {
  AllDigits parts;
  // The digits move the power by at most the text's length, so an exponent beyond this cap is
  // refused whatever it is exactly; capping keeps the arithmetic in range.
  parts.cap = kLargestExactExponent + static_cast<long>(text.size()) + 1;
  const DecimalScan scan = ScanDecimal(text.data(), text.data() + text.size(), parts);
  if (!scan.is_number || scan.length != text.size()) {
    return std::nullopt;
  }
  const bool negative = scan.negative;
  std::string& digits = parts.digits;
  long scale = parts.scale;
  const long exponent = parts.exponent;
  if (digits.find_first_not_of('0') == std::string::npos) {
    return Rational(0);
  }
  // The power is judged on the value, d * 10^power with d not a multiple of 10, so that every
  // spelling of a number gets the same verdict ("1e100001" and "10e100000" alike).
  const std::size_t last_digit = digits.find_last_not_of('0');
  scale += static_cast<long>(digits.size() - 1 - last_digit);
  digits.resize(last_digit + 1);
  const long power = exponent + scale;
  if (power > kLargestExactExponent || power < -kLargestExactExponent) {
    return std::nullopt;
  }
  const Rational value = TimesPowerOfTen(mpz_class(digits, 10), power);
  return negative ? Rational(-value) : value;
}

std::optional<Rational> ExactDecimalOrFraction(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) {
    return ExactDecimal(text);
  }
  const std::optional<Rational> numerator = ExactDecimal(text.substr(0, slash));
  const std::optional<Rational> denominator = ExactDecimal(text.substr(slash + 1));
  if (!numerator || !denominator || *denominator == 0) {
    return std::nullopt;
  }
  return Rational(*numerator / *denominator);
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
