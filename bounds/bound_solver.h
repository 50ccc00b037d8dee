#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <deque>
#include <iostream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "bounds/basis_rules.h"
#include "bounds/bound_result.h"
#include "kernels/index_range.h"
#include "kernels/node_poly.h"
#include "kernels/run_polynomial.h"
#include "numeric/combinatorics.h"
#include "numeric/exact_number.h"
#include "numeric/lin_solve.h"
#include "numeric/types.h"
#include "numeric/vector_ops.h"

namespace unionbound {

// The minimum and the maximum of c.x over x >= 0 with sum_i z_i^d x_i = mu_d for d = 0 .. m,
// n = |z| - 1 and m = |mu| - 1, found by the dual walk over bases of a fixed shape. The walk is
// fitted to the nodes 0 .. n with the objective (0, 1, ..., 1) for even m and its negation for
// odd m.
//
// An empty record when the shape leaves no subscript to bring in or a basis comes back
// (WalkToBound tells these ends apart). Inputs outside 0 <= m <= n, |c| = |z| and strictly
// increasing nodes are refused with a message on standard error and an empty record.
BoundResult MinimumBound(const Vector& c, const Vector& z, const Vector& mu);
BoundResult MaximumBound(const Vector& c, const Vector& z, const Vector& mu);

enum class WalkEnd {
  kOptimal,     // no basic value negative
  kInfeasible,  // "no feasible solution"
  kRepeated,    // "the basis changes repeat; no bound found"
  kRefused,     // inputs outside the requirements
};

// The line the interactive program writes on standard output for a walk that ended this way
// (without its line end); empty for an optimal or refused walk.
const char* WalkEndMessage(WalkEnd end);

// The one-word name of an end for reports: "optimal", "infeasible", "cycle", "refused".
const char* WalkEndName(WalkEnd end);

// One solver call with how it ended and how many basis changes it made.
template <class Number>
struct BoundWalkOf {
  BoundResultOf<Number> result;
  WalkEnd end = WalkEnd::kRefused;
  std::int64_t basis_changes = 0;
  // The moves that made them up to the end (or to where a repeat was seen): one a change with
  // single steps, one a run where the walk jumped across it.
  std::int64_t moves = 0;
  // The basis the walk stood on when it ended, found or not: a later walk can start there.
  IndexVector last_basis;
  // The linear solve of the optimal basis (only double walks solve one).
  LinSolveStatus solve;
  // Why the inputs were refused (end kRefused); empty otherwise.
  std::string problem;
};

// The line MinimumBound and MaximumBound write on standard error for a walk refused for
// `problem` (without its line end).
inline std::string RefusalMessage(Goal goal, const std::string& problem) {
  return std::string("unionbound: ") + (goal == Goal::kMinimum ? "MinimumBound" : "MaximumBound") +
         ": " + problem + "; no bound computed";
}

using BoundWalk = BoundWalkOf<double>;

// How a walk on the union's columns moves: one basis change at a time, or across a run of equal
// changes at once (see bound_walk_detail::JumpLength). Both end the same way on the same basis,
// with the same value, and count the same basis changes, a jump each change it crosses; the
// single steps are the reference.
enum class WalkStride { kOneStep, kJumps };

// The numerator of a basic value: NodePolyMoment, or its listed reference form for comparison.
template <class Number>
using NumeratorOf = Number (*)(const SequenceOf<Number>& a, const SequenceOf<Number>& z,
                               std::int32_t c);

using NumeratorKernel = NumeratorOf<double>;

// The columns of a moment program as the walk sees them: how many there are, and the nodes and
// objective entries of a basis. Listed columns hold both in full; the union's columns are known
// in closed form (node i is i, objective entry i is `unit` times 0 for i = 0 and `unit`
// otherwise), so that a walk on n + 1 columns needs no list of n + 1 numbers. For a double unit
// of -1 entry 0 is -0.0, as the negated list (0, 1, ..., 1) has it, and the final scalar
// product can show that sign.
template <class Number>
struct ListedColumns {
  const SequenceOf<Number>& c;
  const SequenceOf<Number>& z;
};

template <class Number>
struct UnionColumns {
  std::int32_t n;
  Number unit;
};

template <class Number>
std::size_t ColumnCount(const ListedColumns<Number>& columns) {
  return columns.z.size();
}
template <class Number>
SequenceOf<Number> BasisNodes(const ListedColumns<Number>& columns, const IndexVector& basis) {
  return SubVector<Number>(columns.z, basis);
}
template <class Number>
SequenceOf<Number> BasisCosts(const ListedColumns<Number>& columns, const IndexVector& basis) {
  return SubVector<Number>(columns.c, basis);
}
template <class Number>
std::string ColumnsProblem(const ListedColumns<Number>& columns) {
  if (columns.c.size() != columns.z.size()) {
    return "the objective and the nodes differ in length";
  }
  for (std::size_t i = 1; i < columns.z.size(); ++i) {
    if (!(columns.z[i - 1] < columns.z[i])) {
      return "the nodes do not increase strictly";
    }
  }
  return "";
}

template <class Number>
std::size_t ColumnCount(const UnionColumns<Number>& columns) {
  return static_cast<std::size_t>(columns.n) + 1;
}
template <class Number>
SequenceOf<Number> BasisNodes(const UnionColumns<Number>&, const IndexVector& basis) {
  SequenceOf<Number> nodes;
  for (std::int32_t subscript : basis) {
    nodes.push_back(Number(subscript));
  }
  return nodes;
}
template <class Number>
SequenceOf<Number> BasisCosts(const UnionColumns<Number>& columns, const IndexVector& basis) {
  SequenceOf<Number> costs;
  for (std::int32_t subscript : basis) {
    costs.push_back(subscript == 0 ? Number(columns.unit * Number(0)) : columns.unit);
  }
  return costs;
}
template <class Number>
std::string ColumnsProblem(const UnionColumns<Number>& columns) {
  return columns.n < 0 ? "no nodes were given" : "";
}

namespace bound_walk_detail {

inline bool AllIntegers(const SequenceOf<Rational>& values) {
  return std::all_of(values.begin(), values.end(),
                     [](const Rational& x) { return x.get_den() == 1; });
}

// The numerators of the basic values in integers, for integer nodes: the moments times the
// least common multiple of their denominators keep every numerator's sign, and integer
// products and sums cost a fraction of rational ones, which reduce every result by a greatest
// common divisor. numerator(j) / scale is NodePolyMoment(mu, nodes, j).
class IntegerNumerators {
 public:
  IntegerNumerators(const SequenceOf<Rational>& nodes, const SequenceOf<Rational>& mu) {
    for (const Rational& x : mu) {
      mpz_lcm(scale_.get_mpz_t(), scale_.get_mpz_t(), x.get_den_mpz_t());
    }
    for (const Rational& x : mu) {
      mu_.push_back(x.get_num() * (scale_ / x.get_den()));
    }
    for (const Rational& x : nodes) {
      nodes_.push_back(x.get_num());
    }
    product_ = NodeProduct<mpz_class>(nodes_);
  }

  mpz_class Numerator(std::size_t j) const {
    return NumeratorFromProduct<mpz_class>(mu_, product_, nodes_[j]);
  }
  const mpz_class& scale() const { return scale_; }

 private:
  mpz_class scale_ = 1;
  SequenceOf<mpz_class> mu_;
  SequenceOf<mpz_class> nodes_;
  std::vector<mpz_class> product_;
};

inline std::int32_t IntegerLeavingPosition(const SequenceOf<Rational>& nodes,
                                           const SequenceOf<Rational>& mu,
                                           std::int32_t first_tested) {
  const IntegerNumerators numerators(nodes, mu);
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  for (std::int32_t j = first_tested; j <= m; ++j) {
    const int sign = (m - j) % 2 == 0 ? 1 : -1;
    if (sign * sgn(numerators.Numerator(static_cast<std::size_t>(j))) < 0) {
      return j;
    }
  }
  return basis_rules::kNone;
}

// The lowest tested position whose basic value is negative (a not-a-number counts as
// negative), judged by the sign of its numerator times (-1)^(m - j). Without a numerator
// kernel, double takes NodePolyMoment position by position, whose rounding the results are
// compared by, and exact types divide one product polynomial of the basis nodes per position.
template <class Number>
std::int32_t LeavingPosition(const SequenceOf<Number>& nodes, const SequenceOf<Number>& mu,
                             std::int32_t first_tested, NumeratorOf<Number> numerator) {
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  if constexpr (std::is_same_v<Number, Rational>) {
    if (numerator == nullptr && AllIntegers(nodes)) {
      return IntegerLeavingPosition(nodes, mu, first_tested);
    }
  }
  if constexpr (NumberTraits<Number>::kExact) {
    if (numerator == nullptr) {
      const std::vector<Number> product = NodeProduct<Number>(nodes);
      for (std::int32_t j = first_tested; j <= m; ++j) {
        const int sign = (m - j) % 2 == 0 ? 1 : -1;
        if (sign * sgn(NumeratorFromProduct<Number>(mu, product, nodes[j])) < 0) {
          return j;
        }
      }
      return basis_rules::kNone;
    }
  }
  if (numerator == nullptr) {
    numerator = NodePolyMoment<Number>;
  }
  for (std::int32_t j = first_tested; j <= m; ++j) {
    const Number s = IntPower<Number>(Number(-1), m - j).value * numerator(mu, nodes, j);
    if (!(s >= 0)) {
      return j;
    }
  }
  return basis_rules::kNone;
}

// The basic solution of the final basis: LinSolve on its power matrix, whose rounding the
// results are compared by, with its status, or for exact types each value as its numerator over
// prod_{l != j} (z_j - z_l), which is the same solution in O(m^2) operations and solves no
// linear system.
template <class Number>
Checked<SequenceOf<Number>, LinSolveStatus> BasicSolution(const SequenceOf<Number>& nodes,
                                                          const SequenceOf<Number>& mu) {
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  if constexpr (std::is_same_v<Number, Rational>) {
    if (AllIntegers(nodes)) {
      const IntegerNumerators numerators(nodes, mu);
      SequenceOf<Rational> solution;
      for (std::size_t j = 0; j < nodes.size(); ++j) {
        mpz_class denominator = numerators.scale();
        for (std::size_t l = 0; l < nodes.size(); ++l) {
          if (l != j) {
            denominator *= nodes[j].get_num() - nodes[l].get_num();
          }
        }
        Rational value(numerators.Numerator(j), denominator);
        value.canonicalize();
        solution.push_back(value);
      }
      return {std::move(solution), LinSolveStatus{}};
    }
  }
  if constexpr (NumberTraits<Number>::kExact) {
    const std::vector<Number> product = NodeProduct<Number>(nodes);
    SequenceOf<Number> solution;
    for (std::size_t j = 0; j < nodes.size(); ++j) {
      Number denominator(1);
      for (std::size_t l = 0; l < nodes.size(); ++l) {
        if (l != j) {
          denominator = denominator * (nodes[j] - nodes[l]);
        }
      }
      solution.push_back(NumeratorFromProduct<Number>(mu, product, nodes[j]) / denominator);
    }
    return {std::move(solution), LinSolveStatus{}};
  } else {
    return LinSolve<Number>(PowerMatrix<Number>(nodes, m), mu);
  }
}

// Why the walk cannot run on these columns and moments; empty when it can.
template <class Number, class Columns>
std::string InputProblem(const Columns& columns, const SequenceOf<Number>& mu) {
  if (mu.empty()) {
    return "no moments were given";
  }
  if (mu.size() > ColumnCount(columns)) {
    return "more moment orders than nodes (m > n)";
  }
  return ColumnsProblem(columns);
}

// Where one step of the walk leads from a basis: to the next basis, or to the walk's end
// (kOptimal or kInfeasible) when it does not move.
struct Step {
  bool moved = false;
  WalkEnd end = WalkEnd::kOptimal;
  IndexVector next;
  std::int32_t leaving = basis_rules::kNone;  // the position left, when it moved
  std::int32_t entering = basis_rules::kNone;
};

// The step of one variant of the walk on given columns and moments: a function of the basis
// alone, so that a stretch of the walk can be walked again.
template <class Number, class Columns>
struct StepRule {
  const Columns& columns;
  const SequenceOf<Number>& mu;
  NumeratorOf<Number> numerator;
  basis_rules::Variant variant;
  std::int32_t n;

  Step operator()(const IndexVector& basis) const {
    using namespace basis_rules;
    Step step;
    const std::int32_t p =
        LeavingPosition(BasisNodes(columns, basis), mu, variant.first_tested, numerator);
    if (p == kNone) {
      return step;
    }
    const EnteringRule rule = p % 2 == 1 ? variant.odd_position : variant.even_position;
    const std::int32_t e = EnteringSubscript(basis, p, rule, n);
    if (e == kNone) {
      step.end = WalkEnd::kInfeasible;
      return step;
    }
    step.moved = true;
    step.next = ChangeBasis(basis, p, e);
    step.leaving = p;
    step.entering = e;
    return step;
  }
};

// The shortest run worth a jump: a jump tests d + 1 bases of the run exactly and searches
// polynomials of degree d, which costs as much as some tens of single steps.
inline constexpr std::int64_t kShortestJump = 16;
// The changes of a run taken one by one before a jump is tried, at first and at least, and at
// most. The single steps are the walk's own, so waiting costs nothing where the run ends; a
// jump that gains fewer changes than were waited for costs more than the steps it saves.
inline constexpr std::int64_t kStepsBeforeJump = 8;
inline constexpr std::int64_t kMostStepsBeforeJump = 512;

// The numbers that decide the tests of positions first_tested .. p at one basis of a run: the
// walk makes the run's change there when each is positive (strict) or not negative.
//
// Along a run the k moving nodes are b + t, so the numerator of every basic value, a linear
// functional of prod_{l != j} (x - z_l), is a polynomial of degree at most k in the number of
// steps t (each moving node enters through one factor linear in t). The numbers below are
// such polynomials too, and RunPolynomial finds exactly the first t where one stops passing,
// wherever its roots lie: no sign pattern along the run has to be assumed.
//
// Exact arithmetic: the numerators times (-1)^(m - j) themselves, in integers as the exact walk
// judges them. Double: the double walk decides by NodePolyMoment, whose rounding is bounded
// instead. Its nodes are whole numbers, so their products never underflow; a product of i
// nodes is rounded i - 1 times, each sum of C(m, i) of them adds C(m, i) - 1 roundings, the
// product with a moment one and the final sum m more, so the computed numerator is within
// gamma_K sum_i |mu_(m - i)| e_i(|nodes|) of the exact one, K = 2^m + 2m and gamma_K <= 2 K u
// (u = 2^-53). A computed sum e_i is 0 or a whole number, so its product with a moment of at
// least the smallest normal double does not underflow either; with a smaller moment, each of the
// m products can add a subnormal rounding of at most 2^-1075, and the margin (m + 1) 2^-1074
// covers them. Where the exact numerator clears the margin, the double sign is the exact one.
// Every number is held as a whole number: the numerators over the moments' common denominator,
// times 2^52 (2^1074 with the subnormal margin) for double.
template <class Number>
class RunTests {
 public:
  static constexpr bool kRuns = std::is_same_v<Number, Rational> || std::is_same_v<Number, double>;

  // `largest_node` bounds every node of the run; a double walk whose sums might overflow on the
  // run gets no tests (ok() false).
  RunTests(const SequenceOf<Number>& mu, std::int64_t largest_node) {
    const auto m = static_cast<std::int64_t>(mu.size()) - 1;
    SequenceOf<Rational> exact_mu;
    bool subnormal = false;
    if constexpr (std::is_same_v<Number, double>) {
      ok_ = m <= 30;
      const double log_node = std::log2(static_cast<double>(largest_node) + 1.0);
      ok_ = ok_ && static_cast<double>(m) * (1.0 + log_node) <= 1000.0;
      for (std::int64_t i = 0; ok_ && i <= m; ++i) {
        const double a = mu[static_cast<std::size_t>(m - i)];
        ok_ = std::isfinite(a) && (a == 0.0 || std::ilogb(a) + 1.0 + static_cast<double>(m) +
                                                       static_cast<double>(i) * log_node <=
                                                   1000.0);
      }
      if (!ok_) {
        return;
      }
      for (const double x : mu) {
        exact_mu.emplace_back(x);
        subnormal = subnormal || (x != 0.0 && std::fabs(x) < DBL_MIN);
      }
    } else {
      exact_mu = mu;
    }
    mpz_class scale = 1;
    for (const Rational& x : exact_mu) {
      mpz_lcm(scale.get_mpz_t(), scale.get_mpz_t(), x.get_den_mpz_t());
    }
    for (const Rational& x : exact_mu) {
      mu_.push_back(x.get_num() * (scale / x.get_den()));
      absolute_mu_.push_back(abs(mu_.back()));
    }
    if constexpr (std::is_same_v<Number, double>) {
      shift_ = subnormal ? 1074 : 52;
      margin_factor_ = ((mpz_class(1) << static_cast<unsigned long>(m)) + 2 * m)
                       << static_cast<unsigned long>(shift_ - 52);
      underflow_ = subnormal ? mpz_class(m + 1) * scale : mpz_class(0);
    }
  }

  bool ok() const { return ok_; }
  // Whether position j's number must be positive, not merely not negative.
  bool Strict(std::int32_t j, std::int32_t p) const {
    return std::is_same_v<Number, double> || j == p;
  }

  // The numbers of positions first_tested .. p at the basis with these (whole) nodes.
  std::vector<mpz_class> At(const IndexVector& basis, std::int32_t first_tested,
                            std::int32_t p) const {
    SequenceOf<mpz_class> nodes;
    SequenceOf<mpz_class> negated;
    for (const std::int32_t subscript : basis) {
      nodes.emplace_back(subscript);
      negated.emplace_back(-subscript);
    }
    const auto m = static_cast<std::int32_t>(basis.size()) - 1;
    const std::vector<mpz_class> product = NodeProduct<mpz_class>(nodes);
    std::vector<mpz_class> negated_product;
    if constexpr (std::is_same_v<Number, double>) {
      negated_product = NodeProduct<mpz_class>(negated);
    }
    std::vector<mpz_class> numbers;
    for (std::int32_t j = first_tested; j <= p; ++j) {
      const auto at = static_cast<std::size_t>(j);
      mpz_class number = NumeratorFromProduct<mpz_class>(mu_, product, nodes[at]);
      // The leaving position passes where its basic value is negative.
      if (((m - j) % 2 == 0) != (j < p)) {
        number = -number;
      }
      if constexpr (std::is_same_v<Number, double>) {
        number <<= static_cast<unsigned long>(shift_);
        number -= margin_factor_ *
                      NumeratorFromProduct<mpz_class>(absolute_mu_, negated_product, negated[at]) +
                  underflow_;
      }
      numbers.push_back(std::move(number));
    }
    return numbers;
  }

 private:
  bool ok_ = true;
  SequenceOf<mpz_class> mu_;
  SequenceOf<mpz_class> absolute_mu_;
  std::int64_t shift_ = 0;
  mpz_class margin_factor_;
  mpz_class underflow_;
};

// How many changes of `run` the walk makes from `basis` (where it changes position p): the
// first t in 0 .. run.length - 1 where the tests of positions first_tested .. p do not all
// pass, or run.length. 0 where no jump is tried. Exact for the exact walk; for the double walk
// a run ends early where rounding could decide a test, and single steps go on from there.
template <class Number>
std::int64_t JumpLength(const SequenceOf<Number>& mu, const IndexVector& basis,
                        std::int32_t first_tested, std::int32_t p, const basis_rules::Run& run) {
  const std::int64_t k = run.last - run.first + 1;
  if constexpr (!RunTests<Number>::kRuns) {
    return 0;
  } else {
    if (run.length < std::max(kShortestJump, k + 1)) {
      return 0;
    }
    const std::int64_t top =
        basis[static_cast<std::size_t>(run.last)] + (run.shift > 0 ? run.length : 0);
    const RunTests<Number> tests(mu, std::max<std::int64_t>(top, basis.back()));
    if (!tests.ok()) {
      return 0;
    }
    std::vector<std::vector<mpz_class>> values(static_cast<std::size_t>(p - first_tested + 1));
    for (std::int64_t t = 0; t <= k; ++t) {
      std::vector<mpz_class> numbers =
          tests.At(basis_rules::ShiftedBasis(basis, run, t), first_tested, p);
      for (std::size_t i = 0; i < numbers.size(); ++i) {
        values[i].push_back(std::move(numbers[i]));
      }
    }
    std::int64_t length = run.length;
    for (std::size_t i = 0; i < values.size() && length > 0; ++i) {
      const auto j = first_tested + static_cast<std::int32_t>(i);
      const std::int64_t failure =
          RunPolynomial(std::move(values[i])).FirstFailure(length - 1, tests.Strict(j, p));
      if (failure >= 0) {
        length = failure;
      }
    }
    return length;
  }
}

template <class Columns>
inline constexpr bool kUnionColumns = false;
template <class Number>
inline constexpr bool kUnionColumns<UnionColumns<Number>> = true;

// One walk over the bases, from a first basis on: where it stands, and how many changes it
// makes next in a row. The single steps are taken one at a time; with `jumps`, a run already
// seen to go on for some changes is crossed as far as JumpLength certifies it. The changes
// certified ahead stay known after a move that stops short of them, so two walks can keep in
// step (LocateFirstRepeat).
template <class Number, class Columns>
class Walker {
 public:
  Walker(const StepRule<Number, Columns>& step, const SequenceOf<Number>& mu, bool jumps,
         IndexVector first)
      : step_(step), mu_(mu), jumps_(jumps), basis_(std::move(first)) {}

  const IndexVector& basis() const { return basis_; }

  // How many changes of one run the walk makes from here in a row, as far as known: at least 1
  // while it goes on, 0 where it ends (end() tells how).
  std::int64_t Ahead() {
    if (certified_ > 0) {
      return certified_;
    }
    const Step& next = StepAhead(0);
    if (!next.moved) {
      return 0;
    }
    certified_ = 1;
    if (!jumps_) {
      return certified_;
    }
    run_ = basis_rules::RunOf(basis_, next.leaving, next.entering, step_.n);
    if (run_.length < std::max(kShortestJump, patience_ + 2)) {
      return certified_;
    }
    // A jump that stopped short of a run's end for a doubt about rounding is tried again on that
    // run (known by its block and where the block ends up) only after twice as many single
    // steps as the last wait, so that a stretch where rounding decides costs single steps and a
    // few jumps' tests, not a jump's tests every few steps.
    const RunEnd run_end{run_.first, run_.last, run_.shift,
                         basis_[static_cast<std::size_t>(run_.first)] + run_.shift * run_.length};
    if (run_end != doubtful_) {
      wait_ = kShortestJump;
    } else if (moved_ < retry_at_) {
      return certified_;
    }
    // A jump's exact tests pay off only on a run that is already seen to go on. The changes seen
    // are the walk's own, and are made in one move where the run ends before a jump is tried.
    std::int64_t seen = 1;
    while (seen <= patience_) {
      const Step& later = StepAhead(static_cast<std::size_t>(seen));
      if (!later.moved || basis_rules::StepsAlong(basis_, run_, later.next) != seen + 1) {
        certified_ = seen;
        return certified_;
      }
      ++seen;
    }
    certified_ =
        std::max(seen, JumpLength(mu_, basis_, step_.variant.first_tested, next.leaving, run_));
    if (certified_ < run_.length) {
      doubtful_ = run_end;
      retry_at_ = moved_ + certified_ + wait_;
      wait_ *= 2;
    }
    // Where runs go on a little beyond the steps seen, as where the walk changes two positions
    // by turns, jumps cost more than they save: the walk waits longer before the next.
    const std::int64_t gain = certified_ - seen;
    if (gain < patience_) {
      patience_ = std::min(2 * patience_, kMostStepsBeforeJump);
    } else if (gain > 16 * patience_) {
      patience_ = std::max(patience_ / 2, kStepsBeforeJump);
    }
    return certified_;
  }

  // How the walk ends where it stands, once Ahead() is 0.
  WalkEnd end() { return StepAhead(0).end; }

  // Moves on by `changes`, 1 .. Ahead().
  void Move(std::int64_t changes) {
    from_.swap(basis_);
    moved_run_ = run_;
    last_move_ = changes;
    if (ahead_.size() >= static_cast<std::size_t>(changes)) {
      basis_ = std::move(ahead_[static_cast<std::size_t>(changes - 1)].next);
      ahead_.erase(ahead_.begin(), ahead_.begin() + changes);
    } else {
      basis_ = basis_rules::ShiftedBasis(from_, run_, changes);
      ahead_.clear();
    }
    certified_ -= changes;
    moved_ += changes;
  }

  // The last move: the basis it started from, its run (for a move of more than one change) and
  // its changes.
  const IndexVector& from() const { return from_; }
  const basis_rules::Run& moved_run() const { return moved_run_; }
  std::int64_t last_move() const { return last_move_; }

  // The basis one change before where the walk stands, after a move.
  IndexVector OneBack() const {
    return last_move_ == 1 ? from_ : basis_rules::ShiftedBasis(from_, moved_run_, last_move_ - 1);
  }

 private:
  // The single steps from basis_ on that were already taken to see whether a run goes on:
  // ahead_[i] leaves the basis i steps along the walk from basis_.
  const Step& StepAhead(std::size_t i) {
    while (ahead_.size() <= i) {
      ahead_.push_back(step_(ahead_.empty() ? basis_ : ahead_.back().next));
    }
    return ahead_[i];
  }

  const StepRule<Number, Columns>& step_;
  const SequenceOf<Number>& mu_;
  bool jumps_;
  IndexVector basis_;
  std::deque<Step> ahead_;
  basis_rules::Run run_;
  std::int64_t certified_ = 0;
  std::int64_t moved_ = 0;
  IndexVector from_;
  basis_rules::Run moved_run_;
  std::int64_t last_move_ = 0;
  struct RunEnd {
    std::int32_t first = 0;
    std::int32_t last = -1;
    std::int32_t shift = 0;
    std::int64_t subscript = -1;  // of position `first` at the run's end
    bool operator==(const RunEnd&) const = default;
  };
  RunEnd doubtful_;
  std::int64_t retry_at_ = 0;
  std::int64_t wait_ = kShortestJump;
  std::int64_t patience_ = kStepsBeforeJump;
};

// Rounding can turn a zero basic value negative and lead the walk back to a basis it has left.
// The step is a function of the basis, so the walk then runs round a cycle for ever; Brent's
// method finds the cycle with two bases held, however long the walk: `saved` stays put while
// the walk goes up to `power` changes on, then moves to the walk's basis as `power` doubles, so
// that once both are on the cycle the walk meets `saved` again. It counts single changes: a
// jump is watched as the changes it crosses, so that a cycle is found after the same change,
// with the same length, as by single steps.
class RepeatWatch {
 public:
  explicit RepeatWatch(IndexVector first) : saved_(std::move(first)) {}

  // After the walker's last move: whether it met the saved basis on the way (it then stands on
  // it, as far as cycle() tells).
  template <class Walk>
  bool Met(const Walk& walker) {
    if (walker.last_move() == 1) {
      return Step(walker.basis());
    }
    return Jump(walker.from(), walker.moved_run(), walker.last_move());
  }

  // Once met: the changes from the saved basis round to it, the cycle's length.
  std::int64_t cycle() const { return since_saved_; }

 private:
  bool Step(const IndexVector& basis) {
    ++since_saved_;
    if (basis == saved_) {
      return true;
    }
    if (since_saved_ == power_) {
      saved_ = basis;
      power_ *= 2;
      since_saved_ = 0;
    }
    return false;
  }

  // The changes 1 .. `changes` of `run` from `from`, each as Step would take it.
  bool Jump(const IndexVector& from, const basis_rules::Run& run, std::int64_t changes) {
    std::int64_t done = 0;
    for (;;) {
      const std::int64_t save_at = done + (power_ - since_saved_);
      const std::int64_t hit = basis_rules::StepsAlong(from, run, saved_);
      if (hit > done && hit <= std::min(changes, save_at)) {
        since_saved_ += hit - done;
        return true;
      }
      if (save_at > changes) {
        since_saved_ += changes - done;
        return false;
      }
      done = save_at;
      saved_ = basis_rules::ShiftedBasis(from, run, done);
      power_ *= 2;
      since_saved_ = 0;
    }
  }

  IndexVector saved_;
  std::int64_t power_ = 1;
  std::int64_t since_saved_ = 0;
};

// Where a walk from `first` that comes back to a basis does so first: the number of basis
// changes up to the first basis that repeats one visited before, and the basis the walk stood
// on just before it. `cycle` is the length of the cycle, which every basis on it returns to
// after exactly that many changes; the tail before the cycle is found by walking two copies of
// the walk `cycle` changes apart until they meet, so that nothing grows with the walk's length.
// The copies, walkers from `first` made by `make_walker` (see Walker), keep in step across
// jumps: both move by the changes known for both. They cannot meet inside such a stretch: after
// meeting they would move alike, and two walks that move alike before as well stay apart.
struct FirstRepeat {
  std::int64_t basis_changes = 0;
  IndexVector last_basis;
};

template <class MakeWalker>
FirstRepeat LocateFirstRepeat(const MakeWalker& make_walker, std::int64_t cycle) {
  auto behind = make_walker();
  auto ahead = make_walker();
  for (std::int64_t left = cycle; left > 0;) {
    const std::int64_t changes = std::min(ahead.Ahead(), left);
    ahead.Move(changes);
    left -= changes;
  }
  std::int64_t tail = 0;
  while (behind.basis() != ahead.basis()) {
    // The copy behind is judged first, as with single steps only.
    const std::int64_t behind_changes = behind.Ahead();
    const std::int64_t changes = std::min(behind_changes, ahead.Ahead());
    behind.Move(changes);
    ahead.Move(changes);
    tail += changes;
  }
  return {tail + cycle, ahead.OneBack()};
}

}  // namespace bound_walk_detail

// The walk over the bases of one variant on any columns (see ListedColumns). It prints
// nothing: a walk refused for its inputs ends kRefused with the reason in `problem`. On the
// union's columns, with the walk's own numerators, it jumps across runs of equal basis changes
// unless `stride` asks for single steps; elsewhere it takes single steps.
template <class Number, class Columns>
BoundWalkOf<Number> WalkOver(Goal goal, const Columns& columns, const SequenceOf<Number>& mu,
                             NumeratorOf<Number> numerator, const IndexVector* start,
                             WalkStride stride = WalkStride::kJumps) {
  BoundWalkOf<Number> walk;
  walk.problem = bound_walk_detail::InputProblem(columns, mu);
  if (!walk.problem.empty()) {
    return walk;
  }
  // n + 1 columns can be 2^31, which no 32-bit count holds; n itself always fits.
  const auto n = static_cast<std::int32_t>(ColumnCount(columns) - 1);
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  const bound_walk_detail::StepRule<Number, Columns> step{columns, mu, numerator,
                                                          basis_rules::VariantFor(goal, n, m), n};
  const IndexVector first = start != nullptr ? *start : step.variant.start;
  const bool jumps = stride == WalkStride::kJumps && numerator == nullptr &&
                     bound_walk_detail::kUnionColumns<Columns>;

  bound_walk_detail::Walker<Number, Columns> walker(step, mu, jumps, first);
  bound_walk_detail::RepeatWatch watch(first);
  for (std::int64_t changes = walker.Ahead(); changes > 0; changes = walker.Ahead()) {
    walker.Move(changes);
    walk.basis_changes += changes;
    ++walk.moves;
    if (watch.Met(walker)) {
      const bound_walk_detail::FirstRepeat repeat = bound_walk_detail::LocateFirstRepeat(
          [&] { return bound_walk_detail::Walker<Number, Columns>(step, mu, jumps, first); },
          watch.cycle());
      walk.basis_changes = repeat.basis_changes;
      walk.last_basis = repeat.last_basis;
      walk.end = WalkEnd::kRepeated;
      return walk;
    }
  }
  walk.last_basis = walker.basis();
  if (walker.end() == WalkEnd::kInfeasible) {
    walk.end = WalkEnd::kInfeasible;
    return walk;
  }

  const IndexVector& basis = walker.basis();
  auto solved = bound_walk_detail::BasicSolution<Number>(BasisNodes(columns, basis), mu);
  walk.result.solution = std::move(solved.value);
  walk.solve = solved.status;
  walk.result.value = ScalarProduct<Number>(BasisCosts(columns, basis), walk.result.solution).value;
  walk.result.basis = basis;
  walk.end = WalkEnd::kOptimal;
  return walk;
}

// The walk behind MinimumBound and MaximumBound, with the same results, in any number type:
// double is the interactive program's, bit for bit. It prints nothing: `end` tells how it ended
// (WalkEndMessage gives the program's line for it, RefusalMessage the refusal of inputs outside
// the requirements) and `solve` how the optimal basis was solved. It starts from the variant's
// start basis, or from `start`, which must then be a basis of the variant's shape (such as the last
// basis of another walk on the same program).
template <class Number>
BoundWalkOf<Number> WalkToBound(Goal goal, const SequenceOf<Number>& c, const SequenceOf<Number>& z,
                                const SequenceOf<Number>& mu,
                                NumeratorOf<Number> numerator = nullptr,
                                const IndexVector* start = nullptr) {
  return WalkOver<Number>(goal, ListedColumns<Number>{c, z}, mu, numerator, start);
}

// The double form, which also takes braced lists.
BoundWalk WalkToBound(Goal goal, const Vector& c, const Vector& z, const Vector& mu,
                      NumeratorKernel numerator = nullptr, const IndexVector* start = nullptr);

}  // namespace unionbound
