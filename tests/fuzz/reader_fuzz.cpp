// The block reader from memory against the stream-extraction oracle on arbitrary bytes: the same
// numbers bit for bit and the same count of good ones, the exact block sums equal to the sums
// of ExactDecimal of each number read (or the same first number refused), and the same stop,
// place and messages whether the text is one chunk or cut into chunks of a few bytes, so that
// numbers fall across every chunk boundary. One thread and no file, so that a run costs about
// what the parse does; reader_file_fuzz covers files and threads. The first byte chooses how
// many numbers to ask for (its low six bits), how they fall into blocks (its top two) and the
// small chunks' size; the rest is the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/probability_input.h"
#include "tests/fuzz/reader_checks.h"
#include "tests/support/exact_sums_oracle.h"
#include "tests/support/stream_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::int64_t count = data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::int64_t> sizes = unionbound::fuzz::BlockSizes(count, data[0] >> 6);
  const unionbound::testing::OracleRead want = unionbound::testing::StreamOracle(text, count);
  const unionbound::testing::ExactSumsOracle exact_want =
      unionbound::testing::ExactBlockSumsOracle(text, sizes);

  const auto read = [&](const std::vector<std::int64_t>& blocks, bool exact, bool small_chunks) {
    unionbound::ReadPlan plan;
    plan.sizes = blocks;
    plan.exact = exact;
    plan.kept = count;
    plan.threads = 1;
    plan.chunk_bytes = small_chunks ? 1 + data[0] % 7 : 0;
    return unionbound::ParseProbabilities(text, plan);
  };
  for (const bool small_chunks : {false, true}) {
    if (!unionbound::fuzz::SameDoubles(read({count}, false, small_chunks), want, count, {count})) {
      std::abort();
    }
  }
  const unionbound::ProbabilityRead whole = read(sizes, true, false);
  const unionbound::ProbabilityRead chunked = read(sizes, true, true);
  for (const unionbound::ProbabilityRead* got : {&whole, &chunked}) {
    if (!unionbound::fuzz::SameDoubles(*got, want, count, sizes) ||
        !unionbound::fuzz::SameExactSums(*got, exact_want)) {
      std::abort();
    }
  }
  if (!unionbound::fuzz::SameEndAndMessages(whole, chunked, count)) {
    std::abort();
  }
  return 0;
}
