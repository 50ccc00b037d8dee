#include "kernels/index_range.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>

namespace unionbound {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// ---- IndexRange ----------------------------------------------------------------------------

struct RangeCase {
  const char* name;
  std::int32_t first;
  std::int32_t last;
  IndexVector expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const RangeCase& c, std::ostream* os) {
  *os << c.name;
}

class IndexRangeCase : public ::testing::TestWithParam<RangeCase> {};

TEST_P(IndexRangeCase, ListsConsecutiveSubscripts) {
  const RangeCase& c = GetParam();
  EXPECT_EQ(IndexRange(c.first, c.last), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexRangeCase,
    ::testing::Values(
        RangeCase{"single_zero", 0, 0, {0}}, RangeCase{"both_ends_included", 0, 3, {0, 1, 2, 3}},
        RangeCase{"last_below_first", 3, 2, {}}, RangeCase{"empty_below_zero", 0, -1, {}},
        RangeCase{"through_zero", -2, 1, {-2, -1, 0, 1}},
        RangeCase{"all_negative", -5, -3, {-5, -4, -3}}, RangeCase{"single_positive", 7, 7, {7}},
        // The running value cannot pass the largest integer; the range still ends.
        RangeCase{"up_to_largest", kMax - 2, kMax, {kMax - 2, kMax - 1, kMax}},
        RangeCase{"only_largest", kMax, kMax, {kMax}},
        RangeCase{"from_smallest", kMin, kMin + 2, {kMin, kMin + 1, kMin + 2}},
        RangeCase{"only_smallest", kMin, kMin, {kMin}},
        // Signed comparison: the largest first over the smallest last is empty.
        RangeCase{"largest_to_smallest", kMax, kMin, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IndexRange, LengthIsLastMinusFirstPlusOne) {
  const IndexVector range = IndexRange(-1000, 2500);
  ASSERT_EQ(range.size(), 3501u);
  for (std::size_t k = 0; k < range.size(); ++k) {
    EXPECT_EQ(range[k], -1000 + static_cast<std::int32_t>(k));
  }
}

// ---- SubVector -----------------------------------------------------------------------------

struct PickCase {
  const char* name;
  Vector v;
  IndexVector positions;
  Vector expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const PickCase& c, std::ostream* os) {
  *os << c.name;
}

class SubVectorCase : public ::testing::TestWithParam<PickCase> {};

TEST_P(SubVectorCase, PicksEntriesInTheOrderOfPositions) {
  const PickCase& c = GetParam();
  EXPECT_EQ(SubVector(c.v, c.positions), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SubVectorCase,
    ::testing::Values(PickCase{"no_positions", {10, 20, 30}, {}, {}},
                      PickCase{"empty_vector_no_positions", {}, {}, {}},
                      PickCase{"unsorted", {10, 20, 30}, {2, 0}, {30, 10}},
                      PickCase{"repeated", {10, 20, 30}, {1, 1}, {20, 20}},
                      PickCase{"identity", {10, 20, 30}, {0, 1, 2}, {10, 20, 30}},
                      PickCase{"reversed_with_repeats",
                               {0.5, -1, 2.25, 8},
                               {3, 2, 3, 0, 1, 1},
                               {8, 2.25, 8, 0.5, -1, -1}},
                      PickCase{"more_positions_than_entries", {4}, {0, 0, 0, 0}, {4, 4, 4, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadPickCase {
  const char* name;
  Vector v;
  IndexVector positions;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const BadPickCase& c, std::ostream* os) {
  *os << c.name;
}

class SubVectorOutside : public ::testing::TestWithParam<BadPickCase> {};

TEST_P(SubVectorOutside, Throws) {
  const BadPickCase& c = GetParam();
  EXPECT_THROW(SubVector(c.v, c.positions), std::out_of_range);
}

INSTANTIATE_TEST_SUITE_P(Cases, SubVectorOutside,
                         ::testing::Values(BadPickCase{"one_past_the_end", {10, 20, 30}, {3}},
                                           BadPickCase{"negative", {10, 20, 30}, {-1}},
                                           BadPickCase{
                                               "after_valid_positions", {10, 20, 30}, {0, 2, 5}},
                                           BadPickCase{"empty_vector", {}, {0}},
                                           BadPickCase{"smallest_integer", {10, 20, 30}, {kMin}},
                                           BadPickCase{"largest_integer", {10, 20, 30}, {kMax}}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unionbound
