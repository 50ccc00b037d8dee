#pragma once

#include <cstdint>

#include "numeric/types.h"

namespace unionbound {

enum class Goal { kMinimum, kMaximum };

// The integer side of the bound walk: its start bases and how a basis changes. Only subscripts
// are compared and shifted here, never nodes.
namespace basis_rules {

// How the entering subscript is found for a leaving position: which way to scan along the run
// of consecutive subscripts, and whether to reach past the basis ends when the scan finds none.
struct EnteringRule {
  bool scan_up;
  bool fallback;
};

struct Variant {
  IndexVector start;
  std::int32_t first_tested;
  EnteringRule odd_position;
  EnteringRule even_position;
};

inline constexpr std::int32_t kNone = -1;

// The start basis, the first tested position and the entering rules of one solver for n + 1
// columns and m + 1 moments.
Variant VariantFor(Goal goal, std::int32_t n, std::int32_t m);

// The subscript that replaces basis[p] under `rule`, or kNone when the shape leaves none.
std::int32_t EnteringSubscript(const IndexVector& basis, std::int32_t p, EnteringRule rule,
                               std::int32_t n);

// Brings e in and takes basis[p] out; the basis stays in increasing order without a sort.
IndexVector ChangeBasis(IndexVector basis, std::int32_t p, std::int32_t e);

// Each basis change moves a block of consecutive subscripts by one: bringing in e above the
// block that starts at basis[p] (or below the one that ends there) and taking basis[p] out is
// the block shifted. While the walk keeps choosing position p, the block keeps its positions
// and moves again, until it meets the next subscript or the end of 0 .. n. A run is that
// stretch of moves: positions first .. last shift by `shift` (+1 or -1) each step, and
// `length` steps can be taken this way from the basis it starts at.
struct Run {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t shift = 1;
  std::int64_t length = 0;
};

// The run that the change of basis[p] to e starts (e from EnteringSubscript for n).
Run RunOf(const IndexVector& basis, std::int32_t p, std::int32_t e, std::int32_t n);

// The basis after t moves of the run, for 0 <= t <= run.length.
IndexVector ShiftedBasis(IndexVector basis, const Run& run, std::int64_t t);

// The t >= 1 with ShiftedBasis(from, run, t) == to, or kNone when the run does not lead there.
std::int64_t StepsAlong(const IndexVector& from, const Run& run, const IndexVector& to);

}  // namespace basis_rules
}  // namespace unionbound
