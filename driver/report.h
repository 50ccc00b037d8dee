#pragma once

#include <ostream>

#include "bounds/bound_result.h"
#include "numeric/types.h"

namespace unionbound {

// A line end, then "{", every entry followed by ",", "}", and a line end.
void PrintIndexVector(const IndexVector& v, std::ostream& s);

// The bounds of one run with the running time of each solver call, in seconds.
struct BoundReport {
  BoundResult lower;
  BoundResult upper;
  double lower_time = 0.0;
  double upper_time = 0.0;
  // The exact check found that no distribution has these moments: no value is a bound.
  bool fits_no_distribution = false;
};

// The thirteen lines of the two bound blocks. Reals take the stream's notation (fixed-point in
// the result file, general on the console) with 15 digits.
void WriteBoundBlocks(const BoundReport& report, std::ostream& s);

}  // namespace unionbound
