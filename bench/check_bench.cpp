// The bound stage with and without its exact check, side by side: on binomial moments given
// directly at (n, m) = (10^4, 10), and as the whole computation of a run on a generated file of
// 20,005,975 numbers (n = 6325, m = 2): reading, the binomial moments and both bounds. The
// checked file run reads the exact block sums in the same pass, as the program does.
// UNIONBOUND_BENCH_SMALL=1 makes both small, so that the tests can run it once.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "apps/unionbound/bound_stage.h"
#include "bench/prob_text.h"
#include "bench/silenced.h"
#include "input/probability_input.h"
#include "moments/binomial.h"
#include "moments/binomial_moments.h"

namespace unionbound {
namespace {

bool Small() {
  return std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr;
}

// The binomial moments C(n, i) p^i of n independent events of probability p = 0.02 in double
// (as the solve benchmark takes them), and the exact values of those doubles, as a file of
// their decimals would give them. The double walks make some hundreds of basis changes each;
// the exact check of each is one exact test of its final basis.
void BM_MomentsGiven(benchmark::State& state) {
  const bool checked = state.range(0) == 1;
  const std::int32_t n = Small() ? 100 : 10000;
  const std::int32_t m = 10;
  Vector S{1.0};
  SequenceOf<Rational> S_exact{Rational(1)};
  for (std::int32_t i = 1; i <= m; ++i) {
    double binomial = 1.0;
    for (std::int32_t j = 1; j <= i; ++j) {
      binomial = binomial * (n - i + j) / j;
    }
    S.push_back(binomial * std::pow(0.02, i));
    S_exact.push_back(Rational(S.back()));
  }
  const bench::Silenced silenced;
  for (auto _ : state) {
    const BoundReport report = ComputeBounds(n, m, S, checked ? &S_exact : nullptr);
    benchmark::DoNotOptimize(report.lower.value);
  }
  state.SetLabel(checked ? "checked" : "double walk only");
}

struct GeneratedFile {
  std::filesystem::path path;
  std::int32_t n = Small() ? 200 : 6325;
  GeneratedFile() {
    path = std::filesystem::temp_directory_path() / "unionbound-check-bench.txt";
    std::ofstream out(path, std::ios::binary);
    bench::WriteProbabilityText(n, 2, 20261210, out);
  }
  ~GeneratedFile() { std::filesystem::remove(path); }
};

const GeneratedFile& File() {
  static const GeneratedFile file;
  return file;
}

void BM_WholeRunOnAFile(benchmark::State& state) {
  const bool checked = state.range(0) == 1;
  const GeneratedFile& file = File();
  const bench::Silenced silenced;
  for (auto _ : state) {
    ReadPlan plan = MomentBlocks(file.n, 2);
    plan.exact = checked;
    const ProbabilityRead read = ReadProbabilityFile(file.path.c_str(), plan);
    Vector S{1.0};
    S.insert(S.end(), read.block_sums.begin(), read.block_sums.end());
    SequenceOf<Rational> S_exact{Rational(1)};
    S_exact.insert(S_exact.end(), read.exact_block_sums.begin(), read.exact_block_sums.end());
    const BoundReport report = ComputeBounds(file.n, 2, S, checked ? &S_exact : nullptr);
    benchmark::DoNotOptimize(report.lower.value);
  }
  state.SetLabel(checked ? "checked" : "double walk only");
}

BENCHMARK(BM_MomentsGiven)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeRunOnAFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
