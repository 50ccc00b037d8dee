// The general moment program on the binomial moments of n independent events of probability
// 3/10 as exact rationals, S_i = C(n, i) (3/10)^i: each iteration solves the minimum and the
// maximum of one question. UNIONBOUND_BENCH_SMALL=1 divides n by 100 (orders above n are then
// not read).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "bounds/moment_program.h"

namespace unionbound {
namespace {

SequenceOf<Rational> IndependentEvents(std::int32_t n, std::int32_t m) {
  SequenceOf<Rational> S{Rational(1)};
  const Rational p(3, 10);
  for (std::int32_t i = 1; i <= m; ++i) {
    S.push_back(S.back() * (n - i + 1) / i * p);
  }
  return S;
}

// Arguments: n, m, the question (0 at least, 1 exactly) and r in thousandths of n (at least 1).
void BM_MomentProgram(benchmark::State& state) {
  const bool small = std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr;
  const auto n = static_cast<std::int32_t>(state.range(0) / (small ? 100 : 1));
  const auto m = static_cast<std::int32_t>(state.range(1));
  const QuestionKind question =
      state.range(2) == 0 ? QuestionKind::kAtLeast : QuestionKind::kExactly;
  const auto r = std::max<std::int32_t>(1, static_cast<std::int32_t>(n * state.range(3) / 1000));
  const SequenceOf<Rational> S = IndependentEvents(n, m);
  MomentProgramResult low;
  MomentProgramResult high;
  for (auto _ : state) {
    low = SolveMomentProgram(Goal::kMinimum, Question{question, r}, n, S);
    high = SolveMomentProgram(Goal::kMaximum, Question{question, r}, n, S);
    benchmark::DoNotOptimize(low.value.get_mpq_t());
    benchmark::DoNotOptimize(high.value.get_mpq_t());
  }
  state.counters["r"] = r;
  state.counters["pivots_min"] = static_cast<double>(low.pivots);
  state.counters["pivots_max"] = static_cast<double>(high.pivots);
  state.counters["min"] = low.value.get_d();
  state.counters["max"] = high.value.get_d();
}

// (n, m, question, r in thousandths of n)
BENCHMARK(BM_MomentProgram)
    ->ArgNames({"n", "m", "exactly", "r_permille"})
    ->Args({1000, 6, 0, 0})
    ->Args({1000, 6, 0, 300})
    ->Args({1000, 6, 0, 350})
    ->Args({1000, 6, 1, 300})
    ->Args({1000, 6, 1, 350})
    ->Args({10000, 10, 0, 0})
    ->Args({10000, 10, 0, 300})
    ->Args({10000, 10, 0, 320})
    ->Args({10000, 10, 1, 300})
    ->Args({10000, 10, 1, 320})
    ->Args({100, 60, 0, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
