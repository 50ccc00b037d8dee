#include "bench/from_chars_sum.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace unionbound::bench {

double FromCharsSum(const char* path, std::int64_t from, std::int64_t to) {
  std::FILE* file = std::fopen(path, "r");
  std::setvbuf(file, nullptr, _IONBF, 0);
  std::fseek(file, from, SEEK_SET);
  std::vector<char> buffer(std::size_t{1} << 20);
  const auto blank = [](char c) { return c == ' ' || c == '\n'; };
  std::int64_t position = from;  // of buffer[0]
  std::size_t kept = 0;
  bool first = from > 0;  // the part starts inside a number, which the previous part takes
  double sum = 0.0;
  for (;;) {
    const std::size_t got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, file);
    const std::size_t end = kept + got;
    std::size_t at = 0;
    if (first) {
      while (at < end && !blank(buffer[at])) {
        ++at;
      }
      first = false;
    }
    for (;;) {
      while (at < end && blank(buffer[at])) {
        ++at;
      }
      if (position + static_cast<std::int64_t>(at) >= to) {
        std::fclose(file);
        return sum;
      }
      std::size_t stop = at;
      while (stop < end && !blank(buffer[stop])) {
        ++stop;
      }
      if ((stop == end && got != 0) || at == stop) {
        break;
      }
      double x = 0.0;
      std::from_chars(buffer.data() + at, buffer.data() + stop, x);
      sum += x;
      at = stop;
    }
    if (got == 0) {
      break;
    }
    kept = end - at;
    std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(at),
              buffer.begin() + static_cast<std::ptrdiff_t>(end), buffer.begin());
    position += static_cast<std::int64_t>(at);
  }
  std::fclose(file);
  return sum;
}

}  // namespace unionbound::bench
