// The walk on the union's columns jumps across runs of equal basis changes. It must end the same
// way on the same basis with the same value, and count the same basis changes, as the walk that
// takes every step, which stays the reference: in double bit for bit, in exact arithmetic
// exactly, on moments of known distributions (degenerate ones and ones no distribution has among
// them) with n from 10 to 10^5, from the start bases and from where another walk ended, and far
// beyond where the single steps would take minutes. A walk that comes back to a basis is watched
// change by change across its jumps, on walks made of runs whose first repeat is known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bounds/basis_rules.h"
#include "bounds/bound_solver.h"
#include "bounds/sharp_bounds.h"
#include "numeric/exact_number.h"
#include "tests/support/same_bits.h"
#include "tests/support/same_walk.h"

namespace unionbound {
namespace {

using testing::ExpectSameWalk;
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

// How far along a run a basis lies: where a scan of the run's bases finds it.
struct AlongCase {
  std::string name;
  basis_rules::Run run;
};

void PrintTo(const AlongCase& c, std::ostream* os) {
  *os << c.name;
}

class StepsAlong : public ::testing::TestWithParam<AlongCase> {};

TEST_P(StepsAlong, IsWhereAScanOfTheRunFindsTheBasis) {
  const basis_rules::Run& run = GetParam().run;
  std::mt19937_64 generator(7);
  int found = 0;
  for (int round = 0; round < 300; ++round) {
    IndexVector from;
    for (std::int32_t x = 1000; from.size() < 5;
         x += static_cast<std::int32_t>(1 + generator() % 9)) {
      from.push_back(x);
    }
    // Half the rounds look for a basis of the run, the others for one a subscript off it, or
    // for the start itself.
    const auto when = static_cast<std::int64_t>(generator() % 40);
    IndexVector to = basis_rules::ShiftedBasis(from, run, when);
    if (round % 2 == 1) {
      to[generator() % to.size()] += static_cast<std::int32_t>(generator() % 3) - 1;
    }
    std::int64_t want = basis_rules::kNone;
    for (std::int64_t t = 1; t <= 100 && want == basis_rules::kNone; ++t) {
      if (basis_rules::ShiftedBasis(from, run, t) == to) {
        want = t;
      }
    }
    EXPECT_EQ(basis_rules::StepsAlong(from, run, to), want) << "round " << round;
    found += want != basis_rules::kNone ? 1 : 0;
  }
  EXPECT_GT(found, 100);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StepsAlong,
    ::testing::Values(AlongCase{"OneNodeUp", {2, 2, 1, 0}}, AlongCase{"OneNodeDown", {0, 0, -1, 0}},
                      AlongCase{"BlockUp", {1, 3, 1, 0}}, AlongCase{"BlockDown", {3, 4, -1, 0}},
                      AlongCase{"WholeBasisUp", {0, 4, 1, 0}}),
    [](const ::testing::TestParamInfo<AlongCase>& info) { return info.param.name; });

// --------------------------------------------------------------------------------------------
// The repeat watch and the first repeat, on walks made of runs: from `first`, the tail's runs,
// then the cycle's round and round. The cycle moves positions 0 and 2 up, down, down and up
// again, so that it comes back to where it started; the tail moves position 0 up into the
// cycle's first run from below any subscript the cycle gives it, so that no basis of the tail
// lies on the cycle and the walk enters the cycle inside a run. A walker moves by as many
// changes of one run at a time as its draw gives: the jumps of a real walk are as long as a run
// lets them be, and may cross where the walk enters the cycle.

struct Segment {
  std::int32_t position;
  std::int32_t shift;
  std::int64_t length;
};

class RunWalker {
 public:
  RunWalker(IndexVector first, std::vector<Segment> tail, std::vector<Segment> cycle,
            std::uint64_t seed, std::int64_t longest_move)
      : basis_(std::move(first)),
        tail_(std::move(tail)),
        cycle_(std::move(cycle)),
        generator_(seed),
        longest_move_(longest_move) {}

  const IndexVector& basis() const { return basis_; }
  // The run from here: the segments ahead that move the same position the same way.
  basis_rules::Run run() const {
    const Segment& s = segment(segment_);
    std::int64_t left = s.length - offset_;
    for (std::size_t next = segment_ + 1;
         segment(next).position == s.position && segment(next).shift == s.shift; ++next) {
      left += segment(next).length;
    }
    return {s.position, s.position, s.shift, left};
  }
  std::int64_t Ahead() {
    if (certified_ == 0) {
      const auto most = static_cast<std::uint64_t>(std::min(run().length, longest_move_));
      certified_ = 1 + static_cast<std::int64_t>(generator_() % most);
    }
    return certified_;
  }
  void Move(std::int64_t changes) {
    from_ = basis_;
    moved_run_ = run();
    last_move_ = changes;
    basis_ = basis_rules::ShiftedBasis(basis_, moved_run_, changes);
    certified_ -= changes;
    offset_ += changes;
    while (offset_ >= segment(segment_).length) {
      offset_ -= segment(segment_).length;
      ++segment_;
    }
  }
  const IndexVector& from() const { return from_; }
  const basis_rules::Run& moved_run() const { return moved_run_; }
  std::int64_t last_move() const { return last_move_; }
  IndexVector OneBack() const {
    return basis_rules::ShiftedBasis(from_, moved_run_, last_move_ - 1);
  }

 private:
  const Segment& segment(std::size_t k) const {
    return k < tail_.size() ? tail_[k] : cycle_[(k - tail_.size()) % cycle_.size()];
  }

  IndexVector basis_;
  std::vector<Segment> tail_;
  std::vector<Segment> cycle_;
  std::mt19937_64 generator_;
  std::int64_t longest_move_;
  std::size_t segment_ = 0;
  std::int64_t offset_ = 0;
  std::int64_t certified_ = 0;
  IndexVector from_;
  basis_rules::Run moved_run_;
  std::int64_t last_move_ = 0;
};

struct RepeatShape {
  std::string name;
  std::int64_t tail;     // changes of position 0 up to the cycle
  std::int64_t up;       // changes of position 0 each way round the cycle
  std::int64_t down;     // changes of position 2 each way
  std::int64_t entry;    // changes into the first segment of the cycle the walk starts at
  std::int64_t longest;  // the longest move a walker makes
};

void PrintTo(const RepeatShape& c, std::ostream* os) {
  *os << c.name;
}

struct RepeatWalks {
  IndexVector first;
  std::vector<Segment> tail;
  std::vector<Segment> cycle;
};

RepeatWalks WalksOf(const RepeatShape& in) {
  RepeatWalks walks;
  const std::int32_t middle = 5000;
  // The cycle, rotated so that it starts `entry` changes into its first run.
  walks.cycle = {{0, 1, in.up}, {2, -1, in.down}, {0, -1, in.up}, {2, 1, in.down}};
  IndexVector start{1000, middle, 9000};
  if (in.entry > 0) {
    const Segment s = walks.cycle.front();
    start = basis_rules::ShiftedBasis(start, {s.position, s.position, s.shift, 0}, in.entry);
    walks.cycle.push_back({s.position, s.shift, in.entry});
    walks.cycle.front().length -= in.entry;
  }
  walks.first = start;
  if (in.tail > 0) {
    walks.first[0] -= static_cast<std::int32_t>(in.tail);
    walks.tail = {{0, 1, in.tail}};
  }
  return walks;
}

// The first repeat by every basis visited, change by change.
bound_walk_detail::FirstRepeat RememberedRepeat(const RepeatWalks& walks) {
  RunWalker walker(walks.first, walks.tail, walks.cycle, 0, 1);
  std::set<IndexVector> seen{walker.basis()};
  bound_walk_detail::FirstRepeat repeat;
  for (;;) {
    walker.Ahead();
    walker.Move(1);
    ++repeat.basis_changes;
    if (!seen.insert(walker.basis()).second) {
      repeat.last_basis = walker.from();
      return repeat;
    }
  }
}

class RepeatAcrossJumps : public ::testing::TestWithParam<RepeatShape> {};

// The watch sees the repeat within the move that crosses the change where single steps see it,
// and counts the same cycle.
TEST_P(RepeatAcrossJumps, IsSeenWhereTheSingleStepsSeeIt) {
  const RepeatWalks walks = WalksOf(GetParam());
  const auto watch_walk = [&](std::uint64_t seed, std::int64_t longest) {
    RunWalker walker(walks.first, walks.tail, walks.cycle, seed, longest);
    bound_walk_detail::RepeatWatch watch(walks.first);
    std::pair<std::int64_t, std::int64_t> seen{0, 0};  // changes before and after the move
    for (;;) {
      const std::int64_t changes = walker.Ahead();
      walker.Move(changes);
      seen = {seen.second, seen.second + changes};
      if (watch.Met(walker)) {
        return std::pair{seen, watch.cycle()};
      }
    }
  };
  const auto [single_step, cycle] = watch_walk(0, 1);
  EXPECT_EQ(cycle, 2 * (GetParam().up + GetParam().down));
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const auto [move, jump_cycle] = watch_walk(seed, GetParam().longest);
    EXPECT_EQ(jump_cycle, cycle) << "seed " << seed;
    EXPECT_LT(move.first, single_step.second) << "seed " << seed;
    EXPECT_GE(move.second, single_step.second) << "seed " << seed;
  }
}

TEST_P(RepeatAcrossJumps, FirstRepeatIsTheOneEveryBasisRemembered) {
  const RepeatWalks walks = WalksOf(GetParam());
  const bound_walk_detail::FirstRepeat want = RememberedRepeat(walks);
  const std::int64_t cycle = 2 * (GetParam().up + GetParam().down);
  for (std::uint64_t seed = 0; seed <= 40; ++seed) {
    // Each copy of the walk draws its own moves.
    std::uint64_t copies = seed * 1000;
    const bound_walk_detail::FirstRepeat got = bound_walk_detail::LocateFirstRepeat(
        [&] {
          return RunWalker(walks.first, walks.tail, walks.cycle, ++copies,
                           seed == 0 ? 1 : GetParam().longest);
        },
        cycle);
    EXPECT_EQ(got.basis_changes, want.basis_changes) << "seed " << seed;
    EXPECT_EQ(got.last_basis, want.last_basis) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Walks, RepeatAcrossJumps,
    ::testing::Values(RepeatShape{"NoTail", 0, 20, 30, 0, 25},
                      RepeatShape{"NoTailStartingInsideARun", 0, 20, 30, 7, 25},
                      RepeatShape{"ShortTail", 3, 20, 30, 0, 25},
                      RepeatShape{"TailIntoARunPartway", 25, 20, 30, 7, 40},
                      RepeatShape{"TailLongerThanTheCycle", 300, 10, 15, 0, 200},
                      RepeatShape{"TailAndCycleOfOneLength", 50, 10, 15, 0, 60},
                      RepeatShape{"ShortCycle", 40, 1, 1, 0, 30},
                      RepeatShape{"LongRunsInTheCycle", 17, 400, 250, 0, 500},
                      RepeatShape{"ShortMovesOnly", 90, 30, 20, 0, 2}),
    [](const ::testing::TestParamInfo<RepeatShape>& info) { return info.param.name; });

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
  kMixture,       // the binomial, `a` events and `b` events, a third each
};

struct JumpCase {
  std::string name;
  std::int32_t n;
  std::int32_t m;
  Family family;
  Rational p;
  std::int32_t a = 0;
  std::int32_t b = 0;
  // S_order times `factor`: moments near those of a distribution, or of none.
  std::int32_t order = 0;
  Rational factor = 1;
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
      case Family::kMixture:
        S.push_back((binomial + Choose(in.a, i) + Choose(in.b, i)) / 3);
        break;
    }
  }
  S[static_cast<std::size_t>(in.order)] *= in.factor;
  return S;
}

Rational TenToThe(int exponent) {
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10,
                static_cast<unsigned long>(exponent < 0 ? -exponent : exponent));
  return exponent < 0 ? Rational(mpz_class(1), power) : Rational(power);
}

Vector NearestDoubles(const SequenceOf<Rational>& S) {
  Vector doubles;
  for (const Rational& s : S) {
    doubles.push_back(NearestDouble(s));
  }
  return doubles;
}

// The rest of a drawn case once its n, m and family are drawn: the family's parameters, and a
// name that says what was drawn.
void DrawParameters(std::mt19937_64& generator, int round, JumpCase& c) {
  c.p = Rational(static_cast<long>(1 + generator() % 999), 1000);
  c.p.canonicalize();
  c.a = static_cast<std::int32_t>(generator() % static_cast<std::uint64_t>(c.n + 1));
  c.b = static_cast<std::int32_t>(generator() % static_cast<std::uint64_t>(c.n + 1));
  c.name = "Drawn" + std::to_string(round) + "N" + std::to_string(c.n) + "M" + std::to_string(c.m) +
           "Family" + std::to_string(static_cast<int>(c.family));
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
    DrawParameters(generator, round, c);
    cases.push_back(c);
  }
  // Mixtures, and moments moved off a distribution's by up to 1 % in one order: some fit no
  // distribution, and the double walks end without a bound or come back to a basis.
  const std::vector<JumpCase> named = {
      {"Mixture1000M4", 1000, 4, Family::kMixture, Rational(1, 2), 100, 900},
      {"Mixture50000M3", 50000, 3, Family::kMixture, Rational(3, 10), 40000, 2000},
      {"MixtureAdjacentPointsM5", 20000, 5, Family::kMixture, Rational(1, 5), 7001, 7002},
      {"Binomial1000M2S2Above", 1000, 2, Family::kBinomial, Rational(3, 10), 0, 0, 2,
       Rational(101, 100)},
      {"Binomial10000M3S1Below", 10000, 3, Family::kBinomial, Rational(1, 2), 0, 0, 1,
       Rational(99, 100)},
      {"PointMass10000At300M2S2Above", 10000, 2, Family::kPointMass, 0, 300, 0, 2,
       Rational(1001, 1000)},
      // A mass of 10^-315 or 10^-318 away from 0: moments below the smallest normal double,
      // where the double walk's products can underflow.
      {"SubnormalMassAt5000M2", 10000, 2, Family::kTwoPoints, TenToThe(-315), 5000, 0},
      {"SubnormalMassAt500M3", 10000, 3, Family::kTwoPoints, TenToThe(-318), 500, 0},
  };
  cases.insert(cases.end(), named.begin(), named.end());
  std::mt19937_64 more(20261212);
  for (int round = 0; round < 30; ++round) {
    JumpCase c;
    c.n = static_cast<std::int32_t>(
        std::pow(10.0, 1.0 + 4.0 * static_cast<double>(more() % 1001) / 1000.0));
    c.m = std::min(static_cast<std::int32_t>(1 + more() % 6), c.n);
    c.family = round % 2 == 0 ? Family::kMixture : static_cast<Family>(more() % 6);
    c.p = Rational(static_cast<long>(1 + more() % 999), 1000);
    c.p.canonicalize();
    c.a = static_cast<std::int32_t>(more() % static_cast<std::uint64_t>(c.n + 1));
    c.b = static_cast<std::int32_t>(more() % static_cast<std::uint64_t>(c.n + 1));
    if (round % 3 == 0) {
      c.order = static_cast<std::int32_t>(1 + more() % static_cast<std::uint64_t>(c.m));
      c.factor = Rational(990 + static_cast<long>(more() % 21), 1000);
      c.factor.canonicalize();
    }
    c.name = "MoreDrawn" + std::to_string(round) + "N" + std::to_string(c.n) + "M" +
             std::to_string(c.m) + "Family" + std::to_string(static_cast<int>(c.family)) +
             (c.order > 0 ? "Moved" : "");
    cases.push_back(c);
  }
  return cases;
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

// Both strides from the same start, the single steps' walk returned.
template <class Number>
BoundWalkOf<Number> ExpectSameStrides(Side side, const UnionProgramOf<Number>& program,
                                      const IndexVector* start, const std::string& where) {
  const BoundWalkOf<Number> steps =
      WalkToSharpBound<Number>(side, program, start, WalkStride::kOneStep);
  ExpectSameWalk(WalkToSharpBound<Number>(side, program, start, WalkStride::kJumps), steps, where);
  return steps;
}

std::string Where(const JumpCase& in, Side side) {
  return in.name + (side == Side::kLower ? " lower" : " upper");
}

class JumpingWalk : public ::testing::TestWithParam<JumpCase> {};

// From the start bases, from the other side's end, and, as the exact check walks, from where
// the double walk ended.
TEST_P(JumpingWalk, EndsWhereTheSingleStepsEndInExactArithmetic) {
  const JumpCase& in = GetParam();
  const UnionProgramOf<Rational> program = UnionProgram<Rational>(in.n, BinomialMoments(in));
  const UnionProgramOf<double> doubles =
      UnionProgram<double>(in.n, NearestDoubles(BinomialMoments(in)));
  for (const Side side : {Side::kLower, Side::kUpper}) {
    const BoundWalkOf<Rational> steps = ExpectSameStrides(side, program, nullptr, Where(in, side));
    const Side other = side == Side::kLower ? Side::kUpper : Side::kLower;
    ExpectSameStrides(other, program, &steps.last_basis, Where(in, side) + " then the other");
    const BoundWalk double_walk =
        WalkToSharpBound<double>(side, doubles, nullptr, WalkStride::kOneStep);
    if (!double_walk.last_basis.empty()) {
      ExpectSameStrides(side, program, &double_walk.last_basis,
                        Where(in, side) + " from the double walk's end");
    }
  }
}

TEST_P(JumpingWalk, EndsWhereTheSingleStepsEndInDouble) {
  const JumpCase& in = GetParam();
  const UnionProgramOf<double> program =
      UnionProgram<double>(in.n, NearestDoubles(BinomialMoments(in)));
  for (const Side side : {Side::kLower, Side::kUpper}) {
    const BoundWalk steps = ExpectSameStrides(side, program, nullptr, Where(in, side));
    const Side other = side == Side::kLower ? Side::kUpper : Side::kLower;
    if (!steps.last_basis.empty()) {
      ExpectSameStrides(other, program, &steps.last_basis, Where(in, side) + " then the other");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Distributions, JumpingWalk, ::testing::ValuesIn(JumpCases()),
                         [](const ::testing::TestParamInfo<JumpCase>& info) {
                           return info.param.name;
                         });

// Orders 7 to 10 in double, where rounding decides many of the walk's signs: jumps must stop
// where the single steps' rounding could differ from the exact sign, and walks come back to a
// basis. The exact walks of these orders are the table above's, only longer.
std::vector<JumpCase> RoundingCases() {
  std::vector<JumpCase> cases = {
      // Walks that come back to a basis after a long way out, most of it in jumps.
      {"PointMass17378At12498M10", 17378, 10, Family::kPointMass, 0, 12498},
      {"Mixture10375M7", 10375, 7, Family::kMixture, Rational(817, 1000), 8924, 9291},
      {"PointMass13298At7719M8", 13298, 8, Family::kPointMass, 0, 7719},
      {"PointMass21428At3595M7", 21428, 7, Family::kPointMass, 0, 3595},
      {"PointMass22552At15939M7", 22552, 7, Family::kPointMass, 0, 15939},
      {"Binomial964M7", 964, 7, Family::kBinomial, Rational(121, 125)},
      {"PointMass418At63M9", 418, 9, Family::kPointMass, 0, 63},
  };
  std::mt19937_64 generator(20261213);
  for (int round = 0; round < 12; ++round) {
    JumpCase c;
    c.n = static_cast<std::int32_t>(1000 + generator() % 19000);
    c.m = static_cast<std::int32_t>(7 + generator() % 4);
    c.family = round % 2 == 0 ? Family::kMixture : static_cast<Family>(generator() % 6);
    DrawParameters(generator, round, c);
    cases.push_back(c);
  }
  return cases;
}

class JumpingWalkWhereRoundingDecides : public ::testing::TestWithParam<JumpCase> {};

TEST_P(JumpingWalkWhereRoundingDecides, EndsWhereTheSingleStepsEndInDouble) {
  const JumpCase& in = GetParam();
  const UnionProgramOf<double> program =
      UnionProgram<double>(in.n, NearestDoubles(BinomialMoments(in)));
  for (const Side side : {Side::kLower, Side::kUpper}) {
    ExpectSameStrides(side, program, nullptr, Where(in, side));
  }
}

INSTANTIATE_TEST_SUITE_P(Distributions, JumpingWalkWhereRoundingDecides,
                         ::testing::ValuesIn(RoundingCases()),
                         [](const ::testing::TestParamInfo<JumpCase>& info) {
                           return info.param.name;
                         });

// Every move of the jumping walker ends where the single steps are after as many changes, and
// the basis it gives as the one before is the one the single steps stood on.
template <class Number>
void ExpectStopsOnTheSingleStepsWay(Side side, const UnionProgramOf<Number>& program,
                                    const std::string& where) {
  const auto order = static_cast<std::int32_t>(program.mu.size()) - 1;
  const bool even = order % 2 == 0;
  const Goal goal = (side == Side::kLower) == even ? Goal::kMinimum : Goal::kMaximum;
  const UnionColumns<Number> columns{program.n, Number(even ? 1 : -1)};
  using Walker = bound_walk_detail::Walker<Number, UnionColumns<Number>>;
  const bound_walk_detail::StepRule<Number, UnionColumns<Number>> step{
      columns, program.mu, nullptr, basis_rules::VariantFor(goal, program.n, order), program.n};
  Walker jumping(step, program.mu, true, step.variant.start);
  Walker single(step, program.mu, false, step.variant.start);
  // A walk that comes back to a basis goes on for ever; a hundred thousand changes show it.
  std::int64_t changes = 0;
  std::int64_t jumps = 0;
  while (changes < 100'000) {
    const std::int64_t ahead = jumping.Ahead();
    if (ahead == 0) {
      EXPECT_EQ(single.Ahead(), 0) << where;
      EXPECT_EQ(jumping.end(), single.end()) << where;
      break;
    }
    jumping.Move(ahead);
    for (std::int64_t k = 0; k < ahead; ++k) {
      ASSERT_EQ(single.Ahead(), 1) << where << " after " << changes + k << " changes";
      single.Move(1);
    }
    changes += ahead;
    jumps += ahead > 1 ? 1 : 0;
    ASSERT_EQ(jumping.basis(), single.basis()) << where << " after " << changes << " changes";
    ASSERT_EQ(jumping.OneBack(), single.OneBack()) << where << " after " << changes << " changes";
  }
  EXPECT_GT(jumps, 0) << where;
}

class JumpingWalker : public ::testing::TestWithParam<JumpCase> {};

TEST_P(JumpingWalker, StopsOnTheSingleStepsWay) {
  const JumpCase& in = GetParam();
  const SequenceOf<Rational> S = BinomialMoments(in);
  for (const Side side : {Side::kLower, Side::kUpper}) {
    if (in.m <= 6) {
      ExpectStopsOnTheSingleStepsWay(side, UnionProgram<Rational>(in.n, S),
                                     Where(in, side) + " exact");
    }
    ExpectStopsOnTheSingleStepsWay(side, UnionProgram<double>(in.n, NearestDoubles(S)),
                                   Where(in, side) + " double");
  }
}

std::vector<JumpCase> WalkerCases() {
  const std::set<std::string> names = {"Binomial100000M5",        "Mixture50000M3",
                                       "MixtureAdjacentPointsM5", "TwoPoints100000M2",
                                       "Binomial10000M3S1Below",  "PointMass13298At7719M8",
                                       "PointMass21428At3595M7"};
  std::vector<JumpCase> cases;
  for (const std::vector<JumpCase>& table : {JumpCases(), RoundingCases()}) {
    std::copy_if(table.begin(), table.end(), std::back_inserter(cases),
                 [&](const JumpCase& c) { return names.count(c.name) > 0; });
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Distributions, JumpingWalker, ::testing::ValuesIn(WalkerCases()),
                         [](const ::testing::TestParamInfo<JumpCase>& info) {
                           return info.param.name;
                         });

// The tables reach what they are meant to: every end of the walks, and walks that jump, also
// ones that end without a bound or come back to a basis, so that a change to the tables or to
// when a jump is tried cannot leave the comparisons above with nothing to compare.
TEST(JumpingWalk, TablesReachEveryEndWithJumps) {
  std::map<std::string, int> reached;
  const auto note = [&](const std::string& kind, const auto& walk) {
    reached[kind + " " + WalkEndName(walk.end)] += 1;
    // A walk that crossed at least five changes a move.
    if (walk.basis_changes >= 5 * walk.moves && walk.basis_changes > 0) {
      reached[kind + " " + WalkEndName(walk.end) + " jumping"] += 1;
    }
  };
  for (const JumpCase& in : JumpCases()) {
    const SequenceOf<Rational> S = BinomialMoments(in);
    const UnionProgramOf<Rational> exact = UnionProgram<Rational>(in.n, S);
    const UnionProgramOf<double> doubles = UnionProgram<double>(in.n, NearestDoubles(S));
    for (const Side side : {Side::kLower, Side::kUpper}) {
      note("exact", WalkToSharpBound<Rational>(side, exact));
      note("double", WalkToSharpBound<double>(side, doubles));
    }
  }
  for (const JumpCase& in : RoundingCases()) {
    const UnionProgramOf<double> doubles =
        UnionProgram<double>(in.n, NearestDoubles(BinomialMoments(in)));
    for (const Side side : {Side::kLower, Side::kUpper}) {
      note("double", WalkToSharpBound<double>(side, doubles));
    }
  }
  std::string counts;
  for (const auto& [kind, count] : reached) {
    counts += kind + ": " + std::to_string(count) + "\n";
  }
  for (const char* kind :
       {"exact optimal jumping", "exact infeasible jumping", "double optimal jumping",
        "double infeasible jumping", "double cycle jumping"}) {
    EXPECT_GE(reached[kind], 2) << kind << "\n" << counts;
  }
}

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
