// The walks always end: over many degenerate distributions (many counts of events with
// probability 0, m close to n) the number of basis changes of every walk stays within the
// number of bases of the shape that walk keeps, which the walk can visit at most once each.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <random>
#include <sstream>

#include "bounds/bound_solver.h"
#include "moments/power_moments.h"
#include "numeric/vector_ops.h"
#include "tests/support/console.h"

namespace unionbound {
namespace {

std::int64_t Choose(std::int64_t a, std::int64_t b) {
  if (b < 0 || a < b) {
    return 0;
  }
  std::int64_t c = 1;
  for (std::int64_t j = 1; j <= b; ++j) {
    c = c * (a - b + j) / j;
  }
  return c;
}

// Bases of the kept shape: k pairs of consecutive subscripts (pairs may touch) among the free
// subscripts, besides the fixed 0 and n. Choosing k non-overlapping pairs from s consecutive
// subscripts can be done in C(s - k, k) ways.
std::int64_t ShapeCount(Goal goal, std::int32_t n, std::int32_t m) {
  const bool size_even = (m + 1) % 2 == 0;
  if (goal == Goal::kMinimum) {
    return size_even ? Choose(n + 1 - (m + 1) / 2, (m + 1) / 2) : Choose(n - m / 2, m / 2);
  }
  return size_even ? Choose(n - 1 - (m - 1) / 2, (m - 1) / 2) : Choose(n - m / 2, m / 2);
}

struct Walks {
  std::int64_t count = 0;
  std::int64_t longest = 0;
  std::int64_t ended_without_bound = 0;
};

TEST(WalkLength, StaysWithinTheBasesOfItsShape) {
  std::mt19937_64 generator(20261210);
  Walks walks;
  for (int round = 0; round < 600; ++round) {
    const auto n = static_cast<std::int32_t>(2 + generator() % 13);
    // Zero masses at random places, more often than not.
    std::vector<double> mass(static_cast<std::size_t>(n) + 1, 0.0);
    double total = 0.0;
    for (double& x : mass) {
      if (generator() % 3 == 0) {
        x = static_cast<double>(1 + generator() % 9);
        total += x;
      }
    }
    if (total == 0.0) {
      continue;
    }
    for (double& x : mass) {
      x /= total;
    }
    for (std::int32_t m = 1; m <= n; ++m) {
      Vector S{1.0};
      for (std::int32_t i = 1; i <= m; ++i) {
        double s = 0.0;
        for (std::int32_t k = 0; k <= n; ++k) {
          s += static_cast<double>(Choose(k, i)) * mass[static_cast<std::size_t>(k)];
        }
        S.push_back(s);
      }
      const Vector mu = MatrixTimesVector(BinomialToPowerMatrix(m), S);
      const Vector nodes = RealRange(0.0, n);
      Vector c(static_cast<std::size_t>(n), 1.0);
      c.push_front(0.0);
      if (m % 2 == 1) {
        c = ScalarMultiple(-1.0, c);
      }
      for (Goal goal : {Goal::kMinimum, Goal::kMaximum}) {
        BoundWalk walk;
        testing::PrintedBy([&] { walk = WalkToBound(goal, c, nodes, mu); });
        ASSERT_LE(walk.basis_changes, ShapeCount(goal, n, m))
            << "n=" << n << " m=" << m << " goal=" << static_cast<int>(goal);
        ++walks.count;
        walks.longest = std::max(walks.longest, walk.basis_changes);
        walks.ended_without_bound += walk.end != WalkEnd::kOptimal ? 1 : 0;
      }
    }
  }
  std::cout << walks.count << " walks, the longest " << walks.longest << " basis changes, "
            << walks.ended_without_bound << " ended without a bound\n";
}

}  // namespace
}  // namespace unionbound
