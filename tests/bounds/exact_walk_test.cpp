// The walk in exact rational arithmetic reaches the exact optimum on every distribution tried,
// degenerate ones included, where the double-precision walk often stops with "no feasible
// solution" or a repeated basis: the same basis rules, judged by exact signs.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "bounds/bound_solver.h"
#include "moments/power_moments.h"
#include "numeric/exact_number.h"
#include "tests/support/console.h"
#include "tests/support/distributions.h"
#include "tests/support/every_basis_oracle.h"

namespace unionbound {
namespace {

using testing::Distribution;
using testing::ExactOptimumOf;
using testing::RandomDistribution;

struct ExactBounds {
  BoundWalkOf<Rational> lower;
  BoundWalkOf<Rational> upper;
};

// The two walks as the bound stage makes them, for the binomial moments S_0 .. S_m.
ExactBounds WalkExactly(int n, const SequenceOf<Rational>& S) {
  const auto m = static_cast<std::int32_t>(S.size()) - 1;
  const SequenceOf<Rational> nodes = RealRange<Rational>(Rational(0), Rational(n));
  const SequenceOf<Rational> mu =
      MatrixTimesVector<Rational>(BinomialToPowerMatrix<Rational>(m), S);
  SequenceOf<Rational> c(static_cast<std::size_t>(n), Rational(1));
  c.push_front(Rational(0));
  ExactBounds bounds;
  if (m % 2 == 0) {
    bounds.lower = WalkToBound<Rational>(Goal::kMinimum, c, nodes, mu);
    bounds.upper = WalkToBound<Rational>(Goal::kMaximum, c, nodes, mu);
  } else {
    const SequenceOf<Rational> negated = ScalarMultiple<Rational>(Rational(-1), c);
    bounds.lower = WalkToBound<Rational>(Goal::kMaximum, negated, nodes, mu);
    bounds.upper = WalkToBound<Rational>(Goal::kMinimum, negated, nodes, mu);
    bounds.lower.result.value = -bounds.lower.result.value;
    bounds.upper.result.value = -bounds.upper.result.value;
  }
  return bounds;
}

class ExactWalk : public ::testing::TestWithParam<int> {};

TEST_P(ExactWalk, ReachesTheExactOptimumForEveryOrder) {
  const int n = GetParam();
  std::mt19937_64 rng(7000 + static_cast<std::uint64_t>(n));
  const int rounds = n <= 8 ? 100 : 40;
  for (int round = 0; round < rounds; ++round) {
    // Half of the distributions leave many counts of events with probability 0.
    const Distribution x = RandomDistribution(rng, n, round % 2 == 0 ? 0.5 : 0.0);
    for (int m = 1; m <= n; ++m) {
      const auto S_exact = testing::BinomialMomentsOf(x.masses(), m);
      const SequenceOf<Rational> S(S_exact.begin(), S_exact.end());
      ExactBounds bounds;
      const std::string printed = testing::PrintedBy([&] { bounds = WalkExactly(n, S); });
      const auto optimum = ExactOptimumOf(x, m);
      const std::string where = x.ToString() + ", m=" + std::to_string(m);
      ASSERT_EQ(printed, "") << where;
      ASSERT_EQ(bounds.lower.end, WalkEnd::kOptimal) << where;
      ASSERT_EQ(bounds.upper.end, WalkEnd::kOptimal) << where;
      EXPECT_EQ(bounds.lower.result.value, optimum.minimum) << where;
      EXPECT_EQ(bounds.upper.result.value, optimum.maximum) << where;
      for (const Rational& mass : bounds.lower.result.solution) {
        EXPECT_GE(mass, 0) << where;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Events, ExactWalk, ::testing::Range(1, 13));

// The recurrence that exact types take for node polynomials gives what the listed subsets give.
TEST(ExactNumerator, RecurrenceEqualsTheListedSubsets) {
  std::mt19937_64 rng(11);
  std::uniform_int_distribution<int> small(-9, 9);
  for (int round = 0; round < 200; ++round) {
    const int size = 1 + round % 7;
    SequenceOf<Rational> a;
    SequenceOf<Rational> z;
    for (int k = 0; k < size; ++k) {
      a.push_back(Rational(small(rng), 1 + small(rng) * small(rng) % 5 + 9));
      z.push_back(Rational(small(rng), 3));
      a.back().canonicalize();  // GMP's arithmetic takes rationals in lowest terms only
      z.back().canonicalize();
    }
    for (std::int32_t c = 0; c < size; ++c) {
      EXPECT_EQ(NodePolyMoment<Rational>(a, z, c), NodePolyMomentBySubsets<Rational>(a, z, c));
    }
  }
}

}  // namespace
}  // namespace unionbound
