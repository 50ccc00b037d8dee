#pragma once

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "numeric/combinatorics.h"
#include "numeric/number_traits.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

namespace unionbound {

// The powers 0 .. max(m, 0) of the nodes: row 0 all 1 (never computed as a power, so a node 0
// is never raised to 0 and every power has a value), row i the i-th powers, column j belonging
// to node z[j].
template <class Number>
MatrixOf<Number> PowerMatrix(const SequenceOf<Number>& z, std::int32_t m) {
  MatrixOf<Number> powers;
  powers.push_back(SequenceOf<Number>(z.size(), Number(1)));
  for (std::int32_t i = 1; i <= m; ++i) {
    powers.push_back(VectorIntPower<Number>(z, i).value);
  }
  return powers;
}

namespace node_poly_detail {

template <class Number>
void CheckArguments(const SequenceOf<Number>& a, const SequenceOf<Number>& z, std::int32_t c) {
  if (a.empty()) {
    throw std::invalid_argument("NodePolyMoment: no coefficients");
  }
  if (c < 0 || static_cast<std::size_t>(c) >= z.size()) {
    throw std::out_of_range("NodePolyMoment: position outside the nodes");
  }
}

// The nodes other than z[c], negated.
template <class Number>
std::vector<Number> NegatedOthers(const SequenceOf<Number>& z, std::int32_t c) {
  std::vector<Number> negated;
  negated.reserve(z.size());
  for (std::size_t j = 0; j < z.size(); ++j) {
    if (j != static_cast<std::size_t>(c)) {
      negated.push_back(Number(-1) * z[j]);
    }
  }
  return negated;
}

// Adds the product of every subset of w[start..] extended from `prefix` (a subset of `depth`
// entries) to sums[size of the subset], for sizes up to |sums| - 1. The walk is depth first
// with the positions increasing, so the subsets of each size arrive in lexicographic order of
// their positions, and each product is its prefix's product times one more entry: the same
// numbers, added in the same order, as multiplying every listed subset out from 1.
template <class Number>
void AddSubsetProducts(const std::vector<Number>& w, std::size_t start, std::size_t depth,
                       const Number& prefix, std::vector<Number>& sums) {
  const std::size_t size = depth + 1;
  for (std::size_t j = start; j < w.size(); ++j) {
    const Number product = prefix * w[j];
    sums[size] = sums[size] + product;
    if (size + 1 < sums.size()) {
      AddSubsetProducts(w, j + 1, size, product, sums);
    }
  }
}

// sums[i] = e_i(w) for i = 0 .. top, each formed as the rounding order of the subset
// enumeration requires (double), or by the recurrence over the factors (x + w_j), which is
// quadratic instead of exponential and equal where arithmetic is exact.
template <class Number>
std::vector<Number> SymmetricSums(const std::vector<Number>& w, std::size_t top) {
  std::vector<Number> sums(top + 1, Number(0));
  if constexpr (NumberTraits<Number>::kExact) {
    sums[0] = Number(1);
    for (std::size_t j = 0; j < w.size(); ++j) {
      for (std::size_t i = std::min(top, j + 1); i >= 1; --i) {
        sums[i] = sums[i] + sums[i - 1] * w[j];
      }
    }
  } else if (top >= 1) {
    AddSubsetProducts(w, 0, 0, Number(1), sums);
  }
  return sums;
}

}  // namespace node_poly_detail

// With K = |a| - 1 and r = z without entry c: a[K] + sum over i = 1 .. K of a[K - i] times
// e_i(-r). For double each elementary symmetric sum is taken over the subsets of -r in
// lexicographic order with products left to right; exact types use the recurrence. Applied to
// the moments of a basis this is the numerator of basic value c. |a| = 0 or c outside z is a
// caller's programming error and throws.
template <class Number>
Number NodePolyMoment(const SequenceOf<Number>& a, const SequenceOf<Number>& z, std::int32_t c) {
  using namespace node_poly_detail;
  CheckArguments(a, z, c);
  const std::size_t top = a.size() - 1;
  // sums[i] is 0 where there are fewer nodes than i, and that 0 still enters the result below.
  const std::vector<Number> sums = SymmetricSums(NegatedOthers(z, c), top);
  Number result = a[top];
  for (std::size_t i = 1; i <= top; ++i) {
    result = result + sums[i] * a[top - i];
  }
  return result;
}

// The same value formed literally: for each degree the subsets listed by KSubsets, each
// multiplied out from 1. Bit for bit equal to NodePolyMoment for double, whose depth-first
// walk shares the prefix products instead of listing the subsets; kept as its reference.
template <class Number>
Number NodePolyMomentBySubsets(const SequenceOf<Number>& a, const SequenceOf<Number>& z,
                               std::int32_t c) {
  node_poly_detail::CheckArguments(a, z, c);
  SequenceOf<Number> rest = z;
  rest.erase(rest.begin() + c);

  const auto top = static_cast<std::int32_t>(a.size()) - 1;
  Number result = a[static_cast<std::size_t>(top)];
  for (std::int32_t i = 1; i <= top; ++i) {
    const SequenceOf<Number> negated = ScalarMultiple<Number>(Number(-1), rest);
    Number sum(0);
    for (const SequenceOf<Number>& subset : KSubsets<Number>(negated, i).value) {
      Number product(1);
      for (const Number& entry : subset) {
        product = product * entry;
      }
      sum = sum + product;
    }
    result = result + sum * a[static_cast<std::size_t>(top - i)];
  }
  return result;
}

// Coefficients, lowest degree first, of prod over j of (x - z_j): degree |z|, leading 1.
// Exact types judge a whole basis from this one product (see NumeratorFromProduct) in
// O(|z|^2) operations instead of O(|z|^3) for every position by itself.
template <class Number>
std::vector<Number> NodeProduct(const SequenceOf<Number>& z) {
  std::vector<Number> product{Number(1)};
  for (const Number& node : z) {
    // Times (x - node), from the top down so that each old coefficient is read before it is
    // overwritten.
    product.push_back(Number(0));
    for (std::size_t t = product.size() - 1; t >= 1; --t) {
      product[t] = product[t - 1] - node * product[t];
    }
    product[0] = Number(-1) * node * product[0];
  }
  return product;
}

// sum over t of a[t] times the coefficient of x^t in product / (x - root), root a zero of the
// product: with product = NodeProduct(z) and root = z[c] this is NodePolyMoment(a, z, c) for
// |a| = |z| (the walk's case), exactly, by one synthetic division.
template <class Number>
Number NumeratorFromProduct(const SequenceOf<Number>& a, const std::vector<Number>& product,
                            const Number& root) {
  const std::size_t degree = product.size() - 1;  // the quotient has degree - 1
  Number quotient = product[degree];              // the leading coefficient, of x^(degree - 1)
  Number result(0);
  for (std::size_t t = degree; t-- > 0;) {
    if (t < a.size()) {
      result = result + a[t] * quotient;
    }
    if (t > 0) {
      quotient = product[t] + root * quotient;
    }
  }
  return result;
}

// The double forms, which also take braced lists.
Matrix PowerMatrix(const Vector& z, std::int32_t m);
double NodePolyMoment(const Vector& a, const Vector& z, std::int32_t c);
double NodePolyMomentBySubsets(const Vector& a, const Vector& z, std::int32_t c);

}  // namespace unionbound
