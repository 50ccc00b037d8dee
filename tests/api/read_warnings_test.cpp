// The same mis-typed "prob.txt" through every face: the interactive program, the batch program
// and the library must say the same of its reading, line for line, and none may give a bound
// from a file it did not read whole without saying so: the interactive program keeps its bytes
// and ends with status 4, the batch program and the library refuse unless told to accept. Each face
// adds lines of its own (a note that no distribution fits, that no bound exists), so only the
// reading's lines are compared: its warnings, which all start "warning: " and name the file, and
// its refusal, the last line a refusing program prints.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"
#include "unionbound/unionbound.h"

namespace unionbound {
namespace {

using testing::LinesWithout;
using testing::ProgramRun;
using testing::RunBatch;
using testing::RunProgram;
using testing::ScratchDirectory;

// The lines that are warnings of the read of "prob.txt".
std::vector<std::string> ReadingWarnings(const std::vector<std::string>& lines) {
  std::vector<std::string> warnings;
  for (const std::string& line : lines) {
    if (line.rfind("warning: ", 0) == 0 && line.find("\"prob.txt\"") != std::string::npos) {
      warnings.push_back(line);
    }
  }
  return warnings;
}

struct MistypedFile {
  const char* name;
  std::optional<std::string> text;  // none: no file at all
  std::int32_t n;
  std::int32_t m;
  // A piece of each reading warning expected, in order, so that the faces cannot agree by all
  // saying nothing.
  std::vector<std::string> warnings;
  // A piece of the refusal; empty when the read can be used.
  std::string refusal;
};

void PrintTo(const MistypedFile& row, std::ostream* os) {
  *os << row.name;
}

const std::string kCommaCause = "a comma between numbers?";
const std::string kHeaderCause = "a header or comment line?";

const MistypedFile kFiles[] = {
    {"Commas",
     "0.5, 0.5, 0.5\n0.25, 0.25, 0.25\n",
     3,
     2,
     {"stopped at line 1, column 4, at \",\", which is not a number: " + kCommaCause,
      "gave 1 of the 6 numbers needed"},
     ""},
    {"DecimalComma",
     "0,5 0,5",
     3,
     2,
     {"stopped at line 1, column 2, at \",5\", which is not a number: a decimal comma?",
      "gave 1 of the 6 numbers needed"},
     ""},
    {"PercentSign",
     "50% 50% 50%\n25% 25% 25%\n",
     3,
     2,
     {"stopped at line 1, column 3, at \"%\", which is not a number: a percentage?",
      "gave 1 of the 6 numbers needed",
      "1 of the 1 numbers read from \"prob.txt\" is no probability"},
     ""},
    {"Fraction",
     "1/2 1/2 1/2\n1/4 1/4 1/4\n",
     3,
     2,
     {"stopped at line 1, column 2, at \"/2\", which is not a number: a fraction?",
      "gave 1 of the 6 numbers needed"},
     ""},
    {"HeaderLine",
     "P(A1) P(A2) P(A3)\n0.5 0.5 0.5\n0.25 0.25 0.25\n",
     3,
     2,
     {"stopped at line 1, column 1, at \"P(A1)\", which is not a number: " + kHeaderCause},
     "\"prob.txt\" starts with no number; 6 intersection probabilities are needed"},
    {"CommentLine",
     "0.5 0.5 0.5\n# pairs\n0.25 0.25 0.25\n",
     3,
     2,
     {"stopped at line 2, column 1, at \"#\", which is not a number: " + kHeaderCause,
      "gave 3 of the 6 numbers needed"},
     ""},
    {"ShortFile", "0.5 0.5 0.5 0.25", 3, 2, {"gave 4 of the 6 numbers needed"}, ""},
    {"MoreNumbers",
     "0.5 0.5 0.5 0.25 0.25 0.25 0.125",
     3,
     2,
     {"holds more than the 6 numbers that n=3, m=2 need"},
     ""},
    {"WordAfterTheNumbers",
     "0.5 0.5 0.5 0.25 0.25 0.25 end",
     3,
     2,
     {"holds more than the 6 numbers that n=3, m=2 need"},
     ""},
    {"AboveOne",
     "1.5 0.5 0.5 0.25 0.25 0.25",
     3,
     2,
     {"1 of the 6 numbers read from \"prob.txt\" is no probability (outside [0, 1]); the first "
      "is number 1, 1.5"},
     ""},
    // Nothing is needed, so nothing in the file is too much.
    {"NothingNeeded", "0.5 0.5 0.5", 3, 0, {}, ""},
    {"WellTyped", "0.5 0.5 0.5\n0.25 0.25 0.25\n", 3, 2, {}, ""},
    {"Empty", "", 3, 2, {}, "\"prob.txt\" starts with no number"},
    {"Missing", std::nullopt, 3, 2, {}, "cannot read \"prob.txt\": No such file or directory"},
};

// Runs in a scratch directory, the library's as well as the programs', so that every face
// names the file "prob.txt".
class ReadWarningsAgree : public ::testing::TestWithParam<MistypedFile> {
 protected:
  void SetUp() override {
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override { std::filesystem::current_path(saved_); }

  ScratchDirectory dir_;
  std::filesystem::path saved_;
};

TEST_P(ReadWarningsAgree, OnEveryFace) {
  const MistypedFile& row = GetParam();
  if (row.text) {
    dir_.Write("prob.txt", *row.text);
  }
  const std::string n = std::to_string(row.n);
  const std::string m = std::to_string(row.m);
  const ProgramRun interactive = RunProgram(dir_.path(), n + "\n" + m + "\n\n");
  // Both take a file not read whole here as the interactive program does, so that all three
  // say all they say of the read.
  const ProgramRun batch =
      RunBatch(dir_.path(), "--accept-short --prob prob.txt --n " + n + " --m " + m);
  const std::vector<std::string> interactive_lines = LinesWithout("unionbound: ", interactive.err);
  const std::vector<std::string> batch_lines = LinesWithout("unionbound-batch: ", batch.err);

  const std::vector<std::string> warnings = ReadingWarnings(interactive_lines);
  ASSERT_EQ(warnings.size(), row.warnings.size()) << interactive.err;
  for (std::size_t k = 0; k < warnings.size(); ++k) {
    EXPECT_NE(warnings[k].find(row.warnings[k]), std::string::npos) << warnings[k];
  }
  EXPECT_EQ(ReadingWarnings(batch_lines), warnings) << batch.err;

  if (row.refusal.empty()) {
    EXPECT_NE(interactive.exit_status, 1) << interactive.err;
    EXPECT_NE(batch.exit_status, 1) << batch.err;
    Options accept;
    accept.accept_short = true;
    EXPECT_EQ(ReadingWarnings(SharpBoundsFromFile("prob.txt", row.n, row.m, accept).notes),
              warnings);
    return;
  }
  // A refusal ends each program's words, with the same status; the library's Error says it
  // alone.
  EXPECT_EQ(interactive.exit_status, 1) << interactive.err;
  EXPECT_EQ(batch.exit_status, 1) << batch.err;
  ASSERT_FALSE(interactive_lines.empty());
  ASSERT_FALSE(batch_lines.empty());
  const std::string& refusal = interactive_lines.back();
  EXPECT_NE(refusal.find(row.refusal), std::string::npos) << refusal;
  EXPECT_EQ(batch_lines.back(), refusal);
  try {
    SharpBoundsFromFile("prob.txt", row.n, row.m);
    ADD_FAILURE() << "no refusal";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), refusal);
  }
}

// Without being told to accept it, the batch program and the library give no bound from a file
// the interactive program reads with its rule (status 4): they say where reading stopped, in the
// interactive program's words, and refuse; a file read whole they take as before.
TEST_P(ReadWarningsAgree, NoFaceAnswersFromAFileNotReadWhole) {
  const MistypedFile& row = GetParam();
  if (row.text) {
    dir_.Write("prob.txt", *row.text);
  }
  const std::string n = std::to_string(row.n);
  const std::string m = std::to_string(row.m);
  const ProgramRun interactive = RunProgram(dir_.path(), n + "\n" + m + "\n\n");
  const std::string options = "--prob prob.txt --json --n " + n + " --m " + m;
  const ProgramRun batch = RunBatch(dir_.path(), options);
  if (interactive.exit_status != 4) {
    const ProgramRun accepting = RunBatch(dir_.path(), "--accept-short " + options);
    EXPECT_EQ(batch.exit_status, accepting.exit_status) << batch.err;
    EXPECT_EQ(batch.err, accepting.err);
    return;
  }
  EXPECT_EQ(batch.exit_status, 4) << batch.err;
  EXPECT_EQ(batch.out, "");
  const std::vector<std::string> interactive_lines = LinesWithout("unionbound: ", interactive.err);
  const std::vector<std::string> batch_lines = LinesWithout("unionbound-batch: ", batch.err);
  // Where reading stopped, when it stopped at a word; then the refusal.
  std::vector<std::string> stop;
  for (const std::string& line : ReadingWarnings(interactive_lines)) {
    if (line.find("stopped at line") != std::string::npos) {
      stop.push_back(line);
    }
  }
  ASSERT_EQ(batch_lines.size(), stop.size() + 1) << batch.err;
  EXPECT_EQ(std::vector<std::string>(batch_lines.begin(), batch_lines.end() - 1), stop);
  EXPECT_NE(batch_lines.back().find("no bounds are given from data that were not read whole"),
            std::string::npos)
      << batch_lines.back();
  EXPECT_NE(batch_lines.back().find("--accept-short"), std::string::npos) << batch_lines.back();
  try {
    SharpBoundsFromFile("prob.txt", row.n, row.m);
    ADD_FAILURE() << "no refusal";
  } catch (const Error& error) {
    EXPECT_EQ(error.cause(), Error::Cause::kNotReadWhole);
    EXPECT_EQ(error.notes(), stop);
    EXPECT_EQ(batch_lines.back().rfind(error.what(), 0), 0u) << error.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Table, ReadWarningsAgree, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unionbound
