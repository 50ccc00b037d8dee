// Hostile and mistaken input, one row per case: each row runs the built program in a fresh
// directory and checks its exit status, standard output (exactly, where the input is defined),
// standard error against a pattern, and what became of "result.txt".
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>

#include "tests/support/batch_runs.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

namespace fs = std::filesystem;
using testing::kHalfAndQuarter;
using testing::MaskRunningTimes;
using testing::ProgramRun;
using testing::RunProgram;
using testing::ScratchDirectory;

constexpr const char* kFirstPrompt = "Number of events. n=";
constexpr const char* kPrompts = "Number of events. n=Maximum order of the intersections. m=";

// What a run on the three events of kHalfAndQuarter prints.
const std::string kHalfAndQuarterOut = std::string(kPrompts) +
                                       "\nSharp lower bound on the probability of the union:\n"
                                       "0.75\nRunning time: <time>\nBasis subscripts:\n{0,1,2,}\n"
                                       "\nSharp upper bound on the probability of the union:\n"
                                       "1\nRunning time: <time>\nBasis subscripts:\n{0,1,3,}\n"
                                       "\nPress RETURN to continue";

// What a row expects of "result.txt".
enum class ResultFile {
  kAbsent,      // never created
  kUnchanged,   // as it was before the run, byte for byte
  kOneReport,   // what it held before, then exactly one whole report
  kNotChecked,  // not a regular file the test can read back (a device)
};

struct BadInput {
  const char* name;
  std::string keyboard;
  std::function<void(const ScratchDirectory&)> prepare;
  int exit_status;
  std::optional<std::string> out;  // exact, running times masked; else only its frame
  std::string err_pattern;         // ECMAScript pattern the whole of standard error matches
  ResultFile result;
  bool needs_permissions = false;     // run as an ordinary user: root ignores permission bits
  std::string arguments = "";         // on the command line
  std::string out_path = "";          // standard output goes there instead of being read back
  const char* out_pattern = nullptr;  // ECMAScript pattern standard output matches, for `out`
};

std::function<void(const ScratchDirectory&)> Prob(std::string text) {
  return [text](const ScratchDirectory& dir) { dir.Write("prob.txt", text); };
}

std::function<void(const ScratchDirectory&)> Both(std::function<void(const ScratchDirectory&)> a,
                                                  std::function<void(const ScratchDirectory&)> b) {
  return [a, b](const ScratchDirectory& dir) {
    a(dir);
    b(dir);
  };
}

void Nothing(const ScratchDirectory&) {}

// One report as a run appends it, whatever its figures.
const std::regex kOneReport(
    "n=\\d+, m=\\d+\\nThe binomial moments:\\n\\{[^\\n]*\\}\\n"
    "\\nSharp lower bound on the probability of the union:\\n[^\\n]+\\nRunning time: [^\\n]+\\n"
    "Basis subscripts:\\n\\{[^\\n]*\\}\\n"
    "\\nSharp upper bound on the probability of the union:\\n[^\\n]+\\nRunning time: [^\\n]+\\n"
    "Basis subscripts:\\n\\{[^\\n]*\\}\\n\\n");

const std::string kEarlierReports =
    "n=1, m=0\nThe binomial moments:\n{1.00000000000000000000,}\n\nSharp lower bound on the "
    "probability of the union:\n0.000000000000000\nRunning time: 0.000000000000000\nBasis "
    "subscripts:\n{0,}\n\nSharp upper bound on the probability of the union:\n"
    "1.000000000000000\nRunning time: 0.000000000000000\nBasis subscripts:\n{1,}\n\n";

// n = 9, m = 7: the binomial moments of the distribution of the number of events
// (1, 2, 2, 7, 0, 7, 0, 3, 0, 0) / 22, each block's sum in its first entry. The maximum's basis
// changes come back to a basis they left.
std::string RepeatingWalkFile() {
  const char* moments[] = {"3.7727272727272729", "7.0909090909090899", "8.2727272727272734",
                           "6.3636363636363633", "3.1818181818181817", "0.95454545454545447",
                           "0.13636363636363635"};
  const int block_sizes[] = {9, 36, 84, 126, 126, 84, 36};
  std::string text;
  for (int i = 0; i < 7; ++i) {
    text += moments[i];
    for (int k = 1; k < block_sizes[i]; ++k) {
      text += " 0";
    }
    text += "\n";
  }
  return text;
}

// n independent events of probability 1/2: each intersection of i events has 2^-i.
std::string IndependentHalves(int n, int m) {
  std::string text;
  double probability = 1.0;
  for (int i = 1; i <= m; ++i) {
    probability /= 2.0;
    long count = 1;
    for (int j = 1; j <= i; ++j) {
      count = count * (n - i + j) / j;
    }
    for (long k = 0; k < count; ++k) {
      text += std::to_string(probability) + " ";
    }
  }
  return text;
}

const std::string kNotWholeN =
    "unionbound: n \\(the number of events\\) must be a whole number from 0 to 2147483647, not ";
const std::string kNotWholeM =
    "unionbound: m \\(the maximum order of the intersections\\) must be a whole number from 0 "
    "to 20, not ";
const std::string kNoNumber =
    "unionbound: \"prob\\.txt\" starts with no number; 6 intersection probabilities are "
    "needed\\n";

// Regular expressions of the exact check's line on data that fit no distribution.
const std::string kNoDistribution =
    "unionbound: the data as written fit no probability distribution: ";
const std::string kNoBound = "; no value shown is a bound for real events\\n";

// The warning of a read that stopped at a token that is not a number; `word` and `cause` are
// patterns.
std::string StopWarning(int line, int column, const std::string& word, const std::string& cause) {
  return "unionbound: warning: reading \"prob\\.txt\" stopped at line " + std::to_string(line) +
         ", column " + std::to_string(column) + ", at \"" + word +
         "\", which is not a number: " + cause + "\\n";
}

const std::string kCommaCause = "a comma between numbers\\? Numbers are separated by white space";
const std::string kHeaderCause =
    "a header or comment line\\? The file holds numbers and white space only";
const std::string kNotANumberCause = "the file holds numbers and white space only";

std::string ImprobableWarning(int improbable, int read, const std::string& first) {
  return "unionbound: warning: " + std::to_string(improbable) + " of the " + std::to_string(read) +
         " numbers read from \"prob\\.txt\" " + (improbable == 1 ? "is" : "are") +
         " no probability \\(outside \\[0, 1\\]\\); the first is number " + first + "\\n";
}

const std::string kExcessWarning =
    "unionbound: warning: \"prob\\.txt\" holds more than the 6 numbers that n=3, m=2 need; the "
    "rest is ignored: check n and m\\n";

// What a run on three events of probability 0 prints: the negative zeros of odd m.
const std::string kZerosOut = std::string(kPrompts) +
                              "\nSharp lower bound on the probability of the union:\n"
                              "-0\nRunning time: <time>\nBasis subscripts:\n{0,3,}\n"
                              "\nSharp upper bound on the probability of the union:\n"
                              "-0\nRunning time: <time>\nBasis subscripts:\n{0,1,}\n"
                              "\nPress RETURN to continue";

std::string ShortFileWarning(int read, int needed) {
  return "unionbound: warning: \"prob\\.txt\" gave " + std::to_string(read) + " of the " +
         std::to_string(needed) + " numbers needed; the last number read stands for the other " +
         std::to_string(needed - read) + "\\n";
}

const BadInput kRows[] = {
    // The keyboard.
    {"Letters", "x\n2\n", Prob(kHalfAndQuarter), 2, kFirstPrompt, kNotWholeN + "\"x\"\\n",
     ResultFile::kAbsent},
    {"Fraction", "3.5\n2\n", Prob(kHalfAndQuarter), 2, kFirstPrompt, kNotWholeN + "\"3\\.5\"\\n",
     ResultFile::kAbsent},
    {"Exponent", "1e3\n2\n", Prob(kHalfAndQuarter), 2, kFirstPrompt, kNotWholeN + "\"1e3\"\\n",
     ResultFile::kAbsent},
    {"PlusSign", "+3\n2\n\n", Prob(kHalfAndQuarter), 0, kHalfAndQuarterOut, "",
     ResultFile::kOneReport},
    {"NegativeN", "-1\n2\n", Prob(kHalfAndQuarter), 2, kFirstPrompt, kNotWholeN + "\"-1\"\\n",
     ResultFile::kAbsent},
    {"NBeyond32Bits", "2147483648\n2\n", Prob(kHalfAndQuarter), 2, kFirstPrompt,
     kNotWholeN + "\"2147483648\"\\n", ResultFile::kAbsent},
    {"EmptyLineThenNumber", "\n\n3\n\n2\n\n", Prob(kHalfAndQuarter), 0, kHalfAndQuarterOut, "",
     ResultFile::kOneReport},
    {"EndBeforeN", "", Prob(kHalfAndQuarter), 2, kFirstPrompt,
     "unionbound: the input ended before n \\(the number of events\\) was typed\\n",
     ResultFile::kAbsent},
    {"EndBeforeM", "3\n", Prob(kHalfAndQuarter), 2, kPrompts,
     "unionbound: the input ended before m \\(the maximum order of the intersections\\) was "
     "typed\\n",
     ResultFile::kAbsent},
    {"EndBeforeReturn", "3\n2", Prob(kHalfAndQuarter), 0, kHalfAndQuarterOut, "",
     ResultFile::kOneReport},
    {"BothNumbersOnOneLine", "3 2\n\n", Prob(kHalfAndQuarter), 0, kHalfAndQuarterOut, "",
     ResultFile::kOneReport},
    {"JunkAfterM", "3\n2abc\n", Prob(kHalfAndQuarter), 2, kPrompts, kNotWholeM + "\"2abc\"\\n",
     ResultFile::kAbsent},
    {"NegativeM", "3\n-2\n", Prob(kHalfAndQuarter), 2, kPrompts, kNotWholeM + "\"-2\"\\n",
     ResultFile::kAbsent},
    {"LongJunkIsShortened", std::string(100, 'z') + "\n2\n", Prob(kHalfAndQuarter), 2, kFirstPrompt,
     kNotWholeN + "\"z{40}\\.\\.\\.\"\\n", ResultFile::kAbsent},

    // "prob.txt".
    {"ProbMissing", "3\n2\n", Nothing, 1, kPrompts,
     "unionbound: cannot read \"prob\\.txt\": No such file or directory\\n", ResultFile::kAbsent},
    {"ProbIsADirectory", "3\n2\n",
     [](const ScratchDirectory& dir) { fs::create_directory(dir.path() / "prob.txt"); }, 1,
     kPrompts, "unionbound: cannot read \"prob\\.txt\": Is a directory\\n", ResultFile::kAbsent},
    {"ProbUnreadable", "3\n2\n",
     [](const ScratchDirectory& dir) {
       dir.Write("prob.txt", kHalfAndQuarter);
       chmod((dir.path() / "prob.txt").c_str(), 0);
     },
     1, kPrompts, "unionbound: cannot read \"prob\\.txt\": Permission denied\\n",
     ResultFile::kAbsent, true},
    {"ProbEmpty", "3\n2\n", Prob(""), 1, kPrompts, kNoNumber, ResultFile::kAbsent},
    {"ProbOnlyBlanks", "3\n2\n", Prob(" \t\r\n\n  \v\f "), 1, kPrompts, kNoNumber,
     ResultFile::kAbsent},
    {"ProbStartsWithNan", "3\n2\n", Prob("nan 0.5"), 1, kPrompts,
     StopWarning(1, 1, "nan", "no probability is infinite or not a number") + kNoNumber,
     ResultFile::kAbsent},
    {"ProbStartsWithInf", "3\n2\n", Prob("inf 0.5"), 1, kPrompts,
     StopWarning(1, 1, "inf", "no probability is infinite or not a number") + kNoNumber,
     ResultFile::kAbsent},
    {"ProbStartsBeyondTheLargestDouble", "3\n2\n", Prob("1e999 0.5"), 1, kPrompts,
     StopWarning(1, 1, "1e999", "a number cut short or beyond the largest double") + kNoNumber,
     ResultFile::kAbsent},
    {"ProbShort", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25"), 4, kHalfAndQuarterOut,
     ShortFileWarning(4, 6), ResultFile::kOneReport},
    {"ProbWordInTheMiddle", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25 oops 0.25"), 4, kHalfAndQuarterOut,
     StopWarning(1, 18, "oops", kNotANumberCause) + ShortFileWarning(4, 6), ResultFile::kOneReport},
    {"ProbNanInTheMiddle", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25 nan 0.25"), 4, kHalfAndQuarterOut,
     StopWarning(1, 18, "nan", "no probability is infinite or not a number") +
         ShortFileWarning(4, 6),
     ResultFile::kOneReport},
    {"ProbOverflowInTheMiddle", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25 1e999 0.7"), 4,
     kHalfAndQuarterOut,
     StopWarning(1, 18, "1e999", "a number cut short or beyond the largest double") +
         ShortFileWarning(4, 6),
     ResultFile::kOneReport},
    // The "0" of "0x1p-2" is the sixth number; the rest of it is more than was asked for.
    {"ProbHexReadsItsZero", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25 0.25 0x1p-2"), 0, std::nullopt,
     kExcessWarning, ResultFile::kOneReport},
    {"ProbNegativeZero", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25 0.25 0.25 -0"), 0, kHalfAndQuarterOut,
     kExcessWarning, ResultFile::kOneReport},
    {"ProbCrlfLineEnds", "3\n2\n\n", Prob("0.5\r\n0.5\r\n0.5\r\n0.25\r\n0.25\r\n0.25\r\n"), 0,
     kHalfAndQuarterOut, "", ResultFile::kOneReport},
    {"ProbTenMegabyteToken", "3\n2\n\n",
     Prob("0.5" + std::string(10'000'000, '0') + " 0.5 0.5 0.25 0.25 0.25"), 0, kHalfAndQuarterOut,
     "", ResultFile::kOneReport},
    // Bytes that do not print are shown escaped.
    {"ProbBinaryJunk", "3\n2\n\n", Prob(std::string("0.5 0.5 0.5 0.25\0\x01\xff\xfe junk", 24)), 4,
     kHalfAndQuarterOut,
     StopWarning(1, 17, "\\\\x00\\\\x01\\\\xff\\\\xfe", kNotANumberCause) + ShortFileWarning(4, 6),
     ResultFile::kOneReport},
    {"ProbAboveOne", "3\n2\n\n", Prob("0.5 2 2 0.25 0.25 0.25"), 5, std::nullopt,
     ImprobableWarning(2, 6, "2, 2 \\(percentages\\? 50% is written 0\\.5\\)") + kNoDistribution +
         "number 2 of \"prob\\.txt\", 2, lies outside \\[0, 1\\]" + kNoBound,
     ResultFile::kOneReport},
    {"ProbNegative", "3\n2\n\n", Prob("-0.5 -0.5 -0.5 0.25 0.25 0.25"), 5, std::nullopt,
     ImprobableWarning(3, 6, "1, -0\\.5") + kNoDistribution +
         "number 1 of \"prob\\.txt\", -0\\.5, lies outside \\[0, 1\\]" + kNoBound,
     ResultFile::kOneReport},
    // Percentages without their sign: each is above 1.
    {"ProbPercentagesWithoutSign", "3\n2\n\n", Prob("50 50 50 25 25 25"), 5, std::nullopt,
     ImprobableWarning(6, 6, "1, 50 \\(percentages\\? 50% is written 0\\.5\\)") + kNoDistribution +
         "number 1 of \"prob\\.txt\", 50, lies outside \\[0, 1\\]" + kNoBound,
     ResultFile::kOneReport},

    // Where and why reading stopped.
    {"ProbCommaBetweenNumbers", "3\n2\n\n", Prob("0.5 0.5 0.5 0.25 0.25,0.25"), 4,
     kHalfAndQuarterOut, StopWarning(1, 22, ",0\\.25", kCommaCause) + ShortFileWarning(5, 6),
     ResultFile::kOneReport},
    // A long word is cut at 20 bytes.
    {"ProbSemicolonsBetweenNumbers", "3\n2\n\n", Prob("0.5;0.5;0.5;0.25;0.25;0.25"), 4,
     std::nullopt,
     StopWarning(1, 4, ";0\\.5;0\\.5;0\\.25;0\\.25;0\\.\\.\\.",
                 "a semicolon between numbers\\? Numbers are separated by white space") +
         ShortFileWarning(1, 6),
     ResultFile::kOneReport},
    {"ProbDecimalCommas", "3\n1\n\n", Prob("0,5 0,5 0,5"), 4, kZerosOut,
     StopWarning(1, 2, ",5", "a decimal comma\\? The decimal mark is a point: 0\\.5, not 0,5") +
         ShortFileWarning(1, 3),
     ResultFile::kOneReport},
    {"ProbFractions", "3\n1\n\n", Prob("1/2 1/2 1/2"), 4, std::nullopt,
     StopWarning(1, 2, "/2", "a fraction\\? Write each number as a decimal: 0\\.5, not 1/2") +
         ShortFileWarning(1, 3),
     ResultFile::kOneReport},
    {"ProbPercentSigns", "3\n1\n\n", Prob("50% 50% 50%"), 4, std::nullopt,
     StopWarning(1, 3, "%",
                 "a percentage\\? Write each probability as a number from 0 to 1: 0\\.5, not "
                 "50%") +
         ShortFileWarning(1, 3) +
         ImprobableWarning(1, 1, "1, 50 \\(percentages\\? 50% is written 0\\.5\\)") +
         kNoDistribution + "number 1 of \"prob\\.txt\", 50, lies outside \\[0, 1\\]" + kNoBound,
     ResultFile::kOneReport},
    {"ProbHeaderLine", "3\n2\n", Prob("P(A1) P(A2) P(A3)\n0.5 0.5 0.5 0.25 0.25 0.25"), 1, kPrompts,
     StopWarning(1, 1, "P\\(A1\\)", kHeaderCause) + kNoNumber, ResultFile::kAbsent},
    {"ProbCommentLine", "3\n2\n\n", Prob("0.5 0.5 0.5\n  # pairs\n0.25 0.25 0.25"), 4, std::nullopt,
     StopWarning(2, 3, "#", kHeaderCause) + ShortFileWarning(3, 6), ResultFile::kOneReport},
    // Lines and columns are counted across the blocks the reader reads.
    {"ProbStopAfterSeveralBlocks", "3\n2\n\n",
     Prob(std::string(3'000'000, '\n') + "0.5 0.5 0.5\n" + std::string(1'500'000, ' ') + "0.25;"),
     4, std::nullopt,
     StopWarning(3'000'002, 1'500'005, ";", "a semicolon between numbers[^\\n]*") +
         ShortFileWarning(4, 6),
     ResultFile::kOneReport},

    // More numbers than n and m need: n typed too small, say.
    {"ProbMoreThanNeeded", "3\n2\n\n", Prob(std::string(kHalfAndQuarter) + "\n0.125\n"), 0,
     kHalfAndQuarterOut, kExcessWarning, ResultFile::kOneReport},
    {"ProbJunkAfterTheNumbers", "3\n2\n\n", Prob(std::string(kHalfAndQuarter) + " end"), 0,
     kHalfAndQuarterOut, kExcessWarning, ResultFile::kOneReport},
    // Looking for more reads at most one block beyond the numbers: a long rest stays unread.
    {"ProbRestBeyondOneMoreBlockIsNotSought", "3\n2\n\n",
     Prob(std::string(kHalfAndQuarter) + std::string(3'000'000, ' ') + "0.125"), 0,
     kHalfAndQuarterOut, "", ResultFile::kOneReport},

    // "result.txt".
    {"ResultIsADirectory", "3\n2\n\n",
     Both(Prob(kHalfAndQuarter),
          [](const ScratchDirectory& dir) { fs::create_directory(dir.path() / "result.txt"); }),
     6, kHalfAndQuarterOut,
     "unionbound: cannot open \"result\\.txt\" for appending \\(Is a directory\\); the report "
     "was not saved\\n",
     ResultFile::kNotChecked},
    {"ResultReadOnly", "3\n2\n\n",
     Both(Prob(kHalfAndQuarter),
          [](const ScratchDirectory& dir) {
            dir.Write("result.txt", kEarlierReports);
            chmod((dir.path() / "result.txt").c_str(), 0444);
          }),
     6, kHalfAndQuarterOut,
     "unionbound: cannot open \"result\\.txt\" for appending \\(Permission denied\\); the "
     "report was not saved\\n",
     ResultFile::kUnchanged, true},
    {"ResultOnAFullDevice", "3\n2\n\n",
     Both(Prob(kHalfAndQuarter),
          [](const ScratchDirectory& dir) {
            fs::create_symlink("/dev/full", dir.path() / "result.txt");
          }),
     6, kHalfAndQuarterOut,
     "unionbound: writing \"result\\.txt\" failed; the report was not saved whole\\n",
     ResultFile::kNotChecked},
    // Standard output.
    {"StandardOutputFull", "3\n2\n\n", Prob(kHalfAndQuarter), 3, "",
     "unionbound: cannot write standard output \\(No space left on device\\); the bounds were "
     "not shown\\n",
     ResultFile::kOneReport, false, "", "/dev/full"},

    // Arguments.
    {"Help", "", Nothing, 0, std::nullopt, "", ResultFile::kAbsent, false, "--help", "",
     "Usage: unionbound \\[-h \\| --help \\| "
     "--version\\]\\n[\\s\\S]*prob\\.txt[\\s\\S]*result\\.txt"
     "[\\s\\S]*Exit status: [\\s\\S]*unionbound-batch --help\\.\\n"
     "The manual page unionbound\\(1\\) says more\\.\\n"},
    {"Version", "", Nothing, 0, std::nullopt, "", ResultFile::kAbsent, false, "--version", "",
     "unionbound [0-9]+\\.[0-9]+\\.[0-9]+\\n"},
    {"UnknownArgument", "3\n2\n\n", Prob(kHalfAndQuarter), 2, "",
     "unionbound: unknown argument \"--verbose\"; try 'unionbound --help'\\n", ResultFile::kAbsent,
     false, "--verbose"},

    {"ResultKeepsEarlierReports", "3\n2\n\n",
     Both(Prob(kHalfAndQuarter),
          [](const ScratchDirectory& dir) { dir.Write("result.txt", kEarlierReports); }),
     0, kHalfAndQuarterOut, "", ResultFile::kOneReport},

    // Sizes.
    {"NoOrders", "3\n0\n\n", Nothing, 0, std::nullopt, "", ResultFile::kOneReport},
    {"EveryOrder", "3\n3\n\n", Prob("0.5 0.5 0.5 0.25 0.25 0.25 0.125"), 0, std::nullopt, "",
     ResultFile::kOneReport},
    {"MoreOrdersThanEvents", "2\n5\n\n", Prob("0.5 0.5 0.25"), 0, std::nullopt,
     "unionbound: note: m=5 is greater than n=2; [^\\n]*\\n", ResultFile::kOneReport},
    {"OrderTwelve", "12\n12\n\n", Prob(IndependentHalves(12, 12)), 0, std::nullopt,
     "(unionbound: warning: [^\\n]*\\n)?", ResultFile::kOneReport},
    {"OrderAboveTheLimit", "25\n21\n", Prob(kHalfAndQuarter), 2, kPrompts,
     "unionbound: m=21 is too large: orders above 20 take too long to solve\\n",
     ResultFile::kAbsent},
    {"CountOverflowsEven64Bits", "2147483647\n20\n", Prob(kHalfAndQuarter), 2, kPrompts,
     "unionbound: n=2147483647 and m=20 need more intersection probabilities than a 64-bit "
     "count holds; no run handles that many\\n",
     ResultFile::kAbsent},
    // No size is refused for memory: the walks take the nodes 0 .. n in closed form.
    {"HugeNOrderZero", "2000000000\n0\n\n", Nothing, 0,
     std::string(kPrompts) +
         "\nSharp lower bound on the probability of the union:\n0\nRunning time: <time>\n"
         "Basis subscripts:\n{0,}\n\nSharp upper bound on the probability of the union:\n1\n"
         "Running time: <time>\nBasis subscripts:\n{2000000000,}\n\nPress RETURN to continue",
     "", ResultFile::kOneReport},
    // Two billion numbers, all but two of them the last one read: no memory grows with n.
    {"HugeNShortFile", "2000000000\n1\n\n", Prob("0 0"), 4,
     std::string(kPrompts) +
         "\nSharp lower bound on the probability of the union:\n-0\nRunning time: <time>\n"
         "Basis subscripts:\n{0,2000000000,}\n\nSharp upper bound on the probability of the "
         "union:\n-0\nRunning time: <time>\nBasis subscripts:\n{0,1,}\n\nPress RETURN to continue",
     ShortFileWarning(2, 2000000000), ResultFile::kOneReport},

    // Moments.
    {"NoDistributionFits", "3\n2\n\n", Prob("0.05 0.03 0.02 0.3 0.3 0.3"), 5, std::nullopt,
     kNoDistribution + "S_2 = 0\\.9 exceeds 0\\.1, [^\\n]*" + kNoBound, ResultFile::kOneReport},
    // The double walk repeats a basis; the exact walk finds the bound.
    {"BasisChangesRepeat", "9\n7\n\n", Prob(RepeatingWalkFile()), 0, std::nullopt,
     ImprobableWarning(5, 501, "1, 3\\.7727272727272729") +
         "unionbound: the double-precision walk for the upper bound repeated a basis; the bound "
         "shown was found in exact arithmetic\\n",
     ResultFile::kOneReport},
};

void PrintTo(const BadInput& row, std::ostream* os) {
  *os << row.name;
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, EndsCleanlyAndSaysWhatWentWrong) {
  const BadInput& row = GetParam();
  if (row.needs_permissions && !testing::UnprivilegedRunsPossible()) {
    GTEST_SKIP() << "the user nobody cannot run the built program from here";
  }
  ScratchDirectory dir;
  if (row.needs_permissions) {
    fs::permissions(dir.path(), fs::perms::all);
  }
  row.prepare(dir);
  const fs::path result = dir.path() / "result.txt";
  // Only a regular file is read back: "/dev/full" behind a link reads as endless zeros.
  const bool regular = fs::is_regular_file(fs::symlink_status(result));
  const std::string before = regular ? dir.Read("result.txt") : "";

  const ProgramRun run =
      RunProgram(dir.path(), row.keyboard, row.needs_permissions, row.arguments, row.out_path);

  EXPECT_EQ(run.exit_status, row.exit_status);
  const std::string out = MaskRunningTimes(run.out);
  if (row.out_pattern != nullptr) {
    EXPECT_TRUE(std::regex_match(out, std::regex(row.out_pattern))) << out;
  } else if (row.out) {
    EXPECT_EQ(out, *row.out);
  } else {
    EXPECT_EQ(out.rfind(kPrompts, 0), 0u) << out;
    EXPECT_TRUE(out.ends_with("\nPress RETURN to continue")) << out;
  }
  EXPECT_TRUE(std::regex_match(run.err, std::regex(row.err_pattern))) << run.err;

  switch (row.result) {
    case ResultFile::kAbsent:
      EXPECT_FALSE(dir.Exists("result.txt"));
      break;
    case ResultFile::kUnchanged:
      EXPECT_EQ(dir.Read("result.txt"), before);
      break;
    case ResultFile::kOneReport: {
      const std::string after = dir.Read("result.txt");
      ASSERT_EQ(after.substr(0, before.size()), before);
      EXPECT_TRUE(std::regex_match(after.substr(before.size()), kOneReport)) << after;
      break;
    }
    case ResultFile::kNotChecked:
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInputTest, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace unionbound
