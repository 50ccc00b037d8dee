#pragma once

#include <cstdint>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "input/exact_decimal.h"
#include "numeric/exact_number.h"

namespace unionbound::testing {

// What the exact block sums of `text` should be: the stream extraction of the stream oracle
// marks where each number it reads begins and ends, ExactDecimal values that text, and the
// values are summed block by block, the last one repeating from the first failed extraction on
// (0 when none succeeded). A number ExactDecimal refuses leaves no sums; `refused` and `place`
// (from 1) then name the first such number.
struct ExactSumsOracle {
  std::optional<std::vector<Rational>> sums;
  std::string refused;
  std::int64_t place = 0;
};

inline ExactSumsOracle ExactBlockSumsOracle(const std::string& text,
                                            const std::vector<std::int64_t>& sizes) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  std::vector<Rational> values;
  ExactSumsOracle oracle;
  std::int64_t count = 0;
  for (const std::int64_t size : sizes) {
    count += size;
  }
  Rational last(0);
  for (std::int64_t k = 0; k < count; ++k) {
    in >> std::ws;
    if (in.eof()) {
      break;
    }
    const auto first = static_cast<std::size_t>(in.tellg());
    double ignored = 0.0;
    if (!(in >> ignored)) {
      break;
    }
    // tellg fails once the extraction has met the end of the text.
    const std::size_t end = in.eof() ? text.size() : static_cast<std::size_t>(in.tellg());
    const std::string number = text.substr(first, end - first);
    const std::optional<Rational> value = ExactDecimal(number);
    if (!value) {
      oracle.refused = number;
      oracle.place = k + 1;
      return oracle;
    }
    last = *value;
    values.push_back(last);
  }
  values.resize(static_cast<std::size_t>(count), last);
  std::vector<Rational> sums;
  std::size_t at = 0;
  for (const std::int64_t size : sizes) {
    Rational sum(0);
    for (std::int64_t k = 0; k < size; ++k) {
      sum += values[at++];
    }
    sums.push_back(sum);
  }
  oracle.sums = std::move(sums);
  return oracle;
}

}  // namespace unionbound::testing
