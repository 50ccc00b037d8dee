#pragma once

// The bounds from every intersection given, not only from their sums: the smallest and the
// largest probability of a question over every distribution on the 2^n atoms (the sets of events
// that occur together) that gives each intersection of up to m events the probability the file
// gives it. The sums' sharp bounds allow every distribution with the same S_1 .. S_m, a far
// larger set, so this interval lies inside theirs and is usually much narrower.
//
// The linear program has one row per given intersection (and one for the total probability)
// and one column per atom. It is solved by the simplex method in doubles, with the atoms brought
// in by pricing all 2^n of them at once (a subset-sum transform of the duals), and the basis it
// ends on is then proved in exact arithmetic: its primal solution is solved exactly and checked
// to be a distribution, and its dual solution is checked against every atom. Where the proof
// fails, exact pivots with rules that cannot cycle go on from there, so the answer is always the
// exact optimum.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "bounds/moment_program.h"
#include "bounds/question.h"
#include "numeric/exact_number.h"

namespace unionbound {

// The atom programs take n up to this: 2^20 atoms, priced a few dozen times.
inline constexpr std::int32_t kMostAtomEvents = 20;
// And at most this many rows (intersections given, with the empty one), whose basis matrix is
// held dense: 2048 rows take 32 MiB in doubles. Data of every order (m >= n) need no program.
inline constexpr std::int64_t kMostAtomRows = 2048;

// The subsets of at most m of n events in the order of their probabilities in prob.txt: by
// order, and within an order lexicographically ({1,2}, {1,3}, .., {2,3}, ..), as bit masks with
// event i (from 1) at bit i - 1. Orders above n are empty.
std::vector<std::uint32_t> SubsetsInFileOrder(std::int32_t n, std::int32_t m);

// "1, 2 and 4": events as the user numbers them, from 1.
std::string EventWords(std::uint32_t subset);

// Empty, or why the atom program does not take n and m (n above kMostAtomEvents, too many rows),
// in words that name both.
std::string AtomProgramLimit(std::int32_t n, std::int32_t m);

// The first reason found that the values (one per subset of SubsetsInFileOrder, in that order)
// fit no distribution, from the subsets of up to three events one by one: every intersection of
// up to three events fixes the whole distribution of those events, and each of its atoms must
// be a probability. Empty when none of them says so.
std::string FirstLocalInconsistency(std::int32_t n, std::int32_t m,
                                    const std::vector<Rational>& values);

struct AtomBound {
  ProgramStatus status = ProgramStatus::kInfeasible;
  Rational value;
  // The atoms of positive probability in the distribution that attains the value, as bit masks
  // of the events that occur, each with its probability.
  std::vector<std::pair<std::uint32_t, Rational>> distribution;
  std::int64_t pivots = 0;  // basis changes, in doubles and exactly
  double seconds = 0.0;
};

struct AtomInterval {
  AtomBound lower;
  AtomBound upper;
  // Why the data fit no distribution, with the first offending subset of events; empty when
  // both bounds were found.
  std::string reason;
};

// How the program is solved; the default is the fast way, the other serves tests.
enum class AtomMethod {
  kFloatThenExact,  // the simplex in doubles, then its basis proved (and mended) exactly
  kExactOnly,       // exact pivots only, from the artificial basis
};

// Both bounds of the question from the values of SubsetsInFileOrder(n, m), in that order. The
// caller checks AtomProgramLimit first; throws std::invalid_argument for values of another count
// or n, m beyond the limits.
AtomInterval SolveAtomInterval(const Question& question, std::int32_t n, std::int32_t m,
                               const std::vector<Rational>& values,
                               AtomMethod method = AtomMethod::kFloatThenExact);

}  // namespace unionbound
