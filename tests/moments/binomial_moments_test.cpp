// Binomial moments: S_0 = 1 and each S_i the left-to-right sum of its block of probabilities.
#include "moments/binomial_moments.h"

#include <gtest/gtest.h>

#include "tests/support/same_bits.h"

#include <bit>
#include <cstdint>
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

TEST(BinomialMoments, SumOrderIsFileOrder) {
  // Left to right, 1e16 + 1 rounds back to 1e16 twice and the block sums to 0; a compensated
  // or pairwise sum gives 2.
  EXPECT_TRUE(SameBits(BinomialMoments({1e16, 1.0, 1.0, -1e16}, 4, 1), Vector{1.0, 0.0}));
  // The same four numbers in other orders within the block differ only by that rounding.
  EXPECT_TRUE(SameBits(BinomialMoments({1.0, 1.0, 1e16, -1e16}, 4, 1), Vector{1.0, 2.0}));
  EXPECT_TRUE(SameBits(BinomialMoments({1e16, -1e16, 1.0, 1.0}, 4, 1), Vector{1.0, 2.0}));
  EXPECT_TRUE(SameBits(BinomialMoments({1.0, 1e16, 1.0, -1e16}, 4, 1), Vector{1.0, 0.0}));
}

TEST(BinomialMoments, BlocksFollowTheBinomialSizes) {
  // Distinct powers of two show which entries went into which block: n = 4 has blocks of
  // 4, 6, 4 and 1 entries.
  Vector p;
  for (int k = 0; k < 15; ++k) {
    p.push_back(static_cast<double>(1 << k));
  }
  EXPECT_TRUE(SameBits(BinomialMoments(p, 4, 4), Vector{1.0, 15.0, 1008.0, 15360.0, 16384.0}));
  EXPECT_TRUE(SameBits(BinomialMoments(p, 4, 2), Vector{1.0, 15.0, 1008.0}));
  EXPECT_TRUE(SameBits(BinomialMoments(p, 3, 3), Vector{1.0, 7.0, 56.0, 64.0}));
}

TEST(BinomialMoments, OrdersAboveNAreZero) {
  EXPECT_TRUE(
      SameBits(BinomialMoments({0.25, 0.5, 0.125}, 2, 4), Vector{1.0, 0.75, 0.125, 0.0, 0.0}));
  EXPECT_TRUE(SameBits(BinomialMoments({}, 0, 2), Vector{1.0, 0.0, 0.0}));
}

TEST(BinomialMoments, OrderZeroIsOneWhateverTheProbabilities) {
  EXPECT_TRUE(SameBits(BinomialMoments({}, 5, 0), Vector{1.0}));
  EXPECT_TRUE(SameBits(BinomialMoments({0.3, -7.0}, 5, 0), Vector{1.0}));
  EXPECT_TRUE(SameBits(BinomialMoments({}, 5, -3), Vector{1.0}));
}

TEST(BinomialMoments, ExtraProbabilitiesAreIgnored) {
  EXPECT_TRUE(
      SameBits(BinomialMoments({0.5, 0.25, 0.125, 99.0, 99.0}, 2, 2), Vector{1.0, 0.75, 0.125}));
}

TEST(BinomialMoments, TooFewProbabilitiesThrow) {
  EXPECT_THROW(BinomialMoments({0.5, 0.4, 0.3, 0.2, 0.1}, 3, 2), std::invalid_argument);
  EXPECT_THROW(BinomialMoments({0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.1}, 4, 2),
               std::invalid_argument);
  EXPECT_THROW(BinomialMoments({}, 1, 1), std::invalid_argument);
  // A count beyond any memory is refused, not walked.
  EXPECT_THROW(BinomialMoments({0.5, 0.5}, 2000000000, 3), std::invalid_argument);
}

// Each sum starts from +0.0, so a block of negative zeros sums to +0.0; values outside [0, 1]
// pass unchanged.
TEST(BinomialMoments, ValuesAreNotValidated) {
  EXPECT_TRUE(SameBits(BinomialMoments({-0.0, -0.0, 2.5}, 2, 2), Vector{1.0, 0.0, 2.5}));
  EXPECT_TRUE(SameBits(BinomialMoments({-0.5, 3.0, -0.0}, 2, 2), Vector{1.0, 2.5, 0.0}));
}

}  // namespace
}  // namespace unionbound
