// The progress line: its text, nothing at all off a terminal, and a line erased at the end.
#include "apps/common/progress_line.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

namespace unionbound {
namespace {

struct ProgressCase {
  const char* name;
  std::int64_t read;
  std::optional<std::int64_t> size;
  double seconds;
  const char* want;
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgressTextTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTextTest, ReadsAsAPerson) {
  const ProgressCase& c = GetParam();
  EXPECT_EQ(ProgressText("unionbound: ", "prob.txt", c.read, c.size, c.seconds), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgressTextTest,
    ::testing::Values(ProgressCase{"ShareSpeedAndTimeLeft", 1'000'000'000, 2'500'000'000, 2.0,
                                   "unionbound: reading \"prob.txt\": 40% at 500 MB/s, 3 s left"},
                      ProgressCase{"Done", 2'500'000'000, 2'500'000'000, 5.0,
                                   "unionbound: reading \"prob.txt\": 100% at 500 MB/s, 0 s left"},
                      ProgressCase{"NoTimeYet", 0, 100, 0.0,
                                   "unionbound: reading \"prob.txt\": 0% at 0 MB/s"},
                      // A file that grows while it is read shows no more than all of it.
                      ProgressCase{"FileGrew", 300, 200, 1.0,
                                   "unionbound: reading \"prob.txt\": 100% at 0 MB/s, 0 s left"},
                      ProgressCase{"SizeUnknown", 3'000'000'000, std::nullopt, 10.0,
                                   "unionbound: reading \"prob.txt\": 3000 MB at 300 MB/s"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressLine, OffATerminalShowsNothing) {
  std::ostringstream out;
  {
    ProgressLine line("unionbound: ", "prob.txt", 100, out, false, std::chrono::milliseconds(0));
    line.Update(50);
    line.Finish();
  }
  EXPECT_EQ(out.str(), "");
}

TEST(ProgressLine, OnATerminalShowsOneLineAndErasesIt) {
  std::ostringstream out;
  ProgressLine line("unionbound: ", "prob.txt", 100, out, true, std::chrono::milliseconds(0));
  line.Update(50);
  line.Update(60);  // within the fifth of a second: not shown again
  const std::string shown = out.str();
  ASSERT_EQ(shown.front(), '\r');
  EXPECT_NE(shown.find("50%"), std::string::npos) << shown;
  EXPECT_EQ(shown.find('\n'), std::string::npos) << shown;
  line.Finish();
  const std::string erased = out.str().substr(shown.size());
  EXPECT_EQ(erased, "\r" + std::string(shown.size() - 1, ' ') + "\r");
  line.Finish();  // a second Finish writes nothing
  EXPECT_EQ(out.str().size(), shown.size() + erased.size());
}

TEST(ProgressLine, QuietWhileTheReadIsShort) {
  std::ostringstream out;
  ProgressLine line("unionbound: ", "prob.txt", 100, out, true);
  line.Update(50);
  line.Finish();
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace unionbound
