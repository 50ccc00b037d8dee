// The p-adic solver against Gaussian elimination over the rationals, on both sides of random
// systems from tiny to large determinants, and its refusal of singular matrices.
#include <gtest/gtest.h>

#include <gmpxx.h>

#include <cstdint>
#include <random>
#include <vector>

#include "numeric/exact_number.h"
#include "numeric/lin_solve.h"
#include "numeric/modular_solve.h"

namespace unionbound {
namespace {

struct SystemCase {
  std::size_t size;
  int low;  // entries drawn from low .. high
  int high;
  unsigned seed;
};

std::vector<std::int8_t> RandomMatrix(const SystemCase& c, std::mt19937& random) {
  std::uniform_int_distribution<int> entry(c.low, c.high);
  std::vector<std::int8_t> matrix(c.size * c.size);
  for (std::int8_t& a : matrix) {
    a = static_cast<std::int8_t>(entry(random));
  }
  return matrix;
}

// The solution by elimination over the rationals, or empty when the matrix is singular.
std::vector<mpq_class> Eliminated(const std::vector<std::int8_t>& matrix, std::size_t size,
                                  const std::vector<mpz_class>& b, bool transposed) {
  MatrixOf<mpq_class> a(size, SequenceOf<mpq_class>(size));
  for (std::size_t i = 0; i < size; ++i) {
    for (std::size_t j = 0; j < size; ++j) {
      a[i][j] = transposed ? matrix[j * size + i] : matrix[i * size + j];
    }
  }
  SequenceOf<mpq_class> rhs(b.begin(), b.end());
  const auto solved = LinSolve(a, rhs);
  if (solved.status.singular_steps != 0) {
    return {};
  }
  return {solved.value.begin(), solved.value.end()};
}

class ModularSolveCase : public ::testing::TestWithParam<SystemCase> {};

TEST_P(ModularSolveCase, AgreesWithRationalElimination) {
  const SystemCase c = GetParam();
  std::mt19937 random(c.seed);
  for (int trial = 0; trial < 4; ++trial) {
    const std::vector<std::int8_t> matrix = RandomMatrix(c, random);
    std::vector<mpz_class> b(c.size);
    std::uniform_int_distribution<long> value(-1000000000L, 1000000000L);
    for (mpz_class& v : b) {
      v = value(random);
      v *= value(random);  // beyond one word
    }
    ModularSystem system;
    const bool factored = system.Factor(matrix, c.size);
    for (const bool transposed : {false, true}) {
      const std::vector<mpq_class> expected = Eliminated(matrix, c.size, b, transposed);
      ASSERT_EQ(factored, !expected.empty()) << "trial " << trial;
      if (!factored) {
        continue;
      }
      const IntegerSolution solution = system.Solve(b, transposed);
      ASSERT_EQ(solution.numerators.size(), c.size);
      ASSERT_GT(solution.denominator, 0);
      for (std::size_t i = 0; i < c.size; ++i) {
        mpq_class x(solution.numerators[i], solution.denominator);
        x.canonicalize();
        EXPECT_EQ(x, expected[i]) << "trial " << trial << " transposed " << transposed << " entry "
                                  << i;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Systems, ModularSolveCase,
                         ::testing::Values(SystemCase{1, 1, 3, 1}, SystemCase{2, 0, 1, 2},
                                           SystemCase{5, 0, 1, 3}, SystemCase{12, 0, 1, 4},
                                           SystemCase{12, -127, 127, 5}, SystemCase{40, 0, 1, 6},
                                           SystemCase{40, -3, 3, 7}, SystemCase{90, 0, 1, 8}));

TEST(ModularSolve, RefusesSingularMatrices) {
  ModularSystem system;
  // Two equal rows.
  EXPECT_FALSE(system.Factor({1, 1, 0, 1, 1, 0, 0, 1, 1}, 3));
  EXPECT_FALSE(system.Factor({0}, 1));
  EXPECT_FALSE(system.Factor({1, 2, 3}, 2));  // not square
  EXPECT_TRUE(system.Solve({1, 2}).numerators.empty());
}

TEST(ModularSolve, WholeSolutionsEndTheLiftEarly) {
  // The identity: every solution is b itself, with denominator 1.
  ModularSystem system;
  ASSERT_TRUE(system.Factor({1, 0, 0, 1}, 2));
  const mpz_class huge("123456789012345678901234567890123456789");
  const IntegerSolution solution = system.Solve({huge, -huge});
  ASSERT_EQ(solution.numerators.size(), 2U);
  EXPECT_EQ(solution.denominator, 1);
  EXPECT_EQ(solution.numerators[0], huge);
  EXPECT_EQ(solution.numerators[1], -huge);
}

}  // namespace
}  // namespace unionbound
