#pragma once

// The one way the tests catch what the code under test writes on the console. The library and
// the programs' front ends write only through std::cout and std::cerr (never through C's stdio),
// so the capture swaps those streams' buffers: no file per call, fast enough for loops over
// thousands of walks, and Google Test's own reports, which go through C's stdio, still reach
// the terminal when an expectation inside the capture fails. Needs nothing but the standard
// library, so the fuzz targets use it too.

#include <iostream>
#include <sstream>
#include <string>
#include <utility>

namespace unionbound::testing {

// What was written on standard output and standard error.
struct Printed {
  std::string out;
  std::string err;
};

// While it lives, what is written on std::cout and std::cerr is kept instead of shown; the
// console is given back on destruction, also when a test throws.
class ConsoleCapture {
 public:
  ConsoleCapture()
      : saved_out_(std::cout.rdbuf(out_.rdbuf())), saved_err_(std::cerr.rdbuf(err_.rdbuf())) {}
  ~ConsoleCapture() {
    std::cout.rdbuf(saved_out_);
    std::cerr.rdbuf(saved_err_);
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // What was written since the capture began or since the last call.
  Printed Take() {
    Printed printed{out_.str(), err_.str()};
    out_.str("");
    err_.str("");
    return printed;
  }

 private:
  std::ostringstream out_;
  std::ostringstream err_;
  std::streambuf* saved_out_;
  std::streambuf* saved_err_;
};

// Runs `action` and returns what it wrote on both streams.
template <typename Action>
Printed ConsoleOf(Action&& action) {
  ConsoleCapture console;
  std::forward<Action>(action)();
  return console.Take();
}

// Runs `action` and returns what it wrote on standard output, byte for byte; what it wrote on
// standard error is passed on once it has ended.
template <typename Action>
std::string PrintedBy(Action&& action) {
  Printed printed = ConsoleOf(std::forward<Action>(action));
  std::cerr << printed.err;
  return std::move(printed.out);
}

}  // namespace unionbound::testing
