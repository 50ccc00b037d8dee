#pragma once

#include <utility>

#include "numeric/checked.h"
#include "numeric/types.h"

namespace unionbound {

// Whether the two operands of ScalarProduct or vectsum have one length.
enum class Lengths { kEqual, kDifferent };

// Sum of a[i] * b[i] in increasing i, each step rounded. Different lengths give 0 and
// Lengths::kDifferent.
template <class Number>
Checked<Number, Lengths> ScalarProduct(const SequenceOf<Number>& a, const SequenceOf<Number>& b) {
  if (a.size() != b.size()) {
    return {Number(0), Lengths::kDifferent};
  }
  Number s(0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    s = a[i] * b[i] + s;
  }
  return {s, Lengths::kEqual};
}

// Entry-wise sum. Different lengths give an empty sequence and Lengths::kDifferent.
template <class Number>
Checked<SequenceOf<Number>, Lengths> vectsum(const SequenceOf<Number>& a,
                                             const SequenceOf<Number>& b) {
  if (a.size() != b.size()) {
    return {{}, Lengths::kDifferent};
  }
  SequenceOf<Number> r;
  for (std::size_t i = 0; i < a.size(); ++i) {
    r.push_back(a[i] + b[i]);
  }
  return {std::move(r), Lengths::kEqual};
}

// c * v[i] for every entry.
template <class Number>
SequenceOf<Number> ScalarMultiple(const Number& c, const SequenceOf<Number>& v) {
  SequenceOf<Number> r;
  for (const Number& x : v) {
    r.push_back(c * x);
  }
  return r;
}

// v[i] / d for every entry; d is the divisor and is not tested.
template <class Number>
SequenceOf<Number> ScalarDivide(const Number& d, const SequenceOf<Number>& v) {
  SequenceOf<Number> r;
  for (const Number& x : v) {
    r.push_back(x / d);
  }
  return r;
}

// The double forms, which also take braced lists.
Checked<double, Lengths> ScalarProduct(const Vector& a, const Vector& b);
Checked<Vector, Lengths> vectsum(const Vector& a, const Vector& b);
Vector ScalarMultiple(double c, const Vector& v);
Vector ScalarDivide(double d, const Vector& v);

}  // namespace unionbound
