#pragma once

#include <cstdint>
#include <stdexcept>

#include "numeric/types.h"

namespace unionbound {

// first, first + 1, ..., last; empty when last < first.
IndexVector IndexRange(std::int32_t first, std::int32_t last);

// Entry k is v[positions[k]], in the order of positions, repeats kept. A position outside v
// is a caller's programming error: it throws std::out_of_range, which nothing catches.
template <class Number>
SequenceOf<Number> SubVector(const SequenceOf<Number>& v, const IndexVector& positions) {
  SequenceOf<Number> picked;
  for (std::int32_t position : positions) {
    if (position < 0) {
      throw std::out_of_range("SubVector: negative position");
    }
    picked.push_back(v.at(static_cast<std::size_t>(position)));
  }
  return picked;
}

// The double form, which also takes braced lists.
Vector SubVector(const Vector& v, const IndexVector& positions);

}  // namespace unionbound
