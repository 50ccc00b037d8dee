#pragma once

// Exact solutions of square linear systems with small integer coefficients, by p-adic lifting
// (Dixon's method): one LU factorisation modulo a word-sized prime, then each step of the lift
// costs one solve modulo the prime and one product with the integer matrix, and rational
// reconstruction turns the p-adic digits into the fraction. The cost is that of a few dozen
// solves in doubles, where Gaussian elimination over the rationals would carry numbers of
// thousands of bits through every one of its size^3 operations.

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace unionbound {

// x = numerators / denominator, the denominator positive.
struct IntegerSolution {
  std::vector<mpz_class> numerators;
  mpz_class denominator = 1;
};

// A square matrix with entries from -127 to 127, row-major, factored once and solved as often as
// asked, on either side.
class ModularSystem {
 public:
  // False when the matrix is singular (or, for a non-singular matrix, with a probability of the
  // order of size / 2^31 for each of three primes, singular modulo all of them).
  bool Factor(const std::vector<std::int8_t>& matrix, std::size_t size);

  // A x = b, or A^T x = b with `transposed`; empty numerators when no solution was found (the
  // matrix was not factored, or b has another length).
  IntegerSolution Solve(const std::vector<mpz_class>& b, bool transposed = false) const;

  std::size_t size() const { return size_; }

 private:
  std::vector<std::uint32_t> ResidueSolve(std::vector<std::uint32_t> b, bool transposed) const;
  void Multiply(const std::vector<std::uint32_t>& x, bool transposed,
                std::vector<std::int64_t>& out) const;

  std::size_t size_ = 0;
  std::uint64_t prime_ = 0;
  std::vector<std::int8_t> matrix_;
  std::vector<std::uint32_t> lu_;  // L below the diagonal (unit), U on and above, row-major
  std::vector<std::size_t> rows_;  // row k of the factored matrix is row rows_[k] of A
  double log2_columns_ = 0.0;      // log2 of the product of the column (and row) norms, bounded
};

}  // namespace unionbound
