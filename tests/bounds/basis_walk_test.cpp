// The walk over bases: for each solver and each parity of m + 1, the leaving position decides
// how the entering subscript is found (scan down or up along the run of consecutive subscripts,
// then possibly past the end of the basis). Each row of the tables below drives the solver
// through one of these ways and states the whole walk; the walk is checked against the model of
// the rules in walk_model.h, and the solver against the walk.
//
// The solver's own walk is followed through the numerator kernel that WalkToBound takes: every
// basis it judges passes through it, with the positions it evaluates. So each test compares the
// whole walk, not just where it ends: the bases in order, the positions tested in each, the
// number of basis changes, the final basis and the message.
//
// Trace notation: "(0,1,2,3) p2 beyond +4 > ..." is basis (0,1,2,3), lowest negative position
// 2, entering subscript 4 found past the end of the basis (by the fallback); "inside" is a
// subscript met by the scan inside the basis, "nothing" ends the walk with no feasible solution.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
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
using testing::Describe;
using testing::Distribution;
using testing::ExactBasicSolution;
using testing::ExactWalk;
using testing::IsEmptyRecord;
using testing::MessageFor;
using testing::Nodes;
using testing::Outcome;
using testing::ProgramWalk;
using testing::RationalVector;
using testing::RunCaptured;
using testing::RunTraced;
using testing::Solver;
using testing::SolverLine;
using testing::SolverRun;
using testing::ToRationals;
using testing::TracedRun;
using testing::UnionObjective;
using testing::Walk;

constexpr Solver kMin = Solver::kMinimum;
constexpr Solver kMax = Solver::kMaximum;

struct WalkCase {
  const char* name;
  Solver solver;
  int n;
  Vector mu;
  const char* walk;
  // The distribution on 0 .. n whose moments, as the program forms them from its binomial
  // moments, are mu; empty when mu is a vector of small integers (then every sign is exact in
  // double precision and the walk does not depend on rounding).
  std::vector<std::int64_t> weights = {};
};

std::string CaseName(const ::testing::TestParamInfo<WalkCase>& info) {
  return info.param.name;
}

void PrintTo(const WalkCase& w, std::ostream* os) {
  *os << w.name;
}

class WalkTable : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTable, TheRulesGiveTheStatedWalk) {
  const WalkCase& w = GetParam();
  EXPECT_EQ(Describe(ProgramWalk(w.solver, Nodes(w.n), w.mu)), w.walk);
}

TEST_P(WalkTable, TheSolverEndsWhereTheWalkEnds) {
  const WalkCase& w = GetParam();
  const Vector z = Nodes(w.n);
  const Walk walk = ProgramWalk(w.solver, z, w.mu);
  const SolverRun run = RunCaptured(w.solver, UnionObjective(w.n), z, w.mu);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.line, MessageFor(walk.outcome));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.result.basis, walk.final_basis);
  if (walk.outcome != Outcome::kOptimal) {
    EXPECT_TRUE(IsEmptyRecord(run.result));
    return;
  }
  // The final basis solved exactly for the same moments.
  const RationalVector exact =
      ExactBasicSolution(ToRationals(w.mu), ToRationals(z), walk.final_basis);
  ASSERT_EQ(run.result.solution.size(), exact.size());
  double scale = 1.0;
  for (const Rational& v : exact) {
    scale = std::max(scale, std::fabs(v.get_d()));
  }
  Rational value = 0;
  for (std::size_t j = 0; j < exact.size(); ++j) {
    EXPECT_NEAR(run.result.solution[j], exact[j].get_d(), 1e-9 * scale) << "position " << j;
    if (walk.final_basis[j] != 0) {
      value += exact[j];
    }
  }
  EXPECT_NEAR(run.result.value, value.get_d(), 1e-9 * scale);
}

TEST_P(WalkTable, TheSolverJudgesTheBasesOfTheWalkInOrder) {
  const WalkCase& w = GetParam();
  const Vector z = Nodes(w.n);
  const int m = static_cast<int>(w.mu.size()) - 1;
  const Walk walk = ProgramWalk(w.solver, z, w.mu);
  ConsoleCapture console;
  const TracedRun run = RunTraced(w.solver, UnionObjective(w.n), z, w.mu);
  EXPECT_EQ(console.Take().out, "");  // the walk leaves its line to the program
  EXPECT_EQ(SolverLine(run.walk.end), MessageFor(walk.outcome));
  const auto expected = testing::JudgedBy(walk, w.solver, z, m);
  EXPECT_EQ(run.judged, expected) << "solver: " << testing::ToString(run.judged)
                                  << "\nwalk:   " << testing::ToString(expected);
  EXPECT_EQ(run.walk.end, testing::EndOf(walk.outcome));
  EXPECT_EQ(run.walk.basis_changes, testing::ChangesOf(walk));
}

TEST_P(WalkTable, TheMomentsAreWhatTheyClaimToBe) {
  const WalkCase& w = GetParam();
  const int m = static_cast<int>(w.mu.size()) - 1;
  if (w.weights.empty()) {
    // Integers: the double signs are the exact ones.
    EXPECT_EQ(Describe(ExactWalk(w.solver, ToRationals(Nodes(w.n)), ToRationals(w.mu))), w.walk);
    return;
  }
  const Distribution d{w.weights};
  ASSERT_EQ(d.n(), w.n);
  const Vector formed = testing::ProgramPowerMoments(testing::BinomialMomentsOf(d.masses(), m));
  ASSERT_EQ(formed.size(), w.mu.size());
  for (std::size_t i = 0; i < formed.size(); ++i) {
    EXPECT_EQ(formed[i], w.mu[i]) << "mu_" << i;
  }
  // A distribution always has an optimal basis: a walk that ends without one is rounding's work.
  EXPECT_GT(testing::ExactOptimumOf(d, m).feasible_bases, 0);
}

// Small integer moments (not all of them moments of a distribution): every sign is exact. These
// cover every way of finding the entering subscript that exact signs can reach on the nodes
// 0 .. 6 (an exhaustive search over the sign patterns of all walks from the start bases, for
// m = 1 .. 6, found no others).
INSTANTIATE_TEST_SUITE_P(
    ExactSigns, WalkTable,
    ::testing::Values(
        // MinimumBound, m + 1 even: odd positions scan down then fall back below, even ones scan
        // up then fall back above.
        WalkCase{"MinEvenSizePos0Beyond",
                 kMin,
                 6,
                 {4, 10, 30, 100},
                 "(0,1,2,3) p0 beyond +4 > (1,2,3,4) optimal"},
        WalkCase{"MinEvenSizeEvenBeyond",
                 kMin,
                 6,
                 {5, 8, 26, 92},
                 "(0,1,2,3) p2 beyond +4 > (0,1,3,4) optimal"},
        WalkCase{"MinEvenSizeOddBeyond",
                 kMin,
                 6,
                 {5, 12, 42, 156},
                 "(0,1,2,3) p0 beyond +4 > (1,2,3,4) p1 beyond +0 > (0,1,3,4) optimal"},
        WalkCase{"MinEvenSizeOddInside",
                 kMin,
                 6,
                 {7, 17, 75, 377, 2019, 11177},
                 "(0,1,2,3,4,5) p2 beyond +6 > (0,1,3,4,5,6) p3 inside +2 > (0,1,2,3,5,6) "
                 "optimal"},
        WalkCase{"MinEvenSizeOddNothing",
                 kMin,
                 6,
                 {3, 0, 2, 0},
                 "(0,1,2,3) p1 nothing > no feasible solution"},
        WalkCase{"MinEvenSizeEvenNothing",
                 kMin,
                 6,
                 {261711, 549180, 1148400, 1752000, 0, 0},
                 "(0,1,2,3,4,5) p0 beyond +6 > (1,2,3,4,5,6) p2 nothing > no feasible solution"},
        WalkCase{"MinEvenSizePos0Nothing",
                 kMin,
                 6,
                 {77, 60, 0, 0, 0, 0},
                 "(0,1,2,3,4,5) p0 beyond +6 > (1,2,3,4,5,6) p0 nothing > no feasible solution"},
        WalkCase{"MinEvenSizeLastNothing",
                 kMin,
                 6,
                 {2, 0, -4, -18},
                 "(0,1,2,3) p3 nothing > no feasible solution"},
        // The basis (0, 1, 4, 5) on 0 .. 6: leaving position 2 scans up past 5 and the fallback
        // brings 6; leaving position 1 finds nothing below 0.
        WalkCase{"MinFourColumnsPos2",
                 kMin,
                 6,
                 {18, 12, 62, 342},
                 "(0,1,2,3) p2 beyond +4 > (0,1,3,4) p2 beyond +5 > (0,1,4,5) p2 beyond +6 > "
                 "(0,1,5,6) optimal"},
        WalkCase{"MinFourColumnsPos1",
                 kMin,
                 6,
                 {-5, -31, -97, -289},
                 "(0,1,2,3) p2 beyond +4 > (0,1,3,4) p2 beyond +5 > (0,1,4,5) p1 nothing > no "
                 "feasible solution"},
        // MinimumBound, m + 1 odd: odd positions scan up then fall back above; position 0 has
        // nothing to bring in; 2, 4, ... scan down without a fallback.
        WalkCase{
            "MinOddSizeOddBeyond", kMin, 6, {3, 5, 13}, "(0,1,2) p1 beyond +3 > (0,2,3) optimal"},
        WalkCase{"MinOddSizeOddNothing",
                 kMin,
                 6,
                 {941, 180, 720, 960, 0},
                 "(0,1,2,3,4) p1 beyond +5 > (0,2,3,4,5) p1 beyond +6 > (0,3,4,5,6) p1 nothing > "
                 "no feasible solution"},
        WalkCase{"MinOddSizePos0Nothing",
                 kMin,
                 6,
                 {0, 2, 0},
                 "(0,1,2) p0 nothing > no feasible solution"},
        WalkCase{"MinOddSizeEvenInside",
                 kMin,
                 6,
                 {5, 12, 46, 198, 898},
                 "(0,1,2,3,4) p1 beyond +5 > (0,2,3,4,5) p2 inside +1 > (0,1,2,4,5) optimal"},
        WalkCase{"MinOddSizeEvenNothing",
                 kMin,
                 6,
                 {119, 12, 0, 24, 0},
                 "(0,1,2,3,4) p2 nothing > no feasible solution"},
        WalkCase{"MinOddSizeLastNothing",
                 kMin,
                 6,
                 {1, -1, -3},
                 "(0,1,2) p2 nothing > no feasible solution"},
        // MaximumBound, m + 1 even: position 0 untested; odd positions scan up, even ones scan
        // down, neither with a fallback.
        WalkCase{"MaxEvenSizeOddInside",
                 kMax,
                 6,
                 {0, 11, 49, 251},
                 "(0,1,2,6) p1 inside +3 > (0,2,3,6) optimal"},
        WalkCase{"MaxEvenSizeOddNothing",
                 kMax,
                 6,
                 {0, 5, 12, 0, 0, 0},
                 "(0,1,2,3,4,6) p1 inside +5 > (0,2,3,4,5,6) p1 nothing > no feasible solution"},
        WalkCase{"MaxEvenSizeLastNothing",
                 kMax,
                 6,
                 {0, -3, -31, -207},
                 "(0,1,2,6) p3 nothing > no feasible solution"},
        WalkCase{"MaxEvenSizeEvenInside",
                 kMax,
                 6,
                 {0, 23, 107, 539, 2819, 15083},
                 "(0,1,2,3,4,6) p1 inside +5 > (0,2,3,4,5,6) p2 inside +1 > (0,1,2,4,5,6) "
                 "optimal"},
        WalkCase{"MaxEvenSizeEvenNothing",
                 kMax,
                 6,
                 {0, 0, 3, 29},
                 "(0,1,2,6) p2 nothing > no feasible solution"},
        // MaximumBound, m + 1 odd: odd positions scan down then fall back below, even ones scan
        // up then fall back above (which never finds anything: n stays at position m).
        WalkCase{
            "MaxOddSizePos0Inside", kMax, 6, {7, 20, 86}, "(0,1,6) p0 inside +2 > (1,2,6) optimal"},
        WalkCase{"MaxOddSizeEvenInside",
                 kMax,
                 6,
                 {16, 42, 186, 924, 4902},
                 "(0,1,2,3,6) p2 inside +4 > (0,1,3,4,6) optimal"},
        WalkCase{"MaxOddSizePos0Nothing",
                 kMax,
                 6,
                 {0, 4, 36, 198, 0},
                 "(0,1,2,3,6) p0 inside +4 > (1,2,3,4,6) p0 inside +5 > (2,3,4,5,6) p0 nothing "
                 "> no feasible solution"},
        WalkCase{"MaxOddSizeEvenNothing",
                 kMax,
                 6,
                 {2405, 7950, 25668, 65880, 0},
                 "(0,1,2,3,6) p0 inside +4 > (1,2,3,4,6) p0 inside +5 > (2,3,4,5,6) p2 nothing "
                 "> no feasible solution"},
        WalkCase{"MaxOddSizeOddBeyond",
                 kMax,
                 6,
                 {10, 34, 142, 628, 2914},
                 "(0,1,2,3,6) p0 inside +4 > (1,2,3,4,6) p1 beyond +0 > (0,1,3,4,6) optimal"},
        WalkCase{"MaxOddSizeOddNothing",
                 kMax,
                 6,
                 {1, 0, 30},
                 "(0,1,6) p1 nothing > no feasible solution"},
        WalkCase{"MaxOddSizeLastNothing",
                 kMax,
                 6,
                 {1, -5, -35},
                 "(0,1,6) p2 nothing > no feasible solution"}),
    CaseName);

// Moments of distributions with zero masses, as the program forms them: rounding makes some
// basic values that are 0 come out negative, and the walk then goes where exact signs never
// lead. This reaches the remaining ways of finding the entering subscript.
INSTANTIATE_TEST_SUITE_P(
    RoundedSigns, WalkTable,
    ::testing::Values(
        // (0, 1, 4, 5) on 0 .. 6 again: position 0 scans up, meets 1, then finds 2 free; position
        // 3 scans down, meets 4, then finds 3 free.
        WalkCase{"MinFourColumnsPos0",
                 kMin,
                 6,
                 {0x1p+0, 0x1.c2a0bef52387ap+0, 0x1.3348eeb26c699p+2, 0x1.0f72faa1bea21p+4},
                 "(0,1,2,3) p0 beyond +4 > (1,2,3,4) p1 beyond +0 > (0,1,3,4) p2 beyond +5 > "
                 "(0,1,4,5) p0 inside +2 > (1,2,4,5) optimal",
                 {0, 68892, 0, 0, 23385, 0, 0}},
        WalkCase{"MinFourColumnsPos3",
                 kMin,
                 6,
                 {0x1p+0, 0x1.ba2e8ba2e8ba3p+1, 0x1.a8ba2e8ba2e8cp+3, 0x1.a45d1745d1746p+5},
                 "(0,1,2,3) p0 beyond +4 > (1,2,3,4) p2 beyond +5 > (1,2,4,5) p1 beyond +0 > "
                 "(0,1,4,5) p3 inside +3 > (0,1,3,4) optimal",
                 {0, 2, 0, 0, 9, 0, 0}},
        WalkCase{"MinEvenSizeEvenInside",
                 kMin,
                 6,
                 {0x1p+0, 0x1p+0, 0x1.4cccccccccccdp+1, 0x1.d99999999999ap+2, 0x1.5cccccccccccdp+4,
                  0x1.04p+6},
                 "(0,1,2,3,4,5) p4 beyond +6 > (0,1,2,3,5,6) p2 inside +4 > (0,1,3,4,5,6) optimal",
                 {8, 3, 0, 4, 0, 0, 0}},
        WalkCase{"MinEvenSizePos0Inside",
                 kMin,
                 4,
                 {0x1p+0, 0x1.5555555555555p+1, 0x1.eaaaaaaaaaaaap+2, 0x1.6aaaaaaaaaaabp+4},
                 "(0,1,2,3) p2 beyond +4 > (0,1,3,4) p0 inside +2 > (1,2,3,4) optimal",
                 {0, 2, 0, 10, 0}},
        WalkCase{"MinOddSizeOddInside",
                 kMin,
                 5,
                 {0x1p+0, 0x1.6aaaaaaaaaaabp+1, 0x1.2p+3, 0x1.f555555555555p+4, 0x1.dp+6},
                 "(0,1,2,3,4) p3 beyond +5 > (0,1,2,4,5) p1 inside +3 > (0,2,3,4,5) optimal",
                 {0, 0, 7, 0, 5, 0}},
        WalkCase{"MaxOddSizeOddInside",
                 kMax,
                 7,
                 {0x1p+0, 0x1.1738a31d738a3p+2, 0x1.786cbe4d06cbfp+4, 0x1.1997c9a0d97cap+7,
                  0x1.be5d738a31d74p+9, 0x1.6cf532cfc70a1p+12, 0x1.2fa662b5e2df5p+15},
                 "(0,1,2,3,4,5,7) p2 inside +6 > (0,1,3,4,5,6,7) p3 inside +2 > "
                 "(0,1,2,3,5,6,7) optimal",
                 {144, 0, 463, 947, 178, 67, 565, 800}}),
    CaseName);

// Walks that come back to a basis they have left: the solver stops with its message and the
// empty record. The moments are those of the distributions given, as the program forms them
// from the binomial moments; each row uses the solver the way the bound stage would for that m
// (for odd m it passes the negated objective, which does not change the walk).
INSTANTIATE_TEST_SUITE_P(
    RoundingCycles, WalkTable,
    ::testing::Values(
        // Upper bound for n = 4, m = 3: x = (0, 7, 0, 10, 0) / 17.
        WalkCase{"UpperN4M3",
                 kMin,
                 4,
                 {0x1p+0, 0x1.1696969696969p+1, 0x1.6d2d2d2d2d2d2p+2, 0x1.04b4b4b4b4b4bp+4},
                 "(0,1,2,3) p2 beyond +4 > (0,1,3,4) p0 inside +2 > (1,2,3,4) p3 beyond +0 > "
                 "repeat",
                 {0, 7, 0, 10, 0}},
        // Lower bound for n = 5, m = 4: x = (3, 0, 0, 0, 4, 0) / 7.
        WalkCase{"LowerN5M4",
                 kMin,
                 5,
                 {0x1p+0, 0x1.2492492492492p+1, 0x1.2492492492492p+3, 0x1.2492492492492p+5,
                  0x1.2492492492492p+7},
                 "(0,1,2,3,4) p1 beyond +5 > (0,2,3,4,5) p2 inside +1 > (0,1,2,4,5) p4 inside +3 "
                 "> repeat",
                 {3, 0, 0, 0, 4, 0}},
        // Upper bound for n = 5, m = 4: x = (0, 8, 0, 0, 0, 3) / 11.
        WalkCase{"UpperN5M4",
                 kMax,
                 5,
                 {0x1p+0, 0x1.0ba2e8ba2e8bap+1, 0x1.e2e8ba2e8ba2ep+2, 0x1.168ba2e8ba2e8p+5,
                  0x1.565d1745d1745p+7},
                 "(0,1,2,3,5) p0 inside +4 > (1,2,3,4,5) p1 beyond +0 > (0,1,3,4,5) p3 inside +2 "
                 "> repeat",
                 {0, 8, 0, 0, 0, 3}},
        // Lower bound for n = 6, m = 5: x = (0, 0, 6, 0, 3, 0, 10) / 19.
        WalkCase{"LowerN6M5",
                 kMax,
                 6,
                 {0x1p+0, 0x1.1af286bca1af3p+2, 0x1.6bca1af286bcap+4, 0x1.f9435e50d7943p+6,
                  0x1.6bca1af286bcap+9, 0x1.0a86bca1af286p+12},
                 "(0,1,2,3,4,6) p3 inside +5 > (0,1,2,4,5,6) p1 inside +3 > (0,2,3,4,5,6) p4 "
                 "inside +1 > repeat",
                 {0, 0, 6, 0, 3, 0, 10}}),
    CaseName);

// The cycling inputs through the solver as the bound stage calls it, with the sign of the
// objective the stage uses.
TEST(RoundingCycles, RepeatWithTheObjectiveTheBoundStageUses) {
  struct Cycle {
    Solver solver;
    int n;
    Vector mu;
  };
  const Cycle cycles[] = {
      {kMin, 4, {0x1p+0, 0x1.1696969696969p+1, 0x1.6d2d2d2d2d2d2p+2, 0x1.04b4b4b4b4b4bp+4}},
      {kMin,
       5,
       {0x1p+0, 0x1.2492492492492p+1, 0x1.2492492492492p+3, 0x1.2492492492492p+5,
        0x1.2492492492492p+7}},
      {kMax,
       5,
       {0x1p+0, 0x1.0ba2e8ba2e8bap+1, 0x1.e2e8ba2e8ba2ep+2, 0x1.168ba2e8ba2e8p+5,
        0x1.565d1745d1745p+7}},
      {kMax,
       6,
       {0x1p+0, 0x1.1af286bca1af3p+2, 0x1.6bca1af286bcap+4, 0x1.f9435e50d7943p+6,
        0x1.6bca1af286bcap+9, 0x1.0a86bca1af286p+12}},
  };
  for (const Cycle& cycle : cycles) {
    const int m = static_cast<int>(cycle.mu.size()) - 1;
    const double sign = m % 2 == 0 ? 1.0 : -1.0;
    const SolverRun run =
        RunCaptured(cycle.solver, UnionObjective(cycle.n, sign), Nodes(cycle.n), cycle.mu);
    EXPECT_EQ(run.out, "") << "n=" << cycle.n;
    EXPECT_EQ(run.line, "the basis changes repeat; no bound found\n") << "n=" << cycle.n;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(IsEmptyRecord(run.result));
  }
}

// ---------------------------------------------------------------------------------------------
// Random inputs.

int CasesPerOrder(int plain, int sanitized) {
  return testing::kSanitized ? sanitized : plain;
}

// Distributions with every mass positive on 0 .. n, n = 1 .. 10, m = 1 .. n: the walk with
// exact signs (on the exact moments) and the walk with the program's signs (on the moments the
// program forms) visit the same bases, and the solver ends at the same basis, whenever no basic
// value along the exact walk is within 1e-9 of 0. The rare walks that pass that close to a zero
// are counted, not compared.
TEST(RandomWalks, ExactAndRoundedSignsAgreeOnPositiveDistributions) {
  std::mt19937_64 rng(20240611);
  const int cases = CasesPerOrder(30, 8);
  int compared = 0;
  int near_zero = 0;
  ConsoleCapture console;
  for (int n = 1; n <= 10; ++n) {
    const RationalVector z = ToRationals(Nodes(n));
    for (int m = 1; m <= n; ++m) {
      for (int k = 0; k < cases; ++k) {
        const Distribution d = testing::RandomDistribution(rng, n, 0.0);
        const RationalVector exact_mu = testing::PowerMomentsOf(d.masses(), z, m);
        const Vector mu = testing::ProgramPowerMoments(testing::BinomialMomentsOf(d.masses(), m));
        for (Solver solver : {kMin, kMax}) {
          Rational margin;
          const Walk exact = ExactWalk(solver, z, exact_mu, &margin);
          ASSERT_EQ(exact.outcome, Outcome::kOptimal) << d.ToString();
          if (margin < Rational(1, 1000000000)) {
            ++near_zero;
            continue;
          }
          ++compared;
          const std::string where =
              std::string(testing::Name(solver)) + " m=" + std::to_string(m) + " " + d.ToString();
          EXPECT_EQ(Describe(ProgramWalk(solver, Nodes(n), mu)), Describe(exact)) << where;
          const TracedRun run = RunTraced(solver, UnionObjective(n), Nodes(n), mu);
          EXPECT_EQ(console.Take().out, "") << where;
          EXPECT_EQ(run.walk.result.basis, exact.final_basis) << where;
          EXPECT_EQ(run.judged, testing::JudgedBy(exact, solver, Nodes(n), m)) << where;
        }
      }
    }
  }
  std::printf("[          ] %d walks compared, %d passed within 1e-9 of a zero basic value\n",
              compared, near_zero);
  EXPECT_LT(near_zero, compared / 20);
}

// Distributions with zero masses, m near n: the solver ends exactly where the walk with the
// program's signs ends, including the walks that rounding sends to "no feasible solution" or
// round in a circle.
TEST(RandomWalks, SolverFollowsTheProgramSignsOnDistributionsWithZeroMasses) {
  std::mt19937_64 rng(7);
  const int cases = CasesPerOrder(300, 60);
  std::map<Outcome, int> ends;
  ConsoleCapture console;
  for (int n = 2; n <= 10; ++n) {
    for (int m = std::max(1, n - 3); m <= n; ++m) {
      for (int k = 0; k < cases; ++k) {
        const Distribution d =
            testing::RandomDistribution(rng, n, 0.15 + 0.6 * (k % 4) / 3.0, k % 2 ? 10 : 1000);
        const Vector mu = testing::ProgramPowerMoments(testing::BinomialMomentsOf(d.masses(), m));
        for (Solver solver : {kMin, kMax}) {
          const Walk walk = ProgramWalk(solver, Nodes(n), mu);
          ++ends[walk.outcome];
          const TracedRun run = RunTraced(solver, UnionObjective(n), Nodes(n), mu);
          const std::string where = std::string(testing::Name(solver)) + " m=" + std::to_string(m) +
                                    " " + d.ToString() + ": " + Describe(walk);
          EXPECT_EQ(console.Take().out, "") << where;
          EXPECT_EQ(SolverLine(run.walk.end), MessageFor(walk.outcome)) << where;
          EXPECT_EQ(run.walk.result.basis, walk.final_basis) << where;
          EXPECT_EQ(run.judged, testing::JudgedBy(walk, solver, Nodes(n), m)) << where;
          EXPECT_EQ(run.walk.basis_changes, testing::ChangesOf(walk)) << where;
        }
      }
    }
  }
  std::printf("[          ] walks ending optimal %d, with no feasible solution %d, repeating %d\n",
              ends[Outcome::kOptimal], ends[Outcome::kNoFeasibleSolution], ends[Outcome::kRepeat]);
  // The sample is fixed; it holds all three ends.
  EXPECT_GT(ends[Outcome::kNoFeasibleSolution], 0);
  EXPECT_GT(ends[Outcome::kRepeat], 0);
}

// Nodes that are not 0 .. n: the rules work on subscripts, the signs on the nodes. Increasing
// nodes with uneven dyadic gaps (some negative), a positive distribution on them.
TEST(RandomWalks, UnevenNodesFollowTheSameRules) {
  std::mt19937_64 rng(99);
  const int cases = CasesPerOrder(40, 10);
  std::uniform_int_distribution<int> quarter_steps(1, 8);
  std::uniform_int_distribution<int> start(-8, 4);
  ConsoleCapture console;
  int compared = 0;
  for (int n = 1; n <= 8; ++n) {
    for (int m = 1; m <= n; ++m) {
      for (int k = 0; k < cases; ++k) {
        Vector z{start(rng) * 0.25};
        for (int i = 1; i <= n; ++i) {
          z.push_back(z.back() + quarter_steps(rng) * 0.25);
        }
        const Distribution d = testing::RandomDistribution(rng, n, 0.0);
        const RationalVector exact_mu = testing::PowerMomentsOf(d.masses(), ToRationals(z), m);
        const Vector mu = testing::ToDoubles(exact_mu);
        for (Solver solver : {kMin, kMax}) {
          const std::string where =
              std::string(testing::Name(solver)) + " m=" + std::to_string(m) + " " + d.ToString();
          const Walk walk = ProgramWalk(solver, z, mu);
          const TracedRun run = RunTraced(solver, UnionObjective(n), z, mu);
          EXPECT_EQ(console.Take().out, "") << where;
          EXPECT_EQ(SolverLine(run.walk.end), MessageFor(walk.outcome)) << where;
          EXPECT_EQ(run.walk.result.basis, walk.final_basis) << where;
          EXPECT_EQ(run.judged, testing::JudgedBy(walk, solver, z, m)) << where;
          Rational margin;
          const Walk exact = ExactWalk(solver, ToRationals(z), exact_mu, &margin);
          if (margin >= Rational(1, 1000000000)) {
            ++compared;
            EXPECT_EQ(Describe(walk), Describe(exact)) << where;
          }
        }
      }
    }
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace unionbound
