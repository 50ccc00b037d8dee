#include "numeric/combinatorics.h"

namespace unionbound {

Matrix KSubsets(const Vector& set, int k) {
  return KSubsets<double>(set, k);
}

double IntPower(double x, int n) {
  return IntPower<double>(x, n);
}

Vector VectorIntPower(const Vector& v, int n) {
  return VectorIntPower<double>(v, n);
}

}  // namespace unionbound
