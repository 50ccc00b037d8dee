// The batch program as the map and reduce steps of a cluster run it: --count and --partial on
// byte ranges of a file, --sums on what they printed. Every answer must be the whole file's,
// byte for byte, and every fault of the parts must be refused with its range named.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using Json = nlohmann::json;
using testing::ProgramRun;
using testing::RunBatch;
using testing::RunBatchWithInput;
using testing::ScratchDirectory;

// The running times, the one figure that varies from run to run.
std::string WithoutTimes(const std::string& text) {
  static const std::regex kTimes("(changes, [0-9.e+-]+ s|\"seconds\": [0-9.e+-]+)");
  return std::regex_replace(text, kTimes, "<time>");
}

// n = 8 events on 20 equally likely points, their intersections of up to m = 3 events in the
// file's order, written in the spellings a file meets, and one number more than needed.
std::string EightEventsFile() {
  std::mt19937_64 random(8);
  std::vector<std::uint32_t> events(8);
  for (std::uint32_t& event : events) {
    event = static_cast<std::uint32_t>(random()) & 0xFFFFFu;
  }
  std::vector<std::uint32_t> intersections(events.begin(), events.end());
  for (int i = 0; i < 8; ++i) {
    for (int j = i + 1; j < 8; ++j) {
      intersections.push_back(events[i] & events[j]);
    }
  }
  for (int i = 0; i < 8; ++i) {
    for (int j = i + 1; j < 8; ++j) {
      for (int k = j + 1; k < 8; ++k) {
        intersections.push_back(events[i] & events[j] & events[k]);
      }
    }
  }
  intersections.push_back(0);
  static const char* const kSpaces[] = {" ", "\n", "\t ", "  "};
  std::string text;
  for (const std::uint32_t points : intersections) {
    const int twentieths = __builtin_popcount(points);
    const std::string digits = std::to_string(twentieths * 5);
    switch (random() % 3) {
      case 0:
        text += twentieths == 20 ? "1" : "0." + std::string(digits.size() < 2 ? "0" : "") + digits;
        break;
      case 1:
        text += digits + "e-2";
        break;
      default:
        text += digits + "0.000E-3";
        break;
    }
    text += kSpaces[random() % 4];
  }
  return text;
}

// Cuts the file at random offsets into `parts` ranges, counts each with --count, sums each with
// --partial from the running total of the counts, and writes the lines of JSON, shuffled, to
// "parts.json".
void WriteParts(const ScratchDirectory& dir, std::int64_t size, int parts,
                std::mt19937_64& random) {
  std::vector<std::int64_t> cuts = {0, size};
  for (int k = 1; k < parts; ++k) {
    cuts.push_back(static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(size + 1)));
  }
  std::sort(cuts.begin(), cuts.end());
  std::vector<std::string> lines;
  std::int64_t first = 0;
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const std::string range = std::to_string(cuts[k]) + ":" + std::to_string(cuts[k + 1]);
    const ProgramRun count = RunBatch(dir.path(), "--prob prob.txt --count --bytes " + range);
    ASSERT_EQ(count.exit_status, 0) << count.err;
    const ProgramRun part =
        RunBatch(dir.path(), "--n 8 --m 3 --prob prob.txt --partial --bytes " + range +
                                 " --first-index " + std::to_string(first));
    ASSERT_EQ(part.exit_status, 0) << part.err;
    ASSERT_EQ(part.err, "");
    lines.push_back(part.out);
    first += std::stoll(count.out);
  }
  std::shuffle(lines.begin(), lines.end(), random);
  std::string all;
  for (const std::string& line : lines) {
    all += line;
  }
  dir.Write("parts.json", all);
}

class BatchParts : public ::testing::TestWithParam<int> {};

TEST_P(BatchParts, MergedSumsAnswerAsTheWholeFileDoes) {
  ScratchDirectory dir;
  const std::string text = EightEventsFile();
  dir.Write("prob.txt", text);
  std::mt19937_64 random(static_cast<std::uint64_t>(GetParam()));
  WriteParts(dir, static_cast<std::int64_t>(text.size()), GetParam(), random);
  for (const std::string question : {"", "--exact", "--json", "--at-least 2 --exact",
                                     "--exactly 3 --json", "--by-order --json"}) {
    const ProgramRun whole = RunBatch(dir.path(), "--n 8 --m 3 --prob prob.txt " + question);
    const ProgramRun parts = RunBatch(dir.path(), "--n 8 --sums parts.json " + question);
    EXPECT_EQ(whole.exit_status, 0) << question;
    EXPECT_EQ(parts.exit_status, 0) << question;
    EXPECT_EQ(WithoutTimes(parts.out), WithoutTimes(whole.out)) << question;
    EXPECT_EQ(parts.err, whole.err) << question;
  }
  // Sums keep no pairs, so the bounds that use each pair are left out, and a note says so; the
  // rest of
  // the classical table is the whole file's.
  const std::string classical = " --classical --by-order --json";
  Json whole = Json::parse(RunBatch(dir.path(), "--n 8 --m 3 --prob prob.txt" + classical).out);
  Json parts = Json::parse(RunBatch(dir.path(), "--n 8 --sums parts.json" + classical).out);
  Json& rows = whole["classical"];
  rows.erase(std::remove_if(rows.begin(), rows.end(),
                            [](const Json& row) {
                              const std::string name = row["name"];
                              return name.find("Hunter-Worsley") == 0 ||
                                     name.find("de Caen") == 0 || name.find("Kuai") == 0;
                            }),
             rows.end());
  ASSERT_EQ(parts["notes"].size(), 2u);
  EXPECT_NE(parts["notes"][1].get<std::string>().find("use each pair"), std::string::npos);
  parts["notes"].erase(1);
  EXPECT_EQ(WithoutTimes(parts.dump(2)), WithoutTimes(whole.dump(2)));
}

INSTANTIATE_TEST_SUITE_P(Table, BatchParts, ::testing::Values(1, 2, 7, 64));

TEST(BatchParts, StandardInputAndSeveralFilesMergeAlike) {
  ScratchDirectory dir;
  dir.Write("prob.txt", "0.5 0.5 0.5 0.25 0.25 0.25\n");
  const ProgramRun first =
      RunBatch(dir.path(), "--n 3 --m 2 --prob prob.txt --partial --bytes 0:9");
  const ProgramRun second =
      RunBatch(dir.path(), "--n 3 --m 2 --prob prob.txt --partial --bytes 9: --first-index 3");
  dir.Write("a.json", first.out);
  dir.Write("b.json", "\n" + second.out + "\n");
  const ProgramRun files = RunBatch(dir.path(), "--n 3 --sums a.json b.json --json");
  const ProgramRun piped =
      RunBatchWithInput(dir.path(), "--n 3 --sums - --json", second.out + first.out);
  EXPECT_EQ(files.exit_status, 0) << files.err;
  EXPECT_EQ(WithoutTimes(piped.out), WithoutTimes(files.out));
}

struct PartsRefusal {
  const char* name;
  const char* arguments;
  const char* err;  // a regular expression
  int status;
};

class BatchPartsRefusal : public ::testing::TestWithParam<PartsRefusal> {};

TEST_P(BatchPartsRefusal, NamesTheFaultWithItsStatus) {
  ScratchDirectory dir;
  dir.Write("prob.txt", "0.5 0.5 0.5 0.25 0.25 0.25\n");
  dir.Write("other.txt", "0.5 0.5 0.5 0.25 0.25 0.24\n");
  dir.Write("bad.txt", "0.5 0,5 0.5 0.25 0.25 0.25\n");
  const std::string parts[] = {"--prob prob.txt --partial --bytes 0:9",
                               "--prob prob.txt --partial --bytes 9: --first-index 3",
                               "--prob other.txt --partial --bytes 9: --first-index 3",
                               "--prob prob.txt --partial --bytes 9: --first-index 2"};
  const char* const names[] = {"first.json", "second.json", "other.json", "shifted.json"};
  for (int k = 0; k < 4; ++k) {
    dir.Write(names[k], RunBatch(dir.path(), "--n 3 --m 2 " + parts[k]).out);
  }
  dir.Write("junk.json", "{\"format\": \"something else\"}\n");
  const ProgramRun run = RunBatch(dir.path(), GetParam().arguments);
  EXPECT_EQ(run.exit_status, GetParam().status) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(std::regex_match(run.err, std::regex(GetParam().err))) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BatchPartsRefusal,
    ::testing::Values(
        PartsRefusal{"Gap", "--n 3 --sums first.json",
                     "unionbound-batch: bytes 9 to 26 of \"prob.txt\" \\(the numbers from index 3 "
                     "on\\) are in no part\n",
                     4},
        PartsRefusal{"Overlap", "--n 3 --sums first.json second.json first.json",
                     "unionbound-batch: --sums \"first.json\", line 1: the numbers of index 0 to 2 "
                     "\\(bytes 0 to 8 of \"prob.txt\"\\) are in two parts\n",
                     1},
        PartsRefusal{"AnotherFile", "--n 3 --sums first.json other.json",
                     "unionbound-batch: --sums \"other.json\", line 1: a part of \"other.txt\" is "
                     "of another file than \"prob.txt\" .*\n",
                     1},
        PartsRefusal{"WrongFirstIndex", "--n 3 --sums first.json shifted.json",
                     "unionbound-batch: --sums \"shifted.json\", line 1: the number of index 2 .* "
                     "is in two parts\n",
                     1},
        PartsRefusal{"OtherN", "--n 4 --sums first.json second.json",
                     "unionbound-batch: the sums are for n=3, m=2, not n=4; try .*\n", 2},
        PartsRefusal{"NotPartialSums", "--n 3 --sums junk.json",
                     "unionbound-batch: --sums \"junk.json\", line 1: partial sums: not an object "
                     "with \"format\": \"unionbound partial sums\"\n",
                     1},
        PartsRefusal{"NoSuchFile", "--n 3 --sums none.json",
                     "unionbound-batch: cannot read \"none.json\": No such file or directory\n", 1},
        PartsRefusal{"SumsFolder", "--n 3 --sums .",
                     "unionbound-batch: cannot read \".\": Is a directory\n", 1},
        PartsRefusal{"NegativeFirstIndex", "--n 3 --m 2 --prob prob.txt --partial --first-index -1",
                     "unionbound-batch: --first-index: \"-1\" is not a whole number from 0 to "
                     "9223372036854775807; try .*\n",
                     2},
        PartsRefusal{"NoSums", "--n 3 --sums - ", "unionbound-batch: --sums: no partial sums .*\n",
                     1},
        PartsRefusal{"NotOneNumber", "--n 3 --m 2 --prob bad.txt --partial --bytes 2:",
                     "unionbound-batch: \"bad.txt\": the word at byte 4, \"0,5\", is not one "
                     "number: a decimal comma\\? .*\n",
                     4},
        PartsRefusal{"BadRange", "--n 3 --m 2 --prob prob.txt --partial --bytes 9:2",
                     "unionbound-batch: --bytes \"9:2\" is not FROM:TO.*\n", 2},
        PartsRefusal{"PartialWithAQuestion", "--n 3 --m 2 --prob prob.txt --partial --at-least 2",
                     "unionbound-batch: --partial prints a step of the work, not bounds.*\n", 2},
        PartsRefusal{"BytesAlone", "--n 3 --m 2 --prob prob.txt --bytes 0:5",
                     "unionbound-batch: --bytes goes with --partial or --count; try .*\n", 2},
        PartsRefusal{"SumsAndProb", "--n 3 --m 2 --prob prob.txt --sums first.json",
                     "unionbound-batch: .*excludes.*\n", 2},
        PartsRefusal{"OrderAboveM", "--n 3 --m 2 --prob prob.txt --partial --order 3",
                     "unionbound-batch: the order of a file's numbers is from 1 to m=2, not 3; try "
                     ".*\n",
                     2}),
    [](const ::testing::TestParamInfo<PartsRefusal>& info) { return info.param.name; });

}  // namespace
}  // namespace unionbound
