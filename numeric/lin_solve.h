#pragma once

#include <iostream>
#include <utility>

#include "numeric/number_traits.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

namespace unionbound {

namespace lin_solve_detail {

// The shapes the elimination can run on without leaving the data: at least one row, every row
// of one length that covers the n columns, and one right-hand side entry per row at least.
template <class Number>
bool EliminationFits(const MatrixOf<Number>& A, const SequenceOf<Number>& b) {
  const std::size_t n = A.size();
  if (n == 0 || b.size() < n || A[0].size() < n) {
    return false;
  }
  for (const SequenceOf<Number>& row : A) {
    if (row.size() != A[0].size()) {
      return false;
    }
  }
  return true;
}

// A pivot must be a real non-zero number: a not-a-number is passed over like 0.
template <class Number>
bool UsablePivot(const Number& x) {
  return x < 0 || x > 0;
}

inline void ReportLine(const char* message) {
  std::cout << message << std::endl;
}

}  // namespace lin_solve_detail

// Solves A x = b by Gauss-Jordan elimination on copies of A and b: the first row whose leading
// entry is non-zero is the pivot (no magnitude comparison, no tolerance); a step without one
// writes "(LinSolve) The matrix A is singular." and forces a unit pivot on the last row.
// "Size problem in the input of LinSolve." is written when row 0 or b does not have one entry
// per row. Rows longer than n (all of one length) and a longer b are still solved; any other
// shape outside the contract (no rows, rows of unequal lengths or shorter than n, b shorter
// than n) returns n undefined values (not-a-numbers for double) after the size message and
// reads nothing outside the data.
template <class Number>
SequenceOf<Number> LinSolve(const MatrixOf<Number>& A_in, const SequenceOf<Number>& b_in) {
  using namespace lin_solve_detail;
  const std::size_t n = A_in.size();
  const bool fits = EliminationFits(A_in, b_in);
  if (!fits || A_in[0].size() != n || b_in.size() != n) {
    ReportLine("Size problem in the input of LinSolve.");
  }
  if (!fits) {
    return SequenceOf<Number>(n, NumberTraits<Number>::Undefined());
  }

  MatrixOf<Number> A = A_in;
  SequenceOf<Number> b = b_in;
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t pivot = k;
    while (pivot < n && !UsablePivot(A[pivot][0])) {
      ++pivot;
    }
    if (pivot == n) {
      ReportLine("(LinSolve) The matrix A is singular.");
      pivot = n - 1;
      A[pivot][0] = Number(1);
    }
    std::swap(A[k], A[pivot]);
    std::swap(b[k], b[pivot]);

    const Number p = A[k][0];
    b[k] = b[k] / p;
    A[k] = ScalarDivide<Number>(p, A[k]);

    for (std::size_t r = 0; r < n; ++r) {
      if (r == k) {
        continue;
      }
      const Number f = A[r][0];
      b[r] = b[r] - b[k] * f;
      A[r] = vectsum<Number>(A[r], ScalarMultiple<Number>(-f, A[k]));
      A[r].pop_front();
    }
    A[k].pop_front();
  }
  return b;
}

// The double form, which also takes braced lists.
Vector LinSolve(const Matrix& A, const Vector& b);

}  // namespace unionbound
