#include "driver/probability_input.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "driver/exact_decimal.h"
#include "moments/binomial.h"

namespace unionbound {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;
// Bytes kept before the unread ones when a block is read, for the number glued to a token that
// is not one.
constexpr std::size_t kKeptBehind = 64;

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
  // The number as written is digits * 10^power, negated when `negative`, if `whole`: no
  // non-zero digit was dropped and the exponent is the written one.
  std::uint64_t digits = 0;
  long power = 0;
  bool negative = false;
  bool whole = false;
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
  token.digits = mantissa.digits;
  token.power = power;
  token.negative = negative;
  token.whole = !mantissa.truncated && !exponent_capped;
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

  // False at the end of the data and at the first token that is not a number. A number read is
  // also passed to `visit` as its scan and its text, which stays valid during the call only.
  template <class Visit>
  bool Next(double& value, const Visit& visit) {
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
      const std::string_view text(first, token.length);
      if (token.exact) {
        begin_ += token.length;
        value = token.value;
        visit(token, text);
        return true;
      }
      if (token.is_number && ConvertToken(first, first + token.length, value)) {
        begin_ += token.length;
        visit(token, text);
        return true;
      }
      // The token stays unread, so that Stop() can say where it stands.
      return false;
    }
  }

  // Where the token that Next() refused stands, and what is around it.
  StopPlace Stop() {
    // Enough of the word to show it, unless white space or the end of the data comes first.
    while (WordEnd() - begin_ <= kShownToken && WordEnd() == end_ && ReadMore()) {
    }
    StopPlace stop;
    const std::size_t word_end = WordEnd();
    stop.word_cut = word_end - begin_ > kShownToken;
    stop.word.assign(buffer_.data() + begin_, std::min(word_end - begin_, kShownToken));

    const char* const first = buffer_.data();
    const char* const at = first + begin_;
    stop.line = line_ends_ + std::count(first, at, '\n') + 1;
    const auto* last_end = static_cast<const char*>(memrchr(first, '\n', begin_));
    const std::ptrdiff_t line_start =
        last_end != nullptr ? last_end + 1 - first : static_cast<std::ptrdiff_t>(line_start_);
    stop.column = static_cast<std::int64_t>(begin_) - line_start + 1;
    // The line's start is known when it lies in the bytes kept.
    stop.starts_line = line_start >= 0 && std::all_of(first + line_start, at, IsSpace);

    const char* glued = at;
    while (glued != first && !IsSpace(glued[-1])) {
      --glued;
    }
    const auto before = static_cast<std::size_t>(at - glued);
    stop.number_before.assign(at - std::min(before, kShownToken), at);
    return stop;
  }

  // Whether more than white space follows, in the data read and at most one more block.
  bool MoreFollows() {
    for (int block = 0; block < 2; ++block) {
      while (begin_ < end_ && IsSpace(buffer_[begin_])) {
        ++begin_;
      }
      if (begin_ < end_) {
        return true;
      }
      if (!ReadMore()) {
        return false;
      }
    }
    return false;
  }

  int error() const { return error_; }
  // After Next() gave false: it stopped at a token rather than at the end of the data.
  bool AtToken() const { return begin_ < end_; }

 private:
  std::size_t WordEnd() const {
    std::size_t k = begin_;
    while (k < end_ && !IsSpace(buffer_[k])) {
      ++k;
    }
    return k;
  }

  // Keeps the unread bytes and the last few read before them (for Stop()), moved to the front,
  // and appends the next block after them. The line ends of the bytes let go are counted here,
  // once per block, so that the loop over the numbers does no counting.
  bool ReadMore() {
    if (at_end_) {
      return false;
    }
    const std::size_t drop = begin_ > kKeptBehind ? begin_ - kKeptBehind : 0;
    if (drop > 0) {
      const char* const first = buffer_.data();
      line_ends_ += std::count(first, first + drop, '\n');
      const auto* last_end = static_cast<const char*>(memrchr(first, '\n', drop));
      line_start_ = last_end != nullptr ? last_end + 1 - (first + drop)
                                        : line_start_ - static_cast<std::ptrdiff_t>(drop);
      std::memmove(buffer_.data(), buffer_.data() + drop, end_ - drop);
      end_ -= drop;
      begin_ -= drop;
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
  // Line ends in the bytes let go, and where the line of the first byte kept starts, relative
  // to the buffer's front (0 or less).
  std::int64_t line_ends_ = 0;
  std::ptrdiff_t line_start_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Exact block sums.

__extension__ using WideSigned = __int128;

// Powers of ten -kPowerWindow .. kPowerWindow have an integer accumulator each; a probability
// written with up to 19 significant digits and a magnitude above 10^-11 lands there.
constexpr int kPowerWindow = 30;

mpz_class WideInteger(WideSigned x) {
  const auto magnitude = x < 0 ? -static_cast<WideUnsigned>(x) : static_cast<WideUnsigned>(x);
  mpz_class value(static_cast<unsigned long>(magnitude >> 64));
  value <<= 64;
  value += static_cast<unsigned long>(magnitude & ~std::uint64_t{0});
  return x < 0 ? mpz_class(-value) : value;
}

mpz_class PowerOfTen(unsigned long exponent) {
  mpz_class power;
  mpz_ui_pow_ui(power.get_mpz_t(), 10, exponent);
  return power;
}

// integer * 10^power.
Rational Scaled(const mpz_class& integer, long power) {
  Rational value = power >= 0 ? Rational(integer * PowerOfTen(static_cast<unsigned long>(power)))
                              : Rational(integer, PowerOfTen(static_cast<unsigned long>(-power)));
  value.canonicalize();
  return value;
}

// The sum of accumulator[k] * 10^(k - kPowerWindow), by Horner's rule from the top power.
Rational WindowSum(const std::array<WideSigned, 2 * kPowerWindow + 1>& accumulator) {
  mpz_class total;
  for (auto k = accumulator.size(); k-- > 0;) {
    total *= 10;
    total += WideInteger(accumulator[k]);
  }
  return Scaled(total, -kPowerWindow);
}

std::string TooLargeForExact(std::string_view text, std::int64_t place) {
  constexpr std::size_t kShown = 20;
  const std::string shown =
      std::string(text.substr(0, kShown)) + (text.size() > kShown ? "..." : "");
  return "the power of ten of number " + std::to_string(place) + ", \"" + shown +
         "\", is too large for exact arithmetic";
}

// Each block's exact sum, gathered while the numbers are read. A number kept whole by the
// scanner with its power of ten inside the window (nearly all of them) costs one 128-bit
// addition to that power's accumulator; the rest, and the window itself once per block, go
// through GMP. Each addition is below 10^19 in magnitude and a read holds at most 2^63
// numbers, so an accumulator stays below 2^63 * 10^19 < 2^127 and cannot overflow.
class ExactSums {
 public:
  explicit ExactSums(const std::vector<std::int64_t>& sizes)
      : sizes_(sizes), sums_(sizes.size()), left_(sizes.empty() ? 0 : sizes.front()) {}

  // Adds the next number read to its block.
  void Add(const Token& token, std::string_view text) {
    ++place_;
    if (refused_) {
      return;
    }
    if (left_ == 0) {
      StartNextBlock();
    }
    --left_;
    if (token.whole && token.power >= -kPowerWindow && token.power <= kPowerWindow) {
      const WideSigned digits = token.digits;
      window_[static_cast<std::size_t>(token.power + kPowerWindow)] +=
          token.negative ? -digits : digits;
      last_ = {token.digits, token.power, token.negative, true};
      return;
    }
    AddOutsideWindow(text);
  }

  // Gives the sums once the reading has stopped: the entries not read repeat the last number
  // read, as the doubles do.
  void Finish(ProbabilityRead& read) {
    if (refused_) {
      read.exact_problem = TooLargeForExact(refused_text_, refused_place_);
      return;
    }
    CloseBlock();
    const Rational last = LastValue();
    for (std::size_t k = block_; k < sizes_.size() && last != 0; ++k) {
      const std::int64_t repeats = k == block_ ? left_ : sizes_[k];
      sums_[k] += last * Rational(static_cast<long>(repeats));
    }
    read.exact = true;
    read.exact_block_sums = std::move(sums_);
  }

 private:
  // This and AddOutsideWindow stay out of line: the numbers the window takes need neither, and
  // their loop runs tighter without them.
  [[gnu::noinline]] void StartNextBlock() {
    while (left_ == 0) {
      CloseBlock();
      left_ = sizes_[++block_];
    }
  }

  [[gnu::noinline]] void AddOutsideWindow(std::string_view text) {
    std::optional<Rational> value = ExactDecimal(text);
    if (!value) {
      refused_ = true;
      refused_text_ = text;
      refused_place_ = place_;
      return;
    }
    others_ += *value;
    last_.in_window = false;
    last_other_ = std::move(*value);
  }

  void CloseBlock() {
    if (block_ >= sizes_.size()) {
      return;
    }
    sums_[block_] += WindowSum(window_) + others_;
    window_.fill(0);
    others_ = 0;
  }

  Rational LastValue() const {
    if (!last_.in_window) {
      return last_other_;
    }
    const Rational magnitude =
        Scaled(mpz_class(static_cast<unsigned long>(last_.digits)), last_.power);
    return last_.negative ? Rational(-magnitude) : magnitude;
  }

  const std::vector<std::int64_t>& sizes_;
  std::vector<Rational> sums_;
  std::size_t block_ = 0;
  std::int64_t left_;       // numbers still to come in block_
  std::int64_t place_ = 0;  // of the last number read, counted from 1 in the file
  std::array<WideSigned, 2 * kPowerWindow + 1> window_{};
  Rational others_;  // the numbers outside the window
  // The last number read: digits * 10^power when it went to the window, else `last_other_`.
  struct {
    std::uint64_t digits = 0;
    long power = 0;
    bool negative = false;
    bool in_window = true;
  } last_;
  Rational last_other_;
  bool refused_ = false;
  std::string refused_text_;  // the first number beyond the limit, and its place
  std::int64_t refused_place_ = 0;
};

// The plain read's stand-in for ExactSums, which the compiler removes.
struct NoExactSums {
  void Add(const Token&, std::string_view) {}
  void Finish(ProbabilityRead&) {}
};

template <class Sums>
ProbabilityRead ReadNumbers(NumberScanner& scanner, std::int64_t count, Sums& sums) {
  ProbabilityRead read;
  double value = 0.0;
  const auto add = [&sums](const Token& token, std::string_view text) { sums.Add(token, text); };
  while (read.good < count && scanner.Next(value, add)) {
    read.values.push_back(value);
    ++read.good;
  }
  if (read.good == count) {
    read.more_follows = scanner.MoreFollows();
  } else if (scanner.error() == 0 && scanner.AtToken()) {
    read.end = ReadEnd::kNotANumber;
    read.stop = scanner.Stop();
  } else {
    read.end = ReadEnd::kEndOfData;
  }
  if (scanner.error() != 0) {
    read.problem = std::strerror(scanner.error());
  }
  // The extraction that failed, and every later one, leave the last number read in place.
  const double repeated = read.good > 0 ? read.values.back() : 0.0;
  read.values.resize(static_cast<std::size_t>(count), repeated);
  sums.Finish(read);
  return read;
}

template <class Sums>
ProbabilityRead ReadFile(const char* path, std::int64_t count, Sums& sums) {
  errno = 0;
  FileHandle file(std::fopen(path, "r"));
  if (!file) {
    ProbabilityRead read;
    read.problem = std::strerror(errno != 0 ? errno : ENOENT);
    read.values.resize(static_cast<std::size_t>(count), 0.0);
    sums.Finish(read);
    return read;
  }
  // The scanner reads whole blocks itself; the stream's own buffer would only add a copy.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  NumberScanner scanner(file.get());
  return ReadNumbers(scanner, count, sums);
}

// How many numbers the blocks hold, saturating as ProbabilityCount does.
std::int64_t NumbersIn(const ExactBlocks& blocks) {
  std::int64_t count = 0;
  for (const std::int64_t size : blocks.sizes) {
    if (size < 0) {
      throw std::invalid_argument("ExactBlocks: a block of negative size");
    }
    count = size > std::numeric_limits<std::int64_t>::max() - count
                ? std::numeric_limits<std::int64_t>::max()
                : count + size;
  }
  return count;
}

}  // namespace

ExactBlocks MomentBlocks(std::int32_t n, std::int32_t m) {
  ExactBlocks blocks;
  for (std::int32_t i = 1; i <= m; ++i) {
    blocks.sizes.push_back(BinomialCount(n, i));
  }
  return blocks;
}

ProbabilityRead ReadProbabilityFile(const char* path, std::int64_t count) {
  NoExactSums none;
  return ReadFile(path, count, none);
}

ProbabilityRead ReadProbabilityFile(const char* path, const ExactBlocks& blocks) {
  const std::int64_t count = NumbersIn(blocks);
  ExactSums sums(blocks.sizes);
  return ReadFile(path, count, sums);
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
  const auto pass_text = [&visit](const Token&, std::string_view text) { visit(text); };
  while (scan.good < count && scanner.Next(value, pass_text)) {
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

namespace {

// The word as shown in a message: quoted, bytes that do not print escaped, "..." when cut.
std::string Shown(std::string_view word, bool cut) {
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

// The likely cause of a stop at a token that is not a number, and what to write instead.
std::string StopCause(const StopPlace& stop) {
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

}  // namespace

std::string StopWarning(const std::string& path, const ProbabilityRead& read) {
  if (read.end != ReadEnd::kNotANumber) {
    return "";
  }
  const StopPlace& stop = read.stop;
  return "warning: reading \"" + path + "\" stopped at line " + std::to_string(stop.line) +
         ", column " + std::to_string(stop.column) + ", at " + Shown(stop.word, stop.word_cut) +
         ", which is not a number: " + StopCause(stop);
}

std::string ExcessWarning(const std::string& path, const ProbabilityRead& read, std::int64_t needed,
                          std::int32_t n, std::int32_t m) {
  if (!read.more_follows) {
    return "";
  }
  return "warning: \"" + path + "\" holds more than the " + std::to_string(needed) +
         " numbers that n=" + std::to_string(n) + ", m=" + std::to_string(m) +
         " need; the rest is ignored: check n and m";
}

ImprobableNumbers FindImprobableNumbers(const ProbabilityRead& read) {
  ImprobableNumbers found;
  for (std::int64_t k = 0; k < read.good; ++k) {
    const double p = read.values[static_cast<std::size_t>(k)];
    if (!(p >= 0.0 && p <= 1.0)) {
      found.first = found.count == 0 ? k : found.first;
      ++found.count;
    }
  }
  return found;
}

std::string FirstImprobableNumber(const std::string& path, const ProbabilityRead& read) {
  const ImprobableNumbers found = FindImprobableNumbers(read);
  if (found.count == 0) {
    return "";
  }
  std::ostringstream reason;
  reason.precision(17);
  reason << "number " << found.first + 1 << " of \"" << path << "\", "
         << read.values[static_cast<std::size_t>(found.first)] << ", lies outside [0, 1]";
  return reason.str();
}

std::string ImprobableWarning(const std::string& path, const ProbabilityRead& read) {
  const ImprobableNumbers found = FindImprobableNumbers(read);
  if (found.count == 0) {
    return "";
  }
  const double value = read.values[static_cast<std::size_t>(found.first)];
  std::ostringstream warning;
  warning.precision(17);
  warning << "warning: " << found.count << " of the " << read.good << " numbers read from \""
          << path << "\" " << (found.count == 1 ? "is" : "are")
          << " no probability (outside [0, 1]); the first is number " << found.first + 1 << ", "
          << value;
  if (value > 1.0 && value <= 100.0 && value == std::floor(value)) {
    warning << " (percentages? 50% is written 0.5)";
  }
  return warning.str();
}

ProbabilityRead ParseProbabilities(std::string_view text, std::int64_t count) {
  NumberScanner scanner(text);
  NoExactSums none;
  return ReadNumbers(scanner, count, none);
}

ProbabilityRead ParseProbabilities(std::string_view text, const ExactBlocks& blocks) {
  const std::int64_t count = NumbersIn(blocks);
  NumberScanner scanner(text);
  ExactSums sums(blocks.sizes);
  return ReadNumbers(scanner, count, sums);
}

ProbabilityRead ReadProbabilities(std::int32_t n, std::int32_t m) {
  const ExactBlocks blocks = MomentBlocks(n, m);
  if (ProbabilityCount(n, m) == 0) {
    // Every block is empty: nothing to read, and each sum is 0.
    ProbabilityRead read;
    read.exact = true;
    read.exact_block_sums.resize(blocks.sizes.size());
    return read;
  }
  return ReadProbabilityFile("prob.txt", blocks);
}

}  // namespace unionbound
