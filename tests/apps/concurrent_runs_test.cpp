// Runs started at once in one folder: each appends its whole report to the one "result.txt",
// none is lost or cut into another.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::ScratchDirectory;

// One report, whatever its figures; the header names its order.
const std::string kReport =
    "n=3, m=([12])\\nThe binomial moments:\\n\\{[^\\n]*\\}\\n"
    "\\nSharp lower bound on the probability of the union:\\n[^\\n]+\\nRunning time: [^\\n]+\\n"
    "Basis subscripts:\\n\\{[^\\n]*\\}\\n"
    "\\nSharp upper bound on the probability of the union:\\n[^\\n]+\\nRunning time: [^\\n]+\\n"
    "Basis subscripts:\\n\\{[^\\n]*\\}\\n\\n";

TEST(ConcurrentRuns, EveryReportArrivesWhole) {
  constexpr int kRuns = 30;
  ScratchDirectory dir;
  dir.Write("prob.txt", "0.5 0.5 0.5 0.25 0.25 0.25\n");
  dir.Write("order1", "3\n1\n\n");
  dir.Write("order2", "3\n2\n\n");
  // Every run is started before any is waited for; half ask for one order, half for two, so
  // that reports of two lengths interleave if they can.
  const std::string line = "cd '" + dir.path().string() + "' && for k in $(seq " +
                           std::to_string(kRuns / 2) +
                           "); do for m in 1 2; do '" UNIONBOUND_PROGRAM
                           "' < order$m > /dev/null 2>&1 & done; done; wait";
  ASSERT_EQ(std::system(line.c_str()), 0);

  const std::string result = dir.Read("result.txt");
  const std::regex report(kReport);
  int reports[3] = {0, 0, 0};
  std::size_t covered = 0;
  for (auto it = std::sregex_iterator(result.begin(), result.end(), report);
       it != std::sregex_iterator(); ++it) {
    // Reports follow each other with nothing between them.
    ASSERT_EQ(static_cast<std::size_t>(it->position()), covered) << result;
    covered += static_cast<std::size_t>(it->length());
    ++reports[std::stoi((*it)[1])];
  }
  EXPECT_EQ(covered, result.size()) << result;
  EXPECT_EQ(reports[1], kRuns / 2);
  EXPECT_EQ(reports[2], kRuns / 2);
}

}  // namespace
}  // namespace unionbound
