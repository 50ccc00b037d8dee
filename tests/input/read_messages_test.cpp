// What a read says, in full: the warnings every front end shows, in their order, and a refusal
// after the stop warning that explains it.
#include "input/read_messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "input/probability_input.h"

namespace unionbound {
namespace {

struct MessagesCase {
  const char* name;
  std::string text;
  std::int32_t n;
  std::int32_t m;
  std::vector<std::string> warnings;
  std::string refusal;
};

void PrintTo(const MessagesCase& row, std::ostream* os) {
  *os << row.name;
}

const std::string kShort =
    "warning: \"p.txt\" gave 1 of the 6 numbers needed; the last number read stands for the "
    "other 5";

const MessagesCase kCases[] = {
    {"WellTyped", "0.5 0.5 0.5 0.25 0.25 0.25", 3, 2, {}, ""},
    {"DecimalComma",
     "0,5 0,5",
     3,
     2,
     {"warning: reading \"p.txt\" stopped at line 1, column 2, at \",5\", which is not a number: "
      "a decimal comma? The decimal mark is a point: 0.5, not 0,5",
      kShort},
     ""},
    // Every warning at once, in the order they are shown: the stop, the short read, the
    // numbers that are no probabilities.
    {"StopShortAndImprobable",
     "50% 50%",
     3,
     2,
     {"warning: reading \"p.txt\" stopped at line 1, column 3, at \"%\", which is not a number: "
      "a percentage? Write each probability as a number from 0 to 1: 0.5, not 50%",
      kShort,
      "warning: 1 of the 1 numbers read from \"p.txt\" is no probability (outside [0, 1]); the "
      "first is number 1, 50 (percentages? 50% is written 0.5)"},
     ""},
    {"ExcessAndImprobable",
     "1.5 0.5 0.5 0.25 0.25 0.25 0.1",
     3,
     2,
     {"warning: \"p.txt\" holds more than the 6 numbers that n=3, m=2 need; the rest is ignored: "
      "check n and m",
      "warning: 1 of the 6 numbers read from \"p.txt\" is no probability (outside [0, 1]); the "
      "first is number 1, 1.5"},
     ""},
    // When nothing is needed the file's contents do not matter.
    {"NothingNeeded", "0.5 0.5 x", 3, 0, {}, ""},
    {"NoEvents", "0.5", 0, 2, {}, ""},
    // The stop says why nothing was read, before the refusal.
    {"HeaderOnly",
     "P(A1) P(A2)\n",
     3,
     2,
     {"warning: reading \"p.txt\" stopped at line 1, column 1, at \"P(A1)\", which is not a "
      "number: a header or comment line? The file holds numbers and white space only"},
     "\"p.txt\" starts with no number; 6 intersection probabilities are needed"},
    {"Empty",
     "",
     3,
     2,
     {},
     "\"p.txt\" starts with no number; 6 intersection probabilities are needed"},
};

class ReadWarningsTest : public ::testing::TestWithParam<MessagesCase> {};

TEST_P(ReadWarningsTest, SaysWhatTheReadFound) {
  const MessagesCase& row = GetParam();
  const ReadPlan plan = MomentBlocks(row.n, row.m);
  const ReadMessages messages =
      ReadWarnings("p.txt", ParseProbabilities(row.text, plan), row.n, row.m);
  EXPECT_EQ(messages.warnings, row.warnings);
  EXPECT_EQ(messages.refusal, row.refusal);
}

INSTANTIATE_TEST_SUITE_P(Table, ReadWarningsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A file that cannot be read is refused with the reason, and nothing else is said of it.
TEST(ReadWarnings, UnreadableFileIsRefusedAlone) {
  const ProbabilityRead read = ReadProbabilityFile("/nonexistent/p.txt", MomentBlocks(3, 2));
  const ReadMessages messages = ReadWarnings("p.txt", read, 3, 2);
  EXPECT_TRUE(messages.warnings.empty());
  EXPECT_EQ(messages.refusal, "cannot read \"p.txt\": No such file or directory");
}

}  // namespace
}  // namespace unionbound
