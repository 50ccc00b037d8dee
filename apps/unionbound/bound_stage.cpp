#include "apps/unionbound/bound_stage.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>

#include "apps/unionbound/routine_messages.h"
#include "bounds/exact_check.h"
#include "bounds/solve_question.h"
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

// What the check of one side says on standard error, or the warning of an unchecked bound.
void ReportCheck(Side side, const CheckedSide& bound) {
  if (!bound.checked) {
    WarnIfNotABound(side, bound.walk.result);
  } else if (bound.checked->check == BoundCheck::kFoundExactly) {
    ReportExactFind(side, bound.walk, bound.checked->exact.result.value);
  } else if (bound.checked->check == BoundCheck::kUndecided) {
    std::cerr << kProgram << "the exact check of the " << Name(side)
              << " bound found no answer; the bound shown is unchecked" << std::endl;
  }
}

}  // namespace

BoundReport ComputeBounds(std::int32_t n, std::int32_t m, const Vector& S,
                          const SequenceOf<Rational>* exact_S, WalkStride stride) {
  const CheckedUnionBounds bounds =
      SolveUnionChecked(n, Vector(S.begin(), S.begin() + m + 1), exact_S, stride);
  for (const std::string& note : bounds.notes) {
    std::cerr << kProgram << note << std::endl;
  }
  // Each walk's linear-solve lines, then its check, in the order the walks ran; then the
  // solvers' own lines for the bounds shown without one.
  for (const auto& [side, bound] :
       {std::pair{Side::kLower, &bounds.lower}, std::pair{Side::kUpper, &bounds.upper}}) {
    const std::string solve_lines = LinSolveMessages(bound->walk.solve);
    if (!solve_lines.empty()) {
      std::cout << solve_lines << std::flush;
    }
    ReportCheck(side, *bound);
  }
  for (const CheckedSide* bound : {&bounds.lower, &bounds.upper}) {
    const std::string message = WalkEndMessage(bound->shown_end);
    if (!message.empty()) {
      std::cout << message << std::endl;
    }
  }
  BoundReport report;
  report.lower = bounds.lower.shown;
  report.upper = bounds.upper.shown;
  report.lower_time = bounds.lower.seconds;
  report.upper_time = bounds.upper.seconds;
  report.fits_no_distribution = bounds.fits_no_distribution;
  return report;
}

}  // namespace unionbound
