#include "driver/bound_stage.h"

#include <algorithm>
#include <iostream>

#include "bounds/bound_solver.h"
#include "driver/clock.h"
#include "moments/power_moments.h"
#include "numeric/vector_ops.h"

namespace unionbound {
namespace {

double SecondsSince(std::int32_t start) {
  return static_cast<double>(ElapsedMilliseconds() - start) * 0.001;
}

void NegateFound(BoundResult& bound) {
  if (!bound.basis.empty()) {
    bound.value = -bound.value;
  }
}

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
    std::cerr << "unionbound: note: m=" << m << " is greater than n=" << n
              << "; binomial moments of order above n are 0 for any " << n
              << " events, so the bounds use the orders 0 to " << n << std::endl;
  }
  const Vector nodes = RealRange(0.0, static_cast<double>(n));
  const Vector moments(S.begin(), S.begin() + order + 1);
  const Vector mu = MatrixTimesVector(BinomialToPowerMatrix(order), moments);
  Vector c(static_cast<std::size_t>(n), 1.0);
  c.push_front(0.0);

  BoundReport report;
  const std::int32_t r = (order + 1) % 2;
  if (r == 1) {
    std::int32_t start = ElapsedMilliseconds();
    report.lower = MinimumBound(c, nodes, mu);
    report.lower_time = SecondsSince(start);
    start = ElapsedMilliseconds();
    report.upper = MaximumBound(c, nodes, mu);
    report.upper_time = SecondsSince(start);
  }
  if (r == 0) {
    std::int32_t start = ElapsedMilliseconds();
    report.lower = MaximumBound(ScalarMultiple(-1.0, c), nodes, mu);
    NegateFound(report.lower);
    report.lower_time = SecondsSince(start);
    start = ElapsedMilliseconds();
    report.upper = MinimumBound(ScalarMultiple(-1.0, c), nodes, mu);
    NegateFound(report.upper);
    report.upper_time = SecondsSince(start);
  }
  WarnIfNotABound("lower", report.lower);
  WarnIfNotABound("upper", report.upper);
  return report;
}

}  // namespace unionbound
