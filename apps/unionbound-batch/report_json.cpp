#include <cmath>

#include "apps/unionbound-batch/report.h"

namespace unionbound {
namespace {

// A double in JSON: null where JSON has no number (infinities and not-a-numbers).
Json NumberJson(double x) {
  return std::isfinite(x) ? Json(x) : Json(nullptr);
}

Json OptionalJson(const std::optional<double>& x) {
  return x ? NumberJson(*x) : Json(nullptr);
}

Json ValueJson(const Bound& bound) {
  return bound.found ? NumberJson(bound.value) : Json(nullptr);
}

Json FractionJson(const Bound& bound) {
  return bound.found ? Json(bound.fraction) : Json(nullptr);
}

Json BoundJson(const Bound& bound) {
  Json json;
  json["value"] = ValueJson(bound);
  json["fraction"] = FractionJson(bound);
  json["basis"] = Json(bound.basis);
  Json solution = Json::array();
  for (double x : bound.solution) {
    solution.push_back(NumberJson(x));
  }
  json["solution"] = solution;
  json["solution_fractions"] = Json(bound.solution_fractions);
  json["status"] = bound.status;
  json["basis_changes"] = bound.basis_changes;
  json["seconds"] = bound.seconds;
  return json;
}

Json ByOrderJson(const std::vector<OrderRow>& rows) {
  Json array = Json::array();
  for (const OrderRow& row : rows) {
    Json json;
    json["k"] = row.k;
    json["status"] = row.status;
    json["lower"] = ValueJson(row.lower);
    json["upper"] = ValueJson(row.upper);
    json["lower_fraction"] = FractionJson(row.lower);
    json["upper_fraction"] = FractionJson(row.upper);
    if (row.classical) {
      json["bonferroni"] = NumberJson(row.bonferroni);
      json["bonferroni_side"] = row.bonferroni_side;
      json["dawson_sankoff_lower"] = OptionalJson(row.dawson_sankoff_lower);
      json["kwerel_upper"] = OptionalJson(row.kwerel_upper);
    }
    array.push_back(std::move(json));
  }
  return array;
}

Json ClassicalJson(const std::vector<ClassicalBound>& table) {
  Json rows = Json::array();
  for (const ClassicalBound& row : table) {
    rows.push_back({{"name", row.name},
                    {"side", row.side},
                    {"value", NumberJson(row.value)},
                    {"tightest", row.tightest}});
  }
  return rows;
}

Json IndividualBoundJson(const IndividualBound& bound) {
  Json json;
  json["value"] = bound.found ? NumberJson(bound.value) : Json(nullptr);
  json["fraction"] = bound.found ? Json(bound.fraction) : Json(nullptr);
  json["status"] = bound.status;
  json["atoms"] = bound.atoms;
  json["basis_changes"] = bound.basis_changes;
  json["seconds"] = bound.seconds;
  return json;
}

Json IndividualJson(const IndividualBounds& bounds) {
  Json json;
  json["lower"] = IndividualBoundJson(bounds.lower);
  json["upper"] = IndividualBoundJson(bounds.upper);
  json["no_distribution_reason"] =
      bounds.no_distribution_reason.empty() ? Json(nullptr) : Json(bounds.no_distribution_reason);
  return json;
}

}  // namespace

Json JsonReport(const Bounds& bounds, const Shown& shown) {
  Json report;
  report["n"] = bounds.n;
  report["m"] = bounds.m;
  report["arithmetic"] = "exact";
  if (shown.question.kind != QuestionKind::kUnion) {
    report["question"] = {{"kind", InfoOf(shown.question.kind).json_name}, {"r", shown.question.r}};
  }
  Json S = Json::array();
  for (double s : bounds.S) {
    S.push_back(NumberJson(s));
  }
  report["S"] = S;
  report["S_fractions"] = Json(bounds.S_fractions);
  report["lower"] = BoundJson(bounds.lower);
  report["upper"] = BoundJson(bounds.upper);
  if (shown.by_order) {
    report["by_order"] = ByOrderJson(bounds.by_order);
  }
  if (!bounds.classical.empty()) {
    report["classical"] = ClassicalJson(bounds.classical);
  }
  if (bounds.individual.given) {
    report["individual"] = IndividualJson(bounds.individual);
  }
  report["notes"] = Json(bounds.notes);
  report["no_distribution_reason"] =
      bounds.no_distribution_reason.empty() ? Json(nullptr) : Json(bounds.no_distribution_reason);
  return report;
}

}  // namespace unionbound
