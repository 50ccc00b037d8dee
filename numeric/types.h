#pragma once

#include <cstdint>
#include <deque>

namespace unionbound {

// Reals addressed by zero-based position. A double-ended queue because the elimination in
// LinSolve shortens rows from the front and the subset enumeration prepends entries.
using Vector = std::deque<double>;

// Basis subscripts and positions.
using IndexVector = std::deque<std::int32_t>;

// As a coefficient matrix each element is one row; as a list of subsets each element is one
// subset. Rows need not share a length; each routine states its own shape rules.
using Matrix = std::deque<Vector>;

}  // namespace unionbound
