#include "unionbound/unionbound.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>
#include <optional>

#include "bounds/clock.h"
#include "bounds/exact_bound.h"
#include "bounds/question.h"
#include "input/exact_decimal.h"
#include "input/moment_data.h"
#include "moments/binomial.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

// The moment data of one call: S_0 .. S_m exactly, and what is said beside the bounds.
struct Moments {
  SequenceOf<Rational> S;
  std::vector<std::string> notes;
};

// The data as the batch program loads it; its warnings become notes, its refusal an Error.
Moments MomentsOf(MomentData data) {
  if (!data.refusal.empty()) {
    throw Error(data.refusal);
  }
  return {std::move(data.S), std::move(data.warnings)};
}

Moments MomentsFromText(const std::vector<std::string>& items) {
  return MomentsOf(MomentsFromItems(items));
}

// The shortest decimal that reads back as x; "inf" and "nan" for the rest, which ExactDecimal
// refuses as the batch program refuses them.
std::string ShortestDecimal(double x) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x);
  return error == std::errc() ? std::string(buffer, end) : std::string("nan");
}

// The refusal of a count below 0, in the batch program's words.
void CheckCount(const char* option, std::int32_t value) {
  if (value < 0) {
    throw Error(std::string(option) + ": \"" + std::to_string(value) +
                "\" is not a whole number from 0 to 2147483647");
  }
}

// The block sums of the file as the batch program forms them; a short read is a note, as it is
// a warning there.
Moments MomentsOfFile(const std::string& path, std::int32_t n, std::int32_t m) {
  CheckCount("--n", n);
  CheckCount("--m", m);
  return MomentsOf(unionbound::MomentsOfFile(path, n, m, false));
}

// The internal question of a public one, refused as the batch program refuses --at-least and
// --exactly outside 1 .. n.
std::optional<Objective> ObjectiveOf(const Probability& probability, std::int32_t n) {
  if (probability.kind == Probability::Kind::kUnion) {
    return std::nullopt;
  }
  const bool at_least = probability.kind == Probability::Kind::kAtLeast;
  const QuestionChoice choice = ChooseQuestion(at_least ? Question::kAtLeast : Question::kExactly,
                                               std::to_string(probability.r), n);
  if (!choice.refusal.empty()) {
    throw Error(choice.refusal);
  }
  return choice.question;
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
  return bound;
}

// One side, timed over all of its work as the batch program times it.
Bound SolveSide(Side side, const std::optional<Objective>& objective, std::int32_t n,
                const SequenceOf<Rational>& S) {
  const auto start = std::chrono::steady_clock::now();
  Bound bound = BoundOf(ExactBoundOf(side, objective, n, S));
  bound.seconds = SecondsSince(start);
  return bound;
}

Bounds Solve(std::int32_t n, Moments moments, const Probability& probability) {
  const std::optional<Objective> objective = ObjectiveOf(probability, n);
  Bounds bounds;
  bounds.n = n;
  bounds.m = static_cast<std::int32_t>(moments.S.size()) - 1;
  bounds.S = NearestDoubles(moments.S);
  bounds.S_fractions = Fractions(moments.S);
  bounds.notes = std::move(moments.notes);
  if (bounds.m > n) {
    bounds.notes.push_back(OrdersAboveEventsNote(n, bounds.m));
  }
  const SequenceOf<Rational> used(moments.S.begin(), moments.S.begin() + std::min(bounds.m, n) + 1);
  bounds.lower = SolveSide(Side::kLower, objective, n, used);
  bounds.upper = SolveSide(Side::kUpper, objective, n, used);
  return bounds;
}

}  // namespace

std::string Version() {
  return UNIONBOUND_LIBRARY_VERSION;
}

Bounds SharpBounds(std::int32_t n, const std::vector<std::string>& moments,
                   Probability probability) {
  // The question is refused before the moments are read, as the batch program refuses it.
  CheckCount("--n", n);
  ObjectiveOf(probability, n);
  return Solve(n, MomentsFromText(moments), probability);
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
                           Probability probability) {
  CheckCount("--n", n);
  ObjectiveOf(probability, n);
  return Solve(n, MomentsOfFile(path, n, m), probability);
}

std::vector<std::string> MomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m) {
  const Moments moments = MomentsOfFile(path, n, m);
  return Fractions(SequenceOf<Rational>(moments.S.begin() + 1, moments.S.end()));
}

}  // namespace unionbound
