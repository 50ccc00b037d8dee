#include "kernels/index_range.h"

namespace unionbound {

IndexVector IndexRange(std::int32_t first, std::int32_t last) {
  IndexVector range;
  // Counting in 64 bits lets last be the largest 32-bit integer without an overflow.
  for (std::int64_t value = first; value <= last; ++value) {
    range.push_back(static_cast<std::int32_t>(value));
  }
  return range;
}

Vector SubVector(const Vector& v, const IndexVector& positions) {
  return SubVector<double>(v, positions);
}

}  // namespace unionbound
