// Every option that a program's --help names is in its manual page, with the sections a reader
// looks for: a manual page that falls behind the program is caught here.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::ProgramRun;
using testing::ReadWholeFile;
using testing::RunBatch;
using testing::RunProgram;
using testing::ScratchDirectory;

// The options named in a text: "--word" and "-h".
std::set<std::string> OptionsIn(const std::string& text) {
  static const std::regex kOption("(^|[^-\\w])(--[a-z][a-z-]*|-h)\\b");
  std::set<std::string> options;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), kOption);
       it != std::sregex_iterator(); ++it) {
    options.insert((*it)[2]);
  }
  return options;
}

// The manual page as it reads: roff's escaped dashes plain.
std::string ManualText(const std::string& name) {
  std::string text = ReadWholeFile(std::string(UNIONBOUND_SOURCE_DIR) + "/man/" + name + ".1");
  return std::regex_replace(text, std::regex("\\\\-"), "-");
}

struct Program {
  const char* name;
  bool batch;
};

class Manual : public ::testing::TestWithParam<Program> {};

TEST_P(Manual, NamesEveryOptionOfHelpAndTheSectionsAReaderLooksFor) {
  ScratchDirectory dir;
  const ProgramRun help = GetParam().batch ? RunBatch(dir.path(), "--help")
                                           : RunProgram(dir.path(), "", false, "--help");
  ASSERT_EQ(help.exit_status, 0);
  const std::set<std::string> options = OptionsIn(help.out);
  EXPECT_TRUE(options.count("--help") == 1 && options.count("-h") == 1) << help.out;
  const std::string manual = ManualText(GetParam().name);
  ASSERT_FALSE(manual.empty());
  for (const std::string& option : options) {
    EXPECT_TRUE(std::regex_search(manual, std::regex("(^|[^-\\w])" + option + "\\b")))
        << option << " is in --help but not in the manual page";
  }
  for (const char* section : {".SH OPTIONS", ".SH EXIT STATUS", ".SH ENVIRONMENT", ".SH FILES",
                              "UNIONBOUND_THREADS", "prob.txt"}) {
    EXPECT_NE(manual.find(section), std::string::npos) << section;
  }
  // The help names its program and its manual page, and says what each status means.
  EXPECT_NE(help.out.find(std::string("Usage: ") + GetParam().name + " "), std::string::npos)
      << help.out;
  EXPECT_NE(help.out.find(std::string(GetParam().name) + "(1)"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos) << help.out;
}

INSTANTIATE_TEST_SUITE_P(Programs, Manual,
                         ::testing::Values(Program{"unionbound", false},
                                           Program{"unionbound-batch", true}),
                         [](const auto& info) {
                           return std::string(info.param.batch ? "Batch" : "Interactive");
                         });

}  // namespace
}  // namespace unionbound
