#pragma once

#include "bounds/bound_solver.h"
#include "bounds/sharp_bounds.h"
#include "numeric/exact_number.h"

namespace unionbound {

// The exact optimum of one side of the program: the walk in exact arithmetic from `start` (a
// basis of the side's shape, such as where a double walk ended) or, when that walk finds no
// bound, from the side's own start basis; when neither finds one, the general exact simplex of
// bounds/moment_program.h decides, so that the end is kOptimal, or kInfeasible exactly when the
// moments fit no distribution on 0 .. n. The walks jump across runs unless `stride` asks for
// single steps, with the same end either way.
BoundWalkOf<Rational> ExactSharpBound(Side side, const UnionProgramOf<Rational>& program,
                                      const IndexVector* start = nullptr,
                                      WalkStride stride = WalkStride::kJumps);

// How a double walk's bound stood up to the exact optimum.
enum class BoundCheck {
  kConfirmed,       // within kCheckTolerance of the exact optimum and inside [0, 1]
  kFoundExactly,    // no bound, or one too far off: the exact optimum stands in for it
  kNoDistribution,  // no bound exists: the data fit no probability distribution
  kUndecided,       // the exact walk found neither a bound nor infeasibility
};

// The largest distance from the exact optimum that a double bound may have and still be shown.
inline const Rational kCheckTolerance(1, 1'000'000'000);

struct CheckedBound {
  BoundWalk shown;  // the double walk, or the exact optimum rounded to the nearest doubles
  BoundCheck check = BoundCheck::kUndecided;
  BoundWalkOf<Rational> exact;
};

// Checks one double walk against the same side of the program in exact arithmetic, starting
// the exact walk where the double walk ended, so that a right answer costs one exact test of
// one basis. `stride` as for ExactSharpBound.
CheckedBound CheckSharpBound(Side side, const BoundWalk& double_walk,
                             const UnionProgramOf<Rational>& exact_program,
                             WalkStride stride = WalkStride::kJumps);

}  // namespace unionbound
