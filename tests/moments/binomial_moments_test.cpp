// Binomial moments: S_0 = 1 and each S_i the left-to-right sum of its block of probabilities.
#include "moments/binomial_moments.h"

#include <gtest/gtest.h>

#include "tests/support/same_bits.h"

#include <cstdint>
#include <ostream>
#include <stdexcept>

namespace unionbound {
namespace {

using testing::SameBits;

TEST(BinomialMoments, SumsEachBlockLeftToRight) {
  const Vector p = {0.5, 0.4, 0.3, 0.2, 0.1, 0.15};
  const double s1 = (0.5 + 0.4) + 0.3;
  const double s2 = (0.2 + 0.1) + 0.15;
  EXPECT_TRUE(SameBits(BinomialMoments(p, 3, 2), Vector{1.0, s1, s2}));
  EXPECT_EQ(s1, 1.2);  // the double nearest to 1.2
}

// BinomialMoments(p, n, m) and the moments it must give, bit for bit.
struct MomentsCase {
  const char* name;
  Vector p;
  std::int32_t n;
  std::int32_t m;
  Vector want;
};

std::ostream& operator<<(std::ostream& out, const MomentsCase& c) {
  return out << c.name;
}

// Distinct powers of two show which entries went into which block: n = 4 has blocks of 4, 6, 4
// and 1 entries.
Vector PowersOfTwo(int count) {
  Vector p;
  for (int k = 0; k < count; ++k) {
    p.push_back(static_cast<double>(1 << k));
  }
  return p;
}

class BinomialMomentsTable : public ::testing::TestWithParam<MomentsCase> {};

TEST_P(BinomialMomentsTable, GivesTheMomentsBitForBit) {
  const MomentsCase& c = GetParam();
  EXPECT_TRUE(SameBits(BinomialMoments(c.p, c.n, c.m), c.want));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BinomialMomentsTable,
    ::testing::Values(
        // The sum order is the file's: left to right, 1e16 + 1 rounds back to 1e16 twice and
        // the block sums to 0; a compensated or pairwise sum gives 2. The same four numbers in
        // other orders within the block differ only by that rounding.
        MomentsCase{"SumOrderIsFileOrder", {1e16, 1.0, 1.0, -1e16}, 4, 1, {1.0, 0.0}},
        MomentsCase{"SumOrderOnesFirst", {1.0, 1.0, 1e16, -1e16}, 4, 1, {1.0, 2.0}},
        MomentsCase{"SumOrderLargeFirst", {1e16, -1e16, 1.0, 1.0}, 4, 1, {1.0, 2.0}},
        MomentsCase{"SumOrderInterleaved", {1.0, 1e16, 1.0, -1e16}, 4, 1, {1.0, 0.0}},
        MomentsCase{
            "BlocksOfFourEvents", PowersOfTwo(15), 4, 4, {1.0, 15.0, 1008.0, 15360.0, 16384.0}},
        MomentsCase{"BlocksOfFourEventsTwoOrders", PowersOfTwo(15), 4, 2, {1.0, 15.0, 1008.0}},
        MomentsCase{"BlocksOfThreeEvents", PowersOfTwo(15), 3, 3, {1.0, 7.0, 56.0, 64.0}},
        // Orders above n are zero.
        MomentsCase{"OrdersAboveNAreZero", {0.25, 0.5, 0.125}, 2, 4, {1.0, 0.75, 0.125, 0.0, 0.0}},
        MomentsCase{"OrdersAboveNoEventsAreZero", {}, 0, 2, {1.0, 0.0, 0.0}},
        // Order zero is 1 whatever the probabilities.
        MomentsCase{"OrderZeroNoProbabilities", {}, 5, 0, {1.0}},
        MomentsCase{"OrderZeroAnyProbabilities", {0.3, -7.0}, 5, 0, {1.0}},
        MomentsCase{"NegativeOrderGivesOrderZero", {}, 5, -3, {1.0}},
        MomentsCase{"ExtraProbabilitiesAreIgnored",
                    {0.5, 0.25, 0.125, 99.0, 99.0},
                    2,
                    2,
                    {1.0, 0.75, 0.125}},
        // Values are not validated: each sum starts from +0.0, so a block of negative zeros
        // sums to +0.0; values outside [0, 1] pass unchanged.
        MomentsCase{"NegativeZerosSumToPositiveZero", {-0.0, -0.0, 2.5}, 2, 2, {1.0, 0.0, 2.5}},
        MomentsCase{"ValuesOutsideZeroOnePass", {-0.5, 3.0, -0.0}, 2, 2, {1.0, 2.5, 0.0}}),
    [](const ::testing::TestParamInfo<MomentsCase>& info) { return info.param.name; });

TEST(BinomialMoments, TooFewProbabilitiesThrow) {
  EXPECT_THROW(BinomialMoments({0.5, 0.4, 0.3, 0.2, 0.1}, 3, 2), std::invalid_argument);
  EXPECT_THROW(BinomialMoments({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, 4, 2),
               std::invalid_argument);
  EXPECT_THROW(BinomialMoments({}, 1, 1), std::invalid_argument);
  // A count beyond any memory is refused, not walked.
  EXPECT_THROW(BinomialMoments({0.5, 0.5}, 2000000000, 3), std::invalid_argument);
}

}  // namespace
}  // namespace unionbound
