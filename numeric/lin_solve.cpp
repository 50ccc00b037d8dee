#include "numeric/lin_solve.h"

namespace unionbound {

Vector LinSolve(const Matrix& A, const Vector& b) {
  return LinSolve<double>(A, b);
}

}  // namespace unionbound
