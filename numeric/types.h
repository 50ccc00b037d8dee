#pragma once

#include <cstdint>
#include <deque>

namespace unionbound {

// A sequence of numbers addressed by zero-based position: doubles in the interactive program,
// exact rationals in the exact mode of the batch program. A double-ended queue because the
// elimination in LinSolve shortens rows from the front and the subset enumeration prepends.
template <class Number>
using SequenceOf = std::deque<Number>;

// As a coefficient matrix each element is one row; as a list of subsets each element is one
// subset. Rows need not share a length; each routine states its own shape rules.
template <class Number>
using MatrixOf = std::deque<SequenceOf<Number>>;

using Vector = SequenceOf<double>;
using Matrix = MatrixOf<double>;

// Basis subscripts and positions.
using IndexVector = std::deque<std::int32_t>;

}  // namespace unionbound
