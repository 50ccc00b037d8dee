// The block reader against the stream-extraction oracle on arbitrary bytes: the same Vector bit
// for bit and the same count of good numbers, from memory and through a real file (whose end
// the reader meets by asking for more data). The first byte chooses how many numbers to ask
// for; the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "driver/probability_input.h"
#include "tests/support/stream_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::int64_t count = data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const unionbound::testing::OracleRead want = unionbound::testing::StreamOracle(text, count);
  // One file per process, removed when it ends.
  struct ScratchFile {
    std::string path =
        (std::filesystem::temp_directory_path() / ("reader-fuzz-" + std::to_string(getpid())))
            .string();
    ~ScratchFile() { std::filesystem::remove(path); }
  };
  static const ScratchFile scratch;
  const std::string& path = scratch.path;
  {
    std::ofstream file(path, std::ios::binary);
    file << text;
  }
  for (const unionbound::ProbabilityRead& got :
       {unionbound::ParseProbabilities(text, count),
        unionbound::ReadProbabilityFile(path.c_str(), count)}) {
    if (got.good != want.good || got.values.size() != want.values.size()) {
      std::abort();
    }
    for (std::size_t k = 0; k < want.values.size(); ++k) {
      if (std::memcmp(&got.values[k], &want.values[k], sizeof(double)) != 0) {
        std::abort();
      }
    }
  }
  return 0;
}
