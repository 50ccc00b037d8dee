#include "numeric/lin_solve.h"

#include <iostream>
#include <limits>
#include <utility>

#include "numeric/vector_ops.h"

namespace unionbound {
namespace {

// The shapes the elimination can run on without leaving the data: at least one row, every row
// of one length that covers the n columns, and one right-hand side entry per row at least.
bool EliminationFits(const Matrix& A, const Vector& b) {
  const std::size_t n = A.size();
  if (n == 0 || b.size() < n || A[0].size() < n) {
    return false;
  }
  for (const Vector& row : A) {
    if (row.size() != A[0].size()) {
      return false;
    }
  }
  return true;
}

// A pivot must be a real non-zero number: a not-a-number is passed over like 0.0.
bool UsablePivot(double x) {
  return x < 0.0 || x > 0.0;
}

void ReportLine(const char* message) {
  std::cout << message << std::endl;
}

}  // namespace

Vector LinSolve(const Matrix& A_in, const Vector& b_in) {
  const std::size_t n = A_in.size();
  const bool fits = EliminationFits(A_in, b_in);
  if (!fits || A_in[0].size() != n || b_in.size() != n) {
    ReportLine("Size problem in the input of LinSolve.");
  }
  if (!fits) {
    return Vector(n, std::numeric_limits<double>::quiet_NaN());
  }

  Matrix A = A_in;
  Vector b = b_in;
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t pivot = k;
    while (pivot < n && !UsablePivot(A[pivot][0])) {
      ++pivot;
    }
    if (pivot == n) {
      ReportLine("(LinSolve) The matrix A is singular.");
      pivot = n - 1;
      A[pivot][0] = 1.0;
    }
    std::swap(A[k], A[pivot]);
    std::swap(b[k], b[pivot]);

    const double p = A[k][0];
    b[k] = b[k] / p;
    A[k] = ScalarDivide(p, A[k]);

    for (std::size_t r = 0; r < n; ++r) {
      if (r == k) {
        continue;
      }
      const double f = A[r][0];
      b[r] = b[r] - b[k] * f;
      A[r] = vectsum(A[r], ScalarMultiple(-f, A[k]));
      A[r].pop_front();
    }
    A[k].pop_front();
  }
  return b;
}

}  // namespace unionbound
