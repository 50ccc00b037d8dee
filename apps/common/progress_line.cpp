#include "apps/common/progress_line.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <system_error>

namespace unionbound {

std::string ProgressText(const std::string& program, const std::string& path, std::int64_t read,
                         std::optional<std::int64_t> size, double seconds) {
  constexpr double kMegabyte = 1e6;
  const double speed = seconds > 0.0 ? static_cast<double>(read) / kMegabyte / seconds : 0.0;
  std::ostringstream text;
  text << program << "reading \"" << path << "\": ";
  if (size && *size > 0) {
    const double share = std::min(1.0, static_cast<double>(read) / static_cast<double>(*size));
    text << static_cast<int>(share * 100.0) << "% at " << std::lround(speed) << " MB/s";
    if (speed > 0.0) {
      const double left = static_cast<double>(*size - read) / kMegabyte / speed;
      text << ", " << std::lround(std::max(0.0, left)) << " s left";
    }
  } else {
    text << std::llround(static_cast<double>(read) / kMegabyte) << " MB at " << std::lround(speed)
         << " MB/s";
  }
  return text.str();
}

ProgressLine::ProgressLine(std::string program, std::string path, std::optional<std::int64_t> size,
                           std::ostream& out, bool terminal, std::chrono::milliseconds quiet)
    : program_(std::move(program)),
      path_(std::move(path)),
      size_(size),
      out_(out),
      terminal_(terminal),
      quiet_(quiet) {}

void ProgressLine::Update(std::int64_t read) {
  if (!terminal_) {
    return;
  }
  const Clock::time_point now = Clock::now();
  constexpr auto kBetweenUpdates = std::chrono::milliseconds(200);
  if (now - start_ < quiet_ || now - last_shown_ < kBetweenUpdates) {
    return;
  }
  last_shown_ = now;
  const std::string text = ProgressText(program_, path_, read, size_,
                                        std::chrono::duration<double>(now - start_).count());
  // Blanks over what a longer line left.
  const std::size_t blanks = shown_length_ > text.size() ? shown_length_ - text.size() : 0;
  out_ << '\r' << text << std::string(blanks, ' ') << std::flush;
  shown_length_ = text.size();
}

void ProgressLine::Finish() {
  if (shown_length_ > 0) {
    out_ << '\r' << std::string(shown_length_, ' ') << '\r' << std::flush;
    shown_length_ = 0;
  }
}

ProgressLine StandardErrorProgress(const std::string& program, const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  std::optional<std::int64_t> known;
  if (!error) {
    known = static_cast<std::int64_t>(size);
  }
  return ProgressLine(program, path, known, std::cerr, isatty(STDERR_FILENO) == 1);
}

}  // namespace unionbound
