#include "numeric/combinatorics.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/console.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

using testing::IsQuietNaN;
using testing::PrintedBy;
using testing::SameBits;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- KSubsets ------------------------------------------------------------------------------

struct SubsetsCase {
  const char* name;
  Vector set;
  int k;
  Matrix expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const SubsetsCase& c, std::ostream* os) {
  *os << c.name;
}

class KSubsetsCase : public ::testing::TestWithParam<SubsetsCase> {};

TEST_P(KSubsetsCase, ListsSubsetsInPositionOrderSilently) {
  const SubsetsCase& c = GetParam();
  Checked<Matrix, SubsetsStatus> subsets{{}, SubsetsStatus::kNegativeSize};
  EXPECT_EQ(PrintedBy([&] { subsets = KSubsets(c.set, c.k); }), "");
  EXPECT_EQ(subsets.status, SubsetsStatus::kListed);
  EXPECT_EQ(subsets.value, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KSubsetsCase,
    ::testing::Values(
        SubsetsCase{
            "pairs_of_four", {1, 2, 3, 4}, 2, {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}}},
        SubsetsCase{"triples_of_five",
                    {1, 2, 3, 4, 5},
                    3,
                    {{1, 2, 3},
                     {1, 2, 4},
                     {1, 2, 5},
                     {1, 3, 4},
                     {1, 3, 5},
                     {1, 4, 5},
                     {2, 3, 4},
                     {2, 3, 5},
                     {2, 4, 5},
                     {3, 4, 5}}},
        // Ordered by position, not by value.
        SubsetsCase{"positions_not_values", {9, 1, 5}, 2, {{9, 1}, {9, 5}, {1, 5}}},
        // Equal entries at different positions are different elements.
        SubsetsCase{"equal_entries_are_distinct", {5, 5, 7}, 2, {{5, 5}, {5, 7}, {5, 7}}},
        SubsetsCase{"all_entries_equal", {1, 1, 1}, 2, {{1, 1}, {1, 1}, {1, 1}}},
        SubsetsCase{"singletons", {3, -1, 3}, 1, {{3}, {-1}, {3}}},
        SubsetsCase{"k_zero", {1, 2, 3}, 0, {{}}}, SubsetsCase{"empty_set_k_zero", {}, 0, {{}}},
        SubsetsCase{"empty_set_k_one", {}, 1, {}}, SubsetsCase{"empty_set_k_two", {}, 2, {}},
        SubsetsCase{"one_entry_k_one", {7}, 1, {{7}}}, SubsetsCase{"one_entry_k_two", {7}, 2, {}},
        SubsetsCase{"whole_set", {1, 2, 3}, 3, {{1, 2, 3}}},
        SubsetsCase{"whole_pair", {4, 4}, 2, {{4, 4}}},
        SubsetsCase{"k_above_size", {1, 2, 3}, 4, {}},
        SubsetsCase{"k_far_above_size", {1, 2, 3}, INT_MAX, {}},
        SubsetsCase{"all_but_one", {1, 2, 3, 4}, 3, {{1, 2, 3}, {1, 2, 4}, {1, 3, 4}, {2, 3, 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

// The k-element position tuples i_1 < ... < i_k of 0 .. n-1 in lexicographic order, found by
// stepping the rightmost position that can still move.
std::vector<std::vector<int>> LexicographicTuples(int n, int k) {
  std::vector<std::vector<int>> tuples;
  if (k > n) {
    return tuples;
  }
  std::vector<int> tuple(static_cast<std::size_t>(k));
  for (int i = 0; i < k; ++i) {
    tuple[static_cast<std::size_t>(i)] = i;
  }
  while (true) {
    tuples.push_back(tuple);
    int i = k - 1;
    while (i >= 0 && tuple[static_cast<std::size_t>(i)] == n - k + i) {
      --i;
    }
    if (i < 0) {
      return tuples;
    }
    ++tuple[static_cast<std::size_t>(i)];
    for (int j = i + 1; j < k; ++j) {
      tuple[static_cast<std::size_t>(j)] = tuple[static_cast<std::size_t>(j - 1)] + 1;
    }
  }
}

// With entry i of the set standing for position i, every subset shows its positions.
TEST(KSubsets, ListsEveryPositionTupleLexicographicallyUpToNine) {
  for (int n = 0; n <= 9; ++n) {
    Vector set;
    for (int i = 0; i < n; ++i) {
      set.push_back(100.0 + i);
    }
    for (int k = 0; k <= n + 2; ++k) {
      Matrix expected;
      for (const std::vector<int>& tuple : LexicographicTuples(n, k)) {
        Vector subset;
        for (int position : tuple) {
          subset.push_back(set[static_cast<std::size_t>(position)]);
        }
        expected.push_back(subset);
      }
      EXPECT_EQ(KSubsets(set, k).value, expected) << "n = " << n << ", k = " << k;
    }
  }
}

TEST(KSubsets, EntriesAreCopiedNotCompared) {
  const Matrix subsets = KSubsets({kNaN, -0.0, kInf}, 2).value;
  ASSERT_EQ(subsets.size(), 3u);
  ASSERT_EQ(subsets[0].size(), 2u);
  EXPECT_TRUE(std::isnan(subsets[0][0]));
  EXPECT_TRUE(SameBits(subsets[0][1], -0.0));
  EXPECT_EQ(subsets[2], (Vector{-0.0, kInf}));
  EXPECT_TRUE(SameBits(subsets[2][0], -0.0));
}

TEST(KSubsets, NegativeKGivesNothingSilently) {
  Checked<Matrix, SubsetsStatus> subsets{{{1}}, SubsetsStatus::kListed};
  EXPECT_EQ(PrintedBy([&] { subsets = KSubsets({1, 2, 3}, -1); }), "");
  EXPECT_EQ(subsets.status, SubsetsStatus::kNegativeSize);
  EXPECT_TRUE(subsets.value.empty());
  subsets = {{{1}}, SubsetsStatus::kListed};
  EXPECT_EQ(PrintedBy([&] { subsets = KSubsets({}, INT_MIN); }), "");
  EXPECT_EQ(subsets.status, SubsetsStatus::kNegativeSize);
  EXPECT_TRUE(subsets.value.empty());
}

// ---- IntPower ------------------------------------------------------------------------------

struct PowerCase {
  const char* name;
  double x;
  int n;
  double expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const PowerCase& c, std::ostream* os) {
  *os << c.name;
}

class IntPowerValue : public ::testing::TestWithParam<PowerCase> {};

TEST_P(IntPowerValue, IsRepeatedProductSilently) {
  const PowerCase& c = GetParam();
  Checked<double, PowerStatus> r{kNaN, PowerStatus::kNegativeExponent};
  EXPECT_EQ(PrintedBy([&] { r = IntPower(c.x, c.n); }), "");
  EXPECT_EQ(r.status, PowerStatus::kDefined);
  EXPECT_TRUE(SameBits(r.value, c.expected))
      << std::hexfloat << r.value << " expected " << c.expected;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntPowerValue,
    ::testing::Values(
        PowerCase{"two_to_ten", 2.0, 10, 1024.0}, PowerCase{"minus_one_cubed", -1.0, 3, -1.0},
        PowerCase{"minus_one_to_zero", -1.0, 0, 1.0},
        PowerCase{"minus_one_to_even", -1.0, 1000, 1.0}, PowerCase{"half_squared", 0.5, 2, 0.25},
        PowerCase{"zero_cubed", 0.0, 3, 0.0}, PowerCase{"negative_zero_cubed", -0.0, 3, -0.0},
        PowerCase{"negative_zero_squared", -0.0, 2, 0.0}, PowerCase{"first_power", 0.1, 1, 0.1},
        PowerCase{"nan_to_zero", kNaN, 0, 1.0}, PowerCase{"infinity_to_zero", kInf, 0, 1.0},
        PowerCase{"minus_infinity_cubed", -kInf, 3, -kInf},
        PowerCase{"largest_power_of_two", 2.0, 1023, 0x1p1023},
        PowerCase{"overflow", 2.0, 1024, kInf},
        PowerCase{"smallest_subnormal", 0.5, 1074, 0x1p-1074},
        PowerCase{"underflow", 0.5, 1075, 0.0},
        // Products taken one factor at a time from 1.0: both differ in the last bit from the
        // correctly rounded power and from squaring.
        PowerCase{"repeated_product_of_1_1", 1.1, 4, 0x1.76cf41f212d7ap+0},
        PowerCase{"repeated_product_of_0_1", 0.1, 5, 0x1.4f8b588e368f3p-17},
        PowerCase{"repeated_product_of_1_1_twelve", 1.1, 12, 0x1.91b805636d733p+1}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadPowerCase {
  const char* name;
  double x;
  int n;
  PowerStatus status;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const BadPowerCase& c, std::ostream* os) {
  *os << c.name;
}

class IntPowerBad : public ::testing::TestWithParam<BadPowerCase> {};

TEST_P(IntPowerBad, GivesItsStatusAndQuietNaNSilently) {
  const BadPowerCase& c = GetParam();
  Checked<double, PowerStatus> r{0.0, PowerStatus::kDefined};
  EXPECT_EQ(PrintedBy([&] { r = IntPower(c.x, c.n); }), "");
  EXPECT_EQ(r.status, c.status);
  EXPECT_TRUE(IsQuietNaN(r.value)) << r.value;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntPowerBad,
    ::testing::Values(BadPowerCase{"zero_to_zero", 0.0, 0, PowerStatus::kZeroToZero},
                      BadPowerCase{"negative_zero_to_zero", -0.0, 0, PowerStatus::kZeroToZero},
                      BadPowerCase{"negative_exponent", 2.0, -1, PowerStatus::kNegativeExponent},
                      // The exponent is tested first.
                      BadPowerCase{"zero_to_negative", 0.0, -1, PowerStatus::kNegativeExponent},
                      BadPowerCase{"lowest_exponent", 1.0, INT_MIN, PowerStatus::kNegativeExponent},
                      BadPowerCase{"nan_to_negative", kNaN, -3, PowerStatus::kNegativeExponent}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- VectorIntPower ------------------------------------------------------------------------

TEST(VectorIntPower, RaisesEveryEntry) {
  Checked<Vector, PowersStatus> r{{}, {PowerStatus::kZeroToZero, 1}};
  EXPECT_EQ(PrintedBy([&] { r = VectorIntPower({0, 2, 3}, 2); }), "");
  EXPECT_TRUE(r.status == PowersStatus{});
  EXPECT_EQ(r.value, (Vector{0, 4, 9}));
  const Vector powers = VectorIntPower({1.1, 0.1, -2}, 4).value;
  ASSERT_EQ(powers.size(), 3u);
  EXPECT_TRUE(SameBits(powers[0], 0x1.76cf41f212d7ap+0));
  EXPECT_TRUE(SameBits(powers[1], IntPower(0.1, 4).value));
  EXPECT_TRUE(SameBits(powers[2], 16.0));
}

TEST(VectorIntPower, EmptyVectorIsDefinedWhateverTheExponent) {
  for (int n : {-1, 0, 3}) {
    Checked<Vector, PowersStatus> r{{1}, {PowerStatus::kZeroToZero, 1}};
    EXPECT_EQ(PrintedBy([&] { r = VectorIntPower({}, n); }), "") << "n = " << n;
    EXPECT_TRUE(r.status == PowersStatus{}) << "n = " << n;
    EXPECT_TRUE(r.value.empty());
  }
}

TEST(VectorIntPower, NegativeExponentCountsEveryEntry) {
  Checked<Vector, PowersStatus> r{{}, {}};
  EXPECT_EQ(PrintedBy([&] { r = VectorIntPower({1, 2}, -1); }), "");
  EXPECT_TRUE((r.status == PowersStatus{PowerStatus::kNegativeExponent, 2}));
  ASSERT_EQ(r.value.size(), 2u);
  EXPECT_TRUE(IsQuietNaN(r.value[0]));
  EXPECT_TRUE(IsQuietNaN(r.value[1]));
}

TEST(VectorIntPower, ZeroExponentCountsEveryZeroEntry) {
  Checked<Vector, PowersStatus> r{{}, {}};
  EXPECT_EQ(PrintedBy([&] { r = VectorIntPower({0.0, 2, -0.0, 5, 0.0}, 0); }), "");
  EXPECT_TRUE((r.status == PowersStatus{PowerStatus::kZeroToZero, 3}));
  ASSERT_EQ(r.value.size(), 5u);
  EXPECT_TRUE(IsQuietNaN(r.value[0]));
  EXPECT_TRUE(SameBits(r.value[1], 1.0));
  EXPECT_TRUE(IsQuietNaN(r.value[2]));
  EXPECT_TRUE(SameBits(r.value[3], 1.0));
  EXPECT_TRUE(IsQuietNaN(r.value[4]));
}

}  // namespace
}  // namespace unionbound
