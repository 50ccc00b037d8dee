#include "input/probability_input.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "input/decimal_syntax.h"
#include "input/exact_sums.h"
#include "input/file_handle.h"
#include "input/token_scan.h"
#include "moments/binomial.h"
#include "moments/block_sums.h"

namespace unionbound {
namespace {

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
  ChunkSource(std::FILE* file, std::size_t chunk_bytes, std::size_t longest_word,
              ReadProgress progress)
      : file_(file),
        chunk_bytes_(chunk_bytes),
        longest_word_(longest_word),
        progress_(std::move(progress)) {}
  ChunkSource(std::string_view text, std::size_t chunk_bytes)
      : text_(text), chunk_bytes_(chunk_bytes) {}

  // The next chunk, its text in `storage` for a file; false once the last one was handed out or
  // `stop` is set. A chunk with no white space grows until white space or the end of the data,
  // or, from a file, until it holds more than the longest word: it is then the last chunk, and
  // its parse stops at that word.
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
      if (had > longest_word_) {
        chunk.text = std::string_view(storage.data(), storage.size());
        chunk.last = true;
        return;
      }
      // Growing no further than one byte past the longest word bounds the memory a word takes.
      const std::size_t wanted =
          std::max(chunk_bytes_, std::min(had, longest_word_ + 1 - had + chunk_bytes_));
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
  std::size_t longest_word_ = 0;
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
  bool overlong = false;        // the token there starts a word longer than the longest word
  std::string_view last_token;  // the text of the last number
  LineMarks lines;              // before the stop, or in the whole chunk

  void Clear() {
    values.clear();
    exact = ExactPart{};
    stopped = false;
    stop_offset = 0;
    overlong = false;
    last_token = {};
    lines = LineMarks{};
  }
};

// Where the first word longer than `longest` starts in `text`, or the text's size. Only a chunk
// longer than that can hold one, which a read in the usual chunks meets only at such a word.
std::size_t FirstOverlongWord(std::string_view text, std::size_t longest) {
  if (text.size() <= longest) {
    return text.size();
  }
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (IsSpace(text[at])) {
      start = at + 1;
    } else if (at - start >= longest) {
      return start;
    }
  }
  return text.size();
}

std::size_t LongestWord(const ReadPlan& plan) {
  return plan.longest_word > 0 ? plan.longest_word : kLongestWord;
}

template <bool kExact>
void ParseChunk(std::string_view whole, std::size_t longest_word, ChunkNumbers& numbers) {
  numbers.Clear();
  const std::size_t overlong = FirstOverlongWord(whole, longest_word);
  const std::string_view text = whole.substr(0, overlong);
  const char* const first = text.data();
  const auto space = [&numbers, first](const char* p) {
    if (*p == '\n') {
      ++numbers.lines.line_ends;
      numbers.lines.last_line_end = p - first;
      numbers.lines.blank_since_line_end = true;
    }
  };
  const auto visit = [&numbers](const Token& token, std::string_view written, double value) {
    if constexpr (kExact) {
      numbers.exact.Add(token, written, static_cast<std::int64_t>(numbers.values.size()));
    }
    numbers.values.push_back(value);
    numbers.last_token = written;
    numbers.lines.blank_since_line_end = false;
  };
  const std::size_t stop =
      ScanNumbers(text, std::numeric_limits<std::int64_t>::max(), visit, space);
  numbers.stopped = stop < whole.size();
  numbers.stop_offset = stop;
  numbers.overlong = stop == overlong && overlong < whole.size();
}

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
      read_.stop = StopIn(chunk.text, numbers.stop_offset, numbers.lines, lines_);
      read_.stop.overlong = numbers.overlong;
    } else if (chunk.last) {
      ended_ = true;
      read_.end = ReadEnd::kEndOfData;
    } else {
      lines_.Pass(chunk.text, numbers.lines);
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
  const std::size_t longest_word = LongestWord(plan);

  const auto work = [&](BlockParts& mine) {
    std::vector<char> storage;
    ChunkNumbers numbers;
    Chunk chunk;
    while (source.Next(chunk, storage, ended)) {
      if (plan.exact) {
        ParseChunk<true>(chunk.text, longest_word, numbers);
      } else {
        ParseChunk<false>(chunk.text, longest_word, numbers);
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
      TakeExactSums(exact, chunk.text, numbers.exact, mine);
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
    FinishExactSums(parts, plan.sizes, count, last_text, read);
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
                     LongestWord(plan), plan.progress);
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

ImprobableNumbers FindImprobableNumbers(const ProbabilityRead& read) {
  return read.improbable;
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