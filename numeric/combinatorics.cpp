#include "numeric/combinatorics.h"

#include <iostream>
#include <limits>

namespace unionbound {

Matrix KSubsets(const Vector& set, int k) {
  if (k < 0) {
    std::cout << "in KSubsets, k<0";
    return {};
  }
  const std::size_t count = set.size();
  const auto size = static_cast<std::size_t>(k);
  if (k == 1) {
    Matrix singles;
    for (double x : set) {
      singles.push_back(Vector{x});
    }
    return singles;
  }
  if (k == 0) {
    return Matrix{Vector{}};
  }
  if (size == count && count >= 2) {
    return Matrix{set};
  }
  if (size < count) {
    const Vector rest(set.begin() + 1, set.end());
    Matrix subsets = KSubsets(rest, k);
    const Matrix with_first = KSubsets(rest, k - 1);
    // Prepending the subsets that hold the first entry, last to first, puts them in front in
    // their own order.
    for (auto it = with_first.rbegin(); it != with_first.rend(); ++it) {
      Vector subset = *it;
      subset.push_front(set.front());
      subsets.push_front(std::move(subset));
    }
    return subsets;
  }
  return {};
}

double IntPower(double x, int n) {
  if (n < 0) {
    std::cout << "negative exponent does not yield integer" << std::endl;
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (n == 0 && x == 0.0) {
    std::cout << "zero^zero is not defined" << std::endl;
    return std::numeric_limits<double>::quiet_NaN();
  }
  double r = 1.0;
  for (int i = 0; i < n; ++i) {
    r = r * x;
  }
  return r;
}

Vector VectorIntPower(const Vector& v, int n) {
  Vector r;
  for (double x : v) {
    r.push_back(IntPower(x, n));
  }
  return r;
}

}  // namespace unionbound
