#include "driver/run.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>

#include "driver/bound_stage.h"
#include "driver/input_limits.h"
#include "driver/probability_input.h"
#include "moments/binomial.h"
#include "moments/binomial_moments.h"

namespace unionbound {
namespace {

constexpr const char* kProgram = "unionbound: ";
constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();

// Quotes what was typed, shortened if it is long.
std::string Quoted(const std::string& typed) {
  constexpr std::size_t kShown = 40;
  return "\"" + (typed.size() > kShown ? typed.substr(0, kShown) + "..." : typed) + "\"";
}

// One whole number from 0 to the largest 32-bit integer, as the next white-space-delimited
// word of the input; the white space after it stays unread, as after a stream extraction.
std::optional<std::int32_t> ReadCount(const char* name, const char* meaning) {
  std::string typed;
  if (!(std::cin >> typed)) {
    std::cerr << kProgram << "the input ended before " << name << " (" << meaning << ") was typed"
              << std::endl;
    return std::nullopt;
  }
  const char* first = typed.data() + (typed[0] == '+' ? 1 : 0);
  const char* last = typed.data() + typed.size();
  std::int32_t value = -1;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || value < 0) {
    std::cerr << kProgram << name << " (" << meaning << ") must be a whole number from 0 to "
              << kLargest << ", not " << Quoted(typed) << std::endl;
    return std::nullopt;
  }
  return value;
}

bool UsableSizes(std::int32_t n, std::int32_t m) {
  const std::string problem = SizeProblem(n, m);
  if (!problem.empty()) {
    std::cerr << kProgram << problem << std::endl;
  }
  return problem.empty();
}

// Refuses a "prob.txt" that cannot be read or holds no number; warns when it held fewer
// numbers than needed, whose places the last number read then fills.
bool UsableProbabilities(const ProbabilityRead& read) {
  const auto needed = static_cast<std::int64_t>(read.values.size());
  const std::string refusal = ReadRefusal("prob.txt", read.problem, read.good, needed);
  if (!refusal.empty()) {
    std::cerr << kProgram << refusal << std::endl;
    return false;
  }
  const std::string warning = ShortReadWarning("prob.txt", read.good, needed);
  if (!warning.empty()) {
    std::cerr << kProgram << warning << std::endl;
  }
  return true;
}

// The first number of the file that is no probability, with its place; empty when all are.
std::string FirstImprobableNumber(const ProbabilityRead& read) {
  for (std::int64_t k = 0; k < read.good; ++k) {
    const double p = read.values[static_cast<std::size_t>(k)];
    if (!(p >= 0.0 && p <= 1.0)) {
      std::ostringstream reason;
      reason.precision(17);
      reason << "number " << k + 1 << " of \"prob.txt\", " << p << ", lies outside [0, 1]";
      return reason.str();
    }
  }
  return "";
}

void ReportNoDistribution(const ProbabilityRead& read, std::int32_t n,
                          const SequenceOf<Rational>& S) {
  std::string reason = FirstImprobableNumber(read);
  if (reason.empty()) {
    reason = EvidentMomentProblem(n, S);
  }
  std::cerr << kProgram << "the data as written fit no probability distribution"
            << (reason.empty() ? "" : ": " + reason)
            << "; no value shown is a bound for real events" << std::endl;
}

void WriteMoments(std::int32_t n, std::int32_t m, const Vector& S, std::ostream& file) {
  file << "n=" << n << ", m=" << m << std::endl;
  file << "The binomial moments:" << std::endl;
  file << "{";
  file << std::fixed;
  for (double moment : S) {
    file << std::setprecision(20) << moment << ",";
  }
  file << "}" << std::endl;
}

}  // namespace

int RunUnionbound() {
  std::cout << "Number of events. n=";
  const std::optional<std::int32_t> n = ReadCount("n", "the number of events");
  if (!n) {
    return 2;
  }
  std::cout << "Maximum order of the intersections. m=";
  const std::optional<std::int32_t> m = ReadCount("m", "the maximum order of the intersections");
  if (!m || !UsableSizes(*n, *m)) {
    return 2;
  }

  const ProbabilityRead probabilities = ReadProbabilities(*n, *m);
  if (!UsableProbabilities(probabilities)) {
    return 1;
  }

  errno = 0;
  std::ofstream file("result.txt", std::ios::app);
  if (!file.is_open()) {
    std::cerr << kProgram << "cannot open \"result.txt\" for appending ("
              << std::strerror(errno != 0 ? errno : EACCES) << "); the report was not saved"
              << std::endl;
  }
  const Vector S = BinomialMoments(probabilities.values, *n, *m);
  WriteMoments(*n, *m, S, file);
  // The exact check takes the block sums of the numbers as written, read in the same pass;
  // without them the bounds go unchecked.
  SequenceOf<Rational> exact_S{Rational(1)};
  exact_S.insert(exact_S.end(), probabilities.exact_block_sums.begin(),
                 probabilities.exact_block_sums.end());
  const bool checked = probabilities.exact;
  if (!checked) {
    std::cerr << kProgram << "note: the bounds were not checked in exact arithmetic: "
              << probabilities.exact_problem << std::endl;
  }
  const BoundReport report = ComputeBounds(*n, *m, S, checked ? &exact_S : nullptr);
  if (report.fits_no_distribution) {
    const auto order = static_cast<std::size_t>(std::min(*n, *m)) + 1;
    ReportNoDistribution(probabilities, *n,
                         SequenceOf<Rational>(exact_S.begin(), exact_S.begin() + order));
  }
  WriteBoundBlocks(report, file);
  if (file.is_open()) {
    file.close();
    if (file.fail()) {
      std::cerr << kProgram << "writing \"result.txt\" failed; the report was not saved whole"
                << std::endl;
    }
  }
  WriteBoundBlocks(report, std::cout);

  std::cout << "Press RETURN to continue";
  std::string line;
  std::getline(std::cin, line);
  std::getline(std::cin, line);
  return 0;
}

}  // namespace unionbound
