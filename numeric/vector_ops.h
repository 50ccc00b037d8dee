#pragma once

#include <iostream>

#include "numeric/types.h"

namespace unionbound {

// Sum of a[i] * b[i] in increasing i, each step rounded. Different lengths: writes
// "Scalar product: wrong sizes!" bare to standard output and returns 0.
template <class Number>
Number ScalarProduct(const SequenceOf<Number>& a, const SequenceOf<Number>& b) {
  if (a.size() != b.size()) {
    std::cout << "Scalar product: wrong sizes!";
    return Number(0);
  }
  Number s(0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    s = a[i] * b[i] + s;
  }
  return s;
}

// Entry-wise sum. Different lengths: writes "wrong sizes of the vectors in vectsum" bare to
// standard output and returns an empty sequence.
template <class Number>
SequenceOf<Number> vectsum(const SequenceOf<Number>& a, const SequenceOf<Number>& b) {
  if (a.size() != b.size()) {
    std::cout << "wrong sizes of the vectors in vectsum";
    return {};
  }
  SequenceOf<Number> r;
  for (std::size_t i = 0; i < a.size(); ++i) {
    r.push_back(a[i] + b[i]);
  }
  return r;
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
double ScalarProduct(const Vector& a, const Vector& b);
Vector vectsum(const Vector& a, const Vector& b);
Vector ScalarMultiple(double c, const Vector& v);
Vector ScalarDivide(double d, const Vector& v);

}  // namespace unionbound
