// The batch program's whole command line, run in-process: whatever the words, a run answers
// (status 0, a report on standard output) or ends with one of the statuses it documents, never
// with a crash, and a refusal of its arguments (status 2) prints nothing on standard output. The
// input is the words, one a line. The runs take place in a scratch folder holding a small
// probability file ("p.txt") and one that is not read whole ("short.txt"); words that could
// name a file outside it, and counts above 300 (whose runs take long, not wrong), are skipped.
// Since the folder is made current, libFuzzer is given its corpus folders by absolute paths.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "apps/unionbound-batch/batch_main.h"

namespace {

// A scratch folder made current for the whole process, removed when it ends.
struct ScratchFolder {
  std::filesystem::path path;
  ScratchFolder() {
    path = std::filesystem::temp_directory_path() /
           ("batch-options-fuzz-" + std::to_string(std::rand()) + "-" +
            std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
    std::ofstream(path / "p.txt") << "0.5 0.5 0.5 0.25 0.25 0.25\n";
    std::ofstream(path / "short.txt") << "0.5 0.5 x\n";
    // "--sums -" reads standard input to its end, which the fuzzer's own may never reach.
    if (std::freopen("/dev/null", "r", stdin) == nullptr) {
      std::abort();
    }
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Whether a run on these words stays quick and inside the scratch folder.
bool Harmless(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    const std::size_t equals = word.find('=');
    const std::string_view value = equals == std::string::npos
                                       ? std::string_view(word)
                                       : std::string_view(word).substr(equals + 1);
    if (word.find("..") != std::string::npos || word.find("/dev") != std::string::npos ||
        value.rfind('/', 0) == 0 ||
        (AllDigits(value) && (value.size() > 3 || std::stoi(std::string(value)) > 300))) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFolder folder;
  std::vector<std::string> words{"unionbound-batch"};
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  for (std::string word; words.size() <= 16 && std::getline(lines, word);) {
    // The program sees a word up to its first NUL, as it would in argv.
    words.push_back(word.substr(0, word.find('\0')));
  }
  if (!Harmless(words)) {
    return 0;
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) {
    argv.push_back(word.c_str());
  }
  argv.push_back(nullptr);

  std::ostringstream out;
  std::ostringstream err;
  std::streambuf* const cout_buffer = std::cout.rdbuf(out.rdbuf());
  std::streambuf* const cerr_buffer = std::cerr.rdbuf(err.rdbuf());
  const int status = unionbound::BatchMain(static_cast<int>(words.size()), argv.data());
  std::cout.rdbuf(cout_buffer);
  std::cerr.rdbuf(cerr_buffer);
  std::cout.clear();
  std::cerr.clear();

  const bool answered = status == 0 && !out.str().empty();
  const bool refused = status >= 1 && status <= 6 && status != 3 && !err.str().empty() &&
                       (status != 2 || out.str().empty());
  if (!answered && !refused) {
    std::abort();
  }
  return 0;
}
