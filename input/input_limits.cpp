#include "input/input_limits.h"

#include <limits>
#include <sstream>

#include "moments/binomial.h"

namespace unionbound {

std::string SizeProblem(std::int32_t n, std::int32_t m, std::int32_t largest_order) {
  std::ostringstream problem;
  if (m > largest_order) {
    problem << "m=" << m << " is too large: orders above " << largest_order
            << " take too long to solve";
    return problem.str();
  }
  // ProbabilityCount saturates there: a count that large cannot be told from a larger one.
  if (ProbabilityCount(n, m) == std::numeric_limits<std::int64_t>::max()) {
    problem << "n=" << n << " and m=" << m
            << " need more intersection probabilities than a 64-bit count holds; no run handles "
               "that many";
  }
  return problem.str();
}

}  // namespace unionbound
