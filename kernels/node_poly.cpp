#include "kernels/node_poly.h"

#include <stdexcept>
#include <vector>

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

namespace {

void CheckNodePolyArguments(const Vector& a, const Vector& z, std::int32_t c) {
  if (a.empty()) {
    throw std::invalid_argument("NodePolyMoment: no coefficients");
  }
  if (c < 0 || static_cast<std::size_t>(c) >= z.size()) {
    throw std::out_of_range("NodePolyMoment: position outside the nodes");
  }
}

// Adds the product of every subset of w[start..] extended from `prefix` (a subset of `depth`
// entries) to sums[size of the subset], for sizes up to |sums| - 1. The walk is depth first with
// the positions increasing, so the subsets of each size arrive in lexicographic order of their
// positions, and each product is its prefix's product times one more entry: the same doubles,
// added in the same order, as multiplying every listed subset out from 1.0.
void AddSubsetProducts(const std::vector<double>& w, std::size_t start, std::size_t depth,
                       double prefix, std::vector<double>& sums) {
  const std::size_t size = depth + 1;
  for (std::size_t j = start; j < w.size(); ++j) {
    const double product = prefix * w[j];
    sums[size] = sums[size] + product;
    if (size + 1 < sums.size()) {
      AddSubsetProducts(w, j + 1, size, product, sums);
    }
  }
}

}  // namespace

double NodePolyMoment(const Vector& a, const Vector& z, std::int32_t c) {
  CheckNodePolyArguments(a, z, c);
  std::vector<double> negated;
  negated.reserve(z.size());
  for (std::size_t j = 0; j < z.size(); ++j) {
    if (j != static_cast<std::size_t>(c)) {
      negated.push_back(-1.0 * z[j]);
    }
  }
  const std::size_t top = a.size() - 1;
  // sums[i] is the elementary symmetric sum of degree i of the negated nodes; 0.0 where there
  // are fewer nodes than i, and that 0.0 still enters the result below.
  std::vector<double> sums(top + 1, 0.0);
  if (top >= 1) {
    AddSubsetProducts(negated, 0, 0, 1.0, sums);
  }
  double result = a[top];
  for (std::size_t i = 1; i <= top; ++i) {
    result = result + sums[i] * a[top - i];
  }
  return result;
}

double NodePolyMomentBySubsets(const Vector& a, const Vector& z, std::int32_t c) {
  CheckNodePolyArguments(a, z, c);
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
