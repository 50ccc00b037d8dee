#include "kernels/node_poly.h"

namespace unionbound {

Matrix PowerMatrix(const Vector& z, std::int32_t m) {
  return PowerMatrix<double>(z, m);
}

double NodePolyMoment(const Vector& a, const Vector& z, std::int32_t c) {
  return NodePolyMoment<double>(a, z, c);
}

double NodePolyMomentBySubsets(const Vector& a, const Vector& z, std::int32_t c) {
  return NodePolyMomentBySubsets<double>(a, z, c);
}

}  // namespace unionbound
