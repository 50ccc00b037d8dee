#pragma once

#include <cstddef>
#include <utility>

#include "numeric/checked.h"
#include "numeric/number_traits.h"
#include "numeric/types.h"

namespace unionbound {

// Whether KSubsets could list subsets of the size asked for.
enum class SubsetsStatus { kListed, kNegativeSize };

namespace combinatorics_detail {

// KSubsets for k >= 0.
template <class Number>
MatrixOf<Number> ListSubsets(const SequenceOf<Number>& set, int k) {
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
    MatrixOf<Number> subsets = ListSubsets<Number>(rest, k);
    const MatrixOf<Number> with_first = ListSubsets<Number>(rest, k - 1);
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

}  // namespace combinatorics_detail

// Every k-element subset of the positions of `set`, each as the entries in position order, the
// subsets in lexicographic order of their positions. k < 0 gives no subsets and
// SubsetsStatus::kNegativeSize; k greater than |set| gives none, listed as asked.
template <class Number>
Checked<MatrixOf<Number>, SubsetsStatus> KSubsets(const SequenceOf<Number>& set, int k) {
  if (k < 0) {
    return {{}, SubsetsStatus::kNegativeSize};
  }
  return {combinatorics_detail::ListSubsets<Number>(set, k), SubsetsStatus::kListed};
}

// Whether IntPower has a value: a negative exponent yields no integer power, and 0^0 is not
// defined. The exponent is tested first.
enum class PowerStatus { kDefined, kNegativeExponent, kZeroToZero };

// x multiplied n times onto 1. Without a value (see PowerStatus) it gives the type's undefined
// value (a quiet not-a-number for double), which shows wherever it goes.
template <class Number>
Checked<Number, PowerStatus> IntPower(const Number& x, int n) {
  if (n < 0) {
    return {NumberTraits<Number>::Undefined(), PowerStatus::kNegativeExponent};
  }
  if (n == 0 && x == 0) {
    return {NumberTraits<Number>::Undefined(), PowerStatus::kZeroToZero};
  }
  Number r(1);
  for (int i = 0; i < n; ++i) {
    r = r * x;
  }
  return {r, PowerStatus::kDefined};
}

// The entries of VectorIntPower left without a value: how many, and why. The reason is the same
// for all of them: a negative exponent takes every entry's value, the exponent 0 every zero's.
struct PowersStatus {
  PowerStatus reason = PowerStatus::kDefined;
  std::size_t undefined_entries = 0;

  bool operator==(const PowersStatus&) const = default;
};

// IntPower of every entry.
template <class Number>
Checked<SequenceOf<Number>, PowersStatus> VectorIntPower(const SequenceOf<Number>& v, int n) {
  Checked<SequenceOf<Number>, PowersStatus> r{{}, {}};
  for (const Number& x : v) {
    Checked<Number, PowerStatus> power = IntPower<Number>(x, n);
    r.value.push_back(std::move(power.value));
    if (power.status != PowerStatus::kDefined) {
      r.status.reason = power.status;
      ++r.status.undefined_entries;
    }
  }
  return r;
}

// The double forms, which also take braced lists.
Checked<Matrix, SubsetsStatus> KSubsets(const Vector& set, int k);
Checked<double, PowerStatus> IntPower(double x, int n);
Checked<Vector, PowersStatus> VectorIntPower(const Vector& v, int n);

}  // namespace unionbound
