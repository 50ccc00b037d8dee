// The classical bounds: worked examples with exact answers; random systems of events whose union
// probability is known exactly, where every bound must hold, the two-moment bounds must be
// attained by some count of occurring events, and the spanning-tree bound must use the heaviest
// tree; and Prim's algorithm on large graphs against Kruskal's.
//
// Probabilities are multiples of 2^-20 wherever it matters, so the doubles are exact and most
// results can be compared bit for bit.

#include "bounds/classical_bounds.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace unionbound {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Equal, or both not-a-number.
::testing::AssertionResult Same(double expected, double actual) {
  if (expected == actual || (std::isnan(expected) && std::isnan(actual))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "expected " << expected << ", got " << actual;
}

// Within tolerance, relative for magnitudes above 1.
::testing::AssertionResult Near(double expected, double actual, double tolerance) {
  if (Same(expected, actual) ||
      std::abs(expected - actual) <= tolerance * std::max(1.0, std::abs(expected))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "expected " << expected << ", got " << actual;
}

double MinWithOne(double v) {
  return std::isnan(v) ? kNaN : std::min(v, 1.0);
}

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

// ---------------------------------------------------------------------------------------------
// From exact moments each bound is the exact value rounded once: 3/10 - 1/10 shows as 0.2, where
// the doubles 0.3 - 0.1 give 0.19999999999999998.

struct RoundedOnceCase {
  const char* name;
  std::vector<const char*> S;  // S_1 .. S_m as fractions
  std::int64_t n;
  std::vector<std::pair<const char*, const char*>> rows;  // a row's name and its exact value
};

void PrintTo(const RoundedOnceCase& c, std::ostream* os) {
  *os << c.name;
}

class ClassicalFromExactMoments : public ::testing::TestWithParam<RoundedOnceCase> {};

TEST_P(ClassicalFromExactMoments, RoundsEachExactBoundOnce) {
  const RoundedOnceCase& c = GetParam();
  SequenceOf<Rational> S{Rational(1)};
  for (const char* text : c.S) {
    S.emplace_back(text);
    S.back().canonicalize();
  }
  const ClassicalBoundList table = ClassicalTable(S, c.n, {}, {}, kNaN, kNaN);
  for (const auto& [name, text] : c.rows) {
    Rational exact(text);
    exact.canonicalize();
    const auto row = std::find_if(table.begin(), table.end(),
                                  [&](const ClassicalRow& r) { return r.name == name; });
    ASSERT_NE(row, table.end()) << name;
    EXPECT_EQ(row->value, NearestDouble(exact)) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Classical, ClassicalFromExactMoments,
    ::testing::Values(
        RoundedOnceCase{"TenthsThatDoublesMiss",
                        {"3/10", "1/10"},
                        3,
                        {{"Bonferroni B2", "1/5"},
                         {"Bonferroni best lower (max with 0)", "1/5"},
                         {"Dawson-Sankoff lower", "1/5"},
                         {"Kwerel upper", "7/30"}}},
        // 2 S_2 / S_1 = 10/3: the best step is k = 4, inside 1 .. n - 1.
        RoundedOnceCase{"StepInsideTheRange",
                        {"3/5", "1"},
                        10,
                        {{"Dawson-Sankoff lower", "7/50"},
                         {"Bonferroni best upper (min with 1)", "3/5"},
                         {"Kwerel upper (min with 1)", "2/5"}}},
        // 2 S_2 / S_1 = 20 is held to k = n - 1 = 4.
        RoundedOnceCase{"StepHeldToNMinusOne",
                        {"1/10", "1"},
                        5,
                        {{"Dawson-Sankoff lower", "-3/50"}, {"Kwerel upper", "-3/10"}}},
        RoundedOnceCase{"NoEventCanOccur", {"0", "0"}, 4, {{"Dawson-Sankoff lower", "0"}}}),
    CaseName<RoundedOnceCase>);

// ---------------------------------------------------------------------------------------------
// Bonferroni partial sums on worked examples.

struct BonferroniCase {
  const char* name;
  Vector S;
  Vector sums;  // B_1 .. B_m
  double best_lower;
  double best_upper;
};

void PrintTo(const BonferroniCase& c, std::ostream* os) {
  *os << c.name;
}

class BonferroniWorked : public ::testing::TestWithParam<BonferroniCase> {};

TEST_P(BonferroniWorked, GivesTheExactPartialSumsAndTheBestOfThem) {
  const BonferroniCase& c = GetParam();
  const Vector B = BonferroniSums(c.S);
  ASSERT_EQ(B.size(), c.sums.size() + 1);
  EXPECT_EQ(B[0], 0.0);
  for (std::size_t k = 1; k < B.size(); ++k) {
    EXPECT_TRUE(Same(c.sums[k - 1], B[k])) << "B_" << k;
  }

  const ClassicalBoundList rows = BonferroniBounds(c.S);
  ASSERT_EQ(rows.size(), c.sums.size() + 2);
  for (std::size_t k = 1; k <= c.sums.size(); ++k) {
    const ClassicalRow& row = rows[k - 1];
    EXPECT_EQ(row.side, k % 2 == 1 ? Side::kUpper : Side::kLower) << row.name;
    EXPECT_TRUE(Same(c.sums[k - 1], row.value)) << row.name;
  }
  const ClassicalRow& lower = rows[rows.size() - 2];
  const ClassicalRow& upper = rows.back();
  EXPECT_EQ(lower.side, Side::kLower);
  EXPECT_TRUE(Same(c.best_lower, lower.value)) << lower.name;
  EXPECT_EQ(upper.side, Side::kUpper);
  EXPECT_TRUE(Same(c.best_upper, upper.value)) << upper.name;
}

// Four identical events of probability 1/4 have S_i = C(4, i) / 4; three independent events of
// probability 1/2 have S_i = C(3, i) / 2^i; six identical events of probability 1/8 have
// S_i = C(6, i) / 8.
INSTANTIATE_TEST_SUITE_P(
    Classical, BonferroniWorked,
    ::testing::Values(
        BonferroniCase{"empty_moments", {}, {}, 0.0, 1.0},
        BonferroniCase{"order_zero", {1.0}, {}, 0.0, 1.0},
        BonferroniCase{"order_one_above_one", {1.0, 1.5}, {1.5}, 0.0, 1.0},
        BonferroniCase{
            "three_independent_halves", {1.0, 1.5, 0.75, 0.125}, {1.5, 0.75, 0.875}, 0.75, 0.875},
        BonferroniCase{"four_identical_quarters",
                       {1.0, 1.0, 1.5, 1.0, 0.25},
                       {1.0, -0.5, 0.5, 0.25},
                       0.25,
                       0.5},
        BonferroniCase{"six_identical_eighths_to_order_three",
                       {1.0, 0.75, 1.875, 2.5},
                       {0.75, -1.125, 1.375},
                       0.0,
                       0.75},
        BonferroniCase{"best_sums_are_not_the_last",
                       {1.0, 1.0, 0.25, 0.125, 0.5},
                       {1.0, 0.75, 0.875, 0.375},
                       0.75,
                       0.875},
        BonferroniCase{"s0_is_not_read", {kNaN, 0.5, 0.25}, {0.5, 0.25}, 0.25, 0.5},
        BonferroniCase{
            "nan_reaches_every_later_sum", {1.0, 0.5, kNaN, 0.25}, {0.5, kNaN, kNaN}, kNaN, kNaN},
        BonferroniCase{"nan_only_in_an_even_sum", {1.0, 0.5, kNaN}, {0.5, kNaN}, kNaN, 0.5}),
    CaseName<BonferroniCase>);

// ---------------------------------------------------------------------------------------------
// The two-moment closed forms on worked examples.

struct TwoMomentCase {
  const char* name;
  double s1;
  double s2;
  std::int64_t n;
  double lower;  // Dawson-Sankoff
  double upper;  // Kwerel, unclipped
};

void PrintTo(const TwoMomentCase& c, std::ostream* os) {
  *os << c.name;
}

class ClassicalTwoMoment : public ::testing::TestWithParam<TwoMomentCase> {};

TEST_P(ClassicalTwoMoment, GivesTheClosedForms) {
  const TwoMomentCase& c = GetParam();
  EXPECT_TRUE(Near(c.lower, DawsonSankoffLower(c.s1, c.s2, c.n), 1e-15));
  EXPECT_TRUE(Near(c.upper, KwerelUpper(c.s1, c.s2, c.n), 1e-15));

  const ClassicalBoundList rows = TwoMomentBounds(Vector{1.0, c.s1, c.s2, 0.125}, c.n);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].side, Side::kLower);
  EXPECT_TRUE(Near(c.lower, rows[0].value, 1e-15)) << rows[0].name;
  EXPECT_EQ(rows[1].side, Side::kUpper);
  EXPECT_TRUE(Near(c.upper, rows[1].value, 1e-15)) << rows[1].name;
  EXPECT_EQ(rows[2].side, Side::kUpper);
  EXPECT_TRUE(Near(MinWithOne(c.upper), rows[2].value, 1e-15)) << rows[2].name;
}

INSTANTIATE_TEST_SUITE_P(
    Classical, ClassicalTwoMoment,
    ::testing::Values(
        TwoMomentCase{"no_events", 0.0, 0.0, 0, 0.0, 0.0},
        TwoMomentCase{"no_event_can_occur", 0.0, 0.0, 3, 0.0, 0.0},
        TwoMomentCase{"zero_s1_gives_zero_whatever_s2", 0.0, 0.5, 3, 0.0, -1.0 / 3},
        TwoMomentCase{"single_event", 0.25, 0.0, 1, 0.25, 0.25},
        // Two events: both bounds are the union itself.
        TwoMomentCase{"two_events", 0.75, 0.25, 2, 0.5, 0.5},
        // 2 S_2 / S_1 = 1: k = 2.
        TwoMomentCase{"three_independent_halves", 1.5, 0.75, 3, 0.75, 1.0},
        // 2 S_2 / S_1 = 1.5: k = 2 gives 5/12, k = 1 only 1/4 and k = 3 only 3/8.
        TwoMomentCase{"fractional_ratio_rounds_down", 1.0, 0.75, 4, 5.0 / 12, 0.625},
        // Four identical events of probability 1/2: 2 S_2 / S_1 = n - 1; both bounds are exact.
        TwoMomentCase{"identical_events", 2.0, 3.0, 4, 0.5, 0.5},
        // 2 S_2 / S_1 = 4 asks for k = 5, held to n - 1 = 2: 1/3 - 1/3, where k = 5 gives 1/10.
        TwoMomentCase{"ratio_beyond_n_minus_one", 0.5, 1.0, 3, 0.0, 0.5 - 2.0 / 3},
        TwoMomentCase{"huge_ratio", 1e-300, 1.0, 5, -0.1, 1e-300 - 0.4},
        TwoMomentCase{"infinite_ratio", 5e-324, 1e300, 5, -1e299, -4e299},
        // A negative ratio asks for k <= 0, held to 1: S_1 - S_2.
        TwoMomentCase{"negative_s2", 0.5, -0.25, 3, 0.75, 0.5 + 0.5 / 3},
        TwoMomentCase{"nan_s1", kNaN, 0.25, 3, kNaN, kNaN},
        TwoMomentCase{"nan_s2", 0.5, kNaN, 3, kNaN, kNaN},
        TwoMomentCase{"nan_s2_with_zero_s1", 0.0, kNaN, 3, kNaN, kNaN}),
    CaseName<TwoMomentCase>);

TEST(ClassicalTwoMomentRows, NoneBelowOrderTwo) {
  EXPECT_TRUE(TwoMomentBounds(Vector{}, 3).empty());
  EXPECT_TRUE(TwoMomentBounds(Vector{1.0}, 3).empty());
  EXPECT_TRUE(TwoMomentBounds(Vector{1.0, 0.5}, 3).empty());
}

// ---------------------------------------------------------------------------------------------
// The spanning-tree bound on worked examples.

struct TreeCase {
  const char* name;
  Vector singles;
  Vector pairs;
  double tree;
  double upper;
};

void PrintTo(const TreeCase& c, std::ostream* os) {
  *os << c.name;
}

class SpanningTreeWorked : public ::testing::TestWithParam<TreeCase> {};

TEST_P(SpanningTreeWorked, GivesTheHeaviestTreeAndTheBound) {
  const TreeCase& c = GetParam();
  const auto n = static_cast<std::int64_t>(c.singles.size());
  EXPECT_TRUE(Same(c.tree, MaximumSpanningTreeWeight(c.pairs, n)));
  EXPECT_TRUE(Same(c.upper, HunterWorsleyUpper(c.singles, c.pairs)));

  const ClassicalBoundList rows = HunterWorsleyBounds(c.singles, c.pairs);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].side, Side::kUpper);
  EXPECT_TRUE(Same(c.upper, rows[0].value)) << rows[0].name;
  EXPECT_EQ(rows[1].side, Side::kUpper);
  EXPECT_TRUE(Same(MinWithOne(c.upper), rows[1].value)) << rows[1].name;
}

// Pairs in the order (1,2), (1,3), (1,4), (2,3), (2,4), (3,4).
INSTANTIATE_TEST_SUITE_P(
    Classical, SpanningTreeWorked,
    ::testing::Values(
        TreeCase{"no_events", {}, {}, 0.0, 0.0}, TreeCase{"one_event", {0.25}, {}, 0.0, 0.25},
        TreeCase{"one_event_reads_no_pair", {0.25}, {kNaN}, 0.0, 0.25},
        TreeCase{"two_events_give_the_union", {0.5, 0.375}, {0.25}, 0.25, 0.625},
        TreeCase{"later_pairs_are_not_read", {0.5, 0.375}, {0.25, 5.0, kNaN}, 0.25, 0.625},
        // A_1 = A_2 and A_3 = A_4, disjoint: the bound is the union 1/2.
        TreeCase{"two_pairs_of_identical_events",
                 {0.25, 0.25, 0.25, 0.25},
                 {0.25, 0.0, 0.0, 0.0, 0.0, 0.25},
                 0.5,
                 0.5},
        // The heaviest tree is the path 1-2-3-4 (8/16); the heaviest star has 6/16, the lightest
        // tree 3/16.
        TreeCase{"heaviest_tree_is_a_path",
                 {0.25, 0.25, 0.25, 0.25},
                 {3.0 / 16, 1.0 / 16, 1.0 / 16, 2.0 / 16, 1.0 / 16, 3.0 / 16},
                 0.5,
                 0.5},
        // The heaviest edges all touch the last vertex: read down the column of the block.
        TreeCase{"heaviest_star_at_the_last_vertex",
                 {0.5, 0.5, 0.5, 0.5},
                 {0.0, 0.0, 0.125, 0.0, 0.25, 0.375},
                 0.75,
                 1.25},
        TreeCase{"negative_weights", {0.0, 0.0, 0.0}, {-0.25, -0.5, -0.125}, -0.375, 0.375},
        TreeCase{"minus_infinite_weights", {0.25, 0.25, 0.25}, {-kInf, -kInf, -kInf}, -kInf, kInf},
        TreeCase{"too_few_pairs", {0.25, 0.25, 0.25}, {0.125, 0.125}, kNaN, kNaN},
        TreeCase{"nan_in_the_first_pair", {0.25, 0.25, 0.25}, {kNaN, 0.125, 0.125}, kNaN, kNaN},
        TreeCase{"nan_in_the_last_pair", {0.25, 0.25, 0.25}, {0.125, 0.125, kNaN}, kNaN, kNaN},
        TreeCase{"nan_in_a_single", {kNaN, 0.25}, {0.125}, 0.125, kNaN}),
    CaseName<TreeCase>);

// Four events, A_1 = A_2 and A_3 = A_4 of probability 1/4, the two pairs disjoint: P(union) = 1/2,
// S_1 = 1, S_2 = 1/2. The same S_1 and S_2 fit a count of occurring events that is 1 with
// probability 2/3 and 4 with probability 1/12, whose union has probability 3/4, so no bound from
// S_1 and S_2 alone can go below 3/4; the spanning tree reaches 1/2.
// The lower bounds from each event's pairs on systems where they can be worked by hand.
struct PairwiseCase {
  const char* name;
  Vector singles;
  Vector pairs;
  double de_caen;
  double kuai_alajaji_takahara;
};

class PairwiseWorked : public ::testing::TestWithParam<PairwiseCase> {};

TEST_P(PairwiseWorked, GivesTheWorkedValues) {
  const PairwiseCase& c = GetParam();
  EXPECT_DOUBLE_EQ(DeCaenLower(c.singles, c.pairs), c.de_caen);
  EXPECT_DOUBLE_EQ(KuaiAlajajiTakaharaLower(c.singles, c.pairs), c.kuai_alajaji_takahara);
  const ClassicalBoundList rows = PairwiseLowerBounds(c.singles, c.pairs);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "de Caen lower");
  EXPECT_EQ(rows[1].name, "Kuai-Alajaji-Takahara lower");
}

INSTANTIATE_TEST_SUITE_P(
    Classical, PairwiseWorked,
    ::testing::Values(
        // Disjoint events: both are the union, 0.6.
        PairwiseCase{"Disjoint", {0.1, 0.2, 0.3}, {0, 0, 0}, 0.6, 0.6},
        // Two independent events of 1/2: E[X | A_i] = 3/2, so the least E[1/X | A_i] puts half
        // on 1 and half on 2, 3/4, which is the union; de Caen gives 2 (1/4) / (3/4) = 2/3.
        PairwiseCase{"IndependentHalves", {0.5, 0.5}, {0.25}, 2.0 / 3.0, 0.75},
        // A_1 inside A_2: P = 0.2 and 0.5, the union 0.5, which the second bound attains.
        PairwiseCase{"Nested", {0.2, 0.5}, {0.2}, 0.04 / 0.4 + 0.25 / 0.7, 0.5},
        // An event of probability 0 adds nothing, whatever its pairs say.
        PairwiseCase{"NullEvent", {0.0, 0.4}, {0.0}, 0.4, 0.4},
        PairwiseCase{"NoEvents", {}, {}, 0.0, 0.0}),
    [](const ::testing::TestParamInfo<PairwiseCase>& info) { return info.param.name; });

TEST(ClassicalHunterWorsley, BeatsTheSharpTwoMomentUpperBound) {
  const Vector singles{0.25, 0.25, 0.25, 0.25};
  const Vector pairs{0.25, 0.0, 0.0, 0.0, 0.0, 0.25};
  const double s1 = 1.0;
  const double s2 = 0.5;
  const int n = 4;

  const mpq_class one_event(2, 3);
  const mpq_class all_four(1, 12);
  EXPECT_EQ(one_event + n * all_four, mpq_class(s1));
  EXPECT_EQ(all_four * (n * (n - 1) / 2), mpq_class(s2));
  EXPECT_EQ(one_event + all_four, mpq_class(3, 4));

  EXPECT_EQ(KwerelUpper(s1, s2, n), 0.75);
  EXPECT_EQ(HunterWorsleyUpper(singles, pairs), 0.5);
}

// ---------------------------------------------------------------------------------------------
// Independent references for the heaviest spanning tree.

// Kruskal's algorithm on the pairs in the lexicographic order, walked with a running position.
double KruskalHeaviestTree(const Vector& pairs, int n) {
  struct Edge {
    double w;
    int i;
    int j;
  };
  std::vector<Edge> edges;
  std::size_t at = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      edges.push_back({pairs[at++], i, j});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.w > b.w; });
  std::vector<int> parent(static_cast<std::size_t>(n));
  std::iota(parent.begin(), parent.end(), 0);
  const auto root = [&parent](int v) {
    while (parent[static_cast<std::size_t>(v)] != v) {
      const int up = parent[static_cast<std::size_t>(v)];
      parent[static_cast<std::size_t>(v)] = parent[static_cast<std::size_t>(up)];
      v = up;
    }
    return v;
  };
  double weight = 0.0;
  for (const Edge& e : edges) {
    const int a = root(e.i);
    const int b = root(e.j);
    if (a != b) {
      parent[static_cast<std::size_t>(a)] = b;
      weight += e.w;
    }
  }
  return weight;
}

// Every labelled tree on n >= 2 vertices, each decoded from its Prufer sequence; weight(i, j)
// for i < j.
template <typename Weight>
std::int64_t HeaviestTreeByEnumeration(int n, Weight weight) {
  std::vector<int> code(static_cast<std::size_t>(n - 2), 0);
  std::int64_t best = std::numeric_limits<std::int64_t>::min();
  while (true) {
    std::vector<int> degree(static_cast<std::size_t>(n), 1);
    for (int x : code) {
      ++degree[static_cast<std::size_t>(x)];
    }
    std::int64_t total = 0;
    for (int x : code) {
      int leaf = 0;
      while (degree[static_cast<std::size_t>(leaf)] != 1) {
        ++leaf;
      }
      total += weight(std::min(leaf, x), std::max(leaf, x));
      --degree[static_cast<std::size_t>(leaf)];
      --degree[static_cast<std::size_t>(x)];
    }
    int u = 0;
    while (degree[static_cast<std::size_t>(u)] != 1) {
      ++u;
    }
    int v = u + 1;
    while (degree[static_cast<std::size_t>(v)] != 1) {
      ++v;
    }
    total += weight(u, v);
    best = std::max(best, total);

    std::size_t digit = 0;
    while (digit < code.size() && ++code[digit] == n) {
      code[digit++] = 0;
    }
    if (digit == code.size()) {
      return best;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Random systems of events with exactly known probabilities.

constexpr int kUnitBits = 20;
constexpr std::int64_t kUnit = std::int64_t{1} << kUnitBits;

double FromUnits(std::int64_t units) {
  return std::ldexp(static_cast<double>(units), -kUnitBits);
}

mpq_class ExactUnits(std::int64_t units) {
  mpq_class q(mpz_class(static_cast<long>(units)), mpz_class(static_cast<long>(kUnit)));
  q.canonicalize();
  return q;
}

mpz_class Floor(const mpq_class& q) {
  mpz_class f;
  mpz_fdiv_q(f.get_mpz_t(), q.get_num_mpz_t(), q.get_den_mpz_t());
  return f;
}

// n events given by the probabilities of the 2^n outcomes, in units of 2^-20 summing to 1; bit
// i of an outcome is set when event i occurs.
struct EventSystem {
  int n = 0;
  std::vector<std::int64_t> mass;

  // P of the intersection of the events in the bit set.
  std::int64_t Intersection(std::uint32_t set) const {
    std::int64_t total = 0;
    for (std::uint32_t o = 0; o < mass.size(); ++o) {
      if ((o & set) == set) {
        total += mass[o];
      }
    }
    return total;
  }
};

// Each outcome is left out with probability zero_chance (one always stays); the unit mass is
// cut at uniform points among those kept.
EventSystem RandomSystem(std::mt19937_64& rng, int n, double zero_chance) {
  const std::uint32_t outcomes = std::uint32_t{1} << n;
  std::bernoulli_distribution left_out(zero_chance);
  std::vector<std::uint32_t> kept;
  for (std::uint32_t o = 0; o < outcomes; ++o) {
    if (!left_out(rng)) {
      kept.push_back(o);
    }
  }
  if (kept.empty()) {
    kept.push_back(std::uniform_int_distribution<std::uint32_t>(0, outcomes - 1)(rng));
  }
  std::uniform_int_distribution<std::int64_t> point(0, kUnit);
  std::vector<std::int64_t> cuts{0, kUnit};
  for (std::size_t c = 1; c < kept.size(); ++c) {
    cuts.push_back(point(rng));
  }
  std::sort(cuts.begin(), cuts.end());
  EventSystem system;
  system.n = n;
  system.mass.assign(outcomes, 0);
  for (std::size_t c = 0; c < kept.size(); ++c) {
    system.mass[kept[c]] = cuts[c + 1] - cuts[c];
  }
  return system;
}

struct SystemFamily {
  int n;
  double zero_chance;
};

void PrintTo(const SystemFamily& f, std::ostream* os) {
  *os << "n=" << f.n << " zero_chance=" << f.zero_chance;
}

class ClassicalRandomSystems : public ::testing::TestWithParam<SystemFamily> {};

constexpr int kSystemsPerFamily = 150;
constexpr double kTolerance = 1e-12;

TEST_P(ClassicalRandomSystems, BoundsHoldAndTheOptimalOnesAreOptimal) {
  const SystemFamily family = GetParam();
  const int n = family.n;
  std::mt19937_64 rng(static_cast<std::uint64_t>(1000 * n) +
                      static_cast<std::uint64_t>(100 * family.zero_chance));
  for (int trial = 0; trial < kSystemsPerFamily; ++trial) {
    const EventSystem system = RandomSystem(rng, n, family.zero_chance);
    SCOPED_TRACE("trial " + std::to_string(trial));

    // Exact data in units: the two first blocks of prob.txt, the binomial moments, the union.
    Vector singles;
    Vector pairs;
    std::vector<std::int64_t> pair_units;
    for (int i = 0; i < n; ++i) {
      singles.push_back(FromUnits(system.Intersection(std::uint32_t{1} << i)));
      for (int j = i + 1; j < n; ++j) {
        pair_units.push_back(
            system.Intersection((std::uint32_t{1} << i) | (std::uint32_t{1} << j)));
        pairs.push_back(FromUnits(pair_units.back()));
      }
    }
    std::vector<std::int64_t> S_units(static_cast<std::size_t>(n) + 1, 0);
    for (std::uint32_t set = 0; set < system.mass.size(); ++set) {
      S_units[static_cast<std::size_t>(std::popcount(set))] += system.Intersection(set);
    }
    Vector S;
    for (std::int64_t s : S_units) {
      S.push_back(FromUnits(s));
    }
    const std::int64_t union_units = kUnit - system.mass[0];
    const double P_union = FromUnits(union_units);

    // Bonferroni: exact partial sums, the last of them the union itself.
    const Vector B = BonferroniSums(S);
    ASSERT_EQ(B.size(), static_cast<std::size_t>(n) + 1);
    std::int64_t partial = 0;
    for (int k = 1; k <= n; ++k) {
      partial += (k % 2 == 1 ? 1 : -1) * S_units[static_cast<std::size_t>(k)];
      EXPECT_EQ(B[static_cast<std::size_t>(k)], FromUnits(partial)) << "B_" << k;
    }
    EXPECT_EQ(B.back(), P_union);
    SequenceOf<Rational> S_exact;
    for (std::int64_t s : S_units) {
      S_exact.push_back(ExactUnits(s));
    }
    EXPECT_EQ(BonferroniSums(S_exact).back(), ExactUnits(union_units));

    // Every row on its side of the union.
    ClassicalBoundList rows = BonferroniBounds(S);
    for (const ClassicalBoundList& more :
         {TwoMomentBounds(S, n), PairwiseLowerBounds(singles, pairs),
          HunterWorsleyBounds(singles, pairs)}) {
      rows.insert(rows.end(), more.begin(), more.end());
    }
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(n) + 2 + (n >= 2 ? 3 : 0) + 2 + 2);
    for (const ClassicalRow& row : rows) {
      if (row.side == Side::kLower) {
        EXPECT_LE(row.value, P_union + kTolerance) << row.name;
      } else {
        EXPECT_GE(row.value, P_union - kTolerance) << row.name;
      }
    }

    const double s1 = n >= 1 ? S[1] : 0.0;
    const double s2 = n >= 2 ? S[2] : 0.0;
    const mpq_class s1_exact = ExactUnits(n >= 1 ? S_units[1] : 0);
    const mpq_class s2_exact = ExactUnits(n >= 2 ? S_units[2] : 0);
    const double dawson_sankoff = DawsonSankoffLower(s1, s2, n);
    if (s1_exact == 0) {
      EXPECT_EQ(dawson_sankoff, 0.0);
    } else {
      // The largest of the family 2 S_1 / (k + 1) - 2 S_2 / (k (k + 1)) over k = 1 .. n - 1.
      const int highest = std::max(1, n - 1);
      mpq_class best_of_family = 0;
      for (int k = 1; k <= highest; ++k) {
        const mpq_class value = 2 * s1_exact / (k + 1) - 2 * s2_exact / (k * (k + 1));
        if (k == 1 || value > best_of_family) {
          best_of_family = value;
        }
      }
      EXPECT_NEAR(dawson_sankoff, best_of_family.get_d(), kTolerance);
      EXPECT_EQ(DawsonSankoffLower(s1_exact, s2_exact, n), best_of_family);

      // Attained: a count of occurring events equal to k with probability a and to k + 1 with
      // probability b has these S_1 and S_2 and P(count >= 1) = a + b.
      if (n >= 2) {
        const mpq_class ratio = 2 * s2_exact / s1_exact;
        const mpz_class k = std::min(mpz_class(1 + Floor(ratio)), mpz_class(n - 1));
        const mpq_class a = s1_exact - 2 * s2_exact / k;
        const mpq_class b = (2 * s2_exact - (k - 1) * s1_exact) / (k + 1);
        EXPECT_GE(a, 0) << "k = " << k;
        EXPECT_GE(b, 0) << "k = " << k;
        EXPECT_LE(a + b, 1);
        EXPECT_EQ(a + b, best_of_family);
      }
    }

    // Kwerel, when at most 1, attained by a count that is 1 or n.
    if (n >= 2) {
      const mpq_class at_n = 2 * s2_exact / (n * (n - 1));
      const mpq_class at_one = s1_exact - 2 * s2_exact / (n - 1);
      const mpq_class kwerel = at_one + at_n;
      if (kwerel <= 1) {
        EXPECT_GE(at_n, 0);
        EXPECT_GE(at_one, 0);
        EXPECT_NEAR(KwerelUpper(s1, s2, n), kwerel.get_d(), kTolerance);
        EXPECT_EQ(KwerelUpper(s1_exact, s2_exact, n), kwerel);
      }
    }

    // de Caen and Kuai-Alajaji-Takahara against their formulas in exact arithmetic; the second
    // is never below the first.
    mpq_class de_caen = 0;
    mpq_class kuai = 0;
    for (int i = 0; i < n; ++i) {
      const std::int64_t single = system.Intersection(std::uint32_t{1} << i);
      if (single == 0) {
        continue;
      }
      std::int64_t with_others = single;
      for (int j = 0; j < n; ++j) {
        with_others +=
            j == i ? 0 : system.Intersection((std::uint32_t{1} << i) | (std::uint32_t{1} << j));
      }
      const mpq_class p = ExactUnits(single);
      mpq_class a{mpz_class(with_others), mpz_class(single)};
      a.canonicalize();
      const mpq_class k(Floor(a));
      const mpq_class t = a - k;
      de_caen += p / a;
      kuai += (t / (k + 1) + (1 - t) / k) * p;
    }
    EXPECT_NEAR(DeCaenLower(singles, pairs), de_caen.get_d(), kTolerance);
    EXPECT_NEAR(KuaiAlajajiTakaharaLower(singles, pairs), kuai.get_d(), kTolerance);
    EXPECT_GE(kuai, de_caen);

    // Hunter-Worsley: S_1 less the heaviest spanning tree, found by Kruskal and, for small n,
    // among every tree; all sums are exact.
    const double tree = MaximumSpanningTreeWeight(pairs, n);
    if (n >= 2) {
      EXPECT_EQ(tree, KruskalHeaviestTree(pairs, n));
      const std::int64_t heaviest_pair = *std::max_element(pair_units.begin(), pair_units.end());
      EXPECT_LE(HunterWorsleyUpper(singles, pairs), FromUnits(S_units[1] - heaviest_pair));
    } else {
      EXPECT_EQ(tree, 0.0);
    }
    if (n >= 2 && n <= 6) {
      const std::int64_t by_enumeration = HeaviestTreeByEnumeration(n, [&](int i, int j) {
        return system.Intersection((std::uint32_t{1} << i) | (std::uint32_t{1} << j));
      });
      EXPECT_EQ(tree, FromUnits(by_enumeration));
      EXPECT_EQ(HunterWorsleyUpper(singles, pairs), FromUnits(S_units[1] - by_enumeration));
    }
  }
}

std::vector<SystemFamily> AllFamilies() {
  std::vector<SystemFamily> families;
  for (int n = 0; n <= 8; ++n) {
    for (double zero_chance : {0.0, 0.6, 0.95}) {
      families.push_back({n, zero_chance});
    }
  }
  return families;
}

INSTANTIATE_TEST_SUITE_P(Classical, ClassicalRandomSystems, ::testing::ValuesIn(AllFamilies()),
                         [](const ::testing::TestParamInfo<SystemFamily>& info) {
                           return "n" + std::to_string(info.param.n) + "_zero" +
                                  std::to_string(static_cast<int>(100 * info.param.zero_chance));
                         });

// ---------------------------------------------------------------------------------------------
// Prim's algorithm on large dense graphs against Kruskal's. Weights are multiples of 2^-20, so
// both sums are exact whatever the order.

struct LargeGraph {
  const char* name;
  int n;
  std::int64_t lowest_units;
  std::int64_t highest_units;
};

void PrintTo(const LargeGraph& g, std::ostream* os) {
  *os << g.name;
}

class SpanningTreeLarge : public ::testing::TestWithParam<LargeGraph> {};

TEST_P(SpanningTreeLarge, PrimMatchesKruskal) {
  const LargeGraph& g = GetParam();
  std::mt19937_64 rng(static_cast<std::uint64_t>(g.n));
  std::uniform_int_distribution<std::int64_t> units(g.lowest_units, g.highest_units);
  Vector pairs;
  for (std::int64_t e = 0; e < std::int64_t{g.n} * (g.n - 1) / 2; ++e) {
    pairs.push_back(FromUnits(units(rng)));
  }
  EXPECT_EQ(MaximumSpanningTreeWeight(pairs, g.n), KruskalHeaviestTree(pairs, g.n));
}

INSTANTIATE_TEST_SUITE_P(Classical, SpanningTreeLarge,
                         ::testing::Values(LargeGraph{"n2000_nonnegative", 2000, 0, kUnit},
                                           LargeGraph{"n2000_with_negatives", 2000, -kUnit, kUnit},
                                           // Heavy ties: five weights over 1,997,001 pairs.
                                           LargeGraph{"n1999_five_weights", 1999, 0, 4},
                                           LargeGraph{"n700_one_weight", 700, 5, 5}),
                         CaseName<LargeGraph>);

}  // namespace
}  // namespace unionbound
