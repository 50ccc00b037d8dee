#pragma once

#include <cstdint>

#include "numeric/types.h"

namespace unionbound {

// first, first + 1, ..., last; empty when last < first.
IndexVector IndexRange(std::int32_t first, std::int32_t last);

// Entry k is v[positions[k]], in the order of positions, repeats kept. A position outside v
// is a caller's programming error: it throws std::out_of_range, which nothing catches.
Vector SubVector(const Vector& v, const IndexVector& positions);

}  // namespace unionbound
