#pragma once

#include <iostream>
#include <utility>

#include "numeric/number_traits.h"
#include "numeric/types.h"

namespace unionbound {

// Every k-element subset of the positions of `set`, each as the entries in position order, the
// subsets in lexicographic order of their positions. k < 0 writes "in KSubsets, k<0" bare to
// standard output and returns no subsets; k greater than |set| returns none silently.
template <class Number>
MatrixOf<Number> KSubsets(const SequenceOf<Number>& set, int k) {
  if (k < 0) {
    std::cout << "in KSubsets, k<0";
    return {};
  }
  const std::size_t count = set.size();
  const auto size = static_cast<std::size_t>(k);
  if (k == 1) {
    MatrixOf<Number> singles;
    for (const Number& x : set) {
      singles.push_back(SequenceOf<Number>{x});
    }
    return singles;
  }
  if (k == 0) {
    return MatrixOf<Number>{SequenceOf<Number>{}};
  }
  if (size == count && count >= 2) {
    return MatrixOf<Number>{set};
  }
  if (size < count) {
    const SequenceOf<Number> rest(set.begin() + 1, set.end());
    MatrixOf<Number> subsets = KSubsets<Number>(rest, k);
    const MatrixOf<Number> with_first = KSubsets<Number>(rest, k - 1);
    // Prepending the subsets that hold the first entry, last to first, puts them in front in
    // their own order.
    for (auto it = with_first.rbegin(); it != with_first.rend(); ++it) {
      SequenceOf<Number> subset = *it;
      subset.push_front(set.front());
      subsets.push_front(std::move(subset));
    }
    return subsets;
  }
  return {};
}

// x multiplied n times onto 1. After "negative exponent does not yield integer" (n < 0) or
// "zero^zero is not defined" (n = 0, x = +-0), each followed by a line end, it returns the
// type's undefined value (a quiet not-a-number for double): neither has a value, and a NaN
// shows that wherever it goes.
template <class Number>
Number IntPower(const Number& x, int n) {
  if (n < 0) {
    std::cout << "negative exponent does not yield integer" << std::endl;
    return NumberTraits<Number>::Undefined();
  }
  if (n == 0 && x == 0) {
    std::cout << "zero^zero is not defined" << std::endl;
    return NumberTraits<Number>::Undefined();
  }
  Number r(1);
  for (int i = 0; i < n; ++i) {
    r = r * x;
  }
  return r;
}

// IntPower of every entry, the messages once per offending entry.
template <class Number>
SequenceOf<Number> VectorIntPower(const SequenceOf<Number>& v, int n) {
  SequenceOf<Number> r;
  for (const Number& x : v) {
    r.push_back(IntPower<Number>(x, n));
  }
  return r;
}

// The double forms, which also take braced lists.
Matrix KSubsets(const Vector& set, int k);
double IntPower(double x, int n);
Vector VectorIntPower(const Vector& v, int n);

}  // namespace unionbound
