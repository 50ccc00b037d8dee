#include "numeric/combinatorics.h"

namespace unionbound {

Checked<Matrix, SubsetsStatus> KSubsets(const Vector& set, int k) {
  return KSubsets<double>(set, k);
}

Checked<double, PowerStatus> IntPower(double x, int n) {
  return IntPower<double>(x, n);
}

Checked<Vector, PowersStatus> VectorIntPower(const Vector& v, int n) {
  return VectorIntPower<double>(v, n);
}

}  // namespace unionbound
