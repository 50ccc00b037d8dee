#pragma once

// The batch program's report: the library's Bounds (include/unionbound/unionbound.h), rendered
// as text, as JSON or as a picture. Each format is one function here and one option in main.cpp;
// none computes anything the library did not return.

#include <nlohmann/json.hpp>
#include <string>

#include "bounds/question.h"
#include "unionbound/unionbound.h"

namespace unionbound {

using Json = nlohmann::ordered_json;

// What a report shows besides the bounds themselves.
struct Shown {
  Question question;      // the question as asked, for its words
  bool exact = false;     // the fractions beside the doubles (text)
  bool by_order = false;  // the rows by order, which the library computed
};

// The shortest decimal that reads back as the same double.
std::string Decimal(double x);

// The text report on standard output.
std::string TextReport(const Bounds& bounds, const Shown& shown);

// The JSON report: n, m, arithmetic, question (when not the union), S, S_fractions, lower, upper,
// by_order and classical when asked for, notes (what standard error says besides) and
// no_distribution_reason (null when both bounds were found); one object.
Json JsonReport(const Bounds& bounds, const Shown& shown);

// The rows by order as an SVG picture, titled with n and the question.
std::string SvgReport(const Bounds& bounds, const Shown& shown);

}  // namespace unionbound
