#pragma once

#include "numeric/types.h"

namespace unionbound {

// Every k-element subset of the positions of `set`, each as the entries in position order, the
// subsets in lexicographic order of their positions. k < 0 writes "in KSubsets, k<0" bare to
// standard output and returns no subsets; k greater than |set| returns none silently.
Matrix KSubsets(const Vector& set, int k);

// x multiplied n times onto 1.0. After "negative exponent does not yield integer" (n < 0) or
// "zero^zero is not defined" (n = 0, x = +-0.0), each followed by a line end, it returns a
// quiet not-a-number: neither has a value, and a NaN shows that wherever it goes.
double IntPower(double x, int n);

// IntPower of every entry, the messages once per offending entry.
Vector VectorIntPower(const Vector& v, int n);

}  // namespace unionbound
