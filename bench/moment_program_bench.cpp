// The general moment program on the binomial moments of n independent events of probability
// 3/10 as exact rationals, S_i = C(n, i) (3/10)^i, and on moments fixed as n grows: each
// iteration solves the minimum and the maximum of one question, with the second phase pricing
// from the local minima of the reduced costs and, beside it, by scanning every column.
// UNIONBOUND_BENCH_SMALL=1 divides n by 100 (orders above n are then not read).
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

Pricing PricingOf(std::int64_t scan) {
  return scan != 0 ? Pricing::kScan : Pricing::kRoots;
}

void Solve(benchmark::State& state, const Question& question, std::int32_t n,
           const SequenceOf<Rational>& S, Pricing pricing) {
  MomentProgramResult low;
  MomentProgramResult high;
  for (auto _ : state) {
    low = SolveMomentProgram(Goal::kMinimum, question, n, S, pricing);
    high = SolveMomentProgram(Goal::kMaximum, question, n, S, pricing);
    benchmark::DoNotOptimize(low.value.get_mpq_t());
    benchmark::DoNotOptimize(high.value.get_mpq_t());
  }
  state.counters["pivots_min"] = static_cast<double>(low.pivots);
  state.counters["pivots_max"] = static_cast<double>(high.pivots);
  state.counters["min"] = low.value.get_d();
  state.counters["max"] = high.value.get_d();
}

std::int32_t Events(const benchmark::State& state) {
  const bool small = std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr;
  return static_cast<std::int32_t>(state.range(0) / (small ? 100 : 1));
}

// Arguments: n, m, the question (0 at least, 1 exactly), r in thousandths of n (at least 1), and
// the pricing (0 from the local minima, 1 by scanning).
void BM_MomentProgram(benchmark::State& state) {
  const std::int32_t n = Events(state);
  const auto m = static_cast<std::int32_t>(state.range(1));
  const QuestionKind question =
      state.range(2) == 0 ? QuestionKind::kAtLeast : QuestionKind::kExactly;
  const auto r = std::max<std::int32_t>(1, static_cast<std::int32_t>(n * state.range(3) / 1000));
  Solve(state, Question{question, r}, n, IndependentEvents(n, m), PricingOf(state.range(4)));
  state.counters["r"] = r;
}

// (n, m, question, r in thousandths of n), each with both pricings one after the other.
void Rows(benchmark::internal::Benchmark* b) {
  const std::int64_t rows[][4] = {
      {1000, 6, 0, 0},     {1000, 6, 0, 300},   {1000, 6, 0, 350},   {1000, 6, 1, 300},
      {1000, 6, 1, 350},   {10000, 10, 0, 0},   {10000, 10, 0, 300}, {10000, 10, 0, 320},
      {10000, 10, 1, 300}, {10000, 10, 1, 320}, {100, 60, 0, 0},
  };
  for (const auto& row : rows) {
    for (const std::int64_t scan : {0, 1}) {
      b->Args({row[0], row[1], row[2], row[3], scan});
    }
  }
}

BENCHMARK(BM_MomentProgram)
    ->ArgNames({"n", "m", "exactly", "r_permille", "scan"})
    ->Apply(Rows)
    ->Unit(benchmark::kMillisecond);

// P(X >= 2) from S_1 = 100 and S_2 = 4999.99995 as n grows: the scan's pivots cost n each, the
// pricing from the local minima about log n. Arguments: n and the pricing as above.
void BM_FixedMoments(benchmark::State& state) {
  const std::int32_t n = Events(state);
  const SequenceOf<Rational> S{Rational(1), Rational(100), Rational(99999999, 20000)};
  Solve(state, Question{QuestionKind::kAtLeast, 2}, n, S, PricingOf(state.range(1)));
}

BENCHMARK(BM_FixedMoments)
    ->ArgNames({"n", "scan"})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->Args({1000000, 0})
    ->Args({1000000, 1})
    ->Args({100000000, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
