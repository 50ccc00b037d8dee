// The block reader through a real file (whose end it meets by asking for more data) and on
// several threads handing sums over, against the stream-extraction and exact oracles and
// against the read from memory: the same numbers bit for bit, the same exact sums or the same
// refused number, the same stop and messages. Slower than reader_fuzz, which fuzzes the parse
// and the stitching of chunks on one thread in memory; the first byte is read the same way.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "input/probability_input.h"
#include "tests/fuzz/reader_checks.h"
#include "tests/support/stream_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::int64_t count = data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const unionbound::testing::OracleRead want = unionbound::testing::StreamOracle(text, count);
  unionbound::ReadPlan blocks;
  blocks.sizes = unionbound::fuzz::BlockSizes(count, data[0] >> 6);
  const unionbound::testing::ExactSumsOracle exact_want =
      unionbound::testing::ExactBlockSumsOracle(text, blocks.sizes);
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
  const auto same_doubles = [&want, count](const unionbound::ProbabilityRead& got,
                                           const std::vector<std::int64_t>& sizes) {
    return unionbound::fuzz::SameDoubles(got, want, count, sizes);
  };
  // Each read on one thread in the usual chunks, and on several in chunks of a few bytes, so
  // that numbers fall at chunk ends and the threads hand the sums over often.
  const auto plan_for = [&data, count](std::vector<std::int64_t> sizes, bool exact, bool parallel) {
    unionbound::ReadPlan plan;
    plan.sizes = std::move(sizes);
    plan.exact = exact;
    plan.kept = count;
    plan.threads = parallel ? 3 : 1;
    plan.chunk_bytes = parallel ? 1 + data[0] % 7 : 0;
    return plan;
  };
  for (const bool parallel : {false, true}) {
    const unionbound::ReadPlan plain = plan_for({count}, false, parallel);
    for (const unionbound::ProbabilityRead& got :
         {unionbound::ParseProbabilities(text, plain),
          unionbound::ReadProbabilityFile(path.c_str(), plain)}) {
      if (!same_doubles(got, plain.sizes)) {
        std::abort();
      }
    }
  }
  const unionbound::ReadPlan one_thread = plan_for(blocks.sizes, true, false);
  const unionbound::ReadPlan threads = plan_for(blocks.sizes, true, true);
  const unionbound::ProbabilityRead from_memory = unionbound::ParseProbabilities(text, one_thread);
  const unionbound::ProbabilityRead from_file =
      unionbound::ReadProbabilityFile(path.c_str(), one_thread);
  const unionbound::ProbabilityRead from_memory_threads =
      unionbound::ParseProbabilities(text, threads);
  const unionbound::ProbabilityRead from_file_threads =
      unionbound::ReadProbabilityFile(path.c_str(), threads);
  for (const unionbound::ProbabilityRead* got :
       {&from_memory, &from_file, &from_memory_threads, &from_file_threads}) {
    if (!same_doubles(*got, blocks.sizes) || !unionbound::fuzz::SameExactSums(*got, exact_want)) {
      std::abort();
    }
  }
  if (!unionbound::fuzz::SameEndAndMessages(from_memory, from_file_threads, count) ||
      !unionbound::fuzz::SameEndAndMessages(from_memory_threads, from_file, count)) {
    std::abort();
  }
  return 0;
}
