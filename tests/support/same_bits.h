#pragma once

// The one way the tests compare doubles: bit for bit, so that -0.0 and 0.0 differ and each
// not-a-number pattern is its own value. A failure shows both values to 17 significant digits
// (enough to tell any two doubles apart) with their bit patterns.

#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>

namespace unionbound::testing {

// "0.10000000000000001 (0x3fb999999999999a)".
inline std::string BitsOf(double x) {
  std::ostringstream text;
  text << std::setprecision(std::numeric_limits<double>::max_digits10) << x << " (0x" << std::hex
       << std::setw(16) << std::setfill('0') << std::bit_cast<std::uint64_t>(x) << ")";
  return text.str();
}

inline ::testing::AssertionResult SameBits(double got, double want) {
  if (std::bit_cast<std::uint64_t>(got) == std::bit_cast<std::uint64_t>(want)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << BitsOf(got) << ", want " << BitsOf(want);
}

// Two sequences (Vector, Matrix, any nesting of them) entry by entry: the same lengths and the
// same bits everywhere; a failure names the first entry that differs by its subscripts.
template <class Sequence>
requires requires(const Sequence& s) {
  s.size();
  s[0];
}
::testing::AssertionResult SameBits(const Sequence& got, const Sequence& want) {
  if (got.size() != want.size()) {
    return ::testing::AssertionFailure() << got.size() << " entries, want " << want.size();
  }
  for (std::size_t k = 0; k < want.size(); ++k) {
    if (::testing::AssertionResult same = SameBits(got[k], want[k]); !same) {
      const std::string inner = same.message();
      return ::testing::AssertionFailure()
             << "[" << k << "]" << (inner.front() == '[' ? "" : " ") << inner;
    }
  }
  return ::testing::AssertionSuccess();
}

// A quiet not-a-number: the exponent all ones and the top bit of the fraction set.
inline bool IsQuietNaN(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  constexpr std::uint64_t kExponent = 0x7ff0000000000000ULL;
  constexpr std::uint64_t kQuietBit = 0x0008000000000000ULL;
  return (bits & kExponent) == kExponent && (bits & kQuietBit) != 0;
}

}  // namespace unionbound::testing
