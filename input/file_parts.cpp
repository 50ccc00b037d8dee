#include "input/file_parts.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <tuple>
#include <utility>

#include "input/decimal_syntax.h"
#include "input/exact_sums.h"
#include "input/file_handle.h"
#include "input/input_limits.h"
#include "input/read_messages.h"
#include "input/token_scan.h"
#include "moments/binomial.h"

namespace unionbound {
namespace {

constexpr std::int64_t kPartChunk = std::int64_t{1} << 20;

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

std::string ErrorText(int error) {
  return std::strerror(error != 0 ? error : EIO);
}

// An open file and its size, or why it could not be opened.
struct OpenFile {
  FileHandle file;
  std::int64_t size = 0;
  std::string problem;
};

OpenFile Open(const std::string& path) {
  OpenFile opened;
  errno = 0;
  opened.file.reset(std::fopen(path.c_str(), "rb"));
  if (!opened.file || std::fseek(opened.file.get(), 0, SEEK_END) != 0) {
    opened.problem = "cannot read " + Quoted(path) + ": " + ErrorText(errno);
    opened.file.reset();
    return opened;
  }
  opened.size = std::ftell(opened.file.get());
  std::setvbuf(opened.file.get(), nullptr, _IONBF, 0);
  return opened;
}

bool SeekTo(std::FILE* file, std::int64_t offset) {
  return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

// FNV-1a over the file's first kHeadBytes: enough to tell two files of one size apart, and
// cheap for every part to take.
bool HeadDigest(std::FILE* file, std::int64_t size, std::uint64_t& digest) {
  std::vector<char> head(static_cast<std::size_t>(std::min(size, kHeadBytes)));
  if (!SeekTo(file, 0)) {
    return false;
  }
  const std::size_t got = std::fread(head.data(), 1, head.size(), file);
  if (std::ferror(file)) {
    return false;
  }
  digest = 14695981039346656037ULL;
  for (std::size_t k = 0; k < got; ++k) {
    digest = (digest ^ static_cast<unsigned char>(head[k])) * 1099511628211ULL;
  }
  return true;
}

// Whether the byte before `from` is part of a word, so that a word there starts before it.
bool InsideWordAt(std::FILE* file, std::int64_t from) {
  if (from == 0 || !SeekTo(file, from - 1)) {
    return false;
  }
  const int c = std::fgetc(file);
  return c != EOF && !IsSpace(static_cast<char>(c));
}

struct WordScan {
  std::string problem;  // a read error
  bool overlong = false;
  std::int64_t overlong_at = 0;
};

// Calls visit(word, offset) for each word that starts in [from, to), reading on past `to` to
// the end of the last one; visit returns false to stop.
template <class Visit>
WordScan ScanWords(std::FILE* file, std::int64_t from, std::int64_t to, const Visit& visit) {
  WordScan scan;
  bool skipping = InsideWordAt(file, from);
  if (!SeekTo(file, from)) {
    scan.problem = ErrorText(errno);
    return scan;
  }
  std::vector<char> buffer;
  std::int64_t offset = from;  // of buffer[0] in the file
  for (bool at_end = false; !at_end;) {
    if (buffer.empty() && !skipping && offset >= to) {
      return scan;  // no word can start in the range any more
    }
    // A chunk, or the rest of the range when it is shorter; past `to` only the rest of the last
    // word is wanted.
    const std::int64_t left = to - offset - static_cast<std::int64_t>(buffer.size());
    const std::size_t wanted =
        left > 0 ? static_cast<std::size_t>(std::clamp<std::int64_t>(left, 4096, kPartChunk))
                 : std::max<std::size_t>(buffer.size(), 4096);
    const std::size_t had = buffer.size();
    buffer.resize(had + wanted);
    const std::size_t got = std::fread(buffer.data() + had, 1, wanted, file);
    buffer.resize(had + got);
    if (got < wanted) {
      if (std::ferror(file)) {
        scan.problem = ErrorText(errno);
        return scan;
      }
      at_end = true;
    }
    const std::size_t size = buffer.size();
    std::size_t p = 0;
    if (skipping) {
      while (p < size && !IsSpace(buffer[p])) {
        ++p;
      }
      skipping = p == size && !at_end;
    }
    std::size_t keep = size;  // where the unfinished word starts
    while (!skipping) {
      while (p < size && IsSpace(buffer[p])) {
        ++p;
      }
      if (p == size || offset + static_cast<std::int64_t>(p) >= to) {
        if (p < size) {
          return scan;  // the next word starts in the next range
        }
        break;
      }
      std::size_t q = p;
      while (q < size && !IsSpace(buffer[q])) {
        ++q;
      }
      if (q == size && !at_end) {
        if (q - p > kLongestWord) {
          scan.overlong = true;
          scan.overlong_at = offset + static_cast<std::int64_t>(p);
          return scan;
        }
        keep = p;
        break;
      }
      if (!visit(std::string_view(buffer.data() + p, q - p),
                 offset + static_cast<std::int64_t>(p))) {
        return scan;
      }
      p = q;
    }
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(keep));
    offset += static_cast<std::int64_t>(keep);
  }
  return scan;
}

// The text of a word as a message shows it, cut to kShownToken bytes.
StopPlace WordStop(std::string_view word, std::string_view before) {
  StopPlace stop;
  stop.word = std::string(word.substr(0, kShownToken));
  stop.word_cut = word.size() > kShownToken;
  stop.number_before =
      std::string(before.substr(before.size() - std::min(before.size(), kShownToken)));
  return stop;
}

// Empty when the word is one number as the reader takes it (its value in `value`); otherwise
// what is wrong with it.
std::string NotOneNumber(std::string_view word, Token& token, double& value) {
  token = ScanToken(word.data(), word.data() + word.size());
  const bool number = ValueOf(token, word.data(), value);
  if (number && token.length == word.size()) {
    return "";
  }
  if (!number) {
    return StopCause(WordStop(word, {}));
  }
  const std::string_view rest = word.substr(token.length);
  double ignored = 0.0;
  if (ValueOf(ScanToken(rest.data(), rest.data() + rest.size()), rest.data(), ignored)) {
    return "two numbers without white space between them; a part takes one number a word";
  }
  return StopCause(WordStop(rest, word.substr(0, token.length)));
}

// Which block (order - 1) an index falls in, for indices that only grow.
class OrderOfIndex {
 public:
  OrderOfIndex(const std::vector<std::int64_t>& sizes, std::int64_t first) : sizes_(sizes) {
    while (block_ < sizes_.size() && first >= end_ + sizes_[block_]) {
      end_ += sizes_[block_++];
    }
    end_ = block_ < sizes_.size() ? end_ + sizes_[block_] : end_;
  }
  // The block of `index`, or the block count when it lies past every block.
  std::size_t Of(std::int64_t index) {
    while (block_ < sizes_.size() && index >= end_) {
      ++block_;
      end_ = block_ < sizes_.size() ? end_ + sizes_[block_] : end_;
    }
    return block_;
  }

 private:
  const std::vector<std::int64_t>& sizes_;
  std::size_t block_ = 0;
  std::int64_t end_ = 0;
};

bool Before(std::int32_t order, const std::string& path, std::int64_t index, const PartSums& than) {
  return than.improbable_index < 0 ||
         std::tie(order, path, index) <
             std::tie(than.improbable_order, than.improbable_path, than.improbable_index);
}

std::string IndexRange(std::int64_t from, std::int64_t to) {
  return from + 1 == to
             ? "the number of index " + std::to_string(from)
             : "the numbers of index " + std::to_string(from) + " to " + std::to_string(to - 1);
}

// "is" for one number, "are" for more.
const char* Verb(std::int64_t from, std::int64_t to) {
  return from + 1 == to ? " is" : " are";
}

std::string ByteRange(std::int64_t from, std::int64_t to, const std::string& path) {
  return "bytes " + std::to_string(from) + " to " + std::to_string(to - 1) + " of " + Quoted(path);
}

// Puts `piece` among the pieces, which must not share a byte or an index with it, and joins
// the pieces that meet in both; empty, or the range found twice.
std::string AddPiece(PartFilePieces& file, const PartPiece& piece) {
  if (piece.byte_from == piece.byte_to) {
    return "";
  }
  for (const PartPiece& other : file.pieces) {
    const std::int64_t byte_from = std::max(other.byte_from, piece.byte_from);
    const std::int64_t byte_to = std::min(other.byte_to, piece.byte_to);
    const std::int64_t index_from = std::max(other.index_from, piece.index_from);
    const std::int64_t index_to = std::min(other.index_to, piece.index_to);
    if (byte_from < byte_to || index_from < index_to) {
      const std::string bytes = ByteRange(byte_from, byte_to, file.file.path);
      if (index_from >= index_to) {
        return bytes + " are in two parts";
      }
      return IndexRange(index_from, index_to) + " (" +
             (byte_from < byte_to
                  ? bytes
                  : "in " + Quoted(file.file.path) + "; check the first index of each part") +
             ")" + Verb(index_from, index_to) + " in two parts";
    }
  }
  auto& pieces = file.pieces;
  pieces.insert(std::upper_bound(pieces.begin(), pieces.end(), piece,
                                 [](const PartPiece& a, const PartPiece& b) {
                                   return a.byte_from < b.byte_from;
                                 }),
                piece);
  std::vector<PartPiece> joined;
  for (const PartPiece& next : pieces) {
    if (!joined.empty() && joined.back().byte_to == next.byte_from &&
        joined.back().index_to == next.index_from) {
      joined.back().byte_to = next.byte_to;
      joined.back().index_to = next.index_to;
    } else {
      joined.push_back(next);
    }
  }
  pieces = std::move(joined);
  return "";
}

// Empty when the pieces cover the file's bytes once, with indices from 0 on without a gap;
// otherwise the first range missed.
std::string Uncovered(const PartFilePieces& file) {
  const std::string& path = file.file.path;
  std::int64_t byte = 0;
  std::int64_t index = 0;
  for (const PartPiece& piece : file.pieces) {
    if (piece.byte_from > byte) {
      const std::string bytes = ByteRange(byte, piece.byte_from, path);
      return (piece.index_from > index ? IndexRange(index, piece.index_from) + " (" + bytes + ")" +
                                             Verb(index, piece.index_from)
                                       : bytes + " are") +
             " in no part";
    }
    if (piece.index_from != index) {
      return "the part from byte " + std::to_string(piece.byte_from) + " of " + Quoted(path) +
             " starts at index " + std::to_string(piece.index_from) + ", but the numbers before " +
             "it end at index " + std::to_string(index - 1) + ": check its first index";
    }
    byte = piece.byte_to;
    index = piece.index_to;
  }
  if (byte < file.file.size) {
    return ByteRange(byte, file.file.size, path) + " (the numbers from index " +
           std::to_string(index) + " on) are in no part";
  }
  return "";
}

std::int64_t NumbersOf(const PartFilePieces& file) {
  return file.pieces.empty() ? 0 : file.pieces.back().index_to;
}

}  // namespace

WordCount CountWords(const std::string& path, std::int64_t from, std::int64_t to) {
  WordCount count;
  OpenFile opened = Open(path);
  if (!opened.problem.empty()) {
    count.problem = opened.problem;
    return count;
  }
  count.size = opened.size;
  to = to < 0 ? opened.size : std::min(to, opened.size);
  from = std::clamp<std::int64_t>(from, 0, to);
  std::FILE* file = opened.file.get();
  bool space_before = !InsideWordAt(file, from);
  if (!SeekTo(file, from)) {
    count.problem = "cannot read " + Quoted(path) + ": " + ErrorText(errno);
    return count;
  }
  std::vector<char> buffer(
      static_cast<std::size_t>(std::clamp<std::int64_t>(to - from, 1, kPartChunk)));
  for (std::int64_t left = to - from; left > 0;) {
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(left, kPartChunk));
    const std::size_t got = std::fread(buffer.data(), 1, wanted, file);
    if (got < wanted && std::ferror(file)) {
      count.problem = "cannot read " + Quoted(path) + ": " + ErrorText(errno);
      return count;
    }
    for (std::size_t k = 0; k < got; ++k) {
      const bool space = IsSpace(buffer[k]);
      count.words += static_cast<std::int64_t>(space_before && !space);
      space_before = space;
    }
    if (got < wanted) {
      break;
    }
    left -= static_cast<std::int64_t>(got);
  }
  return count;
}

PartResult SumFilePart(const PartRange& range, std::int32_t n, std::int32_t m) {
  PartResult result;
  if (std::string problem = SizeProblem(n, m, std::numeric_limits<std::int32_t>::max());
      !problem.empty()) {
    result.refusal = problem;
    return result;
  }
  if (range.order < 0 || range.order > m) {
    result.refusal = "the order of a file's numbers is from 1 to m=" + std::to_string(m) +
                     ", not " + std::to_string(range.order);
    return result;
  }
  if (range.from < 0 || range.first_index < 0) {
    result.refusal = "a part starts at a byte and an index from 0 on";
    return result;
  }
  OpenFile opened = Open(range.path);
  if (!opened.problem.empty()) {
    result.refusal = opened.problem;
    return result;
  }
  std::FILE* file = opened.file.get();
  PartSums& sums = result.sums;
  sums.n = n;
  sums.m = m;
  PartFile identity{range.path, opened.size, 0, range.order};
  if (!HeadDigest(file, opened.size, identity.head)) {
    result.refusal = "cannot read " + Quoted(range.path) + ": " + ErrorText(errno);
    return result;
  }
  const std::int64_t to = range.to < 0 ? opened.size : std::min(range.to, opened.size);
  const std::int64_t from = std::min(range.from, to);

  // The blocks of the numbers: every order in turn, or the one order of the file.
  std::vector<std::int64_t> sizes = MomentBlocks(n, m).sizes;
  if (range.order > 0) {
    std::fill(sizes.begin(), sizes.end(), 0);
    sizes[static_cast<std::size_t>(range.order - 1)] = std::numeric_limits<std::int64_t>::max();
  }
  OrderOfIndex orders(sizes, range.first_index);
  std::vector<ExactPart> parts(sizes.size());
  sums.counts.assign(sizes.size(), 0);
  std::int64_t index = range.first_index;
  const auto visit = [&](std::string_view word, std::int64_t offset) {
    const std::size_t block = orders.Of(index);
    if (block == sizes.size()) {
      ++index;  // past the numbers n and m ask for: counted, not read
      return true;
    }
    Token token;
    double value = 0.0;
    if (const std::string wrong = NotOneNumber(word, token, value); !wrong.empty()) {
      result.refusal = Quoted(range.path) + ": the word at byte " + std::to_string(offset) + ", " +
                       ShownWord(word.substr(0, kShownToken), word.size() > kShownToken) +
                       ", is not one number: " + wrong;
      result.not_read_whole = true;
      return false;
    }
    parts[block].Add(token, word, index);
    ++sums.counts[block];
    if (!(value >= 0.0 && value <= 1.0) && sums.improbable++ == 0) {
      sums.improbable_order = range.order;
      sums.improbable_path = range.path;
      sums.improbable_index = index;
      sums.improbable_value = value;
    }
    ++index;
    return true;
  };
  const WordScan scan = ScanWords(file, from, to, visit);
  if (!scan.problem.empty()) {
    result.refusal = "cannot read " + Quoted(range.path) + ": " + scan.problem;
    return result;
  }
  if (scan.overlong) {
    StopPlace stop;
    stop.overlong = true;
    result.refusal = Quoted(range.path) + ": the word at byte " + std::to_string(scan.overlong_at) +
                     " is not one number: " + StopCause(stop);
    result.not_read_whole = true;
    return result;
  }
  if (!result.refusal.empty()) {
    return result;
  }
  for (const ExactPart& part : parts) {
    if (part.refused >= 0) {
      result.refusal =
          Quoted(range.path) + ": " + TooLargeForExact(part.refused_text, part.refused + 1);
      return result;
    }
    sums.sums.push_back(part.Sum());
  }
  PartFilePieces pieces{identity, {}};
  AddPiece(pieces, {from, to, range.first_index, index});
  sums.files.push_back(std::move(pieces));
  return result;
}

std::string MergeParts(PartSums& into, const PartSums& part) {
  if (into.files.empty() && into.sums.empty()) {
    into = part;
    return "";
  }
  if (into.n != part.n || into.m != part.m) {
    return "a part for n=" + std::to_string(part.n) + ", m=" + std::to_string(part.m) +
           " does not merge with one for n=" + std::to_string(into.n) +
           ", m=" + std::to_string(into.m);
  }
  PartSums merged = into;
  for (const PartFilePieces& file : part.files) {
    auto same =
        std::find_if(merged.files.begin(), merged.files.end(),
                     [&](const PartFilePieces& had) { return had.file.SameFile(file.file); });
    if (same == merged.files.end()) {
      for (const PartFilePieces& had : merged.files) {
        if ((had.file.order == 0) != (file.file.order == 0)) {
          return "a part of " + Quoted(file.file.path) +
                 (file.file.order == 0 ? ", a whole file," : ", a file of one order,") +
                 " does not merge with one of " + Quoted(had.file.path) +
                 (had.file.order == 0 ? ", a whole file" : ", a file of one order");
        }
        if (had.file.order == 0) {
          return "a part of " + Quoted(file.file.path) + " is of another file than " +
                 Quoted(had.file.path) +
                 " (their sizes or first bytes differ); one run's parts "
                 "come from one file";
        }
      }
      merged.files.push_back({file.file, {}});
      same = merged.files.end() - 1;
    }
    for (const PartPiece& piece : file.pieces) {
      if (std::string doubled = AddPiece(*same, piece); !doubled.empty()) {
        return doubled;
      }
    }
  }
  std::sort(merged.files.begin(), merged.files.end(),
            [](const PartFilePieces& a, const PartFilePieces& b) {
              return std::tie(a.file.order, a.file.path, a.file.size, a.file.head) <
                     std::tie(b.file.order, b.file.path, b.file.size, b.file.head);
            });
  for (std::size_t k = 0; k < merged.sums.size() && k < part.sums.size(); ++k) {
    merged.sums[k] += part.sums[k];
    merged.counts[k] += part.counts[k];
  }
  if (part.improbable > 0 &&
      Before(part.improbable_order, part.improbable_path, part.improbable_index, merged)) {
    merged.improbable_order = part.improbable_order;
    merged.improbable_path = part.improbable_path;
    merged.improbable_index = part.improbable_index;
    merged.improbable_value = part.improbable_value;
  }
  merged.improbable += part.improbable;
  into = std::move(merged);
  return "";
}

MomentData MomentsOfParts(const PartSums& parts) {
  MomentData data;
  if (parts.files.empty()) {
    data.refusal = "no part was given";
    return data;
  }
  for (const PartFilePieces& file : parts.files) {
    if (std::string missing = Uncovered(file); !missing.empty()) {
      data.refusal = missing;
      data.not_read_whole = true;
      return data;
    }
  }
  const std::int32_t n = parts.n;
  const std::int32_t m = parts.m;
  const std::int64_t needed = ProbabilityCount(n, m);
  std::int64_t read = 0;
  if (parts.files.front().file.order == 0) {
    const PartFilePieces& whole = parts.files.front();
    const std::int64_t numbers = NumbersOf(whole);
    if (numbers < needed) {
      data.refusal = NotReadWholeRefusal(whole.file.path, numbers, needed);
      data.not_read_whole = true;
      return data;
    }
    if (numbers > needed && needed > 0) {
      data.warnings.push_back(ExcessWarning(whole.file.path, needed, n, m));
    }
    read = needed;
  } else {
    for (std::int32_t k = 1; k <= m; ++k) {
      const std::int64_t count = parts.counts[static_cast<std::size_t>(k - 1)];
      const std::int64_t wanted = BinomialCount(n, k);
      if (count != wanted) {
        data.refusal = "the files of order " + std::to_string(k) + " hold " +
                       std::to_string(count) + " numbers, but " + std::to_string(n) +
                       " events have " + std::to_string(wanted) + " intersections of " +
                       std::to_string(k) +
                       (count < wanted ? ": a file or a part is missing" : ": a file given twice?");
        data.not_read_whole = count < wanted;
        return data;
      }
      read += count;
    }
  }
  ImprobableNumbers found;
  found.count = parts.improbable;
  found.first = parts.improbable_index;
  found.first_value = parts.improbable_value;
  if (const std::string warning = ImprobableWarning(parts.improbable_path, found, read);
      !warning.empty()) {
    data.warnings.push_back(warning);
  }
  data.improbable = FirstImprobableNumber(parts.improbable_path, found);
  data.S = {Rational(1)};
  data.S.insert(data.S.end(), parts.sums.begin(), parts.sums.end());
  return data;
}

}  // namespace unionbound
