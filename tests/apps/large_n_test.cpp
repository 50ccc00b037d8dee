// Runs on many events: the walks take the nodes 0 .. n in closed form and find a repeated basis
// with two bases held, so that neither the memory nor, on a short walk, the time grows with n.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::ProgramRun;
using testing::RunBatch;
using testing::ScratchDirectory;

struct LargeRun {
  const char* name;
  const char* arguments;
  const char* out;
};

void PrintTo(const LargeRun& row, std::ostream* os) {
  *os << row.name;
}

class LargeBatchRun : public ::testing::TestWithParam<LargeRun> {};

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
                               "  solution 0.5, 0.5\n"}),
    [](const ::testing::TestParamInfo<LargeRun>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unionbound
