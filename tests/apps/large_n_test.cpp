// Runs on many events: the walks take the nodes 0 .. n in closed form and find a repeated basis
// with two bases held, so that neither the memory nor, on a short walk, the time grows with n;
// a long walk jumps across runs of equal basis changes, and its report is the one the walk of
// single steps gave, basis changes counted one by one.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "bounds/solve_question.h"
#include "input/exact_decimal.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::ProgramRun;
using testing::RunBatch;
using testing::ScratchDirectory;

struct LargeRun {
  const char* name;
  const char* arguments;  // --n N --moments S_1,...,S_m
  const char* out;
  // The walk of single steps is compared in the library too, where it takes under a second.
  bool single_steps_compared = true;
};

void PrintTo(const LargeRun& row, std::ostream* os) {
  *os << row.name;
}

class LargeBatchRun : public ::testing::TestWithParam<LargeRun> {};

constexpr const char* kIndependentEventsOut =
    "n=100000, m=3, exact rational arithmetic\n"
    "binomial moments S_0 .. S_3: 1, 30000, 449995500, 4499865000900\n"
    "lower bound: 0.9999836670710976\n"
    "  status optimal, 29999 basis changes, <seconds> s\n"
    "  basis {0,30000,30001,100000,}\n"
    "  solution 1.6332928902369922e-05, 0.599994, 0.399988381364159, 1.2857069386705524e-06\n"
    "upper bound: 1\n"
    "  status optimal, 30287 basis changes, <seconds> s\n"
    "  basis {29855,29856,30145,30146,}\n"
    "  solution 0.35691432634198367, 0.14377759217277175, 0.4424293043789524, "
    "0.056878777106292217\n";

// The seconds are the only figures that vary from run to run.
std::string WithoutSeconds(const std::string& text) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(" changes, "); at != std::string::npos;
       at = text.find(" changes, ", from)) {
    const std::size_t end = text.find(" s\n", at);
    out += text.substr(from, at + 10 - from) + "<seconds>";
    from = end;
  }
  return out + text.substr(from);
}

TEST_P(LargeBatchRun, GivesTheBounds) {
  ScratchDirectory dir;
  dir.Write("p.txt", "0.5 0.5 0.5 0.25 0.25 0.25");
  const ProgramRun run = RunBatch(dir.path(), GetParam().arguments);
  EXPECT_EQ(run.exit_status, 0) << run.err;
  EXPECT_EQ(WithoutSeconds(run.out), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LargeBatchRun,
    ::testing::Values(LargeRun{"BillionEvents", "--n 1000000000 --moments 1.5,0.75",
                               "n=1000000000, m=2, exact rational arithmetic\n"
                               "binomial moments S_0 .. S_2: 1, 1.5, 0.75\n"
                               "lower bound: 0.75\n"
                               "  status optimal, 0 basis changes, <seconds> s\n"
                               "  basis {0,1,2,}\n"
                               "  solution 0.25, 0, 0.75\n"
                               "upper bound: 1\n"
                               "  status optimal, 1 basis changes, <seconds> s\n"
                               "  basis {1,2,1000000000,}\n"
                               "  solution 0.5000000005, 0.4999999995, 5.000000015e-19\n"},
                      LargeRun{"LargestNOddOrder", "--n 2147483647 --moments 3/2",
                               "n=2147483647, m=1, exact rational arithmetic\n"
                               "binomial moments S_0 .. S_1: 1, 1.5\n"
                               "lower bound: 6.984919312868695e-10\n"
                               "  status optimal, 0 basis changes, <seconds> s\n"
                               "  basis {0,2147483647,}\n"
                               "  solution 0.9999999993015081, 6.984919312868695e-10\n"
                               "upper bound: 1\n"
                               "  status optimal, 1 basis changes, <seconds> s\n"
                               "  basis {1,2,}\n"
                               "  solution 0.5, 0.5\n"},
                      // S_1 = n/2 with n up to 10^8: the upper bound's walk of n/2 basis
                      // changes, which took single steps 5 s and 44 s.
                      LargeRun{"TenMillionEventsHalfEach", "--n 10000000 --moments 5000000",
                               "n=10000000, m=1, exact rational arithmetic\n"
                               "binomial moments S_0 .. S_1: 1, 5e+06\n"
                               "lower bound: 0.5\n"
                               "  status optimal, 0 basis changes, <seconds> s\n"
                               "  basis {0,10000000,}\n"
                               "  solution 0.5, 0.5\n"
                               "upper bound: 1\n"
                               "  status optimal, 4999999 basis changes, <seconds> s\n"
                               "  basis {4999999,5000000,}\n"
                               "  solution 0, 1\n",
                               false},
                      LargeRun{"HundredMillionEventsHalfEach", "--n 100000000 --moments 50000000",
                               "n=100000000, m=1, exact rational arithmetic\n"
                               "binomial moments S_0 .. S_1: 1, 5e+07\n"
                               "lower bound: 0.5\n"
                               "  status optimal, 0 basis changes, <seconds> s\n"
                               "  basis {0,100000000,}\n"
                               "  solution 0.5, 0.5\n"
                               "upper bound: 1\n"
                               "  status optimal, 49999999 basis changes, <seconds> s\n"
                               "  basis {49999999,50000000,}\n"
                               "  solution 0, 1\n",
                               false},
                      // 10^5 independent events of probability 3/10, S_i = C(n, i) (3/10)^i:
                      // both walks go out to the mean.
                      LargeRun{"HundredThousandIndependentEvents",
                               "--n 100000 --moments 30000,449995500,4499865000900",
                               kIndependentEventsOut}),
    [](const ::testing::TestParamInfo<LargeRun>& info) { return std::string(info.param.name); });

// The bounds the batch program reports, by the exact walks that jump and by single steps.
TEST_P(LargeBatchRun, BoundsAreTheSameWithSingleSteps) {
  if (!GetParam().single_steps_compared) {
    GTEST_SKIP() << "the single steps take too long here";
  }
  std::istringstream arguments(GetParam().arguments);
  std::string option;
  std::int32_t n = 0;
  std::string moments;
  arguments >> option >> n >> option >> moments;
  SequenceOf<Rational> S{Rational(1)};
  std::istringstream items(moments);
  for (std::string item; std::getline(items, item, ',');) {
    S.push_back(*ExactDecimalOrFraction(item));
  }
  const QuestionBounds jumps = SolveQuestion(kUnion, n, S);
  const QuestionBounds steps = SolveQuestion(kUnion, n, S, WalkStride::kOneStep);
  for (const auto& [got, want] :
       {std::pair{&jumps.lower, &steps.lower}, std::pair{&jumps.upper, &steps.upper}}) {
    EXPECT_EQ(got->found, want->found);
    EXPECT_EQ(got->value, want->value);
    EXPECT_EQ(got->basis, want->basis);
    EXPECT_EQ(got->solution, want->solution);
    EXPECT_EQ(got->status, want->status);
    EXPECT_EQ(got->basis_changes, want->basis_changes);
  }
}

}  // namespace
}  // namespace unionbound
