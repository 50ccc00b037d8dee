// Binomial coefficients and the count of intersection probabilities, against exact GMP values.
#include "moments/binomial.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

namespace unionbound {
namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

mpz_class ExactBinomial(std::int32_t n, std::int32_t i) {
  mpz_class c;
  if (i < 0 || n < i) {
    return 0;
  }
  mpz_bin_uiui(c.get_mpz_t(), static_cast<unsigned long>(n), static_cast<unsigned long>(i));
  return c;
}

// The exact value clamped to the largest 64-bit value.
std::int64_t Saturated(const mpz_class& exact) {
  const mpz_class top(std::to_string(kInt64Max));
  return exact > top ? kInt64Max : std::stoll(exact.get_str());
}

struct CountCase {
  std::int32_t n;
  std::int32_t i;
  std::int64_t want;
};

std::ostream& operator<<(std::ostream& out, const CountCase& c) {
  return out << "n=" << c.n << " i=" << c.i << " -> " << c.want;
}

class BinomialExamples : public ::testing::TestWithParam<CountCase> {};

TEST_P(BinomialExamples, CountAndInt32Agree) {
  const CountCase& c = GetParam();
  EXPECT_EQ(BinomialCount(c.n, c.i), c.want);
  EXPECT_EQ(Binomial(c.n, c.i), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BinomialExamples,
    ::testing::Values(CountCase{4, 1, 4}, CountCase{4, 2, 6}, CountCase{2, 3, 0},
                      CountCase{0, 1, 0}, CountCase{3, 4, 0}, CountCase{5, 0, 1},
                      CountCase{0, 0, 1}, CountCase{7, 7, 1}, CountCase{10, 3, 120},
                      // The algorithm's loop does not run for a negative order.
                      CountCase{3, -1, 1},
                      // Negative n below i gives 0.
                      CountCase{-2, 1, 0},
                      // The largest coefficients that still fit 32 bits.
                      CountCase{33, 16, 1166803110}, CountCase{kInt32Max, 1, kInt32Max},
                      CountCase{65536, 2, 2147450880}, CountCase{1000, 999, 1000},
                      CountCase{1000, 998, 499500}));

TEST(BinomialCount, MatchesExactValuesOnAGrid) {
  for (std::int32_t n = -3; n <= 80; ++n) {
    for (std::int32_t i = 0; i <= n + 3 || i <= 3; ++i) {
      EXPECT_EQ(BinomialCount(n, i), Saturated(ExactBinomial(n, i))) << "n=" << n << " i=" << i;
    }
  }
}

TEST(BinomialCount, MatchesExactValuesForLargeN) {
  const std::vector<std::int32_t> ns = {1000,    4096,    65535,      65536,    65537,
                                        1 << 20, 1 << 30, 2000000000, kInt32Max};
  for (std::int32_t n : ns) {
    for (std::int32_t i : {0, 1, 2, 3, 4, 5, 7, 10, 20, 40, 100}) {
      EXPECT_EQ(BinomialCount(n, i), Saturated(ExactBinomial(n, i))) << "n=" << n << " i=" << i;
    }
  }
}

TEST(BinomialCount, SaturatesAtTheLargest64BitValue) {
  // C(66, 33) fits; C(67, 33) and C(68, 34) do not.
  EXPECT_EQ(BinomialCount(66, 33), 7219428434016265740);
  EXPECT_EQ(BinomialCount(67, 33), kInt64Max);
  EXPECT_EQ(BinomialCount(68, 34), kInt64Max);
  EXPECT_EQ(BinomialCount(2000000000, 3), kInt64Max);
  EXPECT_EQ(BinomialCount(kInt32Max, 100), kInt64Max);
}

TEST(Binomial, MatchesExactValuesOrThrowsOutside32Bits) {
  for (std::int32_t n = 0; n <= 40; ++n) {
    for (std::int32_t i = 0; i <= n + 1; ++i) {
      const mpz_class exact = ExactBinomial(n, i);
      if (exact <= kInt32Max) {
        EXPECT_EQ(Binomial(n, i), exact.get_si()) << "n=" << n << " i=" << i;
      } else {
        EXPECT_THROW(Binomial(n, i), std::overflow_error) << "n=" << n << " i=" << i;
      }
    }
  }
}

TEST(Binomial, ThrowsJustPast32Bits) {
  EXPECT_THROW(Binomial(34, 17), std::overflow_error);  // 2333606220
  EXPECT_THROW(Binomial(65537, 2), std::overflow_error);
  EXPECT_THROW(Binomial(2000000000, 3), std::overflow_error);
  EXPECT_THROW(Binomial(kInt32Max, 2), std::overflow_error);
}

// --- ProbabilityCount ------------------------------------------------------------------------

// Sum of C(n, i) for i = 1 .. m, clamped to the largest 64-bit value.
std::int64_t ExactCount(std::int32_t n, std::int32_t m) {
  mpz_class total = 0;
  for (std::int32_t i = 1; i <= m && i <= n; ++i) {
    total += ExactBinomial(n, i);
  }
  return Saturated(total);
}

class ProbabilityCountExamples : public ::testing::TestWithParam<CountCase> {};

TEST_P(ProbabilityCountExamples, Counts) {
  const CountCase& c = GetParam();
  EXPECT_EQ(ProbabilityCount(c.n, c.i), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProbabilityCountExamples,
    ::testing::Values(CountCase{4, 2, 10}, CountCase{2, 3, 3}, CountCase{4, 0, 0},
                      CountCase{4, -1, 0}, CountCase{0, 3, 0}, CountCase{7, 1, 7},
                      CountCase{3, 3, 7},
                      // 2^63 - 1 exactly: the largest count that is not a saturation.
                      CountCase{63, 63, kInt64Max}, CountCase{62, 62, (std::int64_t{1} << 62) - 1},
                      CountCase{64, 64, kInt64Max}, CountCase{2000000000, 1, 2000000000},
                      CountCase{2000000000, 2, 2000000000 + 1999999999000000000},
                      CountCase{2000000000, 3, kInt64Max},
                      CountCase{kInt32Max, kInt32Max, kInt64Max}));

TEST(ProbabilityCount, MatchesExactSumsOnAGrid) {
  for (std::int32_t n = 0; n <= 70; ++n) {
    for (std::int32_t m = -2; m <= n + 3; ++m) {
      EXPECT_EQ(ProbabilityCount(n, m), ExactCount(n, m)) << "n=" << n << " m=" << m;
    }
  }
}

}  // namespace
}  // namespace unionbound
