#include "driver/bound_stage.h"

#include <algorithm>
#include <iostream>

#include "driver/sharp_bounds.h"

namespace unionbound {
namespace {

// A basic solution with a negative entry, or a value outside [0, 1], means that the moments
// belong to no probability distribution, or that rounding spoiled the solve (values a few units
// in the last place beyond 1 happen): either way the printed figure is not a bound.
void WarnIfNotABound(const char* which, const BoundResult& bound) {
  if (bound.basis.empty()) {
    return;
  }
  const auto negative = std::find_if(bound.solution.begin(), bound.solution.end(),
                                     [](double x) { return !(x >= 0.0); });
  const bool outside = !(bound.value >= 0.0 && bound.value <= 1.0);
  if (negative == bound.solution.end() && !outside) {
    return;
  }
  std::cerr << "unionbound: warning: ";
  std::cerr.precision(17);
  if (negative != bound.solution.end()) {
    const auto position = static_cast<std::size_t>(negative - bound.solution.begin());
    std::cerr << "the " << which << " bound's basic solution has the entry " << *negative
              << " at subscript " << bound.basis[position];
  } else {
    std::cerr << "the " << which << " bound " << bound.value << " lies outside [0, 1]";
  }
  std::cerr << ": the moments fit no probability distribution, or rounding spoiled the solve; "
               "the figure is not a bound"
            << std::endl;
}

}  // namespace

BoundReport ComputeBounds(std::int32_t n, std::int32_t m, const Vector& S) {
  const std::int32_t order = std::min(m, n);
  if (m > n) {
    std::cerr << "unionbound: " << OrdersAboveEventsNote(n, m) << std::endl;
  }
  const SharpBoundsOf<double> bounds =
      SolveSharpBounds<double>(n, Vector(S.begin(), S.begin() + order + 1));
  BoundReport report;
  report.lower = bounds.lower.result;
  report.upper = bounds.upper.result;
  report.lower_time = bounds.lower_seconds;
  report.upper_time = bounds.upper_seconds;
  WarnIfNotABound("lower", report.lower);
  WarnIfNotABound("upper", report.upper);
  if (bounds.lower.end != WalkEnd::kOptimal || bounds.upper.end != WalkEnd::kOptimal) {
    std::cerr << "unionbound: hint: rounding can stop this walk short of a bound that exists; "
                 "unionbound-batch --exact solves the same data in exact arithmetic"
              << std::endl;
  }
  return report;
}

}  // namespace unionbound
