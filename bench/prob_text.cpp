#include "bench/prob_text.h"

#include <charconv>
#include <random>
#include <string>
#include <vector>

namespace unionbound::bench {
namespace {

class TextWriter {
 public:
  TextWriter(std::ostream& out, std::uint64_t seed) : out_(out), digits_(seed ^ 0x9e3779b9u) {}
  ~TextWriter() { Flush(); }

  void Number(double x) {
    char text[64];
    const int precision = std::uniform_int_distribution<int>(4, 17)(digits_);
    const auto result =
        std::to_chars(text, text + sizeof text, x, std::chars_format::general, precision);
    buffer_.append(text, result.ptr);
    buffer_ += (++count_ % 10 == 0) ? '\n' : ' ';
    if (buffer_.size() > (1u << 20)) {
      Flush();
    }
  }

  std::int64_t count() const { return count_; }

 private:
  void Flush() {
    out_ << buffer_;
    buffer_.clear();
  }

  std::ostream& out_;
  std::mt19937_64 digits_;
  std::string buffer_;
  std::int64_t count_ = 0;
};

// Every `size`-subset of events from `first` on, in lexicographic order, times `prefix`.
void WriteProducts(const std::vector<double>& p, std::size_t first, int size, double prefix,
                   TextWriter& writer) {
  for (std::size_t k = first; k + static_cast<std::size_t>(size) <= p.size(); ++k) {
    if (size == 1) {
      writer.Number(prefix * p[k]);
    } else {
      WriteProducts(p, k + 1, size - 1, prefix * p[k], writer);
    }
  }
}

}  // namespace

std::int64_t WriteProbabilityText(std::int32_t n, std::int32_t m, std::uint64_t seed,
                                  std::ostream& out) {
  std::mt19937_64 generator(seed);
  std::uniform_real_distribution<double> probability(0.05, 0.5);
  std::vector<double> p(static_cast<std::size_t>(n));
  for (double& x : p) {
    x = probability(generator);
  }
  TextWriter writer(out, seed);
  for (int order = 1; order <= m && order <= n; ++order) {
    WriteProducts(p, 0, order, 1.0, writer);
  }
  return writer.count();
}

}  // namespace unionbound::bench
