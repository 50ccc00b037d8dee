#include "kernels/run_polynomial.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace unionbound {
namespace {

// A polynomial by its roots and leading factor: c (t - r_1) ... (t - r_d), roots rational so
// that zeros can fall on whole numbers, between them, twice on one point or not at all.
struct Roots {
  std::string name;
  Rational factor;
  std::vector<Rational> roots;
  // Added after the product: lifts a polynomial off its roots (no real roots when large).
  Rational lift = 0;
};

void PrintTo(const Roots& c, std::ostream* os) {
  *os << c.name;
}

Rational ValueAt(const Roots& q, std::int64_t t) {
  Rational value = q.factor;
  for (const Rational& r : q.roots) {
    value *= Rational(t) - r;
  }
  return value + q.lift;
}

// The common denominator of q's values at whole numbers: that of its values at 0 .. d, whose
// forward differences then are whole numbers, and so are all its values times it.
mpz_class Denominator(const Roots& q) {
  mpz_class denominator = 1;
  for (std::int64_t t = 0; t <= static_cast<std::int64_t>(q.roots.size()); ++t) {
    mpz_lcm(denominator.get_mpz_t(), denominator.get_mpz_t(), ValueAt(q, t).get_den_mpz_t());
  }
  return denominator;
}

// q times its positive common denominator, which keeps every sign.
RunPolynomial FromValues(const Roots& q) {
  const mpz_class denominator = Denominator(q);
  std::vector<mpz_class> values;
  for (std::int64_t t = 0; t <= static_cast<std::int64_t>(q.roots.size()); ++t) {
    const Rational value = ValueAt(q, t) * denominator;
    values.push_back(value.get_num());
  }
  return RunPolynomial(values);
}

// The first failure by looking at every point.
std::int64_t FirstFailureByScan(const Roots& q, std::int64_t last, bool strict) {
  for (std::int64_t t = 0; t <= last; ++t) {
    const int s = sgn(ValueAt(q, t));
    if (strict ? s <= 0 : s < 0) {
      return t;
    }
  }
  return -1;
}

const std::vector<Roots>& RootCases() {
  static const std::vector<Roots> cases = {
      {"Constant", 3, {}},
      {"NegativeConstant", -2, {}},
      {"ZeroConstant", 0, {}},
      {"LinearFallingThroughAWholeNumber", -1, {40}},
      {"LinearFallingBetweenWholeNumbers", -7, {Rational(81, 2)}},
      {"LinearRising", 5, {30}},
      {"QuadraticDipOnOnePoint", 1, {50, 50}},
      {"QuadraticDipBetweenPoints", 1, {Rational(101, 2), Rational(101, 2)}},
      {"QuadraticNarrowDipBetweenPoints", 1, {Rational(201, 4), Rational(203, 4)}},
      {"QuadraticDipAcrossOnePoint", 1, {Rational(99, 2), Rational(101, 2)}},
      {"QuadraticBump", -1, {10, 90}},
      {"QuadraticLiftedOffItsRoots", 1, {20, 20}, Rational(1, 1000)},
      {"CubicTwoDips", 1, {7, 61, Rational(1231, 10)}},
      {"CubicAllRootsBetweenPoints", -3, {Rational(1, 3), Rational(100, 3), Rational(200, 3)}},
      {"QuarticTwoNarrowDips", 1, {Rational(61, 2), Rational(61, 2), Rational(141, 2), 71}},
      {"QuarticNoRealRoots", 1, {5, 5, 9, 9}, 1},
      {"QuinticRootsBeyondTheRun", 2, {-5, -1, 1000, 2000, 3000}},
      {"SexticEvenMultiplicities", 1, {3, 3, 64, 64, 99, 99}},
  };
  return cases;
}

class FirstFailure : public ::testing::TestWithParam<Roots> {};

TEST_P(FirstFailure, IsTheFirstPointThatFailsByScan) {
  const Roots& q = GetParam();
  const RunPolynomial polynomial = FromValues(q);
  for (std::int64_t t = 0; t <= 130; t += 13) {
    ASSERT_EQ(Rational(polynomial.At(t)), ValueAt(q, t) * Denominator(q)) << "t=" << t;
  }
  for (const std::int64_t last : {0, 1, 2, 10, 50, 51, 100, 129}) {
    for (const bool strict : {false, true}) {
      EXPECT_EQ(polynomial.FirstFailure(last, strict), FirstFailureByScan(q, last, strict))
          << "last=" << last << " strict=" << strict;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Polynomials, FirstFailure, ::testing::ValuesIn(RootCases()),
                         [](const ::testing::TestParamInfo<Roots>& info) {
                           return info.param.name;
                         });

// Local minima against every point of 0 .. last: each point given is no higher than its
// neighbours, every strict local minimum is given, and the least value is reached.
void ExpectLocalMinimaOfScan(const Roots& q, const std::vector<std::int64_t>& minima,
                             std::int64_t last, const std::string& where) {
  const auto value = [&q](std::int64_t t) { return ValueAt(q, t); };
  ASSERT_FALSE(minima.empty()) << where;
  EXPECT_TRUE(std::is_sorted(minima.begin(), minima.end()) &&
              std::adjacent_find(minima.begin(), minima.end()) == minima.end())
      << where;
  EXPECT_GE(minima.front(), 0) << where;
  EXPECT_LE(minima.back(), last) << where;
  for (const std::int64_t t : minima) {
    EXPECT_TRUE((t == 0 || value(t) <= value(t - 1)) && (t == last || value(t) <= value(t + 1)))
        << where << ": " << t << " is no local minimum";
  }
  Rational least = value(0);
  for (std::int64_t t = 0; t <= last; ++t) {
    least = std::min(least, value(t));
    const bool strict =
        (t == 0 || value(t) < value(t - 1)) && (t == last || value(t) < value(t + 1));
    if (strict) {
      EXPECT_TRUE(std::binary_search(minima.begin(), minima.end(), t))
          << where << ": the strict local minimum " << t << " is missing";
    }
  }
  Rational least_given = value(minima.front());
  for (const std::int64_t t : minima) {
    least_given = std::min(least_given, value(t));
  }
  EXPECT_EQ(least_given, least) << where;
}

class LocalMinima : public ::testing::TestWithParam<Roots> {};

TEST_P(LocalMinima, AreTheLocalMinimaOfTheScan) {
  const Roots& q = GetParam();
  const RunPolynomial polynomial = FromValues(q);
  EXPECT_TRUE(polynomial.LocalMinima(-1).empty());
  for (const std::int64_t last : {0, 1, 2, 10, 50, 51, 100, 129}) {
    ExpectLocalMinimaOfScan(q, polynomial.LocalMinima(last), last, "last=" + std::to_string(last));
  }
}

INSTANTIATE_TEST_SUITE_P(Polynomials, LocalMinima, ::testing::ValuesIn(RootCases()),
                         [](const ::testing::TestParamInfo<Roots>& info) {
                           return info.param.name;
                         });

// Over two billion points: a narrow dip between the whole numbers next to 10^9, lower at the
// upper one, and a double root at 1.5 * 10^9; and a fall to the end of the run.
TEST(LocalMinima, FindsNarrowDipsFarOut) {
  const Rational a(1'999'999'999L, 2);
  const Roots dips{"", 1, {a - Rational(1, 8), a + Rational(1, 8), 1'500'000'000, 1'500'000'000}};
  EXPECT_EQ(FromValues(dips).LocalMinima(2'147'483'646),
            (std::vector<std::int64_t>{1'000'000'000, 1'500'000'000}));
  const Roots falling{"", -1, {Rational(4'294'967'291L, 2)}};
  EXPECT_EQ(FromValues(falling).LocalMinima(2'147'483'646),
            std::vector<std::int64_t>{2'147'483'646});
}

// Random roots, clustered so that dips fall near whole numbers, against the scan.
TEST(LocalMinima, MatchTheScanOnDrawnPolynomials) {
  std::mt19937_64 generator(20261212);
  for (int round = 0; round < 300; ++round) {
    Roots q;
    q.factor = (generator() % 2 == 0 ? 1 : -1) * static_cast<long>(1 + generator() % 5);
    const auto degree = static_cast<int>(generator() % 9);
    for (int i = 0; i < degree; ++i) {
      q.roots.emplace_back(static_cast<long>(generator() % 400) - 50, 1 + generator() % 4);
      q.roots.back().canonicalize();
    }
    const auto last = static_cast<std::int64_t>(generator() % 300);
    ExpectLocalMinimaOfScan(q, FromValues(q).LocalMinima(last), last,
                            "round " + std::to_string(round));
  }
}

// Runs of two billion points are searched, not scanned: a dip between the roots near 10^9 is
// found, and the next whole number after a root near 2^31.
TEST(FirstFailure, FindsANarrowDipFarOut) {
  const Roots dip{
      "", 1, {Rational(2'000'000'001L, 2), Rational(2'000'000'001L, 2)}, Rational(-1, 3)};
  EXPECT_EQ(FromValues(dip).FirstFailure(2'147'483'646, true), 1'000'000'000);
  EXPECT_EQ(FromValues(dip).FirstFailure(999'999'999, true), -1);
  const Roots falling{"", -1, {Rational(4'294'967'291L, 2)}};
  EXPECT_EQ(FromValues(falling).FirstFailure(2'147'483'646, false), 2'147'483'646);
  EXPECT_EQ(FromValues(falling).FirstFailure(2'147'483'645, false), -1);
}

// Random roots, clustered so that dips fall near whole numbers, against the scan.
TEST(FirstFailure, MatchesTheScanOnDrawnPolynomials) {
  std::mt19937_64 generator(20261211);
  int failures_found = 0;
  for (int round = 0; round < 400; ++round) {
    Roots q;
    q.factor = (generator() % 2 == 0 ? 1 : -1) * static_cast<long>(1 + generator() % 5);
    const auto degree = static_cast<int>(generator() % 7);
    for (int i = 0; i < degree; ++i) {
      q.roots.emplace_back(static_cast<long>(generator() % 400) - 50, 1 + generator() % 4);
      q.roots.back().canonicalize();
    }
    q.lift = Rational(static_cast<long>(generator() % 5) - 2, 1 + generator() % 3);
    q.lift.canonicalize();
    const auto last = static_cast<std::int64_t>(generator() % 300);
    const bool strict = generator() % 2 == 0;
    const std::int64_t want = FirstFailureByScan(q, last, strict);
    EXPECT_EQ(FromValues(q).FirstFailure(last, strict), want) << "round " << round;
    failures_found += want > 0 ? 1 : 0;
  }
  EXPECT_GT(failures_found, 50);
}

}  // namespace
}  // namespace unionbound
