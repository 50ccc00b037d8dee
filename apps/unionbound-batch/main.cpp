// unionbound-batch: the sharp bounds for scripts. The same reader and moments as the
// interactive program, the binomial moments given directly if need be, every bound computed in
// exact rational arithmetic and shown as the nearest double (with its fraction on request), a
// JSON report, and the classical bounds beside the sharp ones.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "apps/common/progress_line.h"
#include "apps/unionbound-batch/questions.h"
#include "bounds/classical_bounds.h"
#include "bounds/moment_problem.h"
#include "bounds/sharp_bounds.h"
#include "input/exact_decimal.h"
#include "input/input_limits.h"
#include "input/moment_data.h"
#include "input/probability_input.h"
#include "moments/binomial.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

constexpr const char* kProgram = "unionbound-batch: ";
constexpr int kBothFound = 0;
constexpr int kBoundMissing = 1;
constexpr int kUnusable = 2;

// A refusal of the arguments or the input: the message goes to standard error, status 2.
struct Unusable {
  std::string message;
};

struct Options {
  std::int32_t n = 0;
  std::optional<std::int32_t> m;
  std::string prob;
  std::string moments;
  bool exact = false;
  bool json = false;
  bool classical = false;
  std::optional<std::string> at_least;
  std::optional<std::string> exactly;
  bool by_order = false;
  std::string plot;
};

// The data of one run: S_0 .. S_m exactly as written and as the nearest doubles, and from a
// file the single and pairwise probabilities (for the spanning-tree bound) and the first number
// that is no probability.
struct Data {
  SequenceOf<Rational> S;
  Vector S_double;
  Vector singles;
  Vector pairs;
  std::string improbable;
};

// The items between commas, white space around each dropped ("1.5, 0.75" as "1.5,0.75").
std::vector<std::string> SplitList(const std::string& list) {
  const auto trimmed = [](const std::string& item) {
    const std::size_t first = item.find_first_not_of(" \t\n\r\f\v");
    const std::size_t last = item.find_last_not_of(" \t\n\r\f\v");
    return first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
  };
  std::vector<std::string> items;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) {
    items.push_back(trimmed(item));
  }
  if (!list.empty() && list.back() == ',') {
    items.emplace_back();
  }
  return items;
}

// A count as the options take it: a whole number from 0 to the largest 32-bit integer. CLI11's
// own range check would write the largest double out in full.
const CLI::Validator kWholeNumber(
    [](std::string& text) -> std::string {
      std::int32_t value = 0;
      const char* last = text.data() + text.size();
      const auto [end, error] = std::from_chars(text.data(), last, value);
      if (error != std::errc() || end != last || value < 0) {
        return "\"" + text + "\" is not a whole number from 0 to " +
               std::to_string(std::numeric_limits<std::int32_t>::max());
      }
      return "";
    },
    "WHOLE NUMBER");

// The long options written with one dash ("-n 3"), which CLI11 would take for something else:
// the first one found, or none.
std::optional<std::string> SingleDashOption(int argc, char** argv) {
  static const char* const kNames[] = {"n",       "m",        "prob",      "moments",
                                       "exact",   "json",     "classical", "at-least",
                                       "exactly", "by-order", "plot",      "version"};
  for (int i = 1; i < argc; ++i) {
    for (const char* name : kNames) {
      if (std::string(argv[i]) == std::string("-") + name) {
        return std::string(name);
      }
    }
  }
  return std::nullopt;
}

Data LoadData(const Options& options) {
  MomentData moments;
  if (!options.moments.empty()) {
    moments = MomentsFromItems(SplitList(options.moments));
  } else {
    if (const ThreadSetting threads = ReaderThreads(); !threads.problem.empty()) {
      std::cerr << kProgram << "warning: " << threads.problem << std::endl;
    }
    ProgressLine progress = StandardErrorProgress(kProgram, options.prob);
    moments = MomentsOfFile(options.prob, options.n, *options.m, options.classical,
                            [&progress](std::int64_t bytes) { progress.Update(bytes); });
    progress.Finish();
  }
  for (const std::string& warning : moments.warnings) {
    std::cerr << kProgram << warning << std::endl;
  }
  if (!moments.refusal.empty()) {
    throw Unusable{moments.refusal};
  }
  Data data;
  data.S = std::move(moments.S);
  data.singles = std::move(moments.singles);
  data.pairs = std::move(moments.pairs);
  data.improbable = std::move(moments.improbable);
  for (const Rational& s : data.S) {
    data.S_double.push_back(NearestDouble(s));
  }
  return data;
}

// The classical bounds with the sharp ones, the tightest of each side marked.
ClassicalBoundList BoundTable(const Data& data, std::int32_t n, double lower, double upper) {
  ClassicalBoundList table = {{"sharp lower (this program)", BoundSide::kLower, lower},
                              {"sharp upper (this program)", BoundSide::kUpper, upper}};
  for (const ClassicalBoundList& more :
       {BonferroniBounds(data.S_double), TwoMomentBounds(data.S_double, n)}) {
    table.insert(table.end(), more.begin(), more.end());
  }
  if (!data.pairs.empty()) {
    const ClassicalBoundList spanning = HunterWorsleyBounds(data.singles, data.pairs);
    table.insert(table.end(), spanning.begin(), spanning.end());
  }
  return table;
}

// Whether `row` is the tightest of its side: the largest lower or the smallest upper value.
bool Tightest(const ClassicalBoundList& table, const ClassicalBound& row) {
  for (const ClassicalBound& other : table) {
    if (other.side == row.side && std::isfinite(other.value) &&
        (row.side == BoundSide::kLower ? other.value > row.value : other.value < row.value)) {
      return false;
    }
  }
  return std::isfinite(row.value);
}

double FoundValue(const ReportedBound& bound) {
  return bound.found ? NearestDouble(bound.value) : std::nan("");
}

// The union unless --at-least or --exactly asks otherwise.
AskedQuestion QuestionOf(const Options& options) {
  if (!options.at_least && !options.exactly) {
    return std::nullopt;
  }
  const QuestionChoice choice =
      options.at_least ? ChooseQuestion(Question::kAtLeast, *options.at_least, options.n)
                       : ChooseQuestion(Question::kExactly, *options.exactly, options.n);
  if (!choice.refusal.empty()) {
    throw Unusable{choice.refusal};
  }
  return choice.question;
}

void WritePlot(const std::string& path, const std::string& svg) {
  std::ofstream file(path, std::ios::binary);
  file << svg;
  file.close();
  if (!file) {
    throw Unusable{"cannot write the plot to \"" + path + "\""};
  }
}

int Run(const Options& options) {
  // A question that cannot be asked is refused before a large file is read.
  const AskedQuestion question = QuestionOf(options);
  const Data data = LoadData(options);
  const auto m = static_cast<std::int32_t>(data.S.size()) - 1;
  const std::int32_t order = std::min(m, options.n);
  if (m > options.n) {
    std::cerr << kProgram << OrdersAboveEventsNote(options.n, m) << std::endl;
  }
  const SequenceOf<Rational> used(data.S.begin(), data.S.begin() + order + 1);
  const auto [lower, upper] = SolveBounds(question, options.n, used);
  const bool both = lower.found && upper.found;
  // The classical bounds here bound the union; for another question they would mislead.
  const bool classical = options.classical && !question;
  if (options.classical && question) {
    std::cerr << kProgram << "note: the classical bounds bound the union only; none are shown for "
              << QuestionProbability(question, options.n) << std::endl;
  }
  const ClassicalBoundList table =
      classical ? BoundTable(data, options.n, FoundValue(lower), FoundValue(upper))
                : ClassicalBoundList{};
  const std::vector<OrderRow> rows =
      options.by_order || !options.plot.empty()
          ? SolveByOrder(question, options.n, used, classical ? &data.S_double : nullptr)
          : std::vector<OrderRow>{};
  // Before the report, so that a plot that cannot be written leaves standard output empty.
  if (!options.plot.empty()) {
    WritePlot(options.plot, SvgPlot(ByOrderPlot(rows, question, options.n)));
  }

  if (options.json) {
    Json report;
    report["n"] = options.n;
    report["m"] = m;
    report["arithmetic"] = "exact";
    if (question) {
      report["question"] = {
          {"kind", question->question == Question::kAtLeast ? "at least" : "exactly"},
          {"r", question->r}};
    }
    Json S = Json::array();
    Json S_fractions = Json::array();
    for (std::size_t i = 0; i < data.S.size(); ++i) {
      S.push_back(NumberJson(data.S_double[i]));
      S_fractions.push_back(data.S[i].get_str());
    }
    report["S"] = S;
    report["S_fractions"] = S_fractions;
    report["lower"] = BoundJson(lower);
    report["upper"] = BoundJson(upper);
    if (options.by_order) {
      report["by_order"] = ByOrderJson(rows);
    }
    if (classical) {
      Json rows = Json::array();
      for (const ClassicalBound& row : table) {
        rows.push_back({{"name", row.name},
                        {"side", row.side == BoundSide::kLower ? "lower" : "upper"},
                        {"value", NumberJson(row.value)},
                        {"tightest", Tightest(table, row)}});
      }
      report["classical"] = rows;
    }
    std::cout << report.dump(2) << std::endl;
  } else {
    std::cout << "n=" << options.n << ", m=" << m << ", exact rational arithmetic\n";
    if (question) {
      std::cout << "bounds on " << QuestionProbability(question, options.n) << "\n";
    }
    std::cout << "binomial moments S_0 .. S_" << m << ":";
    const char* separator = " ";
    for (const Rational& s : data.S) {
      std::cout << separator << NumberText(s, options.exact);
      separator = ", ";
    }
    std::cout << "\n";
    std::cout << BoundText("lower", lower, options.exact)
              << BoundText("upper", upper, options.exact);
    if (options.by_order) {
      std::cout << "\n" << ByOrderText(rows, options.exact);
    }
    if (classical) {
      std::cout << "\nbounds from the same data (* the tightest of its side):\n";
      for (const ClassicalBound& row : table) {
        std::cout << (Tightest(table, row) ? "* " : "  ")
                  << (row.side == BoundSide::kLower ? "lower  " : "upper  ") << row.name;
        std::cout << std::string(row.name.size() < 40 ? 40 - row.name.size() : 1, ' ')
                  << Decimal(row.value) << "\n";
      }
    }
    std::cout << std::flush;
  }
  if (!both) {
    std::string reason = data.improbable;
    if (reason.empty()) {
      reason = EvidentMomentProblem(options.n, used);
    }
    std::cerr << kProgram << "the data as written fit no probability distribution"
              << (reason.empty() ? "" : ": " + reason) << "; no bound exists" << std::endl;
  }
  return both ? kBothFound : kBoundMissing;
}

}  // namespace
}  // namespace unionbound

int main(int argc, char** argv) {
  using namespace unionbound;
  Options options;
  CLI::App app{
      "Sharp lower and upper bounds on the probability that at least one of n events occurs, "
      "from the probabilities of their intersections (--prob) or their binomial moments "
      "(--moments)."};
  app.set_version_flag("--version", std::string("unionbound-batch ") + UNIONBOUND_VERSION);
  app.add_option("--n", options.n, "number of events")->required()->check(kWholeNumber);
  auto* m = app.add_option("--m", options.m, "maximum order of the intersections in --prob")
                ->check(kWholeNumber);
  auto* prob = app.add_option("--prob", options.prob,
                              "file of intersection probabilities, as prob.txt of unionbound");
  auto* moments =
      app.add_option("--moments", options.moments, "binomial moments S1,...,Sm (m is their count)");
  prob->needs(m)->excludes(moments);
  moments->excludes(m);
  app.add_flag("--exact", options.exact,
               "show the exact fractions beside the doubles (the computation is always exact: "
               "\"0.1\" is 1/10)");
  app.add_flag("--json", options.json, "one JSON object on standard output");
  app.add_flag("--classical", options.classical,
               "the classical bounds of the union beside the sharp ones");
  auto* at_least = app.add_option("--at-least", options.at_least,
                                  "bound P(at least R of the n events occur) instead, 1 <= R <= n")
                       ->type_name("R");
  app.add_option("--exactly", options.exactly,
                 "bound P(exactly R of the n events occur) instead, 1 <= R <= n")
      ->type_name("R")
      ->excludes(at_least);
  app.add_flag("--by-order", options.by_order,
               "the sharp bounds from S_1 .. S_k for every order k, one row each");
  app.add_option("--plot", options.plot, "draw the bounds for every order k into an SVG file")
      ->type_name("FILE.svg");
  if (const std::optional<std::string> name = SingleDashOption(argc, argv)) {
    std::cerr << kProgram << "-" << *name << ": the options take two dashes: --" << *name
              << std::endl;
    return kUnusable;
  }
  try {
    app.parse(argc, argv);
    if (options.prob.empty() && options.moments.empty()) {
      throw CLI::ValidationError("one of --prob FILE (with --m) and --moments S1,...,Sm is needed");
    }
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::cout << app.version() << std::endl;
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << kProgram << error.what() << std::endl;
    return kUnusable;
  }
  try {
    return Run(options);
  } catch (const Unusable& refusal) {
    std::cerr << kProgram << refusal.message << std::endl;
    return kUnusable;
  }
}
