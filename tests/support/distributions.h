#pragma once

// Distributions of the number of events that occur, as integer weights, and their moments in
// exact arithmetic: the inputs whose true bounds the tests know.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "moments/power_moments.h"
#include "numeric/types.h"
#include "tests/support/exact_conversions.h"

namespace unionbound::testing {

// A distribution on 0 .. n as integer weights a_k over their sum: x_k = a_k / sum.
struct Distribution {
  std::vector<std::int64_t> weights;

  int n() const { return static_cast<int>(weights.size()) - 1; }
  std::int64_t total() const {
    std::int64_t s = 0;
    for (auto w : weights) {
      s += w;
    }
    return s;
  }
  RationalVector masses() const {
    RationalVector x;
    for (auto w : weights) {
      x.push_back(Fraction(w, total()));
    }
    return x;
  }
  bool degenerate() const {
    return std::any_of(weights.begin(), weights.end(), [](std::int64_t w) { return w == 0; });
  }
  std::string ToString() const {
    std::string s = "weights (";
    for (std::size_t k = 0; k < weights.size(); ++k) {
      s += (k ? ", " : "") + std::to_string(weights[k]);
    }
    return s + ")";
  }
};

// Weights 1 .. max_weight, each set to 0 with probability zero_chance (at least one weight
// stays positive).
inline Distribution RandomDistribution(std::mt19937_64& rng, int n, double zero_chance,
                                       std::int64_t max_weight = 1000) {
  std::uniform_int_distribution<std::int64_t> weight(1, max_weight);
  std::bernoulli_distribution zero(zero_chance);
  Distribution d;
  for (int k = 0; k <= n; ++k) {
    d.weights.push_back(zero(rng) ? 0 : weight(rng));
  }
  if (d.total() == 0) {
    d.weights[std::uniform_int_distribution<std::size_t>(0, d.weights.size() - 1)(rng)] = 1;
  }
  return d;
}

// Positive weights on `points` distinct subscripts of 0 .. n chosen at random, 0 elsewhere:
// moments that only a few distributions have, where most bases are degenerate.
inline Distribution RandomSparseDistribution(std::mt19937_64& rng, int n, int points,
                                             std::int64_t max_weight = 1000) {
  std::vector<int> subscripts;
  for (int k = 0; k <= n; ++k) {
    subscripts.push_back(k);
  }
  std::shuffle(subscripts.begin(), subscripts.end(), rng);
  std::uniform_int_distribution<std::int64_t> weight(1, max_weight);
  Distribution d;
  d.weights.assign(static_cast<std::size_t>(n) + 1, 0);
  for (int p = 0; p < points && p <= n; ++p) {
    d.weights[static_cast<std::size_t>(subscripts[static_cast<std::size_t>(p)])] = weight(rng);
  }
  return d;
}

inline std::int64_t Choose(std::int64_t k, std::int64_t i) {
  if (i < 0 || i > k) {
    return 0;
  }
  std::int64_t r = 1;
  for (std::int64_t t = 1; t <= i; ++t) {
    r = r * (k - i + t) / t;
  }
  return r;
}

// S_i = sum_k C(k, i) x_k, i = 0 .. m.
inline RationalVector BinomialMomentsOf(const RationalVector& x, int m) {
  RationalVector S;
  for (int i = 0; i <= m; ++i) {
    Rational s = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
      s += Choose(static_cast<std::int64_t>(k), i) * x[k];
    }
    S.push_back(s);
  }
  return S;
}

// mu_d = sum_k z_k^d x_k, d = 0 .. m, from the definition. Kept apart from the program's
// conversion of binomial moments (BinomialToPowerMatrix): it is the truth that the walks in
// double and in exact arithmetic are judged against, and it takes any nodes, not only 0 .. n.
inline RationalVector PowerMomentsOf(const RationalVector& x, const RationalVector& z, int m) {
  RationalVector mu;
  for (int d = 0; d <= m; ++d) {
    Rational s = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
      Rational power = 1;
      for (int e = 0; e < d; ++e) {
        power *= z[k];
      }
      s += power * x[k];
    }
    mu.push_back(s);
  }
  return mu;
}

// The power moments the program sees for the exact binomial moments S: S rounded to doubles,
// then the program's own conversion.
inline Vector ProgramPowerMoments(const RationalVector& S_exact) {
  const auto m = static_cast<std::int32_t>(S_exact.size()) - 1;
  return MatrixTimesVector(BinomialToPowerMatrix(m), ToDoubles(S_exact));
}

}  // namespace unionbound::testing
