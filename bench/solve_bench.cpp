// Both bound walks on binomial moments given directly, with the numerator formed by the
// depth-first walk and by the listed subsets, side by side. The moments are those of n
// independent events of probability p, whose optimal bases lie about n p subscripts up, so the
// walks make some hundreds of basis changes. UNIONBOUND_BENCH_SMALL=1 divides n by 100.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bounds/bound_solver.h"
#include "moments/power_moments.h"
#include "numeric/vector_ops.h"

namespace unionbound {
namespace {

struct Problem {
  Vector objective;
  Vector nodes;
  Vector mu;
  bool negated = false;
};

Problem IndependentEvents(std::int32_t n, std::int32_t m, double p) {
  Vector S{1.0};
  for (std::int32_t i = 1; i <= m; ++i) {
    double s = 1.0;
    for (std::int32_t j = 1; j <= i; ++j) {
      s = s * (static_cast<double>(n - i + j) / j * p);
    }
    S.push_back(s);
  }
  Problem problem;
  problem.nodes = RealRange(0.0, static_cast<double>(n));
  problem.mu = MatrixTimesVector(BinomialToPowerMatrix(m), S);
  problem.objective = Vector(static_cast<std::size_t>(n), 1.0);
  problem.objective.push_front(0.0);
  problem.negated = m % 2 == 1;
  if (problem.negated) {
    problem.objective = ScalarMultiple(-1.0, problem.objective);
  }
  return problem;
}

template <double (*Numerator)(const Vector&, const Vector&, std::int32_t)>
void BM_BothBounds(benchmark::State& state) {
  const bool small = std::getenv("UNIONBOUND_BENCH_SMALL") != nullptr;
  const auto n = static_cast<std::int32_t>(state.range(0) / (small ? 100 : 1));
  const auto m = static_cast<std::int32_t>(state.range(1));
  const double p = static_cast<double>(state.range(2)) / 1000.0;
  const Problem problem = IndependentEvents(n, m, p);
  std::int64_t changes = 0;
  int found = 0;
  for (auto _ : state) {
    const BoundWalk low =
        WalkToBound(Goal::kMinimum, problem.objective, problem.nodes, problem.mu, Numerator);
    const BoundWalk high =
        WalkToBound(Goal::kMaximum, problem.objective, problem.nodes, problem.mu, Numerator);
    changes = low.basis_changes + high.basis_changes;
    found = (low.end == WalkEnd::kOptimal) + (high.end == WalkEnd::kOptimal);
    benchmark::DoNotOptimize(low.result.value);
    benchmark::DoNotOptimize(high.result.value);
  }
  state.counters["basis_changes"] = static_cast<double>(changes);
  state.counters["bounds_found"] = found;
}

// (n, m, p in thousandths)
#define UNIONBOUND_SOLVE_CASES \
  Args({1000, 6, 100})->Args({10000, 8, 20})->Args({100000, 2, 5})->Unit(benchmark::kMillisecond)

BENCHMARK(BM_BothBounds<NodePolyMoment>)->UNIONBOUND_SOLVE_CASES;
BENCHMARK(BM_BothBounds<NodePolyMomentBySubsets>)->UNIONBOUND_SOLVE_CASES;

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
