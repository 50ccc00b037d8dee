#pragma once

// The moment program with a general objective, solved exactly: the smallest or the largest
// sum_j c_j x_j over the distributions x_0 .. x_n >= 0 of X, the number of events that occur,
// with sum_j C(j, i) x_j = S_i for i = 0 .. m. Unlike the walk of bounds/bound_solver.h, which
// fits the union objective only, any question of bounds/question.h is answered (the union as
// P(X >= 1)), and data that fit no distribution are recognised exactly.

#include <cstdint>

#include "bounds/basis_rules.h"
#include "bounds/question.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

enum class ProgramStatus {
  kOptimal,
  kInfeasible,  // no distribution on 0 .. n has the moments S
};

// When infeasible, value is 0 and basis and distribution are empty.
struct MomentProgramResult {
  ProgramStatus status = ProgramStatus::kInfeasible;
  Rational value;
  IndexVector basis;                  // increasing column subscripts, m + 1 of them
  SequenceOf<Rational> distribution;  // x at each basis subscript; every other x_j is 0
  std::int64_t pivots = 0;            // basis changes, both phases together
};

// The minimum or maximum of the objective over the distributions on 0 .. n with the binomial
// moments S_0 .. S_m (S_0 is normally 1), with an optimal basis and the distribution on it that
// attains the value. The basis is optimal in the sense of linear programming: the polynomial of
// degree <= m through the costs at its subscripts stays on the goal's side of the costs at every
// j in 0 .. n, which proves the bound. Every decision is taken in exact arithmetic (the simplex
// method in two phases, with rules that cannot cycle; see moment_program.cpp). Orders above n are
// not read: every distribution on 0 .. n has them 0, and the programs use the orders 0 .. n for
// m > n. Each pivot costs about m^3 log n exact operations, whatever n.
//
// Throws std::invalid_argument for n < 0, an empty S, or r outside 0 .. n.
MomentProgramResult SolveMomentProgram(Goal goal, const Question& question, std::int32_t n,
                                       const SequenceOf<Rational>& S);

// How the second phase finds the column to bring in. kRoots, the default, looks only at the
// local minima of the reduced costs, found from the dual polynomial; kScan ranks every column
// 0 .. n (about n m rounded operations a pivot) and is kept as the reference that tests and
// benchmarks compare with.
enum class Pricing { kRoots, kScan };

MomentProgramResult SolveMomentProgram(Goal goal, const Question& question, std::int32_t n,
                                       const SequenceOf<Rational>& S, Pricing pricing);

}  // namespace unionbound
