#include "apps/unionbound/bound_stage.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>

#include "apps/unionbound/routine_messages.h"
#include "bounds/clock.h"
#include "bounds/exact_check.h"
#include "bounds/sharp_bounds.h"
#include "numeric/rounded_decimal.h"

namespace unionbound {
namespace {

constexpr const char* kProgram = "unionbound: ";

const char* Name(Side side) {
  return side == Side::kLower ? "lower" : "upper";
}

// Without the exact check: a basic solution with a negative entry, or a value outside [0, 1],
// means that the moments belong to no probability distribution, or that rounding spoiled the
// solve; either way the printed figure is not a bound.
void WarnIfNotABound(Side side, const BoundResult& bound) {
  if (bound.basis.empty()) {
    return;
  }
  const auto negative = std::find_if(bound.solution.begin(), bound.solution.end(),
                                     [](double x) { return !(x >= 0.0); });
  const bool outside = !(bound.value >= 0.0 && bound.value <= 1.0);
  if (negative == bound.solution.end() && !outside) {
    return;
  }
  std::cerr << kProgram << "warning: ";
  std::cerr.precision(17);
  if (negative != bound.solution.end()) {
    const auto position = static_cast<std::size_t>(negative - bound.solution.begin());
    std::cerr << "the " << Name(side) << " bound's basic solution has the entry " << *negative
              << " at subscript " << bound.basis[position];
  } else {
    std::cerr << "the " << Name(side) << " bound " << bound.value << " lies outside [0, 1]";
  }
  std::cerr << ": the moments fit no probability distribution, or rounding spoiled the solve; "
               "the figure is not a bound"
            << std::endl;
}

// Why the double walk's own bound was not shown.
void ReportExactFind(Side side, const BoundWalk& double_walk, const Rational& exact) {
  std::cerr << kProgram << "the double-precision walk for the " << Name(side) << " bound ";
  if (double_walk.end != WalkEnd::kOptimal) {
    std::cerr << (double_walk.end == WalkEnd::kRepeated ? "repeated a basis"
                                                        : "found no feasible solution");
  } else {
    const double value = double_walk.result.value;
    std::cerr.precision(17);
    std::cerr << "drifted to " << value;
    // A not-a-number or an infinity has no exact value to measure the drift by.
    if (std::isfinite(value)) {
      std::cerr << ", " << RoundedDecimal(abs(Rational(value) - exact), 2)
                << " from the exact optimum";
    }
    if (!(value >= 0.0 && value <= 1.0)) {
      std::cerr << (std::isfinite(value) ? " and" : ",") << " outside [0, 1]";
    }
  }
  std::cerr << "; the bound shown was found in exact arithmetic" << std::endl;
}

struct TimedBound {
  BoundResult result;
  double seconds = 0.0;
  bool no_distribution = false;
  WalkEnd shown_end = WalkEnd::kRefused;
};

// One bound: the double walk, then its exact check when the exact program is given, timed
// together from just before the walk's arguments are prepared.
TimedBound ComputeBound(Side side, const UnionProgramOf<double>& program,
                        const SequenceOf<Rational>* exact_S, std::int32_t n,
                        std::optional<UnionProgramOf<Rational>>& exact_program) {
  TimedBound bound;
  const std::int32_t start = ElapsedMilliseconds();
  const BoundWalk walk = WalkToSharpBound<double>(side, program);
  // The solve's lines belong to this walk: before the next walk's and before the end lines.
  const std::string solve_lines = LinSolveMessages(walk.solve);
  if (!solve_lines.empty()) {
    std::cout << solve_lines << std::flush;
  }
  bound.result = walk.result;
  bound.shown_end = walk.end;
  if (exact_S != nullptr) {
    if (!exact_program) {
      exact_program = UnionProgram<Rational>(n, *exact_S);
    }
    const CheckedBound checked = CheckSharpBound(side, walk, *exact_program);
    bound.result = checked.shown.result;
    bound.shown_end = checked.shown.end;
    bound.no_distribution = checked.check == BoundCheck::kNoDistribution;
    if (checked.check == BoundCheck::kFoundExactly) {
      ReportExactFind(side, walk, checked.exact.result.value);
    } else if (checked.check == BoundCheck::kUndecided) {
      std::cerr << kProgram << "the exact check of the " << Name(side)
                << " bound found no answer; the bound shown is unchecked" << std::endl;
    }
  } else {
    WarnIfNotABound(side, walk.result);
  }
  bound.seconds = static_cast<double>(ElapsedMilliseconds() - start) * 0.001;
  return bound;
}

}  // namespace

BoundReport ComputeBounds(std::int32_t n, std::int32_t m, const Vector& S,
                          const SequenceOf<Rational>* exact_S) {
  const std::int32_t order = std::min(m, n);
  if (m > n) {
    std::cerr << kProgram << OrdersAboveEventsNote(n, m) << std::endl;
  }
  const UnionProgramOf<double> program =
      UnionProgram<double>(n, Vector(S.begin(), S.begin() + order + 1));
  std::optional<SequenceOf<Rational>> exact_orders;
  if (exact_S != nullptr) {
    exact_orders.emplace(exact_S->begin(), exact_S->begin() + order + 1);
  }
  std::optional<UnionProgramOf<Rational>> exact_program;
  const SequenceOf<Rational>* exact = exact_orders ? &*exact_orders : nullptr;
  const TimedBound lower = ComputeBound(Side::kLower, program, exact, n, exact_program);
  const TimedBound upper = ComputeBound(Side::kUpper, program, exact, n, exact_program);

  // The solvers' own lines, for the bounds shown without one, in the order the walks ran.
  for (const TimedBound* bound : {&lower, &upper}) {
    const std::string message = WalkEndMessage(bound->shown_end);
    if (!message.empty()) {
      std::cout << message << std::endl;
    }
  }
  BoundReport report;
  report.lower = lower.result;
  report.upper = upper.result;
  report.lower_time = lower.seconds;
  report.upper_time = upper.seconds;
  report.fits_no_distribution = lower.no_distribution || upper.no_distribution;
  return report;
}

}  // namespace unionbound
