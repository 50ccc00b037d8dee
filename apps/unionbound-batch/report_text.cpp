#include <algorithm>
#include <charconv>
#include <sstream>
#include <utility>
#include <vector>

#include "apps/unionbound-batch/report.h"

namespace unionbound {
namespace {

// A figure: the nearest double, and with `exact` its fraction first ("7/10 = 0.7"); integers
// have no fraction to show.
std::string NumberText(const std::string& fraction, double nearest, bool exact) {
  if (!exact || fraction.find('/') == std::string::npos) {
    return Decimal(nearest);
  }
  return fraction + " = " + Decimal(nearest);
}

std::string BoundText(const char* which, const Bound& bound, bool exact) {
  std::ostringstream out;
  out << which << " bound: ";
  if (bound.found) {
    out << NumberText(bound.fraction, bound.value, exact) << "\n";
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
    for (std::size_t i = 0; i < bound.solution.size(); ++i) {
      out << separator << NumberText(bound.solution_fractions[i], bound.solution[i], exact);
      separator = ", ";
    }
    out << "\n";
  }
  return out.str();
}

std::string BoundCell(const Bound& bound, bool exact) {
  return bound.found ? NumberText(bound.fraction, bound.value, exact) : "none";
}

std::string OptionalCell(const std::optional<double>& value) {
  return value ? Decimal(*value) : "-";
}

// The rows as an aligned table with a heading line.
std::string ByOrderText(const std::vector<OrderRow>& rows, bool exact) {
  const bool classical = !rows.empty() && rows.front().classical;
  std::vector<std::vector<std::string>> table = {{"k", "lower", "upper"}};
  if (classical) {
    table[0].insert(table[0].end(), {"Bonferroni B_k", "Dawson-Sankoff lower", "Kwerel upper"});
  }
  for (const OrderRow& row : rows) {
    std::vector<std::string> cells = {std::to_string(row.k), BoundCell(row.lower, exact),
                                      BoundCell(row.upper, exact)};
    if (classical) {
      cells.push_back(Decimal(row.bonferroni) + " (" + row.bonferroni_side + ")");
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

std::string ClassicalText(const std::vector<ClassicalBound>& table) {
  std::string text = "bounds from the same data (* the tightest of its side):\n";
  for (const ClassicalBound& row : table) {
    text += std::string(row.tightest ? "* " : "  ") + row.side + "  " + row.name +
            std::string(row.name.size() < 40 ? 40 - row.name.size() : 1, ' ') + Decimal(row.value) +
            "\n";
  }
  return text;
}

std::string IndividualText(const IndividualBounds& bounds, bool exact) {
  if (!bounds.lower.found || !bounds.upper.found) {
    return "bounds from every intersection given: none (infeasible)\n";
  }
  std::ostringstream out;
  out << "bounds from every intersection given:\n";
  for (const auto& [which, bound] :
       {std::pair<const char*, const IndividualBound&>{"lower", bounds.lower},
        std::pair<const char*, const IndividualBound&>{"upper", bounds.upper}}) {
    out << which << " bound: " << NumberText(bound.fraction, bound.value, exact) << "\n";
    out << "  status " << bound.status << ", " << bound.atoms
        << (bound.atoms == 1 ? " atom, " : " atoms, ") << bound.basis_changes << " basis changes, "
        << bound.seconds << " s\n";
  }
  return out.str();
}

}  // namespace

std::string Decimal(double x) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, x);
  return error == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string TextReport(const Bounds& bounds, const Shown& shown) {
  std::string text = "n=" + std::to_string(bounds.n) + ", m=" + std::to_string(bounds.m) +
                     ", exact rational arithmetic\n";
  if (shown.question.kind != QuestionKind::kUnion) {
    text += "bounds on " + QuestionProbability(shown.question, bounds.n) + "\n";
  }
  text += "binomial moments S_0 .. S_" + std::to_string(bounds.m) + ":";
  const char* separator = " ";
  for (std::size_t i = 0; i < bounds.S.size(); ++i) {
    text += separator + NumberText(bounds.S_fractions[i], bounds.S[i], shown.exact);
    separator = ", ";
  }
  text += "\n";
  text += BoundText("lower", bounds.lower, shown.exact);
  text += BoundText("upper", bounds.upper, shown.exact);
  if (bounds.individual.given) {
    text += "\n";
    text += IndividualText(bounds.individual, shown.exact);
  }
  // Appended piece by piece: "\n" + a temporary makes an optimised g++ 12 warn of an
  // overlapping copy that is not there.
  if (shown.by_order) {
    text += "\n";
    text += ByOrderText(bounds.by_order, shown.exact);
  }
  if (!bounds.classical.empty()) {
    text += "\n";
    text += ClassicalText(bounds.classical);
  }
  return text;
}

}  // namespace unionbound
