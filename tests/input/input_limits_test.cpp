// What SizeProblem refuses: orders above the limit given, and counts of probabilities beyond
// 64 bits. Nothing is refused for the memory a run would take.
#include "input/input_limits.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace unionbound {
namespace {

constexpr std::int32_t kLargestN = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kAnyOrder = std::numeric_limits<std::int32_t>::max();

struct SizeCase {
  const char* name;
  std::int32_t n;
  std::int32_t m;
  std::int32_t largest_order;
  std::string problem;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
  *os << c.name;
}

class SizeProblemTable : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeProblemTable, RefusesOnlyWhatCannotBeComputed) {
  const SizeCase& c = GetParam();
  EXPECT_EQ(SizeProblem(c.n, c.m, c.largest_order), c.problem);
}

const std::string kBeyond64Bits =
    " need more intersection probabilities than a 64-bit count holds; no run handles that many";

INSTANTIATE_TEST_SUITE_P(
    Sizes, SizeProblemTable,
    ::testing::Values(
        SizeCase{"Small", 3, 2, kLargestOrder, ""}, SizeCase{"NoEvents", 0, 0, kLargestOrder, ""},
        SizeCase{"LargestNOrderZero", kLargestN, 0, kLargestOrder, ""},
        // Once refused as more memory than a machine has, or more than 2^31 - 1 numbers.
        SizeCase{"TwoBillionEventsOrderOne", 2'000'000'000, 1, kLargestOrder, ""},
        SizeCase{"CountBeyond32Bits", 100'000, 3, kLargestOrder, ""},
        SizeCase{"LargestNOrderTwo", kLargestN, 2, kLargestOrder, ""},
        SizeCase{"OrderAtTheLimit", 25, 20, kLargestOrder, ""},
        SizeCase{"OrderAboveTheLimit", 25, 21, kLargestOrder,
                 "m=21 is too large: orders above 20 take too long to solve"},
        SizeCase{"OrderAboveTheLimitBeforeTheCount", kLargestN, 21, kLargestOrder,
                 "m=21 is too large: orders above 20 take too long to solve"},
        SizeCase{"CountBeyond64Bits", kLargestN, 20, kLargestOrder,
                 "n=2147483647 and m=20" + kBeyond64Bits},
        SizeCase{"CountBeyond64BitsAnyOrder", 1'000'000, 1'000, kAnyOrder,
                 "n=1000000 and m=1000" + kBeyond64Bits},
        SizeCase{"LargeOrderSmallCount", 30, 1'000, kAnyOrder, ""}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unionbound
