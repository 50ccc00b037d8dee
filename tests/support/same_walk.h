#pragma once

// Two walks compared member by member, the doubles by their bits: what the tests of a walk's
// variants (single steps, jumps, the listed reference) hold them to.

#include <gtest/gtest.h>

#include <string>

#include "bounds/bound_solver.h"
#include "tests/support/same_bits.h"

namespace unionbound::testing {

inline void ExpectSameWalk(const BoundWalk& got, const BoundWalk& want, const std::string& where) {
  EXPECT_EQ(got.end, want.end) << where;
  EXPECT_EQ(got.basis_changes, want.basis_changes) << where;
  EXPECT_EQ(got.last_basis, want.last_basis) << where;
  EXPECT_TRUE(SameBits(got.result.value, want.result.value)) << where;
  EXPECT_EQ(got.result.basis, want.result.basis) << where;
  EXPECT_TRUE(SameBits(got.result.solution, want.result.solution)) << where;
  EXPECT_TRUE(got.solve == want.solve) << where;
  EXPECT_EQ(got.problem.empty(), want.problem.empty()) << where;
}

}  // namespace unionbound::testing
