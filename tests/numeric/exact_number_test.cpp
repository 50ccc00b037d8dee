// The double nearest to a rational, checked against the doubles themselves: every double is a
// dyadic rational, so the exact midpoints between neighbours are the hard cases.
#include "numeric/exact_number.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "tests/support/exact_conversions.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

using testing::ExactOf;
using testing::SameBits;

// The exact midpoint between d and the next double towards +infinity.
Rational MidpointAbove(double d) {
  return (ExactOf(d) + ExactOf(std::nextafter(d, INFINITY))) / 2;
}

// One unit of 2^-2000 moves a rational off a midpoint without reaching another.
const Rational kNudge = Rational(1) / (Rational(mpz_class(1) << 2000));

struct Neighbourhood {
  const char* name;
  double d;
};

class NearestDoubleAround : public ::testing::TestWithParam<Neighbourhood> {};

// At d itself, just inside either midpoint, and on the midpoints: ties go to the even one.
TEST_P(NearestDoubleAround, RoundsToNearestWithTiesToEven) {
  const double d = GetParam().d;
  const double up = std::nextafter(d, INFINITY);
  const double down = std::nextafter(d, -INFINITY);
  const bool d_even = (std::bit_cast<std::uint64_t>(d) & 1) == 0;
  EXPECT_TRUE(SameBits(NearestDouble(ExactOf(d)), d));
  EXPECT_TRUE(SameBits(NearestDouble(MidpointAbove(d) - kNudge), d));
  EXPECT_TRUE(SameBits(NearestDouble(MidpointAbove(d) + kNudge), up));
  EXPECT_TRUE(SameBits(NearestDouble(MidpointAbove(down) + kNudge), d));
  EXPECT_TRUE(SameBits(NearestDouble(MidpointAbove(d)), d_even ? d : up));
  EXPECT_TRUE(SameBits(NearestDouble(MidpointAbove(down)), d_even ? d : down));
}

INSTANTIATE_TEST_SUITE_P(
    Doubles, NearestDoubleAround,
    ::testing::Values(Neighbourhood{"Seven", 0.7}, Neighbourhood{"One", 1.0},
                      Neighbourhood{"OneUlpBelowOne", std::nextafter(1.0, 0.0)},
                      Neighbourhood{"NegativeThird", -1.0 / 3.0},
                      Neighbourhood{"LargeInteger", 9007199254740993.0},
                      Neighbourhood{"SmallestNormal", std::numeric_limits<double>::min()},
                      Neighbourhood{"Subnormal", 3 * std::numeric_limits<double>::denorm_min()},
                      Neighbourhood{"Tiny", 1e-300}, Neighbourhood{"Huge", 1e300}),
    [](const ::testing::TestParamInfo<Neighbourhood>& info) { return info.param.name; });

// A decimal detour rounds twice: 0.7's upper midpoint plus a nudge lies above the midpoint, so
// the nearest double is the one above 0.7, though its 17-digit decimal reads 0.7.
TEST(NearestDouble, RoundsOnceWhereADecimalDetourRoundsTwice) {
  const Rational above = MidpointAbove(0.7) + kNudge;
  EXPECT_EQ(NearestDouble(above), std::nextafter(0.7, 1.0));
}

TEST(NearestDouble, Extremes) {
  const double max = std::numeric_limits<double>::max();
  const double tiny = std::numeric_limits<double>::denorm_min();
  EXPECT_TRUE(SameBits(NearestDouble(Rational(0)), 0.0));
  // Half a unit in the last place above the largest double: 2^1023 * 2^-53 = 2^970.
  const Rational above_max = ExactOf(max) + Rational(mpz_class(1) << 970);
  EXPECT_EQ(NearestDouble(above_max - kNudge), max);
  EXPECT_EQ(NearestDouble(above_max), INFINITY);  // max is odd: the tie goes up
  EXPECT_EQ(NearestDouble(-ExactOf(max) * 4), -INFINITY);
  EXPECT_EQ(NearestDouble(ExactOf(tiny) / 2), 0.0);  // a tie with 0, which is even
  EXPECT_EQ(NearestDouble(ExactOf(tiny) / 2 + kNudge), tiny);
  EXPECT_EQ(NearestDouble(Rational(1, 3)), 1.0 / 3.0);
  EXPECT_EQ(NearestDouble(Rational(-2, 3)), -2.0 / 3.0);
  EXPECT_EQ(NearestDouble(Rational(1, 10)), 0.1);
}

// Quotients of random integers: the division in double rounds correctly, so it is an oracle.
TEST(NearestDouble, EqualsTheRoundedQuotientOfIntegersThatDoublesHoldExactly) {
  std::mt19937_64 rng(2026);
  std::uniform_int_distribution<std::int64_t> draw(-(std::int64_t{1} << 53), std::int64_t{1} << 53);
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t p = draw(rng);
    std::int64_t q = draw(rng);
    q = q == 0 ? 1 : q;
    Rational exact(mpz_class(static_cast<long>(p)), mpz_class(static_cast<long>(q)));
    exact.canonicalize();
    ASSERT_TRUE(SameBits(NearestDouble(exact), static_cast<double>(p) / static_cast<double>(q)))
        << p << "/" << q;
  }
}

}  // namespace
}  // namespace unionbound
