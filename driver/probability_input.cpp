#include "driver/probability_input.h"

#include <algorithm>
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

// White space as the classic locale classifies it: blank, and tab to carriage return.
bool IsSpace(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code == ' ' || (code >= '\t' && code <= '\r');
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsSign(char c) {
  return c == '+' || c == '-';
}

// What one extraction of a double takes from the front of [first, last): an optional sign,
// digits with at most one point, and one exponent mark (only after a mantissa digit) with an
// optional sign and digits. The characters taken form a number only when they hold a mantissa
// digit and, after an exponent mark, an exponent digit.
//
// On the way the token's value is gathered as a decimal mantissa and a power of ten. When the
// mantissa is at most 2^53 and the power within 10^+-22, both are exact doubles and one
// multiplication or division rounds their product correctly, as strtod would; most numbers in a
// probability file take this path, the others go to from_chars.
struct Token {
  std::size_t length = 0;
  bool is_number = false;
  bool reaches_end = false;  // more data could still extend it
  bool exact = false;        // `value` is the correctly rounded value
  double value = 0.0;
};

constexpr std::uint64_t kExactMantissa = std::uint64_t{1} << 53;
constexpr std::uint64_t kMantissaRoom = 1'000'000'000'000'000'000;  // room for one more digit
constexpr int kExactPower = 22;  // 10^22 is the largest exact power of ten
constexpr long kExponentCap = 1'000'000'000;
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The decimal digits of a mantissa: as many leading ones as 64 bits hold exactly (at least 18
// significant digits), the power of ten that places them, and whether a non-zero digit was
// dropped beyond them.
struct Mantissa {
  std::uint64_t digits = 0;
  long scale = 0;
  bool truncated = false;
  bool seen = false;  // at least one digit

  // Consumes the digits at p; `fraction` for those after the point.
  const char* Take(const char* p, const char* last, bool fraction) {
    const char* const start = p;
    for (; p != last && IsDigit(*p) && digits < kMantissaRoom; ++p) {
      digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
    const char* const kept = p;
    for (; p != last && IsDigit(*p); ++p) {
      truncated = truncated || *p != '0';
    }
    scale += fraction ? -(kept - start) : p - kept;
    seen = seen || p != start;
    return p;
  }
};

Token ScanToken(const char* first, const char* last) {
  const char* p = first;
  const bool negative = p != last && *p == '-';
  if (p != last && IsSign(*p)) {
    ++p;
  }
  Mantissa mantissa;
  p = mantissa.Take(p, last, false);
  if (p != last && *p == '.') {
    p = mantissa.Take(p + 1, last, true);
  }
  bool exponent_complete = true;
  bool exponent_capped = false;
  long written_exponent = 0;
  if (mantissa.seen && p != last && (*p == 'e' || *p == 'E')) {
    ++p;
    const bool exponent_negative = p != last && *p == '-';
    if (p != last && IsSign(*p)) {
      ++p;
    }
    exponent_complete = p != last && IsDigit(*p);
    for (; p != last && IsDigit(*p); ++p) {
      written_exponent = std::min(written_exponent * 10 + (*p - '0'), kExponentCap);
    }
    // A capped exponent is no longer the written one; from_chars and strtod then decide.
    exponent_capped = written_exponent == kExponentCap;
    written_exponent = exponent_negative ? -written_exponent : written_exponent;
  }

  Token token;
  token.length = static_cast<std::size_t>(p - first);
  token.is_number = mantissa.seen && exponent_complete;
  token.reaches_end = p == last;
  const long power = mantissa.scale + written_exponent;
  if (token.is_number && !exponent_capped && !mantissa.truncated &&
      mantissa.digits <= kExactMantissa) {
    const auto magnitude = static_cast<double>(mantissa.digits);
    if (mantissa.digits == 0) {
      token.exact = true;
      token.value = 0.0;
    } else if (power >= 0 && power <= kExactPower) {
      token.exact = true;
      token.value = magnitude * kPowersOfTen[power];
    } else if (power < 0 && power >= -kExactPower) {
      token.exact = true;
      token.value = magnitude / kPowersOfTen[-power];
    }
    token.value = negative ? -token.value : token.value;
  }
  return token;
}

// The value of a token that ScanToken accepted but could not value exactly itself, or false when it
// lies beyond the largest double.
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

  // False at the end of the data and at the first token that is not a number. `text`, when
  // given, receives the number as written; it stays valid until the next call.
  bool Next(double& value, std::string_view* text = nullptr) {
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
      const Token token = ScanToken(buffer_.data() + begin_, buffer_.data() + end_);
      if (token.reaches_end && ReadMore()) {
        continue;
      }
      // Taken only now: asking for more data moves the unread bytes even when none came.
      const char* const first = buffer_.data() + begin_;
      begin_ += token.length;
      if (text != nullptr) {
        *text = std::string_view(first, token.length);
      }
      if (token.exact) {
        value = token.value;
        return true;
      }
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

TokenScan VisitProbabilityTokens(const char* path, std::int64_t count,
                                 const std::function<void(std::string_view)>& visit) {
  TokenScan scan;
  errno = 0;
  FileHandle file(std::fopen(path, "r"));
  if (!file) {
    scan.problem = std::strerror(errno != 0 ? errno : ENOENT);
    return scan;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  NumberScanner scanner(file.get());
  double value = 0.0;
  std::string_view text;
  while (scan.good < count && scanner.Next(value, &text)) {
    visit(text);
    ++scan.good;
  }
  if (scanner.error() != 0) {
    scan.problem = std::strerror(scanner.error());
  }
  return scan;
}

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

std::string ShortReadWarning(const std::string& path, std::int64_t good, std::int64_t needed) {
  if (good >= needed) {
    return "";
  }
  return "warning: \"" + path + "\" gave " + std::to_string(good) + " of the " +
         std::to_string(needed) + " numbers needed; the last number read stands for the other " +
         std::to_string(needed - good);
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
