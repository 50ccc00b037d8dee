#pragma once

#include <cstdint>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace unionbound::testing {

// What `count` successive classic-locale extractions of a double from `text` give: the last
// good value repeats from the first failed extraction on (0.0 when none succeeded). The stream
// itself stores 0 or the largest double on some failures; the oracle never looks at that value.
struct OracleRead {
  std::vector<double> values;
  std::int64_t good = 0;
};

inline OracleRead StreamOracle(const std::string& text, std::int64_t count) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  OracleRead read;
  double last = 0.0;
  for (std::int64_t k = 0; k < count; ++k) {
    double x = last;
    if (!(in >> x)) {
      break;
    }
    last = x;
    ++read.good;
    read.values.push_back(x);
  }
  read.values.resize(static_cast<std::size_t>(count), last);
  return read;
}

}  // namespace unionbound::testing
