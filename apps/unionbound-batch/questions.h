#pragma once

// The questions the batch program answers and how it reports them: the union through the exact
// walk, P(at least R) and P(exactly R) through the general exact simplex, one bound or one row
// per order as text and as JSON. Everything here returns values; batch_main.cpp prints them.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "apps/unionbound-batch/svg_plot.h"
#include "bounds/classical_bounds.h"
#include "bounds/exact_bound.h"
#include "bounds/moment_program.h"
#include "bounds/question.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

using Json = nlohmann::ordered_json;

// "at least 3" or "exactly 3"; "at least 1" for the union.
std::string QuestionWords(const AskedQuestion& question);

// "P(at least 3 of the 10 events occur)", for headers and titles.
std::string QuestionProbability(const AskedQuestion& question, std::int32_t n);

// One sharp bound as reported, whichever solver found it, timed.
using ReportedBound = ExactBound;

struct ReportedBounds {
  ReportedBound lower;
  ReportedBound upper;
};

// Both sharp bounds of the question from S_0 .. S_order (order <= n), each timed.
ReportedBounds SolveBounds(const AskedQuestion& question, std::int32_t n,
                           const SequenceOf<Rational>& S);

// The shortest decimal that reads back as the same double.
std::string Decimal(double x);

// A figure in the text report: the nearest double, and with `exact` its fraction first
// ("7/10 = 0.7"); integers have no fraction to show.
std::string NumberText(const Rational& x, bool exact);

// A double in JSON: null where JSON has no number (infinities and not-a-numbers).
Json NumberJson(double x);

// The keys value, fraction, basis, solution, solution_fractions, status, basis_changes and
// seconds of one bound.
Json BoundJson(const ReportedBound& bound);

// "lower bound: 0.75" and the lines of status, basis and solution under it.
std::string BoundText(const char* which, const ReportedBound& bound, bool exact);

// The bounds from the orders 1 .. k alone, beside the classical bounds of that order when they
// are asked for and bound the question (the union only).
struct OrderRow {
  std::int32_t k = 0;
  ReportedBounds sharp;
  bool classical = false;
  double bonferroni = 0.0;  // B_k: an upper bound for odd k, a lower bound for even k
  std::optional<double> dawson_sankoff_lower;  // from k = 2 on
  std::optional<double> kwerel_upper;          // from k = 2 on
};

// One row per k = 1 .. the orders in S (S_0 .. S_order, order <= n), each solved afresh. With
// S_double (the nearest doubles of S) given, the union's rows carry the classical bounds.
std::vector<OrderRow> SolveByOrder(const AskedQuestion& question, std::int32_t n,
                                   const SequenceOf<Rational>& S, const Vector* S_double);

// The rows as an aligned table with a heading line, fractions with `exact`.
std::string ByOrderText(const std::vector<OrderRow>& rows, bool exact);

// The rows as a JSON array: k, status, lower, upper, lower_fraction, upper_fraction and, where
// the classical bounds were asked for, bonferroni, bonferroni_side, dawson_sankoff_lower and
// kwerel_upper.
Json ByOrderJson(const std::vector<OrderRow>& rows);

// The rows as a picture's data, the sharp intervals as the nearest doubles, titled with n and
// the question.
Plot ByOrderPlot(const std::vector<OrderRow>& rows, const AskedQuestion& question, std::int32_t n);

}  // namespace unionbound
