#pragma once

// The classical bounds on P(A_1 or ... or A_n), to be shown beside the sharp ones.
//
// None of these functions checks that its data fit a probability distribution. Any doubles are
// accepted without crashing or undefined behaviour; a not-a-number among the inputs a function
// reads makes its result a not-a-number; data that fit no distribution give values that bound
// nothing. The bounds from the moments alone come in doubles and in exact rationals, with the
// same arithmetic in the same order; a table's rows from exact moments are the exact bounds
// rounded once, so that 1/5 shows as 0.2 where the doubles would give 0.19999999999999996.

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "bounds/question.h"
#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// One row of a table of bounds.
struct ClassicalRow {
  std::string name;
  Side side = Side::kLower;
  double value = std::numeric_limits<double>::quiet_NaN();
};

using ClassicalBoundList = std::vector<ClassicalRow>;

// The Bonferroni partial sums of S = (S_0, S_1, ..., S_m): position k holds
// B_k = S_1 - S_2 + ... + (-1)^(k-1) S_k for k = 0 .. m, summed left to right, so B_0 = 0.
// Odd k give upper bounds, even k lower bounds. S_0 is not read; an empty S counts as m = 0.
Vector BonferroniSums(const Vector& S);
SequenceOf<Rational> BonferroniSums(const SequenceOf<Rational>& S);

// Rows "Bonferroni B1" .. "Bonferroni Bm" with the raw partial sums, then
// "Bonferroni best lower (max with 0)", the largest even-k sum with B_0 = 0 among them, and
// "Bonferroni best upper (min with 1)", the smallest odd-k sum and 1.
ClassicalBoundList BonferroniBounds(const Vector& S);
ClassicalBoundList BonferroniBounds(const SequenceOf<Rational>& S);

// The best lower bound from S_1 and S_2 alone: 2 S_1 / (k + 1) - 2 S_2 / (k (k + 1)) with
// k = 1 + floor(2 S_2 / S_1), the integer that maximises it, held to 1 .. max(1, n - 1). Data that
// fit a distribution have 2 S_2 / S_1 <= n - 1, so the hold only changes k from n to n - 1 when
// the ratio is exactly n - 1, where both give the same value; it keeps k + 1 <= n, so the bound
// is attained by a count of occurring events on {0, k, k + 1}, and keeps a huge ratio from
// reaching an integer conversion. When S_1 = 0 no event can occur and the bound is 0.
double DawsonSankoffLower(double s1, double s2, std::int64_t n);
Rational DawsonSankoffLower(const Rational& s1, const Rational& s2, std::int64_t n);

// S_1 - 2 S_2 / n, the best upper bound from S_1 and S_2 when it is at most 1. With n <= 0 there
// are no pairs and the value is S_1.
double KwerelUpper(double s1, double s2, std::int64_t n);
Rational KwerelUpper(const Rational& s1, const Rational& s2, std::int64_t n);

// For m >= 2 the rows "Dawson-Sankoff lower", "Kwerel upper" and "Kwerel upper (min with 1)";
// for m < 2 no rows.
ClassicalBoundList TwoMomentBounds(const Vector& S, std::int64_t n);
ClassicalBoundList TwoMomentBounds(const SequenceOf<Rational>& S, std::int64_t n);

// The weight of a maximum spanning tree of the complete graph on n vertices whose edge weights
// are the first C(n, 2) entries of pairs, in the order (0,1), (0,2), .., (0,n-1), (1,2), ...
// Prim's algorithm on the dense graph: O(n^2) time, O(n) memory besides pairs. 0 for n < 2; a
// not-a-number when pairs is shorter than C(n, 2) or one of its first C(n, 2) entries is one.
double MaximumSpanningTreeWeight(const Vector& pairs, std::int64_t n);

// The Hunter-Worsley upper bound S_1 - (weight of a maximum spanning tree with edge weights
// P(A_i A_j)), from the n single probabilities and the C(n, 2) pairwise ones in the order of the
// first two blocks of prob.txt; n is the length of singles and later pairs are not read. S_1 is
// summed left to right, as BinomialMoments sums it. Every spanning tree gives an upper bound and
// the heaviest gives the least; it uses each pair, not only their sum S_2, so it can fall below
// the sharp bound from S_1 and S_2.
double HunterWorsleyUpper(const Vector& singles, const Vector& pairs);

// The rows "Hunter-Worsley upper" and "Hunter-Worsley upper (min with 1)".
ClassicalBoundList HunterWorsleyBounds(const Vector& singles, const Vector& pairs);

// For each event i, P(A_i) plus the sum over j != i of P(A_i A_j): the expected number of
// events that occur with A_i, times P(A_i). From the n singles and the first C(n, 2) pairs in the
// order of prob.txt, each sum taken over j in increasing order.
Vector PairSumsByEvent(const Vector& singles, const Vector& pairs);

// de Caen's lower bound (1997): the sum over i of P(A_i)^2 / (P(A_i) + sum over j != i of
// P(A_i A_j)), events with P(A_i) = 0 adding nothing. It is exact for disjoint events.
double DeCaenLower(const Vector& singles, const Vector& pairs);

// The lower bound of Kuai, Alajaji and Takahara (2000), never below de Caen's: for each event,
// with a_i = (P(A_i) + sum over j != i of P(A_i A_j)) / P(A_i), k_i = floor(a_i) and
// t_i = a_i - k_i, the least expectation of 1 / (number of events that occur) given A_i that these
// two sums allow, t_i / (k_i + 1) + (1 - t_i) / k_i, times P(A_i); summed over i. Since the sum
// over i of 1{A_i} / X is 1{X >= 1}, the sum bounds the union from below.
double KuaiAlajajiTakaharaLower(const Vector& singles, const Vector& pairs);

// The rows "de Caen lower" and "Kuai-Alajaji-Takahara lower".
ClassicalBoundList PairwiseLowerBounds(const Vector& singles, const Vector& pairs);

// The table shown beside the sharp bounds: the sharp lower and upper values first, then the
// Bonferroni rows and the two-moment rows from the exact moments, and the rows of the bounds
// that use each pair (de Caen, Kuai-Alajaji-Takahara, Hunter-Worsley; in doubles, from the
// file's numbers) when the singles and pairs are given (non-empty).
ClassicalBoundList ClassicalTable(const SequenceOf<Rational>& S, std::int64_t n,
                                  const Vector& singles, const Vector& pairs, double sharp_lower,
                                  double sharp_upper);

// Whether `row` is the tightest of its side in `table`: no finite value of that side lies
// beyond it (above for a lower bound, below for an upper), and it is finite itself.
bool Tightest(const ClassicalBoundList& table, const ClassicalRow& row);

}  // namespace unionbound
