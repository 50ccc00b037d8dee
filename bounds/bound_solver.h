#pragma once

#include "bounds/bound_result.h"
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

}  // namespace unionbound
