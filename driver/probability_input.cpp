#include "driver/probability_input.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "moments/binomial.h"

namespace unionbound {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

// White space as the classic locale classifies it.
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSign(char c) { return c == '+' || c == '-'; }

// What one extraction of a double takes from the front of [first, last): an optional sign,
// digits with at most one point, and one exponent mark (only after a mantissa digit) with an
// optional sign and digits. The characters taken form a number only when they hold a mantissa
// digit and, after an exponent mark, an exponent digit.
struct Token {
  std::size_t length = 0;
  bool is_number = false;
  bool reaches_end = false;  // more data could still extend it
};

Token MeasureToken(const char* first, const char* last) {
  const char* p = first;
  bool mantissa = false;
  bool point = false;
  bool exponent = false;
  bool exponent_digit = false;
  if (p != last && IsSign(*p)) {
    ++p;
  }
  while (p != last) {
    const char c = *p;
    if (IsDigit(c)) {
      (exponent ? exponent_digit : mantissa) = true;
    } else if (c == '.' && !point && !exponent) {
      point = true;
    } else if ((c == 'e' || c == 'E') && !exponent && mantissa) {
      exponent = true;
      if (p + 1 != last && IsSign(p[1])) {
        ++p;
      }
    } else {
      break;
    }
    ++p;
  }
  return {static_cast<std::size_t>(p - first), mantissa && (!exponent || exponent_digit),
          p == last};
}

// The value of a token that MeasureToken accepted, or false when it lies beyond the largest
// double.
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

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, CloseFile>;

// Successive numbers from a file read in large blocks, or from text in memory. A token cut by
// a block boundary is completed before it is measured, however long it is.
class NumberScanner {
 public:
  explicit NumberScanner(std::FILE* file) : file_(file), buffer_(kBlockSize) {}
  explicit NumberScanner(std::string_view text)
      : buffer_(text.begin(), text.end()), end_(text.size()), at_end_(true) {}

  // False at the end of the data and at the first token that is not a number.
  bool Next(double& value) {
    for (;;) {
      while (begin_ < end_ && IsSpace(buffer_[begin_])) {
        ++begin_;
      }
      if (begin_ < end_) {
        break;
      }
      if (!ReadMore()) {
        return false;
      }
    }
    for (;;) {
      const char* first = buffer_.data() + begin_;
      const Token token = MeasureToken(first, buffer_.data() + end_);
      if (token.reaches_end && ReadMore()) {
        continue;
      }
      begin_ += token.length;
      return token.is_number && ConvertToken(first, first + token.length, value);
    }
  }

  int error() const { return error_; }

 private:
  // Keeps the unread bytes, moved to the front, and appends the next block after them.
  bool ReadMore() {
    if (at_end_) {
      return false;
    }
    if (begin_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
      end_ -= begin_;
      begin_ = 0;
    }
    if (end_ == buffer_.size()) {
      buffer_.resize(buffer_.size() * 2);
    }
    const std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    if (got == 0) {
      at_end_ = true;
      if (std::ferror(file_)) {
        error_ = errno != 0 ? errno : EIO;
      }
      return false;
    }
    end_ += got;
    return true;
  }

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
  int error_ = 0;
};

ProbabilityRead ReadNumbers(NumberScanner& scanner, std::int64_t count) {
  ProbabilityRead read;
  double value = 0.0;
  while (read.good < count && scanner.Next(value)) {
    read.values.push_back(value);
    ++read.good;
  }
  if (scanner.error() != 0) {
    read.problem = std::strerror(scanner.error());
  }
  // The extraction that failed, and every later one, leave the last number read in place.
  const double repeated = read.good > 0 ? read.values.back() : 0.0;
  read.values.resize(static_cast<std::size_t>(count), repeated);
  return read;
}

}  // namespace

ProbabilityRead ReadProbabilityFile(const char* path, std::int64_t count) {
  errno = 0;
  FileHandle file(std::fopen(path, "r"));
  if (!file) {
    ProbabilityRead read;
    read.problem = std::strerror(errno != 0 ? errno : ENOENT);
    read.values.resize(static_cast<std::size_t>(count), 0.0);
    return read;
  }
  // The scanner reads whole blocks itself; the stream's own buffer would only add a copy.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  NumberScanner scanner(file.get());
  return ReadNumbers(scanner, count);
}

ProbabilityRead ParseProbabilities(std::string_view text, std::int64_t count) {
  NumberScanner scanner(text);
  return ReadNumbers(scanner, count);
}

ProbabilityRead ReadProbabilities(std::int32_t n, std::int32_t m) {
  const std::int64_t count = ProbabilityCount(n, m);
  if (count == 0) {
    return {};
  }
  return ReadProbabilityFile("prob.txt", count);
}

}  // namespace unionbound
