// A whole run on a large "prob.txt" (reading with the sums and both checked bounds) beside the
// parsing limit, a from_chars pass that only sums the same bytes on every core; and the whole
// run on one thread beside the whole run on every thread.
//
// UNIONBOUND_BENCH_PROB names a file to use, with UNIONBOUND_BENCH_N and UNIONBOUND_BENCH_M its
// n and m (e.g. the 166,666,500 numbers of make_prob_file 1000 3); without it a file of n =
// UNIONBOUND_BENCH_EVENTS (300 by default) independent events and orders 1 to 3 is written.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "apps/unionbound/bound_stage.h"
#include "bench/from_chars_sum.h"
#include "bench/prob_text.h"
#include "input/probability_input.h"
#include "moments/binomial.h"

namespace unionbound {
namespace {

struct BenchFile {
  std::filesystem::path path;
  std::int32_t n = 0;
  std::int32_t m = 3;
  bool generated = false;
  std::int64_t bytes = 0;

  BenchFile() {
    if (const char* given = std::getenv("UNIONBOUND_BENCH_PROB")) {
      path = given;
      n = static_cast<std::int32_t>(std::atol(std::getenv("UNIONBOUND_BENCH_N")));
      m = static_cast<std::int32_t>(std::atol(std::getenv("UNIONBOUND_BENCH_M")));
    } else {
      const char* events = std::getenv("UNIONBOUND_BENCH_EVENTS");
      n = static_cast<std::int32_t>(events != nullptr ? std::atol(events) : 300);
      path = std::filesystem::temp_directory_path() / "unionbound-stream-bench.txt";
      std::ofstream out(path, std::ios::binary);
      bench::WriteProbabilityText(n, m, 20261210, out);
      generated = true;
    }
    bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  }
  ~BenchFile() {
    if (generated) {
      std::filesystem::remove(path);
    }
  }
};

const BenchFile& File() {
  static const BenchFile file;
  return file;
}

int AllThreads() {
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void Report(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * File().bytes);
}

// The whole run as the interactive program makes it, less the dialogue and the report: the
// read with its double and exact sums, then both bounds with their exact checks. The argument
// is the thread count, 0 for every hardware thread.
void BM_WholeRun(benchmark::State& state) {
  const BenchFile& file = File();
  const int threads = state.range(0) == 0 ? AllThreads() : static_cast<int>(state.range(0));
  for (auto _ : state) {
    ReadPlan plan = MomentBlocks(file.n, file.m);
    plan.threads = threads;
    const ProbabilityRead read = ReadProbabilityFile(file.path.c_str(), plan);
    Vector S{1.0};
    S.insert(S.end(), read.block_sums.begin(), read.block_sums.end());
    SequenceOf<Rational> exact_S{Rational(1)};
    exact_S.insert(exact_S.end(), read.exact_block_sums.begin(), read.exact_block_sums.end());
    const BoundReport report = ComputeBounds(file.n, file.m, S, read.exact ? &exact_S : nullptr);
    benchmark::DoNotOptimize(report.lower.value);
  }
  state.SetLabel(std::to_string(threads) + " thread(s)");
  Report(state);
}

// The parsing limit: every number converted by from_chars and summed, the file cut into one
// part per hardware thread.
void BM_FromCharsSumAllCores(benchmark::State& state) {
  const BenchFile& file = File();
  const int threads = AllThreads();
  for (auto _ : state) {
    std::vector<double> sums(static_cast<std::size_t>(threads));
    std::vector<std::thread> parts;
    for (int k = 0; k < threads; ++k) {
      parts.emplace_back([&, k] {
        const std::int64_t from = file.bytes * k / threads;
        const std::int64_t to = file.bytes * (k + 1) / threads;
        sums[static_cast<std::size_t>(k)] = bench::FromCharsSum(file.path.c_str(), from, to);
      });
    }
    for (std::thread& part : parts) {
      part.join();
    }
    benchmark::DoNotOptimize(sums);
  }
  state.SetLabel(std::to_string(threads) + " thread(s)");
  Report(state);
}

BENCHMARK(BM_WholeRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FromCharsSumAllCores)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace unionbound
BENCHMARK_MAIN();
