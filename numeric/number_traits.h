#pragma once

#include <limits>

namespace unionbound {

// Exact integers beyond 64 bits, such as the entries of the moment conversion matrix.
__extension__ using WideUnsigned = unsigned __int128;

// What the routines need to know of a number type beyond its arithmetic, in one place:
// - Undefined(): the value returned where a routine reports that it has none (after its
//   message); a quiet not-a-number for double.
// - FromWide(x): the exact integer x in the type (rounded once for double).
// - kExact: whether arithmetic is exact. Exact types take the elementary-symmetric recurrence
//   for node polynomials, where double keeps the subset enumeration whose rounding order the
//   results are compared by.
// The rational type's traits are in numeric/exact_number.h, used by the batch program only.
template <class Number>
struct NumberTraits;

template <>
struct NumberTraits<double> {
  static double Undefined() { return std::numeric_limits<double>::quiet_NaN(); }
  static double FromWide(WideUnsigned x) { return static_cast<double>(x); }
  static constexpr bool kExact = false;
};

}  // namespace unionbound
