#pragma once

// The optimum by trying every basis: the second, independent method the walks are checked
// against. It shares nothing with the solvers or the kernels they rest on, so that a fault
// there cannot hide itself in the answer it is compared with.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/support/distributions.h"
#include "tests/support/exact_conversions.h"

namespace unionbound::testing {

struct BasicSolution {
  std::vector<int> basis;
  RationalVector values;  // one per basis subscript
};

// Every set of m + 1 of the nodes 0 .. n whose basic solution for the moments of x (orders
// 0 .. m) has no negative entry, with that solution. For the moments of x the basic solution of
// B is, by interpolation of the powers t^0 .. t^m on the nodes of B, entry j = x_{B_j} +
// sum_{k not in B} x_k L_j(k), L_j the Lagrange polynomial of node B_j; with x = a / A (integer
// weights) and integer nodes, L_j(k) = num / den with integers of at most n^m in size, so the
// sign test runs in 64-bit integers (enough for n <= 12 with weights up to 1000) and only the
// feasible bases are valued in rationals.
inline std::vector<BasicSolution> FeasibleBasicSolutions(const Distribution& x, int m) {
  const int n = x.n();
  std::vector<BasicSolution> feasible;
  std::vector<int> pick(static_cast<std::size_t>(m) + 1);
  for (int i = 0; i <= m; ++i) {
    pick[static_cast<std::size_t>(i)] = i;
  }
  const auto in_pick = [&pick](int k) { return std::binary_search(pick.begin(), pick.end(), k); };
  std::vector<std::int64_t> scaled(pick.size());  // value_j * A * den_j
  std::vector<std::int64_t> den(pick.size());
  for (;;) {
    bool negative = false;
    for (std::size_t j = 0; j < pick.size() && !negative; ++j) {
      den[j] = 1;
      for (std::size_t l = 0; l < pick.size(); ++l) {
        if (l != j) {
          den[j] *= pick[j] - pick[l];
        }
      }
      scaled[j] = x.weights[static_cast<std::size_t>(pick[j])] * den[j];
      for (int k = 0; k <= n; ++k) {
        if (in_pick(k) || x.weights[static_cast<std::size_t>(k)] == 0) {
          continue;
        }
        std::int64_t num = 1;
        for (std::size_t l = 0; l < pick.size(); ++l) {
          if (l != j) {
            num *= k - pick[l];
          }
        }
        scaled[j] += x.weights[static_cast<std::size_t>(k)] * num;
      }
      negative = scaled[j] != 0 && (scaled[j] < 0) != (den[j] < 0);
    }
    if (!negative) {
      BasicSolution solution{pick, {}};
      for (std::size_t j = 0; j < pick.size(); ++j) {
        solution.values.push_back(Fraction(scaled[j], den[j]) / x.total());
      }
      feasible.push_back(solution);
    }
    // Next set of m + 1 subscripts in lexicographic order.
    int i = m;
    while (i >= 0 && pick[static_cast<std::size_t>(i)] == n - m + i) {
      --i;
    }
    if (i < 0) {
      break;
    }
    ++pick[static_cast<std::size_t>(i)];
    for (int t = i + 1; t <= m; ++t) {
      pick[static_cast<std::size_t>(t)] = pick[static_cast<std::size_t>(t) - 1] + 1;
    }
  }
  return feasible;
}

struct ExactOptimum {
  Rational minimum;
  Rational maximum;
  int feasible_bases = 0;
};

// Minimum and maximum of sum_{i >= 1} x_i over the feasible bases of FeasibleBasicSolutions.
inline ExactOptimum ExactOptimumOf(const Distribution& x, int m) {
  ExactOptimum result;
  for (const BasicSolution& solution : FeasibleBasicSolutions(x, m)) {
    Rational objective = 0;
    for (std::size_t j = 0; j < solution.basis.size(); ++j) {
      if (solution.basis[j] >= 1) {
        objective += solution.values[j];
      }
    }
    if (result.feasible_bases == 0 || objective < result.minimum) {
      result.minimum = objective;
    }
    if (result.feasible_bases == 0 || objective > result.maximum) {
      result.maximum = objective;
    }
    ++result.feasible_bases;
  }
  return result;
}

}  // namespace unionbound::testing
