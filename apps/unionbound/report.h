#pragma once

#include <ostream>
#include <string_view>

#include "bounds/bound_result.h"
#include "numeric/types.h"

namespace unionbound {

// A line end, then "{", every entry followed by ",", "}", and a line end.
void PrintIndexVector(const IndexVector& v, std::ostream& s);

// The bounds of one run with the running time of each solver call, in seconds.
struct BoundReport {
  BoundResult lower;
  BoundResult upper;
  double lower_time = 0.0;
  double upper_time = 0.0;
  // The exact check found that no distribution has these moments: no value is a bound.
  bool fits_no_distribution = false;
};

// The thirteen lines of the two bound blocks. Reals take the stream's notation (fixed-point in
// the result file, general on the console) with 15 digits.
void WriteBoundBlocks(const BoundReport& report, std::ostream& s);

// A file that reports are appended to whole: opened for appending (created when missing) on
// construction, each report then written by one append under an exclusive advisory lock, so
// that runs started at once in one folder leave whole reports, in some order.
class AppendFile {
 public:
  explicit AppendFile(const char* path);
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // 0 when the file is open, else the errno of the failed open.
  int open_error() const { return open_error_; }
  // Appends all of `bytes` and closes the file; 0, or the errno of the first failure. A lock
  // that cannot be taken (a file system without locks) does not stop the append.
  int AppendAndClose(std::string_view bytes);

 private:
  int fd_ = -1;
  int open_error_ = 0;
};

}  // namespace unionbound
