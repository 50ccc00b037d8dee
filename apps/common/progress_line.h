#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace unionbound {

// The progress of a long read on one line: the share of the file read, the speed and the time
// left, e.g. "unionbound: reading "prob.txt": 42% at 310 MB/s, 6 s left". Without a size (a
// file that does not tell it) only the megabytes read and the speed.
std::string ProgressText(const std::string& program, const std::string& path, std::int64_t read,
                         std::optional<std::int64_t> size, double seconds);

// Shows ProgressText on `out` once a read has taken longer than a second, rewriting the line at
// most five times a second, and erases it at the end; shows nothing when `out` is not a
// terminal, so that scripts and logs stay clean. Update is called from the reading threads, one
// call at a time.
class ProgressLine {
 public:
  // `quiet` is how long a read goes on before the line shows.
  ProgressLine(std::string program, std::string path, std::optional<std::int64_t> size,
               std::ostream& out, bool terminal,
               std::chrono::milliseconds quiet = std::chrono::seconds(1));
  ~ProgressLine() { Finish(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Update(std::int64_t read);
  // Erases the line, if one was shown.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  std::string program_;
  std::string path_;
  std::optional<std::int64_t> size_;
  std::ostream& out_;
  bool terminal_;
  std::chrono::milliseconds quiet_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_shown_{};
  std::size_t shown_length_ = 0;
};

// The progress line for "path" on standard error, when standard error is a terminal.
ProgressLine StandardErrorProgress(const std::string& program, const std::string& path);

}  // namespace unionbound
