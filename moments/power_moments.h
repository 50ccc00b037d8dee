#pragma once

#include <cstdint>

#include "numeric/types.h"

namespace unionbound {

// a, a + 1, ..., every value not greater than b; empty when a > b.
Vector RealRange(double a, double b);

// The Stirling number of the second kind: the ways to split i items into j non-empty groups.
// Exact; a value outside the 64-bit range throws std::overflow_error.
std::int64_t Stirling2(std::int32_t i, std::int32_t j);

// Highest order whose conversion matrix is formed exactly (every j! * Stirling2(i, j) within
// 128 bits).
inline constexpr std::int32_t kMaxConversionOrder = 30;

// Rows 0 .. m of m + 1 entries: row 0 is (1, 0, ..., 0); entry (i, j) of the other rows is
// j! * Stirling2(i, j), formed exactly as an integer and converted to double once. m above
// kMaxConversionOrder throws std::overflow_error.
Matrix BinomialToPowerMatrix(std::int32_t m);

// ScalarProduct of each row of A with v, rows in order.
Vector MatrixTimesVector(const Matrix& A, const Vector& v);

}  // namespace unionbound
