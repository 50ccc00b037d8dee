#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "numeric/types.h"

namespace unionbound::test_support {

// Runs `action` and returns everything it wrote to standard output, byte for byte. The capture
// is ended even when the action throws, so a later capture can start.
template <typename Action>
std::string PrintedBy(Action&& action) {
  ::testing::internal::CaptureStdout();
  try {
    std::forward<Action>(action)();
  } catch (...) {
    ::testing::internal::GetCapturedStdout();
    throw;
  }
  return ::testing::internal::GetCapturedStdout();
}

// A quiet not-a-number: the exponent all ones and the top bit of the fraction set.
inline bool IsQuietNaN(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  constexpr std::uint64_t kExponent = 0x7ff0000000000000ULL;
  constexpr std::uint64_t kQuietBit = 0x0008000000000000ULL;
  return (bits & kExponent) == kExponent && (bits & kQuietBit) != 0;
}

// The same double, bit for bit (tells 0.0 from -0.0; one NaN pattern from another).
inline bool SameBits(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

inline bool SameBits(const Vector& x, const Vector& y) {
  if (x.size() != y.size()) {
    return false;
  }
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!SameBits(x[i], y[i])) {
      return false;
    }
  }
  return true;
}

inline bool SameBits(const Matrix& x, const Matrix& y) {
  if (x.size() != y.size()) {
    return false;
  }
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (!SameBits(x[i], y[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace unionbound::test_support
