#pragma once

#include <cstdint>
#include <vector>

#include "numeric/exact_number.h"

namespace unionbound {

// A polynomial in a whole number t with whole values, known by its values at t = 0 .. d and held
// in Newton's forward form q(t) = sum_i D_i C(t, i), D_i the i-th forward difference at 0. A basis
// test along a run of the walk, where a block of nodes moves by one each step, is such a polynomial
// of the number of steps: each moving node enters every product of the test through one
// factor linear in t. The differences of q are its coefficients shifted, so that the places
// where q is monotone come from the same numbers.
class RunPolynomial {
 public:
  // values[t] = q(t) for t = 0 .. |values| - 1; the degree is at most |values| - 1.
  explicit RunPolynomial(std::vector<mpz_class> values);

  mpz_class At(std::int64_t t) const { return DifferenceAt(0, t); }

  // The first t in 0 .. last where q(t) > 0 fails (strict) or q(t) >= 0 fails, or -1 when q
  // passes at every point. Exact for any degree, without sampling every point: between two
  // places where the j-th difference changes sign the (j - 1)-th is monotone, so the sign
  // changes of each difference, from the constant top one down to q, are found by bisection
  // inside monotone stretches, about d^2 log(last) evaluations in all.
  std::int64_t FirstFailure(std::int64_t last, bool strict) const;

  // Integer local minima of q on 0 .. last, increasing: the t with q(t) <= q(t - 1) and
  // q(t) <= q(t + 1) wherever these neighbours lie in 0 .. last. Every strict local minimum is
  // among them, and so is a point where q is least on 0 .. last; a flat bottom gives at least one
  // of its points. Found by the same bisections as FirstFailure, so last may be in the billions.
  // Empty when last < 0.
  std::vector<std::int64_t> LocalMinima(std::int64_t last) const;

 private:
  // Points 0 = s_0 < s_1 < ... < s_k = last with q monotone on each s_i .. s_(i+1); {0} when
  // last is 0.
  std::vector<std::int64_t> MonotoneStretches(std::int64_t last) const;
  // The j-th forward difference at t.
  mpz_class DifferenceAt(std::size_t j, std::int64_t t) const;
  // The points x in 1 .. last where the j-th difference is >= 0 on one side of x - 1, x and
  // not the other, with 0 and last, given points between which it is monotone.
  std::vector<std::int64_t> SignChanges(std::size_t j, const std::vector<std::int64_t>& monotone,
                                        std::int64_t last) const;

  std::vector<mpz_class> differences_;
};

}  // namespace unionbound
