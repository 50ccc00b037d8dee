#include "apps/unionbound/run.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "apps/common/exit_status.h"
#include "apps/common/output_failure.h"
#include "apps/common/progress_line.h"
#include "apps/unionbound/bound_stage.h"
#include "bounds/moment_problem.h"
#include "input/input_limits.h"
#include "input/probability_input.h"
#include "input/read_messages.h"
#include "moments/binomial_moments.h"

namespace unionbound {
namespace {

constexpr const char* kProgram = "unionbound: ";
constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();

// The status of a run that showed its bounds: a failed write first (what the user holds is not
// what was computed), then data that were not what the bounds assume. The bytes shown stay
// those of a run that goes well, so that stored reports compare; only the status tells.
int ShownStatus(bool output_failed, bool report_saved, bool read_whole, bool fits_a_distribution) {
  if (output_failed) {
    return exit_status::kOutputFailed;
  }
  if (!report_saved) {
    return exit_status::kWriteFailed;
  }
  if (!read_whole) {
    return exit_status::kNotReadWhole;
  }
  return fits_a_distribution ? exit_status::kAnswered : exit_status::kNoDistribution;
}

// Quotes what was typed, shortened if it is long.
std::string Quoted(const std::string& typed) {
  constexpr std::size_t kShown = 40;
  return "\"" + (typed.size() > kShown ? typed.substr(0, kShown) + "..." : typed) + "\"";
}

// One whole number from 0 to `largest`, as the next white-space-delimited word of the input; the
// white space after it stays unread, as after a stream extraction.
std::optional<std::int32_t> ReadCount(const char* name, const char* meaning, std::int32_t largest) {
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
              << largest << ", not " << Quoted(typed) << std::endl;
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

// Refuses a "prob.txt" that cannot be read or holds no number; warns where and why reading
// stopped, when it held fewer numbers than needed (whose places the last number read then
// fills) or more, and of numbers that are no probabilities.
bool UsableProbabilities(const ProbabilityRead& read, std::int32_t n, std::int32_t m) {
  const ReadMessages messages = ReadWarnings("prob.txt", read, n, m);
  for (const std::string& warning : messages.warnings) {
    std::cerr << kProgram << warning << std::endl;
  }
  if (!messages.refusal.empty()) {
    std::cerr << kProgram << messages.refusal << std::endl;
    return false;
  }
  return true;
}

void ReportNoDistribution(const ProbabilityRead& read, std::int32_t n,
                          const SequenceOf<Rational>& S) {
  std::string reason = FirstImprobableNumber("prob.txt", read);
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

// The report's bytes as they are appended to "result.txt": the moments, then the bound blocks
// in the notation the moments leave set.
std::string ReportText(std::int32_t n, std::int32_t m, const Vector& S, const BoundReport& report) {
  std::ostringstream text;
  WriteMoments(n, m, S, text);
  WriteBoundBlocks(report, text);
  return text.str();
}

constexpr const char* kUsage =
    "Usage: unionbound [-h | --help | --version]\n"
    "\n"
    "Sharp bounds on the probability that at least one of n events occurs, from the\n"
    "probabilities of their intersections of up to m events. Asks for n and m on standard\n"
    "input, reads the probabilities from \"prob.txt\" in the working directory, appends a\n"
    "report to \"result.txt\" there, shows the bounds and waits for RETURN.\n"
    "\n"
    "Exit status: 0 a report was made; 1 \"prob.txt\" cannot be used; 2 n or m cannot be\n"
    "used, the input ended before them, or an unknown argument; 3 the report was made but\n"
    "standard output could not be written; 4 the bounds shown are of data that were not read\n"
    "whole (reading stopped at a word that is not a number, or the file ended early); 5 the\n"
    "data fit no probability distribution, so no value shown is a bound; 6 the report could\n"
    "not be appended to \"result.txt\".\n"
    "\n"
    "UNIONBOUND_THREADS sets the threads that read \"prob.txt\" (1 to 256).\n"
    "\n"
    "Example: printf '3\\n2\\n\\n' | unionbound    (n=3, m=2, then RETURN)\n"
    "\n"
    "For scripts, orders above 20 and exact fractions: unionbound-batch --help.\n"
    "The manual page unionbound(1) says more.\n";

}  // namespace

int RunUnionbound() {
  OutputFailure output;
  std::cout << "Number of events. n=";
  // Reading flushes the prompt, which is where a standard output that cannot be written shows.
  errno = 0;
  const std::optional<std::int32_t> n = ReadCount("n", "the number of events", kLargest);
  output.Notice();
  if (!n) {
    return exit_status::kUnusableArguments;
  }
  std::cout << "Maximum order of the intersections. m=";
  errno = 0;
  const std::optional<std::int32_t> m =
      ReadCount("m", "the maximum order of the intersections", kLargestOrder);
  output.Notice();
  if (!m || !UsableSizes(*n, *m)) {
    return exit_status::kUnusableArguments;
  }

  if (const ThreadSetting threads = ReaderThreads(); !threads.problem.empty()) {
    std::cerr << kProgram << "warning: " << threads.problem << std::endl;
  }
  ProgressLine progress = StandardErrorProgress(kProgram, "prob.txt");
  const ProbabilityRead probabilities =
      ReadProbabilities(*n, *m, [&progress](std::int64_t read) { progress.Update(read); });
  progress.Finish();
  if (!UsableProbabilities(probabilities, *n, *m)) {
    return exit_status::kUnusableFile;
  }

  AppendFile file("result.txt");
  if (file.open_error() != 0) {
    std::cerr << kProgram << "cannot open \"result.txt\" for appending ("
              << std::strerror(file.open_error()) << "); the report was not saved" << std::endl;
  }
  Vector S{1.0};
  S.insert(S.end(), probabilities.block_sums.begin(), probabilities.block_sums.end());
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
  bool report_saved = file.open_error() == 0;
  if (report_saved && file.AppendAndClose(ReportText(*n, *m, S, report)) != 0) {
    std::cerr << kProgram << "writing \"result.txt\" failed; the report was not saved whole"
              << std::endl;
    report_saved = false;
  }
  WriteBoundBlocks(report, std::cout);

  std::cout << "Press RETURN to continue";
  const int error = output.Flush();
  if (error != 0) {
    std::cerr << kProgram << "cannot write standard output (" << std::strerror(error)
              << "); the bounds were not shown" << std::endl;
  }
  const int status = ShownStatus(error != 0, report_saved, probabilities.end == ReadEnd::kCount,
                                 !report.fits_no_distribution);
  std::string line;
  std::getline(std::cin, line);
  std::getline(std::cin, line);
  return status;
}

int UnionboundMain(int argc, const char* const* argv) {
  if (argc <= 1) {
    return RunUnionbound();
  }
  const std::string_view argument = argv[1];
  if (argc == 2 && (argument == "--help" || argument == "-h")) {
    std::cout << kUsage;
    return OutputFailure().Flush() == 0 ? exit_status::kAnswered : exit_status::kOutputFailed;
  }
  if (argc == 2 && argument == "--version") {
    std::cout << "unionbound " << UNIONBOUND_VERSION << "\n";
    return OutputFailure().Flush() == 0 ? exit_status::kAnswered : exit_status::kOutputFailed;
  }
  std::cerr << kProgram << "unknown argument "
            << Quoted(std::string(argc == 2 ? argument : argv[2])) << "; try 'unionbound --help'"
            << std::endl;
  return exit_status::kUnusableArguments;
}

}  // namespace unionbound
