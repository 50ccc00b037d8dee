#pragma once

// Exact pivots on the program over the atoms: a basis solved by p-adic lifting, checked to be a
// distribution and priced against all 2^n atoms in exact arithmetic. Internal to the bounds.

#include <cstdint>
#include <vector>

#include "bounds/atom_columns.h"
#include "numeric/modular_solve.h"

namespace unionbound::atoms {

enum class ExactEnd {
  kOptimal,
  kNotFeasible,  // the start basis is not feasible in exact arithmetic
  kFailed,       // a singular basis: the start was not a basis
  kGaveUp,       // more exact pivots than the program allows itself
};

struct ExactRun {
  ExactEnd end = ExactEnd::kFailed;
  std::vector<Column> basic;
  IntegerSolution x;  // the basic solution times data.scale
};

// Exact pivots each solve their basis afresh and price all 2^n atoms; from the basis of the
// doubles only a few are needed. A run that needs far more ends with a refusal rather than
// working for hours.
std::int64_t MostExactPivots(const AtomData& data);

// The simplex method in exact arithmetic from a basis, with Bland's rules (the first improving
// atom enters; of the rows tied in the ratio test, the one of the least column leaves), which
// cannot cycle. Each pivot solves its basis afresh by p-adic lifting. The first phase ends as
// soon as its artificial columns are all 0.
ExactRun ExactSimplex(const AtomData& data, const Objective& objective, std::vector<Column> basic,
                      std::int64_t& pivots);

}  // namespace unionbound::atoms
