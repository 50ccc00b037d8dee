// The batch program run as scripts run it: its text and JSON reports, its exit statuses, its
// exact mode, and its double mode agreeing bit for bit with the interactive computation.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "driver/bound_stage.h"
#include "driver/probability_input.h"
#include "moments/binomial_moments.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using Json = nlohmann::json;
using testing::ProgramRun;
using testing::RunBatch;
using testing::ScratchDirectory;

constexpr const char* kHalfAndQuarter = "0.5 0.5 0.5 0.25 0.25 0.25";

// n = 9, m = 7: the binomial moments of (1, 2, 2, 7, 0, 7, 0, 3, 0, 0) / 22, on which the
// double-precision maximum walks back to a basis it left.
constexpr const char* kRepeatingMoments = "83/22,78/11,91/11,70/11,35/11,21/22,3/22";
constexpr const char* kRepeatingDecimals =
    "3.7727272727272729,7.0909090909090899,8.2727272727272734,6.3636363636363633,"
    "3.1818181818181817,0.95454545454545447,0.13636363636363635";

Json RunJson(const ScratchDirectory& dir, const std::string& arguments, int status) {
  const ProgramRun run = RunBatch(dir.path(), arguments + " --json");
  EXPECT_EQ(run.exit_status, status) << run.err;
  return Json::parse(run.out);
}

TEST(Batch, TextReportOfTheHalfAndQuarterEvents) {
  ScratchDirectory dir;
  dir.Write("p.txt", kHalfAndQuarter);
  const ProgramRun run = RunBatch(dir.path(), "--n 3 --m 2 --prob p.txt");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  // The running times are the one figure that varies from run to run.
  const std::string out =
      std::regex_replace(run.out, std::regex("changes, [0-9.e+-]+ s\n"), "changes, <time> s\n");
  EXPECT_EQ(out,
            "n=3, m=2, double-precision arithmetic\n"
            "binomial moments S_0 .. S_2: 1, 1.5, 0.75\n"
            "lower bound: 0.75\n"
            "  status optimal, 0 basis changes, <time> s\n"
            "  basis {0,1,2,}\n"
            "  solution 0.25, 0, 0.75\n"
            "upper bound: 1\n"
            "  status optimal, 0 basis changes, <time> s\n"
            "  basis {0,1,3,}\n"
            "  solution 0, 0.75, 0.25\n");
}

TEST(Batch, JsonCarriesEveryFigureOfBothBounds) {
  ScratchDirectory dir;
  const Json report = RunJson(dir, "--n 3 --moments 1.5,0.9", 0);
  EXPECT_EQ(report["n"], 3);
  EXPECT_EQ(report["m"], 2);
  EXPECT_EQ(report["arithmetic"], "double");
  EXPECT_EQ(report["S"], Json::parse("[1.0, 1.5, 0.9]"));
  EXPECT_EQ(report["lower"]["status"], "optimal");
  EXPECT_EQ(report["lower"]["basis"], Json::parse("[0, 2, 3]"));
  EXPECT_EQ(report["lower"]["basis_changes"], 1);
  EXPECT_NEAR(report["lower"]["value"].get<double>(), 0.7, 1e-15);
  EXPECT_EQ(report["upper"]["basis"], Json::parse("[0, 1, 3]"));
  EXPECT_NEAR(report["upper"]["value"].get<double>(), 0.9, 1e-15);
  EXPECT_EQ(report["lower"]["solution"].size(), 3u);
  EXPECT_TRUE(report["lower"]["seconds"].is_number());
}

TEST(Batch, ExactModeTakesDecimalsAsWrittenAndGivesFractions) {
  ScratchDirectory dir;
  const Json report = RunJson(dir, "--n 3 --moments 1.5,0.9 --exact", 0);
  EXPECT_EQ(report["arithmetic"], "exact");
  EXPECT_EQ(report["S"], Json::parse(R"(["1", "3/2", "9/10"])"));
  EXPECT_EQ(report["lower"]["fraction"], "7/10");
  EXPECT_EQ(report["lower"]["value"], "0.7");
  EXPECT_EQ(report["lower"]["solution"], Json::parse(R"(["3/10", "3/5", "1/10"])"));
  EXPECT_EQ(report["upper"]["fraction"], "9/10");
}

// Where rounding makes the double walk repeat a basis, the exact walk reaches the optimum.
TEST(Batch, ExactModeFindsTheBoundWhereDoublesCycle) {
  ScratchDirectory dir;
  const ProgramRun doubles =
      RunBatch(dir.path(), std::string("--n 9 --json --moments ") + kRepeatingDecimals);
  EXPECT_EQ(doubles.exit_status, 1);
  EXPECT_EQ(Json::parse(doubles.out)["upper"]["status"], "cycle");
  EXPECT_EQ(Json::parse(doubles.out)["upper"]["value"], nullptr);
  EXPECT_TRUE(std::regex_search(doubles.err, std::regex("hint: .*--exact")));

  const Json exact = RunJson(dir, std::string("--n 9 --exact --moments ") + kRepeatingMoments, 0);
  EXPECT_EQ(exact["lower"]["fraction"], "313/330");
  // The distribution itself gives P(at least one) = 21/22, the largest value possible here.
  EXPECT_EQ(exact["upper"]["fraction"], "21/22");
  EXPECT_EQ(exact["upper"]["value"], "0.95454545454545454545");
}

TEST(Batch, ExactModeReadsTheFileExactly) {
  ScratchDirectory dir;
  // 0.1 + 0.2 is not 0.3 in doubles; exactly it is.
  dir.Write("p.txt", "0.1 0.2 0.3 0.01 0.02 0.03");
  const Json report = RunJson(dir, "--n 3 --m 2 --prob p.txt --exact", 0);
  EXPECT_EQ(report["S"], Json::parse(R"(["1", "3/5", "3/50"])"));
}

// The double mode is the interactive program's computation, bit for bit.
TEST(Batch, DoubleModeEqualsTheInteractiveComputation) {
  ScratchDirectory dir;
  const std::string text =
      "0.31 0.27 0.45 0.12 0.083 0.2 0.05 0.11 0.07 0.021 0.03 0.015 0.04 0.01";
  dir.Write("p.txt", text);
  for (int m = 1; m <= 3; ++m) {
    const Json report = RunJson(dir, "--n 4 --m " + std::to_string(m) + " --prob p.txt", 0);
    const Vector S = BinomialMoments(ParseProbabilities(text, 14).values, 4, m);
    const BoundReport interactive = ComputeBounds(4, m, S);
    EXPECT_EQ(report["lower"]["value"].get<double>(), interactive.lower.value) << m;
    EXPECT_EQ(report["upper"]["value"].get<double>(), interactive.upper.value) << m;
  }
}

TEST(Batch, ClassicalTableMarksTheTightestBounds) {
  ScratchDirectory dir;
  // Two events that always occur together and one that never meets them.
  dir.Write("p.txt", "0.4 0.4 0.3 0.4 0 0");
  const Json report = RunJson(dir, "--n 3 --m 2 --prob p.txt --classical", 0);
  bool spanning_tree = false;
  for (const Json& row : report["classical"]) {
    if (row["name"] == "Hunter-Worsley upper") {
      spanning_tree = true;
      EXPECT_NEAR(row["value"].get<double>(), 0.7, 1e-15);
      EXPECT_TRUE(row["tightest"].get<bool>());
    }
  }
  EXPECT_TRUE(spanning_tree);
}

struct Refusal {
  const char* name;
  const char* arguments;
  const char* err_pattern;
};

void PrintTo(const Refusal& row, std::ostream* os) {
  *os << row.name;
}

class BatchRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(BatchRefusal, SaysWhyWithStatusTwo) {
  ScratchDirectory dir;
  dir.Write("p.txt", kHalfAndQuarter);
  const ProgramRun run = RunBatch(dir.path(), GetParam().arguments);
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(std::regex_match(run.err, std::regex(GetParam().err_pattern))) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BatchRefusal,
    ::testing::Values(
        Refusal{"NoN", "--m 2 --prob p.txt", "unionbound-batch: --n is required\n"},
        Refusal{"NegativeN", "--n -3 --m 2 --prob p.txt", "unionbound-batch: --n: .*\n"},
        Refusal{"NoInput", "--n 3", "unionbound-batch: one of --prob .* is needed\n"},
        Refusal{"ProbWithoutM", "--n 3 --prob p.txt", "unionbound-batch: --prob requires --m\n"},
        Refusal{"BothInputs", "--n 3 --m 2 --prob p.txt --moments 1",
                "unionbound-batch: .*excludes.*\n"},
        Refusal{"NotANumber", "--n 3 --moments 1.5,x", "unionbound-batch: --moments: \"x\" .*\n"},
        Refusal{"EmptyItem", "--n 3 --moments 1.5,", "unionbound-batch: --moments: \"\" .*\n"},
        Refusal{"Overflow", "--n 3 --moments 1e999",
                "unionbound-batch: --moments: .*largest double\n"},
        Refusal{"HugeExactExponent", "--n 3 --exact --moments 1e-999999",
                "unionbound-batch: --moments: .*\n"},
        Refusal{"OrderAboveTheLimit", "--n 30 --m 21 --prob p.txt",
                "unionbound-batch: m=21 is too large: .*\n"},
        Refusal{"MissingFile", "--n 3 --m 2 --prob nothing.txt",
                "unionbound-batch: cannot read \"nothing.txt\": No such file or directory\n"},
        Refusal{"MissingFileExact", "--n 3 --m 2 --prob nothing.txt --exact",
                "unionbound-batch: cannot read \"nothing.txt\": No such file or directory\n"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

}  // namespace
}  // namespace unionbound
