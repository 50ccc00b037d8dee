#pragma once

#include <cstdint>
#include <string>

#include "apps/unionbound/report.h"
#include "bounds/bound_solver.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// The sharp lower and upper bounds from the binomial moments S_0 .. S_m of n events, each bound
// timed, the check in exact arithmetic included. For odd order the solvers get the negated
// objective and their values are negated back, the lower bound coming from the maximum. Orders
// above n carry no information (every distribution on 0 .. n has them 0), so with m > n the
// bounds use the orders 0 .. n. A bound that was not found keeps the value not-a-number, never
// negated.
//
// With `exact_S`, the same moments as exact rationals of the data as written, each double walk
// is checked in exact arithmetic: a bound the double walk missed, or one more than 1e-9 off or
// outside [0, 1], is replaced by the exact optimum rounded to the nearest double, with a line on
// standard error; the walk's "no feasible solution" is written on standard output only when no
// bound exists, after both walks. The lines of a double walk's linear solve (LinSolveMessages)
// are written on standard output as soon as that walk ends. BoundReport::fits_no_distribution then
// says whether the data fit no distribution at all, for the caller to say why.
//
// The walks jump across runs of equal basis changes unless `stride` asks for single steps; both
// print the same.
BoundReport ComputeBounds(std::int32_t n, std::int32_t m, const Vector& S,
                          const SequenceOf<Rational>* exact_S = nullptr,
                          WalkStride stride = WalkStride::kJumps);

}  // namespace unionbound
