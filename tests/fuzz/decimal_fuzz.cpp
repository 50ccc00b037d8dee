// The exact parser of a moment as --moments and the library take it (a decimal, or a fraction of
// two decimals) against an oracle written apart from it: the same value exactly, or a refusal
// from both. The oracle reads a decimal as Python's Fraction does (a sign, digits with at most
// one point, an exponent), without the blanks and underscores that Python also allows, and keeps
// the exponent as a whole integer of any size, so that the parser's capped exponent is checked
// too: a value d * 10^p, d not a multiple of 10, is refused where |p| exceeds the limit.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "input/exact_decimal.h"
#include "numeric/exact_number.h"

namespace {

bool IsDigitChar(char c) {
  return c >= '0' && c <= '9';
}

// The run of digits at `at`, which moves past it.
std::string_view DigitsAt(std::string_view text, std::size_t& at) {
  const std::size_t start = at;
  while (at < text.size() && IsDigitChar(text[at])) {
    ++at;
  }
  return text.substr(start, at - start);
}

std::optional<unionbound::Rational> OracleDecimal(std::string_view text) {
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  std::string digits(DigitsAt(text, at));
  std::size_t fraction_digits = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    const std::string_view fraction = DigitsAt(text, at);
    digits += fraction;
    fraction_digits = fraction.size();
  }
  if (digits.empty()) {
    return std::nullopt;
  }
  mpz_class exponent = 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    bool exponent_negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
      exponent_negative = text[at] == '-';
      ++at;
    }
    const std::string_view written = DigitsAt(text, at);
    if (written.empty()) {
      return std::nullopt;
    }
    exponent = mpz_class(std::string(written), 10);
    if (exponent_negative) {
      exponent = -exponent;
    }
  }
  if (at != text.size()) {
    return std::nullopt;
  }
  const std::size_t last = digits.find_last_not_of('0');
  if (last == std::string::npos) {
    return unionbound::Rational(0);
  }
  mpz_class power = exponent - static_cast<unsigned long>(fraction_digits) +
                    static_cast<unsigned long>(digits.size() - 1 - last);
  digits.resize(last + 1);
  if (abs(power) > unionbound::kLargestExactExponent) {
    return std::nullopt;
  }
  mpz_class scale;
  mpz_ui_pow_ui(scale.get_mpz_t(), 10, mpz_class(abs(power)).get_ui());
  unionbound::Rational value(mpz_class(digits, 10));
  value = power >= 0 ? unionbound::Rational(value * scale) : unionbound::Rational(value / scale);
  return negative ? unionbound::Rational(-value) : value;
}

std::optional<unionbound::Rational> OracleMoment(std::string_view text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) {
    return OracleDecimal(text);
  }
  const std::optional<unionbound::Rational> top = OracleDecimal(text.substr(0, slash));
  const std::optional<unionbound::Rational> bottom = OracleDecimal(text.substr(slash + 1));
  if (!top || !bottom || *bottom == 0) {
    return std::nullopt;
  }
  return unionbound::Rational(*top / *bottom);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<unionbound::Rational> got = unionbound::ExactDecimalOrFraction(text);
  const std::optional<unionbound::Rational> want = OracleMoment(text);
  if (got.has_value() != want.has_value() || (got && *got != *want)) {
    std::abort();
  }
  return 0;
}
