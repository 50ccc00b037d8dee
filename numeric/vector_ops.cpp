#include "numeric/vector_ops.h"

namespace unionbound {

double ScalarProduct(const Vector& a, const Vector& b) {
  return ScalarProduct<double>(a, b);
}

Vector vectsum(const Vector& a, const Vector& b) {
  return vectsum<double>(a, b);
}

Vector ScalarMultiple(double c, const Vector& v) {
  return ScalarMultiple<double>(c, v);
}

Vector ScalarDivide(double d, const Vector& v) {
  return ScalarDivide<double>(d, v);
}

}  // namespace unionbound
