#pragma once

#include <cstdint>
#include <string>

#include "bounds/bound_solver.h"
#include "bounds/question.h"
#include "moments/power_moments.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

namespace unionbound {

// Every distribution on 0 .. n has binomial moments of order above n equal to 0, so those
// orders carry no information and the bounds use the orders 0 .. min(m, n). For m > n, the
// note that says so (without the program's name).
inline std::string OrdersAboveEventsNote(std::int32_t n, std::int32_t m) {
  return "note: m=" + std::to_string(m) + " is greater than n=" + std::to_string(n) +
         "; binomial moments of order above n are 0 for any " + std::to_string(n) +
         " events, so the bounds use the orders 0 to " + std::to_string(n);
}

// The two moment programs of P(at least one of n events) from the binomial moments S_0 ..
// S_order (order <= n): the nodes 0 .. n, the power moments T S and the objective (0, 1, ...,
// 1). Only n and the moments are kept: the walks take the nodes and the objective in closed
// form (UnionColumns), so that neither costs a list of n + 1 numbers.
template <class Number>
struct UnionProgramOf {
  std::int32_t n = 0;
  SequenceOf<Number> S;
  SequenceOf<Number> mu;
};

template <class Number>
UnionProgramOf<Number> UnionProgram(std::int32_t n, const SequenceOf<Number>& S) {
  const auto order = static_cast<std::int32_t>(S.size()) - 1;
  UnionProgramOf<Number> program;
  program.n = n;
  program.S = S;
  program.mu = MatrixTimesVector<Number>(BinomialToPowerMatrix<Number>(order), S);
  return program;
}

// One sharp bound of the program. For even order the lower bound is the minimum of the
// objective and the upper its maximum; for odd order the walks get the negated objective, the
// lower bound coming from the maximum and the upper from the minimum, and a value found is
// negated back (the undefined value of one not found stays as it is, so a NaN never prints as
// "-nan"). In double the walk is bit for bit the one on the listed nodes RealRange(0, n) and
// the listed objective, negated by ScalarMultiple(-1, c) for odd order. `start`, when given, is
// the basis the walk starts from (the last basis of a walk for the same side). A refused walk
// (n < order, or no moments) prints nothing and carries its reason. The walk jumps across runs
// of equal basis changes unless `stride` asks for single steps, with the same end either way.
template <class Number>
BoundWalkOf<Number> WalkToSharpBound(Side side, const UnionProgramOf<Number>& program,
                                     const IndexVector* start = nullptr,
                                     WalkStride stride = WalkStride::kJumps) {
  const auto order = static_cast<std::int32_t>(program.mu.size()) - 1;
  const bool even = (order + 1) % 2 == 1;
  const Goal goal = (side == Side::kLower) == even ? Goal::kMinimum : Goal::kMaximum;
  const UnionColumns<Number> columns{program.n, Number(even ? 1 : -1)};
  BoundWalkOf<Number> walk = WalkOver<Number>(goal, columns, program.mu, nullptr, start, stride);
  if (!even && !walk.result.basis.empty()) {
    walk.result.value = -walk.result.value;
  }
  return walk;
}

}  // namespace unionbound
