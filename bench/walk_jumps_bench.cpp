// Both bounds of the union by the walk that jumps across runs of equal basis changes and by the
// walk of single steps, side by side, in double (the interactive program's walk) and in exact
// arithmetic (the batch program's). The moments are those of n independent events of
// probability p, S_i = C(n, i) p^i, whose optimal bases lie about n p subscripts up; p = 1/2
// with m = 1 is the interactive program's `0.5 0.5` case. UNIONBOUND_BENCH_SMALL=1 divides n by
// 100.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bounds/sharp_bounds.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

SequenceOf<Rational> IndependentEvents(std::int32_t n, std::int32_t m, const Rational& p) {
  SequenceOf<Rational> S;
  Rational power = 1;
  for (std::int32_t i = 0; i <= m; ++i) {
    mpz_class choose;
    mpz_bin_uiui(choose.get_mpz_t(), static_cast<unsigned long>(n), static_cast<unsigned long>(i));
    S.push_back(Rational(choose) * power);
    power *= p;
  }
  return S;
}

template <class Number>
UnionProgramOf<Number> ProgramOf(std::int32_t n, const SequenceOf<Rational>& S) {
  if constexpr (std::is_same_v<Number, double>) {
    Vector nearest;
    for (const Rational& s : S) {
      nearest.push_back(NearestDouble(s));
    }
    return UnionProgram<double>(n, nearest);
  } else {
    return UnionProgram<Rational>(n, S);
  }
}

template <class Number, WalkStride kStride>
void BM_BothBounds(benchmark::State& state) {
  const bool small = std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr;
  const auto n = static_cast<std::int32_t>(state.range(0) / (small ? 100 : 1));
  const auto m = static_cast<std::int32_t>(state.range(1));
  Rational p(state.range(2), 1000);
  p.canonicalize();
  const UnionProgramOf<Number> program = ProgramOf<Number>(n, IndependentEvents(n, m, p));
  std::int64_t changes = 0;
  int found = 0;
  for (auto _ : state) {
    const BoundWalkOf<Number> lower =
        WalkToSharpBound<Number>(Side::kLower, program, nullptr, kStride);
    const BoundWalkOf<Number> upper =
        WalkToSharpBound<Number>(Side::kUpper, program, nullptr, kStride);
    changes = lower.basis_changes + upper.basis_changes;
    found = (lower.end == WalkEnd::kOptimal) + (upper.end == WalkEnd::kOptimal);
    benchmark::DoNotOptimize(lower.result.basis);
    benchmark::DoNotOptimize(upper.result.basis);
  }
  state.counters["basis_changes"] = static_cast<double>(changes);
  state.counters["bounds_found"] = found;
}

// (n, m, p in thousandths): sizes the single steps take in seconds at most.
#define UNIONBOUND_WALK_CASES     \
  Args({10'000'000, 1, 500})      \
      ->Args({1'000'000, 2, 300}) \
      ->Args({1'000'000, 6, 300}) \
      ->Args({10'000, 10, 20})    \
      ->Args({1'000, 6, 300})     \
      ->Unit(benchmark::kMillisecond)

BENCHMARK(BM_BothBounds<double, WalkStride::kOneStep>)->UNIONBOUND_WALK_CASES;
BENCHMARK(BM_BothBounds<double, WalkStride::kJumps>)->UNIONBOUND_WALK_CASES;
BENCHMARK(BM_BothBounds<Rational, WalkStride::kOneStep>)->UNIONBOUND_WALK_CASES;
BENCHMARK(BM_BothBounds<Rational, WalkStride::kJumps>)->UNIONBOUND_WALK_CASES;

// Sizes only the jumps take: the issue of n given as large as a user has events.
BENCHMARK(BM_BothBounds<double, WalkStride::kJumps>)
    ->Args({2'000'000'000, 1, 500})
    ->Args({2'147'483'647, 2, 300})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BothBounds<Rational, WalkStride::kJumps>)
    ->Args({2'000'000'000, 1, 500})
    ->Args({2'147'483'647, 2, 300})
    ->Args({100'000'000, 6, 300})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
