// Partial sums as a consumer of the library uses them: summed part by part, merged in any
// order, through their JSON and back, and the bounds of the whole file from them.
#include "unionbound/partial_sums.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::ScratchDirectory;

// Three events of probability 1/2 whose pairs each have probability 1/4, in two parts.
class TwoParts : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("prob \"quoted\"\\.txt", "0.5 0.5 1.5\n0.25 0.25 0.25\n");
    path = (dir.path() / "prob \"quoted\"\\.txt").string();
    const std::int64_t count = CountNumbers(path, 0, 9);
    first = SumPart({path, 0, 9, 0, 0}, 3, 2);
    second = SumPart({path, 9, -1, count, 0}, 3, 2);
  }
  ScratchDirectory dir;
  std::string path;
  PartialSums first;
  PartialSums second;
};

TEST_F(TwoParts, MergeInEitherOrderGivesTheFilesBounds) {
  const Bounds whole = SharpBoundsFromFile(path, 3, 2);
  for (const PartialSums& merged : {MergeSums(first, second), MergeSums(second, first),
                                    MergeSums(MergeSums(PartialSums{}, second), first)}) {
    const Bounds parts = SharpBoundsFromSums(merged);
    EXPECT_EQ(parts.S_fractions, whole.S_fractions);
    EXPECT_EQ(parts.lower.fraction, whole.lower.fraction);
    EXPECT_EQ(parts.upper.fraction, whole.upper.fraction);
    EXPECT_EQ(parts.notes, whole.notes);
    EXPECT_EQ(parts.no_distribution_reason, whole.no_distribution_reason);
    EXPECT_EQ(MomentsFromSums(merged), MomentsFromFile(path, 3, 2));
  }
}

TEST_F(TwoParts, JsonRoundTripsExactly) {
  const PartialSums merged = MergeSums(first, second);
  for (const PartialSums& sums : {first, second, merged}) {
    const std::string json = ToJson(sums);
    EXPECT_EQ(json.find('\n'), std::string::npos);  // one line, for a line-per-part stream
    EXPECT_EQ(ToJson(PartialSumsFromJson(json)), json);
  }
  const PartialSums back = PartialSumsFromJson(ToJson(merged));
  EXPECT_EQ(back.files.at(0).path, path);
  EXPECT_EQ(back.improbable, 1);
  EXPECT_EQ(back.improbable_index, 2);
  EXPECT_EQ(back.improbable_value, 1.5);
}

TEST_F(TwoParts, AMissingPartIsRefusedAsNotReadWhole) {
  try {
    SharpBoundsFromSums(first);
    FAIL() << "no refusal";
  } catch (const Error& error) {
    EXPECT_EQ(error.cause(), Error::Cause::kNotReadWhole);
    EXPECT_EQ(std::string(error.what()),
              "bytes 9 to 26 of \"" + path + "\" (the numbers from index 3 on) are in no part");
  }
  EXPECT_THROW(MergeSums(first, first), Error);
}

// Texts that are not partial sums, each refused with the fault named.
TEST(PartialSumsJson, RefusesWhatIsNotPartialSums) {
  const std::string good =
      R"({"format": "unionbound partial sums", "version": 1, "n": 3, "m": 1, "sums": ["3/2"],)"
      R"( "counts": [3], "files": [{"path": "p", "size": 12, "head": "0123456789abcdef",)"
      R"( "order": 0, "pieces": [{"bytes": [0, 12], "indices": [0, 3]}]}],)"
      R"( "improbable": {"count": 0}})";
  EXPECT_NO_THROW(PartialSumsFromJson(good));
  const auto replaced = [&good](const std::string& from, const std::string& to) {
    std::string text = good;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  const std::vector<std::pair<std::string, std::string>> table = {
      {"", "not JSON: the text ends where a value should be at byte 0"},
      {good + "x", "not JSON: text after the value"},
      {std::string(100, '['), "not JSON: nesting too deep"},
      {"[1]", "not an object with \"format\""},
      {replaced("\"version\": 1", "\"version\": 2"), "version 2, where this program reads"},
      {replaced("\"n\": 3", "\"n\": -3"), "n and m must be from 0 on"},
      {replaced("\"n\": 3", "\"n\": 3.5"), "\"n\" is not a whole number"},
      {replaced("\"3/2\"", "\"3/0\""), "\"3/0\" is not a fraction"},
      {replaced("\"3/2\"", "\"1.5\""), "\"1.5\" is not a fraction"},
      {replaced("\"3/2\"", "3"), "\"sums\" is missing or not a string"},
      {replaced("0123456789abcdef", "xyz"), "has no valid size, digest or order"},
      {replaced("[0, 12]", "[0, 13]"), "is no range of its bytes and indices"},
      {replaced("[0, 3]", "[3, 0]"), "is no range of its bytes and indices"},
      {replaced("\"counts\": [3]", "\"counts\": []"), "one sum and one count for each order"},
      {replaced("\"p\"", "\"p\\ud800\""), "a lone surrogate"},
  };
  for (const auto& [text, fault] : table) {
    try {
      PartialSumsFromJson(text);
      ADD_FAILURE() << "taken: " << text;
    } catch (const Error& error) {
      EXPECT_EQ(error.cause(), Error::Cause::kInput);
      EXPECT_NE(std::string(error.what()).find(fault), std::string::npos)
          << error.what() << "\nwanted: " << fault;
    }
  }
}

}  // namespace
}  // namespace unionbound
