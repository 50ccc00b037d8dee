#include "kernels/index_range.h"

#include <stdexcept>

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
  Vector picked;
  for (std::int32_t position : positions) {
    if (position < 0) {
      throw std::out_of_range("SubVector: negative position");
    }
    picked.push_back(v.at(static_cast<std::size_t>(position)));
  }
  return picked;
}

}  // namespace unionbound
