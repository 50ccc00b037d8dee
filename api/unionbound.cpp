#include "unionbound/unionbound.h"

#include "api/bounds_of_data.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "bounds/atom_program.h"
#include "bounds/classical_bounds.h"
#include "bounds/moment_problem.h"
#include "bounds/question.h"
#include "bounds/solve_question.h"
#include "input/exact_decimal.h"
#include "input/input_limits.h"
#include "input/moment_data.h"
#include "input/probability_input.h"
#include "moments/binomial.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

// The refusal of a count below 0, named as the caller names it.
void CheckCount(const char* name, std::int32_t value) {
  if (value < 0) {
    throw Error(std::string(name) + " must be a whole number from 0 to 2147483647, not " +
                std::to_string(value));
  }
}

// The internal question of a public one; an r outside 1 .. n is refused.
Question QuestionOf(const Probability& probability, std::int32_t n) {
  switch (probability.kind) {
    case Probability::Kind::kUnion:
      return kUnion;
    case Probability::Kind::kAtLeast:
    case Probability::Kind::kExactly:
      break;
  }
  const bool at_least = probability.kind == Probability::Kind::kAtLeast;
  if (probability.r < 1 || probability.r > n) {
    throw Error(std::string(at_least ? "AtLeast(" : "Exactly(") + std::to_string(probability.r) +
                "): r must be a whole number from 1 to n=" + std::to_string(n));
  }
  return {at_least ? QuestionKind::kAtLeast : QuestionKind::kExactly, probability.r};
}

// The data as the loader gives them; its refusal, with the warnings said before it, an Error.
MomentData Usable(MomentData data) {
  if (data.refused_item >= 0) {
    throw Error("moments[" + std::to_string(data.refused_item) + "]: " + data.refusal,
                Error::Cause::kInput);
  }
  if (!data.refusal.empty()) {
    throw Error(data.refusal,
                data.not_read_whole ? Error::Cause::kNotReadWhole : Error::Cause::kInput,
                std::move(data.warnings));
  }
  return data;
}

// The shortest decimal that reads back as x; "inf" and "nan" for the rest, which ExactDecimal
// refuses as the batch program refuses them.
std::string ShortestDecimal(double x) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x);
  return error == std::errc() ? std::string(buffer, end) : std::string("nan");
}

MomentData FileData(const std::string& path, std::int32_t n, std::int32_t m,
                    const Options& options) {
  CheckCount("n", n);
  CheckCount("m", m);
  // Too many numbers for any run is a fault of n and m, not of the file.
  if (const std::string problem = SizeProblem(n, m, std::numeric_limits<std::int32_t>::max());
      !problem.empty()) {
    throw Error(problem);
  }
  if (options.individual) {
    if (const std::string limit = AtomProgramLimit(n, m); !limit.empty()) {
      throw Error(limit);
    }
  }
  FileReading how;
  how.keep_pairs = options.classical;
  how.keep_values = options.individual;
  how.accept_short = options.accept_short;
  how.progress = options.progress;
  MomentData data = MomentsOfFile(path, n, m, how);
  // The reader's thread count is said first, as the programs say it before they read.
  if (const ThreadSetting threads = ReaderThreads(); !threads.problem.empty()) {
    data.warnings.insert(data.warnings.begin(), "warning: " + threads.problem);
  }
  return Usable(std::move(data));
}

std::vector<std::string> Fractions(const SequenceOf<Rational>& values) {
  std::vector<std::string> fractions;
  for (const Rational& x : values) {
    fractions.push_back(x.get_str());
  }
  return fractions;
}

std::vector<double> NearestDoubles(const SequenceOf<Rational>& values) {
  std::vector<double> doubles;
  for (const Rational& x : values) {
    doubles.push_back(NearestDouble(x));
  }
  return doubles;
}

Bound BoundOf(const ExactBound& exact) {
  Bound bound;
  bound.found = exact.found;
  bound.value = exact.found ? NearestDouble(exact.value) : std::numeric_limits<double>::quiet_NaN();
  bound.fraction = exact.found ? exact.value.get_str() : "";
  bound.basis.assign(exact.basis.begin(), exact.basis.end());
  bound.solution = NearestDoubles(exact.solution);
  bound.solution_fractions = Fractions(exact.solution);
  bound.status = exact.status;
  bound.basis_changes = exact.basis_changes;
  bound.seconds = exact.seconds;
  return bound;
}

OrderRow RowOf(const OrderBounds& row) {
  OrderRow out;
  out.k = row.k;
  out.status = RowStatus(row.lower, row.upper);
  out.lower = BoundOf(row.lower);
  out.upper = BoundOf(row.upper);
  out.classical = row.classical;
  if (row.classical) {
    out.bonferroni = row.bonferroni;
    out.bonferroni_side = row.k % 2 == 1 ? "upper" : "lower";
    out.dawson_sankoff_lower = row.dawson_sankoff_lower;
    out.kwerel_upper = row.kwerel_upper;
  }
  return out;
}

IndividualBound IndividualOf(const AtomBound& bound) {
  IndividualBound out;
  out.found = bound.status == ProgramStatus::kOptimal;
  out.status = out.found ? "optimal" : "infeasible";
  if (out.found) {
    out.value = NearestDouble(bound.value);
    out.fraction = bound.value.get_str();
  }
  out.atoms = static_cast<std::int64_t>(bound.distribution.size());
  out.basis_changes = bound.pivots;
  out.seconds = bound.seconds;
  return out;
}

std::vector<ClassicalBound> ClassicalOf(const ClassicalBoundList& table) {
  std::vector<ClassicalBound> rows;
  for (const ClassicalRow& row : table) {
    rows.push_back(
        {row.name, row.side == Side::kLower ? "lower" : "upper", row.value, Tightest(table, row)});
  }
  return rows;
}

// Every figure asked for, from the moments as loaded.
Bounds Solve(std::int32_t n, MomentData data, const Question& question, const Options& options) {
  Bounds bounds;
  bounds.n = n;
  bounds.m = static_cast<std::int32_t>(data.S.size()) - 1;
  bounds.probability = options.probability;
  bounds.S = NearestDoubles(data.S);
  bounds.S_fractions = Fractions(data.S);
  bounds.notes = std::move(data.warnings);
  QuestionBounds sharp = SolveQuestion(question, n, data.S);
  bounds.notes.insert(bounds.notes.end(), sharp.notes.begin(), sharp.notes.end());
  bounds.lower = BoundOf(sharp.lower);
  bounds.upper = BoundOf(sharp.upper);

  const bool classical = options.classical && InfoOf(question.kind).classical;
  if (options.classical && !classical) {
    bounds.notes.push_back("note: the classical bounds bound the union only; none are shown for " +
                           QuestionProbability(question, n));
  }
  const SequenceOf<Rational> used(data.S.begin(), data.S.begin() + sharp.order + 1);
  if (classical) {
    const auto value = [](const Bound& bound) {
      return bound.found ? bound.value : std::numeric_limits<double>::quiet_NaN();
    };
    bounds.classical = ClassicalOf(ClassicalTable(data.S, n, data.singles, data.pairs,
                                                  value(bounds.lower), value(bounds.upper)));
  }
  if (options.by_order) {
    for (const OrderBounds& row : SolveByOrder(question, n, used, classical)) {
      bounds.by_order.push_back(RowOf(row));
    }
  }
  if (options.individual) {
    AtomInterval interval;
    try {
      interval = SolveAtomInterval(question, n, bounds.m, data.values);
    } catch (const std::logic_error& fault) {
      // A proof the exact pivots could not finish: no bound is given as if it were one.
      throw Error(std::string("the bounds from every intersection: ") + fault.what(),
                  Error::Cause::kInput);
    }
    bounds.individual.given = true;
    bounds.individual.lower = IndividualOf(interval.lower);
    bounds.individual.upper = IndividualOf(interval.upper);
    bounds.individual.no_distribution_reason = interval.reason;
  }
  if (!bounds.lower.found || !bounds.upper.found) {
    bounds.no_distribution_reason =
        data.improbable.empty() ? EvidentMomentProblem(n, used) : data.improbable;
  }
  return bounds;
}

}  // namespace

Bounds BoundsOfData(std::int32_t n, MomentData data, const Options& options) {
  CheckCount("n", n);
  const Question question = QuestionOf(options.probability, n);
  return Solve(n, Usable(std::move(data)), question, options);
}

std::string Version() {
  return UNIONBOUND_LIBRARY_VERSION;
}

Bounds SharpBounds(std::int32_t n, const std::vector<std::string>& moments,
                   const Options& options) {
  // The question is refused before the moments are read, as the batch program refuses it.
  CheckCount("n", n);
  const Question question = QuestionOf(options.probability, n);
  if (options.individual) {
    throw Error(
        "Options::individual needs the intersections themselves (SharpBoundsFromFile or "
        "SharpBoundsFromIntersections), not their sums");
  }
  return Solve(n, Usable(MomentsFromItems(moments)), question, options);
}

Bounds SharpBoundsFromIntersections(std::int32_t n, std::int32_t m,
                                    const std::vector<std::string>& probabilities,
                                    const Options& options) {
  CheckCount("n", n);
  CheckCount("m", m);
  const Question question = QuestionOf(options.probability, n);
  if (options.individual) {
    if (const std::string limit = AtomProgramLimit(n, m); !limit.empty()) {
      throw Error(limit);
    }
  }
  if (const std::string problem = SizeProblem(n, m, std::numeric_limits<std::int32_t>::max());
      !problem.empty()) {
    throw Error(problem);
  }
  const std::int64_t needed = ProbabilityCount(n, m);
  if (static_cast<std::int64_t>(probabilities.size()) != needed) {
    throw Error("probabilities: n=" + std::to_string(n) + ", m=" + std::to_string(m) + " need " +
                std::to_string(needed) + " intersections, not " +
                std::to_string(probabilities.size()));
  }
  MomentData data;
  data.S = {Rational(1)};
  std::int64_t place = 0;
  for (std::int32_t k = 1; k <= m; ++k) {
    Rational sum;
    const std::int64_t block = k <= n ? ProbabilityCount(n, k) - ProbabilityCount(n, k - 1) : 0;
    for (std::int64_t i = 0; i < block; ++i, ++place) {
      const std::string& text = probabilities[static_cast<std::size_t>(place)];
      const std::optional<Rational> value = ExactDecimalOrFraction(text);
      if (!value) {
        throw Error("probabilities[" + std::to_string(place) + "]: \"" + text +
                        "\" is not a decimal number or a fraction",
                    Error::Cause::kInput);
      }
      sum += *value;
      data.values.push_back(*value);
    }
    data.S.push_back(sum);
  }
  return Solve(n, std::move(data), question, options);
}

Bounds SharpBounds(std::int32_t n, const std::vector<std::string>& moments,
                   Probability probability) {
  Options options;
  options.probability = probability;
  return SharpBounds(n, moments, options);
}

Bounds SharpBoundsFromDoubles(std::int32_t n, const std::vector<double>& moments,
                              Probability probability) {
  std::vector<std::string> written;
  for (double x : moments) {
    written.push_back(ShortestDecimal(x));
  }
  return SharpBounds(n, written, probability);
}

Bounds SharpBoundsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                           const Options& options) {
  CheckCount("n", n);
  const Question question = QuestionOf(options.probability, n);
  return Solve(n, FileData(path, n, m, options), question, options);
}

Bounds SharpBoundsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                           Probability probability) {
  Options options;
  options.probability = probability;
  return SharpBoundsFromFile(path, n, m, options);
}

std::vector<std::string> MomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                                         bool accept_short) {
  Options options;
  options.accept_short = accept_short;
  const MomentData data = FileData(path, n, m, options);
  return Fractions(SequenceOf<Rational>(data.S.begin() + 1, data.S.end()));
}

}  // namespace unionbound
