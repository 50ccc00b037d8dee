#include "bounds/classical_bounds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace unionbound {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// std::min and std::max keep or drop a not-a-number depending on the argument order; these
// always keep it.
double Smaller(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) {
    return kNaN;
  }
  return b < a ? b : a;
}

double Larger(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) {
    return kNaN;
  }
  return b > a ? b : a;
}

// Exact values have no not-a-number to keep.
Rational Smaller(const Rational& a, const Rational& b) {
  return b < a ? b : a;
}

Rational Larger(const Rational& a, const Rational& b) {
  return b > a ? b : a;
}

// A table shows doubles: an exact bound is rounded once, to the nearest.
double Shown(double x) {
  return x;
}

double Shown(const Rational& q) {
  return NearestDouble(q);
}

// 1 + floor(ratio) held to 1 .. highest.
double HeldStep(double ratio, double highest) {
  return std::clamp(1.0 + std::floor(ratio), 1.0, highest);
}

Rational HeldStep(const Rational& ratio, double highest) {
  mpz_class step;
  mpz_fdiv_q(step.get_mpz_t(), ratio.get_num_mpz_t(), ratio.get_den_mpz_t());
  step += 1;
  // highest is a whole number below 2^63, so the comparisons are exact.
  const mpz_class top(static_cast<long>(highest));
  return Rational(step < 1 ? mpz_class(1) : (step > top ? top : step));
}

// Beyond this n, C(n, 2) overflows std::int64_t; no Vector could hold that many pairs anyway.
constexpr std::int64_t kMostVertices = 3037000499;

std::int64_t PairCount(std::int64_t n) {
  return n * (n - 1) / 2;
}

// Where the pairs (i, i+1), ..., (i, n-1) start in the lexicographic block: after the
// (n-1) + (n-2) + ... + (n-i) pairs of the rows before. i (2n - i - 1) is always even.
std::int64_t RowStart(std::int64_t i, std::int64_t n) {
  return i * (2 * n - i - 1) / 2;
}

}  // namespace

namespace {

// The same arithmetic in doubles and in exact rationals, in the same order.
template <class Number>
SequenceOf<Number> BonferroniSumsOf(const SequenceOf<Number>& S) {
  SequenceOf<Number> B{Number(0)};
  Number sign(1);
  for (std::size_t k = 1; k < S.size(); ++k) {
    B.push_back(B.back() + sign * S[k]);
    sign = -sign;
  }
  return B;
}

template <class Number>
ClassicalBoundList BonferroniBoundsOf(const SequenceOf<Number>& S) {
  const SequenceOf<Number> B = BonferroniSumsOf(S);
  ClassicalBoundList rows;
  Number best_lower = B[0];
  Number best_upper(1);
  for (std::size_t k = 1; k < B.size(); ++k) {
    const bool upper = k % 2 == 1;
    rows.push_back(
        {"Bonferroni B" + std::to_string(k), upper ? Side::kUpper : Side::kLower, Shown(B[k])});
    if (upper) {
      best_upper = Smaller(best_upper, B[k]);
    } else {
      best_lower = Larger(best_lower, B[k]);
    }
  }
  rows.push_back({"Bonferroni best lower (max with 0)", Side::kLower, Shown(best_lower)});
  rows.push_back({"Bonferroni best upper (min with 1)", Side::kUpper, Shown(best_upper)});
  return rows;
}

template <class Number>
Number DawsonSankoffLowerOf(const Number& s1, const Number& s2, std::int64_t n) {
  if constexpr (std::is_same_v<Number, double>) {
    if (std::isnan(s1) || std::isnan(s2)) {
      return kNaN;
    }
  }
  if (s1 == 0) {
    return Number(0);
  }
  // The step stays a double or a rational: the ratio may be huge or infinite, and converting
  // such a value to an integer is undefined. Whole numbers up to 2^53 are exact in a double.
  const double highest = n > 2 ? static_cast<double>(n - 1) : 1.0;
  const Number two(2);
  const Number one(1);
  const Number k = HeldStep(Number(two * s2 / s1), highest);
  return Number(two * s1 / (k + one) - two * s2 / (k * (k + one)));
}

template <class Number>
Number KwerelUpperOf(const Number& s1, const Number& s2, std::int64_t n) {
  if (n <= 0) {
    return s1;
  }
  return Number(s1 - Number(2) * s2 / Number(n));
}

template <class Number>
ClassicalBoundList TwoMomentBoundsOf(const SequenceOf<Number>& S, std::int64_t n) {
  if (S.size() < 3) {
    return {};
  }
  const Number upper = KwerelUpperOf(S[1], S[2], n);
  return {
      {"Dawson-Sankoff lower", Side::kLower, Shown(DawsonSankoffLowerOf(S[1], S[2], n))},
      {"Kwerel upper", Side::kUpper, Shown(upper)},
      {"Kwerel upper (min with 1)", Side::kUpper, Shown(Smaller(upper, Number(1)))},
  };
}

}  // namespace

Vector BonferroniSums(const Vector& S) {
  return BonferroniSumsOf(S);
}

SequenceOf<Rational> BonferroniSums(const SequenceOf<Rational>& S) {
  return BonferroniSumsOf(S);
}

ClassicalBoundList BonferroniBounds(const Vector& S) {
  return BonferroniBoundsOf(S);
}

ClassicalBoundList BonferroniBounds(const SequenceOf<Rational>& S) {
  return BonferroniBoundsOf(S);
}

double DawsonSankoffLower(double s1, double s2, std::int64_t n) {
  return DawsonSankoffLowerOf(s1, s2, n);
}

Rational DawsonSankoffLower(const Rational& s1, const Rational& s2, std::int64_t n) {
  return DawsonSankoffLowerOf(s1, s2, n);
}

double KwerelUpper(double s1, double s2, std::int64_t n) {
  return KwerelUpperOf(s1, s2, n);
}

Rational KwerelUpper(const Rational& s1, const Rational& s2, std::int64_t n) {
  return KwerelUpperOf(s1, s2, n);
}

ClassicalBoundList TwoMomentBounds(const Vector& S, std::int64_t n) {
  return TwoMomentBoundsOf(S, n);
}

ClassicalBoundList TwoMomentBounds(const SequenceOf<Rational>& S, std::int64_t n) {
  return TwoMomentBoundsOf(S, n);
}

double MaximumSpanningTreeWeight(const Vector& pairs, std::int64_t n) {
  if (n < 2) {
    return 0.0;
  }
  if (n > kMostVertices || PairCount(n) > static_cast<std::int64_t>(pairs.size())) {
    return kNaN;
  }
  const auto size = static_cast<std::size_t>(n);
  // Prim: heaviest[v] is the heaviest edge from the tree to v while v is outside it.
  std::vector<double> heaviest(size, -std::numeric_limits<double>::infinity());
  std::vector<unsigned char> outside(size, 1);
  bool nan_seen = false;
  double weight = 0.0;
  std::int64_t joined = 0;
  outside[0] = 0;
  for (std::int64_t step = 1; step < n; ++step) {
    // Each edge is read once, when the first of its ends joins the tree, so every entry is seen
    // and a not-a-number among them cannot be skipped.
    std::int64_t next = -1;
    const auto relax = [&](std::int64_t v, double w) {
      const auto at = static_cast<std::size_t>(v);
      if (std::isnan(w)) {
        nan_seen = true;
      } else if (w > heaviest[at]) {
        heaviest[at] = w;
      }
      if (next < 0 || heaviest[at] > heaviest[static_cast<std::size_t>(next)]) {
        next = v;
      }
    };
    // The edges (v, joined) with v < joined lie one per row, a column of the block; the edges
    // (joined, v) with v > joined are one contiguous row, walked with an iterator.
    for (std::int64_t v = 0; v < joined; ++v) {
      if (outside[static_cast<std::size_t>(v)] != 0) {
        relax(v, pairs[static_cast<std::size_t>(RowStart(v, n) + (joined - v - 1))]);
      }
    }
    auto edge = std::next(pairs.begin(), static_cast<std::ptrdiff_t>(RowStart(joined, n)));
    for (std::int64_t v = joined + 1; v < n; ++v, ++edge) {
      if (outside[static_cast<std::size_t>(v)] != 0) {
        relax(v, *edge);
      }
    }
    weight += heaviest[static_cast<std::size_t>(next)];
    outside[static_cast<std::size_t>(next)] = 0;
    joined = next;
  }
  return nan_seen ? kNaN : weight;
}

double HunterWorsleyUpper(const Vector& singles, const Vector& pairs) {
  double s1 = 0.0;
  for (double p : singles) {
    s1 = s1 + p;
  }
  return s1 - MaximumSpanningTreeWeight(pairs, static_cast<std::int64_t>(singles.size()));
}

ClassicalBoundList HunterWorsleyBounds(const Vector& singles, const Vector& pairs) {
  const double upper = HunterWorsleyUpper(singles, pairs);
  return {
      {"Hunter-Worsley upper", Side::kUpper, upper},
      {"Hunter-Worsley upper (min with 1)", Side::kUpper, Smaller(upper, 1.0)},
  };
}

Vector PairSumsByEvent(const Vector& singles, const Vector& pairs) {
  const auto n = static_cast<std::int64_t>(singles.size());
  Vector sums(singles);
  // Row i of the pairs holds (i, i+1) .. (i, n-1); event j's pairs with i < j come first in
  // increasing i, then its own row.
  std::vector<std::int64_t> row_start(static_cast<std::size_t>(std::max<std::int64_t>(n, 1)));
  for (std::int64_t i = 0; i + 1 < n; ++i) {
    row_start[static_cast<std::size_t>(i + 1)] = row_start[static_cast<std::size_t>(i)] + n - 1 - i;
  }
  const auto pair = [&](std::int64_t i, std::int64_t j) {
    const auto at = static_cast<std::size_t>(row_start[static_cast<std::size_t>(i)] + (j - i - 1));
    return at < pairs.size() ? pairs[at] : kNaN;
  };
  for (std::int64_t i = 0; i < n; ++i) {
    double sum = sums[static_cast<std::size_t>(i)];
    for (std::int64_t j = 0; j < n; ++j) {
      if (j != i) {
        sum = sum + pair(std::min(i, j), std::max(i, j));
      }
    }
    sums[static_cast<std::size_t>(i)] = sum;
  }
  return sums;
}

namespace {

// The sum over the events with P(A_i) != 0, in their order, of term(P(A_i), the event's sum
// of PairSumsByEvent).
template <class Term>
double SumOverEvents(const Vector& singles, const Vector& pairs, const Term& term) {
  const Vector sums = PairSumsByEvent(singles, pairs);
  double total = 0.0;
  for (std::size_t i = 0; i < singles.size(); ++i) {
    if (singles[i] != 0.0) {
      total = total + term(singles[i], sums[i]);
    }
  }
  return total;
}

}  // namespace

double DeCaenLower(const Vector& singles, const Vector& pairs) {
  return SumOverEvents(singles, pairs, [](double p, double sum) { return p * p / sum; });
}

double KuaiAlajajiTakaharaLower(const Vector& singles, const Vector& pairs) {
  return SumOverEvents(singles, pairs, [](double p, double sum) {
    // The least E[1/X | A_i] with E[X | A_i] = a puts its mass on floor(a) and floor(a) + 1.
    const double a = sum / p;
    const double k = std::floor(a);
    const double t = a - k;
    return (t / (k + 1.0) + (1.0 - t) / k) * p;
  });
}

ClassicalBoundList PairwiseLowerBounds(const Vector& singles, const Vector& pairs) {
  return {
      {"de Caen lower", Side::kLower, DeCaenLower(singles, pairs)},
      {"Kuai-Alajaji-Takahara lower", Side::kLower, KuaiAlajajiTakaharaLower(singles, pairs)},
  };
}

ClassicalBoundList ClassicalTable(const SequenceOf<Rational>& S, std::int64_t n,
                                  const Vector& singles, const Vector& pairs, double sharp_lower,
                                  double sharp_upper) {
  ClassicalBoundList table = {{"sharp lower (this program)", Side::kLower, sharp_lower},
                              {"sharp upper (this program)", Side::kUpper, sharp_upper}};
  for (const ClassicalBoundList& more : {BonferroniBounds(S), TwoMomentBounds(S, n)}) {
    table.insert(table.end(), more.begin(), more.end());
  }
  if (!pairs.empty()) {
    for (const ClassicalBoundList& more :
         {PairwiseLowerBounds(singles, pairs), HunterWorsleyBounds(singles, pairs)}) {
      table.insert(table.end(), more.begin(), more.end());
    }
  }
  return table;
}

bool Tightest(const ClassicalBoundList& table, const ClassicalRow& row) {
  for (const ClassicalRow& other : table) {
    if (other.side == row.side && std::isfinite(other.value) &&
        (row.side == Side::kLower ? other.value > row.value : other.value < row.value)) {
      return false;
    }
  }
  return std::isfinite(row.value);
}

}  // namespace unionbound
