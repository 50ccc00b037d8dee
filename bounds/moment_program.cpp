#include "bounds/moment_program.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "kernels/run_polynomial.h"

// Both phases rest on one fact: the columns are a_j = (C(j, 0), ..., C(j, m)), so a basis of
// nodes b_0 < ... < b_m writes every column through the Lagrange polynomials of its nodes,
// a_j = sum_k L_k(j) a_{b_k} (interpolate each C(t, i), i <= m). Column j of the tableau is
// therefore (L_0(j), ..., L_m(j)), and row k of the tableau is L_k at every j. With
// l(t) = prod_l (t - b_l) and w_k = prod_{l != k} (b_k - b_l), L_k(t) = l(t) / ((t - b_k) w_k):
// everything is formed from the integer nodes, and no basis matrix is stored or inverted.
//
// Phase 1 finds a feasible basis by the dual simplex method for the cost f(j) = C(j, m + 1).
// Its reduced costs are f(j) - (the interpolant of f on the basis)(j) = l(j) / (m + 1)!, so a
// basis is dual feasible exactly when l(j) >= 0 at every j in 0 .. n, and every column outside
// the basis has a reduced cost above 0. Each step of the dual method then raises the dual
// objective strictly, so no basis comes back and the phase ends: with a basis whose basic
// values are all >= 0, or with a row whose negative basic value no column can make up, which
// proves that no distribution has the moments.
//
// Phase 2 is the primal simplex method for the asked cost from that basis. The leaving row is
// chosen by the lexicographic rule, which keeps the method from cycling whatever column enters
// as long as its reduced cost is negative. The reduced costs are d_j = c_j - p(j), p the dual
// polynomial of degree <= m, and c_j is constant on at most three stretches of 0 .. n, so on each
// stretch d is a polynomial in j. Its whole-number local minima are found exactly by bisection
// inside the places where it is monotone (kernels/run_polynomial.h), without visiting the
// columns; those with d_j < 0 are the candidates, ranked in rounded arithmetic, and when there is
// none the least d_j on every stretch is >= 0, which proves the basis optimal. Every decision is
// thus exact, and a pivot costs about m^3 log n exact operations whatever n. The older pricing
// ranks every column in rounded arithmetic, confirms its pick exactly, and proves optimality by
// the exact reduced costs of all n + 1 columns; it stays as the reference.

namespace unionbound {
namespace {

using Integer = mpz_class;
using Nodes = std::vector<std::int32_t>;
using Polynomial = std::vector<Integer>;  // coefficients of C(t, 0), C(t, 1), ...

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The moments over one common denominator, so that a polynomial's value under them is a sum of
// integer products: S_i = numerators[i] / denominator.
struct ScaledMoments {
  std::vector<Integer> numerators;
  Integer denominator;
};

ScaledMoments Scale(const SequenceOf<Rational>& S, std::size_t orders) {
  ScaledMoments scaled{{}, 1};
  for (std::size_t i = 0; i < orders; ++i) {
    mpz_lcm(scaled.denominator.get_mpz_t(), scaled.denominator.get_mpz_t(), S[i].get_den_mpz_t());
  }
  for (std::size_t i = 0; i < orders; ++i) {
    scaled.numerators.push_back(S[i].get_num() * (scaled.denominator / S[i].get_den()));
  }
  return scaled;
}

// c_j, negated for the maximum so that both goals are minimised.
int Cost(Goal goal, const Question& objective, std::int32_t j) {
  const std::int32_t r = CountedFrom(objective);
  const bool counted = CountsAtLeast(objective) ? j >= r : j == r;
  if (!counted) {
    return 0;
  }
  return goal == Goal::kMinimum ? 1 : -1;
}

// l(t) = prod_l (t - b_l) in the binomial basis. Since t C(t, i) = (i + 1) C(t, i + 1) +
// i C(t, i), a factor (t - a) takes C(t, i) to (i + 1) C(t, i + 1) + (i - a) C(t, i).
Polynomial NodePolynomial(const Nodes& b) {
  Polynomial h{1};
  for (const std::int32_t a : b) {
    Polynomial next(h.size() + 1, 0);
    for (std::size_t i = 0; i < h.size(); ++i) {
      next[i + 1] += h[i] * static_cast<unsigned long>(i + 1);
      next[i] += h[i] * (static_cast<long>(i) - a);
    }
    h = std::move(next);
  }
  return h;
}

// g = h / (t - a) for a root a of h, undoing the product above from the top: the coefficient of
// C(t, i) in h is i g_{i-1} + (i - a) g_i. The divisions are exact: g takes whole values at whole
// numbers, and such a polynomial has whole coefficients in the binomial basis.
Polynomial DivideByRoot(const Polynomial& h, std::int32_t a) {
  const std::size_t degree = h.size() - 2;
  Polynomial g(degree + 1);
  mpz_divexact_ui(g[degree].get_mpz_t(), h[degree + 1].get_mpz_t(), degree + 1);
  for (std::size_t i = degree; i >= 1; --i) {
    g[i - 1] = h[i] - g[i] * (static_cast<long>(i) - a);
    mpz_divexact_ui(g[i - 1].get_mpz_t(), g[i - 1].get_mpz_t(), i);
  }
  return g;
}

// A basis with what every step needs of it.
struct Basis {
  Nodes nodes;                     // increasing
  std::vector<Integer> weights;    // w_k = prod_{l != k} (b_k - b_l)
  std::vector<Polynomial> shares;  // l(t) / (t - b_k) = w_k L_k(t)
  std::vector<Rational> values;    // x_k
};

// x_k = sum_i (coefficient of C(t, i) in L_k) S_i: the basic solution is a distribution on the
// nodes alone, and under the moments every polynomial p of degree <= m has the value
// sum_k p(b_k) x_k, which is x_k for p = L_k.
Basis BasisOf(Nodes nodes, const ScaledMoments& S) {
  Basis basis;
  const Polynomial whole = NodePolynomial(nodes);
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    Integer w = 1;
    for (std::size_t l = 0; l < nodes.size(); ++l) {
      if (l != k) {
        w *= static_cast<long>(nodes[k]) - nodes[l];
      }
    }
    Polynomial share = DivideByRoot(whole, nodes[k]);
    Integer sum = 0;
    for (std::size_t i = 0; i < share.size(); ++i) {
      sum += share[i] * S.numerators[i];
    }
    Rational value(sum, Integer(w * S.denominator));
    value.canonicalize();
    basis.values.push_back(std::move(value));
    basis.weights.push_back(std::move(w));
    basis.shares.push_back(std::move(share));
  }
  basis.nodes = std::move(nodes);
  return basis;
}

// Column t of the tableau, (L_0(t), ..., L_m(t)).
std::vector<Rational> TableauColumn(const Basis& basis, std::int32_t t) {
  const Nodes& b = basis.nodes;
  std::vector<Rational> column(b.size(), Rational(0));
  const auto at = std::lower_bound(b.begin(), b.end(), t);
  if (at != b.end() && *at == t) {
    column[static_cast<std::size_t>(at - b.begin())] = 1;
    return column;
  }
  Integer product = 1;
  for (const std::int32_t node : b) {
    product *= static_cast<long>(t) - node;
  }
  for (std::size_t k = 0; k < b.size(); ++k) {
    Integer share;
    mpz_divexact(share.get_mpz_t(), product.get_mpz_t(),
                 Integer(static_cast<long>(t) - b[k]).get_mpz_t());
    column[k] = Rational(share, basis.weights[k]);
    column[k].canonicalize();
  }
  return column;
}

Nodes Replace(const Basis& basis, std::size_t leaving, std::int32_t entering) {
  Nodes nodes = basis.nodes;
  nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(leaving));
  nodes.insert(std::lower_bound(nodes.begin(), nodes.end(), entering), entering);
  return nodes;
}

// ---------------------------------------------------------------------------------------------
// Phase 1.

// A dual feasible basis near the mean S_1 / S_0, where a distribution's basis is likely to lie:
// a run of m + 1 consecutive nodes when m + 1 is even, node 0 and a run of m when it is odd. Both
// keep l(j) >= 0 on 0 .. n, since the factors of each pair of consecutive nodes have the same
// sign at every other whole number.
Nodes FeasibilityStart(std::int32_t n, std::int32_t m, const ScaledMoments& S) {
  Integer mean = 0;
  if (m >= 1 && S.numerators[0] > 0) {
    mpz_fdiv_q(mean.get_mpz_t(), S.numerators[1].get_mpz_t(), S.numerators[0].get_mpz_t());
  }
  const bool with_zero = m % 2 == 0;
  const std::int32_t run = with_zero ? m : m + 1;
  const std::int32_t lowest = with_zero ? 1 : 0;
  const Integer first = mean - run / 2;
  const std::int32_t start =
      first < lowest ? lowest
                     : static_cast<std::int32_t>(std::min<Integer>(first, n - run + 1).get_si());
  Nodes nodes;
  if (with_zero) {
    nodes.push_back(0);
  }
  for (std::int32_t i = 0; i < run; ++i) {
    nodes.push_back(start + i);
  }
  return nodes;
}

std::size_t MostNegative(const std::vector<Rational>& values) {
  std::size_t found = kNone;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (values[k] < 0 && (found == kNone || values[k] < values[found])) {
      found = k;
    }
  }
  return found;
}

// The entering subscript of the dual step that takes out row r, or -1 when none exists. The
// row holds L_r(j), whose sign in the gap after b_s, s > r, is (-1)^(s - r): the factors of the
// nodes b_{r+1} .. b_s each change sign (and likewise below b_r). Among the j with L_r(j) < 0 the
// dual ratio (l(j) / (m + 1)!) / |L_r(j)| = |j - b_r| |w_r| / (m + 1)! is smallest at the free
// subscript nearest to b_r: one past a node an odd number of nodes away.
std::int32_t DualEntering(const Nodes& b, std::size_t r, std::int32_t n) {
  const auto last = static_cast<std::ptrdiff_t>(b.size()) - 1;
  const auto at = [&b](std::ptrdiff_t s) { return b[static_cast<std::size_t>(s)]; };
  const auto row = static_cast<std::ptrdiff_t>(r);
  std::int32_t up = -1;
  for (std::ptrdiff_t s = row + 1; s <= last; s += 2) {
    if (at(s) + 1 < (s == last ? n + 1 : at(s + 1))) {
      up = at(s) + 1;
      break;
    }
  }
  std::int32_t down = -1;
  for (std::ptrdiff_t s = row - 1; s >= 0; s -= 2) {
    if (at(s) - 1 > (s == 0 ? -1 : at(s - 1))) {
      down = at(s) - 1;
      break;
    }
  }
  if (up < 0 || (down >= 0 && at(row) - down <= up - at(row))) {
    return down;
  }
  return up;
}

// ---------------------------------------------------------------------------------------------
// Phase 2.

// The simplex multipliers y as the polynomial p(t) = sum_i y_i C(t, i) = sum_k c_{b_k} L_k(t), the
// one of degree <= m through the costs at the nodes, scaled by a whole `scale` > 0 so that its
// coefficients are whole.
struct ScaledDual {
  Polynomial coefficients;
  Integer scale;
};

ScaledDual DualOf(const Basis& basis, Goal goal, const Question& objective) {
  ScaledDual dual{Polynomial(basis.nodes.size(), 0), 1};
  for (std::size_t k = 0; k < basis.nodes.size(); ++k) {
    if (Cost(goal, objective, basis.nodes[k]) != 0) {
      mpz_lcm(dual.scale.get_mpz_t(), dual.scale.get_mpz_t(), basis.weights[k].get_mpz_t());
    }
  }
  for (std::size_t k = 0; k < basis.nodes.size(); ++k) {
    const int cost = Cost(goal, objective, basis.nodes[k]);
    if (cost == 0) {
      continue;
    }
    const Integer factor = cost * (dual.scale / basis.weights[k]);
    for (std::size_t i = 0; i < dual.coefficients.size(); ++i) {
      dual.coefficients[i] += factor * basis.shares[k][i];
    }
  }
  return dual;
}

// The subscript with the most negative reduced cost c_j - p(j), or -1 when none is negative (the
// basis is optimal). The coefficients of p in the binomial basis are its forward differences at
// 0, so p(0), p(1), ... follow by m additions each.
std::int32_t PrimalEntering(const ScaledDual& dual, Goal goal, const Question& objective,
                            std::int32_t n) {
  Polynomial differences = dual.coefficients;
  std::int32_t found = -1;
  Integer lowest = 0;
  Integer reduced;
  for (std::int32_t j = 0; j <= n; ++j) {
    reduced = Cost(goal, objective, j) * dual.scale - differences[0];
    if (reduced < lowest) {
      lowest = reduced;
      found = j;
    }
    for (std::size_t i = 0; i + 1 < differences.size(); ++i) {
      differences[i] += differences[i + 1];
    }
  }
  return found;
}

// How much a column promises, by a rounded reckoning: the fall of the cost over the whole step
// d_j * theta_j, theta_j = min x_k / L_k(j) over L_k(j) > 0 (the greatest improvement), and for
// a step of length 0 the fall per unit length of the edge, d_j / sqrt(1 + sum_k L_k(j)^2) (the
// steepest edge). By the reduced cost alone the method brings in the far ends of 0 .. n again
// and again: their reduced costs are large only because their tableau columns are, and the step
// along them is short; the steepest edge alone moves a node one subscript per pivot.
struct Promise {
  long double fall = 0.0L;
  long double slope = 0.0L;

  bool Beats(const Promise& other) const {
    return fall < other.fall || (fall == other.fall && slope < other.slope);
  }
};

// The promise of columns outside a basis, in long double, O(m) a column. Only this ranking is
// rounded: the caller knows the sign of d_j exactly. Long double keeps l(j) and w_k in range for
// n^(m + 1) up to about 10^4900.
class Ranking {
 public:
  Ranking(const Basis& basis, Goal goal, const Question& objective)
      : nodes_(basis.nodes), goal_(goal), objective_(objective) {
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
      inverse_weights_.push_back(1.0L / static_cast<long double>(basis.weights[k].get_d()));
      node_costs_.push_back(Cost(goal, objective, nodes_[k]));
      values_.push_back(static_cast<long double>(basis.values[k].get_d()));
    }
  }

  // The rounded reduced cost of column j, not a node, and its promise.
  std::pair<long double, Promise> Of(std::int32_t j) const {
    long double product = 1.0L;
    for (const std::int32_t node : nodes_) {
      product *= static_cast<long double>(j - node);
    }
    long double interpolated = 0.0L;
    long double length = 1.0L;
    long double step = -1.0L;
    for (std::size_t k = 0; k < nodes_.size(); ++k) {
      const long double entry =
          product / static_cast<long double>(j - nodes_[k]) * inverse_weights_[k];
      interpolated += node_costs_[k] * entry;
      length += entry * entry;
      if (entry > 0 && (step < 0 || values_[k] / entry < step)) {
        step = values_[k] / entry;
      }
    }
    const long double reduced = Cost(goal_, objective_, j) - interpolated;
    return {reduced, Promise{reduced * std::max(step, 0.0L), reduced / std::sqrt(length)}};
  }

 private:
  const Nodes& nodes_;
  Goal goal_;
  Question objective_;
  std::vector<long double> inverse_weights_;
  std::vector<long double> node_costs_;
  std::vector<long double> values_;
};

// The column of all 0 .. n that promises most, or -1 when none seems to lower the cost.
std::int32_t MostPromising(const Basis& basis, Goal goal, const Question& objective,
                           std::int32_t n) {
  const Ranking ranking(basis, goal, objective);
  const Nodes& b = basis.nodes;
  std::int32_t found = -1;
  Promise best;
  std::size_t next_node = 0;
  for (std::int32_t j = 0; j <= n; ++j) {
    if (next_node < b.size() && b[next_node] == j) {
      ++next_node;
      continue;
    }
    const auto [reduced, promise] = ranking.Of(j);
    if (reduced < 0 && (found < 0 || promise.Beats(best))) {
      best = promise;
      found = j;
    }
  }
  return found;
}

// p(x) = sum_i coefficients[i] C(x, i) at a whole x >= 0.
Integer ValueAt(const Polynomial& coefficients, std::int64_t x) {
  Integer sum = 0;
  Integer binomial = 1;  // C(x, i)
  for (std::size_t i = 0; i < coefficients.size(); ++i) {
    sum += coefficients[i] * binomial;
    mpz_mul_si(binomial.get_mpz_t(), binomial.get_mpz_t(),
               static_cast<long>(x - static_cast<std::int64_t>(i)));
    mpz_divexact_ui(binomial.get_mpz_t(), binomial.get_mpz_t(), i + 1);
  }
  return sum;
}

// The stretches first .. last of 0 .. n on which c_j does not change: below r and from r on for
// P(X >= r); below r, r alone and above r for P(X = r).
std::vector<std::pair<std::int32_t, std::int32_t>> Stretches(const Question& objective,
                                                             std::int32_t n) {
  const std::int32_t r = CountedFrom(objective);
  std::vector<std::pair<std::int32_t, std::int32_t>> stretches;
  if (r > 0) {
    stretches.emplace_back(0, r - 1);
  }
  if (CountsAtLeast(objective)) {
    stretches.emplace_back(r, n);
  } else {
    stretches.emplace_back(r, r);
    if (r < n) {
      stretches.emplace_back(r + 1, n);
    }
  }
  return stretches;
}

// The whole-number local minima of d_j on each stretch that have d_j < 0 exactly. None when the
// basis is optimal, since the least d_j of a stretch is among its local minima. The nodes have
// d_j = 0 and never come in.
std::vector<std::int32_t> NegativeMinima(const Basis& basis, Goal goal, const Question& objective,
                                         std::int32_t n) {
  const ScaledDual dual = DualOf(basis, goal, objective);
  const std::size_t degree = dual.coefficients.size() - 1;
  std::vector<std::int32_t> found;
  for (const auto& [first, last] : Stretches(objective, n)) {
    // Scaled d at first + t for t = 0 .. degree, which fixes it on the whole stretch.
    const Integer cost = Cost(goal, objective, first) * dual.scale;
    std::vector<Integer> values;
    for (std::size_t t = 0; t <= degree; ++t) {
      values.push_back(cost - ValueAt(dual.coefficients, first + static_cast<std::int64_t>(t)));
    }
    const RunPolynomial reduced(std::move(values));
    for (const std::int64_t t : reduced.LocalMinima(last - first)) {
      if (sgn(reduced.At(t)) < 0) {
        found.push_back(first + static_cast<std::int32_t>(t));
      }
    }
  }
  return found;
}

// c_j - sum_k c_{b_k} L_k(j), exactly, from column j of the tableau.
Rational ReducedCost(const Basis& basis, Goal goal, const Question& objective, std::int32_t j,
                     const std::vector<Rational>& column) {
  Rational reduced = Cost(goal, objective, j);
  for (std::size_t k = 0; k < column.size(); ++k) {
    reduced -= Cost(goal, objective, basis.nodes[k]) * column[k];
  }
  return reduced;
}

struct Entering {
  std::int32_t subscript = -1;  // -1: the basis is optimal
  std::vector<Rational> column;
};

// With kRoots, the most promising of the local minima with d_j < 0, or none when there is none.
// With kScan, the most promising column when its reduced cost is negative, exactly; otherwise,
// and to prove a basis optimal, the exact reduced costs of every column.
Entering ChooseEntering(const Basis& basis, Goal goal, const Question& objective, std::int32_t n,
                        Pricing pricing) {
  Entering entering;
  if (pricing == Pricing::kRoots) {
    const Ranking ranking(basis, goal, objective);
    Promise best;
    for (const std::int32_t j : NegativeMinima(basis, goal, objective, n)) {
      const Promise promise = ranking.Of(j).second;
      if (entering.subscript < 0 || promise.Beats(best)) {
        best = promise;
        entering.subscript = j;
      }
    }
  } else {
    entering.subscript = MostPromising(basis, goal, objective, n);
    if (entering.subscript >= 0) {
      entering.column = TableauColumn(basis, entering.subscript);
      if (ReducedCost(basis, goal, objective, entering.subscript, entering.column) < 0) {
        return entering;
      }
    }
    entering.subscript = PrimalEntering(DualOf(basis, goal, objective), goal, objective, n);
  }
  if (entering.subscript >= 0) {
    entering.column = TableauColumn(basis, entering.subscript);
  }
  return entering;
}

// Of the rows k with column[k] > 0, the one whose (x_k, row k of B^-1 B_0) / column[k] is
// lexicographically smallest, B_0 the basis phase 2 started from. Rows of B^-1 B_0 are never
// proportional, so the choice is unique, and the rows stay lexicographically positive, which
// makes the objective with its perturbation fall at every step: no basis comes back.
std::size_t PrimalLeaving(const Basis& basis, const std::vector<Rational>& column,
                          const Nodes& start) {
  std::vector<std::size_t> tied;
  Rational lowest;
  for (std::size_t k = 0; k < column.size(); ++k) {
    if (column[k] <= 0) {
      continue;
    }
    const Rational ratio = basis.values[k] / column[k];
    if (tied.empty() || ratio < lowest) {
      tied = {k};
      lowest = ratio;
    } else if (ratio == lowest) {
      tied.push_back(k);
    }
  }
  for (std::size_t t = 0; tied.size() > 1 && t < start.size(); ++t) {
    const std::vector<Rational> entries = TableauColumn(basis, start[t]);
    std::vector<std::size_t> kept;
    for (const std::size_t k : tied) {
      const Rational ratio = entries[k] / column[k];
      if (kept.empty() || ratio < lowest) {
        kept = {k};
        lowest = ratio;
      } else if (ratio == lowest) {
        kept.push_back(k);
      }
    }
    tied = std::move(kept);
  }
  // The entries of a column sum to 1 (the L_k interpolate the constant 1), so one is positive.
  if (tied.empty()) {
    throw std::logic_error("SolveMomentProgram: a column without a positive entry");
  }
  return tied.front();
}

// ---------------------------------------------------------------------------------------------

void CheckArguments(const Question& objective, std::int32_t n, const SequenceOf<Rational>& S) {
  if (n < 0) {
    throw std::invalid_argument("SolveMomentProgram: n < 0");
  }
  if (S.empty()) {
    throw std::invalid_argument("SolveMomentProgram: no moments");
  }
  if (CountedFrom(objective) < 0 || CountedFrom(objective) > n) {
    throw std::invalid_argument("SolveMomentProgram: r outside 0 .. n");
  }
}

// Phase 1: a basis whose basic values are all >= 0, or none when the moments fit no
// distribution.
std::optional<Basis> FeasibleBasis(std::int32_t n, std::int32_t m, const ScaledMoments& S,
                                   std::int64_t& pivots) {
  Basis basis = BasisOf(FeasibilityStart(n, m, S), S);
  for (std::size_t r = MostNegative(basis.values); r != kNone; r = MostNegative(basis.values)) {
    const std::int32_t entering = DualEntering(basis.nodes, r, n);
    if (entering < 0) {
      return std::nullopt;
    }
    basis = BasisOf(Replace(basis, r, entering), S);
    ++pivots;
  }
  return basis;
}

// Phase 2: from a feasible basis to an optimal one.
Basis OptimalBasis(Basis basis, Goal goal, const Question& objective, std::int32_t n,
                   const ScaledMoments& S, Pricing pricing, std::int64_t& pivots) {
  const Nodes start = basis.nodes;
  for (;;) {
    const Entering entering = ChooseEntering(basis, goal, objective, n, pricing);
    if (entering.subscript < 0) {
      return basis;
    }
    const std::size_t leaving = PrimalLeaving(basis, entering.column, start);
    basis = BasisOf(Replace(basis, leaving, entering.subscript), S);
    ++pivots;
  }
}

}  // namespace

MomentProgramResult SolveMomentProgram(Goal goal, const Question& objective, std::int32_t n,
                                       const SequenceOf<Rational>& S) {
  return SolveMomentProgram(goal, objective, n, S, Pricing::kRoots);
}

MomentProgramResult SolveMomentProgram(Goal goal, const Question& objective, std::int32_t n,
                                       const SequenceOf<Rational>& S, Pricing pricing) {
  CheckArguments(objective, n, S);
  const std::size_t orders = std::min(S.size(), static_cast<std::size_t>(n) + 1);
  const ScaledMoments scaled = Scale(S, orders);
  MomentProgramResult result;
  std::optional<Basis> feasible =
      FeasibleBasis(n, static_cast<std::int32_t>(orders) - 1, scaled, result.pivots);
  if (!feasible) {
    return result;
  }
  const Basis basis =
      OptimalBasis(std::move(*feasible), goal, objective, n, scaled, pricing, result.pivots);
  result.status = ProgramStatus::kOptimal;
  for (std::size_t k = 0; k < basis.nodes.size(); ++k) {
    if (Cost(Goal::kMinimum, objective, basis.nodes[k]) != 0) {
      result.value += basis.values[k];
    }
    result.basis.push_back(basis.nodes[k]);
    result.distribution.push_back(basis.values[k]);
  }
  return result;
}

}  // namespace unionbound
