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

Run RunOf(const IndexVector& basis, std::int32_t p, std::int32_t e, std::int32_t n) {
  const auto m = static_cast<std::int32_t>(basis.size()) - 1;
  const auto at = [&basis](std::int32_t position) {
    return static_cast<std::int64_t>(basis[static_cast<std::size_t>(position)]);
  };
  Run run;
  if (e > at(p)) {
    // The block is basis[p] .. e - 1; e is the first subscript above it not in the basis.
    const std::int32_t k = e - basis[static_cast<std::size_t>(p)];
    run = {p, p + k - 1, 1, 0};
    // Either the next subscript above stops the block, or n does (the fallback past the end).
    run.length = p + k <= m ? at(p + k) - at(p) - k : n - at(p) - k + 1;
  } else {
    const std::int32_t k = basis[static_cast<std::size_t>(p)] - e;
    run = {p - k + 1, p, -1, 0};
    run.length = p - k >= 0 ? at(p) - k - at(p - k) : at(p) - k + 1;
  }
  return run;
}

IndexVector ShiftedBasis(IndexVector basis, const Run& run, std::int64_t t) {
  for (std::int32_t position = run.first; position <= run.last; ++position) {
    basis[static_cast<std::size_t>(position)] += static_cast<std::int32_t>(run.shift * t);
  }
  return basis;
}

std::int64_t StepsAlong(const IndexVector& from, const Run& run, const IndexVector& to) {
  if (from.size() != to.size()) {
    return kNone;
  }
  // Every position of the block has moved by the same t, every other one not at all.
  const auto first = static_cast<std::size_t>(run.first);
  const std::int64_t t =
      (static_cast<std::int64_t>(to[first]) - from[first]) * run.shift;  // shift is +-1
  if (t < 1) {
    return kNone;
  }
  for (std::size_t position = 0; position < from.size(); ++position) {
    const bool moves = position >= first && position <= static_cast<std::size_t>(run.last);
    if (to[position] != from[position] + (moves ? run.shift * t : 0)) {
      return kNone;
    }
  }
  return t;
}

}  // namespace unionbound::basis_rules
