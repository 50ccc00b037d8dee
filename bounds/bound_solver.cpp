#include "bounds/bound_solver.h"

#include <cstdint>
#include <iostream>
#include <set>

#include "kernels/index_range.h"
#include "kernels/node_poly.h"
#include "numeric/combinatorics.h"
#include "numeric/lin_solve.h"
#include "numeric/vector_ops.h"

namespace unionbound {
namespace {

// How the entering subscript is found for a leaving position: which way to scan along the run
// of consecutive subscripts, and whether to reach past the basis ends when the scan finds none.
struct EnteringRule {
  bool scan_up;
  bool fallback;
};

struct Variant {
  IndexVector start;
  std::int32_t first_tested;
  EnteringRule odd_position;
  EnteringRule even_position;
};

// The four variants: the solver and the parity of m + 1 fix the start basis, the first tested
// position and the entering rule for each parity of the leaving position. For the minimum with
// m + 1 odd, an even position scans down without a fallback, so position 0 finds nothing.
Variant VariantFor(Goal goal, std::int32_t n, std::int32_t m) {
  const bool size_even = (m + 1) % 2 == 0;
  constexpr EnteringRule kDownFallback{false, true};
  constexpr EnteringRule kUpFallback{true, true};
  constexpr EnteringRule kDownOnly{false, false};
  constexpr EnteringRule kUpOnly{true, false};
  if (goal == Goal::kMinimum) {
    if (size_even) {
      return {IndexRange(0, m), 0, kDownFallback, kUpFallback};
    }
    return {IndexRange(0, m), 0, kUpFallback, kDownOnly};
  }
  IndexVector start = IndexRange(0, m - 1);
  start.push_back(n);
  if (size_even) {
    return {start, 1, kUpOnly, kDownOnly};
  }
  return {start, 0, kDownFallback, kUpFallback};
}

constexpr std::int32_t kNone = -1;

// The lowest tested position whose basic value is negative (a not-a-number counts as
// negative), judged by the sign of its numerator times (-1)^(m - j).
std::int32_t LeavingPosition(const Vector& z, const Vector& mu, const IndexVector& basis,
                             std::int32_t first_tested, NumeratorKernel numerator) {
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  for (std::int32_t j = first_tested; j <= m; ++j) {
    const double s = IntPower(-1.0, m - j) * numerator(mu, SubVector(z, basis), j);
    if (!(s >= 0.0)) {
      return j;
    }
  }
  return kNone;
}

std::int32_t EnteringSubscript(const IndexVector& basis, std::int32_t p, EnteringRule rule,
                               std::int32_t n) {
  const auto m = static_cast<std::int32_t>(basis.size()) - 1;
  const auto at = [&basis](std::int32_t position) {
    return basis[static_cast<std::size_t>(position)];
  };
  if (rule.scan_up) {
    for (std::int32_t t = 1; t <= m - p; ++t) {
      if (at(p + t) != at(p) + t) {
        return at(p) + t;
      }
    }
    return rule.fallback && at(m) < n ? at(m) + 1 : kNone;
  }
  for (std::int32_t t = 1; t <= p; ++t) {
    if (at(p - t) != at(p) - t) {
      return at(p) - t;
    }
  }
  return rule.fallback && at(0) >= 1 ? at(0) - 1 : kNone;
}

// Brings e in and takes basis[p] out; the basis stays in increasing order without a sort.
IndexVector ChangeBasis(IndexVector basis, std::int32_t p, std::int32_t e) {
  const std::int32_t old = basis[static_cast<std::size_t>(p)];
  if (e < old) {
    basis.insert(basis.begin() + (p - (old - e) + 1), e);
    basis.erase(basis.begin() + (p + 1));
  } else {
    basis.insert(basis.begin() + (p + (e - old)), e);
    basis.erase(basis.begin() + p);
  }
  return basis;
}

bool AcceptableInput(const char* solver, const Vector& c, const Vector& z, const Vector& mu) {
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

}  // namespace

BoundWalk WalkToBound(Goal goal, const Vector& c, const Vector& z, const Vector& mu,
                      NumeratorKernel numerator) {
  BoundWalk walk;
  const char* name = goal == Goal::kMinimum ? "MinimumBound" : "MaximumBound";
  if (!AcceptableInput(name, c, z, mu)) {
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
    const std::int32_t p = LeavingPosition(z, mu, basis, variant.first_tested, numerator);
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

  const Vector nodes = SubVector(z, basis);
  walk.result.solution = LinSolve(PowerMatrix(nodes, m), mu);
  walk.result.value = ScalarProduct(SubVector(c, basis), walk.result.solution);
  walk.result.basis = basis;
  walk.end = WalkEnd::kOptimal;
  return walk;
}

BoundResult MinimumBound(const Vector& c, const Vector& z, const Vector& mu) {
  return WalkToBound(Goal::kMinimum, c, z, mu).result;
}

BoundResult MaximumBound(const Vector& c, const Vector& z, const Vector& mu) {
  return WalkToBound(Goal::kMaximum, c, z, mu).result;
}

}  // namespace unionbound
