// make_prob_file N M SEED > prob.txt: a deterministic "prob.txt" for N independent events and
// orders 1 .. M, for benchmarks and whole-run measurements.
#include <cstdlib>
#include <iostream>

#include "bench/prob_text.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: make_prob_file N M SEED > prob.txt\n";
    return 2;
  }
  std::ios::sync_with_stdio(false);
  const auto n = static_cast<std::int32_t>(std::atol(argv[1]));
  const auto m = static_cast<std::int32_t>(std::atol(argv[2]));
  const auto seed = static_cast<std::uint64_t>(std::atoll(argv[3]));
  const std::int64_t count = unionbound::bench::WriteProbabilityText(n, m, seed, std::cout);
  std::cerr << count << " numbers\n";
  return std::cout ? 0 : 1;
}
