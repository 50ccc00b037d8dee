#include "kernels/node_poly.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "numeric/lin_solve.h"
#include "tests/support/console.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

using testing::PrintedBy;
using testing::SameBits;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Reproducible draws: only the raw output of mt19937 is used (its sequence is fixed by the
// standard, unlike the library's distributions).
class Draws {
 public:
  explicit Draws(std::uint32_t seed) : engine_(seed) {}

  // Uniform on [0, 1) with 53 random bits.
  double Unit() {
    const double high = static_cast<double>(engine_() >> 5);
    const double low = static_cast<double>(engine_() >> 6);
    return (high * 67108864.0 + low) / 9007199254740992.0;
  }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  // 0 .. n - 1.
  int Below(int n) { return static_cast<int>(engine_() % static_cast<std::uint32_t>(n)); }

 private:
  std::mt19937 engine_;
};

// ---- PowerMatrix ---------------------------------------------------------------------------

struct PowersCase {
  const char* name;
  Vector z;
  std::int32_t m;
  Matrix expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const PowersCase& c, std::ostream* os) {
  *os << c.name;
}

class PowerMatrixCase : public ::testing::TestWithParam<PowersCase> {};

TEST_P(PowerMatrixCase, HoldsPowersRowByRowSilently) {
  const PowersCase& c = GetParam();
  Matrix powers;
  // A node 0 must not reach the zero^zero message: row 0 is filled, not raised.
  EXPECT_EQ(PrintedBy([&] { powers = PowerMatrix(c.z, c.m); }), "");
  EXPECT_EQ(powers, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PowerMatrixCase,
    ::testing::Values(PowersCase{"zero_node", {0, 2}, 2, {{1, 1}, {0, 2}, {0, 4}}},
                      PowersCase{"m_zero", {0, -1, 3}, 0, {{1, 1, 1}}},
                      PowersCase{"m_negative", {0, 5}, -3, {{1, 1}}},
                      PowersCase{"m_smallest", {0}, kMin, {{1}}},
                      PowersCase{"no_nodes", {}, 2, {{}, {}, {}}},
                      PowersCase{"no_nodes_m_zero", {}, 0, {{}}},
                      PowersCase{"mixed_signs",
                                 {-2, 0.5, -0.0},
                                 3,
                                 {{1, 1, 1}, {-2, 0.5, -0.0}, {4, 0.25, 0}, {-8, 0.125, -0.0}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Row i, column j is z_j to the i-th power by repeated multiplication, bit for bit.
TEST(PowerMatrix, EntriesAreRepeatedProducts) {
  const Vector z{1.1, 0.1, -2.3, 0.0};
  const Matrix powers = PowerMatrix(z, 12);
  ASSERT_EQ(powers.size(), 13u);
  EXPECT_TRUE(SameBits(powers[4][0], 0x1.76cf41f212d7ap+0));
  EXPECT_TRUE(SameBits(powers[5][1], 0x1.4f8b588e368f3p-17));
  EXPECT_TRUE(SameBits(powers[12][0], 0x1.91b805636d733p+1));
  for (std::size_t i = 0; i < powers.size(); ++i) {
    ASSERT_EQ(powers[i].size(), z.size());
    for (std::size_t j = 0; j < z.size(); ++j) {
      double expected = 1.0;
      for (std::size_t t = 0; t < i; ++t) {
        expected = expected * z[j];
      }
      EXPECT_TRUE(SameBits(powers[i][j], expected)) << "row " << i << ", column " << j;
    }
  }
}

// ---- NodePolyMoment: hand-worked values ----------------------------------------------------

struct MomentCase {
  const char* name;
  Vector a;
  Vector z;
  std::int32_t c;
  double expected;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const MomentCase& c, std::ostream* os) {
  *os << c.name;
}

class NodePolyMomentCase : public ::testing::TestWithParam<MomentCase> {};

TEST_P(NodePolyMomentCase, GivesExactValueSilently) {
  const MomentCase& c = GetParam();
  double value = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(PrintedBy([&] { value = NodePolyMoment(c.a, c.z, c.c); }), "");
  EXPECT_TRUE(SameBits(value, c.expected)) << value << " expected " << c.expected;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NodePolyMomentCase,
    ::testing::Values(
        // (x - 1)(x - 2) = x^2 - 3x + 2 against (1, 2, 6): 2 - 6 + 6.
        MomentCase{"worked_example", {1, 2, 6}, {0, 1, 2}, 0, 2.0},
        MomentCase{"worked_example_middle", {1, 2, 6}, {0, 1, 2}, 1, 2.0},
        MomentCase{"worked_example_last", {1, 2, 6}, {0, 1, 2}, 2, 4.0},
        // The moments of a point mass at 1: only the node 1 carries weight, and its numerator
        // is (1 - 2)(1 - 3)(1 - 4).
        MomentCase{"point_mass_own_node", {1, 1, 1, 1}, {1, 2, 3, 4}, 0, -6.0},
        MomentCase{"point_mass_other_node", {1, 1, 1, 1}, {1, 2, 3, 4}, 3, 0.0},
        MomentCase{"one_coefficient", {3.5}, {1}, 0, 3.5},
        MomentCase{"one_coefficient_many_nodes", {-2}, {1, 2, 3}, 2, -2.0},
        MomentCase{"one_coefficient_zero_node", {7}, {0, 4}, 1, 7.0},
        // More remaining nodes than degrees: degree 1 only, 1 + (-2 - 3) * 2.
        MomentCase{"more_nodes_than_degrees", {2, 1}, {1, 2, 3}, 0, -9.0},
        MomentCase{"more_nodes_than_degrees_middle", {2, 1}, {1, 2, 3}, 1, -7.0},
        MomentCase{"more_nodes_than_degrees_last", {2, 1}, {1, 2, 3}, 2, -5.0},
        // Fewer remaining nodes than degrees: the higher degrees have no subsets.
        MomentCase{"no_remaining_node", {4, 3, 2}, {5}, 0, 2.0},
        MomentCase{"one_remaining_node", {1, 2, 3, 4}, {1, 2}, 0, -2.0},
        MomentCase{"one_remaining_node_other", {1, 2, 3, 4}, {1, 2}, 1, 1.0},
        // The empty sums still enter as 0.0 * a[K - i]: -0.0 + 0.0 is +0.0.
        MomentCase{"empty_sums_still_added", {1, 1, -0.0}, {5}, 0, 0.0}),
    [](const auto& info) { return std::string(info.param.name); });

// Two nodes: a1 - a0 * z1 for c = 0 and a1 - a0 * z0 for c = 1, each rounded exactly so.
TEST(NodePolyMoment, TwoNodesGiveLinearForm) {
  Draws draws(20240611u);
  for (int trial = 0; trial < 200; ++trial) {
    const double a0 = draws.Uniform(-3, 3);
    const double a1 = draws.Uniform(-3, 3);
    const double z0 = draws.Uniform(-10, 10);
    const double z1 = draws.Uniform(-10, 10);
    EXPECT_TRUE(SameBits(NodePolyMoment({a0, a1}, {z0, z1}, 0), a1 - a0 * z1));
    EXPECT_TRUE(SameBits(NodePolyMoment({a0, a1}, {z0, z1}, 1), a1 - a0 * z0));
  }
}

TEST(NodePolyMoment, NoCoefficientsThrow) {
  EXPECT_THROW(NodePolyMoment({}, {1, 2}, 0), std::invalid_argument);
  EXPECT_THROW(NodePolyMoment({}, {1}, 0), std::invalid_argument);
}

TEST(NodePolyMoment, PositionOutsideTheNodesThrows) {
  EXPECT_THROW(NodePolyMoment({1, 2}, {1, 2}, -1), std::out_of_range);
  EXPECT_THROW(NodePolyMoment({1, 2}, {1, 2}, 2), std::out_of_range);
  EXPECT_THROW(NodePolyMoment({1}, {}, 0), std::out_of_range);
  EXPECT_THROW(NodePolyMoment({1, 2}, {1, 2}, kMin), std::out_of_range);
  EXPECT_THROW(NodePolyMoment({1, 2}, {1, 2}, kMax), std::out_of_range);
}

// ---- NodePolyMoment against the solved system ----------------------------------------------

// Distinct nodes, at least 0.5 apart, in [-8, 8.5), none of them an integer as a rule.
Vector SpreadNodes(Draws& draws, int count) {
  Vector z;
  while (static_cast<int>(z.size()) < count) {
    const double node = (draws.Below(17) - 8) + 0.5 * draws.Unit();
    bool apart = true;
    for (double other : z) {
      apart = apart && std::fabs(node - other) >= 0.5;
    }
    if (apart) {
      z.push_back(node);
    }
  }
  return z;
}

// With m + 1 distinct nodes and b of length m + 1, the numerator of basic value c is x_c times
// prod over j != c of (z_c - z_j), x the solution of PowerMatrix(z, m) x = b.
//
// Tolerance. The two sides are rounded differently, and the numerator can cancel to far below
// its terms, so the difference is measured against the size of the terms,
//   scale = sum over i of |b[K - i]| * e_i(|z_j|, j != c),
// not against the value. The numerator itself is off by a few tens of rounding units of scale
// (at most 2^7 products of at most 7 factors, summed). x comes from an elimination without
// magnitude pivoting of a power matrix of order up to 8 with entries up to 8.5^7, and its
// error grows with the condition of that matrix: over 30000 systems drawn as here the largest
// difference was 1.3e-11 * scale (1.5e-13 for the 300 of this test). 1e-9 * scale leaves a
// margin of 75 over that, while a wrong sign, a missing or extra term or a wrong subset changes
// the value by the order of scale.
TEST(NodePolyMoment, MatchesSolvedPowerSystem) {
  constexpr double kTolerance = 1e-9;
  Draws draws(0x5eedu);
  for (int trial = 0; trial < 300; ++trial) {
    const int count = 1 + draws.Below(8);
    const std::int32_t m = count - 1;
    const Vector z = SpreadNodes(draws, count);
    Vector b;
    for (int t = 0; t < count; ++t) {
      b.push_back(draws.Uniform(-1, 1));
    }
    Checked<Vector, LinSolveStatus> solved{{}, {}};
    ASSERT_EQ(PrintedBy([&] { solved = LinSolve(PowerMatrix(z, m), b); }), "");
    ASSERT_TRUE(solved.status == LinSolveStatus{});
    const Vector& x = solved.value;
    ASSERT_EQ(x.size(), z.size());

    for (std::int32_t c = 0; c < count; ++c) {
      const auto cc = static_cast<std::size_t>(c);
      double denominator = 1.0;
      std::vector<double> magnitudes(static_cast<std::size_t>(count), 0.0);  // e_i(|z_j|)
      magnitudes[0] = 1.0;
      for (std::size_t j = 0; j < z.size(); ++j) {
        if (j == cc) {
          continue;
        }
        denominator *= z[cc] - z[j];
        for (std::size_t i = magnitudes.size() - 1; i >= 1; --i) {
          magnitudes[i] += magnitudes[i - 1] * std::fabs(z[j]);
        }
      }
      double scale = 0.0;
      for (std::size_t i = 0; i < magnitudes.size(); ++i) {
        scale += std::fabs(b[b.size() - 1 - i]) * magnitudes[i];
      }
      const double numerator = NodePolyMoment(b, z, c);
      EXPECT_LE(std::fabs(numerator - x[cc] * denominator), kTolerance * scale)
          << "trial " << trial << ", c = " << c << ": " << numerator << " against "
          << x[cc] * denominator;
    }
  }
}

// Integer nodes and integer weights keep every intermediate value an integer far below 2^53,
// so here the numerator must equal x_c * prod (z_c - z_j) exactly.
TEST(NodePolyMoment, IntegerDataGiveExactNumerators) {
  Draws draws(77u);
  for (int trial = 0; trial < 300; ++trial) {
    const int count = 1 + draws.Below(8);
    Vector z;
    while (static_cast<int>(z.size()) < count) {
      const double node = draws.Below(11) - 5;
      bool fresh = true;
      for (double other : z) {
        fresh = fresh && other != node;
      }
      if (fresh) {
        z.push_back(node);
      }
    }
    Vector weights;
    for (int j = 0; j < count; ++j) {
      weights.push_back(draws.Below(7) - 3);
    }
    Vector b;  // b_t = sum over j of weights_j * z_j^t
    for (int t = 0; t < count; ++t) {
      double moment = 0.0;
      for (std::size_t j = 0; j < z.size(); ++j) {
        double power = 1.0;
        for (int s = 0; s < t; ++s) {
          power *= z[j];
        }
        moment += weights[j] * power;
      }
      b.push_back(moment);
    }
    for (std::int32_t c = 0; c < count; ++c) {
      const auto cc = static_cast<std::size_t>(c);
      double expected = weights[cc];
      for (std::size_t j = 0; j < z.size(); ++j) {
        if (j != cc) {
          expected *= z[cc] - z[j];
        }
      }
      EXPECT_EQ(NodePolyMoment(b, z, c), expected) << "trial " << trial << ", c = " << c;
    }
  }
}

// ---- NodePolyMoment bit for bit ------------------------------------------------------------

// Calls visit(subset) for every subset of `size` positions of 0 .. n - 1 that extends `prefix`
// with positions from `start` on, in lexicographic order of the positions.
template <typename Visit>
void ForEachSubset(std::size_t n, std::size_t size, std::size_t start,
                   std::vector<std::size_t>& prefix, Visit& visit) {
  if (prefix.size() == size) {
    visit(prefix);
    return;
  }
  for (std::size_t p = start; p < n; ++p) {
    prefix.push_back(p);
    ForEachSubset(n, size, p + 1, prefix, visit);
    prefix.pop_back();
  }
}

// The documented rounding order written out: the negated remaining nodes; for each degree i,
// the i-element subsets in lexicographic position order, each product from 1.0 left to right,
// the sum from 0.0 in that order; result = a[K], then result = result + s * a[K - i].
double ReferenceNumerator(const Vector& a, const Vector& z, std::size_t c) {
  std::vector<double> negated;
  for (std::size_t j = 0; j < z.size(); ++j) {
    if (j != c) {
      negated.push_back(-z[j]);
    }
  }
  const std::size_t top = a.size() - 1;
  double result = a[top];
  for (std::size_t i = 1; i <= top; ++i) {
    double s = 0.0;
    auto add = [&](const std::vector<std::size_t>& subset) {
      double product = 1.0;
      for (std::size_t p : subset) {
        product = product * negated[p];
      }
      s = s + product;
    };
    std::vector<std::size_t> prefix;
    if (i <= negated.size()) {
      ForEachSubset(negated.size(), i, 0, prefix, add);
    }
    result = result + s * a[top - i];
  }
  return result;
}

// Random real nodes make the result depend on the order of the rounding steps (with these
// draws a reversed subset order changes 444 of the 1750 results in their last bits, and
// right-to-left products 377). Zeros and repeated nodes are mixed in; |a| runs independently of
// |z|.
TEST(NodePolyMoment, FollowsTheDocumentedRoundingOrderBitForBit) {
  Draws draws(7u);
  int compared = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const int count = 1 + draws.Below(8);
    const int length = 1 + draws.Below(9);
    Vector z;
    for (int j = 0; j < count; ++j) {
      const int kind = draws.Below(8);
      if (kind == 0) {
        z.push_back(0.0);
      } else if (kind == 1 && !z.empty()) {
        z.push_back(z[static_cast<std::size_t>(draws.Below(static_cast<int>(z.size())))]);
      } else {
        z.push_back(draws.Uniform(-4, 4));
      }
    }
    Vector a;
    for (int t = 0; t < length; ++t) {
      a.push_back(draws.Uniform(-1, 1));
    }
    for (std::int32_t c = 0; c < count; ++c) {
      const double expected = ReferenceNumerator(a, z, static_cast<std::size_t>(c));
      const double walked = NodePolyMoment(a, z, c);
      const double listed = NodePolyMomentBySubsets(a, z, c);
      EXPECT_TRUE(SameBits(walked, expected)) << "trial " << trial << ", c = " << c << ", walked";
      EXPECT_TRUE(SameBits(listed, expected)) << "trial " << trial << ", c = " << c << ", listed";
      ++compared;
    }
  }
  EXPECT_GT(compared, 1000);
}

}  // namespace
}  // namespace unionbound

namespace unionbound {
namespace {

// Basis nodes as the walk meets them on large n: integers up to 10^5, whose products of up to
// eleven factors pass 2^53 and round; the walk over subsets still gives the listed form's
// doubles bit for bit.
TEST(NodePolyMoment, LargeNodesGiveTheListedFormBitForBit) {
  std::mt19937_64 generator(99);
  for (int trial = 0; trial < 60; ++trial) {
    const int m = 1 + trial % 12;
    Vector nodes;
    double node = static_cast<double>(generator() % 1000);
    Vector moments;
    for (int j = 0; j <= m; ++j) {
      node += 1.0 + static_cast<double>(generator() % 9000);
      nodes.push_back(node);
      moments.push_back(std::ldexp(static_cast<double>(generator() % 100000), 3 * j));
    }
    for (std::int32_t c = 0; c <= m; ++c) {
      const double walked = NodePolyMoment(moments, nodes, c);
      const double listed = NodePolyMomentBySubsets(moments, nodes, c);
      EXPECT_TRUE(SameBits(walked, listed)) << "m=" << m << " c=" << c;
    }
  }
}

}  // namespace
}  // namespace unionbound
