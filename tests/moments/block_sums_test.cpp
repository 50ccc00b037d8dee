// Repeated additions taken in strides against the loop that takes them one by one, and block
// sums of numbers that arrive one at a time against the sums of the stored numbers.
#include "moments/block_sums.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "moments/binomial_moments.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

double LoopAdd(double s, double x, std::int64_t times) {
  for (std::int64_t k = 0; k < times; ++k) {
    s = s + x;
  }
  return s;
}

::testing::AssertionResult SameAsLoop(double s, double x, std::int64_t times) {
  const double want = LoopAdd(s, x, times);
  const double got = AddRepeatedly(s, x, times);
  if (::testing::AssertionResult same = testing::SameBits(got, want); !same) {
    return ::testing::AssertionFailure()
           << std::hexfloat << "s = " << s << ", x = " << x << ", " << times
           << " times: " << same.message() << " (the loop's)";
  }
  return ::testing::AssertionSuccess();
}

struct RepeatCase {
  const char* name;
  double s;
  double x;
  std::int64_t times;
};

void PrintTo(const RepeatCase& c, std::ostream* os) {
  *os << c.name;
}

class RepeatedAddition : public ::testing::TestWithParam<RepeatCase> {};

TEST_P(RepeatedAddition, EqualsTheLoopBitForBit) {
  const RepeatCase& c = GetParam();
  EXPECT_TRUE(SameAsLoop(c.s, c.x, c.times));
}

// Ties: x is half a spacing off the grid of the binades it crosses, so that the rounding to even
// decides every step at first.
INSTANTIATE_TEST_SUITE_P(
    Table, RepeatedAddition,
    ::testing::Values(RepeatCase{"Nothing", 0.3, 0.1, 0}, RepeatCase{"Once", 0.3, 0.1, 1},
                      RepeatCase{"TenthsAcrossBinades", 0.0, 0.1, 3'000'000},
                      RepeatCase{"SevenTenthsFromOne", 1.0, 0.7, 2'000'000},
                      RepeatCase{"Stagnates", 1e16, 0.9, 5'000'000},
                      RepeatCase{"TieUpward", 4503599627370496.0, 0.5, 1'000'000},
                      RepeatCase{"TieUpwardOdd", 4503599627370497.0, 0.5, 1'000'000},
                      RepeatCase{"TieOfOneAndAHalf", 9007199254740992.0, 3.0, 1'000'000},
                      RepeatCase{"Downward", 1.0, -1e-7, 3'000'000},
                      RepeatCase{"ThroughZero", 0.25, -0.1, 3'000'000},
                      RepeatCase{"NegativeSide", -0.5, -0.3, 3'000'000},
                      RepeatCase{"NegativeZero", -0.0, -0.0, 10},
                      RepeatCase{"ZeroOnNegativeZero", -0.0, 0.0, 10},
                      RepeatCase{"Subnormal", 0.0, 4.9406564584124654e-324, 3'000'000},
                      RepeatCase{"SubnormalIntoNormal", 2.2250738585072e-308, 1e-320, 3'000'000},
                      RepeatCase{"Overflow", 1.7e308, 1e300, 100'000},
                      RepeatCase{"NotANumber", 0.5, std::numeric_limits<double>::quiet_NaN(), 5},
                      RepeatCase{"XLargerThanS", 1e-10, 1.0, 3'000'000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RepeatedAddition, RandomStartsAndSteps) {
  std::mt19937_64 rng(12345);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 3000; ++round) {
    const double s = std::ldexp(unit(rng) - 0.3, static_cast<int>(rng() % 40) - 20);
    // Steps from far below the spacing of s to far above it, some of them exact ties.
    double x = std::ldexp(unit(rng) - 0.2, static_cast<int>(rng() % 80) - 60);
    if (round % 5 == 0) {
      x = std::ldexp(static_cast<double>(rng() % 64) + 0.5, std::ilogb(s) - 52 + 0);
    }
    const auto times = static_cast<std::int64_t>(rng() % 20000);
    ASSERT_TRUE(SameAsLoop(s, x, times)) << "round " << round;
  }
}

// A count no loop could take: the sum settles where x no longer moves it.
TEST(RepeatedAddition, HugeCountsEnd) {
  const double got = AddRepeatedly(0.0, 0.1, std::int64_t{1} << 62);
  EXPECT_EQ(got, AddRepeatedly(got, 0.1, 1000));
  EXPECT_EQ(got + 0.1, got);
}

TEST(BlockSums, EqualTheSumsOfTheStoredNumbers) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 200; ++round) {
    const auto n = static_cast<std::int32_t>(rng() % 12);
    const auto m = static_cast<std::int32_t>(rng() % 5);
    std::vector<std::int64_t> sizes;
    std::int64_t count = 0;
    for (std::int32_t i = 1; i <= m; ++i) {
      std::int64_t c = 1;
      for (std::int32_t j = 1; j <= i; ++j) {
        c = c * (n - i + j) / j;
      }
      sizes.push_back(i <= n ? c : 0);
      count += sizes.back();
    }
    Vector p;
    for (std::int64_t k = 0; k < count; ++k) {
      p.push_back(unit(rng));
    }
    // Some of the numbers arrive one by one, the rest as repeats of the last, as a short file's.
    const auto read = static_cast<std::int64_t>(count == 0 ? 0 : rng() % (count + 1));
    for (std::int64_t k = read; k < count; ++k) {
      p[static_cast<std::size_t>(k)] = read > 0 ? p[static_cast<std::size_t>(read - 1)] : 0.0;
    }
    BlockSums sums(sizes);
    for (std::int64_t k = 0; k < read; ++k) {
      sums.Add(p[static_cast<std::size_t>(k)]);
    }
    sums.AddRepeatedly(read > 0 ? p[static_cast<std::size_t>(read - 1)] : 0.0, count - read);
    const Vector want = BinomialMoments(p, n, m);
    ASSERT_EQ(sums.sums().size() + 1, want.size());
    for (std::size_t i = 0; i < sums.sums().size(); ++i) {
      EXPECT_TRUE(testing::SameBits(sums.sums()[i], want[i + 1]))
          << "n=" << n << ", m=" << m << ", order " << i + 1;
    }
  }
}

}  // namespace
}  // namespace unionbound
