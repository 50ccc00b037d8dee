#pragma once

#include "numeric/types.h"

namespace unionbound {

// Solves A x = b by Gauss-Jordan elimination on copies of A and b: the first row whose leading
// entry is non-zero is the pivot (no magnitude comparison, no tolerance); a step without one
// writes "(LinSolve) The matrix A is singular." and forces a unit pivot on the last row.
// "Size problem in the input of LinSolve." is written when row 0 or b does not have one entry
// per row. Rows longer than n (all of one length) and a longer b are still solved; any other
// shape outside the contract (no rows, rows of unequal lengths or shorter than n, b shorter
// than n) returns n not-a-numbers after the size message and reads nothing outside the data.
Vector LinSolve(const Matrix& A, const Vector& b);

}  // namespace unionbound
