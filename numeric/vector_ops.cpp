#include "numeric/vector_ops.h"

namespace unionbound {

Checked<double, Lengths> ScalarProduct(const Vector& a, const Vector& b) {
  return ScalarProduct<double>(a, b);
}

Checked<Vector, Lengths> vectsum(const Vector& a, const Vector& b) {
  return vectsum<double>(a, b);
}

Vector ScalarMultiple(double c, const Vector& v) {
  return ScalarMultiple<double>(c, v);
}

Vector ScalarDivide(double d, const Vector& v) {
  return ScalarDivide<double>(d, v);
}

}  // namespace unionbound
