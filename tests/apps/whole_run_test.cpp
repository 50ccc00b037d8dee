// Whole runs of the built program in a scratch directory: standard output and "result.txt"
// compared byte for byte, with only the running-time figures masked. The walks jump across runs
// of equal basis changes; the bytes of the runs on many events are those the program printed
// when its walks took single steps only, and the bound stage of every run prints the same with
// single steps as with jumps.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "apps/unionbound/bound_stage.h"
#include "input/probability_input.h"
#include "tests/support/console.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::MaskRunningTimes;
using testing::ProgramRun;
using testing::RunProgram;
using testing::ScratchDirectory;

constexpr const char* kPrompts = "Number of events. n=Maximum order of the intersections. m=";
constexpr const char* kFinalPrompt = "Press RETURN to continue";

// The thirteen console lines of the two bound blocks.
std::string ConsoleBlocks(const std::string& lower, const std::string& lower_basis,
                          const std::string& upper, const std::string& upper_basis) {
  return "\nSharp lower bound on the probability of the union:\n" + lower +
         "\nRunning time: <time>\nBasis subscripts:\n" + lower_basis +
         "\n\nSharp upper bound on the probability of the union:\n" + upper +
         "\nRunning time: <time>\nBasis subscripts:\n" + upper_basis + "\n\n";
}

// One report as a run appends it to "result.txt".
std::string FileReport(const std::string& header, const std::string& moments,
                       const std::string& lower, const std::string& lower_basis,
                       const std::string& upper, const std::string& upper_basis) {
  return header + "\nThe binomial moments:\n" + moments + "\n" +
         ConsoleBlocks(lower, lower_basis, upper, upper_basis);
}

const std::string kNoDistribution =
    "unionbound: the data as written fit no probability distribution: ";
const std::string kNoBound = "; no value shown is a bound for real events\n";

struct WholeRun {
  const char* name;
  const char* keyboard;
  std::optional<std::string> prob;  // no "prob.txt" when empty
  std::string out;                  // standard output, times masked
  std::string file;                 // "result.txt", times masked
  std::string err;                  // standard error, exactly
  // 4 when the data were not read whole, 5 when they fit no distribution: the bytes stay a
  // plain run's, the status tells.
  int exit_status = 0;
};

void PrintTo(const WholeRun& row, std::ostream* os) {
  *os << row.name;
}

class WholeRunTest : public ::testing::TestWithParam<WholeRun> {};

TEST_P(WholeRunTest, PrintsAndAppendsTheReport) {
  const WholeRun& row = GetParam();
  ScratchDirectory dir;
  if (row.prob) {
    dir.Write("prob.txt", *row.prob);
  }
  const ProgramRun run = RunProgram(dir.path(), row.keyboard);
  EXPECT_EQ(run.exit_status, row.exit_status);
  EXPECT_EQ(MaskRunningTimes(run.out), row.out);
  EXPECT_EQ(MaskRunningTimes(dir.Read("result.txt")), row.file);
  EXPECT_EQ(run.err, row.err);
}

// The probabilities of the intersections of n independent events of probability 0.3 for the
// orders below m (m <= 3), a block each, then 0.3^m once, which the reader lets stand for the
// whole block of order m.
std::string IndependentEvents(std::int64_t n, int m) {
  const char* const powers[] = {"0.3", "0.09", "0.027"};
  std::string text;
  std::int64_t count = 1;
  for (int order = 1; order < m; ++order) {
    count = count * (n - order + 1) / order;
    for (std::int64_t k = 0; k < count; ++k) {
      text += std::string(powers[order - 1]) + " ";
    }
    text += "\n";
  }
  return text + powers[m - 1] + "\n";
}

std::string ShortFileWarning(const std::string& read, const std::string& needed,
                             const std::string& rest) {
  return "unionbound: warning: \"prob.txt\" gave " + read + " of the " + needed +
         " numbers needed; the last number read stands for the other " + rest + "\n";
}

const std::string kHalfAndQuarterOut =
    kPrompts + ConsoleBlocks("0.75", "{0,1,2,}", "1", "{0,1,3,}") + kFinalPrompt;
const std::string kHalfAndQuarterFile = FileReport(
    "n=3, m=2", "{1.00000000000000000000,1.50000000000000000000,0.75000000000000000000,}",
    "0.750000000000000", "{0,1,2,}", "1.000000000000000", "{0,1,3,}");

INSTANTIATE_TEST_SUITE_P(
    Runs, WholeRunTest,
    ::testing::Values(
        // Three events of probability 0.5 meeting pairwise with probability 0.25: every
        // figure is exact in double precision.
        WholeRun{"HalfAndQuarter", "3\n2\n\n", "0.5 0.5 0.5\n0.25 0.25 0.25\n", kHalfAndQuarterOut,
                 kHalfAndQuarterFile, ""},
        // Both numbers typed on one line: the second prompt does not wait.
        WholeRun{"BothNumbersOnOneLine", "3 2\n\n", "0.5 0.5 0.5 0.25 0.25 0.25",
                 kHalfAndQuarterOut, kHalfAndQuarterFile, ""},
        // The distribution (0.2, 0.3, 0.3, 0.2) of the number of events: S1 = 1.5, S2 = 0.9.
        WholeRun{"TwoMomentsOfADistribution", "3\n2\n\n", "0.5 0.5 0.5 0.3 0.3 0.3",
                 kPrompts + ConsoleBlocks("0.7", "{0,2,3,}", "0.9", "{0,1,3,}") + kFinalPrompt,
                 FileReport("n=3, m=2",
                            "{1.00000000000000000000,1.50000000000000000000,"
                            "0.89999999999999991118,}",
                            "0.700000000000000", "{0,2,3,}", "0.900000000000000", "{0,1,3,}"),
                 ""},
        // Odd m: the negated objective, the lower bound from the maximum.
        WholeRun{"OneMoment", "3\n1\n\n", "0.5 0.5 0.5",
                 kPrompts + ConsoleBlocks("0.5", "{0,3,}", "1", "{1,2,}") + kFinalPrompt,
                 FileReport("n=3, m=1", "{1.00000000000000000000,1.50000000000000000000,}",
                            "0.500000000000000", "{0,3,}", "1.000000000000000", "{1,2,}"),
                 ""},
        // m = 0 needs no "prob.txt".
        WholeRun{"NoMomentsNoFile", "3\n0\n\n", std::nullopt,
                 kPrompts + ConsoleBlocks("0", "{0,}", "1", "{3,}") + kFinalPrompt,
                 FileReport("n=3, m=0", "{1.00000000000000000000,}", "0.000000000000000", "{0,}",
                            "1.000000000000000", "{3,}"),
                 ""},
        // S2 = 0.9 with S1 = 0.1 fits no distribution: both walks find no feasible basis, and
        // the exact check says why.
        WholeRun{"Infeasible", "3\n2\n\n", "0.05 0.03 0.02 0.3 0.3 0.3",
                 std::string(kPrompts) + "no feasible solution\nno feasible solution\n" +
                     ConsoleBlocks("nan", "{}", "nan", "{}") + kFinalPrompt,
                 FileReport("n=3, m=2",
                            "{1.00000000000000000000,0.10000000000000000555,"
                            "0.89999999999999991118,}",
                            "nan", "{}", "nan", "{}"),
                 kNoDistribution +
                     "S_2 = 0.9 exceeds 0.1, the largest value that S_1 = 0.1 allows for 3 "
                     "events (S_2 <= (3 - 1)/2 S_1)" +
                     kNoBound,
                 5},
        // Odd m negates the values, and a zero stays a negative zero.
        WholeRun{"NegativeZero", "3\n1\n\n", "0 0 0",
                 kPrompts + ConsoleBlocks("-0", "{0,3,}", "-0", "{0,1,}") + kFinalPrompt,
                 FileReport("n=3, m=1", "{1.00000000000000000000,0.00000000000000000000,}",
                            "-0.000000000000000", "{0,3,}", "-0.000000000000000", "{0,1,}"),
                 ""},
        // m > n: the moments line keeps every order, the bounds use the orders 0 .. n.
        WholeRun{"MoreOrdersThanEvents", "2\n3\n\n", "0.5 0.5 0.25",
                 kPrompts + ConsoleBlocks("0.75", "{0,1,2,}", "0.75", "{0,1,2,}") + kFinalPrompt,
                 FileReport("n=2, m=3",
                            "{1.00000000000000000000,1.00000000000000000000,"
                            "0.25000000000000000000,0.00000000000000000000,}",
                            "0.750000000000000", "{0,1,2,}", "0.750000000000000", "{0,1,2,}"),
                 "unionbound: note: m=3 is greater than n=2; binomial moments of order above n "
                 "are 0 for any 2 events, so the bounds use the orders 0 to 2\n"},
        // S1 = 5 > n fits no distribution. With m + 1 even the maximum never tests position 0,
        // so its basis keeps a negative mass and the printed "lower bound" exceeds 1: standard
        // output stays as the walk leaves it, standard error names the first number that is no
        // probability.
        WholeRun{"NegativeMassKept", "3\n1\n\n", "2 2 1",
                 std::string(kPrompts) + "no feasible solution\n" +
                     ConsoleBlocks("1.66666666666667", "{0,3,}", "nan", "{}") + kFinalPrompt,
                 FileReport("n=3, m=1", "{1.00000000000000000000,5.00000000000000000000,}",
                            "1.666666666666667", "{0,3,}", "nan", "{}"),
                 "unionbound: warning: 2 of the 3 numbers read from \"prob.txt\" are no "
                 "probability (outside [0, 1]); the first is number 1, 2 (percentages? 50% is "
                 "written 0.5)\n" +
                     kNoDistribution + "number 1 of \"prob.txt\", 2, lies outside [0, 1]" +
                     kNoBound,
                 5},
        // A short file: the last number read stands for the missing ones.
        WholeRun{"ShortFile", "3\n2\n\n", "0.5 0.5 0.5 0.25", kHalfAndQuarterOut,
                 kHalfAndQuarterFile,
                 "unionbound: warning: \"prob.txt\" gave 4 of the 6 numbers needed; the last "
                 "number read stands for the other 2\n",
                 4},
        // Two billion events of probability 0.5: the upper bound's walk makes a billion basis
        // changes, which it crosses in one jump.
        WholeRun{"TwoBillionEvents", "2000000000\n1\n\n", "0.5 0.5",
                 kPrompts +
                     ConsoleBlocks("0.5", "{0,2000000000,}", "1", "{999999999,1000000000,}") +
                     kFinalPrompt,
                 FileReport("n=2000000000, m=1",
                            "{1.00000000000000000000,1000000000.00000000000000000000,}",
                            "0.500000000000000", "{0,2000000000,}", "1.000000000000000",
                            "{999999999,1000000000,}"),
                 ShortFileWarning("2", "2000000000", "1999999998"), 4},
        // 10^5 independent events of probability 0.3, two orders: both walks go out to the
        // mean, and the exact check replaces the double walk's drifted lower bound.
        WholeRun{"HundredThousandIndependentEvents", "100000\n2\n\n", IndependentEvents(100000, 2),
                 kPrompts +
                     ConsoleBlocks("0.999976667444418", "{0,30000,30001,}", "1",
                                   "{29999,30000,100000,}") +
                     kFinalPrompt,
                 FileReport("n=100000, m=2",
                            "{1.00000000000000000000,29999.99999995061443769373,"
                            "449995456.37541437149047851562,}",
                            "0.999976667444418", "{0,30000,30001,}", "1.000000000000000",
                            "{29999,30000,100000,}"),
                 ShortFileWarning("100001", "5000050000", "4999949999") +
                     "unionbound: the double-precision walk for the lower bound drifted to "
                     "0.99997676438141836, 9.7e-08 from the exact optimum; the bound shown was "
                     "found in exact arithmetic\n",
                 4},
        // 300 such events, three orders: the upper bound's double walk ends just above 1.
        WholeRun{"ThreeHundredIndependentEvents", "300\n3\n\n", IndependentEvents(300, 3),
                 kPrompts +
                     ConsoleBlocks("0.994600000011228", "{0,90,91,300,}", "1", "{82,83,98,99,}") +
                     kFinalPrompt,
                 FileReport("n=300, m=3",
                            "{1.00000000000000000000,89.99999999999950262008,"
                            "4036.50000000240243025473,120287.70000498589070048183,}",
                            "0.994600000011228", "{0,90,91,300,}", "1.000000000000000",
                            "{82,83,98,99,}"),
                 ShortFileWarning("45151", "4500250", "4455099") +
                     "unionbound: the double-precision walk for the upper bound drifted to "
                     "1.0000000000000002, 2.2e-16 from the exact optimum and outside [0, 1]; the "
                     "bound shown was found in exact arithmetic\n",
                 4}),
    [](const ::testing::TestParamInfo<WholeRun>& info) { return info.param.name; });

// The bound stage of each run above, walking by single steps and by jumps: what it writes on
// the console and the two bound blocks of the report, times aside. A run on more than 10^6
// events is left to the bytes above, which single steps took minutes to print.
TEST_P(WholeRunTest, BoundStagePrintsTheSameWithSingleSteps) {
  const WholeRun& row = GetParam();
  std::istringstream keyboard(row.keyboard);
  std::int32_t n = 0;
  std::int32_t m = 0;
  keyboard >> n >> m;
  if (n > 1'000'000) {
    GTEST_SKIP() << "n = " << n;
  }
  Vector S{1.0};
  SequenceOf<Rational> exact_S{Rational(1)};
  bool exact = true;
  if (row.prob) {
    const ProbabilityRead read = ParseProbabilities(*row.prob, MomentBlocks(n, m));
    S.insert(S.end(), read.block_sums.begin(), read.block_sums.end());
    exact_S.insert(exact_S.end(), read.exact_block_sums.begin(), read.exact_block_sums.end());
    exact = read.exact;
  }
  const auto stage = [&](WalkStride stride) {
    BoundReport report;
    testing::Printed printed = testing::ConsoleOf(
        [&] { report = ComputeBounds(n, m, S, exact ? &exact_S : nullptr, stride); });
    report.lower_time = 0.0;
    report.upper_time = 0.0;
    std::ostringstream blocks;
    WriteBoundBlocks(report, blocks);
    return std::pair{printed.out + printed.err + blocks.str(), report.fits_no_distribution};
  };
  EXPECT_EQ(stage(WalkStride::kJumps), stage(WalkStride::kOneStep));
}

TEST(WholeRun, SecondRunAppendsAfterTheFirstReport) {
  ScratchDirectory dir;
  dir.Write("prob.txt", "0.5 0.5 0.5 0.25 0.25 0.25");
  ASSERT_EQ(RunProgram(dir.path(), "3\n2\n\n").exit_status, 0);
  ASSERT_EQ(RunProgram(dir.path(), "3\n2\n\n").exit_status, 0);
  EXPECT_EQ(MaskRunningTimes(dir.Read("result.txt")), kHalfAndQuarterFile + kHalfAndQuarterFile);
}

TEST(WholeRun, EarlierReportsStayAsTheyWere) {
  ScratchDirectory dir;
  const std::string earlier = "an earlier report\nwithout a final line end";
  dir.Write("result.txt", earlier);
  dir.Write("prob.txt", "0.5 0.5 0.5 0.25 0.25 0.25");
  ASSERT_EQ(RunProgram(dir.path(), "3\n2\n\n").exit_status, 0);
  EXPECT_EQ(MaskRunningTimes(dir.Read("result.txt")), earlier + kHalfAndQuarterFile);
}

}  // namespace
}  // namespace unionbound
