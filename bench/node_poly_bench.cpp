// The numerator of a basic value: the depth-first walk over subsets beside the listed form it
// reproduces bit for bit, for m + 1 basis nodes.
#include <benchmark/benchmark.h>

#include <random>

#include "kernels/node_poly.h"

namespace unionbound {
namespace {

struct Basis {
  Vector moments;
  Vector nodes;
};

Basis RandomBasis(int m) {
  std::mt19937_64 generator(static_cast<std::uint64_t>(m));
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  Basis basis;
  double node = 0.0;
  for (int j = 0; j <= m; ++j) {
    node += 1.0 + static_cast<double>(generator() % 5);
    basis.nodes.push_back(node);
    basis.moments.push_back(unit(generator));
  }
  return basis;
}

template <double (*Numerator)(const Vector&, const Vector&, std::int32_t)>
void BM_Numerator(benchmark::State& state) {
  const auto m = static_cast<int>(state.range(0));
  const Basis basis = RandomBasis(m);
  for (auto _ : state) {
    for (std::int32_t c = 0; c <= m; ++c) {
      benchmark::DoNotOptimize(Numerator(basis.moments, basis.nodes, c));
    }
  }
}

BENCHMARK(BM_Numerator<NodePolyMoment>)->Arg(3)->Arg(7)->Arg(11)->Arg(16);
BENCHMARK(BM_Numerator<NodePolyMomentBySubsets>)->Arg(3)->Arg(7)->Arg(11);

}  // namespace
}  // namespace unionbound

BENCHMARK_MAIN();
