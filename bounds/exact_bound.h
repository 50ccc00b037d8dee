#pragma once

#include <cstdint>
#include <string>

#include "bounds/question.h"
#include "bounds/sharp_bounds.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// One sharp bound in exact arithmetic as both the batch program and the library report it,
// whichever solver found it. When none exists, `found` is false, the value is 0 and the basis
// and solution are what the solver ended with.
struct ExactBound {
  bool found = false;
  Rational value;
  IndexVector basis;
  SequenceOf<Rational> solution;  // the extreme distribution at each basis entry
  std::string status;             // "optimal", "infeasible" (or how a walk ended otherwise)
  std::int64_t basis_changes = 0;
  double seconds = 0.0;  // left to the caller, who times the call
};

// One side of the bounds on the question's probability from S_0 .. S_order (order <= n), by the
// solver its kind names: the union's exact walk, or the general exact simplex. The union's walk
// jumps across runs unless `stride` asks for single steps, with the same bound either way.
ExactBound ExactBoundOf(Side side, const Question& question, std::int32_t n,
                        const SequenceOf<Rational>& S, WalkStride stride = WalkStride::kJumps);

}  // namespace unionbound
