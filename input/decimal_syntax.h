#pragma once

#include <cstddef>

// The one grammar of a number in "prob.txt" and on the batch program's command line: the
// classic-locale extraction of a double reads an optional sign, digits with at most one point,
// and an exponent mark ("e" or "E", only after a mantissa digit) with an optional sign and
// digits. The reader values tokens in double precision and the exact arithmetic takes them as
// written; both walk the text with ScanDecimal.

namespace unionbound {

// White space as the classic locale classifies it: blank, and tab to carriage return.
inline bool IsSpace(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code == ' ' || (code >= '\t' && code <= '\r');
}

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

inline bool IsSign(char c) {
  return c == '+' || c == '-';
}

// What one extraction takes from the front of the text.
struct DecimalScan {
  std::size_t length = 0;  // the characters taken
  bool negative = false;   // a minus sign leads
  // The characters taken form a number: they hold a mantissa digit and, after an exponent mark,
  // an exponent digit.
  bool is_number = false;
};

// Walks [first, last) by the grammar above. The digits are the sink's to take, so that each is
// looked at once: `sink.Mantissa(p, last, fraction)` takes the run of mantissa digits at p
// (`fraction` for those after the point) and `sink.Exponent(p, last, negative)` the exponent's
// digits, each returning where the digits end.
template <class Sink>
DecimalScan ScanDecimal(const char* first, const char* last, Sink& sink) {
  DecimalScan scan;
  const char* p = first;
  scan.negative = p != last && *p == '-';
  if (p != last && IsSign(*p)) {
    ++p;
  }
  const char* after = sink.Mantissa(p, last, false);
  bool seen = after != p;
  p = after;
  if (p != last && *p == '.') {
    after = sink.Mantissa(p + 1, last, true);
    seen = seen || after != p + 1;
    p = after;
  }
  bool exponent_complete = true;
  if (seen && p != last && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool exponent_negative = p != last && *p == '-';
    if (p != last && IsSign(*p)) {
      ++p;
    }
    exponent_complete = p != last && IsDigit(*p);
    p = sink.Exponent(p, last, exponent_negative);
  }
  scan.length = static_cast<std::size_t>(p - first);
  scan.is_number = seen && exponent_complete;
  return scan;
}

}  // namespace unionbound
