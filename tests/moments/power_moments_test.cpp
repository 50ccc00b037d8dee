// Power moments: the node range, Stirling numbers of the second kind, the conversion matrix
// T(i, j) = j! * S(i, j) and its product with the binomial moments.
#include "moments/power_moments.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include "numeric/exact_number.h"
#include "tests/support/console.h"
#include "tests/support/same_bits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace unionbound {
namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

using testing::SameBits;

// --- RealRange ---------------------------------------------------------------------------------

struct RangeCase {
  double a;
  double b;
  Vector want;
};

std::ostream& operator<<(std::ostream& out, const RangeCase& c) {
  return out << "RealRange(" << c.a << ", " << c.b << ")";
}

class RealRangeExamples : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RealRangeExamples, Values) {
  const RangeCase& c = GetParam();
  EXPECT_TRUE(SameBits(RealRange(c.a, c.b), c.want));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RealRangeExamples,
    ::testing::Values(RangeCase{0.0, 3.0, {0, 1, 2, 3}}, RangeCase{0.0, 0.0, {0}},
                      RangeCase{1.0, 0.0, {}}, RangeCase{0.0, 2.999, {0, 1, 2}},
                      RangeCase{0.5, 2.9, {0.5, 1.5, 2.5}}, RangeCase{-2.0, 0.0, {-2, -1, 0}},
                      RangeCase{-0.5, -0.5, {-0.5}}, RangeCase{0.0, -1e-300, {}},
                      RangeCase{1e15, 1e15 + 2, {1e15, 1e15 + 1, 1e15 + 2}}));

TEST(RealRange, NodeListForManyEvents) {
  const Vector nodes = RealRange(0.0, 100000.0);
  ASSERT_EQ(nodes.size(), 100001u);
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    ASSERT_EQ(nodes[k], static_cast<double>(k));
  }
}

// --- Stirling2 ---------------------------------------------------------------------------------

// The plain recursion, tests in this order: i = j gives 1; j = 0 or i < j gives 0; j = 1 gives
// 1; otherwise S(i - 1, j - 1) + j * S(i - 1, j).
std::int64_t PlainStirling2(std::int64_t i, std::int64_t j) {
  if (i == j) {
    return 1;
  }
  if (j == 0 || i < j) {
    return 0;
  }
  if (j == 1) {
    return 1;
  }
  return PlainStirling2(i - 1, j - 1) + j * PlainStirling2(i - 1, j);
}

// Rows 0 .. order of exact Stirling numbers.
std::vector<std::vector<mpz_class>> ExactStirlingTable(int order) {
  std::vector<std::vector<mpz_class>> s(order + 1, std::vector<mpz_class>(order + 1, 0));
  s[0][0] = 1;
  for (int i = 1; i <= order; ++i) {
    for (int j = 1; j <= i; ++j) {
      s[i][j] = s[i - 1][j - 1] + j * s[i - 1][j];
    }
  }
  return s;
}

mpz_class Factorial(unsigned long j) {
  mpz_class f;
  mpz_fac_ui(f.get_mpz_t(), j);
  return f;
}

struct StirlingCase {
  std::int32_t i;
  std::int32_t j;
  std::int64_t want;
};

std::ostream& operator<<(std::ostream& out, const StirlingCase& c) {
  return out << "S(" << c.i << ", " << c.j << ") = " << c.want;
}

class Stirling2Examples : public ::testing::TestWithParam<StirlingCase> {};

TEST_P(Stirling2Examples, Value) {
  const StirlingCase& c = GetParam();
  EXPECT_EQ(Stirling2(c.i, c.j), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Stirling2Examples,
    ::testing::Values(StirlingCase{5, 2, 15}, StirlingCase{5, 3, 25}, StirlingCase{3, 0, 0},
                      StirlingCase{2, 5, 0}, StirlingCase{0, 0, 1}, StirlingCase{1, 0, 0},
                      StirlingCase{1, 1, 1}, StirlingCase{4, 1, 1}, StirlingCase{4, 4, 1},
                      StirlingCase{10, 5, 42525}, StirlingCase{20, 10, 5917584964655},
                      // S(n, 2) = 2^(n-1) - 1: n = 64 is exactly the largest 64-bit value.
                      StirlingCase{64, 2, kInt64Max},
                      // Small values of large orders.
                      StirlingCase{50, 1, 1}, StirlingCase{100, 99, 4950},
                      StirlingCase{100, 100, 1}, StirlingCase{100, 101, 0}));

TEST(Stirling2, MatchesThePlainRecursionUpToTwenty) {
  for (std::int32_t i = 0; i <= 20; ++i) {
    for (std::int32_t j = 0; j <= 20; ++j) {
      EXPECT_EQ(Stirling2(i, j), PlainStirling2(i, j)) << "i=" << i << " j=" << j;
    }
  }
}

// Every value within 64 bits is returned exactly and every other one throws, up to order 70.
// The mismatches are gathered into one message.
TEST(Stirling2, Exact64BitRangeUpToSeventy) {
  constexpr int kOrder = 70;
  const auto exact = ExactStirlingTable(kOrder);
  const mpz_class top(std::to_string(kInt64Max));
  std::ostringstream wrong;
  int mismatches = 0;
  for (int i = 0; i <= kOrder; ++i) {
    for (int j = 0; j <= kOrder; ++j) {
      const bool fits = exact[i][j] <= top;
      std::string got;
      try {
        got = std::to_string(Stirling2(i, j));
      } catch (const std::overflow_error&) {
        got = "overflow_error";
      }
      const std::string want = fits ? exact[i][j].get_str() : "overflow_error";
      if (got != want) {
        if (++mismatches <= 10) {
          wrong << "\n  S(" << i << ", " << j << "): " << got << ", want " << want;
        }
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "first mismatches:" << wrong.str();
}

// --- BinomialToPowerMatrix ---------------------------------------------------------------------

TEST(BinomialToPowerMatrix, SmallOrders) {
  EXPECT_EQ(BinomialToPowerMatrix(0), (Matrix{{1}}));
  EXPECT_EQ(BinomialToPowerMatrix(1), (Matrix{{1, 0}, {0, 1}}));
  EXPECT_EQ(BinomialToPowerMatrix(2), (Matrix{{1, 0, 0}, {0, 1, 0}, {0, 1, 2}}));
  EXPECT_EQ(BinomialToPowerMatrix(3),
            (Matrix{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 1, 2, 0}, {0, 1, 6, 6}}));
}

// The double nearest to an exact non-negative integer, ties to even.
double NearestDouble(const mpz_class& exact) {
  const std::size_t bits = mpz_sizeinbase(exact.get_mpz_t(), 2);
  if (exact == 0 || bits <= 53) {
    return exact.get_d();  // exact
  }
  const auto shift = static_cast<mp_bitcnt_t>(bits - 53);
  mpz_class kept;
  mpz_fdiv_q_2exp(kept.get_mpz_t(), exact.get_mpz_t(), shift);
  mpz_class dropped;
  mpz_fdiv_r_2exp(dropped.get_mpz_t(), exact.get_mpz_t(), shift);
  mpz_class half = 1;
  half <<= shift - 1;
  if (dropped > half || (dropped == half && mpz_odd_p(kept.get_mpz_t()))) {
    kept += 1;
  }
  return std::ldexp(kept.get_d(), static_cast<int>(shift));  // kept <= 2^53: exact
}

// Shape, row 0, and every entry of rows 1 .. m the double nearest to j! * S(i, j).
::testing::AssertionResult IsConversionMatrix(const Matrix& t, int m) {
  const auto size = static_cast<std::size_t>(m) + 1;
  if (t.size() != size) {
    return ::testing::AssertionFailure() << t.size() << " rows, want " << size;
  }
  const auto stirling = ExactStirlingTable(m);
  for (std::size_t i = 0; i < size; ++i) {
    if (t[i].size() != size) {
      return ::testing::AssertionFailure() << "row " << i << " has " << t[i].size() << " entries";
    }
    for (std::size_t j = 0; j < size; ++j) {
      const double want =
          i == 0 ? (j == 0 ? 1.0 : 0.0) : NearestDouble(Factorial(j) * stirling[i][j]);
      if (::testing::AssertionResult same = testing::SameBits(t[i][j], want); !same) {
        return ::testing::AssertionFailure()
               << "entry (" << i << ", " << j << "): " << same.message();
      }
    }
  }
  return ::testing::AssertionSuccess();
}

class ConversionOrder : public ::testing::TestWithParam<int> {};

TEST_P(ConversionOrder, EntriesAreTheNearestDoubles) {
  EXPECT_TRUE(IsConversionMatrix(BinomialToPowerMatrix(GetParam()), GetParam()));
}

INSTANTIATE_TEST_SUITE_P(UpToThirty, ConversionOrder, ::testing::Range(0, 31));

TEST(BinomialToPowerMatrix, OrderElevenIsExactWithin32Bits) {
  const Matrix t = BinomialToPowerMatrix(11);
  const auto stirling = ExactStirlingTable(11);
  const mpz_class largest = Factorial(8) * stirling[11][8];
  ASSERT_LE(largest, kInt32Max);
  double seen = 0.0;
  for (std::size_t i = 1; i < t.size(); ++i) {
    for (std::size_t j = 0; j < t[i].size(); ++j) {
      EXPECT_EQ(mpz_class(t[i][j]), Factorial(j) * stirling[i][j]) << "(" << i << ", " << j << ")";
      seen = std::max(seen, t[i][j]);
    }
  }
  EXPECT_EQ(mpz_class(seen), largest);
  EXPECT_EQ(t[11][8], largest.get_d());
}

TEST(BinomialToPowerMatrix, OrderTwelveLeaves32Bits) {
  // 9! * S(12, 9) no longer fits a 32-bit product; the entry is still the exact integer.
  const Matrix t = BinomialToPowerMatrix(12);
  const mpz_class entry = Factorial(9) * ExactStirlingTable(12)[12][9];
  EXPECT_GT(entry, kInt32Max);
  EXPECT_EQ(mpz_class(t[12][9]), entry);
}

TEST(BinomialToPowerMatrix, OrdersAboveThirtyThrow) {
  for (std::int32_t m : {31, 32, 100, kInt32Max}) {
    EXPECT_THROW(BinomialToPowerMatrix(m), std::overflow_error) << "m=" << m;
  }
}

// Exact types form every order themselves: the same integers where both are formed, and at
// any order the power moments of a point mass k, whose binomial moments are C(k, j), are k^i.
TEST(BinomialToPowerMatrix, ExactOrdersEqualTheIntegersAndGoBeyondThirty) {
  const MatrixOf<mpq_class> t30 = BinomialToPowerMatrix<mpq_class>(30);
  const auto stirling = ExactStirlingTable(30);
  for (std::size_t i = 1; i < t30.size(); ++i) {
    for (std::size_t j = 0; j < t30[i].size(); ++j) {
      EXPECT_EQ(t30[i][j], mpq_class(Factorial(j) * stirling[i][j])) << i << ", " << j;
    }
  }
  constexpr int kOrder = 45;
  constexpr long kPoint = 37;
  SequenceOf<mpq_class> S;
  mpz_class binomial = 1;
  for (long j = 0; j <= kOrder; ++j) {
    S.push_back(mpq_class(binomial));
    binomial = binomial * (kPoint - j) / (j + 1);
  }
  const SequenceOf<mpq_class> mu =
      MatrixTimesVector<mpq_class>(BinomialToPowerMatrix<mpq_class>(kOrder), S);
  mpz_class power = 1;
  for (std::size_t i = 0; i < mu.size(); ++i) {
    EXPECT_EQ(mu[i], mpq_class(power)) << "order " << i;
    power *= kPoint;
  }
}

// --- MatrixTimesVector -------------------------------------------------------------------------

// MatrixTimesVector(A, v) and the product it must give, bit for bit.
struct ProductCase {
  const char* name;
  Matrix A;
  Vector v;
  Vector want;
};

std::ostream& operator<<(std::ostream& out, const ProductCase& c) {
  return out << c.name;
}

class MatrixTimesVectorTable : public ::testing::TestWithParam<ProductCase> {};

TEST_P(MatrixTimesVectorTable, GivesTheProductBitForBit) {
  const ProductCase& c = GetParam();
  EXPECT_TRUE(SameBits(MatrixTimesVector(c.A, c.v), c.want));
}

constexpr double kS1 = (0.5 + 0.4) + 0.3;
constexpr double kS2 = (0.2 + 0.1) + 0.15;

INSTANTIATE_TEST_SUITE_P(
    Rows, MatrixTimesVectorTable,
    ::testing::Values(ProductCase{"OrderTwoGivesFirstTwoPowerMoments",
                                  BinomialToPowerMatrix(2),
                                  {1.0, kS1, kS2},
                                  {1.0, kS1, kS1 + 2 * kS2}},
                      ProductCase{"OrderThreeRowThree",
                                  BinomialToPowerMatrix(3),
                                  {1.0, 1.5, 0.75, 0.125},
                                  {1.0, 1.5, 1.5 + 2 * 0.75, (1.5 + 6 * 0.75) + 6 * 0.125}},
                      // 1e16 + 1 rounds back to 1e16, so only the left-to-right order gives 0.
                      ProductCase{"RowsAreSummedLeftToRight",
                                  {{1, 1, 1, 1}, {1, 0, 0, 1}},
                                  {1e16, 1, 1, -1e16},
                                  {0.0, 0.0}}),
    [](const ::testing::TestParamInfo<ProductCase>& info) { return info.param.name; });

TEST(MatrixTimesVector, EmptyMatrixGivesEmptyVector) {
  EXPECT_TRUE(MatrixTimesVector({}, {1.0, 2.0}).empty());
}

TEST(MatrixTimesVector, RowOfWrongLengthGivesZeroSilently) {
  Vector mu;
  EXPECT_EQ(testing::PrintedBy([&] {
              mu = MatrixTimesVector({{1, 2}, {1, 2, 3}, {3, 4}}, {1.0, 1.0});
            }),
            "");
  EXPECT_TRUE(SameBits(mu, Vector{3.0, 0.0, 7.0}));
}

// X uniform on 0 .. 15: S_j = E C(X, j) and mu_i = E X^i are multiples of 1/16 small enough
// to be exact, so T S must reproduce the power moments exactly for every order up to 13.
TEST(MatrixTimesVector, ReproducesPowerMomentsOfADistribution) {
  constexpr int kValues = 16;
  for (int m = 0; m <= 13; ++m) {
    Vector s;
    Vector mu;
    for (int j = 0; j <= m; ++j) {
      mpz_class binomial_sum = 0;
      mpz_class power_sum = 0;
      for (unsigned long x = 0; x < kValues; ++x) {
        mpz_class c;
        mpz_bin_uiui(c.get_mpz_t(), x, static_cast<unsigned long>(j));
        binomial_sum += c;
        mpz_class p;
        mpz_ui_pow_ui(p.get_mpz_t(), x, static_cast<unsigned long>(j));
        power_sum += p;
      }
      s.push_back(binomial_sum.get_d() / kValues);
      mu.push_back(power_sum.get_d() / kValues);
    }
    EXPECT_TRUE(SameBits(MatrixTimesVector(BinomialToPowerMatrix(m), s), mu)) << "m=" << m;
  }
}

}  // namespace
}  // namespace unionbound
