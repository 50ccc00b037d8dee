#include "bounds/atom_exact_simplex.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace unionbound::atoms {

std::int64_t MostExactPivots(const AtomData& data) {
  return 20 * static_cast<std::int64_t>(data.size()) + 2000;
}

namespace {

// The first atom outside the basis (in increasing order) whose reduced cost under the duals
// y is negative, in exact arithmetic, or -1. The doubles decide every atom whose reduced cost
// lies clearly away from 0; only the others are summed exactly.
Column FirstImproving(const AtomData& data, const Objective& objective, const IntegerSolution& y,
                      const std::vector<char>& atom_basic) {
  const std::size_t size = data.size();
  std::vector<double> y_double(size);
  std::vector<double> y_size(size);
  for (std::size_t i = 0; i < size; ++i) {
    y_double[i] = NearestDouble(Rational(y.numerators[i], y.denominator));
    y_size[i] = std::fabs(y_double[i]);
  }
  const std::vector<double> sums = SpreadOverAtoms(data, y_double);
  const std::vector<double> sizes = SpreadOverAtoms(data, y_size);
  mpz_class exact;
  for (Column atom = 0; atom < data.atoms(); ++atom) {
    const auto a = static_cast<std::size_t>(atom);
    if (atom_basic[a]) {
      continue;
    }
    const int cost = Cost(data, objective, atom);
    const double reduced = cost - sums[a];
    // Each sum adds at most n + 1 roundings to values rounded once: far below this margin.
    const double margin = 1e-11 * (std::abs(cost) + sizes[a]) + 1e-300;
    if (reduced > margin) {
      continue;
    }
    if (reduced < -margin) {
      return atom;
    }
    exact = cost * y.denominator;
    for (const std::int32_t r : RowsOf(data, atom)) {
      exact -= y.numerators[static_cast<std::size_t>(r)];
    }
    if (exact < 0) {
      return atom;
    }
  }
  return -1;
}

}  // namespace

ExactRun ExactSimplex(const AtomData& data, const Objective& objective, std::vector<Column> basic,
                      std::int64_t& pivots) {
  const std::size_t size = data.size();
  ExactRun run;
  ModularSystem system;
  std::vector<char> atom_basic(static_cast<std::size_t>(data.atoms()), 0);
  for (std::int64_t step = 0;; ++step) {
    if (step > MostExactPivots(data)) {
      run.end = ExactEnd::kGaveUp;
      return run;
    }
    std::vector<std::int8_t> matrix(size * size, 0);
    std::fill(atom_basic.begin(), atom_basic.end(), 0);
    for (std::size_t k = 0; k < size; ++k) {
      for (const std::int32_t r : RowsOf(data, basic[k])) {
        matrix[static_cast<std::size_t>(r) * size + k] = 1;
      }
      if (!data.Artificial(basic[k])) {
        atom_basic[static_cast<std::size_t>(basic[k])] = 1;
      }
    }
    if (!system.Factor(matrix, size)) {
      return run;
    }
    IntegerSolution x = system.Solve(data.b_scaled);
    if (x.numerators.empty()) {
      return run;
    }
    run.basic = basic;
    for (std::size_t k = 0; k < size; ++k) {
      const bool stays_zero = data.Artificial(basic[k]) && !objective.phase_one;
      if (x.numerators[k] < 0 || (stays_zero && x.numerators[k] != 0)) {
        run.end = ExactEnd::kNotFeasible;
        return run;
      }
    }
    std::vector<mpz_class> costs(size);
    bool artificials_zero = true;
    for (std::size_t k = 0; k < size; ++k) {
      costs[k] = Cost(data, objective, basic[k]);
      artificials_zero = artificials_zero && (!data.Artificial(basic[k]) || x.numerators[k] == 0);
    }
    // The first phase cannot go below 0: a feasible distribution ends it whatever the duals
    // say, and degenerate pivots to prove it would be wasted.
    if (objective.phase_one && artificials_zero) {
      run.end = ExactEnd::kOptimal;
      run.x = std::move(x);
      return run;
    }
    const IntegerSolution y = system.Solve(costs, true);
    if (y.numerators.empty()) {
      return run;
    }
    const Column entering = FirstImproving(data, objective, y, atom_basic);
    if (entering < 0) {
      run.end = ExactEnd::kOptimal;
      run.x = std::move(x);
      return run;
    }
    std::vector<mpz_class> column(size, 0);
    for (const std::int32_t r : RowsOf(data, entering)) {
      column[static_cast<std::size_t>(r)] = 1;
    }
    const IntegerSolution alpha = system.Solve(column);
    if (alpha.numerators.empty()) {
      return run;
    }
    // x_k / alpha_k over a common positive denominator each, so ratios compare by cross
    // products of numerators. An artificial column of the second phase leaves at ratio 0
    // whenever the entering column moves it (its x is 0 already).
    auto stays_zero = [&](std::size_t k) {
      return data.Artificial(basic[k]) && !objective.phase_one;
    };
    auto ratio_below = [&](std::size_t k, std::size_t l) {
      const mpz_class x_k = stays_zero(k) ? mpz_class(0) : x.numerators[k];
      const mpz_class a_k = stays_zero(k) ? mpz_class(1) : alpha.numerators[k];
      const mpz_class x_l = stays_zero(l) ? mpz_class(0) : x.numerators[l];
      const mpz_class a_l = stays_zero(l) ? mpz_class(1) : alpha.numerators[l];
      const int order = cmp(mpz_class(x_k * a_l), mpz_class(x_l * a_k));
      return order < 0 || (order == 0 && basic[k] < basic[l]);
    };
    std::ptrdiff_t leaving = -1;
    for (std::size_t k = 0; k < size; ++k) {
      const mpz_class& a = alpha.numerators[k];
      if (!(a > 0 || (stays_zero(k) && a != 0))) {
        continue;
      }
      if (leaving < 0 || ratio_below(k, static_cast<std::size_t>(leaving))) {
        leaving = static_cast<std::ptrdiff_t>(k);
      }
    }
    if (leaving < 0) {
      return run;
    }
    basic[static_cast<std::size_t>(leaving)] = entering;
    ++pivots;
  }
}

}  // namespace unionbound::atoms
