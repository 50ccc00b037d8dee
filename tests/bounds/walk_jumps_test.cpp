// The walk on the union's columns jumps across runs of equal basis changes. It must stand on the
// same bases where it stops, end on the same basis with the same value and count the same basis
// changes as the walk that takes every step, which stays the reference: in double bit for bit,
// in exact arithmetic exactly, on moments of known distributions (degenerate ones among them)
// with n from 10 to 10^5, and far beyond where the single steps would take minutes.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "bounds/basis_rules.h"
#include "bounds/bound_solver.h"
#include "bounds/sharp_bounds.h"
#include "numeric/exact_number.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

using testing::SameBits;

// --------------------------------------------------------------------------------------------
// A run is the basis changes repeated: ShiftedBasis by one is ChangeBasis, and each change of
// the run is the same change of the same position until the block meets a subscript or an end.

struct RunCase {
  std::string name;
  IndexVector basis;
  std::int32_t p;
  basis_rules::EnteringRule rule;
  std::int32_t n;
};

void PrintTo(const RunCase& c, std::ostream* os) {
  *os << c.name;
}

class RunOfBasis : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunOfBasis, IsTheSameChangeRepeatedUntilTheBlockStops) {
  using namespace basis_rules;
  const RunCase& in = GetParam();
  std::int32_t e = EnteringSubscript(in.basis, in.p, in.rule, in.n);
  ASSERT_NE(e, kNone);
  const basis_rules::Run run = RunOf(in.basis, in.p, e, in.n);
  IndexVector basis = in.basis;
  std::int64_t changes = 0;
  // The reference: change position p by the rule as long as the entering subscript lies as far
  // from the leaving one as at first (the same block, moving the same way).
  const std::int32_t reach = e - in.basis[static_cast<std::size_t>(in.p)];
  while (e != kNone && e - basis[static_cast<std::size_t>(in.p)] == reach) {
    basis = ChangeBasis(basis, in.p, e);
    ++changes;
    ASSERT_EQ(ShiftedBasis(in.basis, run, changes), basis) << "change " << changes;
    e = EnteringSubscript(basis, in.p, in.rule, in.n);
  }
  EXPECT_EQ(changes, run.length);
  EXPECT_EQ(ShiftedBasis(in.basis, run, run.length), basis);
}

constexpr basis_rules::EnteringRule kUp{true, false};
constexpr basis_rules::EnteringRule kUpFallback{true, true};
constexpr basis_rules::EnteringRule kDown{false, false};
constexpr basis_rules::EnteringRule kDownFallback{false, true};

INSTANTIATE_TEST_SUITE_P(
    Bases, RunOfBasis,
    ::testing::Values(RunCase{"OneNodeUpToTheNext", {0, 3, 9}, 1, kUp, 20},
                      RunCase{"PairUpToTheNext", {0, 3, 4, 12}, 1, kUp, 20},
                      RunCase{"PairUpToN", {0, 3, 4}, 1, kUpFallback, 20},
                      RunCase{"WholeBasisUpToN", {0, 1}, 0, kUpFallback, 30},
                      RunCase{"StartBlockUpToN", {0, 1, 2, 3}, 1, kUpFallback, 9},
                      RunCase{"OneNodeDownToTheNext", {0, 3, 9}, 2, kDown, 20},
                      RunCase{"PairDownToTheNext", {0, 7, 8, 12}, 2, kDown, 20},
                      RunCase{"PairDownToZero", {5, 6, 20}, 1, kDownFallback, 20},
                      RunCase{"BlockDownToZero", {4, 5, 6}, 2, kDownFallback, 20},
                      RunCase{"OneStepLeft", {0, 2, 4}, 1, kUp, 20}),
    [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

// --------------------------------------------------------------------------------------------
// Whole walks, jumping against single steps.

// A distribution of the number of events that occur whose binomial moments are known in closed
// form, on 0 .. n.
enum class Family {
  kBinomial,      // n independent events of probability `p`
  kUniform,       // every count 0 .. n equally likely
  kPointMass,     // always `a` events
  kTwoPoints,     // `a` events with probability `p`, else `b`: degenerate for every m >= 2
  kBinomialAndN,  // the binomial with probability 1 - p, all n events with probability p
};

struct JumpCase {
  std::string name;
  std::int32_t n;
  std::int32_t m;
  Family family;
  Rational p;
  std::int32_t a = 0;
  std::int32_t b = 0;
};

void PrintTo(const JumpCase& c, std::ostream* os) {
  *os << c.name;
}

Rational Choose(std::int64_t k, std::int64_t i) {
  if (i < 0 || i > k) {
    return 0;
  }
  mpz_class c;
  mpz_bin_uiui(c.get_mpz_t(), static_cast<unsigned long>(k), static_cast<unsigned long>(i));
  return Rational(c);
}

Rational Power(const Rational& x, std::int32_t i) {
  Rational r = 1;
  for (std::int32_t t = 0; t < i; ++t) {
    r *= x;
  }
  return r;
}

SequenceOf<Rational> BinomialMoments(const JumpCase& in) {
  SequenceOf<Rational> S;
  for (std::int32_t i = 0; i <= in.m; ++i) {
    const Rational binomial = Choose(in.n, i) * Power(in.p, i);
    switch (in.family) {
      case Family::kBinomial:
        S.push_back(binomial);
        break;
      case Family::kUniform:
        S.push_back(Choose(in.n + 1, i + 1) / Rational(in.n + 1));
        break;
      case Family::kPointMass:
        S.push_back(Choose(in.a, i));
        break;
      case Family::kTwoPoints:
        S.push_back(in.p * Choose(in.a, i) + (1 - in.p) * Choose(in.b, i));
        break;
      case Family::kBinomialAndN:
        S.push_back((1 - in.p) * Choose(in.n, i) * Power(1 - in.p, i) + in.p * Choose(in.n, i));
        break;
    }
  }
  return S;
}

std::vector<JumpCase> JumpCases() {
  std::vector<JumpCase> cases = {
      {"Binomial10M2", 10, 2, Family::kBinomial, Rational(3, 10)},
      {"Binomial1000M1", 1000, 1, Family::kBinomial, Rational(3, 10)},
      {"Binomial1000M2", 1000, 2, Family::kBinomial, Rational(3, 10)},
      {"Binomial1000M3", 1000, 3, Family::kBinomial, Rational(1, 2)},
      {"Binomial1000M6", 1000, 6, Family::kBinomial, Rational(3, 10)},
      {"Binomial10000M4", 10000, 4, Family::kBinomial, Rational(1, 50)},
      {"Binomial100000M2", 100000, 2, Family::kBinomial, Rational(3, 10)},
      {"Binomial100000M5", 100000, 5, Family::kBinomial, Rational(1, 10)},
      {"Uniform100M3", 100, 3, Family::kUniform, 0},
      {"Uniform10000M2", 10000, 2, Family::kUniform, 0},
      {"PointMass1000At700M2", 1000, 2, Family::kPointMass, 0, 700},
      {"PointMass1000At700M5", 1000, 5, Family::kPointMass, 0, 700},
      {"PointMass100000At99999M1", 100000, 1, Family::kPointMass, 0, 99999},
      {"TwoPoints1000M2", 1000, 2, Family::kTwoPoints, Rational(1, 3), 200, 800},
      {"TwoPoints1000M4", 1000, 4, Family::kTwoPoints, Rational(1, 3), 200, 800},
      {"TwoPoints10000AdjacentM3", 10000, 3, Family::kTwoPoints, Rational(1, 2), 5000, 5001},
      {"TwoPoints100000M2", 100000, 2, Family::kTwoPoints, Rational(9, 10), 30000, 90000},
      {"BinomialAndN1000M3", 1000, 3, Family::kBinomialAndN, Rational(1, 4)},
      {"BinomialAndN10000M4", 10000, 4, Family::kBinomialAndN, Rational(1, 100)},
  };
  // Drawn members of the families, n from 10 to 10^5.
  std::mt19937_64 generator(20261211);
  const std::int32_t sizes[] = {10, 37, 100, 1000, 10000, 100000};
  for (int round = 0; round < 30; ++round) {
    JumpCase c;
    c.n = sizes[generator() % 6];
    c.m = static_cast<std::int32_t>(1 + generator() % 6);
    c.m = std::min(c.m, c.n);
    c.family = static_cast<Family>(generator() % 5);
    c.p = Rational(static_cast<long>(1 + generator() % 999), 1000);
    c.p.canonicalize();
    c.a = static_cast<std::int32_t>(generator() % static_cast<std::uint64_t>(c.n + 1));
    c.b = static_cast<std::int32_t>(generator() % static_cast<std::uint64_t>(c.n + 1));
    c.name = "Drawn" + std::to_string(round) + "N" + std::to_string(c.n) + "M" +
             std::to_string(c.m) + "Family" + std::to_string(static_cast<int>(c.family));
    cases.push_back(c);
  }
  return cases;
}

void ExpectSameWalk(const BoundWalk& got, const BoundWalk& want, const std::string& where) {
  EXPECT_EQ(got.end, want.end) << where;
  EXPECT_EQ(got.basis_changes, want.basis_changes) << where;
  EXPECT_EQ(got.last_basis, want.last_basis) << where;
  EXPECT_TRUE(SameBits(got.result.value, want.result.value)) << where;
  EXPECT_EQ(got.result.basis, want.result.basis) << where;
  EXPECT_TRUE(SameBits(got.result.solution, want.result.solution)) << where;
  EXPECT_TRUE(got.solve == want.solve) << where;
}

void ExpectSameWalk(const BoundWalkOf<Rational>& got, const BoundWalkOf<Rational>& want,
                    const std::string& where) {
  EXPECT_EQ(got.end, want.end) << where;
  EXPECT_EQ(got.basis_changes, want.basis_changes) << where;
  EXPECT_EQ(got.last_basis, want.last_basis) << where;
  EXPECT_EQ(got.result.value, want.result.value) << where;
  EXPECT_EQ(got.result.basis, want.result.basis) << where;
  EXPECT_EQ(got.result.solution, want.result.solution) << where;
}

class JumpingWalk : public ::testing::TestWithParam<JumpCase> {};

TEST_P(JumpingWalk, EndsWhereTheSingleStepsEndInExactArithmetic) {
  const JumpCase& in = GetParam();
  const UnionProgramOf<Rational> program = UnionProgram<Rational>(in.n, BinomialMoments(in));
  for (const Side side : {Side::kLower, Side::kUpper}) {
    const std::string where = in.name + (side == Side::kLower ? " lower" : " upper");
    const BoundWalkOf<Rational> steps =
        WalkToSharpBound<Rational>(side, program, nullptr, WalkStride::kOneStep);
    ExpectSameWalk(WalkToSharpBound<Rational>(side, program), steps, where);
  }
}

TEST_P(JumpingWalk, EndsWhereTheSingleStepsEndInDouble) {
  const JumpCase& in = GetParam();
  Vector S;
  for (const Rational& s : BinomialMoments(in)) {
    S.push_back(NearestDouble(s));
  }
  const UnionProgramOf<double> program = UnionProgram<double>(in.n, S);
  for (const Side side : {Side::kLower, Side::kUpper}) {
    const std::string where = in.name + (side == Side::kLower ? " lower" : " upper");
    const BoundWalk steps = WalkToSharpBound<double>(side, program, nullptr, WalkStride::kOneStep);
    ExpectSameWalk(WalkToSharpBound<double>(side, program), steps, where);
  }
}

INSTANTIATE_TEST_SUITE_P(Distributions, JumpingWalk, ::testing::ValuesIn(JumpCases()),
                         [](const ::testing::TestParamInfo<JumpCase>& info) {
                           return info.param.name;
                         });

// Walks the single steps cannot take in a test's time: their ends are known. n independent
// events of probability 1/2 at m = 1 have the upper bound on the basis around the mean, and the
// walk there is a billion basis changes.
TEST(JumpingWalk, CrossesABillionBasisChanges) {
  const std::int32_t n = 2'000'000'000;
  const UnionProgramOf<double> doubles = UnionProgram<double>(n, Vector{1.0, 1e9});
  const BoundWalk upper = WalkToSharpBound<double>(Side::kUpper, doubles);
  EXPECT_EQ(upper.end, WalkEnd::kOptimal);
  EXPECT_EQ(upper.result.basis, (IndexVector{999'999'999, 1'000'000'000}));
  EXPECT_EQ(upper.basis_changes, 999'999'999);
  const UnionProgramOf<Rational> exact =
      UnionProgram<Rational>(n, SequenceOf<Rational>{1, 1'000'000'000});
  const BoundWalkOf<Rational> exact_upper = WalkToSharpBound<Rational>(Side::kUpper, exact);
  EXPECT_EQ(exact_upper.result.basis, upper.result.basis);
  EXPECT_EQ(exact_upper.basis_changes, upper.basis_changes);
  EXPECT_EQ(exact_upper.result.value, 1);
}

}  // namespace
}  // namespace unionbound
