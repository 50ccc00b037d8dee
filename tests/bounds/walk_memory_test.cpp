// The walk holds nothing that grows with n or with its own length: the union's columns are
// taken in closed form, and a repeated basis is found without a record of the bases visited.
// Both must leave every result as it was: the closed-form walk is compared bit for bit with
// the walk on the listed nodes and objective, and the walk's repeat detection with a walk that
// remembers every basis it visits.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bounds/bound_solver.h"
#include "bounds/sharp_bounds.h"
#include "moments/power_moments.h"
#include "numeric/vector_ops.h"
#include "tests/support/console.h"
#include "tests/support/same_bits.h"
#include "tests/support/same_walk.h"

namespace unionbound {
namespace {

using bound_walk_detail::BasicSolution;
using bound_walk_detail::InputProblem;
using bound_walk_detail::LeavingPosition;

// The walk as it stood before its repeat detection took constant memory: every basis visited is
// kept, and the walk ends at the first basis it has seen before.
template <class Number, class Columns>
BoundWalkOf<Number> WalkRememberingBases(Goal goal, const Columns& columns,
                                         const SequenceOf<Number>& mu,
                                         NumeratorOf<Number> numerator,
                                         const IndexVector* start = nullptr) {
  using namespace basis_rules;
  BoundWalkOf<Number> walk;
  walk.problem = InputProblem(columns, mu);
  if (!walk.problem.empty()) {
    return walk;
  }
  const auto n = static_cast<std::int32_t>(ColumnCount(columns)) - 1;
  const auto m = static_cast<std::int32_t>(mu.size()) - 1;
  const Variant variant = VariantFor(goal, n, m);
  IndexVector basis = start != nullptr ? *start : variant.start;
  std::set<IndexVector> visited{basis};
  for (;;) {
    walk.last_basis = basis;
    const std::int32_t p =
        LeavingPosition(BasisNodes(columns, basis), mu, variant.first_tested, numerator);
    if (p == kNone) {
      break;
    }
    const EnteringRule rule = p % 2 == 1 ? variant.odd_position : variant.even_position;
    const std::int32_t e = EnteringSubscript(basis, p, rule, n);
    if (e == kNone) {
      walk.end = WalkEnd::kInfeasible;
      return walk;
    }
    basis = ChangeBasis(basis, p, e);
    ++walk.basis_changes;
    if (!visited.insert(basis).second) {
      walk.end = WalkEnd::kRepeated;
      return walk;
    }
  }
  auto solved = BasicSolution<Number>(BasisNodes(columns, basis), mu);
  walk.result.solution = std::move(solved.value);
  walk.solve = solved.status;
  walk.result.value = ScalarProduct<Number>(BasisCosts(columns, basis), walk.result.solution).value;
  walk.result.basis = basis;
  walk.end = WalkEnd::kOptimal;
  return walk;
}

using testing::ConsoleOf;
using testing::ExpectSameWalk;
using testing::SameBits;

// The power moments of the binomial moments of a distribution of the number of events that
// occur, formed in doubles as the program forms them.
Vector PowerMomentsOf(const std::vector<double>& weights, std::int32_t m) {
  const auto n = static_cast<std::int32_t>(weights.size()) - 1;
  double total = 0.0;
  for (double w : weights) {
    total += w;
  }
  Vector S{1.0};
  for (std::int32_t i = 1; i <= m; ++i) {
    double s = 0.0;
    for (std::int32_t k = 0; k <= n; ++k) {
      double choose = 1.0;
      for (std::int32_t j = 1; j <= i; ++j) {
        choose = choose * (k - i + j) / j;
      }
      s += (k < i ? 0.0 : choose) * (weights[static_cast<std::size_t>(k)] / total);
    }
    S.push_back(s);
  }
  return MatrixTimesVector(BinomialToPowerMatrix(m), S);
}

// --------------------------------------------------------------------------------------------
// The union's columns in closed form against the listed nodes RealRange(0, n) and the listed
// objective (0, 1, ..., 1), negated by ScalarMultiple(-1, c) for odd order.

TEST(UnionColumns, GiveTheListedNodesAndObjectiveBitForBit) {
  for (std::int32_t n : {0, 1, 2, 7, 40}) {
    const Vector nodes = RealRange(0.0, static_cast<double>(n));
    Vector objective(static_cast<std::size_t>(n), 1.0);
    objective.push_front(0.0);
    for (const double unit : {1.0, -1.0}) {
      const Vector c = unit == 1.0 ? objective : ScalarMultiple(-1.0, objective);
      const UnionColumns<double> columns{n, unit};
      ASSERT_EQ(ColumnCount(columns), nodes.size());
      for (std::int32_t i = 0; i <= n; ++i) {
        const IndexVector one{i};
        const auto at = static_cast<std::size_t>(i);
        EXPECT_TRUE(SameBits(BasisNodes(columns, one).front(), nodes[at])) << "n=" << n;
        EXPECT_TRUE(SameBits(BasisCosts(columns, one).front(), c[at]))
            << "n=" << n << " unit=" << unit << " i=" << i;
      }
    }
  }
  // The entry that keeps the sign of the negation.
  const UnionColumns<double> negated{3, -1.0};
  EXPECT_TRUE(std::signbit(BasisCosts(negated, IndexVector{0}).front()));
}

struct ProgramCase {
  std::string name;
  std::int32_t n;
  Vector mu;
};

void PrintTo(const ProgramCase& c, std::ostream* os) {
  *os << c.name;
}

std::vector<ProgramCase> ProgramCases() {
  std::vector<ProgramCase> cases = {
      // Exact in doubles: the start bases are optimal.
      {"HalfAndQuarterM2", 3, {1, 1.5, 3}},
      {"TwoMomentsOdd", 3, {1, 1.5}},
      {"OrderZero", 5, {1}},
      {"OrderZeroOneNode", 0, {1}},
      {"PointMassAtZero", 4, {1, 0, 0}},
      {"PointMassAtN", 4, {1, 4, 16, 64}},
      // Moments no distribution has: the walks end without a basis.
      {"S1AboveN", 3, {1, 5}},
      {"S1AboveNEven", 3, {1, 5, 25}},
      {"NegativeVariance", 6, {1, 2, 3}},
      // Rounding makes these walks come back to a basis (see basis_walk_test.cpp).
      {"RepeatsN4M3",
       4,
       {0x1p+0, 0x1.1696969696969p+1, 0x1.6d2d2d2d2d2d2p+2, 0x1.04b4b4b4b4b4bp+4}},
      {"RepeatsN5M4",
       5,
       {0x1p+0, 0x1.2492492492492p+1, 0x1.2492492492492p+3, 0x1.2492492492492p+5,
        0x1.2492492492492p+7}},
      {"RepeatsN5M4Upper",
       5,
       {0x1p+0, 0x1.0ba2e8ba2e8bap+1, 0x1.e2e8ba2e8ba2ep+2, 0x1.168ba2e8ba2e8p+5,
        0x1.565d1745d1745p+7}},
      {"RepeatsN6M5",
       6,
       {0x1p+0, 0x1.1af286bca1af3p+2, 0x1.6bca1af286bcap+4, 0x1.f9435e50d7943p+6,
        0x1.6bca1af286bcap+9, 0x1.0a86bca1af286p+12}},
      // More orders than nodes: refused.
      {"OrderAboveN", 2, {1, 1, 1, 1}},
  };
  // Degenerate distributions (zero masses, m up to n) and long walks over many nodes.
  const std::vector<std::vector<double>> distributions = {
      {3, 0, 0, 0, 4, 0},
      {0, 7, 0, 10, 0},
      {0, 0, 6, 0, 3, 0, 10},
      {1, 0, 0, 0, 0, 0, 0, 0, 0, 1},
      {0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0},
      {2, 1, 0, 3, 0, 0, 1, 4, 0, 0, 2, 0, 0, 1},
  };
  for (std::size_t d = 0; d < distributions.size(); ++d) {
    const auto n = static_cast<std::int32_t>(distributions[d].size()) - 1;
    for (std::int32_t m = 1; m <= n; ++m) {
      cases.push_back(
          {"Degenerate" + std::to_string(d) + "N" + std::to_string(n) + "M" + std::to_string(m), n,
           PowerMomentsOf(distributions[d], m)});
    }
  }
  std::vector<double> binomial(2001);
  for (std::size_t k = 0; k < binomial.size(); ++k) {
    // Weights of a binomial distribution with mean 600, up to a common factor.
    binomial[k] = std::exp(std::lgamma(2001.0) - std::lgamma(k + 1.0) - std::lgamma(2001.0 - k) +
                           k * std::log(0.3) + (2000.0 - k) * std::log(0.7));
  }
  for (std::int32_t m : {1, 2, 3, 4, 6}) {
    cases.push_back({"Binomial2000M" + std::to_string(m), 2000, PowerMomentsOf(binomial, m)});
  }
  return cases;
}

class ClosedFormWalk : public ::testing::TestWithParam<ProgramCase> {};

// Both sides, from the sides' own start bases and from the other side's last basis (a start a
// later walk may be given), through WalkToSharpBound against the listed walk.
TEST_P(ClosedFormWalk, IsTheListedWalkBitForBit) {
  const ProgramCase& in = GetParam();
  UnionProgramOf<double> program;
  program.n = in.n;
  program.mu = in.mu;
  const auto order = static_cast<std::int32_t>(in.mu.size()) - 1;
  const bool even = order % 2 == 0;
  const Vector nodes = RealRange(0.0, static_cast<double>(in.n));
  Vector objective(static_cast<std::size_t>(std::max(in.n, 0)), 1.0);
  objective.push_front(0.0);
  const auto listed = [&](Side side, const IndexVector* start) {
    const Goal goal = (side == Side::kLower) == even ? Goal::kMinimum : Goal::kMaximum;
    BoundWalk walk;
    // A refused walk's line is the solvers', not the closed-form walk's.
    ConsoleOf([&] {
      walk = even
                 ? WalkToBound(goal, objective, nodes, in.mu, nullptr, start)
                 : WalkToBound(goal, ScalarMultiple(-1.0, objective), nodes, in.mu, nullptr, start);
    });
    if (!even && !walk.result.basis.empty()) {
      walk.result.value = -walk.result.value;
    }
    return walk;
  };
  for (const Side side : {Side::kLower, Side::kUpper}) {
    const std::string where = in.name + (side == Side::kLower ? " lower" : " upper");
    const BoundWalk closed = WalkToSharpBound<double>(side, program);
    ExpectSameWalk(closed, listed(side, nullptr), where);
    const Side other = side == Side::kLower ? Side::kUpper : Side::kLower;
    const BoundWalk before = WalkToSharpBound<double>(other, program);
    if (!before.last_basis.empty() && before.last_basis.size() == in.mu.size()) {
      // A start of the other side's shape is any basis of the right size to the walk: it
      // keeps whatever shape it is given.
      ExpectSameWalk(WalkToSharpBound<double>(side, program, &before.last_basis),
                     listed(side, &before.last_basis), where + " from the other side's end");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, ClosedFormWalk, ::testing::ValuesIn(ProgramCases()),
                         [](const ::testing::TestParamInfo<ProgramCase>& info) {
                           return info.param.name;
                         });

// Covers the ends the table is meant to cover, so that a change to it cannot drop them.
TEST(ClosedFormWalk, TableReachesEveryEnd) {
  std::set<WalkEnd> ends;
  std::set<bool> parities;
  for (const ProgramCase& in : ProgramCases()) {
    UnionProgramOf<double> program;
    program.n = in.n;
    program.mu = in.mu;
    for (const Side side : {Side::kLower, Side::kUpper}) {
      ends.insert(WalkToSharpBound<double>(side, program).end);
    }
    parities.insert(in.mu.size() % 2 == 0);
  }
  EXPECT_EQ(ends, (std::set<WalkEnd>{WalkEnd::kOptimal, WalkEnd::kInfeasible, WalkEnd::kRepeated,
                                     WalkEnd::kRefused}));
  EXPECT_EQ(parities.size(), 2u);
}

// --------------------------------------------------------------------------------------------
// The repeat detection against the walk that remembers every basis.

// Walks that repeat, from the tests above and from the fuzzing corpus.
TEST(RepeatDetection, EndsWhereTheRememberedBasesRepeat) {
  int repeated = 0;
  for (const ProgramCase& in : ProgramCases()) {
    const auto order = static_cast<std::int32_t>(in.mu.size()) - 1;
    const Vector nodes = RealRange(0.0, static_cast<double>(in.n));
    Vector c(static_cast<std::size_t>(std::max(in.n, 0)), 1.0);
    c.push_front(0.0);
    if (order % 2 == 1) {
      c = ScalarMultiple(-1.0, c);
    }
    for (const Goal goal : {Goal::kMinimum, Goal::kMaximum}) {
      const std::string where = in.name + (goal == Goal::kMinimum ? " minimum" : " maximum");
      const ListedColumns<double> columns{c, nodes};
      const BoundWalk want = WalkRememberingBases<double>(goal, columns, in.mu, nullptr);
      ExpectSameWalk(WalkOver<double>(goal, columns, in.mu, nullptr, nullptr), want, where);
      repeated += want.end == WalkEnd::kRepeated ? 1 : 0;
    }
  }
  EXPECT_GE(repeated, 4);
}

// A numerator whose signs are drawn at random for each basis, but always the same for the same
// basis: the walk is then a fixed function of the basis, as the real one is, and comes back to a
// basis after tails and round cycles of every length. The moments only carry the draw's seed
// and the chance of a negative value.
double DrawnNumerator(const Vector& a, const Vector& z, std::int32_t c) {
  std::uint64_t h = std::bit_cast<std::uint64_t>(a[0]);
  for (double node : z) {
    h = (h ^ static_cast<std::uint64_t>(node)) * 0x100000001b3ULL;
    h ^= h >> 29;
  }
  h = (h ^ static_cast<std::uint64_t>(c + 1)) * 0x9e3779b97f4a7c15ULL;
  h ^= h >> 31;
  const double chance = a[1];
  const double drawn = static_cast<double>(h >> 11) * 0x1p-53;
  // The sign that makes the walk take position c as negative: (-1)^(m - c) times it is below 0.
  const auto m = static_cast<std::int32_t>(a.size()) - 1;
  const double negative = (m - c) % 2 == 0 ? -1.0 : 1.0;
  return drawn < chance ? negative : -negative;
}

struct DrawnWalks {
  int optimal = 0;
  int infeasible = 0;
  int repeated = 0;
  std::int64_t longest_tail_and_cycle = 0;
};

TEST(RepeatDetection, MatchesTheRememberedBasesOnDrawnWalks) {
  std::mt19937_64 generator(20261210);
  DrawnWalks walks;
  for (int round = 0; round < 3000; ++round) {
    const auto n = static_cast<std::int32_t>(3 + generator() % 60);
    const auto m = static_cast<std::int32_t>(1 + generator() % std::min(n, 8));
    Vector mu(static_cast<std::size_t>(m) + 1, 0.0);
    mu[0] = static_cast<double>(generator() % 1000000);
    mu[1] = 0.05 + 0.3 * static_cast<double>(generator() % 1000) / 1000.0;
    const Vector nodes = RealRange(0.0, static_cast<double>(n));
    const Vector c(nodes.size(), 1.0);
    const ListedColumns<double> columns{c, nodes};
    for (const Goal goal : {Goal::kMinimum, Goal::kMaximum}) {
      std::ostringstream where;
      where << "round " << round << " n=" << n << " m=" << m
            << (goal == Goal::kMinimum ? " minimum" : " maximum");
      const BoundWalk want = WalkRememberingBases<double>(goal, columns, mu, DrawnNumerator);
      const BoundWalk got = WalkOver<double>(goal, columns, mu, DrawnNumerator, nullptr);
      EXPECT_EQ(got.end, want.end) << where.str();
      EXPECT_EQ(got.basis_changes, want.basis_changes) << where.str();
      EXPECT_EQ(got.last_basis, want.last_basis) << where.str();
      EXPECT_EQ(got.result.basis, want.result.basis) << where.str();
      switch (want.end) {
        case WalkEnd::kOptimal:
          ++walks.optimal;
          break;
        case WalkEnd::kInfeasible:
          ++walks.infeasible;
          break;
        case WalkEnd::kRepeated:
          ++walks.repeated;
          walks.longest_tail_and_cycle = std::max(walks.longest_tail_and_cycle, want.basis_changes);
          break;
        case WalkEnd::kRefused:
          break;
      }
    }
  }
  // The draw reaches every end, and repeats after walks long enough that the cycle is met well
  // after the bases saved at several powers of two.
  EXPECT_GT(walks.optimal, 100);
  EXPECT_GT(walks.infeasible, 100);
  EXPECT_GT(walks.repeated, 100);
  EXPECT_GT(walks.longest_tail_and_cycle, 40);
}

// The exact walk takes the same way.
TEST(RepeatDetection, MatchesTheRememberedBasesInExactArithmetic) {
  for (const ProgramCase& in : ProgramCases()) {
    if (in.n > 100) {
      continue;
    }
    SequenceOf<Rational> mu;
    for (double x : in.mu) {
      mu.push_back(Rational(x));
    }
    for (const Rational& unit : {Rational(1), Rational(-1)}) {
      const UnionColumns<Rational> columns{in.n, unit};
      for (const Goal goal : {Goal::kMinimum, Goal::kMaximum}) {
        const BoundWalkOf<Rational> want =
            WalkRememberingBases<Rational>(goal, columns, mu, nullptr);
        const BoundWalkOf<Rational> got = WalkOver<Rational>(goal, columns, mu, nullptr, nullptr);
        EXPECT_EQ(got.end, want.end) << in.name;
        EXPECT_EQ(got.basis_changes, want.basis_changes) << in.name;
        EXPECT_EQ(got.last_basis, want.last_basis) << in.name;
        EXPECT_EQ(got.result.basis, want.result.basis) << in.name;
        EXPECT_EQ(got.result.value, want.result.value) << in.name;
        EXPECT_EQ(got.result.solution, want.result.solution) << in.name;
      }
    }
  }
}

// --------------------------------------------------------------------------------------------
// The walk prints nothing; a refusal carries its reason for the caller to print.

TEST(RefusedWalk, PrintsNothingAndCarriesItsReason) {
  struct Refused {
    std::int32_t n;
    Vector mu;
    const char* problem;
  };
  const Refused cases[] = {
      {2, {1, 1, 1, 1}, "more moment orders than nodes (m > n)"},
      {3, {}, "no moments were given"},
  };
  for (const Refused& in : cases) {
    UnionProgramOf<double> program;
    program.n = in.n;
    program.mu = in.mu;
    BoundWalk walk;
    const testing::Printed printed =
        ConsoleOf([&] { walk = WalkToSharpBound<double>(Side::kLower, program); });
    EXPECT_EQ(printed.out, "");
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(walk.end, WalkEnd::kRefused);
    ASSERT_FALSE(walk.problem.empty());
    EXPECT_EQ(walk.problem, in.problem);
    EXPECT_EQ(RefusalMessage(Goal::kMaximum, walk.problem),
              std::string("unionbound: MaximumBound: ") + in.problem + "; no bound computed");
  }
}

}  // namespace
}  // namespace unionbound
