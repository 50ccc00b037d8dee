#include "driver/input_limits.h"

#include <fstream>
#include <iomanip>
#include <limits>
#include <optional>
#include <sstream>

#include "moments/binomial.h"

namespace unionbound {
namespace {

// The memory the system can still give this process, from the kernel's estimate; none where
// that is not available.
std::optional<double> AvailableMemoryBytes() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  double kilobytes = 0.0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") {
      return kilobytes * 1024.0;
    }
  }
  return std::nullopt;
}

// The largest figures a run holds: the probabilities, and the nodes, the objective and its
// negation, each of n + 1 doubles in double-ended queues (a little over 8 bytes an entry).
double MemoryNeeded(std::int32_t n, std::int64_t count) {
  constexpr double kBytesPerEntry = 8.25;
  return kBytesPerEntry * (static_cast<double>(count) + 3.0 * (static_cast<double>(n) + 1.0));
}

}  // namespace

std::string SizeProblem(std::int32_t n, std::int32_t m, std::int32_t largest_order) {
  constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
  std::ostringstream problem;
  if (m > largest_order) {
    problem << "m=" << m << " is too large: orders above " << largest_order
            << " take too long to solve";
    return problem.str();
  }
  const std::int64_t count = ProbabilityCount(n, m);
  if (count > kLargest) {
    problem << "n=" << n << " and m=" << m << " need more than " << kLargest
            << " intersection probabilities; no run handles that many";
    return problem.str();
  }
  const double needed = MemoryNeeded(n, count);
  const std::optional<double> available = AvailableMemoryBytes();
  if (available && needed > *available) {
    constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
    problem << "n=" << n << " and m=" << m << " need about " << std::fixed << std::setprecision(1)
            << needed / kGiB << " GiB of memory, more than the " << *available / kGiB
            << " GiB available";
  }
  return problem.str();
}

}  // namespace unionbound
