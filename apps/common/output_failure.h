#pragma once

#include <cerrno>
#include <cstdio>
#include <iostream>

namespace unionbound {

// The first failure to write standard output, noticed after each flush: the stream drops what
// it could not write, so a later flush no longer tells why.
class OutputFailure {
 public:
  void Notice() {
    if (error_ == 0 && (!std::cout.good() || std::ferror(stdout) != 0)) {
      error_ = errno != 0 ? errno : EIO;
    }
  }
  // Flushes what is left and notices a failure; 0 or its errno.
  int Flush() {
    errno = 0;
    std::cout.flush();
    std::fflush(stdout);
    Notice();
    return error_;
  }

 private:
  int error_ = 0;
};

}  // namespace unionbound
