// The general moment program against answers found another way: the best of every feasible
// basis for every question on small n, the union optimum of the exact oracle, the closed forms
// from one and two moments, the true probability of the distribution the moments came from,
// and data that fit no distribution. Every optimum is also checked to come with a distribution
// that has the moments and attains the value.
#include <gtest/gtest.h>

#include <gmpxx.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "bounds/moment_program.h"
#include "tests/support/distributions.h"
#include "tests/support/every_basis_oracle.h"

namespace unionbound {
namespace {

using testing::BasicSolution;
using testing::Distribution;
using testing::Fraction;
using testing::RandomDistribution;
using testing::RandomSparseDistribution;
using testing::RationalVector;

constexpr Goal kGoals[] = {Goal::kMinimum, Goal::kMaximum};
constexpr QuestionKind kQuestions[] = {QuestionKind::kAtLeast, QuestionKind::kExactly};
// The pricing from the local minima of the reduced costs, and the scan of every column that it
// must agree with.
constexpr Pricing kPricings[] = {Pricing::kScan, Pricing::kRoots};

std::string PricingName(Pricing pricing) {
  return pricing == Pricing::kScan ? "Scan" : "Roots";
}

std::string Describe(Goal goal, Question objective) {
  return std::string(goal == Goal::kMinimum ? "min " : "max ") +
         (objective.kind == QuestionKind::kAtLeast ? "P(X>=" : "P(X=") +
         std::to_string(objective.r) + ")";
}

bool Counted(Question objective, int j) {
  return objective.kind == QuestionKind::kAtLeast ? j >= objective.r : j == objective.r;
}

SequenceOf<Rational> Sequence(const RationalVector& v) {
  return SequenceOf<Rational>(v.begin(), v.end());
}

Rational Binomial(int j, int i) {
  mpz_class c;
  mpz_bin_uiui(c.get_mpz_t(), static_cast<unsigned long>(j), static_cast<unsigned long>(i));
  return Rational(c);
}

// S_i = C(n, i) p^i, the binomial moments of n independent events of probability p.
SequenceOf<Rational> IndependentEvents(int n, int m, const Rational& p) {
  SequenceOf<Rational> S;
  for (int i = 0; i <= m; ++i) {
    Rational power = 1;
    for (int t = 0; t < i; ++t) {
      power *= p;
    }
    S.push_back(Binomial(n, i) * power);
  }
  return S;
}

// An optimum comes with m + 1 increasing subscripts in 0 .. n and non-negative masses on them
// that have the moments S_0 .. S_m (orders up to n) and give the objective the value reported.
void ExpectAttains(const MomentProgramResult& result, int n, const SequenceOf<Rational>& S,
                   Question objective, const std::string& where) {
  const auto orders = std::min<std::size_t>(S.size(), static_cast<std::size_t>(n) + 1);
  ASSERT_EQ(result.status, ProgramStatus::kOptimal) << where;
  ASSERT_EQ(result.basis.size(), orders) << where;
  ASSERT_EQ(result.distribution.size(), orders) << where;
  EXPECT_TRUE(std::is_sorted(result.basis.begin(), result.basis.end()) &&
              std::adjacent_find(result.basis.begin(), result.basis.end()) == result.basis.end())
      << where;
  EXPECT_GE(result.basis.front(), 0) << where;
  EXPECT_LE(result.basis.back(), n) << where;
  Rational value = 0;
  for (std::size_t k = 0; k < orders; ++k) {
    EXPECT_GE(result.distribution[k], 0) << where << ", mass at " << result.basis[k];
    if (Counted(objective, result.basis[k])) {
      value += result.distribution[k];
    }
  }
  EXPECT_EQ(value, result.value) << where;
  for (std::size_t i = 0; i < orders; ++i) {
    Rational moment = 0;
    for (std::size_t k = 0; k < orders; ++k) {
      moment += Binomial(result.basis[k], static_cast<int>(i)) * result.distribution[k];
    }
    EXPECT_EQ(moment, S[i]) << where << ", order " << i;
  }
}

// LP duality, checked on the basis an optimum comes with: the polynomial p of degree <= m through
// the costs at the basis subscripts gives every column a reduced cost c_j - p(j) of the goal's
// sign (>= 0 for the minimum), so p(X) is a bound that no distribution with the moments passes.
// p(j) = sum_k c_k L_k(j), L_k(j) = prod_{l != k} (j - b_l) / (b_k - b_l), the Lagrange
// polynomials of the basis subscripts.
void ExpectOptimalBasis(const MomentProgramResult& result, int n, Goal goal, Question objective,
                        const std::string& where) {
  const IndexVector& b = result.basis;
  std::vector<mpz_class> denominators;
  for (std::size_t k = 0; k < b.size(); ++k) {
    mpz_class d = 1;
    for (std::size_t l = 0; l < b.size(); ++l) {
      if (l != k) {
        d *= b[k] - b[l];
      }
    }
    denominators.push_back(d);
  }
  for (int j = 0; j <= n; ++j) {
    Rational p = 0;
    for (std::size_t k = 0; k < b.size(); ++k) {
      if (!Counted(objective, b[k])) {
        continue;
      }
      mpz_class numerator = 1;
      for (std::size_t l = 0; l < b.size(); ++l) {
        if (l != k) {
          numerator *= j - b[l];
        }
      }
      Rational lagrange(numerator, denominators[k]);
      lagrange.canonicalize();
      p += lagrange;
    }
    const Rational reduced = (Counted(objective, j) ? 1 : 0) - p;
    EXPECT_TRUE(goal == Goal::kMinimum ? reduced >= 0 : reduced <= 0)
        << where << ", reduced cost " << reduced << " at " << j;
  }
}

// ---------------------------------------------------------------------------------------------
// Every question, every goal and every m on small n, against the best feasible basis.

// The extreme objective over the feasible basic solutions; one of them is optimal, since the
// distributions with given moments form a bounded polyhedron.
Rational BestOver(const std::vector<BasicSolution>& solutions, Goal goal, Question objective) {
  Rational best;
  for (std::size_t s = 0; s < solutions.size(); ++s) {
    Rational value = 0;
    for (std::size_t k = 0; k < solutions[s].basis.size(); ++k) {
      if (Counted(objective, solutions[s].basis[k])) {
        value += solutions[s].values[k];
      }
    }
    if (s == 0 || (goal == Goal::kMinimum ? value < best : value > best)) {
      best = value;
    }
  }
  return best;
}

// Distributions with every mass positive, with masses set to 0 at random, and with mass on one
// to three points only, where the moments leave few or a single distribution.
std::vector<Distribution> Distributions(int n) {
  std::mt19937_64 rng(9100 + static_cast<std::uint64_t>(n));
  std::vector<Distribution> list;
  for (int round = 0; round < 2; ++round) {
    list.push_back(RandomDistribution(rng, n, 0.0));
    list.push_back(RandomDistribution(rng, n, 0.5));
  }
  for (int points = 1; points <= 3; ++points) {
    list.push_back(RandomSparseDistribution(rng, n, points));
  }
  return list;
}

class EveryBasis : public ::testing::TestWithParam<std::tuple<int, Pricing>> {};

TEST_P(EveryBasis, GivesTheBestFeasibleBasisForEveryQuestion) {
  const auto [n, pricing] = GetParam();
  for (const Distribution& x : Distributions(n)) {
    for (int m = 0; m <= n; ++m) {
      const SequenceOf<Rational> S = Sequence(testing::BinomialMomentsOf(x.masses(), m));
      const std::vector<BasicSolution> feasible = testing::FeasibleBasicSolutions(x, m);
      for (const QuestionKind question : kQuestions) {
        for (int r = 0; r <= n; ++r) {
          for (const Goal goal : kGoals) {
            const Question objective{question, r};
            const std::string where =
                x.ToString() + ", m=" + std::to_string(m) + ", " + Describe(goal, objective);
            const MomentProgramResult result = SolveMomentProgram(goal, objective, n, S, pricing);
            ASSERT_EQ(result.status, ProgramStatus::kOptimal) << where;
            EXPECT_EQ(result.value, BestOver(feasible, goal, objective)) << where;
            ExpectAttains(result, n, S, objective, where);
          }
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Events, EveryBasis, ::testing::Combine(::testing::Range(1, 11), ::testing::ValuesIn(kPricings)),
    [](const auto& info) {
      return "n" + std::to_string(std::get<0>(info.param)) + PricingName(std::get<1>(info.param));
    });

// ---------------------------------------------------------------------------------------------
// The union.

TEST(UnionObjective, EqualsTheExactOracleForEveryOrder) {
  std::mt19937_64 rng(9200);
  for (int n = 1; n <= 12; ++n) {
    for (int round = 0; round < 6; ++round) {
      const Distribution x = round < 3 ? RandomDistribution(rng, n, round * 0.3)
                                       : RandomSparseDistribution(rng, n, round - 2);
      for (int m = 1; m <= n; ++m) {
        const SequenceOf<Rational> S = Sequence(testing::BinomialMomentsOf(x.masses(), m));
        const auto optimum = testing::ExactOptimumOf(x, m);
        const std::string where = x.ToString() + ", m=" + std::to_string(m);
        EXPECT_EQ(SolveMomentProgram(Goal::kMinimum, kUnion, n, S).value, optimum.minimum) << where;
        EXPECT_EQ(SolveMomentProgram(Goal::kMaximum, kUnion, n, S).value, optimum.maximum) << where;
      }
    }
  }
}

// The sharp bounds from S_1 alone, S_1 / n and min(S_1, 1), and from S_1 and S_2, Dawson and
// Sankoff's lower bound and Kwerel's upper bound min(S_1 - 2 S_2 / n, 1), in exact arithmetic.
struct ClosedFormRow {
  const char* name;
  int n;
  std::vector<Rational> S;
};

Rational ClosedFormLower(const ClosedFormRow& row) {
  const Rational& s1 = row.S[1];
  if (row.S.size() == 2 || s1 == 0) {
    return s1 / row.n;
  }
  const Rational& s2 = row.S[2];
  const Rational ratio = 2 * s2 / s1;
  mpz_class k;
  mpz_fdiv_q(k.get_mpz_t(), ratio.get_num_mpz_t(), ratio.get_den_mpz_t());
  k += 1;
  k = std::min<mpz_class>(k, std::max(1, row.n - 1));
  return 2 * s1 / Rational(k + 1) - 2 * s2 / Rational(k * (k + 1));
}

Rational ClosedFormUpper(const ClosedFormRow& row) {
  const Rational bound = row.S.size() == 2 ? row.S[1] : row.S[1] - 2 * row.S[2] / row.n;
  return std::min<Rational>(bound, 1);
}

class ClosedForms : public ::testing::TestWithParam<ClosedFormRow> {};

TEST_P(ClosedForms, BoundTheUnionAsTheOneAndTwoMomentFormulas) {
  const ClosedFormRow& row = GetParam();
  const SequenceOf<Rational> S(row.S.begin(), row.S.end());
  EXPECT_EQ(SolveMomentProgram(Goal::kMinimum, kUnion, row.n, S).value, ClosedFormLower(row));
  EXPECT_EQ(SolveMomentProgram(Goal::kMaximum, kUnion, row.n, S).value, ClosedFormUpper(row));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ClosedForms,
    ::testing::Values(ClosedFormRow{"ShippedExample", 3, {1, Fraction(3, 2), Fraction(3, 4)}},
                      ClosedFormRow{"BatchExample", 3, {1, Fraction(3, 2), Fraction(9, 10)}},
                      ClosedFormRow{"OneMomentSmall", 7, {1, Fraction(1, 3)}},
                      ClosedFormRow{"OneMomentAboveOne", 7, {1, Fraction(5, 2)}},
                      ClosedFormRow{"DisjointEvents", 50, {1, Fraction(9, 10), 0}},
                      ClosedFormRow{"RatioAtTheTop", 10, {1, 2, 9}},
                      ClosedFormRow{"ThousandEvents", 1000, {1, 300, 44955}},
                      ClosedFormRow{"TenThousandRareEvents", 10000, {1, 20, Fraction(9999, 50)}},
                      ClosedFormRow{"NoEventOccurs", 20, {1, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Data that fit no distribution on 0 .. n.

struct InfeasibleRow {
  const char* name;
  int n;
  std::vector<Rational> S;
};

class Infeasible : public ::testing::TestWithParam<InfeasibleRow> {};

TEST_P(Infeasible, IsRecognisedForEveryQuestionAndGoal) {
  const InfeasibleRow& row = GetParam();
  const SequenceOf<Rational> S(row.S.begin(), row.S.end());
  for (const QuestionKind question : kQuestions) {
    for (const int r : {1, row.n}) {
      for (const Goal goal : kGoals) {
        const Question objective{question, r};
        const MomentProgramResult result = SolveMomentProgram(goal, objective, row.n, S);
        EXPECT_EQ(result.status, ProgramStatus::kInfeasible) << Describe(goal, objective);
        EXPECT_EQ(result.value, 0) << Describe(goal, objective);
        EXPECT_TRUE(result.basis.empty()) << Describe(goal, objective);
        EXPECT_TRUE(result.distribution.empty()) << Describe(goal, objective);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Infeasible,
                         ::testing::Values(
                             // E[X] = 2 with one event.
                             InfeasibleRow{"MeanAboveN", 1, {1, 2}},
                             // E[X^2] = 2 S_2 + S_1 = 3 < E[X]^2 = 4.
                             InfeasibleRow{"NegativeVariance", 3, {1, 2, Fraction(1, 2)}},
                             // With S_2 = 0 at most one event occurs, so P(X = 1) = S_1 = 3/2.
                             InfeasibleRow{"ProbabilityAboveOne", 2, {1, Fraction(3, 2), 0}},
                             InfeasibleRow{"NegativeS2", 3, {1, 1, Fraction(-1, 10)}},
                             // With m = n the moments fix x: x_3 = S_3 - 4 S_4 = -3.
                             InfeasibleRow{"NegativeMassWithEveryOrder", 4, {1, 1, 1, 1, 1}},
                             // The moments of X = 7 always, with n = 5.
                             InfeasibleRow{"PointBeyondN", 5, {1, 7, 21, 35}},
                             InfeasibleRow{"NoMassButAnEvent", 2, {0, Fraction(1, 2)}},
                             InfeasibleRow{"NegativeMass", 2, {-1}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Large n, beyond every enumeration: the bounds hold the true probability of the distribution
// the moments came from, each comes with a distribution that attains it, and LP duality proves
// each optimal. At n = 100 and m = 60 the rounded ranking of the columns misses a column that
// lowers the maximum of the union, which only the exact pricing finds.

struct IndependentRow {
  int n;
  int m;
  std::vector<int> r;
};

// P(X >= r) or P(X = r) for X binomial with n trials of probability 3/10: the sum of
// C(n, j) 3^j 7^(n - j) / 10^n over the counted j.
Rational TrueProbability(int n, Question objective) {
  mpz_class total = 0;
  for (int j = 0; j <= n; ++j) {
    if (Counted(objective, j)) {
      mpz_class three;
      mpz_class seven;
      mpz_ui_pow_ui(three.get_mpz_t(), 3, static_cast<unsigned long>(j));
      mpz_ui_pow_ui(seven.get_mpz_t(), 7, static_cast<unsigned long>(n - j));
      total += Binomial(n, j).get_num() * three * seven;
    }
  }
  mpz_class ten;
  mpz_ui_pow_ui(ten.get_mpz_t(), 10, static_cast<unsigned long>(n));
  Rational probability(total, ten);
  probability.canonicalize();
  return probability;
}

class IndependentEventsBounds
    : public ::testing::TestWithParam<std::tuple<IndependentRow, Pricing>> {};

TEST_P(IndependentEventsBounds, HoldTheTrueProbabilityAreAttainedAndProvedOptimal) {
  const auto& [row, pricing] = GetParam();
  const SequenceOf<Rational> S = IndependentEvents(row.n, row.m, Fraction(3, 10));
  for (const QuestionKind question : kQuestions) {
    for (const int r : row.r) {
      const Question objective{question, r};
      const Rational truth = TrueProbability(row.n, objective);
      for (const Goal goal : kGoals) {
        const std::string where = Describe(goal, objective);
        const MomentProgramResult result = SolveMomentProgram(goal, objective, row.n, S, pricing);
        ExpectAttains(result, row.n, S, objective, where);
        ExpectOptimalBasis(result, row.n, goal, objective, where);
        EXPECT_TRUE(goal == Goal::kMinimum ? result.value <= truth : result.value >= truth)
            << where << ": " << result.value << " against " << truth;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, IndependentEventsBounds,
                         ::testing::Combine(::testing::Values(IndependentRow{40, 12, {1, 12, 20}},
                                                              IndependentRow{100, 60, {1}},
                                                              IndependentRow{300, 5, {1, 90, 120}},
                                                              IndependentRow{
                                                                  1000, 6, {1, 300, 350}}),
                                            ::testing::ValuesIn(kPricings)),
                         [](const auto& info) {
                           const IndependentRow& row = std::get<0>(info.param);
                           return "n" + std::to_string(row.n) + "m" + std::to_string(row.m) +
                                  PricingName(std::get<1>(info.param));
                         });

// ---------------------------------------------------------------------------------------------
// The two pricings on drawn distributions up to n = 10^5, where no enumeration reaches: the same
// status and value (the scan proves its basis optimal by every exact reduced cost, so the same
// value proves the other basis optimal too), a distribution that attains it, and bounds that hold
// the true probability.

// Integer weights on a few drawn points, or on a window of up to 300 consecutive points at a
// drawn place, with the rest of 0 .. n empty.
Distribution DrawnDistribution(std::mt19937_64& rng, int n) {
  std::uniform_int_distribution<std::int64_t> weight(1, 1000);
  Distribution x;
  x.weights.assign(static_cast<std::size_t>(n) + 1, 0);
  if (rng() % 2 == 0) {
    const auto points = 1 + static_cast<int>(rng() % 12);
    for (int p = 0; p < points; ++p) {
      x.weights[rng() % x.weights.size()] = weight(rng);
    }
  } else {
    const auto width = std::min<std::size_t>(1 + rng() % 300, x.weights.size());
    const std::size_t first = rng() % (x.weights.size() - width + 1);
    for (std::size_t k = first; k < first + width; ++k) {
      x.weights[k] = weight(rng);
    }
  }
  return x;
}

// S_0 .. S_m of x, summed over its positive weights only.
SequenceOf<Rational> MomentsOf(const Distribution& x, int m) {
  SequenceOf<Rational> S;
  for (int i = 0; i <= m; ++i) {
    mpz_class sum = 0;
    for (std::size_t k = 0; k < x.weights.size(); ++k) {
      if (x.weights[k] != 0) {
        sum += Binomial(static_cast<int>(k), i).get_num() * x.weights[k];
      }
    }
    Rational moment(sum, x.total());
    moment.canonicalize();
    S.push_back(moment);
  }
  return S;
}

class PricingsAgree : public ::testing::TestWithParam<int> {};

TEST_P(PricingsAgree, OnDrawnDistributions) {
  const int n = GetParam();
  std::mt19937_64 rng(9300 + static_cast<std::uint64_t>(n));
  // At n = 10^5 the scan's pivots cost n m each, and on some moments it takes tens of thousands
  // of them: fewer rounds, fewer orders.
  const int rounds = n >= 100000 ? 4 : 8;
  const int orders = std::min(n, n >= 100000 ? 3 : 8);
  for (int round = 0; round < rounds; ++round) {
    const Distribution x = DrawnDistribution(rng, n);
    const int m = 1 + static_cast<int>(rng() % static_cast<std::uint64_t>(orders));
    const SequenceOf<Rational> S = MomentsOf(x, m);
    const Question objective{kQuestions[rng() % 2],
                             1 + static_cast<std::int32_t>(rng() % static_cast<std::uint64_t>(n))};
    Rational truth = 0;
    for (int j = 0; j <= n; ++j) {
      if (Counted(objective, j)) {
        truth += Rational(x.weights[static_cast<std::size_t>(j)], x.total());
      }
    }
    truth.canonicalize();
    for (const Goal goal : kGoals) {
      const std::string where = "round " + std::to_string(round) + ", m=" + std::to_string(m) +
                                ", " + Describe(goal, objective);
      const MomentProgramResult scan = SolveMomentProgram(goal, objective, n, S, Pricing::kScan);
      const MomentProgramResult roots = SolveMomentProgram(goal, objective, n, S, Pricing::kRoots);
      ASSERT_EQ(scan.status, ProgramStatus::kOptimal) << where;
      ASSERT_EQ(roots.status, ProgramStatus::kOptimal) << where;
      EXPECT_EQ(roots.value, scan.value) << where;
      ExpectAttains(roots, n, S, objective, where);
      EXPECT_TRUE(goal == Goal::kMinimum ? roots.value <= truth : roots.value >= truth) << where;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Events, PricingsAgree,
                         ::testing::Values(10, 31, 100, 1000, 10000, 100000));

// ---------------------------------------------------------------------------------------------
// Arguments.

TEST(MomentProgramArguments, OrdersAboveNAreNotRead) {
  const SequenceOf<Rational> S{1, Fraction(3, 2), Fraction(3, 4)};
  SequenceOf<Rational> longer = S;
  longer.push_back(Fraction(5, 7));
  longer.push_back(3);
  for (const Goal goal : kGoals) {
    const MomentProgramResult whole = SolveMomentProgram(goal, kUnion, 2, S);
    const MomentProgramResult cut = SolveMomentProgram(goal, kUnion, 2, longer);
    EXPECT_EQ(cut.value, whole.value);
    EXPECT_EQ(cut.basis, whole.basis);
  }
}

TEST(MomentProgramArguments, ShapesOutsideTheProgramAreProgrammingErrors) {
  const SequenceOf<Rational> S{1, Fraction(1, 2)};
  EXPECT_THROW(SolveMomentProgram(Goal::kMinimum, kUnion, -1, S), std::invalid_argument);
  EXPECT_THROW(SolveMomentProgram(Goal::kMinimum, kUnion, 3, {}), std::invalid_argument);
  EXPECT_THROW(SolveMomentProgram(Goal::kMinimum, {QuestionKind::kExactly, 4}, 3, S),
               std::invalid_argument);
  EXPECT_THROW(SolveMomentProgram(Goal::kMaximum, {QuestionKind::kAtLeast, -1}, 3, S),
               std::invalid_argument);
}

}  // namespace
}  // namespace unionbound
