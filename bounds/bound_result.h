#pragma once

#include <limits>

#include "numeric/types.h"

namespace unionbound {

// What a bound solver returns. When no bound was found, basis and solution are empty and value
// is a quiet not-a-number.
struct BoundResult {
  double value = std::numeric_limits<double>::quiet_NaN();
  IndexVector basis;
  Vector solution;
};

}  // namespace unionbound
