// The block reader against the stream-extraction oracle on arbitrary bytes: the same Vector bit
// for bit and the same count of good numbers, from memory and through a real file (whose end
// the reader meets by asking for more data); and the exact block sums against ExactDecimal of
// each number read, or the same first number refused. The first byte chooses how many numbers
// to ask for (its low six bits) and how they fall into blocks (its top two); the rest is the
// file. The messages about the read are made for every input and the stop's place is compared.
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
#include "input/read_messages.h"
#include "tests/support/exact_sums_oracle.h"
#include "tests/support/stream_oracle.h"

namespace {

// `count` numbers in blocks of `size` (the last one shorter), or with `size` 0 in one block
// followed by an empty one.
std::vector<std::int64_t> BlockSizes(std::int64_t count, std::int64_t size) {
  if (size == 0) {
    return {count, 0};
  }
  std::vector<std::int64_t> sizes;
  for (std::int64_t left = count; left > 0; left -= size) {
    sizes.push_back(left < size ? left : size);
  }
  return sizes;
}

// The read gives the oracle's sums, or names the number the oracle refused by its place.
bool SameExactSums(const unionbound::ProbabilityRead& got,
                   const unionbound::testing::ExactSumsOracle& want) {
  if (!want.sums) {
    return !got.exact && got.exact_block_sums.empty() &&
           got.exact_problem.find("number " + std::to_string(want.place) + ", \"" +
                                  want.refused.substr(0, 20)) != std::string::npos;
  }
  return got.exact && got.exact_problem.empty() && got.exact_block_sums == *want.sums;
}

// The messages about where and why reading stopped, about more numbers than asked for and about
// numbers that are no probabilities can be made for any read, and the place of the stop is the
// same from memory and from a file (the inputs are far smaller than a block).
bool SameEndAndMessages(const unionbound::ProbabilityRead& memory,
                        const unionbound::ProbabilityRead& file, std::int64_t count) {
  const unionbound::StopPlace& a = memory.stop;
  const unionbound::StopPlace& b = file.stop;
  const bool stopped = memory.end == unionbound::ReadEnd::kNotANumber;
  const bool stop_ok = !stopped || (a.line >= 1 && a.column >= 1 && !a.word.empty() &&
                                    a.word.size() <= unionbound::kShownToken &&
                                    a.number_before.size() <= unionbound::kShownToken);
  const std::string warnings[] = {unionbound::StopWarning("prob.txt", memory),
                                  unionbound::ExcessWarning("prob.txt", memory, count, 3, 2),
                                  unionbound::ImprobableWarning("prob.txt", memory)};
  return stop_ok && memory.end == file.end && memory.more_follows == file.more_follows &&
         a.line == b.line && a.column == b.column && a.word == b.word && a.word_cut == b.word_cut &&
         a.number_before == b.number_before && a.starts_line == b.starts_line &&
         warnings[0].empty() == !stopped && warnings[1].empty() == !memory.more_follows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const std::int64_t count = data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const unionbound::testing::OracleRead want = unionbound::testing::StreamOracle(text, count);
  unionbound::ReadPlan blocks;
  blocks.sizes = BlockSizes(count, data[0] >> 6);
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
  // The numbers kept and the block sums, bit for bit those of the stored numbers.
  const auto same_doubles = [&want, count](const unionbound::ProbabilityRead& got,
                                           const std::vector<std::int64_t>& sizes) {
    const unionbound::Vector values = unionbound::KeptValues(got, count);
    if (got.good != want.good || got.block_sums.size() != sizes.size() ||
        !std::equal(want.values.begin(), want.values.end(), values.begin(),
                    [](double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; })) {
      return false;
    }
    std::size_t next = 0;
    for (std::size_t block = 0; block < sizes.size(); ++block) {
      double sum = 0.0;
      for (std::int64_t k = 0; k < sizes[block]; ++k, ++next) {
        sum = sum + want.values[next];
      }
      if (std::memcmp(&sum, &got.block_sums[block], sizeof sum) != 0) {
        return false;
      }
    }
    return true;
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
    if (!same_doubles(*got, blocks.sizes) || !SameExactSums(*got, exact_want)) {
      std::abort();
    }
  }
  if (!SameEndAndMessages(from_memory, from_file_threads, count) ||
      !SameEndAndMessages(from_memory_threads, from_file, count)) {
    std::abort();
  }
  return 0;
}
