// MinimumBound and MaximumBound on small inputs whose answers are known by hand: the worked runs
// on four nodes, the orders m = 0 and m = n, the inputs the solvers refuse, and not-a-number
// moments.

#include "bounds/bound_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "tests/bounds/solver_run.h"
#include "tests/bounds/walk_model.h"
#include "tests/support/distributions.h"

namespace unionbound {
namespace {

using testing::Describe;
using testing::IsEmptyRecord;
using testing::MessageFor;
using testing::Nodes;
using testing::Outcome;
using testing::ProgramWalk;
using testing::RunCaptured;
using testing::Solver;
using testing::SolverRun;
using testing::UnionObjective;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---------------------------------------------------------------------------------------------
// Worked runs on the nodes 0, 1, 2, 3.

struct WorkedRun {
  const char* name;
  Solver solver;
  Vector c;
  Vector mu;
  IndexVector basis;
  Vector solution;
  double value;
};

void PrintTo(const WorkedRun& w, std::ostream* os) {
  *os << w.name;
}

class WorkedRuns : public ::testing::TestWithParam<WorkedRun> {};

TEST_P(WorkedRuns, GiveTheOptimalBasisItsSolutionAndValue) {
  const WorkedRun& w = GetParam();
  const SolverRun run = RunCaptured(w.solver, w.c, Nodes(3), w.mu);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.result.basis, w.basis);
  ASSERT_EQ(run.result.solution.size(), w.solution.size());
  for (std::size_t j = 0; j < w.solution.size(); ++j) {
    EXPECT_NEAR(run.result.solution[j], w.solution[j], 1e-12) << "entry " << j;
  }
  EXPECT_NEAR(run.result.value, w.value, 1e-12);
}

const Vector kUnion{0, 1, 1, 1};
const Vector kNegatedUnion{-0.0, -1, -1, -1};

INSTANTIATE_TEST_SUITE_P(
    FourNodes, WorkedRuns,
    ::testing::Values(
        // mu of the distribution (0.2, 0.3, 0.3, 0.2): (0, 1, 2) has -0.3 at position 1, scan up
        // meets 2, the fallback above brings 3 in.
        WorkedRun{"MinimumOneChange",
                  Solver::kMinimum,
                  kUnion,
                  {1, 1.5, 3.3},
                  {0, 2, 3},
                  {0.3, 0.6, 0.1},
                  0.7},
        // The start basis (0, 1, 3) is already optimal.
        WorkedRun{"MaximumStartBasisOptimal",
                  Solver::kMaximum,
                  kUnion,
                  {1, 1.5, 3.3},
                  {0, 1, 3},
                  {0.1, 0.6, 0.3},
                  0.9},
        // m = 1 with the negated objective: only position 1 is tested.
        WorkedRun{
            "MaximumOrderOne", Solver::kMaximum, kNegatedUnion, {1, 1.5}, {0, 3}, {0.5, 0.5}, -0.5},
        // (0, 1) has -0.5 at position 0; scan up meets 1, the fallback above brings 2 in.
        WorkedRun{
            "MinimumOrderOne", Solver::kMinimum, kNegatedUnion, {1, 1.5}, {1, 2}, {0.5, 0.5}, -1.0},
        // Three events of probability 0.5 meeting pairwise with 0.25: the basic value 0 at
        // position 1 of (0, 1, 2) is not negative, so the start basis stays.
        WorkedRun{"MinimumZeroBasicValueStays",
                  Solver::kMinimum,
                  kUnion,
                  {1, 1.5, 3},
                  {0, 1, 2},
                  {0.25, 0, 0.75},
                  0.75},
        WorkedRun{"MaximumZeroBasicValueStays",
                  Solver::kMaximum,
                  kUnion,
                  {1, 1.5, 3},
                  {0, 1, 3},
                  {0, 0.75, 0.25},
                  1.0},
        // m + 1 even: position 0 of the maximum is never tested, so its value -1 comes back in
        // the solution.
        WorkedRun{"MaximumNeverTestsPositionZero",
                  Solver::kMaximum,
                  kUnion,
                  {1, 6},
                  {0, 3},
                  {-1, 2},
                  2.0}),
    [](const ::testing::TestParamInfo<WorkedRun>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// m = 0: one moment condition, the start basis alone.

class OrderZero : public ::testing::TestWithParam<int> {};

TEST_P(OrderZero, MinimumTakesTheFirstColumnAndMaximumTheLast) {
  const int n = GetParam();
  // c_i = i + 0.5, so that the value names the column it came from.
  Vector c;
  for (int i = 0; i <= n; ++i) {
    c.push_back(i + 0.5);
  }
  for (double mu0 : {1.0, 0.25, 0.0}) {
    SCOPED_TRACE("mu_0 = " + std::to_string(mu0));
    const SolverRun low = RunCaptured(Solver::kMinimum, c, Nodes(n), {mu0});
    EXPECT_EQ(low.out, "");
    EXPECT_EQ(low.result.basis, IndexVector{0});
    EXPECT_EQ(low.result.solution, Vector{mu0});
    EXPECT_EQ(low.result.value, 0.5 * mu0);

    const SolverRun high = RunCaptured(Solver::kMaximum, c, Nodes(n), {mu0});
    EXPECT_EQ(high.out, "");
    EXPECT_EQ(high.result.basis, IndexVector{n});
    EXPECT_EQ(high.result.solution, Vector{mu0});
    EXPECT_EQ(high.result.value, (n + 0.5) * mu0);
  }
}

TEST_P(OrderZero, NegativeMassHasNoFeasibleSolution) {
  const int n = GetParam();
  for (Solver solver : {Solver::kMinimum, Solver::kMaximum}) {
    const SolverRun run = RunCaptured(solver, UnionObjective(n), Nodes(n), {-1.0});
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.line, "no feasible solution\n");
    EXPECT_TRUE(IsEmptyRecord(run.result));
  }
}

TEST_P(OrderZero, TheUnionObjectiveGivesZeroAndOne) {
  const int n = GetParam();
  EXPECT_EQ(MinimumBound(UnionObjective(n), Nodes(n), {1.0}).value, 0.0);
  EXPECT_EQ(MaximumBound(UnionObjective(n), Nodes(n), {1.0}).value, n == 0 ? 0.0 : 1.0);
}

INSTANTIATE_TEST_SUITE_P(Nodes, OrderZero, ::testing::Values(0, 1, 2, 3, 7, 12));

// ---------------------------------------------------------------------------------------------
// m = n: the start bases hold every column, and the basic solution is the distribution itself.

class FullOrder : public ::testing::TestWithParam<int> {};

TEST_P(FullOrder, BothSolversReturnTheDistributionItself) {
  const int n = GetParam();
  // x_k proportional to k + 1: no zero mass, so the start basis is feasible.
  testing::Distribution d;
  for (int k = 0; k <= n; ++k) {
    d.weights.push_back(k + 1);
  }
  const auto x = d.masses();
  const Vector mu =
      testing::ToDoubles(testing::PowerMomentsOf(x, testing::ToRationals(Nodes(n)), n));
  const double tolerance = 1e-12 * std::pow(10.0, n / 2.0);
  IndexVector all;
  for (int k = 0; k <= n; ++k) {
    all.push_back(k);
  }
  for (Solver solver : {Solver::kMinimum, Solver::kMaximum}) {
    const SolverRun run = RunCaptured(solver, UnionObjective(n), Nodes(n), mu);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.result.basis, all);
    ASSERT_EQ(run.result.solution.size(), x.size());
    for (int k = 0; k <= n; ++k) {
      EXPECT_NEAR(run.result.solution[k], x[k].get_d(), tolerance) << "x_" << k;
    }
    EXPECT_NEAR(run.result.value, 1.0 - x[0].get_d(), tolerance);
  }
}

INSTANTIATE_TEST_SUITE_P(UpToTenNodes, FullOrder, ::testing::Range(1, 11));

// ---------------------------------------------------------------------------------------------
// Inputs outside 0 <= m <= n, |c| = |z| and strictly increasing nodes: refused with the empty
// record and a reason, which RefusalMessage turns into one line for a front end; the solvers
// themselves print nothing.

struct RefusedInput {
  const char* name;
  Vector c;
  Vector z;
  Vector mu;
};

void PrintTo(const RefusedInput& in, std::ostream* os) {
  *os << in.name;
}

class RefusedInputs : public ::testing::TestWithParam<RefusedInput> {};

TEST_P(RefusedInputs, GiveAnEmptyRecordAndTheirReason) {
  const RefusedInput& in = GetParam();
  for (Solver solver : {Solver::kMinimum, Solver::kMaximum}) {
    const std::string prefix =
        solver == Solver::kMinimum ? "unionbound: MinimumBound: " : "unionbound: MaximumBound: ";
    const SolverRun run = RunCaptured(solver, in.c, in.z, in.mu);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(IsEmptyRecord(run.result));
    const BoundWalk walk = WalkToBound(GoalOf(solver), in.c, in.z, in.mu);
    EXPECT_EQ(walk.end, WalkEnd::kRefused);
    ASSERT_FALSE(walk.problem.empty());
    const std::string message = RefusalMessage(GoalOf(solver), walk.problem);
    EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << "one line expected: " << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requirements, RefusedInputs,
    ::testing::Values(RefusedInput{"OrderAboveNodes", {0, 1, 1}, {0, 1, 2}, {1, 1, 1, 1}},
                      RefusedInput{"OrderOneOnOneNode", {0}, {0}, {1, 0.5}},
                      RefusedInput{"NoNodes", {}, {}, {1}},
                      RefusedInput{"NoMoments", {0, 1, 1, 1}, {0, 1, 2, 3}, {}},
                      RefusedInput{"NothingAtAll", {}, {}, {}},
                      RefusedInput{"ObjectiveShorter", {0, 1}, {0, 1, 2}, {1, 1}},
                      RefusedInput{"ObjectiveLonger", {0, 1, 1, 1}, {0, 1, 2}, {1, 1}},
                      RefusedInput{"EqualNodes", {0, 1, 1, 1}, {0, 1, 1, 3}, {1, 1.5}},
                      RefusedInput{"DecreasingNodes", {0, 1, 1, 1}, {3, 2, 1, 0}, {1, 1.5}},
                      RefusedInput{"OneStepBack", {0, 1, 1, 1, 1}, {0, 1, 2, 1.5, 4}, {1, 1.5, 3}},
                      RefusedInput{"NaNFirstNode", {0, 1, 1, 1}, {kNaN, 1, 2, 3}, {1, 1.5}},
                      RefusedInput{"NaNMiddleNode", {0, 1, 1, 1}, {0, 1, kNaN, 3}, {1, 1.5}},
                      RefusedInput{"NaNLastNode", {0, 1, 1, 1}, {0, 1, 2, kNaN}, {1, 1.5}},
                      RefusedInput{"NaNLastNodeOrderZero", {0, 1}, {0, kNaN}, {1}}),
    [](const ::testing::TestParamInfo<RefusedInput>& info) {
      return std::string(info.param.name);
    });

// ---------------------------------------------------------------------------------------------
// Not-a-number and infinite moments. A signed numerator that is not a number counts as
// negative; every numerator takes in every moment, so a NaN anywhere makes the first tested
// position leave in every basis, and the walk runs to the end of the shape.

struct NaNCase {
  Solver solver;
  int m;
  int nan_at;
};

void PrintTo(const NaNCase& c, std::ostream* os) {
  *os << testing::Name(c.solver) << " m=" << c.m << " NaN at " << c.nan_at;
}

class NaNMoments : public ::testing::TestWithParam<NaNCase> {};

TEST_P(NaNMoments, EndInNoFeasibleSolution) {
  const NaNCase& nc = GetParam();
  const int n = 5;
  Vector mu{1, 2, 5, 14, 41, 122};
  mu.resize(static_cast<std::size_t>(nc.m) + 1);
  mu[static_cast<std::size_t>(nc.nan_at)] = kNaN;
  const SolverRun run = RunCaptured(nc.solver, UnionObjective(n), Nodes(n), mu);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.line, "no feasible solution\n");
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(IsEmptyRecord(run.result));
  EXPECT_EQ(ProgramWalk(nc.solver, Nodes(n), mu).outcome, Outcome::kNoFeasibleSolution);
}

std::vector<NaNCase> AllNaNPlacements() {
  std::vector<NaNCase> cases;
  for (Solver solver : {Solver::kMinimum, Solver::kMaximum}) {
    for (int m = 0; m <= 5; ++m) {
      for (int at = 0; at <= m; ++at) {
        cases.push_back({solver, m, at});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EveryOrderAndPlace, NaNMoments, ::testing::ValuesIn(AllNaNPlacements()),
                         [](const ::testing::TestParamInfo<NaNCase>& info) {
                           return std::string(testing::Name(info.param.solver)) + "_m" +
                                  std::to_string(info.param.m) + "_at" +
                                  std::to_string(info.param.nan_at);
                         });

// Infinite moments turn the numerators into infinities or NaNs; the walk still ends, and where
// it ends is what the rules give for those signs.
TEST(InfiniteMoments, EndWhereTheSignRulesLead) {
  const int n = 4;
  for (Solver solver : {Solver::kMinimum, Solver::kMaximum}) {
    for (int m = 1; m <= n; ++m) {
      for (int at = 0; at <= m; ++at) {
        for (double inf : {kInf, -kInf}) {
          Vector mu{1, 1.5, 3, 6.5, 14};
          mu.resize(static_cast<std::size_t>(m) + 1);
          mu[static_cast<std::size_t>(at)] = inf;
          SCOPED_TRACE(std::string(testing::Name(solver)) + " m=" + std::to_string(m) + " at " +
                       std::to_string(at) + " " + std::to_string(inf));
          const auto walk = ProgramWalk(solver, Nodes(n), mu);
          const SolverRun run = RunCaptured(solver, UnionObjective(n), Nodes(n), mu);
          EXPECT_EQ(run.out, "") << Describe(walk);
          EXPECT_EQ(run.line, MessageFor(walk.outcome)) << Describe(walk);
          EXPECT_EQ(run.result.basis, walk.final_basis) << Describe(walk);
          if (walk.outcome != Outcome::kOptimal) {
            EXPECT_TRUE(IsEmptyRecord(run.result));
          }
        }
      }
    }
  }
}

// The objective does not steer the walk: a NaN coefficient reaches the value only when its
// column is in the final basis.
TEST(NaNObjective, LeavesTheWalkAlone) {
  const Vector c{0, 1, kNaN, 1};
  const SolverRun low = RunCaptured(Solver::kMinimum, c, Nodes(3), {1, 1.5, 3.3});
  EXPECT_EQ(low.out, "");
  EXPECT_EQ(low.result.basis, (IndexVector{0, 2, 3}));
  EXPECT_TRUE(std::isnan(low.result.value));

  const SolverRun high = RunCaptured(Solver::kMaximum, c, Nodes(3), {1, 1.5, 3.3});
  EXPECT_EQ(high.out, "");
  EXPECT_EQ(high.result.basis, (IndexVector{0, 1, 3}));
  EXPECT_NEAR(high.result.value, 0.9, 1e-12);
}

}  // namespace
}  // namespace unionbound
