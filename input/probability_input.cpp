#include "input/probability_input.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "input/decimal_syntax.h"
#include "input/exact_decimal.h"
#include "moments/binomial.h"
#include "moments/block_sums.h"

namespace unionbound {
namespace {

// What one extraction of a double takes from the front of [first, last), by ScanDecimal. On
// the way the token's value is gathered as a decimal mantissa and a power of ten. When the
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
struct MantissaDigits {
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

// The exponent as written, capped so that it cannot overflow; a capped exponent is no longer
// the written one.
struct ExponentDigits {
  long value = 0;
  bool capped = false;

  const char* Take(const char* p, const char* last, bool negative) {
    for (; p != last && IsDigit(*p); ++p) {
      value = std::min(value * 10 + (*p - '0'), kExponentCap);
    }
    capped = value == kExponentCap;
    value = negative ? -value : value;
    return p;
  }
};

// The digits of a token as ScanDecimal hands them over.
struct TokenDigits {
  MantissaDigits mantissa;
  ExponentDigits exponent;

  const char* Mantissa(const char* p, const char* last, bool fraction) {
    return mantissa.Take(p, last, fraction);
  }
  const char* Exponent(const char* p, const char* last, bool negative) {
    return exponent.Take(p, last, negative);
  }
};

Token ScanToken(const char* first, const char* last) {
  TokenDigits parts;
  const DecimalScan scan = ScanDecimal(first, last, parts);
  const MantissaDigits& mantissa = parts.mantissa;
  // A capped exponent is no longer the written one; from_chars and strtod then decide.
  const bool exponent_capped = parts.exponent.capped;
  const bool negative = scan.negative;

  Token token;
  token.length = scan.length;
  token.is_number = scan.is_number;
  token.reaches_end = first + scan.length == last;
  const long power = mantissa.scale + parts.exponent.value;
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

// ---------------------------------------------------------------------------------------------
// Exact sums.

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

std::string TooLargeForExact(std::string_view text, std::int64_t place) {
  constexpr std::size_t kShown = 20;
  const std::string shown =
      std::string(text.substr(0, kShown)) + (text.size() > kShown ? "..." : "");
  return "the power of ten of number " + std::to_string(place) + ", \"" + shown +
         "\", is too large for exact arithmetic";
}

// The exact sum of some of the numbers read. A number kept whole by the scanner with its power
// of ten inside the window (nearly all of them) costs one 128-bit addition to that power's
// accumulator; the rest go through GMP. Each addition is below 10^19 in magnitude and a read
// holds at most 2^63 numbers, so an accumulator stays below 2^63 * 10^19 < 2^127 and cannot
// overflow, however the parts of one read are merged.
struct ExactPart {
  std::array<WideSigned, 2 * kPowerWindow + 1> window{};
  Rational others;
  // The first number with no exact value within the limit, by its place among the numbers this
  // part was given (from 0), and its text; -1 when there is none.
  std::int64_t refused = -1;
  std::string refused_text;

  void Add(const Token& token, std::string_view text, std::int64_t place) {
    if (token.whole && token.power >= -kPowerWindow && token.power <= kPowerWindow) {
      const WideSigned digits = token.digits;
      window[static_cast<std::size_t>(token.power + kPowerWindow)] +=
          token.negative ? -digits : digits;
      return;
    }
    AddOutsideWindow(text, place);
  }

  // Out of line: the numbers the window takes need it not, and their loop runs tighter.
  [[gnu::noinline]] void AddOutsideWindow(std::string_view text, std::int64_t place) {
    if (refused >= 0) {
      return;
    }
    if (const std::optional<Rational> value = ExactDecimal(text)) {
      others += *value;
    } else {
      refused = place;
      refused_text = text;
    }
  }

  void Merge(const ExactPart& part, std::int64_t offset) {
    for (std::size_t k = 0; k < window.size(); ++k) {
      window[k] += part.window[k];
    }
    if (part.others != 0) {
      others += part.others;
    }
    if (part.refused >= 0 && (refused < 0 || part.refused + offset < refused)) {
      refused = part.refused + offset;
      refused_text = part.refused_text;
    }
  }

  // The sum of window[k] * 10^(k - kPowerWindow), by Horner's rule from the top power, and the
  // others.
  Rational Sum() const {
    mpz_class total;
    for (auto k = window.size(); k-- > 0;) {
      total *= 10;
      total += WideInteger(window[k]);
    }
    return TimesPowerOfTen(total, -kPowerWindow) + others;
  }
};

// ---------------------------------------------------------------------------------------------
// Chunks: the data cut at white space, so that every number lies in one chunk and each chunk
// can be parsed on its own.

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

struct Chunk {
  std::int64_t index = 0;
  std::string_view text;
  bool last = false;  // the data end with it
};

// Hands out the chunks of a file or of text in memory, in order, one caller at a time.
class ChunkSource {
 public:
  ChunkSource(std::FILE* file, std::size_t chunk_bytes, ReadProgress progress)
      : file_(file), chunk_bytes_(chunk_bytes), progress_(std::move(progress)) {}
  ChunkSource(std::string_view text, std::size_t chunk_bytes)
      : text_(text), chunk_bytes_(chunk_bytes) {}

  // The next chunk, its text in `storage` for a file; false once the last one was handed out or
  // `stop` is set. A chunk with no white space grows until white space or the end of the data.
  bool Next(Chunk& chunk, std::vector<char>& storage, const std::atomic<bool>& stop) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (done_ || stop.load(std::memory_order_acquire)) {
      return false;
    }
    chunk.index = next_index_++;
    if (file_ == nullptr) {
      NextInMemory(chunk);
    } else {
      NextFromFile(chunk, storage);
    }
    done_ = chunk.last;
    content_.push_back(
        {std::any_of(chunk.text.begin(), chunk.text.end(), [](char c) { return !IsSpace(c); }),
         chunk.text.size()});
    if (progress_) {
      progress_(bytes_read_);
    }
    return true;
  }

  // Whether more than white space follows from chunk `index` on, looked for in at most the
  // usual chunk's size, reading the chunks no one has read. Only once the readers have stopped.
  bool ContentFrom(std::int64_t index) {
    std::vector<char> storage;
    const std::atomic<bool> go{false};
    Chunk chunk;
    std::size_t looked = 0;
    for (auto k = static_cast<std::size_t>(index); looked < kChunkBytes; ++k) {
      while (content_.size() <= k) {
        if (!Next(chunk, storage, go)) {
          return false;
        }
      }
      if (content_[k].any) {
        return true;
      }
      looked += std::max<std::size_t>(content_[k].bytes, 1);
    }
    return false;
  }

  int error() const { return error_; }

 private:
  void NextInMemory(Chunk& chunk) {
    const std::size_t from = position_;
    std::size_t to = std::min(text_.size(), from + chunk_bytes_);
    // Cut after the last white space, or grow to the next one.
    std::size_t cut = to;
    while (cut > from && !IsSpace(text_[cut - 1])) {
      --cut;
    }
    if (cut == from || to == text_.size()) {
      cut = to;
      while (cut < text_.size() && !IsSpace(text_[cut])) {
        ++cut;
      }
    }
    chunk.text = text_.substr(from, cut - from);
    chunk.last = cut == text_.size();
    position_ = cut;
    bytes_read_ = static_cast<std::int64_t>(cut);
  }

  void NextFromFile(Chunk& chunk, std::vector<char>& storage) {
    storage.assign(carry_.begin(), carry_.end());
    carry_.clear();
    std::size_t searched = 0;  // bytes known to hold no white space
    for (;;) {
      // A word longer than a chunk doubles the read, so that it takes few reads however long.
      const std::size_t had = storage.size();
      const std::size_t wanted = std::max(chunk_bytes_, had);
      storage.resize(had + wanted);
      const std::size_t got = Fill(storage.data() + had, wanted);
      storage.resize(had + got);
      if (got < wanted) {
        // The end of the data, or an error that ends it.
        chunk.text = std::string_view(storage.data(), storage.size());
        chunk.last = true;
        return;
      }
      std::size_t cut = storage.size();
      while (cut > searched && !IsSpace(storage[cut - 1])) {
        --cut;
      }
      if (cut > searched) {
        carry_.assign(storage.begin() + static_cast<std::ptrdiff_t>(cut), storage.end());
        storage.resize(cut);
        chunk.text = std::string_view(storage.data(), storage.size());
        chunk.last = false;
        return;
      }
      searched = storage.size();
    }
  }

  // Reads up to `size` bytes; fewer only at the end of the data or on an error.
  std::size_t Fill(char* into, std::size_t size) {
    std::size_t got = 0;
    while (got < size && !at_end_) {
      const std::size_t more = std::fread(into + got, 1, size - got, file_);
      got += more;
      if (more == 0) {
        at_end_ = true;
        if (std::ferror(file_)) {
          error_ = errno != 0 ? errno : EIO;
        }
      }
    }
    bytes_read_ += static_cast<std::int64_t>(got);
    return got;
  }

  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::string_view text_;
  std::size_t position_ = 0;
  std::size_t chunk_bytes_;
  ReadProgress progress_;
  std::vector<char> carry_;
  std::int64_t next_index_ = 0;
  std::int64_t bytes_read_ = 0;
  bool done_ = false;
  bool at_end_ = false;
  int error_ = 0;
  // Whether each chunk handed out held more than white space, and its size.
  struct Content {
    bool any;
    std::size_t bytes;
  };
  std::vector<Content> content_;
};

// What the parse of one chunk found: its numbers up to the first token that is not one, their
// exact sum when asked for, and the line ends passed on the way.
struct ChunkNumbers {
  std::vector<double> values;
  ExactPart exact;
  bool stopped = false;  // at a token that is not a number, at `stop_offset`
  std::size_t stop_offset = 0;
  std::string_view last_token;  // the text of the last number
  std::int64_t line_ends = 0;   // before the stop, or in the whole chunk
  // Where the last line end passed lies (-1 when none), and whether only white space has come
  // since it, or since the chunk's start when there is none.
  std::ptrdiff_t last_line_end = -1;
  bool blank_since_line_end = true;

  void Clear() {
    values.clear();
    exact = ExactPart{};
    stopped = false;
    stop_offset = 0;
    last_token = {};
    line_ends = 0;
    last_line_end = -1;
    blank_since_line_end = true;
  }
};

// The token at `first` as a number, or false when the extraction fails there.
bool ValueOf(const Token& token, const char* first, double& value) {
  if (token.exact) {
    value = token.value;
    return true;
  }
  return token.is_number && ConvertToken(first, first + token.length, value);
}

// Calls visit(token, text, value) for each number of the chunk, in order, up to `most` of them
// or the first token that is not a number, whose offset it returns (the text's size when the
// numbers ran out first, or `most` was reached). White space is passed to `space`.
template <class Visit, class Space>
std::size_t ScanNumbers(std::string_view text, std::int64_t most, const Visit& visit,
                        const Space& space) {
  const char* const first = text.data();
  const char* const last = first + text.size();
  const char* p = first;
  for (std::int64_t k = 0; k < most; ++k) {
    while (p != last && IsSpace(*p)) {
      space(p);
      ++p;
    }
    if (p == last) {
      break;
    }
    const Token token = ScanToken(p, last);
    double value = 0.0;
    if (!ValueOf(token, p, value)) {
      return static_cast<std::size_t>(p - first);
    }
    visit(token, std::string_view(p, token.length), value);
    p += token.length;
  }
  return text.size();
}

template <bool kExact>
void ParseChunk(std::string_view text, ChunkNumbers& numbers) {
  numbers.Clear();
  const char* const first = text.data();
  const auto space = [&numbers, first](const char* p) {
    if (*p == '\n') {
      ++numbers.line_ends;
      numbers.last_line_end = p - first;
      numbers.blank_since_line_end = true;
    }
  };
  const auto visit = [&numbers](const Token& token, std::string_view written, double value) {
    if constexpr (kExact) {
      numbers.exact.Add(token, written, static_cast<std::int64_t>(numbers.values.size()));
    }
    numbers.values.push_back(value);
    numbers.last_token = written;
    numbers.blank_since_line_end = false;
  };
  const std::size_t stop =
      ScanNumbers(text, std::numeric_limits<std::int64_t>::max(), visit, space);
  numbers.stopped = stop < text.size();
  numbers.stop_offset = stop;
}

// The lines passed before a chunk: how many ended, how many bytes the current one has, and
// whether they are white space.
struct LinePosition {
  std::int64_t line_ends = 0;
  std::int64_t column_bytes = 0;
  bool blank = true;

  void Pass(std::string_view text, const ChunkNumbers& numbers) {
    line_ends += numbers.line_ends;
    if (numbers.last_line_end >= 0) {
      column_bytes = static_cast<std::int64_t>(text.size()) - numbers.last_line_end - 1;
      blank = numbers.blank_since_line_end;
    } else {
      column_bytes += static_cast<std::int64_t>(text.size());
      blank = blank && numbers.blank_since_line_end;
    }
  }
};

// Where a chunk's parse stopped, and what is around it.
StopPlace StopIn(std::string_view text, const ChunkNumbers& numbers, const LinePosition& before) {
  const std::size_t at = numbers.stop_offset;
  StopPlace stop;
  std::size_t word_end = at;
  while (word_end < text.size() && !IsSpace(text[word_end])) {
    ++word_end;
  }
  stop.word_cut = word_end - at > kShownToken;
  stop.word = std::string(text.substr(at, std::min(word_end - at, kShownToken)));
  stop.line = before.line_ends + numbers.line_ends + 1;
  if (numbers.last_line_end >= 0) {
    stop.column = static_cast<std::int64_t>(at) - numbers.last_line_end;
    stop.starts_line = numbers.blank_since_line_end;
  } else {
    stop.column = before.column_bytes + static_cast<std::int64_t>(at) + 1;
    stop.starts_line = before.blank && numbers.blank_since_line_end;
  }
  std::size_t glued = at;
  while (glued > 0 && !IsSpace(text[glued - 1])) {
    --glued;
  }
  const std::size_t shown = std::min(at - glued, kShownToken);
  stop.number_before = std::string(text.substr(at - shown, shown));
  return stop;
}

// A run of numbers of one chunk that belongs to one block.
struct Segment {
  std::size_t block = 0;
  std::int64_t from = 0;  // place in the chunk
  std::int64_t to = 0;
};

// The exact sums still to be taken from one chunk once its place in the file is known.
struct ExactWork {
  bool any = false;
  std::int64_t first_place = 0;  // of the chunk's first number in the file, from 0
  // The chunk's parse summed the numbers of one block: its sum is `whole_block`'s.
  bool whole = false;
  std::size_t whole_block = 0;
  std::vector<Segment> segments;  // otherwise
};

// The state of one read that the chunks pass on in file order.
class OrderedRead {
 public:
  OrderedRead(const ReadPlan& plan, std::int64_t count)
      : plan_(plan), count_(count), sums_(plan.sizes) {}

  // Adds the numbers a chunk contributes, in file order, and says which exact sums its worker
  // still has to take. Ends the read at the count, at a token that is not a number, or at the
  // end of the data.
  ExactWork Take(const Chunk& chunk, const ChunkNumbers& numbers) {
    ExactWork work;
    const auto parsed = static_cast<std::int64_t>(numbers.values.size());
    const std::int64_t take = std::min(parsed, count_ - read_.good);
    work.first_place = read_.good;
    work.any = take > 0 && plan_.exact;
    std::int64_t at = 0;
    while (at < take) {
      const std::int64_t room = sums_.LeftInBlock();
      const std::int64_t length = std::min(room, take - at);
      const std::size_t block = sums_.CurrentBlock();
      sums_.AddWithinBlock(numbers.values.data() + at, static_cast<std::size_t>(length));
      work.segments.push_back({block, at, at + length});
      at += length;
    }
    if (work.segments.size() == 1 && take == parsed) {
      work.whole = true;
      work.whole_block = work.segments.front().block;
    }
    for (std::int64_t k = 0; k < take; ++k) {
      const double x = numbers.values[static_cast<std::size_t>(k)];
      if (!(x >= 0.0 && x <= 1.0)) {
        ImprobableNumbers& improbable = read_.improbable;
        if (improbable.count++ == 0) {
          improbable.first = read_.good + k;
          improbable.first_value = x;
        }
      }
    }
    const std::int64_t keep = std::min(take, std::max<std::int64_t>(0, plan_.kept - read_.good));
    read_.kept.insert(read_.kept.end(), numbers.values.begin(), numbers.values.begin() + keep);
    read_.good += take;
    if (take > 0) {
      read_.last = numbers.values[static_cast<std::size_t>(take - 1)];
      if (take == parsed) {
        last_text_ = numbers.last_token;
      }
    }

    if (read_.good == count_) {
      ended_ = true;
      read_.end = ReadEnd::kCount;
      end_chunk_ = chunk.index;
      // A number or a token after the count is more than white space; otherwise the chunk's
      // rest is white space and the next chunk decides.
      more_decided_ = take < parsed || numbers.stopped || chunk.last;
      read_.more_follows = take < parsed || numbers.stopped;
    } else if (numbers.stopped) {
      ended_ = true;
      read_.end = ReadEnd::kNotANumber;
      read_.stop = StopIn(chunk.text, numbers, lines_);
    } else if (chunk.last) {
      ended_ = true;
      read_.end = ReadEnd::kEndOfData;
    } else {
      lines_.Pass(chunk.text, numbers);
    }
    return work;
  }

  bool ended() const { return ended_; }

  // Whether the count was reached with only white space after it in its chunk, so that the
  // chunk after it decides whether more follows; and that chunk's index.
  bool MoreUndecided() const { return ended_ && read_.end == ReadEnd::kCount && !more_decided_; }
  std::int64_t ChunkAfterEnd() const { return end_chunk_ + 1; }
  void SetMoreFollows(bool more) { read_.more_follows = more; }

  // The read, with the entries not read standing for the last number read.
  ProbabilityRead Finish() {
    if (!ended_) {
      read_.end = ReadEnd::kEndOfData;
    }
    sums_.AddRepeatedly(read_.last, count_ - read_.good);
    read_.block_sums = sums_.sums();
    return std::move(read_);
  }

  const std::string& last_text() const { return last_text_; }

 private:
  const ReadPlan& plan_;
  std::int64_t count_;
  BlockSums sums_;
  ProbabilityRead read_;
  LinePosition lines_;
  std::string last_text_;
  bool ended_ = false;
  bool more_decided_ = true;
  std::int64_t end_chunk_ = 0;
};

// Each worker's exact sums, one part per block.
using BlockParts = std::vector<ExactPart>;

// Takes the exact sums of a chunk's numbers into the worker's parts: the parse's own sum when
// the chunk lies in one block, else a second pass over the numbers the chunk contributes.
void TakeExactSums(const ExactWork& work, std::string_view text, const ChunkNumbers& numbers,
                   BlockParts& parts) {
  if (!work.any) {
    return;
  }
  if (work.whole) {
    parts[work.whole_block].Merge(numbers.exact, work.first_place);
    return;
  }
  const std::int64_t take = work.segments.back().to;
  std::size_t segment = 0;
  std::int64_t place = 0;
  ExactPart part;
  const auto visit = [&](const Token& token, std::string_view written, double) {
    while (place >= work.segments[segment].to) {
      parts[work.segments[segment].block].Merge(part, work.first_place);
      part = ExactPart{};
      ++segment;
    }
    part.Add(token, written, place);
    ++place;
  };
  ScanNumbers(text, take, visit, [](const char*) {});
  parts[work.segments[segment].block].Merge(part, work.first_place);
}

// The plan's read of the chunks of `source`: every thread takes the next chunk, parses it, then
// waits for its turn to add its numbers in file order; exact sums, which do not depend on the
// order, are taken after the turn has passed on.
ProbabilityRead ReadChunks(ChunkSource& source, const ReadPlan& plan, std::int64_t count) {
  int threads = plan.threads > 0 ? plan.threads : ReaderThreads().threads;
  threads = std::clamp(threads, 1, kMostThreads);
  OrderedRead ordered(plan, count);
  std::atomic<bool> ended{false};
  std::mutex turn_mutex;
  std::condition_variable turn_changed;
  std::int64_t turn = 0;
  std::vector<BlockParts> parts(static_cast<std::size_t>(threads),
                                BlockParts(plan.exact ? plan.sizes.size() : 0));

  const auto work = [&](BlockParts& mine) {
    std::vector<char> storage;
    ChunkNumbers numbers;
    Chunk chunk;
    while (source.Next(chunk, storage, ended)) {
      if (plan.exact) {
        ParseChunk<true>(chunk.text, numbers);
      } else {
        ParseChunk<false>(chunk.text, numbers);
      }
      std::unique_lock<std::mutex> lock(turn_mutex);
      turn_changed.wait(lock, [&] { return turn == chunk.index; });
      ExactWork exact;
      if (!ordered.ended()) {
        exact = ordered.Take(chunk, numbers);
        ended.store(ordered.ended(), std::memory_order_release);
      }
      ++turn;
      lock.unlock();
      turn_changed.notify_all();
      TakeExactSums(exact, chunk.text, numbers, mine);
    }
  };
  std::vector<std::thread> helpers;
  for (int k = 1; k < threads; ++k) {
    helpers.emplace_back(work, std::ref(parts[static_cast<std::size_t>(k)]));
  }
  work(parts[0]);
  for (std::thread& helper : helpers) {
    helper.join();
  }

  if (ordered.MoreUndecided()) {
    ordered.SetMoreFollows(source.ContentFrom(ordered.ChunkAfterEnd()));
  }
  const std::string last_text = ordered.last_text();
  ProbabilityRead read = ordered.Finish();
  if (source.error() != 0) {
    read.problem = std::strerror(source.error());
  }
  if (plan.exact) {
    // The first number refused, over every worker's parts.
    const ExactPart* first_refused = nullptr;
    for (const BlockParts& worker : parts) {
      for (const ExactPart& part : worker) {
        if (part.refused >= 0 &&
            (first_refused == nullptr || part.refused < first_refused->refused)) {
          first_refused = &part;
        }
      }
    }
    if (first_refused != nullptr) {
      read.exact_problem =
          TooLargeForExact(first_refused->refused_text, first_refused->refused + 1);
      return read;
    }
    // The entries not read repeat the last number read, exactly as written; its text is kept
    // only when some entries are not read.
    const Rational last = read.good > 0 && read.good < count
                              ? ExactDecimal(last_text).value_or(Rational(0))
                              : Rational(0);
    std::int64_t filled = 0;
    for (std::size_t block = 0; block < plan.sizes.size(); ++block) {
      Rational sum;
      for (const BlockParts& worker : parts) {
        sum += worker[block].Sum();
      }
      const std::int64_t end = filled + plan.sizes[block];
      const std::int64_t repeats = std::max<std::int64_t>(0, end - std::max(filled, read.good));
      if (repeats > 0 && last != 0) {
        sum += last * Rational(static_cast<long>(repeats));
      }
      filled = end;
      read.exact_block_sums.push_back(std::move(sum));
    }
    read.exact = true;
  }
  return read;
}

// How many numbers the blocks hold, saturating as ProbabilityCount does.
std::int64_t NumbersIn(const ReadPlan& plan) {
  std::int64_t count = 0;
  for (const std::int64_t size : plan.sizes) {
    if (size < 0) {
      throw std::invalid_argument("ExactBlocks: a block of negative size");
    }
    count = size > std::numeric_limits<std::int64_t>::max() - count
                ? std::numeric_limits<std::int64_t>::max()
                : count + size;
  }
  return count;
}

// The read of a file that could not be opened: no number, each sum 0.
ProbabilityRead NothingRead(const ReadPlan& plan, const char* problem) {
  ProbabilityRead read;
  read.problem = problem;
  read.end = ReadEnd::kEndOfData;
  read.block_sums.assign(plan.sizes.size(), 0.0);
  if (plan.exact) {
    read.exact = true;
    read.exact_block_sums.assign(plan.sizes.size(), Rational(0));
  }
  return read;
}

ReadPlan CountPlan(std::int64_t count) {
  ReadPlan plan;
  plan.sizes = {count};
  plan.exact = false;
  return plan;
}

}  // namespace

ThreadSetting ReaderThreads() {
  ThreadSetting setting;
  setting.threads =
      std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostThreads);
  const char* asked = std::getenv("UNIONBOUND_THREADS");
  if (asked == nullptr) {
    return setting;
  }
  const std::string_view text(asked);
  int threads = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threads);
  if (error != std::errc() || end != text.data() + text.size() || threads < 1 ||
      threads > kMostThreads) {
    setting.problem = "UNIONBOUND_THREADS=\"" + std::string(text.substr(0, 20)) +
                      "\" is not a count from 1 to " + std::to_string(kMostThreads) + "; using " +
                      std::to_string(setting.threads);
    return setting;
  }
  setting.threads = threads;
  return setting;
}

Vector KeptValues(const ProbabilityRead& read, std::int64_t count) {
  Vector values(read.kept.begin(),
                read.kept.begin() +
                    std::min<std::int64_t>(count, static_cast<std::int64_t>(read.kept.size())));
  values.resize(static_cast<std::size_t>(count), read.last);
  return values;
}

ExactBlocks MomentBlocks(std::int32_t n, std::int32_t m) {
  ExactBlocks blocks;
  for (std::int32_t i = 1; i <= m; ++i) {
    blocks.sizes.push_back(BinomialCount(n, i));
  }
  return blocks;
}

ProbabilityRead ReadProbabilityFile(const char* path, const ReadPlan& plan) {
  const std::int64_t count = NumbersIn(plan);
  errno = 0;
  FileHandle file(std::fopen(path, "r"));
  if (!file) {
    return NothingRead(plan, std::strerror(errno != 0 ? errno : ENOENT));
  }
  // The chunks are read whole; the stream's own buffer would only add a copy.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  ChunkSource source(file.get(), plan.chunk_bytes > 0 ? plan.chunk_bytes : kChunkBytes,
                     plan.progress);
  return ReadChunks(source, plan, count);
}

ProbabilityRead ParseProbabilities(std::string_view text, const ReadPlan& plan) {
  const std::int64_t count = NumbersIn(plan);
  ChunkSource source(text, plan.chunk_bytes > 0 ? plan.chunk_bytes : kChunkBytes);
  return ReadChunks(source, plan, count);
}

ProbabilityRead ReadProbabilityFile(const char* path, std::int64_t count) {
  return ReadProbabilityFile(path, CountPlan(count));
}

ProbabilityRead ParseProbabilities(std::string_view text, std::int64_t count) {
  return ParseProbabilities(text, CountPlan(count));
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
  return read.improbable;
}

std::string FirstImprobableNumber(const std::string& path, const ProbabilityRead& read) {
  const ImprobableNumbers& found = read.improbable;
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
  const ImprobableNumbers& found = read.improbable;
  if (found.count == 0) {
    return "";
  }
  const double value = found.first_value;
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

ProbabilityRead ReadProbabilities(std::int32_t n, std::int32_t m, const ReadProgress& progress) {
  ReadPlan plan = MomentBlocks(n, m);
  plan.progress = progress;
  if (ProbabilityCount(n, m) == 0) {
    // Every block is empty: nothing to read, and each sum is 0.
    ProbabilityRead read;
    read.block_sums.assign(plan.sizes.size(), 0.0);
    read.exact = true;
    read.exact_block_sums.resize(plan.sizes.size());
    return read;
  }
  return ReadProbabilityFile("prob.txt", plan);
}

}  // namespace unionbound
