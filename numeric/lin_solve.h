#pragma once

#include <cstdint>
#include <utility>

#include "numeric/checked.h"
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

}  // namespace lin_solve_detail

// What went wrong in one LinSolve, in the order it happened: first the shape, then each
// elimination step that found no pivot.
struct LinSolveStatus {
  bool size_problem = false;        // row 0 or b without one entry per row
  std::int32_t singular_steps = 0;  // steps that found no pivot and forced a unit one

  bool operator==(const LinSolveStatus&) const = default;
};

// Solves A x = b by Gauss-Jordan elimination on copies of A and b: the first row whose leading
// entry is non-zero is the pivot (no magnitude comparison, no tolerance); a step without one
// forces a unit pivot on the last row and is counted as singular. A size problem is noted when
// row 0 or b does not have one entry per row. Rows longer than n (all of one length) and a
// longer b are still solved; any other shape outside the contract (no rows, rows of unequal
// lengths or shorter than n, b shorter than n) gives n undefined values (not-a-numbers for
// double) and reads nothing outside the data.
template <class Number>
Checked<SequenceOf<Number>, LinSolveStatus> LinSolve(const MatrixOf<Number>& A_in,
                                                     const SequenceOf<Number>& b_in) {
  using namespace lin_solve_detail;
  const std::size_t n = A_in.size();
  const bool fits = EliminationFits(A_in, b_in);
  LinSolveStatus status;
  status.size_problem = !fits || A_in[0].size() != n || b_in.size() != n;
  if (!fits) {
    return {SequenceOf<Number>(n, NumberTraits<Number>::Undefined()), status};
  }

  MatrixOf<Number> A = A_in;
  SequenceOf<Number> b = b_in;
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t pivot = k;
    while (pivot < n && !UsablePivot(A[pivot][0])) {
      ++pivot;
    }
    if (pivot == n) {
      ++status.singular_steps;
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
      // Every row holds the same columns, so the lengths agree.
      A[r] = vectsum<Number>(A[r], ScalarMultiple<Number>(-f, A[k])).value;
      A[r].pop_front();
    }
    A[k].pop_front();
  }
  return {std::move(b), status};
}

// The double form, which also takes braced lists.
Checked<Vector, LinSolveStatus> LinSolve(const Matrix& A, const Vector& b);

}  // namespace unionbound
