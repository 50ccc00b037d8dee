#pragma once

#include <cstdint>

#include "bounds/bound_result.h"
#include "kernels/node_poly.h"
#include "numeric/types.h"

namespace unionbound {

// The minimum and the maximum of c.x over x >= 0 with sum_i z_i^d x_i = mu_d for d = 0 .. m,
// n = |z| - 1 and m = |mu| - 1, found by the dual walk over bases of a fixed shape. The walk is
// fitted to the nodes 0 .. n with the objective (0, 1, ..., 1) for even m and its negation for
// odd m.
//
// "no feasible solution" on standard output when the shape leaves no subscript to bring in,
// and "the basis changes repeat; no bound found" when a basis comes back; both return an
// empty record. Inputs outside 0 <= m <= n, |c| = |z| and strictly increasing nodes are
// refused with a message on standard error and an empty record.
BoundResult MinimumBound(const Vector& c, const Vector& z, const Vector& mu);
BoundResult MaximumBound(const Vector& c, const Vector& z, const Vector& mu);

enum class Goal { kMinimum, kMaximum };

enum class WalkEnd {
  kOptimal,     // no basic value negative
  kInfeasible,  // "no feasible solution"
  kRepeated,    // "the basis changes repeat; no bound found"
  kRefused,     // inputs outside the requirements
};

// One solver call with how it ended and how many basis changes it made.
struct BoundWalk {
  BoundResult result;
  WalkEnd end = WalkEnd::kRefused;
  std::int64_t basis_changes = 0;
};

// The numerator of a basic value: NodePolyMoment, or its listed reference form for comparison.
using NumeratorKernel = double (*)(const Vector& a, const Vector& z, std::int32_t c);

// The walk behind MinimumBound and MaximumBound, with the same messages and results.
BoundWalk WalkToBound(Goal goal, const Vector& c, const Vector& z, const Vector& mu,
                      NumeratorKernel numerator = NodePolyMoment);

}  // namespace unionbound
