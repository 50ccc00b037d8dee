#include "numeric/vector_ops.h"

#include <iostream>

namespace unionbound {

double ScalarProduct(const Vector& a, const Vector& b) {
  if (a.size() != b.size()) {
    std::cout << "Scalar product: wrong sizes!";
    return 0.0;
  }
  double s = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    s = a[i] * b[i] + s;
  }
  return s;
}

Vector vectsum(const Vector& a, const Vector& b) {
  if (a.size() != b.size()) {
    std::cout << "wrong sizes of the vectors in vectsum";
    return {};
  }
  Vector r;
  for (std::size_t i = 0; i < a.size(); ++i) {
    r.push_back(a[i] + b[i]);
  }
  return r;
}

Vector ScalarMultiple(double c, const Vector& v) {
  Vector r;
  for (double x : v) {
    r.push_back(c * x);
  }
  return r;
}

Vector ScalarDivide(double d, const Vector& v) {
  Vector r;
  for (double x : v) {
    r.push_back(x / d);
  }
  return r;
}

}  // namespace unionbound
