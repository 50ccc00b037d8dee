#include "numeric/lin_solve.h"

namespace unionbound {

Checked<Vector, LinSolveStatus> LinSolve(const Matrix& A, const Vector& b) {
  return LinSolve<double>(A, b);
}

}  // namespace unionbound
