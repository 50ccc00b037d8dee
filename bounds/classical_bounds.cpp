#include "bounds/classical_bounds.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
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

Vector BonferroniSums(const Vector& S) {
  Vector B{0.0};
  double sign = 1.0;
  for (std::size_t k = 1; k < S.size(); ++k) {
    B.push_back(B.back() + sign * S[k]);
    sign = -sign;
  }
  return B;
}

ClassicalBoundList BonferroniBounds(const Vector& S) {
  const Vector B = BonferroniSums(S);
  ClassicalBoundList rows;
  double best_lower = B[0];
  double best_upper = 1.0;
  for (std::size_t k = 1; k < B.size(); ++k) {
    const bool upper = k % 2 == 1;
    rows.push_back({"Bonferroni B" + std::to_string(k), upper ? Side::kUpper : Side::kLower, B[k]});
    if (upper) {
      best_upper = Smaller(best_upper, B[k]);
    } else {
      best_lower = Larger(best_lower, B[k]);
    }
  }
  rows.push_back({"Bonferroni best lower (max with 0)", Side::kLower, best_lower});
  rows.push_back({"Bonferroni best upper (min with 1)", Side::kUpper, best_upper});
  return rows;
}

double DawsonSankoffLower(double s1, double s2, std::int64_t n) {
  if (std::isnan(s1) || std::isnan(s2)) {
    return kNaN;
  }
  if (s1 == 0.0) {
    return 0.0;
  }
  // k stays a double: the ratio may be huge or infinite, and converting such a value to an
  // integer is undefined. Whole numbers up to 2^53 are exact in a double.
  const double highest = n > 2 ? static_cast<double>(n - 1) : 1.0;
  const double k = std::clamp(1.0 + std::floor(2.0 * s2 / s1), 1.0, highest);
  return 2.0 * s1 / (k + 1.0) - 2.0 * s2 / (k * (k + 1.0));
}

double KwerelUpper(double s1, double s2, std::int64_t n) {
  if (n <= 0) {
    return s1;
  }
  return s1 - 2.0 * s2 / static_cast<double>(n);
}

ClassicalBoundList TwoMomentBounds(const Vector& S, std::int64_t n) {
  if (S.size() < 3) {
    return {};
  }
  const double upper = KwerelUpper(S[1], S[2], n);
  return {
      {"Dawson-Sankoff lower", Side::kLower, DawsonSankoffLower(S[1], S[2], n)},
      {"Kwerel upper", Side::kUpper, upper},
      {"Kwerel upper (min with 1)", Side::kUpper, Smaller(upper, 1.0)},
  };
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

ClassicalBoundList ClassicalTable(const Vector& S, std::int64_t n, const Vector& singles,
                                  const Vector& pairs, double sharp_lower, double sharp_upper) {
  ClassicalBoundList table = {{"sharp lower (this program)", Side::kLower, sharp_lower},
                              {"sharp upper (this program)", Side::kUpper, sharp_upper}};
  for (const ClassicalBoundList& more : {BonferroniBounds(S), TwoMomentBounds(S, n)}) {
    table.insert(table.end(), more.begin(), more.end());
  }
  if (!pairs.empty()) {
    const ClassicalBoundList spanning = HunterWorsleyBounds(singles, pairs);
    table.insert(table.end(), spanning.begin(), spanning.end());
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
