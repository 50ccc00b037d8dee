#pragma once

// An independent model of the walk over bases, for the tests: the basic solutions in rational
// arithmetic, and the walk written out from the rules of the method, with its signs judged
// either exactly or as the program's double arithmetic gives them. None of this calls the
// solvers or the kernels they rest on.

#include <gmpxx.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "numeric/types.h"
#include "tests/support/exact_conversions.h"

namespace unionbound::testing {

// ---------------------------------------------------------------------------------------------
// The union's program on the nodes 0 .. n.

inline Vector Nodes(int n) {
  Vector z;
  for (int i = 0; i <= n; ++i) {
    z.push_back(static_cast<double>(i));
  }
  return z;
}

// (0, 1, ..., 1) with n + 1 entries, times `sign`.
inline Vector UnionObjective(int n, double sign = 1.0) {
  Vector c(static_cast<std::size_t>(n) + 1, sign);
  c[0] = sign * 0.0;
  return c;
}

// ---------------------------------------------------------------------------------------------
// Basic solutions.

// Coefficients, lowest degree first, of the product over l != j of (t - r_l).
inline RationalVector NodePolynomial(const RationalVector& r, std::size_t j) {
  RationalVector coefficients{1};
  for (std::size_t l = 0; l < r.size(); ++l) {
    if (l == j) {
      continue;
    }
    RationalVector next(coefficients.size() + 1, Rational(0));
    for (std::size_t d = 0; d < coefficients.size(); ++d) {
      next[d + 1] += coefficients[d];
      next[d] -= r[l] * coefficients[d];
    }
    coefficients = next;
  }
  return coefficients;
}

// The basic solution of `basis` for the moments mu on the nodes z, solved exactly: with B the
// basis nodes, entry j is (sum_d mu_d * [t^d] prod_{l != j} (t - B_l)) / prod_{l != j} (B_j - B_l)
// (Lagrange's formula for the inverse of the Vandermonde matrix).
inline RationalVector ExactBasicSolution(const RationalVector& mu, const RationalVector& z,
                                         const IndexVector& basis) {
  RationalVector nodes;
  for (auto b : basis) {
    nodes.push_back(z[static_cast<std::size_t>(b)]);
  }
  RationalVector solution;
  for (std::size_t j = 0; j < nodes.size(); ++j) {
    const RationalVector poly = NodePolynomial(nodes, j);
    Rational numerator = 0;
    for (std::size_t d = 0; d < poly.size() && d < mu.size(); ++d) {
      numerator += mu[d] * poly[d];
    }
    Rational denominator = 1;
    for (std::size_t l = 0; l < nodes.size(); ++l) {
      if (l != j) {
        denominator *= nodes[j] - nodes[l];
      }
    }
    solution.push_back(numerator / denominator);
  }
  return solution;
}

// ---------------------------------------------------------------------------------------------
// The walk over bases, modelled from the rules of the method: which positions are tested, and
// for the lowest negative one which subscript comes in. The entering subscript is found on the
// set of subscripts: the nearest free subscript below (or above) the leaving one, past the run of
// consecutive basis subscripts it stands in. It is "inside" when it lies between the smallest and
// the largest basis subscript (the scan met a gap) and "beyond" otherwise (only the fallback can
// bring it in).

enum class Solver { kMinimum, kMaximum };
enum class Direction { kDown, kUp, kNone };
enum class Branch { kInside, kBeyond, kNothing };
enum class Outcome { kOptimal, kNoFeasibleSolution, kRepeat };

inline const char* Name(Solver g) {
  return g == Solver::kMinimum ? "Min" : "Max";
}
inline const char* Name(Branch b) {
  return b == Branch::kInside ? "inside" : b == Branch::kBeyond ? "beyond" : "nothing";
}

struct Rule {
  Direction direction;
  bool beyond_allowed;
};

// The variant table: first tested position and the rule for an odd and an even leaving position.
struct VariantRules {
  int first_tested;
  Rule odd;
  Rule even;
};

inline VariantRules RulesFor(Solver goal, int m) {
  const bool size_even = (m + 1) % 2 == 0;
  if (goal == Solver::kMinimum && size_even) {
    return {0, {Direction::kDown, true}, {Direction::kUp, true}};
  }
  if (goal == Solver::kMinimum) {
    // Even positions: position 0 has nothing to bring in, 2, 4, ... scan down without fallback.
    return {0, {Direction::kUp, true}, {Direction::kDown, false}};
  }
  if (size_even) {
    return {1, {Direction::kUp, false}, {Direction::kDown, false}};
  }
  return {0, {Direction::kDown, true}, {Direction::kUp, true}};
}

inline IndexVector StartBasis(Solver goal, int n, int m) {
  IndexVector basis;
  for (int i = 0; i <= m; ++i) {
    basis.push_back(goal == Solver::kMaximum && i == m ? n : i);
  }
  return basis;
}

struct Step {
  IndexVector basis;  // before the change
  int leaving = -1;   // position
  int entering = -1;  // subscript, -1 when none
  Branch branch = Branch::kNothing;
};

struct Walk {
  std::vector<Step> steps;
  Outcome outcome = Outcome::kOptimal;
  IndexVector final_basis;  // the optimal basis; empty otherwise
};

// The walk on n + 1 columns and m + 1 moment orders; negative_at(basis, j) says whether the basic
// value at position j of `basis` counts as negative.
template <class NegativeAt>
Walk WalkOver(Solver goal, int n, int m, NegativeAt negative_at) {
  const VariantRules rules = RulesFor(goal, m);
  Walk walk;
  IndexVector basis = StartBasis(goal, n, m);
  std::set<IndexVector> seen{basis};
  for (;;) {
    int p = -1;
    for (int j = rules.first_tested; j <= m; ++j) {
      if (negative_at(basis, j)) {
        p = j;
        break;
      }
    }
    if (p < 0) {
      walk.final_basis = basis;
      walk.outcome = Outcome::kOptimal;
      return walk;
    }
    Step step{basis, p, -1, Branch::kNothing};
    const Rule rule = p % 2 == 1 ? rules.odd : rules.even;
    const bool min_odd_position_zero = goal == Solver::kMinimum && (m + 1) % 2 == 1 && p == 0;
    if (!min_odd_position_zero) {
      const std::set<int> members(basis.begin(), basis.end());
      const int step_by = rule.direction == Direction::kDown ? -1 : 1;
      int k = basis[static_cast<std::size_t>(p)];
      do {
        k += step_by;
      } while (members.count(k) != 0);
      const bool inside = k > basis.front() && k < basis.back();
      if (inside) {
        step.entering = k;
        step.branch = Branch::kInside;
      } else if (rule.beyond_allowed && k >= 0 && k <= n) {
        step.entering = k;
        step.branch = Branch::kBeyond;
      }
    }
    walk.steps.push_back(step);
    if (step.entering < 0) {
      walk.outcome = Outcome::kNoFeasibleSolution;
      return walk;
    }
    std::set<int> next(basis.begin(), basis.end());
    next.erase(basis[static_cast<std::size_t>(p)]);
    next.insert(step.entering);
    basis = IndexVector(next.begin(), next.end());
    if (!seen.insert(basis).second) {
      walk.outcome = Outcome::kRepeat;
      return walk;
    }
  }
}

// The walk with exact signs: the basic values solved in rationals. `margin` receives the smallest
// |basic value| whose sign the walk looked at, a measure of how near the walk came to a sign that
// rounding could flip.
inline Walk ExactWalk(Solver goal, const RationalVector& z, const RationalVector& mu,
                      Rational* margin = nullptr) {
  Rational smallest = -1;
  IndexVector solved;
  RationalVector solution;
  const auto negative_at = [&](const IndexVector& basis, int j) {
    if (solution.empty() || basis != solved) {
      solution = ExactBasicSolution(mu, z, basis);
      solved = basis;
    }
    const Rational value = solution[static_cast<std::size_t>(j)];
    if (smallest < 0 || abs(value) < smallest) {
      smallest = abs(value);
    }
    return value < 0;
  };
  Walk walk =
      WalkOver(goal, static_cast<int>(z.size()) - 1, static_cast<int>(mu.size()) - 1, negative_at);
  if (margin != nullptr) {
    *margin = smallest;
  }
  return walk;
}

// The numerator of basic value j as the program forms it in double precision: with r the basis
// nodes without entry j, a[K] + sum_{i = 1 .. K} a[K - i] * e_i(-r), each e_i summed over the
// i-element subsets of the positions of -r in lexicographic order, each product multiplied out
// from 1.0 left to right, every step rounded.
inline double ProgramNumerator(const Vector& a, const Vector& nodes, int j) {
  std::vector<double> w;
  for (std::size_t l = 0; l < nodes.size(); ++l) {
    if (l != static_cast<std::size_t>(j)) {
      w.push_back(-1.0 * nodes[l]);
    }
  }
  const std::size_t K = a.size() - 1;
  double result = a[K];
  for (std::size_t i = 1; i <= K; ++i) {
    double sum = 0.0;
    if (i <= w.size()) {
      std::vector<std::size_t> pick(i);
      for (std::size_t t = 0; t < i; ++t) {
        pick[t] = t;
      }
      for (;;) {
        double product = 1.0;
        for (std::size_t t : pick) {
          product = product * w[t];
        }
        sum = sum + product;
        std::size_t t = i;
        while (t > 0 && pick[t - 1] == w.size() - i + (t - 1)) {
          --t;
        }
        if (t == 0) {
          break;
        }
        ++pick[t - 1];
        for (std::size_t u = t; u < i; ++u) {
          pick[u] = pick[u - 1] + 1;
        }
      }
    }
    result = result + sum * a[K - i];
  }
  return result;
}

// The walk with the signs the program sees: (-1)^(m - j) times the double numerator, negative
// unless it is >= 0.0 (so a not-a-number counts as negative).
inline Walk ProgramWalk(Solver goal, const Vector& z, const Vector& mu) {
  const int m = static_cast<int>(mu.size()) - 1;
  const auto negative_at = [&](const IndexVector& basis, int j) {
    Vector nodes;
    for (auto b : basis) {
      nodes.push_back(z[static_cast<std::size_t>(b)]);
    }
    double sign = 1.0;
    for (int t = 0; t < m - j; ++t) {
      sign = sign * -1.0;
    }
    return !(sign * ProgramNumerator(mu, nodes, j) >= 0.0);
  };
  return WalkOver(goal, static_cast<int>(z.size()) - 1, m, negative_at);
}

inline std::string ToString(const IndexVector& basis) {
  std::string s = "(";
  for (std::size_t i = 0; i < basis.size(); ++i) {
    s += (i ? "," : "") + std::to_string(basis[i]);
  }
  return s + ")";
}

// The walk written out: each basis with its leaving position p, how the entering subscript was
// found and which one came in, then the end: "(0,1,2) p1 beyond +3 > (0,2,3) optimal".
inline std::string Describe(const Walk& walk) {
  std::string s;
  for (const Step& step : walk.steps) {
    s += ToString(step.basis) + " p" + std::to_string(step.leaving) + " " + Name(step.branch);
    if (step.entering >= 0) {
      s += " +" + std::to_string(step.entering);
    }
    s += " > ";
  }
  switch (walk.outcome) {
    case Outcome::kOptimal:
      return s + ToString(walk.final_basis) + " optimal";
    case Outcome::kNoFeasibleSolution:
      return s + "no feasible solution";
    case Outcome::kRepeat:
      return s + "repeat";
  }
  return s;
}

// What the solver writes on standard output for each end of the walk.
inline std::string MessageFor(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOptimal:
      return "";
    case Outcome::kNoFeasibleSolution:
      return "no feasible solution\n";
    case Outcome::kRepeat:
      return "the basis changes repeat; no bound found\n";
  }
  return "?";
}

}  // namespace unionbound::testing
