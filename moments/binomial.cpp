#include "moments/binomial.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace unionbound {
namespace {

constexpr std::int64_t kSaturated = std::numeric_limits<std::int64_t>::max();

}  // namespace

std::int64_t BinomialCount(std::int32_t n, std::int32_t i) {
  if (n < i) {
    return 0;
  }
  __extension__ using Wide = __int128;
  Wide c = 1;
  for (std::int32_t j = 1; j <= i; ++j) {
    // c is C(n - i + j - 1, j - 1) here and only grows with j, so once it passes the 64-bit
    // range the result does too; below that bound the product fits 128 bits.
    if (c > kSaturated) {
      return kSaturated;
    }
    c = (c * (static_cast<Wide>(n) - i + j)) / j;
  }
  return c > kSaturated ? kSaturated : static_cast<std::int64_t>(c);
}

std::int32_t Binomial(std::int32_t n, std::int32_t i) {
  const std::int64_t c = BinomialCount(n, i);
  if (c > std::numeric_limits<std::int32_t>::max()) {
    throw std::overflow_error("Binomial: coefficient outside the 32-bit range");
  }
  return static_cast<std::int32_t>(c);
}

std::int64_t ProbabilityCount(std::int32_t n, std::int32_t m) {
  std::int64_t total = 0;
  // Orders above n contribute nothing, so the loop never runs past n.
  const std::int32_t top = std::min(m, n);
  for (std::int32_t i = 1; i <= top; ++i) {
    const std::int64_t c = BinomialCount(n, i);
    if (c > kSaturated - total) {
      return kSaturated;
    }
    total += c;
  }
  return total;
}

}  // namespace unionbound
