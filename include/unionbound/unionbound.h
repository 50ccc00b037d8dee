#pragma once

// unionbound as a library: the sharp lower and upper bounds on P(at least one of n events
// occurs), P(at least R occur) or P(exactly R occur) from the binomial moments S_1 .. S_m,
// computed in exact rational arithmetic as unionbound-batch computes them. Fractions are
// strings ("7/10"), so that this header needs nothing beyond the standard library. Nothing here
// prints; a refusal throws unionbound::Error with the words unionbound-batch prints for it.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace unionbound {

// Unusable arguments or input: the message is the batch program's, without its name.
class Error : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
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
  std::int64_t basis_changes = 0;
  double seconds = 0.0;  // to the microsecond
};

struct Bounds {
  std::int32_t n = 0;
  std::int32_t m = 0;                    // the orders given; only 0 .. min(m, n) enter the bounds
  std::vector<double> S;                 // S_0 .. S_m, nearest doubles (infinite beyond a double)
  std::vector<std::string> S_fractions;  // S_0 .. S_m exactly
  Bound lower;
  Bound upper;
  // What the batch program would say on standard error without refusing: a short file, orders
  // above n. Each without the program's name.
  std::vector<std::string> notes;
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

// The binomial moments S_1 .. S_m of such a file, as exact fractions.
std::vector<std::string> MomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m);

}  // namespace unionbound
