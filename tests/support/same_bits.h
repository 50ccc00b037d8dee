#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "numeric/types.h"

namespace unionbound::testing {

// Bit-for-bit equality of two Vectors, so that -0.0 and 0.0 differ and a NaN shows.
inline ::testing::AssertionResult SameVectorBits(const Vector& got, const Vector& want) {
  if (got.size() != want.size()) {
    return ::testing::AssertionFailure() << got.size() << " entries, want " << want.size();
  }
  for (std::size_t k = 0; k < want.size(); ++k) {
    if (std::bit_cast<std::uint64_t>(got[k]) != std::bit_cast<std::uint64_t>(want[k])) {
      return ::testing::AssertionFailure()
             << "entry " << k << " is " << got[k] << ", want " << want[k];
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace unionbound::testing
