#pragma once

// Exact companions of the bound solvers, for the tests: moments and basic solutions in rational
// arithmetic, an independent model of the walk over bases, and the optimum found by trying every
// basis. None of this calls the solvers or the kernels they rest on.

#include <gmpxx.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "numeric/types.h"

namespace unionbound::bounds_testing {

using Rational = mpq_class;
using RationalVector = std::vector<Rational>;

// ---------------------------------------------------------------------------------------------
// Conversions between doubles and rationals.

// Every finite double is a dyadic rational; mpq_set_d takes it over exactly.
inline Rational ExactOf(double v) {
  return Rational(v);
}

// The double nearest to q; on a tie, the one toward zero.
inline double NearestDouble(const Rational& q) {
  const double truncated = q.get_d();  // rounds toward zero
  double best = truncated;
  Rational best_error = abs(ExactOf(truncated) - q);
  for (double candidate :
       {std::nextafter(truncated, -INFINITY), std::nextafter(truncated, INFINITY)}) {
    const Rational error = abs(ExactOf(candidate) - q);
    if (error < best_error) {
      best = candidate;
      best_error = error;
    }
  }
  return best;
}

inline Vector ToDoubles(const RationalVector& v) {
  Vector out;
  for (const Rational& q : v) {
    out.push_back(NearestDouble(q));
  }
  return out;
}

// num / den in lowest terms.
inline Rational Fraction(std::int64_t num, std::int64_t den) {
  Rational q{mpz_class(static_cast<long>(num)), mpz_class(static_cast<long>(den))};
  q.canonicalize();
  return q;
}

inline RationalVector ToRationals(const Vector& v) {
  RationalVector out;
  for (double d : v) {
    out.push_back(ExactOf(d));
  }
  return out;
}

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
// Distributions and their moments.

// A distribution on 0 .. n as integer weights a_k over their sum: x_k = a_k / sum.
struct Distribution {
  std::vector<std::int64_t> weights;

  int n() const { return static_cast<int>(weights.size()) - 1; }
  std::int64_t total() const {
    std::int64_t s = 0;
    for (auto w : weights) {
      s += w;
    }
    return s;
  }
  RationalVector masses() const {
    RationalVector x;
    for (auto w : weights) {
      x.push_back(Fraction(w, total()));
    }
    return x;
  }
  bool degenerate() const {
    return std::any_of(weights.begin(), weights.end(), [](std::int64_t w) { return w == 0; });
  }
  std::string ToString() const {
    std::string s = "weights (";
    for (std::size_t k = 0; k < weights.size(); ++k) {
      s += (k ? ", " : "") + std::to_string(weights[k]);
    }
    return s + ")";
  }
};

// Weights 1 .. max_weight, each set to 0 with probability zero_chance (at least one weight
// stays positive).
inline Distribution RandomDistribution(std::mt19937_64& rng, int n, double zero_chance,
                                       std::int64_t max_weight = 1000) {
  std::uniform_int_distribution<std::int64_t> weight(1, max_weight);
  std::bernoulli_distribution zero(zero_chance);
  Distribution d;
  for (int k = 0; k <= n; ++k) {
    d.weights.push_back(zero(rng) ? 0 : weight(rng));
  }
  if (d.total() == 0) {
    d.weights[std::uniform_int_distribution<std::size_t>(0, d.weights.size() - 1)(rng)] = 1;
  }
  return d;
}

inline std::int64_t Choose(std::int64_t k, std::int64_t i) {
  if (i < 0 || i > k) {
    return 0;
  }
  std::int64_t r = 1;
  for (std::int64_t t = 1; t <= i; ++t) {
    r = r * (k - i + t) / t;
  }
  return r;
}

// S_i = sum_k C(k, i) x_k, i = 0 .. m.
inline RationalVector BinomialMomentsOf(const RationalVector& x, int m) {
  RationalVector S;
  for (int i = 0; i <= m; ++i) {
    Rational s = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
      s += Choose(static_cast<std::int64_t>(k), i) * x[k];
    }
    S.push_back(s);
  }
  return S;
}

// mu_d = sum_k z_k^d x_k, d = 0 .. m.
inline RationalVector PowerMomentsOf(const RationalVector& x, const RationalVector& z, int m) {
  RationalVector mu;
  for (int d = 0; d <= m; ++d) {
    Rational s = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
      Rational power = 1;
      for (int e = 0; e < d; ++e) {
        power *= z[k];
      }
      s += power * x[k];
    }
    mu.push_back(s);
  }
  return mu;
}

// The power moments as the program forms them from the binomial moments: S rounded to double,
// then mu_i = sum_j T_ij S_j with T_ij = j! Stirling2(i, j) (row 0 is (1, 0, ..., 0)), each sum
// taken from j = 0 upwards as s = T_ij * S_j + s, every step rounded to double.
inline Vector ProgramPowerMoments(const RationalVector& S_exact) {
  const int m = static_cast<int>(S_exact.size()) - 1;
  const Vector S = ToDoubles(S_exact);
  // Stirling numbers of the second kind by S(i, j) = S(i-1, j-1) + j S(i-1, j).
  std::vector<std::vector<std::int64_t>> stirling(
      static_cast<std::size_t>(m) + 1, std::vector<std::int64_t>(static_cast<std::size_t>(m) + 1));
  stirling[0][0] = 1;
  for (int i = 1; i <= m; ++i) {
    for (int j = 1; j <= i; ++j) {
      stirling[i][j] = stirling[i - 1][j - 1] + j * stirling[i - 1][j];
    }
  }
  Vector mu;
  for (int i = 0; i <= m; ++i) {
    double s = 0.0;
    std::int64_t factorial = 1;
    for (int j = 0; j <= m; ++j) {
      if (j > 0) {
        factorial *= j;
      }
      const double t =
          i == 0 ? (j == 0 ? 1.0 : 0.0) : static_cast<double>(factorial * stirling[i][j]);
      s = t * S[static_cast<std::size_t>(j)] + s;
    }
    mu.push_back(s);
  }
  return mu;
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

// ---------------------------------------------------------------------------------------------
// The optimum by trying every basis.

struct ExactOptimum {
  Rational minimum;
  Rational maximum;
  int feasible_bases = 0;
};

// Minimum and maximum of sum_{i >= 1} x_i over all the sets of m + 1 of the nodes 0 .. n whose
// basic solution for the moments of the distribution x (orders 0 .. m) has no negative entry.
// For the moments of x the basic solution of B is, by interpolation of the powers t^0 .. t^m on
// the nodes of B, entry j = x_{B_j} + sum_{k not in B} x_k L_j(k), L_j the Lagrange polynomial of
// node B_j; with x = a / A (integer weights) and integer nodes, L_j(k) = num / den with integers
// of at most n^m in size, so the sign test runs in 64-bit integers (enough for n <= 12 with weights
// up to 1000) and only the feasible bases are valued in rationals.
inline ExactOptimum ExactOptimumOf(const Distribution& x, int m) {
  const int n = x.n();
  ExactOptimum result;
  std::vector<int> pick(static_cast<std::size_t>(m) + 1);
  for (int i = 0; i <= m; ++i) {
    pick[static_cast<std::size_t>(i)] = i;
  }
  const auto in_pick = [&pick](int k) { return std::binary_search(pick.begin(), pick.end(), k); };
  for (;;) {
    bool feasible = true;
    Rational objective = 0;
    for (std::size_t j = 0; j < pick.size() && feasible; ++j) {
      std::int64_t den = 1;
      for (std::size_t l = 0; l < pick.size(); ++l) {
        if (l != j) {
          den *= pick[j] - pick[l];
        }
      }
      // value_j * A * den
      std::int64_t scaled = x.weights[static_cast<std::size_t>(pick[j])] * den;
      for (int k = 0; k <= n; ++k) {
        if (in_pick(k) || x.weights[static_cast<std::size_t>(k)] == 0) {
          continue;
        }
        std::int64_t num = 1;
        for (std::size_t l = 0; l < pick.size(); ++l) {
          if (l != j) {
            num *= k - pick[l];
          }
        }
        scaled += x.weights[static_cast<std::size_t>(k)] * num;
      }
      if ((scaled < 0) != (den < 0) && scaled != 0) {
        feasible = false;
      } else if (pick[j] >= 1) {
        objective += Fraction(scaled, den);
      }
    }
    if (feasible) {
      objective /= x.total();
      if (result.feasible_bases == 0 || objective < result.minimum) {
        result.minimum = objective;
      }
      if (result.feasible_bases == 0 || objective > result.maximum) {
        result.maximum = objective;
      }
      ++result.feasible_bases;
    }
    // Next set of m + 1 subscripts in lexicographic order.
    int i = m;
    while (i >= 0 && pick[static_cast<std::size_t>(i)] == n - m + i) {
      --i;
    }
    if (i < 0) {
      break;
    }
    ++pick[static_cast<std::size_t>(i)];
    for (int t = i + 1; t <= m; ++t) {
      pick[static_cast<std::size_t>(t)] = pick[static_cast<std::size_t>(t) - 1] + 1;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Every feasible basis, for objectives other than the union's.

// Positive weights on `points` distinct subscripts of 0 .. n chosen at random, 0 elsewhere:
// moments that only a few distributions have, where most bases are degenerate.
inline Distribution RandomSparseDistribution(std::mt19937_64& rng, int n, int points,
                                             std::int64_t max_weight = 1000) {
  std::vector<int> subscripts;
  for (int k = 0; k <= n; ++k) {
    subscripts.push_back(k);
  }
  std::shuffle(subscripts.begin(), subscripts.end(), rng);
  std::uniform_int_distribution<std::int64_t> weight(1, max_weight);
  Distribution d;
  d.weights.assign(static_cast<std::size_t>(n) + 1, 0);
  for (int p = 0; p < points && p <= n; ++p) {
    d.weights[static_cast<std::size_t>(subscripts[static_cast<std::size_t>(p)])] = weight(rng);
  }
  return d;
}

struct BasicSolution {
  std::vector<int> basis;
  RationalVector values;  // one per basis subscript
};

// Every set of m + 1 of the nodes 0 .. n whose basic solution for the moments of x (orders
// 0 .. m) has no negative entry, with that solution: the basic solutions of ExactOptimumOf,
// kept for any objective (the same interpolation, the same 64-bit sign test).
inline std::vector<BasicSolution> FeasibleBasicSolutions(const Distribution& x, int m) {
  const int n = x.n();
  std::vector<BasicSolution> feasible;
  std::vector<int> pick(static_cast<std::size_t>(m) + 1);
  for (int i = 0; i <= m; ++i) {
    pick[static_cast<std::size_t>(i)] = i;
  }
  const auto in_pick = [&pick](int k) { return std::binary_search(pick.begin(), pick.end(), k); };
  for (;;) {
    BasicSolution solution{pick, {}};
    for (std::size_t j = 0; j < pick.size(); ++j) {
      std::int64_t den = 1;
      for (std::size_t l = 0; l < pick.size(); ++l) {
        if (l != j) {
          den *= pick[j] - pick[l];
        }
      }
      // value_j * A * den
      std::int64_t scaled = x.weights[static_cast<std::size_t>(pick[j])] * den;
      for (int k = 0; k <= n; ++k) {
        if (in_pick(k) || x.weights[static_cast<std::size_t>(k)] == 0) {
          continue;
        }
        std::int64_t num = 1;
        for (std::size_t l = 0; l < pick.size(); ++l) {
          if (l != j) {
            num *= k - pick[l];
          }
        }
        scaled += x.weights[static_cast<std::size_t>(k)] * num;
      }
      const Rational value = Fraction(scaled, den) / x.total();
      if (value < 0) {
        break;
      }
      solution.values.push_back(value);
    }
    if (solution.values.size() == pick.size()) {
      feasible.push_back(solution);
    }
    // Next set of m + 1 subscripts in lexicographic order.
    int i = m;
    while (i >= 0 && pick[static_cast<std::size_t>(i)] == n - m + i) {
      --i;
    }
    if (i < 0) {
      break;
    }
    ++pick[static_cast<std::size_t>(i)];
    for (int t = i + 1; t <= m; ++t) {
      pick[static_cast<std::size_t>(t)] = pick[static_cast<std::size_t>(t) - 1] + 1;
    }
  }
  return feasible;
}

}  // namespace unionbound::bounds_testing
