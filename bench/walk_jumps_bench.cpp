// The union's walks by single steps and by jumps across runs of equal basis changes, side by
// side in one run: both bounds' walks in double (the interactive program's) and in exact
// arithmetic (the batch program's), then the programs' whole bound stages, the interactive one
// with its exact check. The moments are those of n independent events of probability p,
// S_i = C(n, i) p^i, whose optimal bases lie about n p subscripts up, so that the walks go that
// far out; p = 1/2 with m = 1 is a prob.txt of `0.5 0.5`. The sizes the users ran, up to two
// billion events, are timed with jumps only: single steps took 5 s to 200 s there.
// UNIONBOUND_BENCH_SMALL=1 divides n by 100.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <type_traits>

#include "apps/unionbound/bound_stage.h"
#include "bench/silenced.h"
#include "bounds/sharp_bounds.h"
#include "bounds/solve_question.h"
#include "numeric/exact_number.h"

namespace unionbound {
namespace {

std::int32_t Events(std::int64_t n) {
  return static_cast<std::int32_t>(std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr ? n / 100 : n);
}

// The exact S_0 .. S_m; the double walks take their nearest doubles.
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

Vector NearestDoubles(const SequenceOf<Rational>& S) {
  Vector doubles;
  for (const Rational& s : S) {
    doubles.push_back(NearestDouble(s));
  }
  return doubles;
}

struct Case {
  std::int64_t n;
  std::int32_t m;
  long p_thousandths;
};

Rational Probability(const Case& c) {
  Rational p(c.p_thousandths, 1000);
  p.canonicalize();
  return p;
}

std::string Name(const char* group, const char* number, const Case& c, WalkStride stride) {
  std::ostringstream name;
  name << group << "/" << number << "/n=" << Events(c.n) << ",m=" << c.m
       << ",p=" << static_cast<double>(c.p_thousandths) / 1000.0 << "/"
       << (stride == WalkStride::kOneStep ? "one-step" : "jumps");
  return name.str();
}

// Both bounds' walks alone.
template <class Number>
void BothWalks(benchmark::State& state, Case c, WalkStride stride) {
  const SequenceOf<Rational> S = IndependentEvents(Events(c.n), c.m, Probability(c));
  UnionProgramOf<Number> program;
  if constexpr (std::is_same_v<Number, double>) {
    program = UnionProgram<double>(Events(c.n), NearestDoubles(S));
  } else {
    program = UnionProgram<Rational>(Events(c.n), S);
  }
  std::int64_t changes = 0;
  std::int64_t moves = 0;
  int found = 0;
  for (auto _ : state) {
    const BoundWalkOf<Number> lower =
        WalkToSharpBound<Number>(Side::kLower, program, nullptr, stride);
    const BoundWalkOf<Number> upper =
        WalkToSharpBound<Number>(Side::kUpper, program, nullptr, stride);
    changes = lower.basis_changes + upper.basis_changes;
    moves = lower.moves + upper.moves;
    found = (lower.end == WalkEnd::kOptimal) + (upper.end == WalkEnd::kOptimal);
    benchmark::DoNotOptimize(lower.result.basis);
    benchmark::DoNotOptimize(upper.result.basis);
  }
  state.counters["basis_changes"] = static_cast<double>(changes);
  state.counters["moves"] = static_cast<double>(moves);
  state.counters["bounds_found"] = found;
}

// The interactive program's bound stage: both double walks, each checked in exact arithmetic.
void InteractiveStage(benchmark::State& state, Case c, WalkStride stride) {
  const SequenceOf<Rational> S = IndependentEvents(Events(c.n), c.m, Probability(c));
  const Vector doubles = NearestDoubles(S);
  const bench::Silenced silenced;
  for (auto _ : state) {
    const BoundReport report = ComputeBounds(Events(c.n), c.m, doubles, &S, stride);
    benchmark::DoNotOptimize(report.upper.value);
  }
}

// The batch program's: both exact bounds.
void BatchStage(benchmark::State& state, Case c, WalkStride stride) {
  const SequenceOf<Rational> S = IndependentEvents(Events(c.n), c.m, Probability(c));
  std::int64_t changes = 0;
  for (auto _ : state) {
    const QuestionBounds bounds = SolveQuestion(kUnion, Events(c.n), S, stride);
    changes = bounds.lower.basis_changes + bounds.upper.basis_changes;
    benchmark::DoNotOptimize(bounds.upper.value);
  }
  state.counters["basis_changes"] = static_cast<double>(changes);
}

bool Register() {
  constexpr WalkStride kBoth[] = {WalkStride::kOneStep, WalkStride::kJumps};
  // Sizes the single steps take in seconds at most.
  const Case walks[] = {{10'000'000, 1, 500}, {1'000'000, 2, 300}, {1'000'000, 6, 300},
                        {100'000, 3, 300},    {10'000, 10, 20},    {1'000, 6, 300}};
  for (const Case& c : walks) {
    for (const WalkStride stride : kBoth) {
      benchmark::RegisterBenchmark(Name("Walks", "double", c, stride).c_str(), BothWalks<double>, c,
                                   stride)
          ->Unit(benchmark::kMillisecond);
    }
    for (const WalkStride stride : kBoth) {
      benchmark::RegisterBenchmark(Name("Walks", "exact", c, stride).c_str(), BothWalks<Rational>,
                                   c, stride)
          ->Unit(benchmark::kMillisecond);
    }
  }
  const Case half{10'000'000, 1, 500};
  for (const WalkStride stride : kBoth) {
    benchmark::RegisterBenchmark(Name("Stage", "interactive", half, stride).c_str(),
                                 InteractiveStage, half, stride)
        ->Unit(benchmark::kMillisecond);
  }
  for (const WalkStride stride : kBoth) {
    benchmark::RegisterBenchmark(Name("Stage", "batch", half, stride).c_str(), BatchStage, half,
                                 stride)
        ->Unit(benchmark::kMillisecond);
  }
  // The users' runs: unionbound with n = 2,000,000,000, m = 1 and prob.txt `0.5 0.5`;
  // unionbound-batch --n 10000000 --moments 5000000 and --n 100000000 --moments 50000000.
  const Case users_interactive{2'000'000'000, 1, 500};
  benchmark::RegisterBenchmark(
      Name("Stage", "interactive", users_interactive, WalkStride::kJumps).c_str(), InteractiveStage,
      users_interactive, WalkStride::kJumps)
      ->Unit(benchmark::kMillisecond);
  for (const Case& c : {Case{10'000'000, 1, 500}, Case{100'000'000, 1, 500}}) {
    benchmark::RegisterBenchmark(Name("Stage", "batch", c, WalkStride::kJumps).c_str(), BatchStage,
                                 c, WalkStride::kJumps)
        ->Unit(benchmark::kMillisecond);
  }
  // Beyond: the largest n at m = 2 in double, and 10^8 events at m = 6 in exact arithmetic.
  benchmark::RegisterBenchmark(
      Name("Walks", "double", Case{2'147'483'647, 2, 300}, WalkStride::kJumps).c_str(),
      BothWalks<double>, Case{2'147'483'647, 2, 300}, WalkStride::kJumps)
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(
      Name("Walks", "exact", Case{100'000'000, 6, 300}, WalkStride::kJumps).c_str(),
      BothWalks<Rational>, Case{100'000'000, 6, 300}, WalkStride::kJumps)
      ->Unit(benchmark::kMillisecond);
  return true;
}

const bool kRegistered = Register();

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
