// The library of include/unionbound/unionbound.h against the batch program on the same data:
// every figure of both bounds as its JSON gives it, its refusals in the same words, and the
// same reading of a file. The header is included alone, as a consumer includes it.
#include "unionbound/unionbound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using Json = nlohmann::json;
using testing::LinesWithout;
using testing::ProgramRun;
using testing::RunBatch;
using testing::ScratchDirectory;

std::string Joined(const std::vector<std::string>& items) {
  std::string list;
  for (const std::string& item : items) {
    list += (list.empty() ? "" : ",") + item;
  }
  return list;
}

// The batch program's options for the question.
std::string QuestionOptions(const Probability& probability) {
  switch (probability.kind) {
    case Probability::Kind::kAtLeast:
      return " --at-least " + std::to_string(probability.r);
    case Probability::Kind::kExactly:
      return " --exactly " + std::to_string(probability.r);
    case Probability::Kind::kUnion:
      break;
  }
  return "";
}

// The batch program's message: its one line of standard error without its name.
std::string BatchMessage(const ProgramRun& run) {
  const std::string prefix = "unionbound-batch: ";
  std::string message = run.err.rfind(prefix, 0) == 0 ? run.err.substr(prefix.size()) : run.err;
  if (!message.empty() && message.back() == '\n') {
    message.pop_back();
  }
  // A refusal of the arguments points to --help after the reason.
  const std::string try_help = "; try 'unionbound-batch --help'";
  if (message.size() >= try_help.size() &&
      message.compare(message.size() - try_help.size(), try_help.size(), try_help) == 0) {
    message.resize(message.size() - try_help.size());
  }
  return message;
}

Json NumberOrNull(double x) {
  return std::isfinite(x) ? Json(x) : Json(nullptr);
}

// One bound as the batch program's JSON would carry it, the running time left out.
Json AsJson(const Bound& bound) {
  Json solution = Json::array();
  for (double x : bound.solution) {
    solution.push_back(NumberOrNull(x));
  }
  return {{"value", bound.found ? NumberOrNull(bound.value) : Json(nullptr)},
          {"fraction", bound.found ? Json(bound.fraction) : Json(nullptr)},
          {"basis", bound.basis},
          {"solution", solution},
          {"solution_fractions", bound.solution_fractions},
          {"status", bound.status},
          {"basis_changes", bound.basis_changes}};
}

Json WithoutTime(Json bound) {
  bound.erase("seconds");
  return bound;
}

void ExpectSameAsBatch(const Bounds& api, const Json& batch, const std::string& what) {
  EXPECT_EQ(api.n, batch["n"]) << what;
  EXPECT_EQ(api.m, batch["m"]) << what;
  Json S = Json::array();
  for (double s : api.S) {
    S.push_back(NumberOrNull(s));
  }
  EXPECT_EQ(S, batch["S"]) << what;
  EXPECT_EQ(Json(api.S_fractions), batch["S_fractions"]) << what;
  EXPECT_EQ(AsJson(api.lower), WithoutTime(batch["lower"])) << what;
  EXPECT_EQ(AsJson(api.upper), WithoutTime(batch["upper"])) << what;
  EXPECT_EQ(api.lower.found, api.lower.status == "optimal") << what;
  EXPECT_TRUE(std::isnan(api.upper.value) != api.upper.found) << what;
}

struct MomentCase {
  const char* name;
  std::int32_t n;
  std::vector<std::string> moments;
  Probability probability;
};

// S_i = C(10, i) 0.2^i, the README's independent events; the n = 9 moments on which the
// double walk repeats a basis; data that fit no distribution; orders above n.
const std::vector<std::string> kIndependent = {"2", "1.8", "0.96", "0.336", "0.08064", "0.01344"};
const std::vector<std::string> kRepeating = {"83/22", "78/11", "91/11", "70/11",
                                             "35/11", "21/22", "3/22"};

const MomentCase kMomentCases[] = {
    {"half_and_quarter", 3, {"1.5", "0.75"}, Union()},
    {"tenths", 3, {"1.5", "0.9"}, Union()},
    {"independent_union", 10, kIndependent, Union()},
    {"independent_at_least_3", 10, kIndependent, AtLeast(3)},
    {"independent_exactly_2", 10, kIndependent, Exactly(2)},
    {"independent_at_least_10", 10, kIndependent, AtLeast(10)},
    {"repeating_union", 9, kRepeating, Union()},
    {"repeating_at_least_1", 9, kRepeating, AtLeast(1)},
    {"repeating_exactly_9", 9, kRepeating, Exactly(9)},
    {"no_distribution", 3, {"2", "0.5"}, Union()},
    {"no_distribution_exactly", 3, {"2", "0.5"}, Exactly(1)},
    {"orders_above_n", 2, {"1", "0.2", "0.1"}, Union()},
    {"exponents", 4, {"1e-1", "2E-3"}, AtLeast(2)},
};

class MomentsAsBatch : public ::testing::TestWithParam<MomentCase> {};

TEST_P(MomentsAsBatch, GivesEveryFigureOfTheBatchProgram) {
  const MomentCase& c = GetParam();
  ScratchDirectory dir;
  const ProgramRun run =
      RunBatch(dir.path(), "--json --n " + std::to_string(c.n) + " --moments " + Joined(c.moments) +
                               QuestionOptions(c.probability));
  const Bounds api = SharpBounds(c.n, c.moments, c.probability);
  ExpectSameAsBatch(api, Json::parse(run.out), c.name);
  EXPECT_EQ(run.exit_status, api.lower.found && api.upper.found ? 0 : 5);
  // The batch program's one note that is no refusal, orders above n, is the API's too.
  EXPECT_EQ(api.notes.empty(), c.n >= static_cast<std::int32_t>(c.moments.size()));
  if (!api.notes.empty()) {
    EXPECT_EQ(run.err, "unionbound-batch: " + api.notes.front() + "\n");
  }
}

INSTANTIATE_TEST_SUITE_P(Table, MomentsAsBatch, ::testing::ValuesIn(kMomentCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Doubles are taken as the shortest decimals that read back as them, so 0.9 is 9/10 and a
// double's answer is the one of its printed text.
TEST(Api, DoublesAreTakenAsTheirShortestDecimals) {
  const Bounds from_doubles = SharpBoundsFromDoubles(10, {2, 1.8, 0.96, 0.336}, AtLeast(3));
  const Bounds from_text = SharpBounds(10, {"2", "1.8", "0.96", "0.336"}, AtLeast(3));
  EXPECT_EQ(from_doubles.S_fractions, from_text.S_fractions);
  EXPECT_EQ(AsJson(from_doubles.lower), AsJson(from_text.lower));
  EXPECT_EQ(AsJson(from_doubles.upper), AsJson(from_text.upper));
  EXPECT_EQ(from_doubles.lower.fraction, "114/625");
  EXPECT_EQ(from_doubles.upper.fraction, "62/125");
}

struct RefusalCase {
  const char* name;
  std::int32_t n;
  std::vector<std::string> moments;
  Probability probability;
  std::string library_message;  // in the header's words
  const char* batch_arguments;  // the same refusal asked of the batch program
  std::string batch_message;    // in its command line's words
};

const std::string kNotANumber =
    "\" is not a decimal number or a fraction, with powers of ten up to 10^100000";

const RefusalCase kRefusals[] = {
    {"not_a_number",
     3,
     {"1.5", "x"},
     Union(),
     "moments[1]: \"x" + kNotANumber,
     "--n 3 --moments 1.5,x",
     "--moments: \"x" + kNotANumber},
    {"empty_moment",
     3,
     {"1.5", ""},
     Union(),
     "moments[1]: \"" + kNotANumber,
     "--n 3 --moments 1.5,",
     "--moments: \"" + kNotANumber},
    {"zero_denominator",
     3,
     {"1/0"},
     Union(),
     "moments[0]: \"1/0" + kNotANumber,
     "--n 3 --moments 1/0",
     "--moments: \"1/0" + kNotANumber},
    {"two_slashes",
     3,
     {"1/2/3"},
     Union(),
     "moments[0]: \"1/2/3" + kNotANumber,
     "--n 3 --moments 1/2/3",
     "--moments: \"1/2/3" + kNotANumber},
    {"power_beyond_limit",
     3,
     {"1e100001"},
     Union(),
     "moments[0]: \"1e100001" + kNotANumber,
     "--n 3 --moments 1e100001",
     "--moments: \"1e100001" + kNotANumber},
    {"at_least_0",
     3,
     {"1"},
     AtLeast(0),
     "AtLeast(0): r must be a whole number from 1 to n=3",
     "--n 3 --moments 1 --at-least 0",
     "--at-least \"0\": R must be a whole number from 1 to n=3"},
    {"at_least_above_n",
     3,
     {"1"},
     AtLeast(4),
     "AtLeast(4): r must be a whole number from 1 to n=3",
     "--n 3 --moments 1 --at-least 4",
     "--at-least \"4\": R must be a whole number from 1 to n=3"},
    {"exactly_negative",
     3,
     {"1"},
     Exactly(-1),
     "Exactly(-1): r must be a whole number from 1 to n=3",
     "--n 3 --moments 1 --exactly -1",
     "--exactly \"-1\": R must be a whole number from 1 to n=3"},
    {"events_below_zero",
     -1,
     {"1"},
     Union(),
     "n must be a whole number from 0 to 2147483647, not -1",
     "--n -1 --moments 1",
     "--n: \"-1\" is not a whole number from 0 to 2147483647"},
    // The question is refused before the moments are read.
    {"question_first",
     3,
     {"x"},
     Exactly(7),
     "Exactly(7): r must be a whole number from 1 to n=3",
     "--n 3 --moments x --exactly 7",
     "--exactly \"7\": R must be a whole number from 1 to n=3"},
};

class RefusalsAsBatch : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalsAsBatch, ThrowInTheHeadersWordsWhereTheBatchProgramUsesItsOptions) {
  const RefusalCase& c = GetParam();
  ScratchDirectory dir;
  const ProgramRun run = RunBatch(dir.path(), c.batch_arguments);
  ASSERT_EQ(run.exit_status, 2) << run.err;
  EXPECT_EQ(BatchMessage(run), c.batch_message);
  try {
    SharpBounds(c.n, c.moments, c.probability);
    ADD_FAILURE() << "no refusal";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), c.library_message);
    EXPECT_NE(error.cause(), Error::Cause::kNotReadWhole);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, RefusalsAsBatch, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Api, RefusesOrdersBelowZero) {
  ScratchDirectory dir;
  const ProgramRun run = RunBatch(dir.path(), "--n 3 --m -2 --prob p.txt");
  ASSERT_EQ(run.exit_status, 2) << run.err;
  EXPECT_EQ(BatchMessage(run), "--m: \"-2\" is not a whole number from 0 to 2147483647");
  try {
    SharpBoundsFromFile("p.txt", 3, -2);
    ADD_FAILURE() << "no refusal";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "m must be a whole number from 0 to 2147483647, not -2");
  }
}

struct FileCase {
  const char* name;
  const char* text;
  std::int32_t n;
  std::int32_t m;
  Probability probability;
  bool accept_short = false;  // --accept-short, Options::accept_short
};

const FileCase kFiles[] = {
    {"shipped_example", "0.5 0.5 0.5\n0.25 0.25 0.25\n", 3, 2, Union()},
    // 0.1 + 0.2 is not 0.3 in doubles; exactly it is.
    {"tenths", "0.1 0.2 0.3 0.01 0.02 0.03", 3, 2, Union()},
    {"tenths_exactly_2", "0.1 0.2 0.3 0.01 0.02 0.03", 3, 2, Exactly(2)},
    // A short file, taken: the last number read stands for the rest, with a warning.
    {"short", "0.5 0.5 0.5 0.25", 3, 2, Union(), true},
    {"probability_above_1", "1.5 0.5 0.5 0.25 0.25 0.25", 3, 2, AtLeast(2)},
    {"order_0", "", 4, 0, Union()},
};

class FilesAsBatch : public ::testing::TestWithParam<FileCase> {};

TEST_P(FilesAsBatch, ReadsAndBoundsAsTheBatchProgram) {
  const FileCase& c = GetParam();
  ScratchDirectory dir;
  dir.Write("p.txt", c.text);
  const std::string path = (dir.path() / "p.txt").string();
  const ProgramRun run =
      RunBatch(dir.path(), std::string(c.accept_short ? "--accept-short " : "") + "--json --n " +
                               std::to_string(c.n) + " --m " + std::to_string(c.m) + " --prob " +
                               path + QuestionOptions(c.probability));
  Options options;
  options.probability = c.probability;
  options.accept_short = c.accept_short;
  const Bounds api = SharpBoundsFromFile(path, c.n, c.m, options);
  const Json report = Json::parse(run.out);
  ExpectSameAsBatch(api, report, c.name);
  EXPECT_EQ(Json(api.notes), report["notes"]) << c.name;
  const std::vector<std::string> moments = MomentsFromFile(path, c.n, c.m, c.accept_short);
  EXPECT_EQ(std::vector<std::string>(api.S_fractions.begin() + 1, api.S_fractions.end()), moments);
  // The warnings the batch program prints and goes on are the notes.
  for (const std::string& note : api.notes) {
    EXPECT_NE(run.err.find("unionbound-batch: " + note + "\n"), std::string::npos) << note;
  }
  EXPECT_EQ(api.notes.empty(), run.err.find("warning") == std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Table, FilesAsBatch, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// The refusal is the batch program's last line; before it the batch program says where the
// read stopped, when it stopped at a word.
TEST(Api, RefusesAFileAsTheBatchProgram) {
  ScratchDirectory dir;
  dir.Write("words.txt", "no numbers here");
  for (const auto& [name, warnings] : {std::pair{"missing.txt", 0}, std::pair{"words.txt", 1}}) {
    const std::string path = (dir.path() / name).string();
    const ProgramRun run = RunBatch(dir.path(), "--n 3 --m 2 --prob " + path);
    ASSERT_EQ(run.exit_status, 1) << run.err;
    const std::vector<std::string> lines = LinesWithout("unionbound-batch: ", run.err);
    ASSERT_EQ(lines.size(), warnings + 1u) << run.err;
    if (warnings > 0) {
      EXPECT_EQ(
          lines.front().rfind("warning: reading \"" + path + "\" stopped at line 1, column 1", 0),
          0u)
          << run.err;
    }
    try {
      MomentsFromFile(path, 3, 2);
      ADD_FAILURE() << name;
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), lines.back()) << name;
    }
  }
}

TEST(Api, VersionIsTheProjects) {
  EXPECT_EQ(Version(), UNIONBOUND_TEST_VERSION);
}

// The intersections given one by one are the file's numbers: the same sharp bounds, and the
// same bounds from every intersection as the batch program's --individual.
TEST(Api, IntersectionsAreTheFilesNumbers) {
  const std::vector<std::string> given = {"0.5", "0.2",  "0.5", "0.3", "0.1",
                                          "0.2", "0.05", "0.1", "1/8", "0.1"};
  ScratchDirectory dir;
  std::string text;
  for (const std::string& value : given) {
    text += (value == "1/8" ? "0.125" : value) + " ";
  }
  dir.Write("p.txt", text);
  const std::string path = (dir.path() / "p.txt").string();
  Options options;
  options.individual = true;
  options.probability = AtLeast(2);
  const Bounds api = SharpBoundsFromIntersections(4, 2, given, options);
  const Bounds file = SharpBoundsFromFile(path, 4, 2, options);
  EXPECT_EQ(api.S_fractions, file.S_fractions);
  EXPECT_EQ(api.lower.fraction, file.lower.fraction);
  ASSERT_TRUE(api.individual.given);
  EXPECT_EQ(api.individual.lower.fraction, file.individual.lower.fraction);
  EXPECT_EQ(api.individual.upper.fraction, file.individual.upper.fraction);
  const ProgramRun run =
      RunBatch(dir.path(), "--json --individual --at-least 2 --n 4 --m 2 --prob " + path);
  ASSERT_EQ(run.exit_status, 0) << run.err;
  const Json report = Json::parse(run.out);
  EXPECT_EQ(report["individual"]["lower"]["fraction"], api.individual.lower.fraction);
  EXPECT_EQ(report["individual"]["upper"]["fraction"], api.individual.upper.fraction);
  EXPECT_EQ(report["individual"]["upper"]["atoms"], api.individual.upper.atoms);
}

TEST(Api, RefusesIntersectionsThatAreNotOneNumberASubset) {
  Options individual;
  individual.individual = true;
  const auto refusal = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const Error& error) {
      return std::string(error.what());
    }
    return std::string("no refusal");
  };
  EXPECT_EQ(refusal([] {
              SharpBoundsFromIntersections(3, 1, {"0.5", "0.5"});
            }),
            "probabilities: n=3, m=1 need 3 intersections, not 2");
  EXPECT_EQ(refusal([] {
              SharpBoundsFromIntersections(2, 1, {"0.5", "half"});
            }),
            "probabilities[1]: \"half\" is not a decimal number or a fraction");
  EXPECT_EQ(refusal([&] { SharpBounds(3, {"1.5"}, individual); }),
            "Options::individual needs the intersections themselves (SharpBoundsFromFile or "
            "SharpBoundsFromIntersections), not their sums");
  EXPECT_EQ(refusal([&] { SharpBoundsFromIntersections(21, 1, {}, individual); }),
            "the bounds from every intersection take n up to 20 (2^n atoms), not n=21");
}

}  // namespace
}  // namespace unionbound
