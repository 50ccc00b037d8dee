#include "numeric/lin_solve.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "tests/support/console.h"
#include "tests/support/same_bits.h"

namespace unionbound {
namespace {

using testing::IsQuietNaN;
using testing::PrintedBy;
using testing::SameBits;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr LinSolveStatus kClean{};
constexpr LinSolveStatus kSizeProblem{.size_problem = true};
constexpr LinSolveStatus Singular(std::int32_t steps, bool size_problem = false) {
  return {.size_problem = size_problem, .singular_steps = steps};
}

// ---- Systems the elimination runs on -------------------------------------------------------

// Every expected x is what the elimination yields step by step; the data are chosen so that
// every intermediate value is exact, hence the exact comparison.
struct SolveCase {
  const char* name;
  Matrix A;
  Vector b;
  Vector x;
  LinSolveStatus status;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const SolveCase& c, std::ostream* os) {
  *os << c.name;
}

class LinSolveCase : public ::testing::TestWithParam<SolveCase> {};

TEST_P(LinSolveCase, GivesExactSolutionAndStatusSilently) {
  const SolveCase& c = GetParam();
  const Matrix A = c.A;
  const Vector b = c.b;
  Checked<Vector, LinSolveStatus> solved{{}, {}};
  EXPECT_EQ(PrintedBy([&] { solved = LinSolve(A, b); }), "");
  EXPECT_EQ(solved.status.size_problem, c.status.size_problem);
  EXPECT_EQ(solved.status.singular_steps, c.status.singular_steps);
  const Vector& x = solved.value;
  ASSERT_EQ(x.size(), c.x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    EXPECT_TRUE(SameBits(x[i], c.x[i])) << "x[" << i << "] = " << x[i] << ", expected " << c.x[i];
  }
  // The solver works on its own copies.
  EXPECT_TRUE(SameBits(A, c.A));
  EXPECT_TRUE(SameBits(b, c.b));
}

INSTANTIATE_TEST_SUITE_P(
    Systems, LinSolveCase,
    ::testing::Values(
        SolveCase{"one_by_one", {{2}}, {6}, {3}, kClean},
        SolveCase{"two_by_two", {{1, 2}, {3, 4}}, {5, 6}, {-4, 4.5}, kClean},
        // Row 1 is taken at step 0: the first non-zero leading entry, not the largest (2).
        SolveCase{"first_nonzero_leading_entry_not_largest",
                  {{0, 2, 1}, {1, 1, 1}, {2, 0, 3}},
                  {5, 6, 13},
                  {2, 1, 3},
                  kClean},
        SolveCase{"rows_exchanged", {{0, 1}, {1, 0}}, {2, 3}, {3, 2}, kClean},
        // 1e-20 is the pivot however small; the largest pivot would give (1, 1).
        SolveCase{"tiny_first_pivot_is_taken", {{1e-20, 1}, {1, 1}}, {1, 2}, {0, 1}, kClean},
        // -0.0 is zero and is passed over like 0.0.
        SolveCase{"negative_zero_is_no_pivot", {{-0.0, 1}, {1, 1}}, {1, 2}, {1, 1}, kClean},
        SolveCase{"infinite_pivot_is_usable", {{kInf}}, {1}, {0}, kClean},
        SolveCase{"singular_once", {{1, 1}, {1, 1}}, {1, 2}, {0, 1}, Singular(1)},
        // Both steps force the unit pivot on the last row; at step 0 that exchanges rows 0, 1.
        SolveCase{"singular_twice", {{0, 0}, {0, 0}}, {3, 4}, {4, 3}, Singular(2)},
        SolveCase{"singular_one_by_one", {{0}}, {5}, {5}, Singular(1)},
        // A not-a-number fails the pivot test like 0.0.
        SolveCase{"nan_is_no_pivot", {{kNaN}}, {5}, {5}, Singular(1)},
        // Step 1 finds no pivot in rows 1, 2 and forces it on row 2 (the last), not on row 1;
        // forcing it on row 1 would give (0, -1, 2).
        SolveCase{"singular_middle_step_forces_last_row",
                  {{1, 1, 1}, {1, 1, 2}, {2, 2, 3}},
                  {1, 2, 4},
                  {-1, 1, 1},
                  Singular(1)},
        // Rows longer than n: the surplus columns do not affect x.
        SolveCase{"rows_longer_than_n", {{1, 2, 9}, {3, 4, 9}}, {5, 6}, {-4, 4.5}, kSizeProblem},
        // A b longer than n keeps its surplus at the end of x.
        SolveCase{"b_longer_than_n", {{1, 2}, {3, 4}}, {5, 6, 7}, {-4, 4.5, 7}, kSizeProblem},
        SolveCase{"rows_and_b_longer_one_message",
                  {{1, 2, 9, 8}, {3, 4, 9, 8}},
                  {5, 6, 7, -1},
                  {-4, 4.5, 7, -1},
                  kSizeProblem},
        SolveCase{"singular_with_long_rows",
                  {{0, 0, 1}, {0, 0, 1}},
                  {3, 4, 5},
                  {4, 3, 5},
                  Singular(2, true)}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Shapes the elimination cannot run on --------------------------------------------------

// No rows, a row shorter than n, rows of unequal lengths, b shorter than n: a size problem and
// one quiet NaN per row, and nothing read outside the data (this suite also runs under
// the address sanitizer).
struct ShapeCase {
  const char* name;
  Matrix A;
  Vector b;
};

// Failure reports name the case rather than dump its bytes.
void PrintTo(const ShapeCase& c, std::ostream* os) {
  *os << c.name;
}

class LinSolveBadShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(LinSolveBadShape, GivesSizeProblemAndOneNaNPerRow) {
  const ShapeCase& c = GetParam();
  const Matrix A = c.A;
  const Vector b = c.b;
  Checked<Vector, LinSolveStatus> solved{{1.0}, {}};
  EXPECT_EQ(PrintedBy([&] { solved = LinSolve(A, b); }), "");
  EXPECT_TRUE(solved.status == kSizeProblem);
  const Vector& x = solved.value;
  ASSERT_EQ(x.size(), c.A.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    EXPECT_TRUE(IsQuietNaN(x[i])) << "x[" << i << "] = " << x[i];
  }
  EXPECT_TRUE(SameBits(A, c.A));
  EXPECT_TRUE(SameBits(b, c.b));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LinSolveBadShape,
    ::testing::Values(ShapeCase{"no_rows_no_b", {}, {}}, ShapeCase{"no_rows_with_b", {}, {1, 2}},
                      ShapeCase{"first_row_shorter", {{1}, {3, 4}}, {5, 6}},
                      ShapeCase{"later_row_shorter", {{1, 2}, {3}}, {5, 6}},
                      ShapeCase{"middle_row_shorter", {{1, 2, 3}, {4, 5}, {7, 8, 10}}, {1, 2, 3}},
                      ShapeCase{"later_row_longer", {{1, 2}, {3, 4, 5}}, {5, 6}},
                      ShapeCase{"long_rows_of_unequal_lengths", {{1, 2, 3}, {4, 5, 6, 7}}, {1, 2}},
                      ShapeCase{"all_rows_shorter", {{1}, {2}}, {5, 6}},
                      ShapeCase{"empty_rows", {{}, {}}, {5, 6}},
                      ShapeCase{"b_shorter", {{1, 2}, {3, 4}}, {5}},
                      ShapeCase{"b_empty", {{1, 2}, {3, 4}}, {}},
                      ShapeCase{"b_shorter_and_rows_longer", {{1, 2, 3}, {3, 4, 5}}, {5}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace unionbound
