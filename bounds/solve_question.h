#pragma once

// The one home of solving a question: both sides, each timed, the orders cut to min(m, n), and
// what is said beside them. The batch program and the library solve in exact arithmetic
// (SolveQuestion, SolveByOrder); the interactive program walks in double precision and checks
// each walk exactly (SolveUnionChecked), as it always has.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bounds/bound_result.h"
#include "bounds/exact_bound.h"
#include "bounds/exact_check.h"
#include "bounds/question.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// The orders that enter the bounds of n events from S_0 .. S_m: 0 .. min(m, n), since every
// distribution on 0 .. n has its binomial moments of higher order 0.
std::int32_t UsedOrder(std::int32_t n, std::int32_t m);

// Both sharp bounds of a question in exact arithmetic.
struct QuestionBounds {
  std::int32_t order = 0;  // the orders used, 0 .. order
  ExactBound lower;
  ExactBound upper;
  // What is said beside the bounds, without a program's name: the orders above n left out.
  std::vector<std::string> notes;
};

// The bounds on the question's probability from S_0 .. S_m, each side timed over all of its
// work, to the microsecond. `stride` as for ExactBoundOf.
QuestionBounds SolveQuestion(const Question& question, std::int32_t n,
                             const SequenceOf<Rational>& S, WalkStride stride = WalkStride::kJumps);

// The bounds from the orders 1 .. k alone, beside the classical bounds of that order when they
// are asked for and bound the question.
struct OrderBounds {
  std::int32_t k = 0;
  ExactBound lower;
  ExactBound upper;
  bool classical = false;
  double bonferroni = 0.0;  // B_k: an upper bound for odd k, a lower bound for even k
  std::optional<double> dawson_sankoff_lower;  // from k = 2 on
  std::optional<double> kwerel_upper;          // from k = 2 on
};

// "optimal" when both bounds of a row were found, otherwise the status of the first missing.
std::string RowStatus(const ExactBound& lower, const ExactBound& upper);

// One row per k = 1 .. min(m, n), each solved afresh from S_0 .. S_k. With `classical`, the
// rows of a question that the classical bounds bound carry them, exact bounds rounded once.
std::vector<OrderBounds> SolveByOrder(const Question& question, std::int32_t n,
                                      const SequenceOf<Rational>& S, bool classical);

// One side of the interactive program's bounds: the double walk, and its check in exact
// arithmetic when the exact moments were given.
struct CheckedSide {
  BoundWalk walk;  // the double walk as it ended, its linear solve's status too
  std::optional<CheckedBound> checked;  // the exact check, when it ran
  BoundResult shown;                    // the bound reported
  WalkEnd shown_end = WalkEnd::kRefused;
  // Whole milliseconds of real time for the walk and its check, as seconds.
  double seconds = 0.0;
};

struct CheckedUnionBounds {
  std::int32_t order = 0;
  CheckedSide lower;
  CheckedSide upper;
  std::vector<std::string> notes;  // as QuestionBounds::notes
  // The exact check found that no distribution has these moments: no value is a bound.
  bool fits_no_distribution = false;
};

// The union's sharp bounds from S_0 .. S_m in double precision, bit for bit the walks of the
// faithful program: for odd order the walks take the negated objective (see WalkToSharpBound).
// With `exact_S`, the same moments as exact rationals of the data as written, each walk is checked
// in exact arithmetic (CheckSharpBound) from the basis it ended on. Each side is timed from just
// before its walk's arguments are prepared to the end of its check. The walks jump across runs
// unless `stride` asks for single steps, with the same bounds, checks and timings' work either
// way.
CheckedUnionBounds SolveUnionChecked(std::int32_t n, const Vector& S,
                                     const SequenceOf<Rational>* exact_S,
                                     WalkStride stride = WalkStride::kJumps);

}  // namespace unionbound
