#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

// Runs the built unionbound in `directory` with `keyboard` as its standard input. With
// `unprivileged`, a run started by root drops to the user nobody, so that permission bits
// bind it as they bind any user (the directory must then be open to all). `arguments` are
// words as the shell splits them; with `out_path` standard output goes there (such as
// "/dev/full") and `out` stays empty.
ProgramRun RunProgram(const std::filesystem::path& directory, const std::string& keyboard,
                      bool unprivileged = false, const std::string& arguments = "",
                      const std::string& out_path = "");

// Runs the built unionbound-batch in `directory` with `arguments` (words as the shell splits
// them) and no standard input; `out_path` as for RunProgram.
ProgramRun RunBatch(const std::filesystem::path& directory, const std::string& arguments,
                    const std::string& out_path = "");

// The same with `input` as its standard input.
ProgramRun RunBatchWithInput(const std::filesystem::path& directory, const std::string& arguments,
                             const std::string& input);

// Whether an unprivileged run can work here: always for an ordinary user; for root, when the
// user nobody can reach and run the built program (a checkout under /root cannot).
bool UnprivilegedRunsPossible();

// The text with every running-time figure replaced by "<time>".
std::string MaskRunningTimes(const std::string& text);

// The lines of `text` without their ends, each with `prefix` (a program's name, such as
// "unionbound: ") taken off its start where it has it.
std::vector<std::string> LinesWithout(const std::string& prefix, const std::string& text);

// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace unionbound::testing
