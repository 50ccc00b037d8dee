// The bounds against the exact optimum.
//
// For random distributions x on 0 .. n with rational masses, n = 1 .. 10, and every m = 1 .. n:
// the binomial moments S_0 .. S_m are formed exactly, rounded to double, and turned into power
// moments the way the program does it; the solvers are called the way the bound stage calls
// them (m even: lower = MinimumBound(c), upper = MaximumBound(c); m odd: lower =
// -MaximumBound(-c), upper = -MinimumBound(-c), with c = (0, 1, ..., 1)). The exact optimum is
// the smallest and the largest sum_{i >= 1} x_i over every set of m + 1 of the n + 1 columns whose
// exact basic solution has no negative entry.
//
// Holds for n = 1 .. 10 and m = 1 .. n: every bound the solvers return is within 1e-9 of the
// exact optimum (the largest error seen is about 6e-12, at m = n = 10), and for distributions
// with every mass positive the solvers always return both bounds. The solution that comes with a
// bound is the basic solution of its basis to within 1e-8 (about 1e-9 at m = n = 10, far less
// for smaller m). Distributions with zero masses may end in "no feasible solution" or in a
// repeated basis, since rounding can turn a basic value that is 0 negative; those ends are
// counted, not failed, but a bound that is returned must be right. Each (n, m) draws 400
// distributions with every mass positive and 400 with masses set to 0 at random (80 and 80
// under the address sanitizer); the table of errors and counts is printed.

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "bounds/bound_solver.h"
#include "tests/bounds/solver_run.h"
#include "tests/bounds/walk_model.h"
#include "tests/support/console.h"
#include "tests/support/distributions.h"
#include "tests/support/every_basis_oracle.h"

namespace unionbound {
namespace {

using testing::ConsoleCapture;
using testing::Distribution;
using testing::ExactBasicSolution;
using testing::Nodes;
using testing::RationalVector;
using testing::SolverLine;
using testing::ToRationals;
using testing::UnionObjective;

constexpr double kTolerance = 1e-9;
// The basic solution that comes with a bound is held to less: at m = n = 10 the solve of the
// basis matrix in double precision moves single entries by up to about 1.1e-9, while the bound
// stays within about 6e-12.
constexpr double kSolutionTolerance = 1e-8;

struct Tally {
  int cases = 0;
  int bounds_checked = 0;
  double largest_error = 0.0;
  double largest_solution_error = 0.0;
  int no_feasible = 0;
  int repeated = 0;
};

// One bound as the bound stage obtains it, checked against the exact value. `negate` is set for
// odd m, where the solver's value is the negated bound.
void CheckBound(const char* which, const BoundResult& r, const std::string& message, bool negate,
                const Rational& exact, const RationalVector& exact_mu, int n, const Distribution& d,
                Tally& tally) {
  const std::string where = std::string(which) + " bound, n=" + std::to_string(n) +
                            " m=" + std::to_string(exact_mu.size() - 1) + " " + d.ToString();
  if (r.basis.empty()) {
    EXPECT_TRUE(d.degenerate()) << where << ": no bound, message " << message;
    EXPECT_TRUE(std::isnan(r.value)) << where;
    if (message == "no feasible solution\n") {
      ++tally.no_feasible;
    } else {
      EXPECT_EQ(message, "the basis changes repeat; no bound found\n") << where;
      ++tally.repeated;
    }
    return;
  }
  EXPECT_EQ(message, "") << where;
  ++tally.bounds_checked;
  const double bound = negate ? -r.value : r.value;
  const double error = std::fabs(bound - exact.get_d());
  tally.largest_error = std::max(tally.largest_error, error);
  EXPECT_LE(error, kTolerance) << where << ": bound " << bound << ", exact " << exact.get_d();

  // The returned solution is the basic solution of the returned basis.
  const RationalVector basic = ExactBasicSolution(exact_mu, ToRationals(Nodes(n)), r.basis);
  ASSERT_EQ(r.solution.size(), basic.size()) << where;
  for (std::size_t j = 0; j < basic.size(); ++j) {
    const double entry_error = std::fabs(r.solution[j] - basic[j].get_d());
    tally.largest_solution_error = std::max(tally.largest_solution_error, entry_error);
    EXPECT_LE(entry_error, kSolutionTolerance) << where << " position " << j;
  }
}

class ExactOracle : public ::testing::TestWithParam<int> {};

TEST_P(ExactOracle, BoundsEqualTheExactOptimum) {
  const int n = GetParam();
  const int cases = testing::kSanitized ? 80 : 400;
  std::mt19937_64 rng(1000 + n);
  ConsoleCapture console;
  std::vector<std::string> table;
  for (int m = 1; m <= n; ++m) {
    Tally positive;
    Tally with_zeros;
    for (int k = 0; k < 2 * cases; ++k) {
      const bool zeros = k % 2 == 1;
      // Half the distributions have every mass positive; the other half zero each mass with
      // probability 0.15 .. 0.6, and use small or large weights.
      const double zero_chance = zeros ? 0.15 + 0.15 * (k / 2 % 4) : 0.0;
      const Distribution d =
          testing::RandomDistribution(rng, n, zero_chance, k % 4 < 2 ? 1000 : 12);
      Tally& tally = d.degenerate() ? with_zeros : positive;
      ++tally.cases;

      const RationalVector x = d.masses();
      const RationalVector exact_mu = testing::PowerMomentsOf(x, ToRationals(Nodes(n)), m);
      const Vector mu = testing::ProgramPowerMoments(testing::BinomialMomentsOf(x, m));
      const testing::ExactOptimum exact = testing::ExactOptimumOf(d, m);
      ASSERT_GT(exact.feasible_bases, 0) << d.ToString();

      const bool odd = m % 2 == 1;
      const Vector c = UnionObjective(n, odd ? -1.0 : 1.0);
      // The walks behind MinimumBound and MaximumBound, which also say how they ended.
      const BoundWalk lower = WalkToBound(odd ? Goal::kMaximum : Goal::kMinimum, c, Nodes(n), mu);
      const BoundWalk upper = WalkToBound(odd ? Goal::kMinimum : Goal::kMaximum, c, Nodes(n), mu);
      ASSERT_EQ(console.Take().out, "") << d.ToString();
      CheckBound("lower", lower.result, SolverLine(lower.end), odd, exact.minimum, exact_mu, n, d,
                 tally);
      CheckBound("upper", upper.result, SolverLine(upper.end), odd, exact.maximum, exact_mu, n, d,
                 tally);
    }
    char line[256];
    std::snprintf(line, sizeof line,
                  "n=%2d m=%2d | positive: %3d cases, error %.1e (solution %.1e) | with zeros: %3d "
                  "cases, error %.1e, bounds not found: no feasible solution %3d, repeated %2d",
                  n, m, positive.cases, positive.largest_error,
                  std::max(positive.largest_solution_error, with_zeros.largest_solution_error),
                  with_zeros.cases, with_zeros.largest_error, with_zeros.no_feasible,
                  with_zeros.repeated);
    table.push_back(line);
  }
  console.Take();
  for (const std::string& line : table) {
    std::printf("[          ] %s\n", line.c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(UpToTenEvents, ExactOracle, ::testing::Range(1, 11));

// The oracle itself: its basic solutions satisfy the moment conditions exactly, and the
// distribution's own value lies between the minimum and the maximum (equal to both when m = n).
TEST(ExactOracleSelfCheck, BasicSolutionsSolveTheMomentConditions) {
  std::mt19937_64 rng(5);
  for (int n = 1; n <= 7; ++n) {
    const RationalVector z = ToRationals(Nodes(n));
    for (int m = 0; m <= n; ++m) {
      const Distribution d = testing::RandomDistribution(rng, n, 0.3);
      const RationalVector x = d.masses();
      const RationalVector mu = testing::PowerMomentsOf(x, z, m);
      // Every set of m + 1 columns starting anywhere, solved and multiplied back.
      for (int first = 0; first + m <= n; ++first) {
        IndexVector basis;
        for (int i = 0; i <= m; ++i) {
          basis.push_back(first + i);
        }
        const RationalVector xb = ExactBasicSolution(mu, z, basis);
        for (int deg = 0; deg <= m; ++deg) {
          Rational s = 0;
          for (int j = 0; j <= m; ++j) {
            Rational power = 1;
            for (int e = 0; e < deg; ++e) {
              power *= z[static_cast<std::size_t>(basis[j])];
            }
            s += power * xb[static_cast<std::size_t>(j)];
          }
          EXPECT_EQ(s, mu[static_cast<std::size_t>(deg)]) << "n=" << n << " m=" << m;
        }
      }
      const testing::ExactOptimum opt = testing::ExactOptimumOf(d, m);
      const Rational value = 1 - x[0];
      EXPECT_LE(opt.minimum, value);
      EXPECT_GE(opt.maximum, value);
      if (m == n) {
        EXPECT_EQ(opt.minimum, value);
        EXPECT_EQ(opt.maximum, value);
      }
    }
  }
}

}  // namespace
}  // namespace unionbound
