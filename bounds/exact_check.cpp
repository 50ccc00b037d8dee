#include "bounds/exact_check.h"

#include "bounds/moment_program.h"

namespace unionbound {
namespace {

bool Acceptable(const BoundWalk& walk, const Rational& exact_value) {
  if (walk.end != WalkEnd::kOptimal || !(walk.result.value >= 0.0 && walk.result.value <= 1.0)) {
    return false;
  }
  return abs(Rational(walk.result.value) - exact_value) <= kCheckTolerance;
}

BoundWalk Rounded(const BoundWalkOf<Rational>& exact) {
  BoundWalk walk;
  walk.end = exact.end;
  walk.basis_changes = exact.basis_changes;
  walk.last_basis = exact.last_basis;
  walk.result.basis = exact.result.basis;
  walk.result.value = NearestDouble(exact.result.value);
  for (const Rational& x : exact.result.solution) {
    walk.result.solution.push_back(NearestDouble(x));
  }
  return walk;
}

// One variant of the walk never tests position 0, so a walk can end "optimal" on a basis whose
// value there is negative. In exact arithmetic that happens only on moments that no
// distribution has: such a basis is no feasible point, and the walk found no bound.
BoundWalkOf<Rational> FeasibleOrNone(BoundWalkOf<Rational> walk) {
  if (walk.end == WalkEnd::kOptimal) {
    for (const Rational& x : walk.result.solution) {
      if (sgn(x) < 0) {
        walk.end = WalkEnd::kInfeasible;
        walk.result = BoundResultOf<Rational>{};
        break;
      }
    }
  }
  return walk;
}

}  // namespace

BoundWalkOf<Rational> ExactSharpBound(Side side, const UnionProgramOf<Rational>& program,
                                      const IndexVector* start, WalkStride stride) {
  if (start != nullptr && !start->empty()) {
    BoundWalkOf<Rational> walk =
        FeasibleOrNone(WalkToSharpBound<Rational>(side, program, start, stride));
    if (walk.end == WalkEnd::kOptimal) {
      return walk;
    }
  }
  BoundWalkOf<Rational> walk =
      FeasibleOrNone(WalkToSharpBound<Rational>(side, program, nullptr, stride));
  if (walk.end == WalkEnd::kOptimal) {
    return walk;
  }
  // The walk's own end is a claim of its shape rules; the general simplex, which cannot cycle
  // and proves infeasibility from the program itself, has the last word.
  const MomentProgramResult general = SolveMomentProgram(
      side == Side::kLower ? Goal::kMinimum : Goal::kMaximum, kUnion, program.n, program.S);
  walk.basis_changes += general.pivots;
  if (general.status == ProgramStatus::kInfeasible) {
    walk.end = WalkEnd::kInfeasible;
    return walk;
  }
  walk.end = WalkEnd::kOptimal;
  walk.result.value = general.value;
  walk.result.basis = general.basis;
  walk.result.solution = general.distribution;
  walk.last_basis = general.basis;
  return walk;
}

CheckedBound CheckSharpBound(Side side, const BoundWalk& double_walk,
                             const UnionProgramOf<Rational>& exact_program, WalkStride stride) {
  CheckedBound checked;
  checked.shown = double_walk;
  checked.exact = ExactSharpBound(side, exact_program, &double_walk.last_basis, stride);
  switch (checked.exact.end) {
    case WalkEnd::kOptimal:
      if (Acceptable(double_walk, checked.exact.result.value)) {
        checked.check = BoundCheck::kConfirmed;
      } else {
        checked.check = BoundCheck::kFoundExactly;
        checked.shown = Rounded(checked.exact);
      }
      break;
    case WalkEnd::kInfeasible:
      checked.check = BoundCheck::kNoDistribution;
      break;
    case WalkEnd::kRepeated:
    case WalkEnd::kRefused:
      checked.check = BoundCheck::kUndecided;
      break;
  }
  return checked;
}

}  // namespace unionbound
