// The batch program's bounds from every intersection given: the text report byte for byte, the
// JSON beside the sharp bounds of the same run (never wider) and the union of the distribution
// that wrote the file (always inside), and its refusals with their statuses.
#include <gtest/gtest.h>

#include <gmpxx.h>

#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "numeric/exact_number.h"
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

std::string MaskTimes(const std::string& text) {
  return std::regex_replace(text, std::regex("changes, [0-9.e+-]+ s\n"), "changes, <time> s\n");
}

TEST(BatchIndividual, TextReportFollowsTheSharpBounds) {
  ScratchDirectory dir;
  dir.Write("p.txt", kHalfAndQuarter);
  const ProgramRun run = RunBatch(dir.path(), "--n 3 --m 2 --prob p.txt --individual --exact");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(MaskTimes(run.out),
            "n=3, m=2, exact rational arithmetic\n"
            "binomial moments S_0 .. S_2: 1, 3/2 = 1.5, 3/4 = 0.75\n"
            "lower bound: 3/4 = 0.75\n"
            "  status optimal, 0 basis changes, <time> s\n"
            "  basis {0,1,2,}\n"
            "  solution 1/4 = 0.25, 0, 3/4 = 0.75\n"
            "upper bound: 1\n"
            "  status optimal, 0 basis changes, <time> s\n"
            "  basis {0,1,3,}\n"
            "  solution 0, 3/4 = 0.75, 1/4 = 0.25\n"
            "\n"
            "bounds from every intersection given:\n"
            "lower bound: 3/4 = 0.75\n"
            "  status optimal, 4 atoms, 7 basis changes, <time> s\n"
            "upper bound: 1\n"
            "  status optimal, 4 atoms, 1 basis changes, <time> s\n");
}

// Random systems of events: weights on a few of the 2^n atoms, written as the file of their
// intersections in exact decimals (weights in thousandths).
struct SystemCase {
  std::int32_t n;
  std::int32_t m;
  unsigned seed;
};

class BatchIndividualSystem : public ::testing::TestWithParam<SystemCase> {};

TEST_P(BatchIndividualSystem, InsideTheSharpBoundsAroundTheTruth) {
  const SystemCase c = GetParam();
  std::mt19937 random(c.seed);
  std::vector<std::int64_t> weights(std::size_t{1} << c.n, 0);
  std::uniform_int_distribution<std::size_t> atom(0, weights.size() - 1);
  std::int64_t left = 1000;
  while (left > 0) {
    const std::int64_t w =
        std::min<std::int64_t>(left, 1 + static_cast<std::int64_t>(random() % 90));
    weights[atom(random)] += w;
    left -= w;
  }
  std::string file;
  for (std::int32_t k = 1; k <= std::min(c.m, c.n); ++k) {
    // The subsets of k events in lexicographic order, as prob.txt lists them.
    std::vector<std::int32_t> chosen(static_cast<std::size_t>(k));
    for (std::int32_t i = 0; i < k; ++i) {
      chosen[static_cast<std::size_t>(i)] = i;
    }
    for (;;) {
      std::uint32_t subset = 0;
      for (const std::int32_t e : chosen) {
        subset |= std::uint32_t{1} << e;
      }
      std::int64_t sum = 0;
      for (std::size_t a = 0; a < weights.size(); ++a) {
        if ((a & subset) == subset) {
          sum += weights[a];
        }
      }
      file += std::to_string(sum / 1000) + "." + std::to_string(1000 + sum % 1000).substr(1) + " ";
      std::int32_t i = k - 1;
      while (i >= 0 && chosen[static_cast<std::size_t>(i)] == c.n - k + i) {
        --i;
      }
      if (i < 0) {
        break;
      }
      ++chosen[static_cast<std::size_t>(i)];
      for (std::int32_t j = i + 1; j < k; ++j) {
        chosen[static_cast<std::size_t>(j)] = chosen[static_cast<std::size_t>(j - 1)] + 1;
      }
    }
    file += "\n";
  }
  const mpq_class truth(1000 - weights[0], 1000);
  ScratchDirectory dir;
  dir.Write("p.txt", file);
  const Json report = RunJson(
      dir,
      "--n " + std::to_string(c.n) + " --m " + std::to_string(c.m) + " --prob p.txt --individual",
      0);
  const Json& individual = report["individual"];
  ASSERT_TRUE(individual["no_distribution_reason"].is_null());
  const mpq_class lower(individual["lower"]["fraction"].get<std::string>());
  const mpq_class upper(individual["upper"]["fraction"].get<std::string>());
  EXPECT_LE(lower, truth);
  EXPECT_GE(upper, truth);
  EXPECT_GE(lower, mpq_class(report["lower"]["fraction"].get<std::string>()));
  EXPECT_LE(upper, mpq_class(report["upper"]["fraction"].get<std::string>()));
  EXPECT_EQ(individual["lower"]["value"].get<double>(), NearestDouble(lower));
  EXPECT_GT(individual["lower"]["atoms"].get<int>(), 0);
  EXPECT_EQ(individual["lower"]["status"], "optimal");
}

INSTANTIATE_TEST_SUITE_P(Systems, BatchIndividualSystem,
                         ::testing::Values(SystemCase{4, 2, 1}, SystemCase{6, 2, 2},
                                           SystemCase{6, 3, 3}, SystemCase{8, 2, 4},
                                           SystemCase{5, 5, 5}, SystemCase{4, 9, 6}));

struct Refusal {
  const char* name;
  const char* file;
  const char* arguments;
  const char* err;  // the whole of standard error
  int status;
  bool report;  // the report is printed (the data were read; the intersections fit nothing)
};

void PrintTo(const Refusal& row, std::ostream* os) {
  *os << row.name;
}

class BatchIndividualRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(BatchIndividualRefusal, SaysWhyWithItsStatus) {
  const Refusal& c = GetParam();
  ScratchDirectory dir;
  dir.Write("p.txt", c.file);
  const ProgramRun run = RunBatch(dir.path(), c.arguments);
  EXPECT_EQ(run.exit_status, c.status);
  EXPECT_EQ(run.err, c.err);
  EXPECT_EQ(run.out.empty(), !c.report) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchIndividualRefusal,
    ::testing::Values(
        Refusal{"WithMoments", "", "--n 3 --moments 1.5 --individual",
                "unionbound-batch: --individual requires --prob; try 'unionbound-batch --help'\n",
                2, false},
        Refusal{"TooManyEvents", "0.5", "--n 21 --m 1 --prob p.txt --individual",
                "unionbound-batch: the bounds from every intersection take n up to 20 (2^n "
                "atoms), not n=21; try 'unionbound-batch --help'\n",
                2, false},
        Refusal{"TooManyRows", "0.5", "--n 20 --m 4 --prob p.txt --individual",
                "unionbound-batch: the bounds from every intersection take at most 2048 "
                "intersections (with the empty one) unless every order is given; n=20, m=4 "
                "give 6196; try 'unionbound-batch --help'\n",
                2, false},
        // The sums fit a distribution (S_1 = 1.2, S_2 = 0.3), the pairs do not: P(A_1 A_2)
        // above P(A_2).
        Refusal{"PairAboveItsEvent", "0.5 0.2 0.5\n0.25 0.05 0\n",
                "--n 3 --m 2 --prob p.txt --individual",
                "unionbound-batch: the intersections as written fit no probability distribution: "
                "the probabilities given for events 1 and 2 fit no distribution: the probability "
                "that event 2 occurs and event 1 does not would be -0.05; no bound from every "
                "intersection exists\n",
                5, true},
        Refusal{"PartOfAStep", "0.5", "--n 1 --m 1 --prob p.txt --partial --individual",
                "unionbound-batch: --partial prints a step of the work, not bounds: it takes no "
                "--json, --exact, --classical, --individual, --at-least, --exactly, --by-order, "
                "--plot or --accept-short; try 'unionbound-batch --help'\n",
                2, false}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

}  // namespace
}  // namespace unionbound
