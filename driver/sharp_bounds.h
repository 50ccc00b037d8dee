#pragma once

#include <cstdint>
#include <string>

#include "bounds/bound_solver.h"
#include "driver/clock.h"
#include "moments/power_moments.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

namespace unionbound {

// Every distribution on 0 .. n has binomial moments of order above n equal to 0, so those
// orders carry no information and the bounds use the orders 0 .. min(m, n). For m > n, the
// note that says so (without the program's name).
inline std::string OrdersAboveEventsNote(std::int32_t n, std::int32_t m) {
  return "note: m=" + std::to_string(m) + " is greater than n=" + std::to_string(n) +
         "; binomial moments of order above n are 0 for any " + std::to_string(n) +
         " events, so the bounds use the orders 0 to " + std::to_string(n);
}

// Both walks of one run, each with the seconds its call took.
template <class Number>
struct SharpBoundsOf {
  BoundWalkOf<Number> lower;
  BoundWalkOf<Number> upper;
  double lower_seconds = 0.0;
  double upper_seconds = 0.0;
};

namespace sharp_bounds_detail {

inline double SecondsSince(std::int32_t start) {
  return static_cast<double>(ElapsedMilliseconds() - start) * 0.001;
}

// Only a bound that was found is negated back: the undefined value of one that was not stays
// as it is (a NaN keeps its sign, so it never prints as "-nan").
template <class Number>
void NegateFound(BoundWalkOf<Number>& walk) {
  if (!walk.result.basis.empty()) {
    walk.result.value = -walk.result.value;
  }
}

}  // namespace sharp_bounds_detail

// The sharp lower and upper bounds on P(at least one of n events) from the binomial moments
// S_0 .. S_order (order <= n), in any number type: the nodes 0 .. n, the power moments T S and
// the objective (0, 1, ..., 1). For odd order the walks get the negated objective and their
// values are negated back, the lower bound coming from the maximum. Each call is timed from
// just before its arguments are prepared to just after its value is negated.
template <class Number>
SharpBoundsOf<Number> SolveSharpBounds(std::int32_t n, const SequenceOf<Number>& S) {
  using namespace sharp_bounds_detail;
  const auto order = static_cast<std::int32_t>(S.size()) - 1;
  const SequenceOf<Number> nodes = RealRange<Number>(Number(0), Number(n));
  const SequenceOf<Number> mu = MatrixTimesVector<Number>(BinomialToPowerMatrix<Number>(order), S);
  SequenceOf<Number> c(static_cast<std::size_t>(n), Number(1));
  c.push_front(Number(0));

  SharpBoundsOf<Number> bounds;
  const std::int32_t r = (order + 1) % 2;
  if (r == 1) {
    std::int32_t start = ElapsedMilliseconds();
    bounds.lower = WalkToBound<Number>(Goal::kMinimum, c, nodes, mu);
    bounds.lower_seconds = SecondsSince(start);
    start = ElapsedMilliseconds();
    bounds.upper = WalkToBound<Number>(Goal::kMaximum, c, nodes, mu);
    bounds.upper_seconds = SecondsSince(start);
  }
  if (r == 0) {
    std::int32_t start = ElapsedMilliseconds();
    bounds.lower =
        WalkToBound<Number>(Goal::kMaximum, ScalarMultiple<Number>(Number(-1), c), nodes, mu);
    NegateFound(bounds.lower);
    bounds.lower_seconds = SecondsSince(start);
    start = ElapsedMilliseconds();
    bounds.upper =
        WalkToBound<Number>(Goal::kMinimum, ScalarMultiple<Number>(Number(-1), c), nodes, mu);
    NegateFound(bounds.upper);
    bounds.upper_seconds = SecondsSince(start);
  }
  return bounds;
}

}  // namespace unionbound
