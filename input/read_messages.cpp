#include "input/read_messages.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string_view>

#include "input/decimal_syntax.h"
#include "moments/binomial.h"

namespace unionbound {

std::string ReadRefusal(const std::string& path, const std::string& problem, std::int64_t good,
                        std::int64_t needed) {
  if (!problem.empty()) {
    return "cannot read \"" + path + "\": " + problem;
  }
  if (needed > 0 && good == 0) {
    return "\"" + path + "\" starts with no number; " + std::to_string(needed) +
           " intersection probabilities are needed";
  }
  return "";
}

std::string NotReadWholeRefusal(const std::string& path, std::int64_t good, std::int64_t needed) {
  if (good >= needed) {
    return "";
  }
  return "\"" + path + "\" gave " + std::to_string(good) + " of the " + std::to_string(needed) +
         " numbers needed, and no bounds are given from data that were not read whole";
}

std::string ShortReadWarning(const std::string& path, std::int64_t good, std::int64_t needed) {
  if (good >= needed) {
    return "";
  }
  return "warning: \"" + path + "\" gave " + std::to_string(good) + " of the " +
         std::to_string(needed) + " numbers needed; the last number read stands for the other " +
         std::to_string(needed - good);
}

// The word as shown in a message: quoted, bytes that do not print escaped, "..." when cut.
std::string ShownWord(std::string_view word, bool cut) {
  std::string shown = "\"";
  for (const char c : word) {
    const auto code = static_cast<unsigned char>(c);
    if (code >= 0x20 && code < 0x7f) {
      shown += c;
    } else {
      constexpr char kHex[] = "0123456789abcdef";
      shown += {'\\', 'x', kHex[code >> 4], kHex[code & 15]};
    }
  }
  return shown + (cut ? "...\"" : "\"");
}

namespace {

bool StartsWithIgnoringCase(std::string_view word, std::string_view start) {
  return word.size() >= start.size() && std::equal(start.begin(), start.end(), word.begin(),
                                                   [](char a, char b) { return a == (b | 0x20); });
}

// A whole number as written, such as the "0" of the decimal comma "0,5".
bool IsWholeNumber(std::string_view text) {
  if (!text.empty() && IsSign(text.front())) {
    text.remove_prefix(1);
  }
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

}  // namespace

std::string StopCause(const StopPlace& stop) {
  if (stop.overlong) {
    return "a word of more than " + std::to_string(kLongestWord) +
           " bytes without white space; no number is that long";
  }
  const std::string_view word = stop.word;
  const bool glued = !stop.number_before.empty();
  const char first = word.empty() ? ' ' : word.front();
  if (first == ',' && glued && IsWholeNumber(stop.number_before) && word.size() > 1 &&
      IsDigit(word[1])) {
    return "a decimal comma? The decimal mark is a point: 0.5, not 0,5";
  }
  if (first == ',' || first == ';') {
    return std::string("a ") + (first == ',' ? "comma" : "semicolon") +
           " between numbers? Numbers are separated by white space";
  }
  if (first == '/' && glued) {
    return "a fraction? Write each number as a decimal: 0.5, not 1/2";
  }
  if (first == '%' && glued) {
    return "a percentage? Write each probability as a number from 0 to 1: 0.5, not 50%";
  }
  if (StartsWithIgnoringCase(word, "nan") || StartsWithIgnoringCase(word, "inf")) {
    return "no probability is infinite or not a number";
  }
  if (IsDigit(first) || IsSign(first) || first == '.') {
    return "a number cut short or beyond the largest double";
  }
  if (stop.starts_line) {
    return "a header or comment line? The file holds numbers and white space only";
  }
  return "the file holds numbers and white space only";
}

std::string StopWarning(const std::string& path, const ProbabilityRead& read) {
  if (read.end != ReadEnd::kNotANumber) {
    return "";
  }
  const StopPlace& stop = read.stop;
  return "warning: reading \"" + path + "\" stopped at line " + std::to_string(stop.line) +
         ", column " + std::to_string(stop.column) + ", at " + ShownWord(stop.word, stop.word_cut) +
         ", which is not a number: " + StopCause(stop);
}

std::string ExcessWarning(const std::string& path, const ProbabilityRead& read, std::int64_t needed,
                          std::int32_t n, std::int32_t m) {
  return read.more_follows ? ExcessWarning(path, needed, n, m) : "";
}

std::string ExcessWarning(const std::string& path, std::int64_t needed, std::int32_t n,
                          std::int32_t m) {
  return "warning: \"" + path + "\" holds more than the " + std::to_string(needed) +
         " numbers that n=" + std::to_string(n) + ", m=" + std::to_string(m) +
         " need; the rest is ignored: check n and m";
}

std::string FirstImprobableNumber(const std::string& path, const ProbabilityRead& read) {
  return FirstImprobableNumber(path, read.improbable);
}

std::string FirstImprobableNumber(const std::string& path, const ImprobableNumbers& found) {
  if (found.count == 0) {
    return "";
  }
  std::ostringstream reason;
  reason.precision(17);
  reason << "number " << found.first + 1 << " of \"" << path << "\", " << found.first_value
         << ", lies outside [0, 1]";
  return reason.str();
}

std::string ImprobableWarning(const std::string& path, const ProbabilityRead& read) {
  return ImprobableWarning(path, read.improbable, read.good);
}

std::string ImprobableWarning(const std::string& path, const ImprobableNumbers& found,
                              std::int64_t read) {
  if (found.count == 0) {
    return "";
  }
  const double value = found.first_value;
  std::ostringstream warning;
  warning.precision(17);
  warning << "warning: " << found.count << " of the " << read << " numbers read from \"" << path
          << "\" " << (found.count == 1 ? "is" : "are")
          << " no probability (outside [0, 1]); the first is number " << found.first + 1 << ", "
          << value;
  if (value > 1.0 && value <= 100.0 && value == std::floor(value)) {
    warning << " (percentages? 50% is written 0.5)";
  }
  return warning.str();
}

ReadMessages ReadWarnings(const std::string& path, const ProbabilityRead& read, std::int32_t n,
                          std::int32_t m) {
  const std::int64_t needed = ProbabilityCount(n, m);
  ReadMessages messages;
  const std::string stop = StopWarning(path, read);
  messages.refusal = ReadRefusal(path, read.problem, read.good, needed);
  if (!messages.refusal.empty()) {
    if (!stop.empty()) {
      messages.warnings.push_back(stop);
    }
    return messages;
  }
  // When no number is needed the file does not matter (the interactive program does not even
  // open it), so what follows in it is no excess.
  const std::string excess = needed > 0 ? ExcessWarning(path, read, needed, n, m) : "";
  for (const std::string& warning :
       {stop, ShortReadWarning(path, read.good, needed), excess, ImprobableWarning(path, read)}) {
    if (!warning.empty()) {
      messages.warnings.push_back(warning);
    }
  }
  return messages;
}

}  // namespace unionbound
