#include "apps/unionbound-batch/questions.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <sstream>
#include <utility>

#include "bounds/clock.h"

namespace unionbound {
namespace {

ReportedBound SolveOne(Side side, const AskedQuestion& question, std::int32_t n,
                       const SequenceOf<Rational>& S) {
  const auto start = std::chrono::steady_clock::now();
  ReportedBound bound = ExactBoundOf(side, question, n, S);
  bound.seconds = SecondsSince(start);
  return bound;
}

Json FractionJson(const ReportedBound& bound) {
  return bound.found ? Json(bound.value.get_str()) : Json(nullptr);
}

Json ValueJson(const ReportedBound& bound) {
  return bound.found ? NumberJson(NearestDouble(bound.value)) : Json(nullptr);
}

std::string RowStatus(const ReportedBounds& sharp) {
  if (!sharp.lower.found) {
    return sharp.lower.status;
  }
  return sharp.upper.found ? "optimal" : sharp.upper.status;
}

std::string BoundCell(const ReportedBound& bound, bool exact) {
  return bound.found ? NumberText(bound.value, exact) : "none";
}

double PlotValue(const ReportedBound& bound) {
  return bound.found ? NearestDouble(bound.value) : std::nan("");
}

std::string OptionalCell(const std::optional<double>& value) {
  return value ? Decimal(*value) : "-";
}

}  // namespace

std::string QuestionWords(const AskedQuestion& question) {
  if (!question) {
    return "at least 1";
  }
  return std::string(question->question == Question::kAtLeast ? "at least " : "exactly ") +
         std::to_string(question->r);
}

std::string QuestionProbability(const AskedQuestion& question, std::int32_t n) {
  if (!question) {
    return "P(at least one of the " + std::to_string(n) + " events occurs)";
  }
  return "P(" + QuestionWords(question) + " of the " + std::to_string(n) + " events " +
         (question->r == 1 ? "occurs)" : "occur)");
}

ReportedBounds SolveBounds(const AskedQuestion& question, std::int32_t n,
                           const SequenceOf<Rational>& S) {
  ReportedBounds bounds;
  bounds.lower = SolveOne(Side::kLower, question, n, S);
  bounds.upper = SolveOne(Side::kUpper, question, n, S);
  return bounds;
}

std::string Decimal(double x) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x);
  return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string NumberText(const Rational& x, bool exact) {
  const std::string nearest = Decimal(NearestDouble(x));
  if (!exact || x.get_den() == 1) {
    return nearest;
  }
  return x.get_str() + " = " + nearest;
}

Json NumberJson(double x) {
  return std::isfinite(x) ? Json(x) : Json(nullptr);
}

Json BoundJson(const ReportedBound& bound) {
  Json json;
  json["value"] = ValueJson(bound);
  json["fraction"] = FractionJson(bound);
  json["basis"] = Json(std::vector<std::int32_t>(bound.basis.begin(), bound.basis.end()));
  Json solution = Json::array();
  Json fractions = Json::array();
  for (const Rational& x : bound.solution) {
    solution.push_back(NumberJson(NearestDouble(x)));
    fractions.push_back(x.get_str());
  }
  json["solution"] = solution;
  json["solution_fractions"] = fractions;
  json["status"] = bound.status;
  json["basis_changes"] = bound.basis_changes;
  json["seconds"] = bound.seconds;
  return json;
}

std::string BoundText(const char* which, const ReportedBound& bound, bool exact) {
  std::ostringstream out;
  out << which << " bound: ";
  if (bound.found) {
    out << NumberText(bound.value, exact) << "\n";
  } else {
    out << "none (" << bound.status << ")\n";
  }
  out << "  status " << bound.status << ", " << bound.basis_changes << " basis changes, "
      << bound.seconds << " s\n";
  out << "  basis {";
  for (std::int32_t subscript : bound.basis) {
    out << subscript << ",";
  }
  out << "}\n";
  if (!bound.solution.empty()) {
    const char* separator = "  solution ";
    for (const Rational& x : bound.solution) {
      out << separator << NumberText(x, exact);
      separator = ", ";
    }
    out << "\n";
  }
  return out.str();
}

std::vector<OrderRow> SolveByOrder(const AskedQuestion& question, std::int32_t n,
                                   const SequenceOf<Rational>& S, const Vector* S_double) {
  const bool classical = S_double != nullptr && !question;
  const Vector bonferroni = classical ? BonferroniSums(*S_double) : Vector{};
  std::vector<OrderRow> rows;
  for (std::size_t k = 1; k < S.size(); ++k) {
    OrderRow row;
    row.k = static_cast<std::int32_t>(k);
    row.sharp = SolveBounds(question, n, SequenceOf<Rational>(S.begin(), S.begin() + k + 1));
    row.classical = classical;
    if (classical) {
      row.bonferroni = bonferroni[k];
      if (k >= 2) {
        row.dawson_sankoff_lower = DawsonSankoffLower((*S_double)[1], (*S_double)[2], n);
        row.kwerel_upper = KwerelUpper((*S_double)[1], (*S_double)[2], n);
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string ByOrderText(const std::vector<OrderRow>& rows, bool exact) {
  const bool classical = !rows.empty() && rows.front().classical;
  std::vector<std::vector<std::string>> table = {{"k", "lower", "upper"}};
  if (classical) {
    table[0].insert(table[0].end(), {"Bonferroni B_k", "Dawson-Sankoff lower", "Kwerel upper"});
  }
  for (const OrderRow& row : rows) {
    std::vector<std::string> cells = {std::to_string(row.k), BoundCell(row.sharp.lower, exact),
                                      BoundCell(row.sharp.upper, exact)};
    if (classical) {
      cells.push_back(Decimal(row.bonferroni) + (row.k % 2 == 1 ? " (upper)" : " (lower)"));
      cells.push_back(OptionalCell(row.dawson_sankoff_lower));
      cells.push_back(OptionalCell(row.kwerel_upper));
    }
    table.push_back(std::move(cells));
  }
  std::vector<std::size_t> widths(table[0].size(), 0);
  for (const auto& cells : table) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      widths[c] = std::max(widths[c], cells[c].size());
    }
  }
  std::string text = "sharp bounds from the orders 1 .. k alone:\n";
  for (const auto& cells : table) {
    std::string line = " ";
    for (std::size_t c = 0; c < cells.size(); ++c) {
      line += " " + cells[c];
      if (c + 1 < cells.size()) {
        line += std::string(widths[c] - cells[c].size() + 1, ' ');
      }
    }
    text += line + "\n";
  }
  return text;
}

Json ByOrderJson(const std::vector<OrderRow>& rows) {
  Json array = Json::array();
  for (const OrderRow& row : rows) {
    Json json;
    json["k"] = row.k;
    json["status"] = RowStatus(row.sharp);
    json["lower"] = ValueJson(row.sharp.lower);
    json["upper"] = ValueJson(row.sharp.upper);
    json["lower_fraction"] = FractionJson(row.sharp.lower);
    json["upper_fraction"] = FractionJson(row.sharp.upper);
    if (row.classical) {
      const auto optional = [](const std::optional<double>& x) {
        return x ? NumberJson(*x) : Json(nullptr);
      };
      json["bonferroni"] = NumberJson(row.bonferroni);
      json["bonferroni_side"] = row.k % 2 == 1 ? "upper" : "lower";
      json["dawson_sankoff_lower"] = optional(row.dawson_sankoff_lower);
      json["kwerel_upper"] = optional(row.kwerel_upper);
    }
    array.push_back(std::move(json));
  }
  return array;
}

Plot ByOrderPlot(const std::vector<OrderRow>& rows, const AskedQuestion& question, std::int32_t n) {
  Plot plot;
  plot.title = "Sharp bounds on " + QuestionProbability(question, n) + " from S_1 .. S_k";
  for (const OrderRow& row : rows) {
    PlotRow point{row.k, PlotValue(row.sharp.lower), PlotValue(row.sharp.upper), {}};
    if (row.classical) {
      point.markers.push_back(
          {row.k % 2 == 1 ? "Bonferroni B_k, odd k (upper)" : "Bonferroni B_k, even k (lower)",
           row.bonferroni});
      if (row.dawson_sankoff_lower) {
        point.markers.push_back({"Dawson-Sankoff (lower)", *row.dawson_sankoff_lower});
      }
      if (row.kwerel_upper) {
        point.markers.push_back({"Kwerel (upper)", *row.kwerel_upper});
      }
    }
    plot.rows.push_back(std::move(point));
  }
  return plot;
}

}  // namespace unionbound
