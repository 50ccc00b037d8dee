#include "input/file_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "input/moment_data.h"
#include "moments/binomial.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using testing::ScratchDirectory;

// A probability file of `count` numbers in the spellings a file meets: plain and long decimals
// (beyond the exact window), exponents, signs, and every kind of white space between them.
std::string RandomProbabilities(std::int64_t count, std::mt19937_64& random) {
  static const char* const kSpaces[] = {" ", "\n", "\t", "  ", "\r\n", " \n\n "};
  std::uniform_int_distribution<int> pick(0, 5);
  std::uniform_int_distribution<int> digits(0, 999999);
  std::string text = random() % 2 == 0 ? "" : "\n ";
  for (std::int64_t k = 0; k < count; ++k) {
    const int d = digits(random);
    switch (pick(random)) {
      case 0:
        text += "0." + std::to_string(d);
        break;
      case 1:
        text += std::to_string(d % 1000) + "e-" + std::to_string(3 + d % 5);
        break;
      case 2:
        text += "0.1234567890123456789012345678901234" + std::to_string(d);
        break;
      case 3:
        text += "+." + std::to_string(d) + "E-1";
        break;
      case 4:
        text += d % 2 == 0 ? "0" : "1";
        break;
      default:
        text += "0.000" + std::to_string(d);
        break;
    }
    text += kSpaces[pick(random)];
  }
  return text;
}

// The parts of a file cut at `cuts` (sorted byte offsets from 0 to its size), each counted and
// then summed from the index the counts before it give.
std::vector<PartSums> SumParts(const std::string& path, std::vector<std::int64_t> cuts,
                               std::int32_t n, std::int32_t m, std::int32_t order = 0) {
  std::vector<PartSums> parts;
  std::int64_t first = 0;
  for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
    const WordCount count = CountWords(path, cuts[k], cuts[k + 1]);
    EXPECT_EQ(count.problem, "");
    const PartResult part = SumFilePart({path, cuts[k], cuts[k + 1], first, order}, n, m);
    EXPECT_EQ(part.refusal, "") << "bytes " << cuts[k] << " to " << cuts[k + 1];
    parts.push_back(part.sums);
    first += count.words;
  }
  return parts;
}

// The parts merged in a random order and grouping: any two of those left, until one is left.
PartSums MergeAtRandom(std::vector<PartSums> parts, std::mt19937_64& random) {
  while (parts.size() > 1) {
    std::shuffle(parts.begin(), parts.end(), random);
    const std::string refusal = MergeParts(parts[0], parts.back());
    EXPECT_EQ(refusal, "");
    parts.pop_back();
  }
  return parts.front();
}

// The byte offset where word `index` of the text starts (the text's size past its last word).
std::int64_t WordStart(const std::string& text, std::int64_t index) {
  std::int64_t words = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool starts = !std::isspace(static_cast<unsigned char>(text[at])) &&
                        (at == 0 || std::isspace(static_cast<unsigned char>(text[at - 1])));
    if (starts && words++ == index) {
      return static_cast<std::int64_t>(at);
    }
  }
  return static_cast<std::int64_t>(text.size());
}

// Cuts at random offsets, and at the start, inside the first token, at the end, and on both
// sides of the first number of order 2 (a block boundary).
std::vector<std::int64_t> RandomCuts(const std::string& text, std::int32_t n, int parts,
                                     std::mt19937_64& random) {
  const auto size = static_cast<std::int64_t>(text.size());
  const std::int64_t block = WordStart(text, n);
  std::vector<std::int64_t> cuts = {0, size};
  const std::int64_t chosen[] = {std::min<std::int64_t>(size, 3), block, block + 1, block - 1};
  std::uniform_int_distribution<std::int64_t> offset(0, size);
  for (int k = 1; k < parts; ++k) {
    cuts.push_back(k <= 4 ? std::clamp<std::int64_t>(chosen[k - 1], 0, size) : offset(random));
  }
  std::sort(cuts.begin(), cuts.end());
  return cuts;
}

struct Cutting {
  int parts;
  std::int32_t n;
  std::int32_t m;
  std::int64_t extra;  // numbers after the ones n and m ask for
};

class CutFile : public ::testing::TestWithParam<Cutting> {};

TEST_P(CutFile, MergedPartsGiveTheWholeFilesMoments) {
  const Cutting cutting = GetParam();
  ScratchDirectory dir;
  std::mt19937_64 random(static_cast<std::uint64_t>(cutting.parts * 1000 + cutting.n));
  for (int round = 0; round < 4; ++round) {
    const std::string text =
        RandomProbabilities(ProbabilityCount(cutting.n, cutting.m) + cutting.extra, random);
    dir.Write("prob.txt", text);
    const std::string path = (dir.path() / "prob.txt").string();
    const MomentData whole = MomentsOfFile(path, cutting.n, cutting.m, {});
    ASSERT_EQ(whole.refusal, "");
    const PartSums merged = MergeAtRandom(
        SumParts(path, RandomCuts(text, cutting.n, cutting.parts, random), cutting.n, cutting.m),
        random);
    const MomentData parts = MomentsOfParts(merged);
    EXPECT_EQ(parts.refusal, "");
    EXPECT_EQ(parts.S, whole.S);
    EXPECT_EQ(parts.warnings, whole.warnings);
    EXPECT_EQ(parts.improbable, whole.improbable);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, CutFile,
                         ::testing::Values(Cutting{1, 12, 3, 0}, Cutting{2, 12, 3, 0},
                                           Cutting{7, 12, 3, 0}, Cutting{64, 12, 3, 0},
                                           Cutting{64, 40, 2, 0}, Cutting{7, 12, 3, 5},
                                           Cutting{64, 5, 7, 0}));

TEST(CutFile, CutsAtEveryByteOfASmallFile) {
  ScratchDirectory dir;
  const std::string text = " 0.5  0.25\n1e-1\t0.125 0.0625 0.03125 0.2";
  dir.Write("prob.txt", text);
  const std::string path = (dir.path() / "prob.txt").string();
  const MomentData whole = MomentsOfFile(path, 3, 2, {});  // and one number more
  const auto size = static_cast<std::int64_t>(text.size());
  for (std::int64_t a = 0; a <= size; ++a) {
    for (std::int64_t b = a; b <= size; ++b) {
      std::mt19937_64 random(static_cast<std::uint64_t>(a * size + b));
      const PartSums merged = MergeAtRandom(SumParts(path, {0, a, b, size}, 3, 2), random);
      const MomentData parts = MomentsOfParts(merged);
      ASSERT_EQ(parts.refusal, "") << a << " " << b;
      EXPECT_EQ(parts.S, whole.S) << a << " " << b;
      EXPECT_EQ(parts.warnings, whole.warnings) << a << " " << b;
    }
  }
}

TEST(CutFile, NumbersThatAreNoProbabilitiesAreNamedAsTheWholeRunNamesThem) {
  ScratchDirectory dir;
  dir.Write("prob.txt", "0.5 0.5 1.5 0.25 0.25 -0.5 7 8 9");
  const std::string path = (dir.path() / "prob.txt").string();
  const MomentData whole = MomentsOfFile(path, 3, 2, {});
  std::mt19937_64 random(3);
  const MomentData parts =
      MomentsOfParts(MergeAtRandom(SumParts(path, {0, 9, 14, 33}, 3, 2), random));
  EXPECT_EQ(parts.warnings, whole.warnings);
  EXPECT_EQ(parts.improbable, whole.improbable);
  EXPECT_NE(parts.improbable, "");
}

// The three parts of "0.5 0.25 0.125 0.0625 0.03125 0.015625" (n = 3, m = 2) and what is said
// when one is left out, doubled, or given the wrong first index.
class FaultyParts : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("prob.txt", "0.5 0.25 0.125 0.0625 0.03125 0.015625");
    dir.Write("other.txt", "0.5 0.25 0.125 0.0625 0.03125 0.015624");
    path = (dir.path() / "prob.txt").string();
    first = Part(0, 9, 0);
    second = Part(9, 22, 2);
    third = Part(22, 38, 4);
  }
  PartSums Part(std::int64_t from, std::int64_t to, std::int64_t index,
                const std::string& name = "prob.txt") const {
    const PartResult part = SumFilePart({(dir.path() / name).string(), from, to, index, 0}, 3, 2);
    EXPECT_EQ(part.refusal, "");
    return part.sums;
  }
  std::string Merged(const std::vector<PartSums>& parts) const {
    PartSums merged;
    for (const PartSums& part : parts) {
      if (std::string refusal = MergeParts(merged, part); !refusal.empty()) {
        return refusal;
      }
    }
    return MomentsOfParts(merged).refusal;
  }
  ScratchDirectory dir;
  std::string path;
  PartSums first;
  PartSums second;
  PartSums third;
};

TEST_F(FaultyParts, AllThreeInAnyOrderAreWhole) {
  EXPECT_EQ(Merged({third, first, second}), "");
  EXPECT_EQ(Merged({second, third, first}), "");
}

TEST_F(FaultyParts, AGapIsNamed) {
  EXPECT_EQ(Merged({first, third}),
            "the numbers of index 2 to 3 (bytes 9 to 21 of \"" + path + "\") are in no part");
  EXPECT_EQ(Merged({first, second}),
            "bytes 22 to 37 of \"" + path + "\" (the numbers from index 4 on) are in no part");
  EXPECT_EQ(Merged({second, third}),
            "the numbers of index 0 to 1 (bytes 0 to 8 of \"" + path + "\") are in no part");
}

TEST_F(FaultyParts, AnOverlapIsNamed) {
  EXPECT_EQ(Merged({first, second, second}),
            "the numbers of index 2 to 3 (bytes 9 to 21 of \"" + path + "\") are in two parts");
  EXPECT_EQ(Merged({first, Part(5, 14, 2), second, third}),
            "bytes 5 to 8 of \"" + path + "\" are in two parts");
  EXPECT_EQ(Merged({first, second, third, Part(12, 14, 3)}),
            "bytes 12 to 13 of \"" + path + "\" are in two parts");
}

TEST_F(FaultyParts, AWrongFirstIndexIsNamed) {
  EXPECT_EQ(Merged({first, Part(9, 22, 3), third}),
            "the number of index 4 (in \"" + path +
                "\"; check the first index of each part) is in two parts");
  EXPECT_EQ(Merged({first, Part(9, 22, 1), third}),
            "the number of index 1 (in \"" + path +
                "\"; check the first index of each part) is in two parts");
}

TEST_F(FaultyParts, APartOfAnotherFileIsRefused) {
  EXPECT_EQ(Merged({first, Part(9, 22, 2, "other.txt"), third}),
            "a part of \"" + (dir.path() / "other.txt").string() + "\" is of another file than \"" +
                path +
                "\" (their sizes or first bytes differ); one run's parts come from one file");
}

TEST_F(FaultyParts, OtherCountsAreRefused) {
  PartSums merged = first;
  const PartResult other = SumFilePart({path, 9, 22, 2, 0}, 4, 2);
  EXPECT_EQ(MergeParts(merged, other.sums),
            "a part for n=4, m=2 does not merge with one for n=3, m=2");
}

TEST(PartWords, AWordThatIsNotOneNumberIsNamedWithItsByte) {
  ScratchDirectory dir;
  const std::string path = (dir.path() / "prob.txt").string();
  const std::vector<std::pair<std::string, std::string>> table = {
      {"0.5 0,5 0.25", "a decimal comma? The decimal mark is a point: 0.5, not 0,5"},
      {"0.5 50% 0.25",
       "a percentage? Write each probability as a number from 0 to 1: 0.5, not 50%"},
      {"0.5 p 0.25", "the file holds numbers and white space only"},
      {"0.5 0.1-0.2 0.25",
       "two numbers without white space between them; a part takes one number a word"},
      {"0.5 nan 0.25", "no probability is infinite or not a number"},
  };
  for (const auto& [text, cause] : table) {
    dir.Write("prob.txt", text);
    const PartResult part = SumFilePart({path, 2, -1, 1, 0}, 3, 1);
    const std::string word = text.substr(4, text.find(' ', 4) - 4);
    EXPECT_EQ(part.refusal, "\"" + path + "\": the word at byte 4, \"" + word +
                                "\", is not one number: " + cause);
    EXPECT_TRUE(part.not_read_whole);
  }
}

TEST(PartWords, CountingFindsWordStartsOnly) {
  ScratchDirectory dir;
  dir.Write("prob.txt", "ab  cd\ne");
  const std::string path = (dir.path() / "prob.txt").string();
  const std::vector<std::pair<std::int64_t, std::int64_t>> ranges = {{0, 8}, {0, 1}, {1, 4},
                                                                     {1, 5}, {5, 8}, {7, 100}};
  const std::vector<std::int64_t> words = {3, 1, 0, 1, 1, 1};
  for (std::size_t k = 0; k < ranges.size(); ++k) {
    EXPECT_EQ(CountWords(path, ranges[k].first, ranges[k].second).words, words[k]) << k;
  }
  EXPECT_NE(CountWords((dir.path() / "missing.txt").string(), 0, -1).problem, "");
}

TEST(OrderFiles, AnyNumberOfFilesPerOrderGiveTheMoments) {
  ScratchDirectory dir;
  std::mt19937_64 random(7);
  const std::int32_t n = 9;
  const std::int32_t m = 3;
  std::string whole;
  PartSums merged;
  for (std::int32_t k = 1; k <= m; ++k) {
    // Order k in two files, the second cut in three parts.
    const std::string text = RandomProbabilities(BinomialCount(n, k), random);
    const std::size_t cut = text.find_first_of(" \n\t", text.size() / 3);
    const std::string names[] = {"order" + std::to_string(k) + "a.txt",
                                 "order" + std::to_string(k) + "b.txt"};
    dir.Write(names[0], text.substr(0, cut));
    dir.Write(names[1], text.substr(cut));
    whole += text;
    const std::string first = (dir.path() / names[0]).string();
    const std::string second = (dir.path() / names[1]).string();
    std::vector<PartSums> parts = SumParts(first, {0, static_cast<std::int64_t>(cut)}, n, m, k);
    const auto size = static_cast<std::int64_t>(text.size() - cut);
    for (const PartSums& part : SumParts(second, {0, size / 3, size / 2, size}, n, m, k)) {
      parts.push_back(part);
    }
    for (const PartSums& part : parts) {
      ASSERT_EQ(MergeParts(merged, part), "");
    }
  }
  dir.Write("prob.txt", whole);
  const MomentData expected = MomentsOfFile((dir.path() / "prob.txt").string(), n, m, {});
  EXPECT_EQ(MomentsOfParts(merged).S, expected.S);

  PartSums twice = merged;
  const PartResult again = SumFilePart({(dir.path() / "order2a.txt").string(), 0, -1, 0, 2}, n, m);
  EXPECT_NE(MergeParts(twice, again.sums), "");  // its bytes are in two parts
  const PartResult whole_file =
      SumFilePart({(dir.path() / "prob.txt").string(), 0, -1, 0, 0}, n, m);
  EXPECT_NE(MergeParts(twice, whole_file.sums).find(", a whole file, does not merge with one of"),
            std::string::npos);
}

TEST(OrderFiles, AMissingOrderIsNamed) {
  ScratchDirectory dir;
  dir.Write("singles.txt", "0.5 0.5 0.5");
  const PartResult singles =
      SumFilePart({(dir.path() / "singles.txt").string(), 0, -1, 0, 1}, 3, 2);
  EXPECT_EQ(MomentsOfParts(singles.sums).refusal,
            "the files of order 2 hold 0 numbers, but 3 events have 3 intersections of 2: a file "
            "or a part is missing");
  EXPECT_EQ(SumFilePart({(dir.path() / "singles.txt").string(), 0, -1, 0, 3}, 3, 2).refusal,
            "the order of a file's numbers is from 1 to m=2, not 3");
}

TEST(PartFile, AShortFileIsRefusedAsTheWholeRunRefusesIt) {
  ScratchDirectory dir;
  dir.Write("prob.txt", "0.5 0.5 0.5 0.25");
  const std::string path = (dir.path() / "prob.txt").string();
  const MomentData parts = MomentsOfParts(SumFilePart({path, 0, -1, 0, 0}, 3, 2).sums);
  EXPECT_EQ(parts.refusal, MomentsOfFile(path, 3, 2, {}).refusal);
  EXPECT_TRUE(parts.not_read_whole);
  EXPECT_EQ(SumFilePart({(dir.path() / "none.txt").string(), 0, -1, 0, 0}, 3, 2)
                .refusal.find("cannot read"),
            0u);
}

}  // namespace
}  // namespace unionbound
