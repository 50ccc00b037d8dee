#pragma once

// A C stream closed when it goes out of scope, for the reader's own reads.

#include <cstdio>
#include <memory>

namespace unionbound {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, CloseFile>;

}  // namespace unionbound
