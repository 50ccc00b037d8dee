#include "input/token_scan.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace unionbound {

bool ConvertToken(const char* first, const char* last, double& value) {
  if (*first == '+') {
    ++first;  // from_chars takes no plus sign
  }
  double parsed = 0.0;
  const auto [end, error] = std::from_chars(first, last, parsed);
  if (error == std::errc() && end == last) {
    value = parsed;
    return true;
  }
  // from_chars reports an underflow such as "1e-400" as out of range, where the extraction
  // keeps the rounded value (a subnormal or a signed zero); strtod, which the extraction
  // itself uses, gives that value, and infinity for a magnitude beyond the largest double.
  const std::string copy(first, last);
  char* stop = nullptr;
  const double fallback = std::strtod(copy.c_str(), &stop);
  if (stop != copy.c_str() + copy.size() || std::isinf(fallback)) {
    return false;
  }
  value = fallback;
  return true;
}

void LinePosition::Pass(std::string_view text, const LineMarks& marks) {
  line_ends += marks.line_ends;
  if (marks.last_line_end >= 0) {
    column_bytes = static_cast<std::int64_t>(text.size()) - marks.last_line_end - 1;
    blank = marks.blank_since_line_end;
  } else {
    column_bytes += static_cast<std::int64_t>(text.size());
    blank = blank && marks.blank_since_line_end;
  }
}

StopPlace StopIn(std::string_view text, std::size_t at, const LineMarks& marks,
                 const LinePosition& before) {
  StopPlace stop;
  std::size_t word_end = at;
  while (word_end < text.size() && !IsSpace(text[word_end])) {
    ++word_end;
  }
  stop.word_cut = word_end - at > kShownToken;
  stop.word = std::string(text.substr(at, std::min(word_end - at, kShownToken)));
  stop.line = before.line_ends + marks.line_ends + 1;
  if (marks.last_line_end >= 0) {
    stop.column = static_cast<std::int64_t>(at) - marks.last_line_end;
    stop.starts_line = marks.blank_since_line_end;
  } else {
    stop.column = before.column_bytes + static_cast<std::int64_t>(at) + 1;
    stop.starts_line = before.blank && marks.blank_since_line_end;
  }
  std::size_t glued = at;
  while (glued > 0 && !IsSpace(text[glued - 1])) {
    --glued;
  }
  const std::size_t shown = std::min(at - glued, kShownToken);
  stop.number_before = std::string(text.substr(at - shown, shown));
  return stop;
}

}  // namespace unionbound
