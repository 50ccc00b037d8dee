#include "tests/support/run_program.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace unionbound::testing {
namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() {
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = fs::temp_directory_path() / ("unionbound-test-" + std::to_string(seed()));
    if (fs::create_directory(path_)) {
      return;
    }
  }
  throw std::runtime_error("no scratch directory could be made");
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

void ScratchDirectory::Write(const std::string& name, const std::string& contents) const {
  std::ofstream file(path_ / name, std::ios::binary);
  file << contents;
}

std::string ScratchDirectory::Read(const std::string& name) const {
  return ReadWholeFile(path_ / name);
}

bool ScratchDirectory::Exists(const std::string& name) const {
  return fs::exists(fs::symlink_status(path_ / name));
}

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

namespace {

// Runs `command` (already quoted for the shell) in `directory` with `keyboard` as its standard
// input, collecting what it wrote.
ProgramRun RunIn(const fs::path& directory, const std::string& command, const std::string& keyboard,
                 const std::string& out_path = "") {
  const fs::path input = directory / ".keyboard";
  const fs::path out = out_path.empty() ? directory / ".stdout" : fs::path(out_path);
  const fs::path err = directory / ".stderr";
  {
    std::ofstream file(input, std::ios::binary);
    file << keyboard;
  }
  const std::string line = "cd '" + directory.string() + "' && " + command + " < '" +
                           input.string() + "' > '" + out.string() + "' 2> '" + err.string() + "'";
  const int status = std::system(line.c_str());
  ProgramRun run;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = out_path.empty() ? ReadWholeFile(out) : "";
  run.err = ReadWholeFile(err);
  fs::remove(input);
  if (out_path.empty()) {
    fs::remove(out);
  }
  fs::remove(err);
  return run;
}

}  // namespace

ProgramRun RunProgram(const fs::path& directory, const std::string& keyboard, bool unprivileged,
                      const std::string& arguments, const std::string& out_path) {
  const std::string as_nobody =
      unprivileged && geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  return RunIn(directory, as_nobody + "'" UNIONBOUND_PROGRAM "' " + arguments, keyboard, out_path);
}

ProgramRun RunBatch(const fs::path& directory, const std::string& arguments,
                    const std::string& out_path) {
  return RunIn(directory, "'" UNIONBOUND_BATCH_PROGRAM "' " + arguments, "", out_path);
}

ProgramRun RunBatchWithInput(const fs::path& directory, const std::string& arguments,
                             const std::string& input) {
  return RunIn(directory, "'" UNIONBOUND_BATCH_PROGRAM "' " + arguments, input);
}

bool UnprivilegedRunsPossible() {
  if (geteuid() != 0) {
    return true;
  }
  const std::string probe =
      "setpriv --reuid=65534 --regid=65534 --clear-groups test -x '" UNIONBOUND_PROGRAM "'";
  return std::system(probe.c_str()) == 0;
}

std::vector<std::string> LinesWithout(const std::string& prefix, const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
  }
  return lines;
}

std::string MaskRunningTimes(const std::string& text) {
  static const std::regex kTime("Running time: [^\n]*");
  return std::regex_replace(text, kTime, "Running time: <time>");
}

}  // namespace unionbound::testing
