// The bounds from every intersection against answers found another way: the best vertex of the
// program found by trying every basis (small n), the sums' sharp bounds (never tighter, and equal
// for exchangeable events), the union of the distribution that made the data (always inside),
// closed forms for disjoint, nested and fully given events, and the exact pivots alone. Every
// optimum comes with a distribution that is checked to give each intersection its value.
#include <gtest/gtest.h>

#include <gmpxx.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "bounds/atom_program.h"
#include "bounds/moment_program.h"
#include "numeric/exact_number.h"
#include "numeric/lin_solve.h"

namespace unionbound {
namespace {

// Whole weights on the 2^n atoms; probability weight / total.
struct AtomWeights {
  std::int32_t n = 0;
  std::vector<std::int64_t> weights;

  Rational Total() const {
    std::int64_t total = 0;
    for (const std::int64_t w : weights) {
      total += w;
    }
    return Rational(total);
  }
  // P(all events of `subset` occur).
  Rational Intersection(std::uint32_t subset) const {
    std::int64_t sum = 0;
    for (std::size_t atom = 0; atom < weights.size(); ++atom) {
      if ((atom & subset) == subset) {
        sum += weights[atom];
      }
    }
    return Rational(sum) / Total();
  }
  std::vector<Rational> Values(std::int32_t m) const {
    std::vector<Rational> values;
    for (const std::uint32_t subset : SubsetsInFileOrder(n, m)) {
      values.push_back(Intersection(subset));
    }
    return values;
  }
  Rational Probability(const Question& question) const {
    std::int64_t sum = 0;
    for (std::size_t atom = 0; atom < weights.size(); ++atom) {
      const int k = std::popcount(atom);
      if (CountsAtLeast(question) ? k >= CountedFrom(question) : k == question.r) {
        sum += weights[atom];
      }
    }
    return Rational(sum) / Total();
  }
};

AtomWeights RandomWeights(std::int32_t n, std::int32_t support, unsigned seed) {
  std::mt19937 random(seed);
  AtomWeights x{n, std::vector<std::int64_t>(std::size_t{1} << n, 0)};
  std::uniform_int_distribution<std::size_t> atom(0, x.weights.size() - 1);
  std::uniform_int_distribution<std::int64_t> weight(1, 20);
  for (std::int32_t k = 0; k < support; ++k) {
    x.weights[atom(random)] += weight(random);
  }
  return x;
}

bool IsCounted(const Question& question, std::uint32_t atom) {
  const int k = std::popcount(atom);
  return CountsAtLeast(question) ? k >= CountedFrom(question) : k == question.r;
}

// The vertices of the program by trying every basis: every set of as many atoms as there are
// rows whose basic solution, by elimination over the rationals, is a distribution. Each is kept
// as the atoms' probabilities, so that every question is valued on the same list.
using Vertex = std::vector<std::pair<std::uint32_t, Rational>>;

std::vector<Vertex> EveryVertex(std::int32_t n, std::int32_t m,
                                const std::vector<Rational>& values) {
  std::vector<std::uint32_t> rows = {0};
  for (const std::uint32_t subset : SubsetsInFileOrder(n, m)) {
    rows.push_back(subset);
  }
  std::vector<Rational> b = {Rational(1)};
  b.insert(b.end(), values.begin(), values.end());
  const std::size_t size = rows.size();
  const std::size_t atoms = std::size_t{1} << n;
  std::vector<Vertex> vertices;
  std::vector<std::size_t> pick(size);
  for (std::size_t i = 0; i < size; ++i) {
    pick[i] = i;
  }
  for (;;) {
    MatrixOf<Rational> a(size, SequenceOf<Rational>(size));
    for (std::size_t i = 0; i < size; ++i) {
      for (std::size_t j = 0; j < size; ++j) {
        a[i][j] = (pick[j] & rows[i]) == rows[i] ? 1 : 0;
      }
    }
    const auto solved = LinSolve(a, SequenceOf<Rational>(b.begin(), b.end()));
    if (solved.status.singular_steps == 0 &&
        std::all_of(solved.value.begin(), solved.value.end(),
                    [](const Rational& x) { return x >= 0; })) {
      Vertex vertex;
      for (std::size_t j = 0; j < size; ++j) {
        vertex.emplace_back(static_cast<std::uint32_t>(pick[j]), solved.value[j]);
      }
      vertices.push_back(std::move(vertex));
    }
    std::size_t i = size;
    while (i-- > 0 && pick[i] == atoms - size + i) {
    }
    if (i == static_cast<std::size_t>(-1)) {
      break;
    }
    ++pick[i];
    for (std::size_t j = i + 1; j < size; ++j) {
      pick[j] = pick[j - 1] + 1;
    }
  }
  return vertices;
}

struct Extremes {
  Rational lowest;
  Rational highest;
};

Extremes ExtremesOf(const Question& question, const std::vector<Vertex>& vertices) {
  Extremes extremes;
  for (std::size_t k = 0; k < vertices.size(); ++k) {
    Rational value;
    for (const auto& [atom, probability] : vertices[k]) {
      if (IsCounted(question, atom)) {
        value += probability;
      }
    }
    if (k == 0 || value < extremes.lowest) {
      extremes.lowest = value;
    }
    if (k == 0 || value > extremes.highest) {
      extremes.highest = value;
    }
  }
  return extremes;
}

// The sums' sharp bounds from the same values.
struct SumsInterval {
  Rational lower;
  Rational upper;
};

SumsInterval FromSums(const Question& question, std::int32_t n, std::int32_t m,
                      const std::vector<Rational>& values) {
  SequenceOf<Rational> S(static_cast<std::size_t>(std::min(m, n)) + 1);
  S[0] = 1;
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, m);
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    S[static_cast<std::size_t>(std::popcount(subsets[i]))] += values[i];
  }
  const MomentProgramResult low = SolveMomentProgram(Goal::kMinimum, question, n, S);
  const MomentProgramResult high = SolveMomentProgram(Goal::kMaximum, question, n, S);
  EXPECT_EQ(low.status, ProgramStatus::kOptimal);
  EXPECT_EQ(high.status, ProgramStatus::kOptimal);
  return {low.value, high.value};
}

// The bound's distribution gives every intersection its value and the question the bound.
void ExpectAttains(const AtomBound& bound, const Question& question, std::int32_t n, std::int32_t m,
                   const std::vector<Rational>& values) {
  ASSERT_EQ(bound.status, ProgramStatus::kOptimal);
  Rational total;
  Rational counted;
  for (const auto& [atom, probability] : bound.distribution) {
    EXPECT_GT(probability, 0);
    total += probability;
    if (IsCounted(question, atom)) {
      counted += probability;
    }
  }
  EXPECT_EQ(total, 1);
  EXPECT_EQ(counted, bound.value);
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, m);
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    Rational given;
    for (const auto& [atom, probability] : bound.distribution) {
      if ((atom & subsets[i]) == subsets[i]) {
        given += probability;
      }
    }
    EXPECT_EQ(given, values[i]) << "intersection " << EventWords(subsets[i]);
  }
}

const Question kQuestions[] = {
    kUnion, {QuestionKind::kAtLeast, 2}, {QuestionKind::kExactly, 1}, {QuestionKind::kExactly, 3}};

std::string Words(const Question& question) {
  return QuestionWords(question);
}

struct RandomCase {
  std::int32_t n;
  std::int32_t m;
  std::int32_t support;  // draws of an atom
  unsigned seed;
};

class AtomRandomCase : public ::testing::TestWithParam<RandomCase> {};

// Both methods, the sums' interval around them and the true value inside; the vertex oracle
// where every basis can be tried.
TEST_P(AtomRandomCase, ExactOptimaInsideTheSumsAroundTheTruth) {
  const RandomCase c = GetParam();
  const AtomWeights x = RandomWeights(c.n, c.support, c.seed);
  const std::vector<Rational> values = x.Values(c.m);
  const std::vector<Vertex> vertices =
      c.n <= 4 ? EveryVertex(c.n, c.m, values) : std::vector<Vertex>{};
  for (const Question& question : kQuestions) {
    if (question.r > c.n) {
      continue;
    }
    SCOPED_TRACE(Words(question));
    const AtomInterval fast = SolveAtomInterval(question, c.n, c.m, values);
    ASSERT_TRUE(fast.reason.empty()) << fast.reason;
    ExpectAttains(fast.lower, question, c.n, c.m, values);
    ExpectAttains(fast.upper, question, c.n, c.m, values);
    const Rational truth = x.Probability(question);
    EXPECT_LE(fast.lower.value, truth);
    EXPECT_GE(fast.upper.value, truth);
    const SumsInterval sums = FromSums(question, c.n, c.m, values);
    EXPECT_GE(fast.lower.value, sums.lower);
    EXPECT_LE(fast.upper.value, sums.upper);
    if (c.n <= 6) {
      const AtomInterval exact =
          SolveAtomInterval(question, c.n, c.m, values, AtomMethod::kExactOnly);
      EXPECT_EQ(exact.lower.value, fast.lower.value);
      EXPECT_EQ(exact.upper.value, fast.upper.value);
    }
    if (c.n <= 4) {
      ASSERT_FALSE(vertices.empty());
      const Extremes oracle = ExtremesOf(question, vertices);
      EXPECT_EQ(fast.lower.value, oracle.lowest);
      EXPECT_EQ(fast.upper.value, oracle.highest);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Systems, AtomRandomCase,
                         ::testing::Values(RandomCase{2, 1, 3, 1}, RandomCase{3, 1, 4, 2},
                                           RandomCase{3, 2, 5, 3}, RandomCase{4, 1, 6, 4},
                                           RandomCase{4, 2, 6, 5}, RandomCase{4, 2, 30, 6},
                                           RandomCase{4, 3, 8, 7}, RandomCase{5, 2, 10, 8},
                                           RandomCase{6, 2, 12, 9}, RandomCase{6, 3, 40, 10},
                                           RandomCase{8, 2, 40, 11}, RandomCase{10, 2, 40, 12},
                                           RandomCase{10, 3, 40, 13}, RandomCase{12, 2, 200, 14}));

// Exchangeable events (every intersection of k events has the same probability): averaging a
// distribution over the permutations of the events keeps the data and the question's value, so
// the interval is the sums' sharp interval exactly.
TEST(AtomProgram, ExchangeableEventsGiveTheSumsInterval) {
  for (const std::int32_t n : {3, 5, 7}) {
    for (const std::int32_t m : {1, 2, 3}) {
      // P(exactly the events of an atom occur) depends on its size only: weight k + 1 for each
      // atom of k events.
      AtomWeights x{n, std::vector<std::int64_t>(std::size_t{1} << n)};
      for (std::size_t atom = 0; atom < x.weights.size(); ++atom) {
        x.weights[atom] = 1 + std::popcount(atom) * (std::popcount(atom) % 3);
      }
      const std::vector<Rational> values = x.Values(m);
      for (const Question& question : kQuestions) {
        if (question.r > n) {
          continue;
        }
        SCOPED_TRACE("n=" + std::to_string(n) + " m=" + std::to_string(m) + " " + Words(question));
        const AtomInterval interval = SolveAtomInterval(question, n, m, values);
        const SumsInterval sums = FromSums(question, n, m, values);
        EXPECT_EQ(interval.lower.value, sums.lower);
        EXPECT_EQ(interval.upper.value, sums.upper);
      }
    }
  }
}

struct KnownCase {
  const char* name;
  std::int32_t n;
  std::int32_t m;
  std::vector<std::string> values;
  std::string lower;  // the union's bounds
  std::string upper;
};

class AtomKnownCase : public ::testing::TestWithParam<KnownCase> {};

TEST_P(AtomKnownCase, UnionInterval) {
  const KnownCase& c = GetParam();
  std::vector<Rational> values;
  for (const std::string& text : c.values) {
    values.emplace_back(text);
    values.back().canonicalize();
  }
  const AtomInterval interval = SolveAtomInterval(kUnion, c.n, c.m, values);
  ASSERT_TRUE(interval.reason.empty()) << interval.reason;
  EXPECT_EQ(interval.lower.value, Rational(c.lower));
  EXPECT_EQ(interval.upper.value, Rational(c.upper));
  ExpectAttains(interval.lower, kUnion, c.n, c.m, values);
  ExpectAttains(interval.upper, kUnion, c.n, c.m, values);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtomKnownCase,
    ::testing::Values(
        // One order: Frechet's bounds, max P(A_i) and min(1, S_1).
        KnownCase{"Frechet", 3, 1, {"1/5", "1/2", "1/10"}, "1/2", "4/5"},
        KnownCase{"FrechetCapped", 2, 1, {"3/4", "1/2"}, "3/4", "1"},
        // Pairwise disjoint: the union is S_1.
        KnownCase{"Disjoint",
                  4,
                  2,
                  {"1/10", "1/5", "1/10", "1/4", "0", "0", "0", "0", "0", "0"},
                  "13/20",
                  "13/20"},
        // Nested, A_1 containing the others: the union is A_1.
        KnownCase{"Nested", 3, 2, {"1/2", "1/4", "1/8", "1/4", "1/8", "1/8"}, "1/2", "1/2"},
        // Independent events of probability 1/2, two of them, every order given: 3/4.
        KnownCase{"IndependentPair", 2, 2, {"1/2", "1/2", "1/4"}, "3/4", "3/4"},
        // Three independent events of 1/2 with pairs only: the union is not fixed.
        KnownCase{
            "IndependentTriplePairs", 3, 2, {"1/2", "1/2", "1/2", "1/4", "1/4", "1/4"}, "3/4", "1"},
        // Every order given (m >= n): the Moebius inversion, one point.
        KnownCase{
            "EveryOrder", 3, 3, {"1/2", "1/2", "1/2", "1/4", "1/4", "1/4", "1/8"}, "7/8", "7/8"},
        KnownCase{"EveryOrderBeyondN", 2, 5, {"3/10", "1/5", "1/10"}, "2/5", "2/5"}),
    [](const ::testing::TestParamInfo<KnownCase>& info) { return info.param.name; });

// Every order given, from a random distribution: the one point is its union, also at n = 14,
// where no program is solved.
TEST(AtomProgram, EveryOrderGivesTheTrueUnion) {
  for (const std::int32_t n : {1, 4, 9, 14}) {
    const AtomWeights x = RandomWeights(n, 3 * n, static_cast<unsigned>(n));
    const AtomInterval interval = SolveAtomInterval(kUnion, n, n, x.Values(n));
    ASSERT_TRUE(interval.reason.empty()) << interval.reason;
    EXPECT_EQ(interval.lower.value, x.Probability(kUnion));
    EXPECT_EQ(interval.upper.value, x.Probability(kUnion));
  }
}

struct RefusedCase {
  const char* name;
  std::int32_t n;
  std::int32_t m;
  std::vector<std::string> values;
  std::string reason;
};

class AtomRefusedCase : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(AtomRefusedCase, NamesTheFirstOffendingEvents) {
  const RefusedCase& c = GetParam();
  std::vector<Rational> values;
  for (const std::string& text : c.values) {
    values.emplace_back(text);
    values.back().canonicalize();
  }
  for (const AtomMethod method : {AtomMethod::kFloatThenExact, AtomMethod::kExactOnly}) {
    const AtomInterval interval = SolveAtomInterval(kUnion, c.n, c.m, values, method);
    EXPECT_EQ(interval.reason, c.reason);
    EXPECT_EQ(interval.lower.status, ProgramStatus::kInfeasible);
    EXPECT_EQ(interval.upper.status, ProgramStatus::kInfeasible);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AtomRefusedCase,
    ::testing::Values(
        RefusedCase{"AboveOne",
                    2,
                    1,
                    {"1/2", "3/2"},
                    "the probabilities given for event 2 fit no distribution: the probability "
                    "that event 2 does not occur would be -0.5"},
        RefusedCase{"Negative",
                    2,
                    1,
                    {"-1/10", "1/2"},
                    "the probabilities given for event 1 fit no distribution: the probability "
                    "that event 1 occurs would be -0.1"},
        RefusedCase{"PairAboveSingle",
                    3,
                    2,
                    {"1/2", "1/5", "1/2", "1/10", "1/10", "3/10"},
                    "the probabilities given for events 2 and 3 fit no distribution: the "
                    "probability that event 2 occurs and event 3 does not would be -0.1"},
        RefusedCase{"PairTooSmall",
                    2,
                    2,
                    {"9/10", "9/10", "1/2"},
                    "the probabilities given for events 1 and 2 fit no distribution: the "
                    "probability that none of events 1 and 2 occurs would be -0.3"},
        RefusedCase{"TripleAbovePairs",
                    3,
                    3,
                    {"1/2", "1/2", "1/2", "1/4", "1/4", "1/4", "3/10"},
                    "the probabilities given for events 1, 2 and 3 fit no distribution: the "
                    "probability that events 2 and 3 occur and event 1 does not would be -0.05"},
        RefusedCase{"FourBelowZero",
                    4,
                    4,
                    {"1/2", "1/2", "1/2", "1/2", "1/4", "1/4", "1/4", "1/4", "1/4", "1/4", "1/8",
                     "1/8", "1/8", "1/8", "-1/16"},
                    "the probability given for events 1, 2, 3 and 4 together, -0.0625, is no "
                    "probability"},
        // Every pair fits, but three disjoint events of 1/2 cannot.
        RefusedCase{"OnlyTheWhole",
                    3,
                    2,
                    {"1/2", "1/2", "1/2", "0", "0", "0"},
                    "the probabilities given fit no distribution of the 3 events, though those "
                    "of any 2 of them do"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST(AtomProgram, LimitsNameNAndM) {
  EXPECT_EQ(AtomProgramLimit(20, 3), "");
  EXPECT_EQ(AtomProgramLimit(20, 20), "");
  EXPECT_EQ(AtomProgramLimit(21, 1),
            "the bounds from every intersection take n up to 20 (2^n atoms), not n=21");
  EXPECT_EQ(AtomProgramLimit(20, 4),
            "the bounds from every intersection take at most 2048 intersections (with the "
            "empty one) unless every order is given; n=20, m=4 give 6196");
}

TEST(AtomProgram, SubsetsFollowTheFile) {
  EXPECT_EQ(SubsetsInFileOrder(3, 2), (std::vector<std::uint32_t>{1, 2, 4, 3, 5, 6}));
  EXPECT_EQ(SubsetsInFileOrder(2, 4), (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_EQ(EventWords(0b1011), "1, 2 and 4");
}

}  // namespace
}  // namespace unionbound
