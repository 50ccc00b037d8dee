// The bytes the programs write for the statuses of the numerical routines: each routine's own
// status turned into its message, the bare messages running into what follows and the others
// ending their lines.
#include "apps/unionbound/routine_messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace unionbound {
namespace {

const std::string kSizeLine = "Size problem in the input of LinSolve.\n";
const std::string kSingularLine = "(LinSolve) The matrix A is singular.\n";
const std::string kNegativeExponentLine = "negative exponent does not yield integer\n";
const std::string kZeroZeroLine = "zero^zero is not defined\n";

TEST(RoutineMessages, VectorOperationsWriteBareMessagesThatRunTogether) {
  const std::string printed = ScalarProductMessage(ScalarProduct({1}, {1, 2}).status) +
                              VectsumMessage(vectsum({1}, {1, 2}).status) +
                              VectsumMessage(vectsum({}, {3}).status) +
                              ScalarProductMessage(ScalarProduct({1, 2, 3}, {}).status);
  EXPECT_EQ(printed,
            "Scalar product: wrong sizes!wrong sizes of the vectors in vectsum"
            "wrong sizes of the vectors in vectsumScalar product: wrong sizes!");
  EXPECT_EQ(ScalarProductMessage(ScalarProduct({1, 2}, {3, 4}).status), "");
  EXPECT_EQ(VectsumMessage(vectsum({}, {}).status), "");
}

// No line end after the subsets' message: what comes next continues the line.
TEST(RoutineMessages, NegativeSubsetSizeRunsIntoWhatFollows) {
  const std::string printed = KSubsetsMessage(KSubsets({1}, -1).status) +
                              KSubsetsMessage(KSubsets({}, INT_MIN).status) +
                              IntPowerMessage(IntPower(0.0, 0).status);
  EXPECT_EQ(printed, "in KSubsets, k<0in KSubsets, k<0" + kZeroZeroLine);
  EXPECT_EQ(KSubsetsMessage(KSubsets({1, 2}, 3).status), "");
}

TEST(RoutineMessages, PowersWithoutValueEachWriteALine) {
  EXPECT_EQ(IntPowerMessage(IntPower(0.0, -1).status), kNegativeExponentLine);
  EXPECT_EQ(IntPowerMessage(IntPower(-0.0, 0).status), kZeroZeroLine);
  EXPECT_EQ(IntPowerMessage(IntPower(0.0, 1).status), "");
  EXPECT_EQ(VectorIntPowerMessages(VectorIntPower({1, 2}, -1).status),
            kNegativeExponentLine + kNegativeExponentLine);
  EXPECT_EQ(VectorIntPowerMessages(VectorIntPower({0.0, 2, -0.0, 5, 0.0}, 0).status),
            kZeroZeroLine + kZeroZeroLine + kZeroZeroLine);
  EXPECT_EQ(VectorIntPowerMessages(VectorIntPower({}, -1).status), "");
}

struct SolveLinesCase {
  const char* name;
  Matrix A;
  Vector b;
  std::string printed;
};

void PrintTo(const SolveLinesCase& c, std::ostream* os) {
  *os << c.name;
}

class LinSolveLines : public ::testing::TestWithParam<SolveLinesCase> {};

TEST_P(LinSolveLines, SizeLineFirstThenOneLinePerSingularStep) {
  const SolveLinesCase& c = GetParam();
  EXPECT_EQ(LinSolveMessages(LinSolve(c.A, c.b).status), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, LinSolveLines,
    ::testing::Values(
        SolveLinesCase{"regular", {{1, 2}, {3, 4}}, {5, 6}, ""},
        SolveLinesCase{"singular_once", {{1, 1}, {1, 1}}, {1, 2}, kSingularLine},
        SolveLinesCase{"singular_twice", {{0, 0}, {0, 0}}, {3, 4}, kSingularLine + kSingularLine},
        SolveLinesCase{"b_longer", {{1, 2}, {3, 4}}, {5, 6, 7}, kSizeLine},
        SolveLinesCase{"no_rows", {}, {}, kSizeLine},
        SolveLinesCase{"singular_with_long_rows",
                       {{0, 0, 1}, {0, 0, 1}},
                       {3, 4, 5},
                       kSizeLine + kSingularLine + kSingularLine}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unionbound
