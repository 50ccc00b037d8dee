#pragma once

#include "numeric/number_traits.h"
#include "numeric/types.h"

namespace unionbound {

// What a bound solver returns. When no bound was found, basis and solution are empty and value
// is the type's undefined value (a quiet not-a-number for double).
template <class Number>
struct BoundResultOf {
  Number value = NumberTraits<Number>::Undefined();
  IndexVector basis;
  SequenceOf<Number> solution;
};

using BoundResult = BoundResultOf<double>;

}  // namespace unionbound
