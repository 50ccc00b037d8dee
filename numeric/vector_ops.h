#pragma once

#include "numeric/types.h"

namespace unionbound {

// Sum of a[i] * b[i] in increasing i, each step rounded. Different lengths: writes
// "Scalar product: wrong sizes!" bare to standard output and returns 0.0.
double ScalarProduct(const Vector& a, const Vector& b);

// Entry-wise sum. Different lengths: writes "wrong sizes of the vectors in vectsum" bare to
// standard output and returns an empty Vector.
Vector vectsum(const Vector& a, const Vector& b);

// c * v[i] for every entry.
Vector ScalarMultiple(double c, const Vector& v);

// v[i] / d for every entry; d is the divisor and is not tested.
Vector ScalarDivide(double d, const Vector& v);

}  // namespace unionbound
