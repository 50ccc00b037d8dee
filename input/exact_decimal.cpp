#include "input/exact_decimal.h"

#include <algorithm>
#include <string>

#include "input/decimal_syntax.h"
#include "numeric/rounded_decimal.h"

namespace unionbound {
namespace {

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

}  // namespace unionbound
