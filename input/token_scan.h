#pragma once

// The reader's own scanner, shared by the chunked read and its exact sums: one token of a
// probability file at a time, valued as a classic-locale extraction of a double values it, and
// the lines passed on the way. Not part of the reading's interface (input/probability_input.h).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "input/decimal_syntax.h"
#include "input/probability_input.h"

namespace unionbound {

// What one extraction of a double takes from the front of [first, last), by ScanDecimal. On
// the way the token's value is gathered as a decimal mantissa and a power of ten. When the
// mantissa is at most 2^53 and the power within 10^+-22, both are exact doubles and one
// multiplication or division rounds their product correctly, as strtod would; most numbers in a
// probability file take this path, the others go to from_chars.
struct Token {
  std::size_t length = 0;
  bool is_number = false;
  bool reaches_end = false;  // more data could still extend it
  bool exact = false;        // `value` is the correctly rounded value
  double value = 0.0;
  // The number as written is digits * 10^power, negated when `negative`, if `whole`: no
  // non-zero digit was dropped and the exponent is the written one.
  std::uint64_t digits = 0;
  long power = 0;
  bool negative = false;
  bool whole = false;
};

inline constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;
// Room for one more digit.
inline constexpr std::uint64_t kMantissaRoom = 1'000'000'000'000'000'000;
inline constexpr int kExactPower = 22;  // 10^22 is the largest exact power of ten
inline constexpr long kExponentCap = 1'000'000'000;
inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The decimal digits of a mantissa: as many leading ones as 64 bits hold exactly (at least 18
// significant digits), the power of ten that places them, and whether a non-zero digit was
// dropped beyond them.
struct MantissaDigits {
  std::uint64_t digits = 0;
  long scale = 0;
  bool truncated = false;
  bool seen = false;  // at least one digit

  // Consumes the digits at p; `fraction` for those after the point.
  const char* Take(const char* p, const char* last, bool fraction) {
    const char* const start = p;
    for (; p != last && IsDigit(*p) && digits < kMantissaRoom; ++p) {
      digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
    const char* const kept = p;
    for (; p != last && IsDigit(*p); ++p) {
      truncated = truncated || *p != '0';
    }
    scale += fraction ? -(kept - start) : p - kept;
    seen = seen || p != start;
    return p;
  }
};

// The exponent as written, capped so that it cannot overflow; a capped exponent is no longer
// the written one.
struct ExponentDigits {
  long value = 0;
  bool capped = false;

  const char* Take(const char* p, const char* last, bool negative) {
    for (; p != last && IsDigit(*p); ++p) {
      value = std::min(value * 10 + (*p - '0'), kExponentCap);
    }
    capped = value == kExponentCap;
    value = negative ? -value : value;
    return p;
  }
};

// The digits of a token as ScanDecimal hands them over.
struct TokenDigits {
  MantissaDigits mantissa;
  ExponentDigits exponent;

  const char* Mantissa(const char* p, const char* last, bool fraction) {
    return mantissa.Take(p, last, fraction);
  }
  const char* Exponent(const char* p, const char* last, bool negative) {
    return exponent.Take(p, last, negative);
  }
};

// Inline, as is the rest of the per-token path: every number of a file goes through it.
inline Token ScanToken(const char* first, const char* last) {
  TokenDigits parts;
  const DecimalScan scan = ScanDecimal(first, last, parts);
  const MantissaDigits& mantissa = parts.mantissa;
  // A capped exponent is no longer the written one; from_chars and strtod then decide.
  const bool exponent_capped = parts.exponent.capped;
  const bool negative = scan.negative;

  Token token;
  token.length = scan.length;
  token.is_number = scan.is_number;
  token.reaches_end = first + scan.length == last;
  const long power = mantissa.scale + parts.exponent.value;
  token.digits = mantissa.digits;
  token.power = power;
  token.negative = negative;
  token.whole = !mantissa.truncated && !exponent_capped;
  if (token.is_number && !exponent_capped && !mantissa.truncated &&
      mantissa.digits <= kExactMantissa) {
    const auto magnitude = static_cast<double>(mantissa.digits);
    if (mantissa.digits == 0) {
      token.exact = true;
      token.value = 0.0;
    } else if (power >= 0 && power <= kExactPower) {
      token.exact = true;
      token.value = magnitude * kPowersOfTen[power];
    } else if (power < 0 && power >= -kExactPower) {
      token.exact = true;
      token.value = magnitude / kPowersOfTen[-power];
    }
    token.value = negative ? -token.value : token.value;
  }
  return token;
}

// The value of a token that ScanToken accepted but could not value exactly itself, or false when
// it lies beyond the largest double.
bool ConvertToken(const char* first, const char* last, double& value);

// The token at `first` as a number, or false when the extraction fails there.
inline bool ValueOf(const Token& token, const char* first, double& value) {
  if (token.exact) {
    value = token.value;
    return true;
  }
  return token.is_number && ConvertToken(first, first + token.length, value);
}

// Calls visit(token, text, value) for each number of the chunk, in order, up to `most` of them
// or the first token that is not a number, whose offset it returns (the text's size when the
// numbers ran out first, or `most` was reached). White space is passed to `space`.
template <class Visit, class Space>
std::size_t ScanNumbers(std::string_view text, std::int64_t most, const Visit& visit,
                        const Space& space) {
  const char* const first = text.data();
  const char* const last = first + text.size();
  const char* p = first;
  for (std::int64_t k = 0; k < most; ++k) {
    while (p != last && IsSpace(*p)) {
      space(p);
      ++p;
    }
    if (p == last) {
      break;
    }
    const Token token = ScanToken(p, last);
    double value = 0.0;
    if (!ValueOf(token, p, value)) {
      return static_cast<std::size_t>(p - first);
    }
    visit(token, std::string_view(p, token.length), value);
    p += token.length;
  }
  return text.size();
}

// The line ends a scan of one piece of text passed: how many, where the last lies (-1 when
// none), and whether only white space has come since it, or since the text's start when there
// is none.
struct LineMarks {
  std::int64_t line_ends = 0;
  std::ptrdiff_t last_line_end = -1;
  bool blank_since_line_end = true;
};

// The lines passed before a piece of text: how many ended, how many bytes the current one has,
// and whether they are white space.
struct LinePosition {
  std::int64_t line_ends = 0;
  std::int64_t column_bytes = 0;
  bool blank = true;

  // Moves past `text`, whose scan passed `marks`.
  void Pass(std::string_view text, const LineMarks& marks);
};

// Where a scan of `text` stopped, at offset `at`, and what is around it; `marks` are those the
// scan passed before the stop.
StopPlace StopIn(std::string_view text, std::size_t at, const LineMarks& marks,
                 const LinePosition& before);

}  // namespace unionbound
