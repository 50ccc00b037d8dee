#include "kernels/run_polynomial.h"

#include <utility>

namespace unionbound {
namespace {

// The first x in (a, b] where passes(x) differs from passes(a), for a predicate that changes
// at most once on a .. b; -1 when it does not change.
template <class Passes>
std::int64_t FirstChange(std::int64_t a, std::int64_t b, const Passes& passes) {
  const bool at_a = passes(a);
  if (a == b || passes(b) == at_a) {
    return -1;
  }
  std::int64_t lo = a;
  std::int64_t hi = b;
  while (hi - lo > 1) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    (passes(mid) == at_a ? lo : hi) = mid;
  }
  return hi;
}

}  // namespace

RunPolynomial::RunPolynomial(std::vector<mpz_class> values) {
  // Forward differences in place: after round i, values[i] is the i-th difference at 0.
  for (std::size_t i = 1; i < values.size(); ++i) {
    for (std::size_t t = values.size() - 1; t >= i; --t) {
      values[t] -= values[t - 1];
    }
  }
  while (values.size() > 1 && sgn(values.back()) == 0) {
    values.pop_back();
  }
  differences_ = std::move(values);
}

mpz_class RunPolynomial::DifferenceAt(std::size_t j, std::int64_t t) const {
  mpz_class sum(0);
  mpz_class binomial(1);  // C(t, i - j)
  for (std::size_t i = j; i < differences_.size(); ++i) {
    const auto r = static_cast<long>(i - j);
    sum += differences_[i] * binomial;
    mpz_mul_si(binomial.get_mpz_t(), binomial.get_mpz_t(), static_cast<long>(t) - r);
    mpz_divexact_ui(binomial.get_mpz_t(), binomial.get_mpz_t(), static_cast<unsigned long>(r + 1));
  }
  return sum;
}

std::vector<std::int64_t> RunPolynomial::SignChanges(std::size_t j,
                                                     const std::vector<std::int64_t>& monotone,
                                                     std::int64_t last) const {
  const auto nonnegative = [&](std::int64_t t) { return sgn(DifferenceAt(j, t)) >= 0; };
  std::vector<std::int64_t> changes{0};
  for (std::size_t s = 0; s + 1 < monotone.size(); ++s) {
    const std::int64_t x = FirstChange(monotone[s], monotone[s + 1], nonnegative);
    if (x > changes.back()) {
      changes.push_back(x);
    }
  }
  if (changes.back() != last) {
    changes.push_back(last);
  }
  return changes;
}

std::vector<std::int64_t> RunPolynomial::MonotoneStretches(std::int64_t last) const {
  const std::size_t degree = differences_.size() - 1;
  // The top difference is constant, so the one below it is monotone on 0 .. last.
  std::vector<std::int64_t> monotone{0};
  if (last > 0) {
    monotone.push_back(last);
  }
  for (std::size_t j = degree; j-- > 1;) {
    monotone = SignChanges(j, monotone, last);
  }
  return monotone;
}

std::int64_t RunPolynomial::FirstFailure(std::int64_t last, bool strict) const {
  const auto passes = [&](std::int64_t t) {
    const int s = sgn(At(t));
    return strict ? s > 0 : s >= 0;
  };
  if (last < 0) {
    return -1;
  }
  if (!passes(0)) {
    return 0;
  }
  const std::vector<std::int64_t> monotone = MonotoneStretches(last);
  // q is monotone between neighbouring points, so whether it passes changes at most once there.
  for (std::size_t s = 0; s + 1 < monotone.size(); ++s) {
    if (!passes(monotone[s])) {
      return monotone[s];
    }
    const std::int64_t x = FirstChange(monotone[s], monotone[s + 1], passes);
    if (x >= 0) {
      return x;
    }
  }
  return passes(last) ? -1 : last;
}

std::vector<std::int64_t> RunPolynomial::LocalMinima(std::int64_t last) const {
  std::vector<std::int64_t> minima;
  if (last < 0) {
    return minima;
  }
  const std::vector<std::int64_t> points = MonotoneStretches(last);
  std::vector<mpz_class> values;
  values.reserve(points.size());
  for (const std::int64_t t : points) {
    values.push_back(At(t));
  }
  // q is monotone between neighbouring points, so a point no higher than both neighbouring
  // points is no higher than the whole numbers next to it either, and the least point is least
  // on all of 0 .. last.
  for (std::size_t s = 0; s < points.size(); ++s) {
    if ((s == 0 || values[s] <= values[s - 1]) &&
        (s + 1 == points.size() || values[s] <= values[s + 1])) {
      minima.push_back(points[s]);
    }
  }
  return minima;
}

}  // namespace unionbound
