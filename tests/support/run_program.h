#pragma once

#include <filesystem>
#include <string>

namespace unionbound::testing {

// What one run of the built program left behind.
struct ProgramRun {
  int exit_status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// A fresh empty directory under the system's temporary directory, removed on destruction.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void Write(const std::string& name, const std::string& contents) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Runs the built unionbound in `directory` with `keyboard` as its standard input.
ProgramRun RunProgram(const std::filesystem::path& directory, const std::string& keyboard);

// The text with every running-time figure replaced by "<time>".
std::string MaskRunningTimes(const std::string& text);

// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace unionbound::testing
