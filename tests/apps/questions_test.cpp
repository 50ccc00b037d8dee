// The batch program's questions beyond the union (--at-least R, --exactly R), its bounds for
// every order (--by-order) and its picture of them (--plot): each bound checked against the
// distribution that produced the moments and against the distribution the report says attains
// it, the picture checked as XML.
#include <gtest/gtest.h>

#include <gmpxx.h>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "apps/unionbound-batch/svg_plot.h"
#include "numeric/exact_number.h"
#include "tests/support/batch_runs.h"
#include "tests/support/run_program.h"

namespace unionbound {
namespace {

using Json = nlohmann::json;
using testing::kHalfAndQuarter;
using testing::ProgramRun;
using testing::RunBatch;
using testing::RunJson;
using testing::ScratchDirectory;

std::string WithoutTimes(const std::string& text) {
  return std::regex_replace(text, std::regex("changes, [0-9.e+-]+ s\n"), "changes, <time> s\n");
}

// ---------------------------------------------------------------------------------------------
// --at-least 1 asks for the union, which the program otherwise finds by another method.

struct SameData {
  const char* name;
  const char* file;  // written to p.txt when not empty
  const char* arguments;
  int status;
};

void PrintTo(const SameData& row, std::ostream* os) {
  *os << row.name;
}

class AtLeastOne : public ::testing::TestWithParam<SameData> {};

TEST_P(AtLeastOne, GivesTheUnionsBounds) {
  ScratchDirectory dir;
  if (*GetParam().file != '\0') {
    dir.Write("p.txt", GetParam().file);
  }
  const std::string arguments = GetParam().arguments;
  const Json walk = RunJson(dir, arguments, GetParam().status);
  const Json simplex = RunJson(dir, arguments + " --at-least 1", GetParam().status);
  EXPECT_FALSE(walk.contains("question"));
  EXPECT_EQ(simplex["question"], Json::parse(R"({"kind": "at least", "r": 1})"));
  for (const char* side : {"lower", "upper"}) {
    EXPECT_EQ(simplex[side]["status"], walk[side]["status"]) << side;
    EXPECT_EQ(simplex[side]["fraction"], walk[side]["fraction"]) << side;
    EXPECT_EQ(simplex[side]["value"], walk[side]["value"]) << side;
  }
  const ProgramRun text = RunBatch(dir.path(), arguments + " --at-least 1 --exact");
  EXPECT_TRUE(text.out.find("\nbounds on P(at least 1 of the ") != std::string::npos) << text.out;
}

INSTANTIATE_TEST_SUITE_P(
    Data, AtLeastOne,
    ::testing::Values(
        SameData{"HalfAndQuarterFile", kHalfAndQuarter, "--n 3 --m 2 --prob p.txt", 0},
        SameData{"FileOfOrderOne", kHalfAndQuarter, "--n 3 --m 1 --prob p.txt", 0},
        SameData{"FourEventsOrderThree",
                 "0.31 0.27 0.45 0.12 0.083 0.2 0.05 0.11 0.07 0.021 0.03 0.015 0.04 0.01",
                 "--n 4 --m 3 --prob p.txt", 0},
        SameData{"Fractions", "", "--n 3 --moments 1.5,0.9", 0},
        // Where the double-precision walk repeats a basis.
        SameData{"RepeatingWalk", "", "--n 9 --moments 83/22,78/11,91/11,70/11,35/11,21/22,3/22",
                 0},
        SameData{"TenIndependentEventsOrderSix", "",
                 "--n 10 --moments 2,1.8,0.96,0.336,0.08064,0.01344", 0},
        SameData{"OrdersAboveN", "", "--n 2 --moments 1,0.2,0.1", 0},
        SameData{"AlwaysExactlyOne", "", "--n 4 --moments 1,0,0", 0},
        SameData{"NoEventOccurs", "", "--n 5 --moments 0,0", 0},
        SameData{"NegativeVariance", "", "--n 3 --moments 2,0.5", 5},
        SameData{"ProbabilityAboveOneInFile", "0.5 1.5 0.5 0.25 0.25 0.25",
                 "--n 3 --m 2 --prob p.txt", 5},
        SameData{"PairsAboveSingles", "0.1 0.1 0.1 0.3 0.3 0.3", "--n 3 --m 2 --prob p.txt", 5}),
    [](const ::testing::TestParamInfo<SameData>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// Bounds of every question on the moments of a known distribution of X, the number of events
// that occur.

struct Known {
  const char* name;
  std::vector<long> weights;  // P(X = j) = weights[j] / their sum, j = 0 .. n
  int m;
  const char* question;  // "at-least" or "exactly", or "" for the union
  int r;
};

void PrintTo(const Known& row, std::ostream* os) {
  *os << row.name;
}

mpq_class Binomial(long j, long i) {
  mpz_class c;
  mpz_bin_uiui(c.get_mpz_t(), static_cast<unsigned long>(j), static_cast<unsigned long>(i));
  return mpq_class(c);
}

std::vector<mpq_class> Distribution(const std::vector<long>& weights) {
  long total = 0;
  for (const long w : weights) {
    total += w;
  }
  std::vector<mpq_class> p;
  for (const long w : weights) {
    p.emplace_back(w, total);
    p.back().canonicalize();
  }
  return p;
}

// S_i = sum_j C(j, i) P(X = j), i = 0 .. m.
std::vector<mpq_class> MomentsOf(const std::map<long, mpq_class>& p, int m) {
  std::vector<mpq_class> S;
  for (int i = 0; i <= m; ++i) {
    mpq_class s = 0;
    for (const auto& [j, x] : p) {
      s += Binomial(j, i) * x;
    }
    S.push_back(s);
  }
  return S;
}

// The probability the question asks about, under the distribution p.
mpq_class Asked(const std::map<long, mpq_class>& p, const std::string& question, int r) {
  mpq_class sum = 0;
  for (const auto& [j, x] : p) {
    if (question == "exactly" ? j == r : j >= (question.empty() ? 1 : r)) {
      sum += x;
    }
  }
  return sum;
}

std::map<long, mpq_class> Indexed(const std::vector<mpq_class>& p) {
  std::map<long, mpq_class> indexed;
  for (std::size_t j = 0; j < p.size(); ++j) {
    indexed[static_cast<long>(j)] = p[j];
  }
  return indexed;
}

// The distribution a reported bound says attains it, from its basis and exact solution.
std::map<long, mpq_class> Attaining(const Json& bound) {
  std::map<long, mpq_class> p;
  for (std::size_t k = 0; k < bound["basis"].size(); ++k) {
    p[bound["basis"][k].get<long>()] = mpq_class(bound["solution_fractions"][k].get<std::string>());
  }
  return p;
}

class KnownDistribution : public ::testing::TestWithParam<Known> {};

TEST_P(KnownDistribution, BoundsHoldItAndAreAttained) {
  const Known& row = GetParam();
  const auto n = static_cast<long>(row.weights.size()) - 1;
  const std::map<long, mpq_class> truth = Indexed(Distribution(row.weights));
  const std::vector<mpq_class> S = MomentsOf(truth, row.m);
  std::string moments;
  for (int i = 1; i <= row.m; ++i) {
    moments += (i > 1 ? "," : "") + S[static_cast<std::size_t>(i)].get_str();
  }
  std::string arguments = "--n " + std::to_string(n) + " --moments " + moments + " --by-order";
  if (*row.question != '\0') {
    arguments += std::string(" --") + row.question + " " + std::to_string(row.r);
  }
  ScratchDirectory dir;
  const Json report = RunJson(dir, arguments, 0);
  const mpq_class true_value = Asked(truth, row.question, row.r);

  const mpq_class lower(report["lower"]["fraction"].get<std::string>());
  const mpq_class upper(report["upper"]["fraction"].get<std::string>());
  EXPECT_LE(lower, true_value);
  EXPECT_GE(upper, true_value);
  for (const char* side : {"lower", "upper"}) {
    const Json& bound = report[side];
    const mpq_class value(bound["fraction"].get<std::string>());
    EXPECT_EQ(bound["value"].get<double>(), NearestDouble(value)) << side;
    // The reported distribution is a distribution with the given moments and the bound's value.
    const std::map<long, mpq_class> attaining = Attaining(bound);
    for (const auto& [j, x] : attaining) {
      EXPECT_GE(x, 0) << side << " at " << j;
      EXPECT_LE(j, n) << side;
    }
    EXPECT_EQ(MomentsOf(attaining, std::min<int>(row.m, static_cast<int>(n))),
              MomentsOf(truth, std::min<int>(row.m, static_cast<int>(n))))
        << side;
    EXPECT_EQ(Asked(attaining, row.question, row.r), value) << side;
  }

  // Each further order can only narrow the interval, every row holds the truth, and the last
  // row is the report's own bounds.
  const Json& rows = report["by_order"];
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(std::min<long>(row.m, n)));
  mpq_class previous_lower = 0;
  mpq_class previous_upper = 1;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(rows[k]["k"], k + 1);
    EXPECT_EQ(rows[k]["status"], "optimal");
    const mpq_class low(rows[k]["lower_fraction"].get<std::string>());
    const mpq_class high(rows[k]["upper_fraction"].get<std::string>());
    EXPECT_GE(low, previous_lower) << "k=" << k + 1;
    EXPECT_LE(high, previous_upper) << "k=" << k + 1;
    EXPECT_LE(low, true_value) << "k=" << k + 1;
    EXPECT_GE(high, true_value) << "k=" << k + 1;
    EXPECT_EQ(rows[k]["lower"].get<double>(), NearestDouble(low));
    EXPECT_EQ(rows[k]["upper"].get<double>(), NearestDouble(high));
    previous_lower = low;
    previous_upper = high;
  }
  EXPECT_EQ(rows.back()["lower_fraction"], report["lower"]["fraction"]);
  EXPECT_EQ(rows.back()["upper_fraction"], report["upper"]["fraction"]);
}

INSTANTIATE_TEST_SUITE_P(
    Distributions, KnownDistribution,
    ::testing::Values(
        Known{"UnionOfTwentyTwoths", {1, 2, 2, 7, 0, 7, 0, 3, 0, 0}, 7, "", 0},
        Known{"AtLeastThreeOfTwentyTwoths", {1, 2, 2, 7, 0, 7, 0, 3, 0, 0}, 7, "at-least", 3},
        Known{"ExactlyFiveOfTwentyTwoths", {1, 2, 2, 7, 0, 7, 0, 3, 0, 0}, 4, "exactly", 5},
        // The binomial distribution of 10 independent events of probability 1/5, times 5^10.
        Known{"AtLeastThreeOfTenIndependent",
              {1048576, 2621440, 2949120, 1966080, 860160, 258048, 53760, 7680, 720, 40, 1},
              6,
              "at-least",
              3},
        Known{"ExactlyTwoOfTenIndependent",
              {1048576, 2621440, 2949120, 1966080, 860160, 258048, 53760, 7680, 720, 40, 1},
              5,
              "exactly",
              2},
        Known{"AtLeastAllOfSix", {3, 0, 1, 0, 0, 1, 5}, 3, "at-least", 6},
        Known{"ExactlyOneOfSixOrdersAboveN", {3, 0, 1, 0, 0, 1, 5}, 8, "exactly", 1},
        Known{"AtLeastOneOnlyOrderOne", {5, 1, 1, 1}, 1, "at-least", 1},
        Known{"AtLeastTwoWhenTwoOrThreeOccur", {0, 0, 1, 1}, 2, "at-least", 2}),
    [](const ::testing::TestParamInfo<Known>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------------------
// The reports.

// X on 0 .. 3 with S_1 = 3/2, S_2 = 9/10: P(X >= 2) = x_2 + x_3 is least on {0, 1, 3}
// (x_3 = 3/10, x_1 = 3/5, x_0 = 1/10) and largest on {0, 2, 3} (x_2 = 3/5, x_3 = 1/10).
TEST(Questions, TextReportNamesTheProbabilityBounded) {
  ScratchDirectory dir;
  const ProgramRun run = RunBatch(dir.path(), "--n 3 --moments 1.5,0.9 --at-least 2 --exact");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(WithoutTimes(run.out),
            "n=3, m=2, exact rational arithmetic\n"
            "bounds on P(at least 2 of the 3 events occur)\n"
            "binomial moments S_0 .. S_2: 1, 3/2 = 1.5, 9/10 = 0.9\n"
            "lower bound: 3/10 = 0.3\n"
            "  status optimal, 2 basis changes, <time> s\n"
            "  basis {0,1,3,}\n"
            "  solution 1/10 = 0.1, 3/5 = 0.6, 3/10 = 0.3\n"
            "upper bound: 7/10 = 0.7\n"
            "  status optimal, 1 basis changes, <time> s\n"
            "  basis {0,2,3,}\n"
            "  solution 3/10 = 0.3, 3/5 = 0.6, 1/10 = 0.1\n");
}

// From S_1 = 3/2 alone the union lies in [S_1 / n, 1] = [0.5, 1]; with S_2 in [0.7, 0.9] as
// above. Bonferroni: B_1 = 1.5, B_2 = 0.6; Dawson-Sankoff and Kwerel are sharp for order 2.
TEST(Questions, ByOrderTableWithTheClassicalBounds) {
  ScratchDirectory dir;
  const ProgramRun run = RunBatch(dir.path(), "--n 3 --moments 1.5,0.9 --by-order --classical");
  EXPECT_EQ(run.exit_status, 0);
  const std::string out = run.out;
  const std::string table =
      "\nsharp bounds from the orders 1 .. k alone:\n"
      "  k  lower  upper  Bonferroni B_k  Dawson-Sankoff lower  Kwerel upper\n"
      "  1  0.5    1      1.5 (upper)     -                     -\n"
      "  2  0.7    0.9    0.6 (lower)     0.7                   0.9\n";
  EXPECT_NE(out.find("upper bound: 0.9\n"), std::string::npos) << out;
  EXPECT_NE(out.find(table + "\nbounds from the same data"), std::string::npos) << out;
}

// A classical bound of order k bounds the union from its side, so it never beats the sharp bound
// of the same order; from S_1 and S_2 the Dawson-Sankoff and Kwerel bounds are the sharp ones.
TEST(Questions, ClassicalBoundsOfEachOrderLieOutsideTheSharpOnes) {
  ScratchDirectory dir;
  const Json report =
      RunJson(dir, "--n 10 --moments 2,1.8,0.96,0.336,0.08064,0.01344 --by-order --classical", 0);
  for (const Json& row : report["by_order"]) {
    const int k = row["k"].get<int>();
    const double bonferroni = row["bonferroni"].get<double>();
    EXPECT_EQ(row["bonferroni_side"], k % 2 == 1 ? "upper" : "lower") << k;
    if (k % 2 == 1) {
      EXPECT_GE(bonferroni, row["upper"].get<double>()) << k;
    } else {
      EXPECT_LE(bonferroni, row["lower"].get<double>() + 1e-15) << k;
    }
    if (k == 1) {
      EXPECT_TRUE(row["dawson_sankoff_lower"].is_null());
      EXPECT_TRUE(row["kwerel_upper"].is_null());
      continue;
    }
    EXPECT_LE(row["dawson_sankoff_lower"].get<double>(), row["lower"].get<double>() + 1e-15) << k;
    EXPECT_GE(std::min(1.0, row["kwerel_upper"].get<double>()), row["upper"].get<double>() - 1e-15)
        << k;
    if (k == 2) {
      EXPECT_NEAR(row["dawson_sankoff_lower"].get<double>(), row["lower"].get<double>(), 1e-15);
      EXPECT_NEAR(std::min(1.0, row["kwerel_upper"].get<double>()), row["upper"].get<double>(),
                  1e-15);
    }
  }
}

// Every key keeps its type, and the classical keys appear only for the union.
TEST(Questions, ByOrderJsonKeysKeepTheirTypesInEveryMode) {
  ScratchDirectory dir;
  struct Mode {
    const char* arguments;
    int status;
    bool classical;
  };
  for (const Mode& mode : {Mode{"--n 3 --moments 1.5,0.9 --classical", 0, true},
                           Mode{"--n 3 --moments 1.5,0.9 --exact --exactly 2", 0, false},
                           Mode{"--n 3 --moments 2,0.5 --classical", 5, true},
                           Mode{"--n 3 --moments 2,0.5 --at-least 3 --classical", 5, false}}) {
    const Json report = RunJson(dir, std::string(mode.arguments) + " --by-order", mode.status);
    const std::string context = mode.arguments;
    EXPECT_EQ(report.contains("classical"), mode.classical) << context;
    ASSERT_EQ(report["by_order"].size(), 2u) << context;
    for (const Json& row : report["by_order"]) {
      EXPECT_TRUE(row["k"].is_number_integer()) << context;
      EXPECT_TRUE(row["status"].is_string()) << context;
      const bool found = row["status"] == "optimal";
      for (const char* key : {"lower", "upper"}) {
        EXPECT_TRUE(found ? row[key].is_number() : row[key].is_null()) << context;
        const std::string fraction = std::string(key) + "_fraction";
        EXPECT_TRUE(found ? row[fraction].is_string() : row[fraction].is_null()) << context;
      }
      EXPECT_EQ(row.contains("bonferroni"), mode.classical) << context;
      if (mode.classical) {
        EXPECT_TRUE(row["bonferroni"].is_number()) << context;
        EXPECT_TRUE(row["bonferroni_side"].is_string()) << context;
        EXPECT_TRUE(row["dawson_sankoff_lower"].is_number() ||
                    row["dawson_sankoff_lower"].is_null())
            << context;
        EXPECT_TRUE(row["kwerel_upper"].is_number() || row["kwerel_upper"].is_null()) << context;
      }
    }
  }
  // S_1 = 2 alone fits a distribution on 0 .. 3; with S_2 = 0.5 no distribution has both.
  const Json report = RunJson(dir, "--n 3 --moments 2,0.5 --by-order", 5);
  EXPECT_EQ(report["by_order"][0]["status"], "optimal");
  EXPECT_EQ(report["by_order"][1]["status"], "infeasible");
}

TEST(Questions, ClassicalBoundsOfTheUnionAreNotShownForAnotherQuestion) {
  ScratchDirectory dir;
  const ProgramRun run =
      RunBatch(dir.path(), "--n 3 --moments 1.5,0.9 --exactly 2 --classical --by-order");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(run.err,
            "unionbound-batch: note: the classical bounds bound the union only; none are shown "
            "for P(exactly 2 of the 3 events occur)\n");
  EXPECT_EQ(run.out.find("Bonferroni"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("  k  lower  upper\n"), std::string::npos) << run.out;
}

// ---------------------------------------------------------------------------------------------
// The picture.

// One element of a parsed document.
struct XmlElement {
  std::string name;
  std::map<std::string, std::string> attributes;
  std::string text;  // character data directly inside, references left as written
};

struct XmlDocument {
  std::vector<XmlElement> elements;  // in document order
  std::string fault;                 // empty for a well-formed document
};

bool NameStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == ':';
}

bool NameChar(char c) {
  return NameStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '.';
}

// Whether every '&' in character data starts one of the five predefined or a numeric reference.
bool ReferencesValid(const std::string& data) {
  static const std::regex kReference("&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);");
  for (std::size_t at = data.find('&'); at != std::string::npos; at = data.find('&', at + 1)) {
    std::smatch match;
    const std::string rest = data.substr(at);
    if (!std::regex_search(rest, match, kReference, std::regex_constants::match_continuous)) {
      return false;
    }
  }
  return true;
}

// The well-formedness rules a hand-written document can break: an optional declaration first,
// comments, one root element, tags that match, names, quoted attributes without '<' and without
// repeats, and references. DTDs, CDATA sections and processing instructions are not taken.
XmlDocument ParseXml(const std::string& s) {
  XmlDocument doc;
  std::size_t i = 0;
  const auto fail = [&](const std::string& why) {
    doc.fault = why + " at " + std::to_string(i);
    return doc;
  };
  const auto name = [&]() {
    const std::size_t start = i;
    if (i < s.size() && NameStart(s[i])) {
      while (i < s.size() && NameChar(s[i])) {
        ++i;
      }
    }
    return s.substr(start, i - start);
  };
  const auto space = [&]() {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) {
      ++i;
    }
  };
  if (s.rfind("<?xml ", 0) == 0) {
    i = s.find("?>");
    if (i == std::string::npos) {
      return fail("unclosed declaration");
    }
    i += 2;
  }
  std::vector<std::size_t> open;  // indices into doc.elements
  bool root_seen = false;
  while (i < s.size()) {
    if (s[i] != '<') {
      const std::size_t end = std::min(s.find('<', i), s.size());
      const std::string data = s.substr(i, end - i);
      if (!ReferencesValid(data)) {
        return fail("bad reference");
      }
      if (open.empty()) {
        if (data.find_first_not_of(" \t\r\n") != std::string::npos) {
          return fail("text outside the root");
        }
      } else {
        doc.elements[open.back()].text += data;
      }
      i = end;
    } else if (s.compare(i, 4, "<!--") == 0) {
      const std::size_t end = s.find("-->", i + 4);
      if (end == std::string::npos) {
        return fail("unclosed comment");
      }
      i = end + 3;
    } else if (s.compare(i, 2, "</") == 0) {
      i += 2;
      const std::string closing = name();
      space();
      if (i >= s.size() || s[i] != '>') {
        return fail("bad end tag");
      }
      ++i;
      if (open.empty() || doc.elements[open.back()].name != closing) {
        return fail("end tag </" + closing + "> matches no open element");
      }
      open.pop_back();
    } else {
      ++i;
      if (open.empty() && root_seen) {
        return fail("a second root");
      }
      XmlElement element;
      element.name = name();
      if (element.name.empty()) {
        return fail("no element name");
      }
      bool empty = false;
      for (;;) {
        const std::size_t before = i;
        space();
        if (s.compare(i, 2, "/>") == 0) {
          empty = true;
          i += 2;
          break;
        }
        if (i < s.size() && s[i] == '>') {
          ++i;
          break;
        }
        const std::string attribute = name();
        if (attribute.empty() || i == before) {
          return fail("bad attribute");
        }
        space();
        if (i >= s.size() || s[i] != '=') {
          return fail("attribute without a value");
        }
        ++i;
        space();
        if (i >= s.size() || (s[i] != '"' && s[i] != '\'')) {
          return fail("unquoted attribute");
        }
        const std::size_t end = s.find(s[i], i + 1);
        if (end == std::string::npos) {
          return fail("unclosed attribute");
        }
        const std::string value = s.substr(i + 1, end - i - 1);
        if (value.find('<') != std::string::npos || !ReferencesValid(value)) {
          return fail("bad attribute value");
        }
        if (!element.attributes.emplace(attribute, value).second) {
          return fail("repeated attribute " + attribute);
        }
        i = end + 1;
      }
      root_seen = true;
      doc.elements.push_back(element);
      if (!empty) {
        open.push_back(doc.elements.size() - 1);
      }
    }
  }
  if (!open.empty()) {
    return fail("unclosed element <" + doc.elements[open.back()].name + ">");
  }
  if (!root_seen) {
    return fail("no root element");
  }
  return doc;
}

std::vector<XmlElement> Bars(const XmlDocument& doc) {
  std::vector<XmlElement> bars;
  for (const XmlElement& element : doc.elements) {
    if (element.name == "rect" && element.attributes.count("class") == 1 &&
        element.attributes.at("class") == "sharp") {
      bars.push_back(element);
    }
  }
  return bars;
}

struct XmlCase {
  const char* name;
  const char* text;
  bool well_formed;
};

void PrintTo(const XmlCase& row, std::ostream* os) {
  *os << row.name;
}

// The checker itself, so that a pass of the picture means something.
class XmlChecker : public ::testing::TestWithParam<XmlCase> {};

TEST_P(XmlChecker, TellsWellFormedFromBroken) {
  const XmlDocument doc = ParseXml(GetParam().text);
  EXPECT_EQ(doc.fault.empty(), GetParam().well_formed) << doc.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, XmlChecker,
    ::testing::Values(
        XmlCase{"Good", "<?xml version=\"1.0\"?>\n<a x=\"1\" y='&lt;2'><b/><!-- c -->t&amp;</a>\n",
                true},
        XmlCase{"Unclosed", "<a><b></a>", false}, XmlCase{"Crossed", "<a><b></a></b>", false},
        XmlCase{"UnquotedAttribute", "<a x=1/>", false},
        XmlCase{"LessThanInAttribute", "<a x=\"<\"/>", false},
        XmlCase{"BareAmpersand", "<a>P & Q</a>", false},
        XmlCase{"UnknownEntity", "<a>&nbsp;</a>", false},
        XmlCase{"RepeatedAttribute", "<a x=\"1\" x=\"2\"/>", false},
        XmlCase{"TwoRoots", "<a/><b/>", false}, XmlCase{"TextOutsideRoot", "<a/>x", false},
        XmlCase{"Empty", "", false}),
    [](const ::testing::TestParamInfo<XmlCase>& info) { return info.param.name; });

TEST(Plot, IsWellFormedWithOneBarPerOrderThatHasABound) {
  Plot plot;
  plot.title = "Bounds on P(A & B) <by order>";
  plot.rows = {{1, 0.5, 1.0, {{"Bonferroni B_k, odd k (upper)", 1.5}}},
               {2, 0.7, 0.9, {{"Bonferroni B_k, even k (lower)", -0.2}, {"Kwerel (upper)", 0.9}}},
               {3, std::nan(""), std::nan(""), {}},
               {4, 0.8, 0.8, {}}};
  const XmlDocument doc = ParseXml(SvgPlot(plot));
  ASSERT_EQ(doc.fault, "");
  ASSERT_FALSE(doc.elements.empty());
  EXPECT_EQ(doc.elements[0].name, "svg");
  EXPECT_EQ(doc.elements[0].attributes.at("xmlns"), "http://www.w3.org/2000/svg");
  EXPECT_EQ(doc.elements[0].attributes.at("version"), "1.1");
  const std::vector<XmlElement> bars = Bars(doc);
  ASSERT_EQ(bars.size(), 3u);
  // Higher on the page is a larger probability: the bar of [0.7, 0.9] lies inside that of
  // [0.5, 1], and the point interval 0.8 still has a height.
  const auto top = [](const XmlElement& bar) { return std::stod(bar.attributes.at("y")); };
  const auto bottom = [&](const XmlElement& bar) {
    return top(bar) + std::stod(bar.attributes.at("height"));
  };
  EXPECT_LT(top(bars[0]), top(bars[1]));
  EXPECT_GT(bottom(bars[0]), bottom(bars[1]));
  EXPECT_GT(std::stod(bars[2].attributes.at("height")), 0);
  EXPECT_LT(top(bars[1]), top(bars[2]));
  EXPECT_GT(bottom(bars[1]), bottom(bars[2]));
  std::size_t markers = 0;
  bool none = false;
  bool title = false;
  for (const XmlElement& element : doc.elements) {
    markers += element.attributes.count("class") == 1 && element.attributes.at("class") == "marker";
    none = none || (element.name == "text" && element.text == "none");
    title = title || (element.name == "title" && element.text ==
                                                     "Bounds on P(A &amp; B) &lt;by "
                                                     "order&gt;");
  }
  // Three markers at their orders and one per label in the legend.
  EXPECT_EQ(markers, 3u + 3u);
  EXPECT_TRUE(none);
  EXPECT_TRUE(title);
}

// A narrow interval is no sliver: the axis spans the data with labelled ticks, a value beyond
// it is drawn at its edge and said to be, and the legend lies below the bars, inside the canvas.
TEST(Plot, ZoomsTheAxisToTheDataAndKeepsTheLegendOffThePlot) {
  Plot plot;
  plot.title = "narrow";
  plot.rows = {{1, 0.30, 0.36, {{"Kwerel (upper)", 0.37}, {"Bonferroni B_k, odd k (upper)", 1.5}}},
               {2, 0.32, 0.33, {{"Dawson-Sankoff (lower)", 0.31}}}};
  const XmlDocument doc = ParseXml(SvgPlot(plot));
  ASSERT_EQ(doc.fault, "");
  const std::vector<XmlElement> bars = Bars(doc);
  ASSERT_EQ(bars.size(), 2u);
  const auto number = [](const XmlElement& element, const char* name) {
    return std::stod(element.attributes.at(name));
  };
  // On an axis from 0 to 1 the second bar would be 3 units high; from 0.30 to 0.37 it is 41.
  EXPECT_GT(number(bars[1], "height"), 30);
  double lowest_bar = 0;
  for (const XmlElement& bar : bars) {
    lowest_bar = std::max(lowest_bar, number(bar, "y") + number(bar, "height"));
  }
  std::set<std::string> texts;
  const double canvas = number(doc.elements[0], "height");
  for (const XmlElement& element : doc.elements) {
    if (element.name != "text") {
      continue;
    }
    texts.insert(element.text);
    EXPECT_LT(number(element, "y"), canvas) << element.text;
    if (element.text == "Kwerel (upper)" || element.text == "sharp bounds, lower to upper") {
      EXPECT_GT(number(element, "y"), lowest_bar + 20) << element.text;
    }
  }
  EXPECT_EQ(texts.count("0.30"), 1u);
  EXPECT_EQ(texts.count("0.37"), 1u);
  EXPECT_EQ(texts.count("0.0"), 0u);
  EXPECT_EQ(texts.count("probability (axis 0.30 to 0.37)"), 1u);
  EXPECT_EQ(texts.count("values beyond the axis are drawn at its edge"), 1u);
}

// Where the first orders span the whole axis, the last one's narrow interval gets a closer look
// on an axis of its own; where every bar can be read, there is none.
TEST(Plot, GivesTheLastOrderACloserLookOnlyWhenItsBarIsTooShort) {
  const auto closer_bars = [](const Plot& plot) {
    const XmlDocument doc = ParseXml(SvgPlot(plot));
    EXPECT_EQ(doc.fault, "");
    std::vector<double> heights;
    for (const XmlElement& element : doc.elements) {
      if (element.name == "rect" && element.attributes.count("class") == 1 &&
          element.attributes.at("class") == "closer") {
        heights.push_back(std::stod(element.attributes.at("height")));
      }
    }
    EXPECT_EQ(Bars(doc).size(), plot.rows.size());
    return heights;
  };
  Plot wide;
  wide.rows = {{1, 0.0, 1.0, {}}, {2, 0.5, 0.501, {{"Kwerel (upper)", 0.9}}}};
  const std::vector<double> heights = closer_bars(wide);
  ASSERT_EQ(heights.size(), 1u);
  EXPECT_GT(heights[0], 100);
  Plot readable;
  readable.rows = {{1, 0.0, 1.0, {}}, {2, 0.4, 0.6, {}}};
  EXPECT_TRUE(closer_bars(readable).empty());
}

TEST(Plot, ProgramDrawsEveryOrderAndNamesTheQuestion) {
  ScratchDirectory dir;
  struct Drawing {
    const char* arguments;
    int status;
    std::size_t bars;
    const char* title;
  };
  for (const Drawing& drawing :
       {Drawing{"--n 10 --moments 2,1.8,0.96,0.336,0.08064,0.01344 --classical", 0, 6,
                "Sharp bounds on P(at least one of the 10 events occurs) from S_1 .. S_k"},
        Drawing{"--n 10 --moments 2,1.8,0.96,0.336 --at-least 3", 0, 4,
                "Sharp bounds on P(at least 3 of the 10 events occur) from S_1 .. S_k"},
        Drawing{"--n 3 --moments 2,0.5 --exactly 2", 5, 1,
                "Sharp bounds on P(exactly 2 of the 3 events occur) from S_1 .. S_k"}}) {
    const ProgramRun run = RunBatch(dir.path(), std::string(drawing.arguments) + " --plot p.svg");
    EXPECT_EQ(run.exit_status, drawing.status) << drawing.arguments;
    // The report is the one the program gives without the picture.
    EXPECT_EQ(WithoutTimes(run.out), WithoutTimes(RunBatch(dir.path(), drawing.arguments).out));
    const XmlDocument doc = ParseXml(dir.Read("p.svg"));
    ASSERT_EQ(doc.fault, "") << drawing.arguments;
    EXPECT_EQ(Bars(doc).size(), drawing.bars) << drawing.arguments;
    EXPECT_EQ(doc.elements[1].name, "title");
    EXPECT_EQ(doc.elements[1].text, drawing.title);
  }
}

}  // namespace
}  // namespace unionbound
