// unionbound-batch: the sharp bounds for scripts. The same reader, moments and walk as the
// interactive program, with the binomial moments given directly if need be, exact rational
// arithmetic on request, a JSON report, and the classical bounds beside the sharp ones.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bounds/classical_bounds.h"
#include "driver/exact_decimal.h"
#include "driver/input_limits.h"
#include "driver/probability_input.h"
#include "driver/sharp_bounds.h"
#include "moments/binomial.h"
#include "moments/binomial_moments.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

using Json = nlohmann::ordered_json;

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
};

// The data of one run: S_0 .. S_m in the chosen arithmetic, the same in double for the
// classical bounds, and the single and pairwise probabilities when the file gave them.
template <class Number>
struct Data {
  SequenceOf<Number> S;
  Vector S_double;
  Vector singles;
  Vector pairs;
};

double ToDouble(double x) {
  return x;
}
double ToDouble(const Rational& x) {
  return std::strtod(RoundedDecimal(x, 17).c_str(), nullptr);
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) {
    items.push_back(item);
  }
  if (!list.empty() && list.back() == ',') {
    items.emplace_back();
  }
  return items;
}

// One moment as written on the command line: a decimal number in the reader's sense, or with
// --exact also a fraction of two of them ("83/22").
std::optional<Rational> ExactMoment(const std::string& item) {
  const std::size_t slash = item.find('/');
  if (slash == std::string::npos) {
    return ExactDecimal(item);
  }
  const std::optional<Rational> numerator = ExactDecimal(item.substr(0, slash));
  const std::optional<Rational> denominator = ExactDecimal(item.substr(slash + 1));
  if (!numerator || !denominator || *denominator == 0) {
    return std::nullopt;
  }
  return Rational(*numerator / *denominator);
}

// S_1 .. S_m as written on the command line.
template <class Number>
SequenceOf<Number> MomentsFromList(const std::string& list) {
  SequenceOf<Number> S{Number(1)};
  for (const std::string& item : SplitList(list)) {
    if constexpr (NumberTraits<Number>::kExact) {
      const std::optional<Rational> exact = ExactMoment(item);
      if (!exact) {
        throw Unusable{"--moments: \"" + item + "\" is not a decimal number or a fraction"};
      }
      S.push_back(*exact);
    } else {
      if (!ExactDecimal(item)) {
        throw Unusable{"--moments: \"" + item + "\" is not a decimal number" +
                       (item.find('/') != std::string::npos ? " (fractions need --exact)" : "")};
      }
      const double value = std::strtod(item.c_str(), nullptr);
      if (!std::isfinite(value)) {
        throw Unusable{"--moments: \"" + item + "\" lies beyond the largest double"};
      }
      S.push_back(value);
    }
  }
  return S;
}

void CheckRead(const std::string& path, const std::string& problem, std::int64_t good,
               std::int64_t needed) {
  const std::string refusal = ReadRefusal(path, problem, good, needed);
  if (!refusal.empty()) {
    throw Unusable{refusal};
  }
  const std::string warning = ShortReadWarning(path, good, needed);
  if (!warning.empty()) {
    std::cerr << kProgram << warning << std::endl;
  }
}

// The binomial moments of the file, summed exactly block by block, the last number read
// standing for any missing ones as in the double reader.
SequenceOf<Rational> ExactMomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                                          std::int64_t needed) {
  SequenceOf<Rational> S{Rational(1)};
  std::int32_t order = 0;
  std::int64_t left_in_block = 0;
  Rational last(0);
  std::string refused;
  const auto next_entry = [&](const Rational& value) {
    while (left_in_block == 0) {
      ++order;
      left_in_block = BinomialCount(n, order);
      S.push_back(Rational(0));
    }
    S.back() += value;
    --left_in_block;
  };
  const TokenScan scan = VisitProbabilityTokens(path.c_str(), needed, [&](std::string_view token) {
    const std::optional<Rational> value = ExactDecimal(token);
    if (!value) {
      refused = std::string(token.substr(0, 40));
      return;
    }
    last = *value;
    next_entry(last);
  });
  CheckRead(path, scan.problem, scan.good, needed);
  if (!refused.empty()) {
    throw Unusable{"\"" + path + "\": the power of ten of \"" + refused +
                   "\" is too large for exact arithmetic"};
  }
  for (std::int64_t k = scan.good; k < needed; ++k) {
    next_entry(last);
  }
  while (static_cast<std::int32_t>(S.size()) < m + 1) {
    S.push_back(Rational(0));
  }
  return S;
}

template <class Number>
Data<Number> LoadData(const Options& options) {
  Data<Number> data;
  if (!options.moments.empty()) {
    data.S = MomentsFromList<Number>(options.moments);
    const auto m = static_cast<std::int32_t>(data.S.size()) - 1;
    const std::string problem =
        m > kLargestOrder ? SizeProblem(options.n, m) : SizeProblem(options.n, 0);
    if (!problem.empty()) {
      throw Unusable{problem};
    }
  } else {
    const std::int32_t m = *options.m;
    const std::string problem = SizeProblem(options.n, m);
    if (!problem.empty()) {
      throw Unusable{problem};
    }
    const std::int64_t needed = ProbabilityCount(options.n, m);
    if constexpr (NumberTraits<Number>::kExact) {
      data.S = ExactMomentsFromFile(options.prob, options.n, m, needed);
    }
    const ProbabilityRead read = ReadProbabilityFile(options.prob.c_str(), needed);
    if constexpr (!NumberTraits<Number>::kExact) {
      CheckRead(options.prob, read.problem, read.good, needed);
      data.S = BinomialMoments(read.values, options.n, m);
    }
    if (m >= 2) {
      const auto n = static_cast<std::size_t>(options.n);
      data.singles = Vector(read.values.begin(), read.values.begin() + n);
      data.pairs =
          Vector(read.values.begin() + n,
                 read.values.begin() + n + static_cast<std::size_t>(BinomialCount(options.n, 2)));
    }
  }
  for (const Number& s : data.S) {
    data.S_double.push_back(ToDouble(s));
  }
  return data;
}

const char* StatusName(WalkEnd end) {
  switch (end) {
    case WalkEnd::kOptimal:
      return "optimal";
    case WalkEnd::kInfeasible:
      return "infeasible";
    case WalkEnd::kRepeated:
      return "cycle";
    case WalkEnd::kRefused:
      break;
  }
  return "refused";
}

std::string Decimal(double x) {
  std::ostringstream out;
  out.precision(17);
  out << x;
  return out.str();
}

Json NumberJson(double x) {
  return std::isfinite(x) ? Json(x) : Json(nullptr);
}
Json NumberJson(const Rational& x) {
  return Json(x.get_str());
}

std::string NumberText(double x) {
  return Decimal(x);
}
std::string NumberText(const Rational& x) {
  return x.get_den() == 1 ? x.get_str() : x.get_str() + " = " + RoundedDecimal(x, 20);
}

template <class Number>
Json WalkJson(const BoundWalkOf<Number>& walk, double seconds) {
  Json bound;
  const bool found = walk.end == WalkEnd::kOptimal;
  if constexpr (NumberTraits<Number>::kExact) {
    bound["value"] = found ? Json(RoundedDecimal(walk.result.value, 20)) : Json(nullptr);
    bound["fraction"] = found ? Json(walk.result.value.get_str()) : Json(nullptr);
  } else {
    bound["value"] = found ? NumberJson(walk.result.value) : Json(nullptr);
  }
  bound["basis"] =
      Json(std::vector<std::int32_t>(walk.result.basis.begin(), walk.result.basis.end()));
  Json solution = Json::array();
  for (const Number& x : walk.result.solution) {
    solution.push_back(NumberJson(x));
  }
  bound["solution"] = solution;
  bound["status"] = StatusName(walk.end);
  bound["basis_changes"] = walk.basis_changes;
  bound["seconds"] = seconds;
  return bound;
}

template <class Number>
void WriteWalkText(const char* which, const BoundWalkOf<Number>& walk, double seconds,
                   std::ostream& out) {
  out << which << " bound: ";
  if (walk.end == WalkEnd::kOptimal) {
    out << NumberText(walk.result.value) << "\n";
  } else {
    out << "none (" << StatusName(walk.end) << ")\n";
  }
  out << "  status " << StatusName(walk.end) << ", " << walk.basis_changes << " basis changes, "
      << seconds << " s\n";
  out << "  basis {";
  for (std::int32_t subscript : walk.result.basis) {
    out << subscript << ",";
  }
  out << "}\n";
  if (!walk.result.solution.empty()) {
    const char* separator = "  solution ";
    for (const Number& x : walk.result.solution) {
      out << separator << NumberText(x);
      separator = ", ";
    }
    out << "\n";
  }
}

// The classical bounds with the sharp ones, the tightest of each side marked.
ClassicalBoundList BoundTable(const Data<double>& data, std::int32_t n, double lower,
                              double upper) {
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

template <class Number>
int Run(const Options& options) {
  Data<Number> data = LoadData<Number>(options);
  const auto m = static_cast<std::int32_t>(data.S.size()) - 1;
  const std::int32_t order = std::min(m, options.n);
  if (m > options.n) {
    std::cerr << kProgram << OrdersAboveEventsNote(options.n, m) << std::endl;
  }

  // The walks' own messages would mix with the report; their endings are reported instead.
  std::ostringstream walk_messages;
  std::streambuf* const console = std::cout.rdbuf(walk_messages.rdbuf());
  const SharpBoundsOf<Number> bounds = SolveSharpBounds<Number>(
      options.n, SequenceOf<Number>(data.S.begin(), data.S.begin() + order + 1));
  std::cout.rdbuf(console);

  const bool both = bounds.lower.end == WalkEnd::kOptimal && bounds.upper.end == WalkEnd::kOptimal;
  const double lower =
      bounds.lower.end == WalkEnd::kOptimal ? ToDouble(bounds.lower.result.value) : std::nan("");
  const double upper =
      bounds.upper.end == WalkEnd::kOptimal ? ToDouble(bounds.upper.result.value) : std::nan("");
  Data<double> doubles;
  doubles.S_double = data.S_double;
  doubles.singles = data.singles;
  doubles.pairs = data.pairs;
  const ClassicalBoundList table =
      options.classical ? BoundTable(doubles, options.n, lower, upper) : ClassicalBoundList{};

  if (options.json) {
    Json report;
    report["n"] = options.n;
    report["m"] = m;
    report["arithmetic"] = options.exact ? "exact" : "double";
    Json S = Json::array();
    for (const Number& s : data.S) {
      S.push_back(NumberJson(s));
    }
    report["S"] = S;
    report["lower"] = WalkJson(bounds.lower, bounds.lower_seconds);
    report["upper"] = WalkJson(bounds.upper, bounds.upper_seconds);
    if (options.classical) {
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
    std::cout << "n=" << options.n << ", m=" << m << ", "
              << (options.exact ? "exact rational" : "double-precision") << " arithmetic\n";
    std::cout << "binomial moments S_0 .. S_" << m << ":";
    const char* separator = " ";
    for (const Number& s : data.S) {
      std::cout << separator << NumberText(s);
      separator = ", ";
    }
    std::cout << "\n";
    WriteWalkText("lower", bounds.lower, bounds.lower_seconds, std::cout);
    WriteWalkText("upper", bounds.upper, bounds.upper_seconds, std::cout);
    if (options.classical) {
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
  if (!both && !options.exact) {
    std::cerr << kProgram
              << "hint: rounding can stop the walk short of a bound that exists; --exact "
                 "solves the same data in exact arithmetic"
              << std::endl;
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
  app.add_option("--n", options.n, "number of events")->required()->check(CLI::NonNegativeNumber);
  auto* m = app.add_option("--m", options.m, "maximum order of the intersections in --prob")
                ->check(CLI::NonNegativeNumber);
  auto* prob = app.add_option("--prob", options.prob,
                              "file of intersection probabilities, as prob.txt of unionbound");
  auto* moments =
      app.add_option("--moments", options.moments, "binomial moments S1,...,Sm (m is their count)");
  prob->needs(m)->excludes(moments);
  moments->excludes(m);
  app.add_flag("--exact", options.exact, "exact rational arithmetic (\"0.1\" is 1/10)");
  app.add_flag("--json", options.json, "one JSON object on standard output");
  app.add_flag("--classical", options.classical, "the classical bounds beside the sharp ones");
  try {
    app.parse(argc, argv);
    if (options.prob.empty() && options.moments.empty()) {
      throw CLI::ValidationError("one of --prob FILE (with --m) and --moments S1,...,Sm is needed");
    }
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << kProgram << error.what() << std::endl;
    return kUnusable;
  }
  try {
    return options.exact ? Run<Rational>(options) : Run<double>(options);
  } catch (const Unusable& refusal) {
    std::cerr << kProgram << refusal.message << std::endl;
    return kUnusable;
  }
}
