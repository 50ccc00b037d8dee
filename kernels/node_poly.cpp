#include "kernels/node_poly.h"

#include <stdexcept>

#include "numeric/combinatorics.h"
#include "numeric/vector_ops.h"

namespace unionbound {

Matrix PowerMatrix(const Vector& z, std::int32_t m) {
  Matrix powers;
  powers.push_back(Vector(z.size(), 1.0));
  for (std::int32_t i = 1; i <= m; ++i) {
    powers.push_back(VectorIntPower(z, i));
  }
  return powers;
}

double NodePolyMoment(const Vector& a, const Vector& z, std::int32_t c) {
  if (a.empty()) {
    throw std::invalid_argument("NodePolyMoment: no coefficients");
  }
  if (c < 0 || static_cast<std::size_t>(c) >= z.size()) {
    throw std::out_of_range("NodePolyMoment: position outside the nodes");
  }
  Vector rest = z;
  rest.erase(rest.begin() + c);

  const auto top = static_cast<std::int32_t>(a.size()) - 1;
  double result = a[static_cast<std::size_t>(top)];
  for (std::int32_t i = 1; i <= top; ++i) {
    const Vector negated = ScalarMultiple(-1.0, rest);
    double sum = 0.0;
    for (const Vector& subset : KSubsets(negated, i)) {
      double product = 1.0;
      for (double entry : subset) {
        product = product * entry;
      }
      sum = sum + product;
    }
    result = result + sum * a[static_cast<std::size_t>(top - i)];
  }
  return result;
}

}  // namespace unionbound
