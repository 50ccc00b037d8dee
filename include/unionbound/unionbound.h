#pragma once

// unionbound as a library: the sharp lower and upper bounds on P(at least one of n events
// occurs), P(at least R occur) or P(exactly R occur) from the binomial moments S_1 .. S_m,
// computed in exact rational arithmetic as unionbound-batch computes them. Fractions are
// strings ("7/10"), so that this header needs nothing beyond the standard library. Nothing here
// prints; a refusal throws unionbound::Error, which names the argument as this header does.
// unionbound-batch itself renders the Bounds of this header, so its JSON keys are these fields.

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace unionbound {

// Unusable arguments or input, in this header's words ("n must be ...", "moments[1]: ..."); a
// file's refusal in the words both programs use.
class Error : public std::invalid_argument {
 public:
  enum class Cause {
    kArgument,      // a count or R outside its range
    kInput,         // data that cannot be used: a moment that is no number, an unreadable file
    kNotReadWhole,  // a file not read whole, refused unless Options::accept_short
  };
  explicit Error(const std::string& message, Cause cause = Cause::kArgument,
                 std::vector<std::string> notes = {})
      : std::invalid_argument(message), cause_(cause), notes_(std::move(notes)) {}
  Cause cause() const noexcept { return cause_; }
  // What was said of the input before it was refused (where reading stopped, say), each
  // without the program's name, as the batch program prints them before the refusal.
  const std::vector<std::string>& notes() const noexcept { return notes_; }

 private:
  Cause cause_;
  std::vector<std::string> notes_;
};

// The version of the library, "0.4.0".
std::string Version();

// The probability bounded, about X, the number of the n events that occur.
struct Probability {
  enum class Kind {
    kUnion,    // P(X >= 1), by the walk over bases of the union's shape
    kAtLeast,  // P(X >= r), by the general exact simplex
    kExactly,  // P(X = r), by the general exact simplex
  };
  Kind kind = Kind::kUnion;
  std::int32_t r = 1;  // 1 .. n for kAtLeast and kExactly; unused for kUnion
};

inline Probability Union() {
  return {};
}
inline Probability AtLeast(std::int32_t r) {
  return {Probability::Kind::kAtLeast, r};
}
inline Probability Exactly(std::int32_t r) {
  return {Probability::Kind::kExactly, r};
}

// One sharp bound, as the batch program's JSON reports it.
struct Bound {
  bool found = false;    // false when no distribution has the moments (status "infeasible")
  double value = 0.0;    // the double nearest to the exact optimum; NaN when not found
  std::string fraction;  // the exact optimum, "7/10"; empty when not found
  // The optimal basis: the counts of occurring events that carry the extreme distribution, and
  // that distribution's probability at each, as nearest doubles and exactly.
  std::vector<std::int32_t> basis;
  std::vector<double> solution;
  std::vector<std::string> solution_fractions;
  std::string status;  // "optimal" or "infeasible"
  // The walk's steps; a jump across a run of equal basis changes counts each change in it.
  std::int64_t basis_changes = 0;
  double seconds = 0.0;  // to the microsecond
};

// The sharp bounds from the orders 1 .. k alone (Options::by_order), beside the classical
// bounds of that order when they are asked for and bound the question (the union only).
struct OrderRow {
  std::int32_t k = 0;
  std::string status;  // "optimal", or the status of the first bound not found
  Bound lower;
  Bound upper;
  bool classical = false;                                        // whether the next four are given
  double bonferroni = std::numeric_limits<double>::quiet_NaN();  // B_k
  std::string bonferroni_side;                 // "upper" for odd k, "lower" for even k
  std::optional<double> dawson_sankoff_lower;  // from k = 2 on
  std::optional<double> kwerel_upper;          // from k = 2 on
};

// One row of the classical bounds shown beside the sharp ones (Options::classical).
struct ClassicalBound {
  std::string name;  // "Bonferroni B2", "Kwerel upper", "sharp lower (this program)", ...
  std::string side;  // "lower" or "upper"
  double value = std::numeric_limits<double>::quiet_NaN();
  bool tightest = false;  // no finite value of its side is tighter
};

// One bound from every intersection given (Options::individual): the least or the largest
// probability over every distribution on the 2^n atoms (the sets of events that occur together)
// that gives each intersection its probability, not only each sum S_k its value.
struct IndividualBound {
  bool found = false;  // false when no distribution has the intersections (status "infeasible")
  double value = std::numeric_limits<double>::quiet_NaN();  // nearest to the exact optimum
  std::string fraction;                                     // the exact optimum; empty if none
  std::string status;                                       // "optimal" or "infeasible"
  std::int64_t atoms = 0;  // atoms of positive probability in a distribution that attains it
  std::int64_t basis_changes = 0;
  double seconds = 0.0;  // to the microsecond
};

struct IndividualBounds {
  bool given = false;  // Options::individual was asked for
  IndividualBound lower;
  IndividualBound upper;
  // Why the intersections fit no distribution, naming the first events (from 1) found to
  // disagree; empty when both bounds were found.
  std::string no_distribution_reason;
};

// What is asked besides the moments.
struct Options {
  Probability probability = Union();
  bool by_order = false;   // Bounds::by_order
  bool classical = false;  // Bounds::classical, for the union
  // Bounds::individual, from a file or SharpBoundsFromIntersections, for n up to 20: the sums
  // alone have no intersections to give.
  bool individual = false;
  // A file that was not read whole (reading stopped at a word that is not a number, or the file
  // ended early) is refused with Error::Cause::kNotReadWhole; with accept_short the last number
  // read stands for the rest, as in the interactive program, and the notes say so.
  bool accept_short = false;
  // Called while a file is read with the bytes read so far, from one reading thread at a time.
  std::function<void(std::int64_t)> progress;
};

struct Bounds {
  std::int32_t n = 0;
  std::int32_t m = 0;  // the orders given; only 0 .. min(m, n) enter the bounds
  Probability probability;
  std::vector<double> S;                 // S_0 .. S_m, nearest doubles (infinite beyond a double)
  std::vector<std::string> S_fractions;  // S_0 .. S_m exactly
  Bound lower;
  Bound upper;
  std::vector<OrderRow> by_order;         // with Options::by_order: k = 1 .. min(m, n)
  std::vector<ClassicalBound> classical;  // with Options::classical, for the union
  IndividualBounds individual;            // with Options::individual
  // What the batch program would say on standard error without refusing: a short file, orders
  // above n. Each without the program's name.
  std::vector<std::string> notes;
  // When a bound was not found: why the data fit no probability distribution, as far as a plain
  // look tells (the first number that is no probability, a moment out of reach); empty when
  // both were found or no plain reason shows.
  std::string no_distribution_reason;
};

// The bounds from S_1 .. S_m written as the batch program's --moments takes them: decimals as
// written ("0.1" is 1/10, "1e-3") or fractions of two ("83/22").
Bounds SharpBounds(std::int32_t n, const std::vector<std::string>& moments,
                   Probability probability = Union());

// The same from doubles, each taken as the shortest decimal that reads back as it (0.1 is 1/10,
// as a script writes it), so that the result is the batch program's on the printed numbers. A
// name of its own: with one overload, SharpBounds(3, {"3/2", "3/4"}) would be ambiguous, two
// pointers being an iterator range for a vector of doubles too.
Bounds SharpBoundsFromDoubles(std::int32_t n, const std::vector<double>& moments,
                              Probability probability = Union());

// The bounds from a file of intersection probabilities of orders 1 .. m, as prob.txt of
// unionbound and --prob of the batch program: the exact sum of each block as written.
Bounds SharpBoundsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                           Probability probability = Union());

// The same with more asked than the question.
Bounds SharpBounds(std::int32_t n, const std::vector<std::string>& moments, const Options& options);
Bounds SharpBoundsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                           const Options& options);

// The bounds from the probability of each intersection of up to m of the n events, one per
// subset in the order of prob.txt (order 1: {1}, {2}, ..; order 2: {1,2}, {1,3}, .., {2,3}, ..),
// each written as SharpBounds takes a moment; their sums per order are the moments. With
// Options::individual, the bounds from every intersection too.
Bounds SharpBoundsFromIntersections(std::int32_t n, std::int32_t m,
                                    const std::vector<std::string>& probabilities,
                                    const Options& options = {});

// The binomial moments S_1 .. S_m of such a file, as exact fractions; a file not read whole is
// refused unless `accept_short`.
std::vector<std::string> MomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m,
                                         bool accept_short = false);

}  // namespace unionbound
