// Distributions with mass on one to three of the counts 0 .. n, where rounding most often
// spoils the double walk: with the exact check both programs give the exact optimum, found by
// trying every basis.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "apps/unionbound/bound_stage.h"
#include "bounds/exact_check.h"
#include "bounds/sharp_bounds.h"
#include "numeric/exact_number.h"
#include "tests/support/console.h"
#include "tests/support/distributions.h"
#include "tests/support/every_basis_oracle.h"

namespace unionbound {
namespace {

using testing::Distribution;
using testing::ExactOptimumOf;

// Weights 1 .. 10 on one to three counts; small weights keep the oracle's 64-bit sign test
// exact up to n = 14.
Distribution FewPoints(std::mt19937_64& rng, int n) {
  Distribution d;
  d.weights.assign(static_cast<std::size_t>(n) + 1, 0);
  const int points = std::uniform_int_distribution<int>(1, 3)(rng);
  for (int k = 0; k < points; ++k) {
    d.weights[std::uniform_int_distribution<std::size_t>(0, d.weights.size() - 1)(rng)] =
        std::uniform_int_distribution<std::int64_t>(1, 10)(rng);
  }
  return d;
}

class FewPointDistributions : public ::testing::TestWithParam<int> {};

TEST_P(FewPointDistributions, BothProgramsGiveTheExactOptimum) {
  const int n = GetParam();
  std::mt19937_64 rng(1400 + static_cast<std::uint64_t>(n));
  const int draws = n <= 8 ? 12 : 4;
  for (int draw = 0; draw < draws; ++draw) {
    const Distribution x = FewPoints(rng, n);
    for (int m = 1; m <= n; ++m) {
      const std::string where = x.ToString() + " m=" + std::to_string(m);
      const auto exact_list = testing::BinomialMomentsOf(x.masses(), m);
      const SequenceOf<Rational> S_exact(exact_list.begin(), exact_list.end());
      Vector S;
      for (const Rational& s : S_exact) {
        S.push_back(NearestDouble(s));
      }
      const testing::ExactOptimum optimum = ExactOptimumOf(x, m);

      // The interactive program's bound stage: the double walks, checked.
      BoundReport report;
      const std::string out =
          testing::ConsoleOf([&] { report = ComputeBounds(n, m, S, &S_exact); }).out;
      EXPECT_EQ(out, "") << where;
      EXPECT_FALSE(report.fits_no_distribution) << where;
      EXPECT_NEAR(report.lower.value, NearestDouble(optimum.minimum), 1e-9) << where;
      EXPECT_NEAR(report.upper.value, NearestDouble(optimum.maximum), 1e-9) << where;
      EXPECT_FALSE(report.lower.basis.empty() || report.upper.basis.empty()) << where;

      // The batch program's exact computation: the optimum itself.
      const UnionProgramOf<Rational> program = UnionProgram<Rational>(n, S_exact);
      const BoundWalkOf<Rational> lower = ExactSharpBound(Side::kLower, program);
      const BoundWalkOf<Rational> upper = ExactSharpBound(Side::kUpper, program);
      ASSERT_EQ(lower.end, WalkEnd::kOptimal) << where;
      ASSERT_EQ(upper.end, WalkEnd::kOptimal) << where;
      EXPECT_EQ(lower.result.value, optimum.minimum) << where;
      EXPECT_EQ(upper.result.value, optimum.maximum) << where;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(UpToFourteenEvents, FewPointDistributions, ::testing::Range(1, 15));

// Four exclusive events of probability 0.2: the double walks find no feasible solution, the
// check finds 0.8 on both sides and says so on standard error.
TEST(CheckedBounds, ExclusiveEventsGetTheirBoundsFromTheExactWalk) {
  const SequenceOf<Rational> S_exact{Rational(1), Rational(4, 5), Rational(0), Rational(0)};
  const Vector S{1.0, 0.8, 0.0, 0.0};
  BoundReport report;
  const auto [out, err] = testing::ConsoleOf([&] { report = ComputeBounds(4, 3, S, &S_exact); });
  EXPECT_EQ(out, "");
  EXPECT_EQ(report.lower.value, 0.8);
  EXPECT_EQ(report.upper.value, 0.8);
  EXPECT_EQ(err,
            "unionbound: the double-precision walk for the lower bound found no feasible "
            "solution; the bound shown was found in exact arithmetic\n"
            "unionbound: the double-precision walk for the upper bound found no feasible "
            "solution; the bound shown was found in exact arithmetic\n");
  // Without the exact moments the walk's own ending stands, as the solvers print it.
  BoundReport unchecked;
  EXPECT_EQ(testing::PrintedBy([&] { unchecked = ComputeBounds(4, 3, S); }),
            "no feasible solution\nno feasible solution\n");
  EXPECT_TRUE(unchecked.lower.basis.empty());
}

// A double bound above 1 that is exactly 1: the check shows 1 and says how far the walk drifted.
TEST(CheckedBounds, ABoundOutsideZeroOneIsReplacedByTheExactOptimum) {
  // n = 31 independent events of probability 3/10, orders up to 16, from the doubles of S.
  constexpr int kN = 31;
  constexpr int kM = 16;
  SequenceOf<Rational> S_exact;
  Vector S;
  mpz_class binomial = 1;
  for (int i = 0; i <= kM; ++i) {
    S.push_back(binomial.get_d() * std::pow(0.3, i));
    S_exact.push_back(Rational(S.back()));
    binomial = binomial * (kN - i) / (i + 1);
  }
  BoundReport report;
  testing::ConsoleOf([&] { report = ComputeBounds(kN, kM, S, &S_exact); });
  EXPECT_LE(report.upper.value, 1.0);
  EXPECT_GE(report.lower.value, 0.0);
  EXPECT_NEAR(report.lower.value, 0.99996534850454, 1e-9);
}

}  // namespace
}  // namespace unionbound
