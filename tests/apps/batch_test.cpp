// The batch program run as scripts run it: its text and JSON reports, its exit statuses, its
// exact computation shown as the nearest doubles (and as fractions on request), agreeing with
// the interactive program's checked bounds.
#include <gtest/gtest.h>

#include <gmpxx.h>
#include <cmath>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "apps/unionbound/bound_stage.h"
#include "input/probability_input.h"
#include "moments/binomial_moments.h"
#include "tests/support/batch_runs.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using Json = nlohmann::json;
using testing::kHalfAndQuarter;
using testing::ProgramRun;
using testing::RunBatch;
using testing::RunJson;
using testing::ScratchDirectory;

// n = 9, m = 7: the binomial moments of (1, 2, 2, 7, 0, 7, 0, 3, 0, 0) / 22, on which the
// double-precision maximum walks back to a basis it left.
constexpr const char* kRepeatingMoments = "83/22,78/11,91/11,70/11,35/11,21/22,3/22";
constexpr const char* kRepeatingDecimals =
    "3.7727272727272729,7.0909090909090899,8.2727272727272734,6.3636363636363633,"
    "3.1818181818181817,0.95454545454545447,0.13636363636363635";

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
            "n=3, m=2, exact rational arithmetic\n"
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
  EXPECT_EQ(report["arithmetic"], "exact");
  EXPECT_EQ(report["S"], Json::parse("[1.0, 1.5, 0.9]"));
  EXPECT_EQ(report["S_fractions"], Json::parse(R"(["1", "3/2", "9/10"])"));
  EXPECT_EQ(report["lower"]["status"], "optimal");
  EXPECT_EQ(report["lower"]["basis"], Json::parse("[0, 2, 3]"));
  EXPECT_EQ(report["lower"]["basis_changes"], 1);
  // The nearest doubles of 7/10 and 9/10, not merely values near them.
  EXPECT_EQ(report["lower"]["value"].get<double>(), 0.7);
  EXPECT_EQ(report["lower"]["fraction"], "7/10");
  EXPECT_EQ(report["upper"]["basis"], Json::parse("[0, 1, 3]"));
  EXPECT_EQ(report["upper"]["value"].get<double>(), 0.9);
  EXPECT_EQ(report["lower"]["solution"], Json::parse("[0.3, 0.6, 0.1]"));
  EXPECT_EQ(report["lower"]["solution_fractions"], Json::parse(R"(["3/10", "3/5", "1/10"])"));
  EXPECT_TRUE(report["lower"]["seconds"].is_number());
}

// Every key keeps its type whatever the options: numbers stay numbers, fractions strings, and a
// bound that does not exist is null in both.
TEST(Batch, JsonKeysKeepTheirTypesInEveryMode) {
  ScratchDirectory dir;
  for (const char* arguments :
       {"--n 3 --moments 1.5,0.9", "--n 3 --moments 1.5,0.9 --exact", "--n 3 --moments 2,0.5"}) {
    const bool infeasible = std::string(arguments).find("2,0.5") != std::string::npos;
    const Json report = RunJson(dir, arguments, infeasible ? 5 : 0);
    for (const Json& s : report["S"]) {
      EXPECT_TRUE(s.is_number()) << arguments;
    }
    for (const Json& s : report["S_fractions"]) {
      EXPECT_TRUE(s.is_string()) << arguments;
    }
    for (const char* side : {"lower", "upper"}) {
      const Json& bound = report[side];
      EXPECT_TRUE(infeasible ? bound["value"].is_null() : bound["value"].is_number()) << arguments;
      EXPECT_TRUE(infeasible ? bound["fraction"].is_null() : bound["fraction"].is_string())
          << arguments;
      EXPECT_EQ(bound["status"], infeasible ? "infeasible" : "optimal") << arguments;
    }
  }
}

TEST(Batch, ExactOptionShowsTheFractionsBesideTheDoubles) {
  ScratchDirectory dir;
  const ProgramRun run = RunBatch(dir.path(), "--n 3 --moments 1.5,0.9 --exact");
  EXPECT_EQ(run.exit_status, 0);
  const std::string out =
      std::regex_replace(run.out, std::regex("changes, [0-9.e+-]+ s\n"), "changes, <time> s\n");
  EXPECT_EQ(out,
            "n=3, m=2, exact rational arithmetic\n"
            "binomial moments S_0 .. S_2: 1, 3/2 = 1.5, 9/10 = 0.9\n"
            "lower bound: 7/10 = 0.7\n"
            "  status optimal, 1 basis changes, <time> s\n"
            "  basis {0,2,3,}\n"
            "  solution 3/10 = 0.3, 3/5 = 0.6, 1/10 = 0.1\n"
            "upper bound: 9/10 = 0.9\n"
            "  status optimal, 0 basis changes, <time> s\n"
            "  basis {0,1,3,}\n"
            "  solution 1/10 = 0.1, 3/5 = 0.6, 3/10 = 0.3\n");
}

// Where rounding makes the double walk repeat a basis, the exact computation reaches the
// optimum, from the fractions and from their 17-digit decimals alike.
TEST(Batch, FindsTheBoundWhereDoublesCycle) {
  ScratchDirectory dir;
  const Json decimals = RunJson(dir, std::string("--n 9 --moments ") + kRepeatingDecimals, 0);
  EXPECT_EQ(decimals["upper"]["status"], "optimal");
  EXPECT_NEAR(decimals["upper"]["value"].get<double>(), 21.0 / 22.0, 1e-12);

  const Json exact = RunJson(dir, std::string("--n 9 --exact --moments ") + kRepeatingMoments, 0);
  EXPECT_EQ(exact["lower"]["fraction"], "313/330");
  // The distribution itself gives P(at least one) = 21/22, the largest value possible here.
  EXPECT_EQ(exact["upper"]["fraction"], "21/22");
  EXPECT_EQ(exact["upper"]["value"].get<double>(), 21.0 / 22.0);
}

TEST(Batch, ReadsTheFileExactly) {
  ScratchDirectory dir;
  // 0.1 + 0.2 is not 0.3 in doubles; exactly it is.
  dir.Write("p.txt", "0.1 0.2 0.3 0.01 0.02 0.03");
  const Json report = RunJson(dir, "--n 3 --m 2 --prob p.txt", 0);
  EXPECT_EQ(report["S_fractions"], Json::parse(R"(["1", "3/5", "3/50"])"));
  EXPECT_EQ(report["S"][1].get<double>(), 0.6);
}

// Where the double walk is right, the batch program's nearest double of the exact optimum and
// the interactive program's bound agree to within the check's 1e-9.
TEST(Batch, AgreesWithTheInteractiveComputation) {
  ScratchDirectory dir;
  const std::string text =
      "0.31 0.27 0.45 0.12 0.083 0.2 0.05 0.11 0.07 0.021 0.03 0.015 0.04 0.01";
  dir.Write("p.txt", text);
  for (int m = 1; m <= 3; ++m) {
    const Json report = RunJson(dir, "--n 4 --m " + std::to_string(m) + " --prob p.txt", 0);
    ReadPlan plan = MomentBlocks(4, m);
    plan.exact = false;
    Vector S{1.0};
    const ProbabilityRead read = ParseProbabilities(text, plan);
    S.insert(S.end(), read.block_sums.begin(), read.block_sums.end());
    const BoundReport interactive = ComputeBounds(4, m, S);
    EXPECT_NEAR(report["lower"]["value"].get<double>(), interactive.lower.value, 1e-9) << m;
    EXPECT_NEAR(report["upper"]["value"].get<double>(), interactive.upper.value, 1e-9) << m;
  }
}

// Data that fit no distribution: no bound, status 5, and the reason on standard error.
TEST(Batch, DataThatFitNoDistributionHaveNoBound) {
  ScratchDirectory dir;
  const ProgramRun moments = RunBatch(dir.path(), "--n 3 --moments 2,0.5");
  EXPECT_EQ(moments.exit_status, 5);
  EXPECT_EQ(moments.err,
            "unionbound-batch: the data as written fit no probability distribution: S_1 = 2 and "
            "S_2 = 0.5 give the number of events that occur the negative variance -1; no bound "
            "exists\n");
  dir.Write("p.txt", "0.5 1.5 0.5 0.25 0.25 0.25");
  const ProgramRun file = RunBatch(dir.path(), "--n 3 --m 2 --prob p.txt --json");
  EXPECT_EQ(file.exit_status, 5);
  EXPECT_TRUE(std::regex_search(
      file.err, std::regex("fit no probability distribution: number 2 of \"p\\.txt\", 1\\.5, "
                           "lies outside \\[0, 1\\]")))
      << file.err;
  EXPECT_EQ(Json::parse(file.out)["upper"]["value"], nullptr);
  // A moment beyond the range of a double is exact all the same, and fits no distribution.
  const ProgramRun huge = RunBatch(dir.path(), "--n 3 --moments 1e999 --json");
  EXPECT_EQ(huge.exit_status, 5);
  EXPECT_EQ(Json::parse(huge.out)["S"][1], nullptr);
}

// The limit of 20 orders belongs to the double walk: exact arithmetic takes every order.
TEST(Batch, TakesOrdersFarAboveTwenty) {
  ScratchDirectory dir;
  // The binomial moments of n = 40 independent events of probability 1/2: C(40, i) / 2^i.
  std::string moments;
  mpz_class binomial = 1;
  for (int i = 1; i <= 30; ++i) {
    binomial = binomial * (40 - i + 1) / i;
    moments += (i > 1 ? "," : "") + mpq_class(binomial, mpz_class(1) << i).get_str();
  }
  const Json report = RunJson(dir, "--n 40 --moments " + moments, 0);
  const double exact = 1.0 - std::ldexp(1.0, -40);  // P(at least one) of the true distribution
  EXPECT_LE(report["lower"]["value"].get<double>(), exact);
  EXPECT_GE(report["upper"]["value"].get<double>(), exact);
  EXPECT_NEAR(report["upper"]["value"].get<double>() - report["lower"]["value"].get<double>(), 0,
              1e-9);
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

// The classical bounds are exact bounds rounded once, in the table and in the rows by order:
// 0.3 - 0.1 is 0.2 here, not the 0.19999999999999998 of the doubles.
TEST(Batch, ClassicalBoundsOfExactMomentsAreRoundedOnce) {
  ScratchDirectory dir;
  const Json report = RunJson(dir, "--n 3 --moments 0.3,0.1 --classical --by-order", 0);
  bool seen = false;
  for (const Json& row : report["classical"]) {
    if (row["name"] == "Bonferroni B2" || row["name"] == "Dawson-Sankoff lower") {
      seen = true;
      EXPECT_EQ(row["value"].get<double>(), 0.2) << row["name"];
    }
  }
  EXPECT_TRUE(seen);
  ASSERT_EQ(report["by_order"].size(), 2u);
  EXPECT_EQ(report["by_order"][1]["bonferroni"].get<double>(), 0.2);
  EXPECT_EQ(report["by_order"][1]["dawson_sankoff_lower"].get<double>(), 0.2);
  const ProgramRun text = RunBatch(dir.path(), "--n 3 --moments 0.3,0.1 --classical");
  EXPECT_EQ(text.out.find("0.19999999999999998"), std::string::npos) << text.out;
}

TEST(Batch, VersionAndSpacesAfterCommas) {
  ScratchDirectory dir;
  const ProgramRun version = RunBatch(dir.path(), "--version");
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_TRUE(
      std::regex_match(version.out, std::regex("unionbound-batch [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << version.out;
  const Json spaced = RunJson(dir, "--n 3 --moments '1.5, 0.75'", 0);
  EXPECT_EQ(spaced["S_fractions"], Json::parse(R"(["1", "3/2", "3/4"])"));
}

// A report that cannot be written is a failure, whatever the bounds: status 3 and why, in
// either format.
TEST(Batch, StandardOutputThatCannotBeWrittenIsStatusThree) {
  ScratchDirectory dir;
  for (const char* format : {"", " --json"}) {
    const ProgramRun run =
        RunBatch(dir.path(), std::string("--n 3 --moments 1.5,0.75") + format, "/dev/full");
    EXPECT_EQ(run.exit_status, 3) << format;
    EXPECT_EQ(run.err,
              "unionbound-batch: cannot write standard output (No space left on device); the "
              "report was not shown whole\n")
        << format;
  }
}

struct Refusal {
  const char* name;
  const char* arguments;
  // What standard error says, before the pointer to --help that follows a refusal of the
  // arguments (status 2).
  const char* err_pattern;
  int status = 2;  // 1 for a file that cannot be used, 6 for a picture that cannot be written
};

void PrintTo(const Refusal& row, std::ostream* os) {
  *os << row.name;
}

class BatchRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(BatchRefusal, SaysWhyInOneLineWithItsStatus) {
  ScratchDirectory dir;
  dir.Write("p.txt", kHalfAndQuarter);
  const ProgramRun run = RunBatch(dir.path(), GetParam().arguments);
  EXPECT_EQ(run.exit_status, GetParam().status);
  EXPECT_EQ(run.out, "");
  std::string err = run.err;
  const std::string try_help = "; try 'unionbound-batch --help'\n";
  if (GetParam().status == 2) {
    ASSERT_GE(err.size(), try_help.size()) << err;
    EXPECT_EQ(err.substr(err.size() - try_help.size()), try_help);
    err = err.substr(0, err.size() - try_help.size()) + "\n";
  }
  EXPECT_TRUE(std::regex_match(err, std::regex(GetParam().err_pattern))) << run.err;
  EXPECT_FALSE(dir.Exists("plot.svg"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BatchRefusal,
    ::testing::Values(
        Refusal{"NoN", "--m 2 --prob p.txt", "unionbound-batch: --n is required\n"},
        Refusal{"NegativeN", "--n -3 --m 2 --prob p.txt", "unionbound-batch: --n: .*\n"},
        // Short and plain: the value given and the range taken, no largest double written out.
        Refusal{"NotAWholeN", "--n abc --moments 1",
                "unionbound-batch: --n: \"abc\" is not a whole number from 0 to 2147483647\n"},
        Refusal{"NBeyond32Bits", "--n 99999999999 --moments 1",
                "unionbound-batch: --n: \"99999999999\" is not a whole number from 0 to "
                "2147483647\n"},
        Refusal{"NotAWholeM", "--n 3 --m 2.5 --prob p.txt",
                "unionbound-batch: --m: \"2\\.5\" is not a whole number from 0 to 2147483647\n"},
        Refusal{"SingleDash", "-n 3 --moments 1",
                "unionbound-batch: -n: the options take two dashes: --n\n"},
        Refusal{"NoInput", "--n 3", "unionbound-batch: one of --prob .* is needed\n"},
        Refusal{"ProbWithoutM", "--n 3 --prob p.txt", "unionbound-batch: --prob requires --m\n"},
        Refusal{"BothInputs", "--n 3 --m 2 --prob p.txt --moments 1",
                "unionbound-batch: .*excludes.*\n"},
        Refusal{"NotANumber", "--n 3 --moments 1.5,x", "unionbound-batch: --moments: \"x\" .*\n"},
        Refusal{"EmptyItem", "--n 3 --moments 1.5,", "unionbound-batch: --moments: \"\" .*\n"},
        Refusal{"HugeExactExponent", "--n 3 --exact --moments 1e-999999",
                "unionbound-batch: --moments: .*\n"},
        Refusal{"CountBeyond64Bits", "--n 1000000 --m 1000 --prob p.txt",
                "unionbound-batch: n=1000000 and m=1000 need more intersection probabilities "
                "than a 64-bit count holds; no run handles that many\n"},
        Refusal{"MissingFile", "--n 3 --m 2 --prob nothing.txt",
                "unionbound-batch: cannot read \"nothing.txt\": No such file or directory\n", 1},
        Refusal{"MissingFileExact", "--n 3 --m 2 --prob nothing.txt --exact",
                "unionbound-batch: cannot read \"nothing.txt\": No such file or directory\n", 1},
        Refusal{"UnknownOption", "--n 3 --moments 1 --bogus",
                "unionbound-batch: unknown option --bogus\n"},
        Refusal{"UnknownOptionBeforeMissingN", "--bogus",
                "unionbound-batch: unknown option --bogus\n"},
        // A mis-typed option leaves its value behind too: the option is named, not the value.
        Refusal{"MisspeltOptionWithItsValue", "--n 3 --moment 1",
                "unionbound-batch: unknown option --moment\n"},
        Refusal{"ValueNoOptionAskedFor", "--n 3 --moments 1 0.5",
                "unionbound-batch: unexpected argument \"0\\.5\"\n"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

// The questions and the picture, refused before anything is computed or drawn.
INSTANTIATE_TEST_SUITE_P(
    Questions, BatchRefusal,
    ::testing::Values(
        Refusal{"AtLeastZero", "--n 3 --moments 1.5 --at-least 0 --plot plot.svg",
                "unionbound-batch: --at-least \"0\": R must be a whole number from 1 to n=3\n"},
        Refusal{"AtLeastAboveN", "--n 3 --m 2 --prob p.txt --at-least 4",
                "unionbound-batch: --at-least \"4\": R must be a whole number from 1 to n=3\n"},
        Refusal{"ExactlyNegative", "--n 3 --moments 1.5 --exactly=-2",
                "unionbound-batch: --exactly \"-2\": R must be a whole number from 1 to n=3\n"},
        Refusal{"ExactlyNotWhole", "--n 3 --moments 1.5 --exactly 1.5",
                "unionbound-batch: --exactly \"1.5\": R must be .*\n"},
        Refusal{"ExactlyWord", "--n 3 --moments 1.5 --exactly two",
                "unionbound-batch: --exactly \"two\": R must be .*\n"},
        Refusal{"AtLeastBeyond64Bits", "--n 3 --moments 1.5 --at-least 99999999999999999999",
                "unionbound-batch: --at-least \"99999999999999999999\": R must be .*\n"},
        Refusal{"AtLeastEmpty", "--n 3 --moments 1.5 --at-least ''",
                "unionbound-batch: --at-least \"\": R must be .*\n"},
        Refusal{"NoEventsToAskAbout", "--n 0 --moments 0 --exactly 1",
                "unionbound-batch: --exactly \"1\": R must be a whole number from 1 to n=0\n"},
        Refusal{"BothQuestions", "--n 3 --moments 1.5 --at-least 1 --exactly 1",
                "unionbound-batch: .*excludes.*\n"},
        Refusal{"PlotIntoNoDirectory", "--n 3 --moments 1.5 --plot no/such/plot.svg",
                "unionbound-batch: cannot write the plot to \"no/such/plot\\.svg\"\n", 6},
        // The picture is SVG whatever the name says; a name that says otherwise is refused.
        Refusal{"PlotNotSvg", "--n 3 --moments 1.5 --plot plot.png",
                "unionbound-batch: --plot \"plot\\.png\": the picture is SVG, so its file name "
                "ends in \\.svg\n"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

}  // namespace
}  // namespace unionbound
