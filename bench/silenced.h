#pragma once

#include <iostream>
#include <sstream>
#include <streambuf>

namespace unionbound::bench {

// Standard output and error sent nowhere while it lives: the programs' stages print messages
// that would only fill a benchmark's output.
struct Silenced {
  std::ostringstream sink;
  std::streambuf* out = std::cout.rdbuf(sink.rdbuf());
  std::streambuf* err = std::cerr.rdbuf(sink.rdbuf());
  ~Silenced() {
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);
  }
};

}  // namespace unionbound::bench
