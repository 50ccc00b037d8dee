// Reading "prob.txt": the block reader beside the plain stream extraction it replaces and a
// from_chars pass that only sums the same bytes, and the block reader again with the exact
// block sums taken in the same pass. UNIONBOUND_BENCH_EVENTS sets the number of events n of the
// generated file (orders 1 and 2); the default 4472 gives 10^7 numbers.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <vector>

#include "bench/from_chars_sum.h"
#include "bench/prob_text.h"
#include "input/probability_input.h"

namespace unionbound {
namespace {

struct GeneratedFile {
  std::filesystem::path path;
  std::int64_t count = 0;
  std::int64_t bytes = 0;
  ExactBlocks blocks;

  GeneratedFile() {
    const char* events = std::getenv("UNIONBOUND_BENCH_EVENTS");
    const auto n = static_cast<std::int32_t>(events != nullptr ? std::atol(events) : 4472);
    path = std::filesystem::temp_directory_path() / "unionbound-reader-bench.txt";
    blocks = MomentBlocks(n, 2);
    std::ofstream out(path, std::ios::binary);
    count = bench::WriteProbabilityText(n, 2, 20261210, out);
    out.close();
    bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  ~GeneratedFile() { std::filesystem::remove(path); }
};

// Written on first use, which each benchmark makes before its timing starts.
const GeneratedFile& File() {
  static const GeneratedFile file;
  return file;
}

void Report(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * File().bytes);
  state.counters["numbers"] = static_cast<double>(File().count);
}

void BM_BlockReader(benchmark::State& state) {
  const GeneratedFile& prob = File();
  for (auto _ : state) {
    const ProbabilityRead read = ReadProbabilityFile(prob.path.c_str(), prob.count);
    benchmark::DoNotOptimize(read.block_sums.back());
  }
  Report(state);
}

// The same read, with each block's sum also taken exactly.
void BM_BlockReaderExactSums(benchmark::State& state) {
  const GeneratedFile& prob = File();
  for (auto _ : state) {
    const ProbabilityRead read = ReadProbabilityFile(prob.path.c_str(), prob.blocks);
    benchmark::DoNotOptimize(read.block_sums.back());
    benchmark::DoNotOptimize(read.exact_block_sums.back());
  }
  Report(state);
}

void BM_StreamExtraction(benchmark::State& state) {
  const GeneratedFile& prob = File();
  for (auto _ : state) {
    std::ifstream in(prob.path);
    in.imbue(std::locale::classic());
    Vector values;
    double x = 0.0;
    for (std::int64_t k = 0; k < prob.count; ++k) {
      in >> x;
      values.push_back(x);
    }
    benchmark::DoNotOptimize(values.back());
  }
  Report(state);
}

// The floor for any reader that converts every number: block reads and from_chars, summing
// instead of storing.
void BM_FromCharsSumOnly(benchmark::State& state) {
  const GeneratedFile& prob = File();
  for (auto _ : state) {
    benchmark::DoNotOptimize(bench::FromCharsSum(prob.path.c_str(), 0, prob.bytes));
  }
  Report(state);
}

BENCHMARK(BM_BlockReader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlockReaderExactSums)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamExtraction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FromCharsSumOnly)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
