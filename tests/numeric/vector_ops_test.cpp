#include "numeric/vector_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "tests/support/console.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

using testing::PrintedBy;
using testing::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTwo53 = 9007199254740992.0;  // 2^53: adding 1.0 to it rounds back to it

// ---- ScalarProduct -------------------------------------------------------------------------

struct ProductCase {
  const char* name;
  Vector a;
  Vector b;
  double expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const ProductCase& c, std::ostream* os) {
  *os << c.name;
}

class ScalarProductValue : public ::testing::TestWithParam<ProductCase> {};

TEST_P(ScalarProductValue, IsExactAndSilent) {
  const ProductCase& c = GetParam();
  Checked<double, Lengths> product{-1.0, Lengths::kDifferent};
  const std::string printed = PrintedBy([&] { product = ScalarProduct(c.a, c.b); });
  EXPECT_EQ(product.status, Lengths::kEqual);
  const double s = product.value;
  if (std::isnan(c.expected)) {
    EXPECT_TRUE(std::isnan(s)) << s;
  } else {
    EXPECT_TRUE(SameBits(s, c.expected)) << s << " expected " << c.expected;
  }
  EXPECT_EQ(printed, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScalarProductValue,
    ::testing::Values(
        ProductCase{"three_entries", {1, 2, 3}, {4, 5, 6}, 32.0},
        ProductCase{"empty_vectors", {}, {}, 0.0}, ProductCase{"one_entry", {-2.5}, {4}, -10.0},
        // Summed from position 0 up: each 1.0 added to 2^53 is lost to rounding,
        // where adding the ones first would give 2^53 + 2.
        ProductCase{"sum_runs_upwards_tail_lost", {kTwo53, 1, 1}, {1, 1, 1}, kTwo53},
        // Upwards: 1 + 2^53 rounds to 2^53, then - 2^53 gives 0; downwards the
        // sum would end at 1.
        ProductCase{"sum_runs_upwards_head_lost", {1, kTwo53, -kTwo53}, {1, 1, 1}, 0.0},
        // (1 + 2^-30)(1 - 2^-30) = 1 - 2^-60 rounds to 1.0 before it is added to
        // -1, giving 0; a fused multiply-add would keep -2^-60.
        ProductCase{"each_product_rounded_before_adding", {1, 1 + 0x1p-30}, {-1, 1 - 0x1p-30}, 0.0},
        ProductCase{
            "infinity_times_zero_is_nan", {kInf}, {0}, std::numeric_limits<double>::quiet_NaN()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScalarProduct, DifferentLengthsGiveZeroSilently) {
  Checked<double, Lengths> s{-1.0, Lengths::kEqual};
  EXPECT_EQ(PrintedBy([&] { s = ScalarProduct({1, 2}, {1, 2, 3}); }), "");
  EXPECT_EQ(s.status, Lengths::kDifferent);
  EXPECT_TRUE(SameBits(s.value, 0.0));
  s = ScalarProduct({}, {7});
  EXPECT_EQ(s.status, Lengths::kDifferent);
  EXPECT_TRUE(SameBits(s.value, 0.0));
}

// ---- vectsum -------------------------------------------------------------------------------

TEST(Vectsum, AddsEntryByEntry) {
  Checked<Vector, Lengths> r{{}, Lengths::kDifferent};
  EXPECT_EQ(PrintedBy([&] { r = vectsum({1, 2}, {10, 20}); }), "");
  EXPECT_EQ(r.status, Lengths::kEqual);
  EXPECT_EQ(r.value, (Vector{11, 22}));
  EXPECT_EQ(vectsum({0.1, -kInf, 1e308}, {0.2, 5, 1e308}).value, (Vector{0.1 + 0.2, -kInf, kInf}));
}

TEST(Vectsum, EmptyVectorsGiveEmptySilently) {
  Checked<Vector, Lengths> r{{1}, Lengths::kDifferent};
  EXPECT_EQ(PrintedBy([&] { r = vectsum({}, {}); }), "");
  EXPECT_EQ(r.status, Lengths::kEqual);
  EXPECT_TRUE(r.value.empty());
}

TEST(Vectsum, DifferentLengthsGiveEmptySilently) {
  Checked<Vector, Lengths> r{{1}, Lengths::kEqual};
  EXPECT_EQ(PrintedBy([&] { r = vectsum({1, 2}, {1, 2, 3}); }), "");
  EXPECT_EQ(r.status, Lengths::kDifferent);
  EXPECT_TRUE(r.value.empty());
  r = vectsum({1}, {});
  EXPECT_EQ(r.status, Lengths::kDifferent);
  EXPECT_TRUE(r.value.empty());
}

// ---- ScalarMultiple and ScalarDivide -------------------------------------------------------

TEST(ScalarMultiple, ScalesEveryEntry) {
  Vector r;
  EXPECT_EQ(PrintedBy([&] { r = ScalarMultiple(-1.0, {1, -2, 3.5}); }), "");
  EXPECT_EQ(r, (Vector{-1, 2, -3.5}));
  EXPECT_EQ(ScalarMultiple(0.1, {3, 1e308}), (Vector{0.1 * 3, 0.1 * 1e308}));
  EXPECT_EQ(ScalarMultiple(2.0, {1e308}), (Vector{kInf}));
  EXPECT_TRUE(ScalarMultiple(5.0, {}).empty());
}

TEST(ScalarMultiple, MinusOneFlipsTheSignOfZero) {
  const Vector r = ScalarMultiple(-1.0, {0.0, -0.0});
  ASSERT_EQ(r.size(), 2u);
  EXPECT_TRUE(SameBits(r[0], -0.0));
  EXPECT_TRUE(SameBits(r[1], 0.0));
}

TEST(ScalarDivide, DividesByTheFirstArgument) {
  EXPECT_EQ(ScalarDivide(2.0, {1, 4}), (Vector{0.5, 2.0}));
  EXPECT_TRUE(ScalarDivide(3.0, {}).empty());
  // A true quotient, not a product with the reciprocal: 3 * (1 / 10) is 0.30000000000000004.
  const Vector r = ScalarDivide(10.0, {3.0});
  ASSERT_EQ(r.size(), 1u);
  EXPECT_TRUE(SameBits(r[0], 0.3));
}

TEST(ScalarDivide, ZeroDivisorGivesIeeeResultsSilently) {
  Vector r;
  EXPECT_EQ(PrintedBy([&] { r = ScalarDivide(0.0, {1, -1, 0}); }), "");
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0], kInf);
  EXPECT_EQ(r[1], -kInf);
  EXPECT_TRUE(std::isnan(r[2]));

  r = ScalarDivide(-0.0, {1, -1});
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], -kInf);
  EXPECT_EQ(r[1], kInf);
}

// The elimination relies on a normalised pivot being exactly 1.0. 49 * (1 / 49) would not be.
TEST(ScalarDivide, ByTheLeadingEntryGivesExactlyOne) {
  for (double d : {49.0, 0.1, -3.7, 1e-300, 1e300, 4.9406564584124654e-324, 1.0 / 3.0, -kTwo53}) {
    const Vector r = ScalarDivide(d, {d, 2 * d});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(SameBits(r[0], 1.0)) << "d = " << d;
  }
}

}  // namespace
}  // namespace unionbound
