#pragma once

#include <cstdint>

#include "numeric/types.h"

namespace unionbound {

// The powers 0 .. max(m, 0) of the nodes: row 0 all 1.0 (never computed as a power, so a node
// 0 raises no zero^zero message), row i the i-th powers, column j belonging to node z[j].
Matrix PowerMatrix(const Vector& z, std::int32_t m);

// With K = |a| - 1 and r = z without entry c: a[K] + sum over i = 1 .. K of a[K - i] times
// e_i(-r), each elementary symmetric sum taken over the subsets of -r in lexicographic order,
// products left to right. Applied to the moments of a basis this is the numerator of basic
// value c. |a| = 0 or c outside z is a caller's programming error and throws.
double NodePolyMoment(const Vector& a, const Vector& z, std::int32_t c);

// The same value formed literally: for each degree the subsets listed by KSubsets, each
// multiplied out from 1.0. Bit for bit equal to NodePolyMoment, whose depth-first walk shares
// the prefix products instead of listing the subsets; kept as its reference.
double NodePolyMomentBySubsets(const Vector& a, const Vector& z, std::int32_t c);

}  // namespace unionbound
