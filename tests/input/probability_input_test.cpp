// The intersection-probability reader against a plain stream-extraction oracle: every number is
// read as successive classic-locale `std::istream >> double` extractions read it, and the first
// failed extraction and every later entry repeat the last number read. The fast reader converts
// whole blocks with std::from_chars, so the cases below lean on the corners where a hand-made
// token scanner and from_chars can part ways with the stream: partial numbers, range limits,
// very long digit strings and tokens cut by a block boundary.
#include "input/probability_input.h"
#include "input/read_messages.h"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <locale>
#include <numeric>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "input/exact_decimal.h"
#include "tests/support/exact_sums_oracle.h"
#include "tests/support/run_program.h"
#include "tests/support/same_bits.h"
#include "tests/support/stream_oracle.h"

namespace unionbound {
namespace {

using namespace std::string_literals;
using testing::SameBits;
using testing::ScratchDirectory;

constexpr std::size_t kBlock = std::size_t{1} << 20;

using testing::OracleRead;
using testing::StreamOracle;

// The text with control and non-ASCII bytes escaped, shortened for a failure message.
std::string Printable(const std::string& text) {
  constexpr std::size_t kShown = 160;
  std::string out;
  for (std::size_t k = 0; k < text.size() && k < kShown; ++k) {
    const auto c = static_cast<unsigned char>(text[k]);
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  if (text.size() > kShown) {
    out += "... (" + std::to_string(text.size()) + " bytes)";
  }
  return out;
}

// How a test reads: from memory or through a file, on one thread or several, in chunks of the
// usual size or of a few bytes, so that numbers fall at chunk ends and threads hand over often.
struct Way {
  const char* name;
  bool through_file;
  int threads;
  std::size_t chunk_bytes;  // 0 for the usual size
};

constexpr Way kInMemory{"InMemory", false, 1, 0};
constexpr Way kThroughFile{"ThroughFile", true, 1, 0};
const std::vector<Way> kWays = {kInMemory,
                                kThroughFile,
                                {"InMemoryThreeThreadsTinyChunks", false, 3, 3},
                                {"ThroughFileTwoThreadsSmallChunks", true, 2, 64}};

std::ostream& operator<<(std::ostream& out, const Way& way) {
  return out << way.name;
}

// The read of `text` the way given, keeping every number so that the values can be compared.
ProbabilityRead ReadBy(const Way& way, const std::string& text, ReadPlan plan) {
  plan.threads = way.threads;
  // Tiny chunks on a large text would only make the test slow: each chunk is one hand-over.
  constexpr std::size_t kLargeText = std::size_t{1} << 16;
  plan.chunk_bytes = text.size() > kLargeText && way.chunk_bytes > 0
                         ? std::max<std::size_t>(way.chunk_bytes, 4096)
                         : way.chunk_bytes;
  for (const std::int64_t size : plan.sizes) {
    plan.kept += size;
  }
  if (!way.through_file) {
    return ParseProbabilities(text, plan);
  }
  ScratchDirectory dir;
  dir.Write("prob.txt", text);
  return ReadProbabilityFile((dir.path() / "prob.txt").c_str(), plan);
}

// Blocks of these sizes, with exact sums.
ReadPlan BlocksOf(std::vector<std::int64_t> sizes) {
  ReadPlan plan;
  plan.sizes = std::move(sizes);
  return plan;
}

// `count` numbers as one block, without exact sums.
ReadPlan CountOf(std::int64_t count) {
  ReadPlan plan;
  plan.sizes = {count};
  plan.exact = false;
  return plan;
}

ProbabilityRead ReadBy(const Way& way, const std::string& text, std::int64_t count) {
  return ReadBy(way, text, CountOf(count));
}

// The reader's result equals the oracle's bit for bit (so -0.0 and 0.0 differ, and a NaN would
// show), with the same number of good reads; and each block's sum is the sum, left to right, of
// the numbers the oracle stores, bit for bit.
::testing::AssertionResult SameAsOracle(const ProbabilityRead& got, const std::string& text,
                                        std::int64_t count,
                                        std::optional<std::vector<std::int64_t>> blocks = {}) {
  const std::vector<std::int64_t> sizes = blocks.value_or(std::vector<std::int64_t>{count});
  const OracleRead want = StreamOracle(text, count);
  const Vector values = KeptValues(got, count);
  for (std::size_t k = 0; k < want.values.size(); ++k) {
    if (::testing::AssertionResult same = SameBits(values[k], want.values[k]); !same) {
      return ::testing::AssertionFailure()
             << "entry " << k << " is " << same.message() << " from the stream, for \""
             << Printable(text) << "\", count " << count;
    }
  }
  if (got.good != want.good) {
    return ::testing::AssertionFailure()
           << "good = " << got.good << ", the stream reads " << want.good << " numbers from \""
           << Printable(text) << "\", count " << count;
  }
  if (got.block_sums.size() != sizes.size()) {
    return ::testing::AssertionFailure() << got.block_sums.size() << " sums for " << sizes.size()
                                         << " blocks of \"" << Printable(text) << "\"";
  }
  std::size_t next = 0;
  for (std::size_t block = 0; block < sizes.size(); ++block) {
    double sum = 0.0;
    for (std::int64_t k = 0; k < sizes[block]; ++k, ++next) {
      sum = sum + want.values[next];
    }
    if (::testing::AssertionResult same = SameBits(got.block_sums[block], sum); !same) {
      return ::testing::AssertionFailure()
             << "block " << block << " sums to " << same.message()
             << " as the stored numbers do, in \"" << Printable(text) << "\"";
    }
  }
  return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------------------------
// Exact decimal expansions for rounding ties, which only a reader that looks at every digit of a
// long token decides correctly.

// The decimal digits of numerator / 2^shift (exact, since 2^-shift = 5^shift / 10^shift).
std::string ExactBinaryFraction(const mpz_class& numerator, unsigned long shift) {
  mpz_class five;
  mpz_ui_pow_ui(five.get_mpz_t(), 5, shift);
  const mpz_class scaled = numerator * five;
  std::string digits = scaled.get_str();
  if (digits.size() <= shift) {
    digits.insert(0, shift - digits.size() + 1, '0');
  }
  digits.insert(digits.size() - shift, ".");
  return digits;
}

// Half of the smallest subnormal, 2^-1075: 1075 decimals, 752 of them significant.
std::string HalfOfSmallestSubnormal() {
  return ExactBinaryFraction(1, 1075);
}

// 1 + 2^-53, halfway between 1 and the next double.
std::string HalfwayAboveOne() {
  mpz_class value = 1;
  value <<= 53;
  value += 1;
  return ExactBinaryFraction(value, 53);
}

// 2^1024 - 2^970, halfway between the largest double and 2^1024, as a 309-digit integer.
std::string HalfwayAboveLargest() {
  mpz_class value = 1;
  value <<= 1024;
  mpz_class step = 1;
  step <<= 970;
  return mpz_class(value - step).get_str();
}

// The same decimal (whose last digit is not 0) with that digit lowered by one and a long tail of
// nines: just below.
std::string JustBelow(std::string exact) {
  exact.back() = static_cast<char>(exact.back() - 1);
  const bool has_point = exact.find('.') != std::string::npos;
  return exact + (has_point ? "" : ".") + std::string(900, '9');
}

// The same decimal with a one far beyond the 768th significant digit: just above.
std::string JustAbove(const std::string& exact) {
  const bool has_point = exact.find('.') != std::string::npos;
  return exact + (has_point ? "" : ".") + std::string(1000, '0') + "1";
}

// ---------------------------------------------------------------------------------------------
// The table of awkward files.

struct ReaderCase {
  std::string name;
  std::string text;
  std::int64_t count;
};

std::ostream& operator<<(std::ostream& out, const ReaderCase& c) {
  return out << c.name << ": \"" << Printable(c.text) << "\", count " << c.count;
}

std::vector<ReaderCase> AwkwardFiles() {
  const std::string half_subnormal = HalfOfSmallestSubnormal();
  const std::string half_above_one = HalfwayAboveOne();
  const std::string half_above_largest = HalfwayAboveLargest();
  return {
      // Plain numbers and their spellings.
      {"Exponents", "1e5 2.5E-3 1e+2 7E2 3e-0 1E+00", 6},
      {"PlusSign", "+3 +0.5 +.25", 3},
      {"NegativeZero", "-0 -0.0 0 -0e5 -.0", 5},
      {"TrailingPoint", "1. 2.e1 -3.", 3},
      {"LeadingPoint", ".5 -.25 +.125 .5e1", 4},
      {"LeadingZeros", "000.5 -0007 00e5 0000 00.00e-0", 5},
      {"ManyLines", "0.1\n0.2\n\n\n0.3\n", 3},
      {"CrlfLineEnds", "0.1\r\n0.2\r\n0.3\r\n", 3},
      {"AllBlankKinds", "1\t2\v3\f4\r5\n6 7\t\v\f\r\n 8", 8},
      // Numbers that run into the next one.
      {"TwoPoints", "1.2.3", 3},
      {"SignStartsNextNumber", "1-2+3e1-4", 4},
      {"PointAfterExponent", "1e5.5 2", 3},
      {"SecondExponentMark", "1e5e5", 2},
      {"CommaSeparated", "0.3,0.4", 2},
      {"TrailingLetters", "0.25abc 0.5", 3},
      // Extractions cut short or not started.
      {"ExponentWithoutDigits", "0.5 1e 2", 3},
      {"ExponentAtEnd", "0.5 1e", 3},
      {"ExponentPlusWithoutDigits", "0.5 1e+ 2", 3},
      {"ExponentMinusWithoutDigits", "0.5 1E- 2", 3},
      {"ExponentSplitByBlank", "0.5 1e 5", 3},
      {"ExponentTwoSigns", "0.5 1e+-5", 3},
      {"ExponentWithoutMantissa", "0.5 e5", 2},
      {"PointExponent", "0.5 .e5", 2},
      {"LonePoint", "0.5 . 2", 3},
      {"LoneMinus", "0.5 - 2", 3},
      {"LonePlus", "0.5 + 2", 3},
      {"DoubleSign", "0.5 --1", 2},
      {"MixedSigns", "0.5 +-1", 2},
      {"FirstTokenBad", "x 1 2", 3},
      {"FirstTokenPartial", "1e+ 1 2", 3},
      // Range limits.
      {"Overflow", "0.5 1e999 2", 3},
      {"NegativeOverflow", "0.5 -1e999 2", 3},
      {"OverflowFirst", "1e999 2", 2},
      {"Underflow", "1e-400 0.5", 2},
      {"NegativeUnderflow", "-1e-400 0.5", 2},
      {"SmallestSubnormal", "4.9e-324 -4.9e-324 5e-324", 3},
      {"BelowHalfSmallestSubnormal", "2.4e-324 -2.4e-324", 2},
      {"AboveHalfSmallestSubnormal", "2.5e-324 -2.5e-324", 2},
      {"SubnormalBoundary",
       "2.2250738585072011e-308 2.2250738585072012e-308 2.2250738585072014e-308 "
       "2.2250738585072009e-308",
       4},
      {"LargestDouble", "1.7976931348623157e308 1.7976931348623158e308 -1.7976931348623157e308", 3},
      {"JustPastLargestDouble", "0.5 1.7976931348623159e308 2", 3},
      {"HugeExponentDigits", "1e0000000000000000000000000001 0e99999999999999999999", 2},
      {"HugeNegativeExponent", "1e-99999999999999999999 -1e-99999999999999999999", 2},
      {"HugePositiveExponent", "0.5 1e99999999999999999999", 2},
      {"ZerosThenHugeExponent", "0.0000000000000000000000000000001e+31 0e-999", 2},
      // Words and other notations the extraction does not know.
      {"Inf", "inf 1", 2},
      {"InfAfterNumber", "0.5 inf 1", 3},
      {"NegativeInf", "0.5 -inf", 2},
      {"Nan", "nan", 2},
      {"NanAfterNumber", "0.5 nan 1", 3},
      {"Infinity", "infinity", 1},
      {"HexInteger", "0x1A 2", 2},
      {"HexFloat", "0x1p3", 2},
      {"HexUpperCase", "0X10 7", 2},
      // Empty and blank files.
      {"Empty", "", 3},
      {"Blanks", "   \n\t  \r\n", 2},
      {"CountZero", "1 2", 0},
      {"CountZeroEmpty", "", 0},
      // Bytes that are neither blanks nor part of a number.
      {"NulBetween", "1\0 2"s, 2},
      {"NulFirst", "\0 1"s, 1},
      {"NulAtEnd", "1 \0"s, 2},
      {"NonBreakingSpace", "1\xa0 2", 2},
      {"HighByte", "0.5 \x85 1", 2},
      // Long digit strings.
      {"LongFraction", "0." + std::string(850, '3') + " 1", 2},
      {"LongInteger", std::string(300, '1') + " 1", 2},
      {"LongIntegerOverflow", "0.5 " + std::string(310, '9') + " 1", 3},
      {"LongLeadingZeros", std::string(900, '0') + "1.5 -" + std::string(900, '0'), 2},
      {"ManyFractionZeros", "0." + std::string(1000, '0') + "1e1001", 1},
      {"HalfOfSmallestSubnormal", half_subnormal, 1},
      {"BelowHalfOfSmallestSubnormal", JustBelow(half_subnormal), 1},
      {"AboveHalfOfSmallestSubnormal", JustAbove(half_subnormal), 1},
      {"HalfwayAboveOne", half_above_one, 1},
      {"BelowHalfwayAboveOne", JustBelow(half_above_one), 1},
      {"AboveHalfwayAboveOne", "-" + JustAbove(half_above_one), 1},
      {"HalfwayAboveLargest", "0.5 " + half_above_largest, 2},
      {"BelowHalfwayAboveLargest", JustBelow(half_above_largest), 1},
      {"AboveHalfwayAboveLargest", "0.5 " + JustAbove(half_above_largest), 2},
      // Counts that differ from the numbers present.
      {"MoreNumbersThanCount", "1 2 3 4 5", 3},
      {"FewerNumbersThanCount", "1 2 3 4 5", 7},
      {"ExactlyCount", "0.125 0.25 0.5", 3},
      {"NoTrailingNewline", "0.1 0.2", 2},
      // The last number ends the file without a line end and is longer than the text before it.
      {"ShortLastNumberAtEnd", "0.5 0.125", 2},
      {"SmallLastNumberAtEnd", "0.5 1e-30", 2},
      {"SeventeenDigitsAtEnd", "0.1 0.30000000000000004", 2},
      {"TwentyFiveDigitsAtEnd", "1 1234567890123456789012345", 2},
      {"OverflowAtEnd", "0.5 1e99999", 2},
      {"UnderflowAtEnd", "0.5 -1e-99999", 2},
      {"SubnormalAtEnd", "7 4.9406564584124654e-324", 2},
  };
}

class AwkwardFile : public ::testing::TestWithParam<std::tuple<ReaderCase, Way>> {};

TEST_P(AwkwardFile, MatchesStreamExtraction) {
  const auto& [c, way] = GetParam();
  const ProbabilityRead got = ReadBy(way, c.text, c.count);
  EXPECT_TRUE(SameAsOracle(got, c.text, c.count));
  EXPECT_TRUE(got.problem.empty()) << got.problem;
}

INSTANTIATE_TEST_SUITE_P(Table, AwkwardFile,
                         ::testing::Combine(::testing::ValuesIn(AwkwardFiles()),
                                            ::testing::ValuesIn(kWays)),
                         [](const auto& info) {
                           return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// Spelled-out results for a few of the cases, so that the oracle itself is pinned down.

struct KnownRead {
  std::string name;
  std::string text;
  std::vector<double> values;
  std::int64_t good;
};

std::ostream& operator<<(std::ostream& out, const KnownRead& c) {
  return out << c.name << ": \"" << Printable(c.text) << "\"";
}

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kSmallest = std::numeric_limits<double>::denorm_min();

std::vector<KnownRead> KnownReads() {
  return {
      {"FailureRepeatsLastGood", "1 2 1e999 4", {1, 2, 2, 2}, 2},
      {"NegativeOverflowRepeatsLastGood", "0.25 -1e999", {0.25, 0.25}, 1},
      {"NothingReadGivesZeros", "abc", {0.0, 0.0}, 0},
      {"OverflowFirstGivesZeros", "1e999", {0.0, 0.0}, 0},
      {"NegativeOverflowFirstGivesZeros", "-1e999", {0.0}, 0},
      {"UnderflowKeepsSignedZero", "1e-400 -1e-400", {0.0, -0.0}, 2},
      {"SmallestSubnormal", "4.9e-324", {kSmallest}, 1},
      {"LargestDouble", "1.7976931348623157e308 -1.7976931348623158e308", {kMax, -kMax}, 2},
      {"CommaStops", "0.3,0.4", {0.3, 0.3}, 1},
      {"LettersStop", "0.25abc 0.5", {0.25, 0.25, 0.25}, 1},
      {"HexReadsLeadingZero", "0x1A 2", {0.0, 0.0}, 1},
      {"TwoPointsSplit", "1.2.3", {1.2, 0.3, 0.3}, 2},
      {"SignsSplit", "1-2+3e1-4", {1, -2, 30, -4}, 4},
      {"ExponentWithoutDigitsStops", "0.5 1e 2", {0.5, 0.5, 0.5}, 1},
      {"LonePointStops", "0.5 . 2", {0.5, 0.5, 0.5}, 1},
      {"InfinityStops", "0.5 inf 1", {0.5, 0.5, 0.5}, 1},
      {"NulStops", "1\0 2"s, {1, 1}, 1},
      {"ShortFileRepeatsLast", "1 2 3 4 5", {1, 2, 3, 4, 5, 5, 5}, 5},
      {"ExtraNumbersIgnored", "1 2 3 4 5", {1, 2, 3}, 3},
      {"HalfOfSmallestSubnormalIsZero", HalfOfSmallestSubnormal(), {0.0}, 1},
      {"AboveHalfOfSmallestSubnormal", JustAbove(HalfOfSmallestSubnormal()), {kSmallest}, 1},
      {"HalfwayAboveOneIsOne", HalfwayAboveOne(), {1.0}, 1},
      {"AboveHalfwayAboveOne", JustAbove(HalfwayAboveOne()), {1.0 + DBL_EPSILON}, 1},
      {"HalfwayAboveLargestOverflows", "0.5 " + HalfwayAboveLargest(), {0.5, 0.5}, 1},
      {"BelowHalfwayAboveLargest", JustBelow(HalfwayAboveLargest()), {kMax}, 1},
  };
}

class KnownFile : public ::testing::TestWithParam<KnownRead> {};

TEST_P(KnownFile, ReadsTheSpelledOutValues) {
  const KnownRead& c = GetParam();
  const auto count = static_cast<std::int64_t>(c.values.size());
  const OracleRead oracle = StreamOracle(c.text, count);
  const ProbabilityRead read = ReadBy(kInMemory, c.text, count);
  const Vector got = KeptValues(read, count);
  ASSERT_EQ(oracle.values.size(), c.values.size());
  ASSERT_EQ(got.size(), c.values.size());
  for (std::size_t k = 0; k < c.values.size(); ++k) {
    EXPECT_TRUE(SameBits(oracle.values[k], c.values[k])) << "oracle entry " << k;
    EXPECT_TRUE(SameBits(got[k], c.values[k])) << "entry " << k;
  }
  EXPECT_EQ(oracle.good, c.good);
  EXPECT_EQ(read.good, c.good);
}

INSTANTIATE_TEST_SUITE_P(Table, KnownFile, ::testing::ValuesIn(KnownReads()),
                         [](const ::testing::TestParamInfo<KnownRead>& info) {
                           return info.param.name;
                         });

// ---------------------------------------------------------------------------------------------
// Randomized differential test: texts from a grammar of number-like fragments and separators.

class Fragments {
 public:
  explicit Fragments(std::uint64_t seed) : rng_(seed) {}

  std::uint64_t Pick(std::uint64_t n) { return rng_() % n; }

  std::string Digits(std::size_t length) {
    std::string digits;
    for (std::size_t k = 0; k < length; ++k) {
      // Zeros are overweighted: leading and trailing zeros and zero values.
      digits += Pick(4) == 0 ? '0' : static_cast<char>('0' + Pick(10));
    }
    return digits;
  }

  std::string Sign() {
    switch (Pick(5)) {
      case 0:
        return "-";
      case 1:
        return "+";
      default:
        return "";
    }
  }

  // Mostly well-formed numbers; some parts are left out, so "." or "1e" or "-" come up too.
  std::string Number() {
    std::string number = Sign();
    const std::uint64_t shape = Pick(40);
    const std::size_t long_run = shape == 0 ? 300 + Pick(900) : 0;
    if (Pick(6) != 0) {
      number += Digits(long_run != 0 && Pick(2) == 0 ? long_run : 1 + Pick(Pick(4) == 0 ? 25 : 4));
    }
    if (Pick(2) == 0) {
      number += '.';
      number += Digits(long_run != 0 ? long_run : Pick(Pick(4) == 0 ? 25 : 6));
    }
    if (Pick(3) == 0) {
      number += Pick(2) == 0 ? 'e' : 'E';
      number += Sign();
      const std::uint64_t form = Pick(12);
      if (form == 0) {
        // no exponent digits
      } else if (form < 4) {
        number += std::to_string(280 + Pick(60));  // near the top of the range
      } else if (form < 6) {
        number += std::to_string(300 + Pick(40));  // near and below the bottom, with a sign
      } else {
        number += Digits(1 + Pick(3));
      }
    }
    return number;
  }

  std::string Junk() {
    static const char* const kJunk[] = {"inf", "nan", "infinity", "x",   "0x1A", "0x1p3", ".",
                                        "-",   "+",   "e5",       ",",   "1e",   "1e+",   "--1",
                                        "+-2", "\0",  "\xa0",     "abc", "1,5",  ".e1",   "E"};
    const std::size_t which = Pick(std::size(kJunk));
    return which == 15 ? "\0"s : std::string(kJunk[which]);
  }

  std::string Separator() {
    static const char* const kSeparators[] = {" ", "\n", "\r\n", "\t", "\v", "\f", "  \n\t", " "};
    // Now and then no separator at all, so that neighbours run into each other.
    return Pick(15) == 0 ? "" : kSeparators[Pick(std::size(kSeparators))];
  }

  std::string Token() { return Pick(25) == 0 ? Junk() : Number(); }

  std::string Text(std::size_t tokens) {
    std::string text = Pick(3) == 0 ? Separator() : "";
    for (std::size_t k = 0; k < tokens; ++k) {
      text += Token();
      text += Separator();
    }
    return text;
  }

 private:
  std::mt19937_64 rng_;
};

// In memory every way but through a file, which the next test takes; blocks of random sizes.
TEST(RandomTexts, InMemoryMatchesStreamExtraction) {
  Fragments fragments(20240611);
  for (const Way& way : kWays) {
    if (way.through_file) {
      continue;
    }
    for (int round = 0; round < 10000; ++round) {
      const std::size_t tokens = fragments.Pick(25);
      const std::string text = fragments.Text(tokens);
      const auto count = static_cast<std::int64_t>(fragments.Pick(tokens + 4));
      const auto first =
          static_cast<std::int64_t>(fragments.Pick(static_cast<std::size_t>(count) + 1));
      ReadPlan plan = CountOf(count);
      plan.sizes = {first, count - first};
      ASSERT_TRUE(SameAsOracle(ReadBy(way, text, plan), text, count, plan.sizes))
          << way << ", round " << round;
    }
  }
}

TEST(RandomTexts, FileMatchesStreamExtraction) {
  Fragments fragments(7771);
  ScratchDirectory dir;
  const std::string path = (dir.path() / "prob.txt").string();
  for (int round = 0; round < 3000; ++round) {
    const std::size_t tokens = fragments.Pick(25);
    std::string text = fragments.Text(tokens);
    // Half of the files end in the last token itself, with no blank after it.
    while (fragments.Pick(2) == 0 && !text.empty() &&
           std::string_view(" \n\r\t\v\f").find(text.back()) != std::string_view::npos) {
      text.pop_back();
    }
    const auto count = static_cast<std::int64_t>(fragments.Pick(tokens + 4));
    dir.Write("prob.txt", text);
    ReadPlan plan = CountOf(count);
    plan.kept = count;
    // Every other round on two threads in chunks of a few bytes.
    plan.threads = round % 2 == 0 ? 1 : 2;
    plan.chunk_bytes = round % 2 == 0 ? 0 : 1 + fragments.Pick(8);
    ASSERT_TRUE(SameAsOracle(ReadProbabilityFile(path.c_str(), plan), text, count))
        << "round " << round;
  }
}

// ---------------------------------------------------------------------------------------------
// Files larger than one block.

// A few MB of well-formed numbers (some of them thousands of digits long) separated by blanks,
// so that the whole file is read and tokens fall across every block boundary.
TEST(LargeFile, SeveralBlocksMatchStreamExtraction) {
  Fragments fragments(99);
  std::string text;
  std::int64_t tokens = 0;
  while (text.size() < 4 * kBlock + 12345) {
    std::string number = fragments.Sign() + fragments.Digits(1 + fragments.Pick(12));
    if (fragments.Pick(2) == 0) {
      number += "." + fragments.Digits(fragments.Pick(fragments.Pick(50) == 0 ? 3000 : 15));
    }
    if (fragments.Pick(4) == 0) {
      number += "e" + fragments.Sign() + std::to_string(fragments.Pick(290));
    }
    text += number;
    text += fragments.Pick(10) == 0 ? "\r\n" : " ";
    ++tokens;
  }
  text += "0.75";  // the last token ends the file without a line end
  ++tokens;
  const std::int64_t count = tokens + 2;
  const OracleRead oracle = StreamOracle(text, count);
  ASSERT_EQ(oracle.good, tokens) << "every generated token should be a number";
  for (const Way& way : kWays) {
    const ProbabilityRead got = ReadBy(way, text, count);
    EXPECT_TRUE(SameAsOracle(got, text, count)) << way;
    EXPECT_TRUE(got.problem.empty()) << way << ": " << got.problem;
  }
}

// A token placed so that the first block ends at each of its characters in turn (and just
// before and after it).
struct StraddleCase {
  std::string name;
  std::string token;
};

std::ostream& operator<<(std::ostream& out, const StraddleCase& c) {
  return out << c.name << ": \"" << Printable(c.token) << "\"";
}

class BlockBoundary : public ::testing::TestWithParam<StraddleCase> {};

TEST_P(BlockBoundary, TokenCutAtEveryPosition) {
  const std::string& token = GetParam().token;
  ScratchDirectory dir;
  const std::string path = (dir.path() / "prob.txt").string();
  for (std::size_t before = 0; before <= token.size() + 1; ++before) {
    // Filler of "7\n" pairs up to the boundary minus `before` bytes, then the token.
    const std::size_t start = kBlock - before;
    std::string text;
    text.reserve(kBlock + token.size() + 16);
    while (text.size() + 2 <= start) {
      text += "7\n";
    }
    text.append(start - text.size(), ' ');
    const auto filler = static_cast<std::int64_t>(start / 2);
    text += token;
    text += " 0.125\n";
    const std::int64_t count = filler + 3;
    dir.Write("prob.txt", text);
    ReadPlan plan = CountOf(count);
    plan.kept = count;
    const ProbabilityRead got = ReadProbabilityFile(path.c_str(), plan);
    ASSERT_TRUE(SameAsOracle(got, text, count))
        << "token starts " << before << " bytes before the block boundary";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BlockBoundary,
    ::testing::Values(StraddleCase{"Decimal", "-12.375e-3"}, StraddleCase{"SignedExponent", "1E+2"},
                      StraddleCase{"TwentyDigits", "12345678901234567890.5"},
                      StraddleCase{"ExponentWithoutDigits", "1e"},
                      StraddleCase{"ExponentSignWithoutDigits", "1e-"},
                      StraddleCase{"LonePoint", "."}, StraddleCase{"LoneSign", "-"},
                      StraddleCase{"TwoPoints", "1.2.3"}, StraddleCase{"Crlf", "\r\n0.5\r\n"},
                      StraddleCase{"Overflow", "1e999"}, StraddleCase{"Underflow", "-1e-400"},
                      StraddleCase{"Hex", "0x1p3"}, StraddleCase{"Word", "nan"}),
    [](const ::testing::TestParamInfo<StraddleCase>& info) { return info.param.name; });

// Single tokens longer than a block, which the reader has to gather across many reads.
struct LongTokenCase {
  std::string name;
  std::string text;
  std::int64_t count;
};

std::ostream& operator<<(std::ostream& out, const LongTokenCase& c) {
  return out << c.name << " (" << c.text.size() << " bytes)";
}

std::vector<LongTokenCase> LongTokens() {
  constexpr std::size_t kTen = 10'000'000;
  std::string random_fraction = "0.";
  Fragments fragments(5);
  random_fraction += fragments.Digits(kTen);
  return {
      {"TenMillionFractionDigits", random_fraction + "\n0.5", 3},
      {"TenMillionDigitInteger", "0.25 " + std::string(kTen, '1') + " 3", 3},
      {"TenMillionLeadingZeros", std::string(kTen, '0') + "12.5 1", 2},
      {"TenMillionZerosCancelledByExponent", "0." + std::string(kTen - 1, '0') + "1e10000000", 1},
      {"TenMillionNegativeZeros", "-" + std::string(kTen, '0'), 1},
      // Just over a million zeros after the point, and an exponent of more than a million that
      // cancels them (1.0) or goes far beyond them (overflow).
      {"MillionZerosCancelledByExponent", "0." + std::string(1'000'004, '0') + "1e1000005", 1},
      {"MillionZerosThenHugeExponent", "0.5 0." + std::string(1'000'004, '0') + "1e9999999", 2},
      {"MillionZerosThenHugeNegativeExponent",
       "0.5 -0." + std::string(1'000'004, '0') + "1e-9999999 3", 3},
      {"MillionIntegerZerosThenHugeNegativeExponent",
       "1" + std::string(1'000'004, '0') + "e-1000005 3", 2},
      {"ThreeBlocksOfBlanks", std::string(3 * kBlock + 17, ' ') + "0.5", 2},
      {"ThreeBlocksOfBlanksOnly", std::string(3 * kBlock + 17, '\n'), 2},
      {"LongTokenAfterNumbers", "0.5 0.25 1." + std::string(2 * kBlock + 3, '0') + "3 7", 5},
  };
}

class LongToken : public ::testing::TestWithParam<std::tuple<LongTokenCase, Way>> {};

TEST_P(LongToken, MatchesStreamExtraction) {
  const auto& [c, way] = GetParam();
  EXPECT_TRUE(SameAsOracle(ReadBy(way, c.text, c.count), c.text, c.count));
}

INSTANTIATE_TEST_SUITE_P(Table, LongToken,
                         ::testing::Combine(::testing::ValuesIn(LongTokens()),
                                            ::testing::ValuesIn(kWays)),
                         [](const auto& info) {
                           return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// Exact block sums: the numbers as written, summed block by block in the same pass, against
// ExactDecimal of each number the stream extraction reads (tests/support/exact_sums_oracle.h).

using testing::ExactBlockSumsOracle;
using testing::ExactSumsOracle;

// A rational for a failure message, shortened: some have hundreds of thousands of digits.
std::string Shown(const Rational& x) {
  constexpr std::size_t kShown = 120;
  const std::string text = x.get_str();
  return text.size() <= kShown
             ? text
             : text.substr(0, kShown) + "... (" + std::to_string(text.size()) + " characters)";
}

// The read's exact block sums equal the oracle's, or both find no sums and the read names the
// number the oracle refused, by its place and its first 20 characters. The doubles are those
// of the stream extraction, bit for bit, as they are without the sums.
::testing::AssertionResult SameExactSumsAsOracle(const ProbabilityRead& got,
                                                 const std::string& text,
                                                 const std::vector<std::int64_t>& sizes) {
  std::int64_t count = 0;
  for (const std::int64_t size : sizes) {
    count += size;
  }
  if (::testing::AssertionResult same = SameAsOracle(got, text, count, sizes); !same) {
    return same;
  }
  const ExactSumsOracle want = ExactBlockSumsOracle(text, sizes);
  if (!want.sums) {
    const std::string named = "number " + std::to_string(want.place) + ", \"" +
                              want.refused.substr(0, 20) +
                              (want.refused.size() > 20 ? "...\"" : "\"");
    if (got.exact || !got.exact_block_sums.empty() ||
        got.exact_problem.find(named) == std::string::npos) {
      return ::testing::AssertionFailure()
             << "exact = " << got.exact << ", " << got.exact_block_sums.size()
             << " sums, problem \"" << got.exact_problem << "\"; the oracle refuses " << named
             << " in \"" << Printable(text) << "\"";
    }
    return ::testing::AssertionSuccess();
  }
  if (!got.exact || !got.exact_problem.empty() || got.exact_block_sums.size() != sizes.size()) {
    return ::testing::AssertionFailure()
           << "exact = " << got.exact << ", " << got.exact_block_sums.size() << " sums of "
           << sizes.size() << ", problem \"" << got.exact_problem << "\" for \"" << Printable(text)
           << "\"";
  }
  for (std::size_t k = 0; k < sizes.size(); ++k) {
    if (got.exact_block_sums[k] != (*want.sums)[k]) {
      return ::testing::AssertionFailure()
             << "block " << k << " sums to " << Shown(got.exact_block_sums[k]) << ", want "
             << Shown((*want.sums)[k]) << " for \"" << Printable(text) << "\"";
    }
  }
  return ::testing::AssertionSuccess();
}

// Two blocks around an empty one, for a table made with a count alone.
std::vector<std::int64_t> HalvesOf(std::int64_t count) {
  return {count / 2, 0, count - count / 2};
}

TEST_P(AwkwardFile, ExactSumsMatchOracle) {
  const auto& [c, way] = GetParam();
  const std::vector<std::int64_t> sizes = HalvesOf(c.count);
  const ProbabilityRead got = ReadBy(way, c.text, BlocksOf(sizes));
  EXPECT_TRUE(SameExactSumsAsOracle(got, c.text, sizes));
  EXPECT_TRUE(got.problem.empty()) << got.problem;
}

// Spelled-out sums, so that the oracle itself is pinned down.
struct KnownExactSums {
  std::string name;
  std::string text;
  std::vector<std::int64_t> sizes;
  std::optional<std::vector<std::string>> sums;  // in lowest terms; none when refused
  std::string problem;                           // part of the reason when refused
};

std::ostream& operator<<(std::ostream& out, const KnownExactSums& c) {
  return out << c.name << ": \"" << Printable(c.text) << "\"";
}

// "1/1000...": 10^-k as GMP writes it.
std::string TenToMinus(std::size_t k) {
  return "1/1" + std::string(k, '0');
}

std::vector<KnownExactSums> KnownExactSumsTable() {
  const std::string million_zeros(1'000'004, '0');
  const std::string many_zeros(kLargestExactExponent + 5, '0');
  return {
      {"TenthsAreExact", "0.1 0.2 0.3", {3}, {{"3/5"}}, ""},
      {"BlocksInFileOrder", "0.5 0.25 0.125\n0.0625", {3, 1}, {{"7/8", "1/16"}}, ""},
      {"EmptyBlocksSumToZero", "0.5 0.25", {0, 2, 0}, {{"0", "3/4", "0"}}, ""},
      {"ShortFileRepeatsLastExactly", "0.1 0.2", {2, 3}, {{"3/10", "3/5"}}, ""},
      {"BadTokenRepeatsLastExactly", "0.5 0.1 x 7", {2, 2}, {{"3/5", "1/5"}}, ""},
      {"OverflowRepeatsLastExactly", "0.3 1e999 2", {3}, {{"9/10"}}, ""},
      {"NothingReadGivesZeros", "abc", {2, 1}, {{"0", "0"}}, ""},
      {"NegativeZeros", "-0 -0.0e7 0.5 -.0", {4}, {{"1/2"}}, ""},
      {"UnderflowKeepsItsValue", "1e-400 -1e-400 1e-400", {3}, {{TenToMinus(400)}}, ""},
      {"LongMantissasCancel",
       "0.12345678901234567890123456789 -0.12345678901234567890123456789 7",
       {3},
       {{"7"}},
       ""},
      {"SumsBeyondSixtyFourBits",
       "9999999999999999999 9999999999999999999 -1 -9999999999999999999",
       {3, 1},
       {{"19999999999999999997", "-9999999999999999999"}},
       ""},
      {"PowersAtAndBeyondTheWindow",
       "1e30 1e31 -1e-30 -1e-31",
       {2, 2},
       {{"11" + std::string(30, '0'), "-11/1" + std::string(31, '0')}},
       ""},
      {"ZeroWithHugeExponent", "0e999999999 0.5 -0e-99999999999", {3}, {{"1/2"}}, ""},
      {"TrailingZerosDoNotCount",
       "1." + many_zeros + " 5" + many_zeros + "e-100005",
       {2},
       {{"6"}},
       ""},
      {"LimitItself", "1e-100000", {1}, {{TenToMinus(100000)}}, ""},
      {"MillionZerosCancelledByExponent", "0." + million_zeros + "1e1000005", {1}, {{"1"}}, ""},
      {"MillionZerosBeforeALongMantissa",
       "0." + million_zeros + "12345678901234567890123e1000005",
       {1},
       {{"12345678901234567890123/1" + std::string(22, '0')}},
       ""},
      {"PowerBeyondLimit", "0.5 1e-100001 0.25", {3}, std::nullopt, "number 2, \"1e-100001\""},
      {"ShortFileAfterPowerBeyondLimit", "-1e-100001", {1, 2}, std::nullopt, "number 1,"},
      {"LongTokenNamedByTwentyCharacters",
       "0.5 0.25 -12345678901234567890123e-100030",
       {1, 2},
       std::nullopt,
       "number 3, \"-1234567890123456789...\""},
      {"MillionZerosThenPowerBeyondLimit",
       "0.5 0." + million_zeros + "1e-9999999",
       {2},
       std::nullopt,
       "number 2, \"0.000000000000000000...\""},
  };
}

class KnownExactFile : public ::testing::TestWithParam<KnownExactSums> {};

TEST_P(KnownExactFile, GivesTheSpelledOutSums) {
  const KnownExactSums& c = GetParam();
  const ExactSumsOracle oracle = ExactBlockSumsOracle(c.text, c.sizes);
  ASSERT_EQ(oracle.sums.has_value(), c.sums.has_value()) << "oracle refuses " << oracle.refused;
  if (c.sums) {
    ASSERT_EQ(oracle.sums->size(), c.sums->size());
    for (std::size_t k = 0; k < c.sums->size(); ++k) {
      EXPECT_EQ((*oracle.sums)[k].get_str(), (*c.sums)[k]) << "oracle block " << k;
    }
  }
  for (const Way& way : kWays) {
    const ProbabilityRead got = ReadBy(way, c.text, BlocksOf(c.sizes));
    EXPECT_EQ(got.exact, c.sums.has_value()) << got.exact_problem;
    if (c.sums) {
      ASSERT_EQ(got.exact_block_sums.size(), c.sums->size());
      for (std::size_t k = 0; k < c.sums->size(); ++k) {
        EXPECT_EQ(got.exact_block_sums[k].get_str(), (*c.sums)[k]) << "block " << k;
      }
      EXPECT_EQ(got.exact_problem, "");
    } else {
      EXPECT_TRUE(got.exact_block_sums.empty());
      EXPECT_NE(got.exact_problem.find(c.problem), std::string::npos) << got.exact_problem;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, KnownExactFile, ::testing::ValuesIn(KnownExactSumsTable()),
                         [](const ::testing::TestParamInfo<KnownExactSums>& info) {
                           return info.param.name;
                         });

// Numbers aimed at the exact sums: mantissas of up to 40 digits with leading and trailing
// zeros, the point anywhere, powers of ten on both sides of the edges of the reader's integer
// accumulators (10^-30 .. 10^30) and, now and then, of kLargestExactExponent.
std::string WideNumber(Fragments& fragments) {
  std::string number = fragments.Sign();
  if (fragments.Pick(4) == 0) {
    number += std::string(1 + fragments.Pick(4), '0');
  }
  const std::size_t length =
      fragments.Pick(3) == 0 ? 20 + fragments.Pick(21) : 1 + fragments.Pick(19);
  std::string digits = fragments.Digits(length);
  if (fragments.Pick(4) == 0) {
    digits += std::string(1 + fragments.Pick(6), '0');
  }
  const std::size_t point = fragments.Pick(digits.size() + 3);
  if (point <= digits.size()) {
    digits.insert(point, ".");
  }
  number += digits;
  if (fragments.Pick(2) == 0) {
    number += fragments.Pick(2) == 0 ? "e" : "E";
    const bool near_limit = fragments.Pick(60) == 0;
    const long exponent =
        near_limit ? -(kLargestExactExponent - 25 + static_cast<long>(fragments.Pick(50)))
                   : static_cast<long>(fragments.Pick(91)) - 45;
    number += exponent < 0 ? "-" : (fragments.Pick(3) == 0 ? "+" : "");
    number += std::to_string(std::labs(exponent));
  }
  return number;
}

// A text of wide numbers with the reader's other tokens and junk among them, and a random
// layout of blocks (some empty) over a count that may pass the numbers present.
struct ExactRound {
  std::string text;
  std::vector<std::int64_t> sizes;
};

ExactRound RandomExactRound(Fragments& fragments) {
  ExactRound round;
  const std::size_t tokens = fragments.Pick(30);
  for (std::size_t k = 0; k < tokens; ++k) {
    const std::uint64_t kind = fragments.Pick(20);
    round.text += kind < 14   ? WideNumber(fragments)
                  : kind < 19 ? fragments.Number()
                              : fragments.Junk();
    round.text += fragments.Separator();
  }
  auto left = static_cast<std::int64_t>(fragments.Pick(tokens + 6));
  while (left > 0 || fragments.Pick(3) == 0) {
    const auto size =
        static_cast<std::int64_t>(fragments.Pick(static_cast<std::uint64_t>(left) + 1));
    round.sizes.push_back(size);
    left -= size;
  }
  return round;
}

TEST(RandomTexts, InMemoryExactSumsMatchOracle) {
  Fragments fragments(20261210);
  for (const Way& way : kWays) {
    if (way.through_file) {
      continue;
    }
    for (int round = 0; round < 5000; ++round) {
      const ExactRound r = RandomExactRound(fragments);
      ASSERT_TRUE(SameExactSumsAsOracle(ReadBy(way, r.text, BlocksOf(r.sizes)), r.text, r.sizes))
          << way << ", round " << round;
    }
  }
}

// Half of the texts read in the usual blocks are shifted by blanks so that the first block ends
// at a random character of theirs, usually inside a number; the others are cut into chunks of a
// few bytes. (A shifted text in chunks that small would be a megabyte of hand-overs between the
// threads, and test nothing the two kinds do not.)
TEST(RandomTexts, FileExactSumsMatchOracle) {
  Fragments fragments(4242);
  ScratchDirectory dir;
  const std::string path = (dir.path() / "prob.txt").string();
  for (int round = 0; round < 1000; ++round) {
    ExactRound r = RandomExactRound(fragments);
    const bool small_chunks = round % 3 == 2;
    if (!small_chunks && fragments.Pick(2) == 0 && !r.text.empty()) {
      const std::size_t cut = fragments.Pick(r.text.size());
      r.text.insert(0, kBlock - cut, fragments.Pick(2) == 0 ? ' ' : '\n');
    }
    dir.Write("prob.txt", r.text);
    ReadPlan plan = BlocksOf(r.sizes);
    plan.kept = std::accumulate(r.sizes.begin(), r.sizes.end(), std::int64_t{0});
    plan.threads = round % 3 == 0 ? 1 : 2;
    plan.chunk_bytes = small_chunks ? 1 + fragments.Pick(16) : 0;
    ASSERT_TRUE(SameExactSumsAsOracle(ReadProbabilityFile(path.c_str(), plan), r.text, r.sizes))
        << "round " << round;
  }
}

// ---------------------------------------------------------------------------------------------
// A word longer than the longest word read stops the read at its start, from memory and from a
// file alike, however the text is cut, and a file is never held whole for it.

struct OverlongCase {
  std::string name;
  std::string text;
  std::int64_t good;  // the numbers read before the stop
  std::int64_t line;
  std::int64_t column;
};

class OverlongWord : public ::testing::TestWithParam<std::tuple<OverlongCase, Way>> {};

constexpr std::size_t kTestLongestWord = 40;

TEST_P(OverlongWord, StopsAtItsStart) {
  const auto& [row, way] = GetParam();
  ReadPlan plan = CountOf(5);
  plan.longest_word = kTestLongestWord;
  const ProbabilityRead read = ReadBy(way, row.text, plan);
  EXPECT_EQ(read.good, row.good);
  EXPECT_EQ(read.end, ReadEnd::kNotANumber);
  EXPECT_TRUE(read.stop.overlong);
  EXPECT_EQ(read.stop.line, row.line);
  EXPECT_EQ(read.stop.column, row.column);
  EXPECT_TRUE(read.stop.word_cut);
  EXPECT_NE(StopWarning("prob.txt", read).find("no number is that long"), std::string::npos);
}

const std::string kDigits41(41, '1');
const std::string kDigits40(40, '1');

INSTANTIATE_TEST_SUITE_P(
    Table, OverlongWord,
    ::testing::Combine(
        ::testing::Values(
            OverlongCase{"AtTheStart", kDigits41, 0, 1, 1},
            OverlongCase{"AfterTwoNumbers", "0.5 0.25\n" + kDigits41 + " 0.5", 2, 2, 1},
            OverlongCase{"AtTheEnd", "0.5 0.5 " + kDigits41, 2, 1, 9},
            OverlongCase{"GluedNumbers", "0.5 " + std::string(30, '1') + "-1-1-1-1-1-1", 1, 1, 5},
            OverlongCase{"Zeros", "0.5\n" + std::string(200, '\0'), 1, 2, 1}),
        ::testing::ValuesIn(kWays)),
    [](const auto& info) {
      return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name;
    });

// A word of exactly the longest length is read as any other.
TEST(OverlongWord, TheLongestWordIsRead) {
  for (const Way& way : kWays) {
    ReadPlan plan = CountOf(2);
    plan.longest_word = kTestLongestWord;
    const ProbabilityRead read = ReadBy(way, kDigits40 + " 0.5", plan);
    EXPECT_EQ(read.good, 2) << way;
    EXPECT_FALSE(read.stop.overlong) << way;
  }
}

// A file that never gives white space ends the read once its word passes the longest word.
TEST(OverlongWord, EndlessFileStops) {
  if (!std::filesystem::exists("/dev/zero")) {
    GTEST_SKIP() << "no /dev/zero here";
  }
  const ProbabilityRead read = ReadProbabilityFile("/dev/zero", CountOf(3));
  EXPECT_EQ(read.good, 0);
  EXPECT_EQ(read.end, ReadEnd::kNotANumber);
  EXPECT_TRUE(read.stop.overlong);
  EXPECT_EQ(read.stop.column, 1);
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be read.

TEST(UnreadableProbabilityFile, MissingFileGivesReasonAndZeros) {
  ScratchDirectory dir;
  const ProbabilityRead read = ReadProbabilityFile((dir.path() / "absent.txt").c_str(), 4);
  EXPECT_FALSE(read.problem.empty());
  EXPECT_EQ(read.good, 0);
  ASSERT_EQ(read.block_sums.size(), 1u);
  for (double v : read.block_sums) {
    EXPECT_TRUE(SameBits(v, 0.0));
  }
}

TEST(UnreadableProbabilityFile, DirectoryGivesReasonAndZeros) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.path() / "prob.txt");
  const ProbabilityRead read = ReadProbabilityFile((dir.path() / "prob.txt").c_str(), 3);
  EXPECT_FALSE(read.problem.empty());
  EXPECT_EQ(read.good, 0);
  ASSERT_EQ(read.block_sums.size(), 1u);
  for (double v : read.block_sums) {
    EXPECT_TRUE(SameBits(v, 0.0));
  }
}

TEST(UnreadableProbabilityFile, MissingFileGivesReasonAndExactZeros) {
  ScratchDirectory dir;
  const ProbabilityRead read =
      ReadProbabilityFile((dir.path() / "absent.txt").c_str(), BlocksOf({2, 0, 1}));
  EXPECT_FALSE(read.problem.empty());
  EXPECT_EQ(read.block_sums, (Vector{0.0, 0.0, 0.0}));
  EXPECT_TRUE(read.exact);
  EXPECT_EQ(read.exact_block_sums, (std::vector<Rational>{0, 0, 0}));
}

TEST(UnreadableProbabilityFile, MissingFileWithCountZeroStillReportsReason) {
  ScratchDirectory dir;
  const ProbabilityRead read = ReadProbabilityFile((dir.path() / "absent.txt").c_str(), 0);
  EXPECT_FALSE(read.problem.empty());
  EXPECT_EQ(read.good, 0);
}

// ---------------------------------------------------------------------------------------------
// Why and where a read ended, from memory and from a file alike.

struct ReadEndCase {
  const char* name;
  std::string text;
  std::int64_t count;
  ReadEnd end;
  StopPlace stop;  // compared when the read stopped at a token
  bool more_follows = false;
};

void PrintTo(const ReadEndCase& row, std::ostream* os) {
  *os << row.name;
}

std::vector<ReadEndCase> ReadEndCases() {
  const std::string cut_word(30, 'z');
  return {
      {"CommaAfterANumber",
       "0.5,0.5",
       3,
       ReadEnd::kNotANumber,
       {1, 4, ",0.5", false, "0.5", false}},
      {"WordOpeningALine",
       "0.5\n\tabc def",
       3,
       ReadEnd::kNotANumber,
       {2, 2, "abc", false, "", true}},
      {"CrLfLines", "0.5\r\n0.5\r\n%x", 3, ReadEnd::kNotANumber, {3, 1, "%x", false, "", true}},
      {"LongWordIsCut",
       "1 " + cut_word,
       3,
       ReadEnd::kNotANumber,
       {1, 3, std::string(kShownToken, 'z'), true, "", false}},
      {"NumberCutShort", "0.5 1e+ 2", 3, ReadEnd::kNotANumber, {1, 5, "1e+", false, "", false}},
      // Everything glued before the word counts, two numbers here.
      {"GluedNumbers",
       "0.5-0.5abc",
       3,
       ReadEnd::kNotANumber,
       {1, 8, "abc", false, "0.5-0.5", false}},
      {"ManyLinesBeforeTheStop",
       std::string(2'500'000, '\n') + "x",
       3,
       ReadEnd::kNotANumber,
       {2'500'001, 1, "x", false, "", true}},
      // The word and the number glued to it straddle the first block's end.
      {"WordAcrossABlockEnd",
       std::string(kBlock - 3, ' ') + "1 abcdefgh",
       3,
       ReadEnd::kNotANumber,
       {1, static_cast<std::int64_t>(kBlock), "abcdefgh", false, "", false}},
      {"GluedNumberAcrossABlockEnd",
       std::string(kBlock - 2, ' ') + "0.5,x",
       3,
       ReadEnd::kNotANumber,
       {1, static_cast<std::int64_t>(kBlock) + 2, ",x", false, "0.5", false}},
      {"EndOfData", "0.5 0.5 \n", 3, ReadEnd::kEndOfData, {}},
      {"OnlyBlanksFollow", "0.5 0.5 \n\t ", 2, ReadEnd::kCount, {}, false},
      {"ANumberFollows", "0.5 0.5\n0.7", 2, ReadEnd::kCount, {}, true},
      {"JunkFollows", "0.5 0.5 end", 2, ReadEnd::kCount, {}, true},
      {"NothingAskedFor", " x", 0, ReadEnd::kCount, {}, true},
  };
}

class ReadEndTest : public ::testing::TestWithParam<std::tuple<ReadEndCase, Way>> {};

void ExpectEnd(const ProbabilityRead& read, const ReadEndCase& row) {
  EXPECT_EQ(read.end, row.end);
  EXPECT_EQ(read.more_follows, row.more_follows);
  if (row.end == ReadEnd::kNotANumber) {
    EXPECT_EQ(read.stop.line, row.stop.line);
    EXPECT_EQ(read.stop.column, row.stop.column);
    EXPECT_EQ(read.stop.word, row.stop.word);
    EXPECT_EQ(read.stop.word_cut, row.stop.word_cut);
    EXPECT_EQ(read.stop.number_before, row.stop.number_before);
    EXPECT_EQ(read.stop.starts_line, row.stop.starts_line);
  }
}

TEST_P(ReadEndTest, EndsAsDescribed) {
  const auto& [row, way] = GetParam();
  ExpectEnd(ReadBy(way, row.text, row.count), row);
}

INSTANTIATE_TEST_SUITE_P(Table, ReadEndTest,
                         ::testing::Combine(::testing::ValuesIn(ReadEndCases()),
                                            ::testing::ValuesIn(kWays)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------------
// "prob.txt" in the working directory, with the count from n and m.

// Runs the test body inside a scratch directory and returns to the old working directory.
class ProbTxtInWorkingDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override { std::filesystem::current_path(saved_); }

  ScratchDirectory dir_;
  std::filesystem::path saved_;
};

TEST_F(ProbTxtInWorkingDirectory, OrderZeroReadsNothingAndNeedsNoFile) {
  const ProbabilityRead read = ReadProbabilities(4, 0);
  EXPECT_TRUE(read.block_sums.empty());
  EXPECT_EQ(read.good, 0);
  EXPECT_TRUE(read.problem.empty()) << read.problem;
}

TEST_F(ProbTxtInWorkingDirectory, NegativeOrderReadsNothing) {
  dir_.Write("prob.txt", "0.5 0.5");
  const ProbabilityRead read = ReadProbabilities(4, -1);
  EXPECT_TRUE(read.block_sums.empty());
  EXPECT_EQ(read.good, 0);
}

TEST_F(ProbTxtInWorkingDirectory, OrderAboveEventsReadsOnlyExistingBlocks) {
  // n = 2, m = 3: blocks of 2, 1 and 0 numbers.
  dir_.Write("prob.txt", "0.5 0.25\n0.125\n0.0625 0.03125\n");
  const ProbabilityRead read = ReadProbabilities(2, 3);
  EXPECT_EQ(read.block_sums, (Vector{0.5 + 0.25, 0.125, 0.0}));
  EXPECT_EQ(read.good, 3);
  EXPECT_TRUE(read.problem.empty()) << read.problem;
}

TEST_F(ProbTxtInWorkingDirectory, FourEventsSecondOrderReadsTen) {
  std::string text;
  Vector want;
  for (int k = 1; k <= 12; ++k) {
    text += std::to_string(k) + "e-2" + (k % 4 == 0 ? "\n" : " ");
    if (k <= 10) {
      want.push_back(std::stod(std::to_string(k) + "e-2"));
    }
  }
  dir_.Write("prob.txt", text);
  const ProbabilityRead read = ReadProbabilities(4, 2);
  EXPECT_EQ(read.block_sums, (Vector{std::accumulate(want.begin(), want.begin() + 4, 0.0),
                                     std::accumulate(want.begin() + 4, want.end(), 0.0)}));
  EXPECT_EQ(read.good, 10);
}

TEST_F(ProbTxtInWorkingDirectory, ShortFileRepeatsLastNumber) {
  // n = 7, m = 1 needs seven numbers; the file has five.
  dir_.Write("prob.txt", "0.1 0.2 0.3 0.4 0.5");
  const ProbabilityRead read = ReadProbabilities(7, 1);
  EXPECT_EQ(read.block_sums, (Vector{0.0 + 0.1 + 0.2 + 0.3 + 0.4 + 0.5 + 0.5 + 0.5}));
  EXPECT_EQ(read.last, 0.5);
  EXPECT_EQ(read.good, 5);
}

TEST_F(ProbTxtInWorkingDirectory, MissingFileGivesZerosAndReason) {
  const ProbabilityRead read = ReadProbabilities(3, 1);
  EXPECT_EQ(read.block_sums, (Vector{0.0}));
  EXPECT_EQ(read.good, 0);
  EXPECT_FALSE(read.problem.empty());
}

TEST_F(ProbTxtInWorkingDirectory, LineLayoutDoesNotMatter) {
  dir_.Write("prob.txt", "0.4 0.3 0.2 0.1 0.05 0.04 0.03");
  const Vector one_line = ReadProbabilities(3, 3).block_sums;
  dir_.Write("prob.txt", "0.4\n0.3\r\n0.2\n\n0.1\t0.05\n  0.04\n0.03\n");
  const Vector many_lines = ReadProbabilities(3, 3).block_sums;
  EXPECT_EQ(one_line, many_lines);
  EXPECT_EQ(one_line, (Vector{0.0 + 0.4 + 0.3 + 0.2, 0.0 + 0.1 + 0.05 + 0.04, 0.0 + 0.03}));
}

TEST_F(ProbTxtInWorkingDirectory, ExactSumsFollowTheMomentBlocks) {
  // n = 2, m = 3: blocks of 2, 1 and 0 numbers; the third order has sum 0.
  dir_.Write("prob.txt", "0.1 0.7\n0.3\n0.0625 0.03125\n");
  const ProbabilityRead read = ReadProbabilities(2, 3);
  EXPECT_TRUE(read.exact) << read.exact_problem;
  EXPECT_EQ(read.exact_block_sums, (std::vector<Rational>{Rational(4, 5), Rational(3, 10), 0}));
}

TEST_F(ProbTxtInWorkingDirectory, NoEventsGiveZeroSumsWithoutAFile) {
  const ProbabilityRead read = ReadProbabilities(0, 2);
  EXPECT_TRUE(read.problem.empty()) << read.problem;
  EXPECT_TRUE(read.exact);
  EXPECT_EQ(read.exact_block_sums, (std::vector<Rational>{0, 0}));
}

TEST(MomentBlocks, HoldTheBinomialCountsOfEachOrder) {
  EXPECT_EQ(MomentBlocks(4, 6).sizes, (std::vector<std::int64_t>{4, 6, 4, 1, 0, 0}));
  EXPECT_EQ(MomentBlocks(30, 2).sizes, (std::vector<std::int64_t>{30, 435}));
  EXPECT_TRUE(MomentBlocks(5, 0).sizes.empty());
}

TEST(ExactBlocks, NegativeSizeIsRefused) {
  EXPECT_THROW(ParseProbabilities("1 2", BlocksOf({2, -1})), std::invalid_argument);
}

}  // namespace
}  // namespace unionbound
