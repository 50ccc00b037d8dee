#pragma once

// The simplex method in doubles on the program over the atoms, whose basis the exact pivots
// (bounds/atom_exact_simplex.h) then prove. Internal to the bounds.

#include <cstdint>
#include <memory>
#include <vector>

#include "bounds/atom_columns.h"

namespace unionbound::atoms {

// Revised, with the inverse of the basis held dense. Only the atoms priced out so far take part
// in each step; when none of them improves, all 2^n atoms are priced at once and the best are
// added. The atoms brought in stay from one run to the next.
class FloatSimplex {
 public:
  explicit FloatSimplex(const AtomData& data);
  ~FloatSimplex();
  FloatSimplex(const FloatSimplex&) = delete;
  FloatSimplex& operator=(const FloatSimplex&) = delete;

  // The basis it ends on, optimal in doubles unless the steps ran out; the start when that
  // cannot be factored. Each phase first runs on data mixed with a ten-thousandth of those of
  // a distribution of random positive weight on every atom: still feasible, and no longer
  // degenerate, so that the primal steps make progress instead of wandering among bases of one
  // vertex. The true data follow, with dual steps to mend the basic values the mixture moved
  // below 0 and primal steps to finish.
  std::vector<Column> Run(const Objective& objective, const std::vector<Column>& start,
                          std::int64_t& pivots);

  // Whether the last run ended on a basis the doubles take for feasible: its artificial
  // columns (of either phase) at 0 and its atoms at or above 0, within the tolerance.
  bool Feasible() const;

 private:
  class State;
  std::unique_ptr<State> state_;
};

}  // namespace unionbound::atoms
