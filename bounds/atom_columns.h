#pragma once

// The columns of the program over the atoms (bounds/atom_program.h), shared by its simplex method
// in doubles and its exact pivots: the rows each atom meets, the costs of each phase, and the
// pricing of all 2^n atoms at once. Internal to the bounds.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bounds/basis_rules.h"
#include "bounds/question.h"
#include "numeric/exact_number.h"

namespace unionbound::atoms {

// A column of the program: an atom (the bit mask of the events that occur), or, from
// `AtomData::atoms` on, the artificial column of one row.
using Column = std::int64_t;

inline constexpr double kTolerance = 1e-9;

// Whether the question counts the atom: P(X >= r) or P(X = r) for its number of events.
bool Counted(const Question& question, std::uint32_t atom);

// The program's fixed data.
struct AtomData {
  std::int32_t n = 0;
  std::int32_t order = 0;
  Question question;
  std::vector<std::uint32_t> rows;   // row 0 is the empty intersection, then the file's order
  std::vector<std::int32_t> row_of;  // for each subset of events, its row, or -1
  std::vector<double> b;
  std::vector<mpz_class> b_scaled;  // b times `scale`, whole numbers
  mpz_class scale;

  std::size_t size() const { return rows.size(); }
  Column atoms() const { return Column{1} << n; }
  bool Artificial(Column column) const { return column >= atoms(); }
};

// The data of the intersections of orders 1 .. order, one value each in the file's order.
AtomData MakeData(const Question& question, std::int32_t n, std::int32_t order,
                  const std::vector<Rational>& values);

// The rows of a column: for an atom, every given intersection of events that all occur in it.
std::vector<std::int32_t> RowsOf(const AtomData& data, Column column);

// What is minimised: the artificial columns (the first phase), or the question's probability
// (its negative for the largest).
struct Objective {
  bool phase_one = false;
  Goal goal = Goal::kMinimum;
};

int Cost(const AtomData& data, const Objective& objective, Column column);

// The artificial column of every row.
std::vector<Column> ArtificialBasis(const AtomData& data);

// For every atom, the sum of by_row over the given intersections it meets: a subset-sum
// transform, n passes over 2^n.
std::vector<double> SpreadOverAtoms(const AtomData& data, const std::vector<double>& by_row);

}  // namespace unionbound::atoms
