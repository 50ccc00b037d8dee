#include "bounds/exact_bound.h"

#include "bounds/exact_check.h"
#include "bounds/moment_program.h"

namespace unionbound {

ExactBound ExactBoundOf(Side side, const Question& question, std::int32_t n,
                        const SequenceOf<Rational>& S, WalkStride stride) {
  ExactBound bound;
  if (!InfoOf(question.kind).union_walk) {
    const Goal goal = side == Side::kLower ? Goal::kMinimum : Goal::kMaximum;
    const MomentProgramResult result = SolveMomentProgram(goal, question, n, S);
    bound.found = result.status == ProgramStatus::kOptimal;
    bound.value = result.value;
    bound.basis = result.basis;
    bound.solution = result.distribution;
    bound.status = bound.found ? "optimal" : "infeasible";
    bound.basis_changes = result.pivots;
    return bound;
  }
  // The union's program is formed here, so that a caller's time covers all of the side's work.
  const BoundWalkOf<Rational> walk =
      ExactSharpBound(side, UnionProgram<Rational>(n, S), nullptr, stride);
  bound.found = walk.end == WalkEnd::kOptimal;
  if (bound.found) {
    bound.value = walk.result.value;
  }
  bound.basis = walk.result.basis;
  bound.solution = walk.result.solution;
  bound.status = WalkEndName(walk.end);
  bound.basis_changes = walk.basis_changes;
  return bound;
}

}  // namespace unionbound
