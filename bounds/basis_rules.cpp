#include "bounds/basis_rules.h"

#include "kernels/index_range.h"

namespace unionbound::basis_rules {

// For the minimum with m + 1 odd, an even position scans down without a fallback, so position
// 0 finds nothing.
Variant VariantFor(Goal goal, std::int32_t n, std::int32_t m) {
  const bool size_even = (m + 1) % 2 == 0;
  constexpr EnteringRule kDownFallback{false, true};
  constexpr EnteringRule kUpFallback{true, true};
  constexpr EnteringRule kDownOnly{false, false};
  constexpr EnteringRule kUpOnly{true, false};
  if (goal == Goal::kMinimum) {
    if (size_even) {
      return {IndexRange(0, m), 0, kDownFallback, kUpFallback};
    }
    return {IndexRange(0, m), 0, kUpFallback, kDownOnly};
  }
  IndexVector start = IndexRange(0, m - 1);
  start.push_back(n);
  if (size_even) {
    return {start, 1, kUpOnly, kDownOnly};
  }
  return {start, 0, kDownFallback, kUpFallback};
}

std::int32_t EnteringSubscript(const IndexVector& basis, std::int32_t p, EnteringRule rule,
                               std::int32_t n) {
  const auto m = static_cast<std::int32_t>(basis.size()) - 1;
  const auto at = [&basis](std::int32_t position) {
    return basis[static_cast<std::size_t>(position)];
  };
  if (rule.scan_up) {
    for (std::int32_t t = 1; t <= m - p; ++t) {
      if (at(p + t) != at(p) + t) {
        return at(p) + t;
      }
    }
    return rule.fallback && at(m) < n ? at(m) + 1 : kNone;
  }
  for (std::int32_t t = 1; t <= p; ++t) {
    if (at(p - t) != at(p) - t) {
      return at(p) - t;
    }
  }
  return rule.fallback && at(0) >= 1 ? at(0) - 1 : kNone;
}

IndexVector ChangeBasis(IndexVector basis, std::int32_t p, std::int32_t e) {
  const std::int32_t old = basis[static_cast<std::size_t>(p)];
  if (e < old) {
    basis.insert(basis.begin() + (p - (old - e) + 1), e);
    basis.erase(basis.begin() + (p + 1));
  } else {
    basis.insert(basis.begin() + (p + (e - old)), e);
    basis.erase(basis.begin() + p);
  }
  return basis;
}

}  // namespace unionbound::basis_rules
