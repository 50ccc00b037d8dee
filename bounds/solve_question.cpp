#include "bounds/solve_question.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "bounds/classical_bounds.h"
#include "bounds/clock.h"
#include "bounds/sharp_bounds.h"

namespace unionbound {
namespace {

std::vector<std::string> OrderNotes(std::int32_t n, std::int32_t m) {
  if (m > n) {
    return {OrdersAboveEventsNote(n, m)};
  }
  return {};
}

ExactBound TimedExactBound(Side side, const Question& question, std::int32_t n,
                           const SequenceOf<Rational>& S, WalkStride stride) {
  const auto start = std::chrono::steady_clock::now();
  ExactBound bound = ExactBoundOf(side, question, n, S, stride);
  bound.seconds = SecondsSince(start);
  return bound;
}

// One side: the double walk, then its exact check when the exact program is given; the exact
// program is formed once, inside the first side's time.
CheckedSide CheckedSideOf(Side side, const UnionProgramOf<double>& program,
                          const SequenceOf<Rational>* exact_S, std::int32_t n,
                          std::optional<UnionProgramOf<Rational>>& exact_program,
                          WalkStride stride) {
  CheckedSide bound;
  const std::int32_t start = ElapsedMilliseconds();
  bound.walk = WalkToSharpBound<double>(side, program, nullptr, stride);
  bound.shown = bound.walk.result;
  bound.shown_end = bound.walk.end;
  if (exact_S != nullptr) {
    if (!exact_program) {
      exact_program = UnionProgram<Rational>(n, *exact_S);
    }
    bound.checked = CheckSharpBound(side, bound.walk, *exact_program, stride);
    bound.shown = bound.checked->shown.result;
    bound.shown_end = bound.checked->shown.end;
  }
  bound.seconds = static_cast<double>(ElapsedMilliseconds() - start) * 0.001;
  return bound;
}

}  // namespace

std::int32_t UsedOrder(std::int32_t n, std::int32_t m) {
  return std::min(m, n);
}

QuestionBounds SolveQuestion(const Question& question, std::int32_t n,
                             const SequenceOf<Rational>& S, WalkStride stride) {
  const auto m = static_cast<std::int32_t>(S.size()) - 1;
  QuestionBounds bounds;
  bounds.order = UsedOrder(n, m);
  bounds.notes = OrderNotes(n, m);
  const SequenceOf<Rational> used(S.begin(), S.begin() + bounds.order + 1);
  bounds.lower = TimedExactBound(Side::kLower, question, n, used, stride);
  bounds.upper = TimedExactBound(Side::kUpper, question, n, used, stride);
  return bounds;
}

std::string RowStatus(const ExactBound& lower, const ExactBound& upper) {
  if (!lower.found) {
    return lower.status;
  }
  return upper.found ? "optimal" : upper.status;
}

std::vector<OrderBounds> SolveByOrder(const Question& question, std::int32_t n,
                                      const SequenceOf<Rational>& S, bool classical) {
  const auto order = UsedOrder(n, static_cast<std::int32_t>(S.size()) - 1);
  const bool shown = classical && InfoOf(question.kind).classical;
  const SequenceOf<Rational> bonferroni = shown ? BonferroniSums(S) : SequenceOf<Rational>{};
  std::vector<OrderBounds> rows;
  for (std::int32_t k = 1; k <= order; ++k) {
    QuestionBounds sharp =
        SolveQuestion(question, n, SequenceOf<Rational>(S.begin(), S.begin() + k + 1));
    OrderBounds row;
    row.k = k;
    row.lower = std::move(sharp.lower);
    row.upper = std::move(sharp.upper);
    row.classical = shown;
    if (shown) {
      row.bonferroni = NearestDouble(bonferroni[static_cast<std::size_t>(k)]);
      if (k >= 2) {
        row.dawson_sankoff_lower = NearestDouble(DawsonSankoffLower(S[1], S[2], n));
        row.kwerel_upper = NearestDouble(KwerelUpper(S[1], S[2], n));
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

CheckedUnionBounds SolveUnionChecked(std::int32_t n, const Vector& S,
                                     const SequenceOf<Rational>* exact_S, WalkStride stride) {
  const auto m = static_cast<std::int32_t>(S.size()) - 1;
  CheckedUnionBounds bounds;
  bounds.order = UsedOrder(n, m);
  bounds.notes = OrderNotes(n, m);
  const UnionProgramOf<double> program =
      UnionProgram<double>(n, Vector(S.begin(), S.begin() + bounds.order + 1));
  std::optional<SequenceOf<Rational>> exact_orders;
  if (exact_S != nullptr) {
    exact_orders.emplace(exact_S->begin(), exact_S->begin() + bounds.order + 1);
  }
  std::optional<UnionProgramOf<Rational>> exact_program;
  const SequenceOf<Rational>* exact = exact_orders ? &*exact_orders : nullptr;
  bounds.lower = CheckedSideOf(Side::kLower, program, exact, n, exact_program, stride);
  bounds.upper = CheckedSideOf(Side::kUpper, program, exact, n, exact_program, stride);
  for (const CheckedSide* side : {&bounds.lower, &bounds.upper}) {
    if (side->checked && side->checked->check == BoundCheck::kNoDistribution) {
      bounds.fits_no_distribution = true;
    }
  }
  return bounds;
}

}  // namespace unionbound
