#pragma once

#include <cstdint>
#include <iostream>
#include <set>

#include "bounds/basis_rules.h"
#include "bounds/bound_result.h"
#include "kernels/index_range.h"
#include "kernels/node_poly.h"
#include "numeric/combinatorics.h"
#include "numeric/lin_solve.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

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

enum class WalkEnd {
  kOptimal,     // no basic value negative
  kInfeasible,  // "no feasible solution"
  kRepeated,    // "the basis changes repeat; no bound found"
  kRefused,     // inputs outside the requirements
};

// One solver call with how it ended and how many basis changes it made.
template <class Number>
struct BoundWalkOf {
  BoundResultOf<Number> result;
  WalkEnd end = WalkEnd::kRefused;
  std::int64_t basis_changes = 0;
};

using BoundWalk = BoundWalkOf<double>;

// The numerator of a basic value: NodePolyMoment, or its listed reference form for comparison.
template <class Number>
using NumeratorOf = Number (*)(const SequenceOf<Number>& a, const SequenceOf<Number>& z,
                               std::int32_t c);

using NumeratorKernel = NumeratorOf<double>;

namespace bound_walk_detail {

// The lowest tested position whose basic value is negative (a not-a-number counts as
// negative), judged by the sign of its numerator times (-1)^(m - j).
template <class Number>
std::int32_t LeavingPosition(const SequenceOf<Number>& z, const SequenceOf<Number>& mu,
                             const IndexVector& basis, std::int32_t first_tested,
                             NumeratorOf<Number> numerator) {
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  for (std::int32_t j = first_tested; j <= m; ++j) {
    const Number s =
        IntPower<Number>(Number(-1), m - j) * numerator(mu, SubVector<Number>(z, basis), j);
    if (!(s >= 0)) {
      return j;
    }
  }
  return basis_rules::kNone;
}

template <class Number>
bool AcceptableInput(const char* solver, const SequenceOf<Number>& c, const SequenceOf<Number>& z,
                     const SequenceOf<Number>& mu) {
  const char* problem = nullptr;
  if (mu.empty()) {
    problem = "no moments were given";
  } else if (mu.size() > z.size()) {
    problem = "more moment orders than nodes (m > n)";
  } else if (c.size() != z.size()) {
    problem = "the objective and the nodes differ in length";
  } else {
    for (std::size_t i = 1; i < z.size(); ++i) {
      if (!(z[i - 1] < z[i])) {
        problem = "the nodes do not increase strictly";
        break;
      }
    }
  }
  if (problem != nullptr) {
    std::cerr << "unionbound: " << solver << ": " << problem << "; no bound computed" << std::endl;
  }
  return problem == nullptr;
}

}  // namespace bound_walk_detail

// The walk behind MinimumBound and MaximumBound, with the same messages and results, in any
// number type: double is the interactive program's, bit for bit.
template <class Number>
BoundWalkOf<Number> WalkToBound(Goal goal, const SequenceOf<Number>& c, const SequenceOf<Number>& z,
                                const SequenceOf<Number>& mu,
                                NumeratorOf<Number> numerator = NodePolyMoment<Number>) {
  using namespace basis_rules;
  BoundWalkOf<Number> walk;
  const char* name = goal == Goal::kMinimum ? "MinimumBound" : "MaximumBound";
  if (!bound_walk_detail::AcceptableInput(name, c, z, mu)) {
    return walk;
  }
  const auto n = static_cast<std::int32_t>(z.size()) - 1;
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  const Variant variant = VariantFor(goal, n, m);
  IndexVector basis = variant.start;

  // Rounding can turn a zero basic value negative and lead the walk back to a basis it has
  // left; remembering the bases makes sure the walk ends.
  std::set<IndexVector> visited{basis};
  for (;;) {
    const std::int32_t p =
        bound_walk_detail::LeavingPosition(z, mu, basis, variant.first_tested, numerator);
    if (p == kNone) {
      break;
    }
    const EnteringRule rule = p % 2 == 1 ? variant.odd_position : variant.even_position;
    const std::int32_t e = EnteringSubscript(basis, p, rule, n);
    if (e == kNone) {
      std::cout << "no feasible solution" << std::endl;
      walk.end = WalkEnd::kInfeasible;
      return walk;
    }
    basis = ChangeBasis(basis, p, e);
    ++walk.basis_changes;
    if (!visited.insert(basis).second) {
      std::cout << "the basis changes repeat; no bound found" << std::endl;
      walk.end = WalkEnd::kRepeated;
      return walk;
    }
  }

  const SequenceOf<Number> nodes = SubVector<Number>(z, basis);
  walk.result.solution = LinSolve<Number>(PowerMatrix<Number>(nodes, m), mu);
  walk.result.value = ScalarProduct<Number>(SubVector<Number>(c, basis), walk.result.solution);
  walk.result.basis = basis;
  walk.end = WalkEnd::kOptimal;
  return walk;
}

// The double form, which also takes braced lists.
BoundWalk WalkToBound(Goal goal, const Vector& c, const Vector& z, const Vector& mu,
                      NumeratorKernel numerator = NodePolyMoment);

}  // namespace unionbound
