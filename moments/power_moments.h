#pragma once

#include <cstdint>

#include <vector>

#include "numeric/number_traits.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

namespace unionbound {

// a, a + 1, ..., every value not greater than b; empty when a > b.
template <class Number>
SequenceOf<Number> RealRange(const Number& a, const Number& b) {
  SequenceOf<Number> range;
  if (a > b) {
    return range;
  }
  Number x = a;
  do {
    range.push_back(x);
    x = x + 1;
  } while (x <= b);
  return range;
}
Vector RealRange(double a, double b);

// The Stirling number of the second kind: the ways to split i items into j non-empty groups.
// Exact; a value outside the 64-bit range throws std::overflow_error.
std::int64_t Stirling2(std::int32_t i, std::int32_t j);

// Highest order whose conversion matrix is formed exactly (every j! * Stirling2(i, j) within
// 128 bits).
inline constexpr std::int32_t kMaxConversionOrder = 30;

// The exact integers of the conversion matrix of order m (see BinomialToPowerMatrix). m above
// kMaxConversionOrder throws std::overflow_error.
std::vector<std::vector<WideUnsigned>> ConversionIntegers(std::int32_t m);

// Rows 0 .. m of m + 1 entries: row 0 is (1, 0, ..., 0); entry (i, j) of the other rows is
// j! * Stirling2(i, j), formed exactly as an integer and converted to the number type once
// (for m <= 11 and double, the 32-bit product unchanged). For double, m above
// kMaxConversionOrder throws std::overflow_error; exact types form every order in their own
// arithmetic, since an exact run is not limited to small m.
template <class Number>
MatrixOf<Number> BinomialToPowerMatrix(std::int32_t m) {
  if constexpr (NumberTraits<Number>::kExact) {
    // j! * Stirling2(i, j) = j * (j-1)! Stirling2(i-1, j-1) + j * j! Stirling2(i-1, j).
    const auto size = static_cast<std::size_t>(m < 0 ? 0 : m) + 1;
    MatrixOf<Number> T(size, SequenceOf<Number>(size, Number(0)));
    T[0][0] = Number(1);
    for (std::size_t i = 1; i < size; ++i) {
      for (std::size_t j = 1; j <= i; ++j) {
        T[i][j] = Number(static_cast<long>(j)) * (T[i - 1][j - 1] + T[i - 1][j]);
      }
    }
    return T;
  } else {
    MatrixOf<Number> T;
    for (const auto& integers : ConversionIntegers(m)) {
      SequenceOf<Number> row;
      for (WideUnsigned entry : integers) {
        row.push_back(NumberTraits<Number>::FromWide(entry));
      }
      T.push_back(row);
    }
    return T;
  }
}
Matrix BinomialToPowerMatrix(std::int32_t m);

// ScalarProduct of each row of A with v, rows in order; a row of another length than v gives 0.
template <class Number>
SequenceOf<Number> MatrixTimesVector(const MatrixOf<Number>& A, const SequenceOf<Number>& v) {
  SequenceOf<Number> product;
  for (const SequenceOf<Number>& row : A) {
    product.push_back(ScalarProduct<Number>(row, v).value);
  }
  return product;
}
Vector MatrixTimesVector(const Matrix& A, const Vector& v);

}  // namespace unionbound
