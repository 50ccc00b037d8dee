// The whole computation from fuzzed sizes and moments. Byte 0 gives n (1 .. 12), byte 1 gives m
// (0 .. n + 2), byte 2 the kind of moments:
// - even: the moments of a distribution of the number of events whose masses are the next
//   n + 1 bytes (zeros included), so that when the run prints nothing, the true probability of
//   the union must lie between the bounds (up to rounding); with the exact moments beside them
//   the checked run must always find both bounds, within 1e-9 of bracketing that probability;
// - odd: any binomial moments, eight bytes each taken as a double (infinities and
//   not-a-numbers included), for which the run need only end and say nothing undefined, also
//   when the finite ones are checked exactly.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "apps/unionbound/bound_stage.h"
#include "numeric/exact_number.h"
#include "tests/support/console.h"

namespace {

using unionbound::Vector;

// Messages the computation may print on standard output, one per line.
bool OnlyDefinedMessages(const std::string& out) {
  static const char* const kMessages[] = {
      "no feasible solution",
      "the basis changes repeat; no bound found",
      "(LinSolve) The matrix A is singular.",
  };
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    bool known = false;
    for (const char* message : kMessages) {
      known = known || line == message;
    }
    if (!known) {
      return false;
    }
  }
  return out.empty() || out.back() == '\n';
}

bool OnlyOwnLines(const std::string& err) {
  std::istringstream lines(err);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("unionbound: ", 0) != 0) {
      return false;
    }
  }
  return true;
}

double Choose(int k, int i) {
  double c = 1.0;
  for (int j = 1; j <= i; ++j) {
    c = c * (k - i + j) / j;
  }
  return i > k ? 0.0 : c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  const int n = 1 + data[0] % 12;
  const int m = data[1] % (n + 3);
  const bool from_distribution = data[2] % 2 == 0;
  data += 3;
  size -= 3;

  Vector S{1.0};
  unionbound::SequenceOf<unionbound::Rational> S_exact{unionbound::Rational(1)};
  bool exact_known = true;
  double union_probability = 0.0;
  if (from_distribution) {
    if (size < static_cast<std::size_t>(n) + 1) {
      return 0;
    }
    std::vector<double> mass(static_cast<std::size_t>(n) + 1);
    double total = 0.0;
    for (int k = 0; k <= n; ++k) {
      mass[static_cast<std::size_t>(k)] = data[k];
      total += data[k];
    }
    if (total == 0.0) {
      return 0;
    }
    for (double& x : mass) {
      x /= total;
    }
    union_probability = 1.0 - mass[0];
    for (int i = 1; i <= m; ++i) {
      double s = 0.0;
      unionbound::Rational exact(0);
      for (int k = 0; k <= n; ++k) {
        s += Choose(k, i) * mass[static_cast<std::size_t>(k)];
        exact += unionbound::Rational(Choose(k, i) * data[k]) / total;
      }
      S.push_back(s);
      S_exact.push_back(exact);
    }
  } else {
    for (int i = 1; i <= m; ++i) {
      double s = 0.0;
      if (size >= sizeof s) {
        std::memcpy(&s, data, sizeof s);
        data += sizeof s;
        size -= sizeof s;
      }
      S.push_back(s);
      exact_known = exact_known && std::isfinite(s);
      S_exact.push_back(exact_known ? unionbound::Rational(s) : unionbound::Rational(0));
    }
  }

  for (const bool checked : {false, true}) {
    if (checked && !exact_known) {
      break;
    }
    unionbound::BoundReport report;
    const auto [out, err] = unionbound::testing::ConsoleOf(
        [&] { report = unionbound::ComputeBounds(n, m, S, checked ? &S_exact : nullptr); });

    if (!OnlyDefinedMessages(out) || !OnlyOwnLines(err)) {
      std::abort();
    }
    if (checked && from_distribution) {
      // Moments of a real distribution: both bounds exist and bracket its union probability.
      constexpr double kTolerance = 1e-9;
      if (!out.empty() || report.fits_no_distribution ||
          !(report.lower.value <= union_probability + kTolerance) ||
          !(report.upper.value >= union_probability - kTolerance)) {
        std::abort();
      }
      continue;
    }
    // With m > n the stage notes that it drops the orders above n; anything else it says
    // means the figures are not bounds.
    const bool silent = out.empty() && err.find("warning") == std::string::npos;
    if (from_distribution && silent) {
      constexpr double kRounding = 1e-6;
      if (!(report.lower.value <= union_probability + kRounding) ||
          !(report.upper.value >= union_probability - kRounding)) {
        std::abort();
      }
    }
  }
  return 0;
}
