// The bounds from every intersection beside the sums' sharp bounds, on the same random system of
// n events over a sample space of 40 equally weighted points (each event holds each point with
// probability 1/4): each iteration solves both sides of the union. UNIONBOUND_BENCH_SMALL=1 runs
// n = 6 only, so that the benchmark keeps building and running with the tests.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "bounds/atom_program.h"
#include "bounds/moment_program.h"

namespace unionbound {
namespace {

// The intersections of orders 1 .. m in the order of prob.txt, exactly.
std::vector<Rational> RandomSystem(std::int32_t n, std::int32_t m) {
  std::mt19937 random(20261211);
  std::bernoulli_distribution holds(0.25);
  std::vector<std::uint32_t> points(40);
  for (std::uint32_t& point : points) {
    for (std::int32_t event = 0; event < n; ++event) {
      point |= holds(random) ? std::uint32_t{1} << event : 0;
    }
  }
  std::vector<Rational> values;
  for (const std::uint32_t subset : SubsetsInFileOrder(n, m)) {
    std::int64_t count = 0;
    for (const std::uint32_t point : points) {
      count += (point & subset) == subset ? 1 : 0;
    }
    values.emplace_back(count, 40);
    values.back().canonicalize();
  }
  return values;
}

bool Small() {
  return std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr;
}

void EveryIntersection(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(Small() ? 6 : state.range(0));
  const auto m = static_cast<std::int32_t>(state.range(1));
  const std::vector<Rational> values = RandomSystem(n, m);
  AtomInterval interval;
  for (auto _ : state) {
    interval = SolveAtomInterval(kUnion, n, m, values);
    benchmark::DoNotOptimize(interval.lower.value.get_mpq_t());
  }
  state.counters["lower"] = interval.lower.value.get_d();
  state.counters["upper"] = interval.upper.value.get_d();
  state.counters["pivots"] = static_cast<double>(interval.lower.pivots + interval.upper.pivots);
}

void SumsOnly(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(Small() ? 6 : state.range(0));
  const auto m = static_cast<std::int32_t>(state.range(1));
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, m);
  const std::vector<Rational> values = RandomSystem(n, m);
  MomentProgramResult low;
  MomentProgramResult high;
  for (auto _ : state) {
    // The sums as a run forms them, then both sharp bounds.
    SequenceOf<Rational> S(static_cast<std::size_t>(m) + 1);
    S[0] = 1;
    for (std::size_t i = 0; i < subsets.size(); ++i) {
      S[static_cast<std::size_t>(std::popcount(subsets[i]))] += values[i];
    }
    low = SolveMomentProgram(Goal::kMinimum, kUnion, n, S);
    high = SolveMomentProgram(Goal::kMaximum, kUnion, n, S);
    benchmark::DoNotOptimize(low.value.get_mpq_t());
  }
  state.counters["lower"] = low.value.get_d();
  state.counters["upper"] = high.value.get_d();
}

void Sizes(benchmark::internal::Benchmark* bench) {
  bench->Unit(benchmark::kMillisecond);
  for (const auto& [n, m] :
       std::vector<std::pair<int, int>>{{10, 2}, {16, 2}, {20, 2}, {10, 3}, {12, 3}}) {
    bench->Args({n, m});
    if (Small()) {
      return;
    }
  }
}

BENCHMARK(SumsOnly)->Apply(Sizes);
BENCHMARK(EveryIntersection)->Apply(Sizes)->Iterations(1);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
