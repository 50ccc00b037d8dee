#include "moments/power_moments.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <vector>

#include "numeric/vector_ops.h"

namespace unionbound {
namespace {

using Wide = WideUnsigned;

Wide CheckedProduct(Wide a, Wide b) {
  Wide product = 0;
  if (__builtin_mul_overflow(a, b, &product)) {
    throw std::overflow_error("conversion matrix entry outside the 128-bit range");
  }
  return product;
}

Wide CheckedSum(Wide a, Wide b) {
  Wide sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) {
    throw std::overflow_error("conversion matrix entry outside the 128-bit range");
  }
  return sum;
}

// Rows 0 .. order of S(i, j) by S(i, j) = S(i - 1, j - 1) + j * S(i - 1, j): the integers of
// the plain recursion, each formed once.
std::vector<std::vector<Wide>> StirlingTable(std::int32_t order) {
  const auto size = static_cast<std::size_t>(order) + 1;
  std::vector<std::vector<Wide>> table(size, std::vector<Wide>(size, 0));
  table[0][0] = 1;
  for (std::size_t i = 1; i < size; ++i) {
    for (std::size_t j = 1; j <= i; ++j) {
      table[i][j] = CheckedSum(table[i - 1][j - 1], CheckedProduct(j, table[i - 1][j]));
    }
  }
  return table;
}

}  // namespace

Vector RealRange(double a, double b) {
  return RealRange<double>(a, b);
}

std::int64_t Stirling2(std::int32_t i, std::int32_t j) {
  if (i == j) {
    return 1;
  }
  if (j <= 0 || i < j) {
    return 0;
  }
  // Only the band of S(r, c) that S(i, j) is built from, with j - (i - r) <= c <= j: each of
  // those is at most S(i, j), so nothing overflows before the result itself would.
  const auto width = static_cast<std::size_t>(j);
  std::vector<Wide> row(width + 1, 0);
  row[0] = 1;
  for (std::int32_t r = 1; r <= i; ++r) {
    const std::int32_t low = std::max(1, j - (i - r));
    for (std::int32_t c = std::min(r, j); c >= low; --c) {
      const auto at = static_cast<std::size_t>(c);
      row[at] = CheckedSum(row[at - 1], CheckedProduct(at, row[at]));
    }
    row[0] = 0;
  }
  if (row[width] > static_cast<Wide>(std::numeric_limits<std::int64_t>::max())) {
    throw std::overflow_error("Stirling2: value outside the 64-bit range");
  }
  return static_cast<std::int64_t>(row[width]);
}

std::vector<std::vector<WideUnsigned>> ConversionIntegers(std::int32_t m) {
  if (m > kMaxConversionOrder) {
    throw std::overflow_error("BinomialToPowerMatrix: order above the exact range");
  }
  const auto size = static_cast<std::size_t>(m < 0 ? 0 : m) + 1;
  std::vector<std::vector<Wide>> T(size, std::vector<Wide>(size, 0));
  T[0][0] = 1;
  const auto stirling = StirlingTable(m < 0 ? 0 : m);
  for (std::size_t i = 1; i < size; ++i) {
    Wide factorial = 1;
    for (std::size_t j = 0; j < size; ++j) {
      if (j > 0) {
        factorial = CheckedProduct(factorial, j);
      }
      T[i][j] = CheckedProduct(factorial, stirling[i][j]);
    }
  }
  return T;
}

Matrix BinomialToPowerMatrix(std::int32_t m) {
  return BinomialToPowerMatrix<double>(m);
}

Vector MatrixTimesVector(const Matrix& A, const Vector& v) {
  return MatrixTimesVector<double>(A, v);
}

}  // namespace unionbound
