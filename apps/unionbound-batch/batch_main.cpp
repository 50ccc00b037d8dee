// unionbound-batch: the sharp bounds for scripts. The same reader and moments as the
// interactive program, the binomial moments given directly if need be, every bound computed in
// exact rational arithmetic and shown as the nearest double (with its fraction on request), a
// JSON report, and the classical bounds beside the sharp ones.
#include "apps/unionbound-batch/batch_main.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "apps/common/exit_status.h"
#include "apps/common/output_failure.h"
#include "apps/common/progress_line.h"
#include "apps/unionbound-batch/report.h"
#include "bounds/question.h"
#include "input/moment_data.h"
#include "unionbound/partial_sums.h"
#include "unionbound/unionbound.h"

namespace unionbound {
namespace {

constexpr const char* kProgram = "unionbound-batch: ";

// A refusal: the message goes to standard error, and nothing to standard output.
struct Unusable {
  std::string message;
  int status = exit_status::kUnusableArguments;
};

// How a mistyped command line is answered: one line, and where to look.
constexpr const char* kTryHelp = "; try 'unionbound-batch --help'";

constexpr const char* kFooter =
    "Exit status: 0 both bounds were found; 1 the --prob file cannot be used (missing,\n"
    "unreadable, no number), or the --sums do not merge; 2 unusable arguments; 3 standard\n"
    "output could not be written; 4 the --prob file was not read whole (without\n"
    "--accept-short), or the --sums leave a range of it out; 5 the data fit no\n"
    "probability distribution, so no bound exists; 6 the --plot file could not be written.\n"
    "Flags are off unless given. UNIONBOUND_THREADS sets the threads that read a file.\n"
    "\n"
    "Example: unionbound-batch --n 3 --moments 1.5,0.75 --exact\n"
    "\n"
    "The manual page unionbound-batch(1) says more.";

// The command line as given.
struct Arguments {
  std::int32_t n = 0;
  std::optional<std::int32_t> m;
  std::string prob;
  std::string moments;
  bool exact = false;
  bool json = false;
  bool classical = false;
  bool individual = false;
  std::optional<std::string> at_least;
  std::optional<std::string> exactly;
  bool by_order = false;
  std::string plot;
  bool accept_short = false;
  // The steps of work spread over processes or machines: a part's sums, a count of a byte
  // range's numbers, and the bounds from merged sums.
  bool partial = false;
  bool count = false;
  std::string bytes;
  std::int64_t first_index = 0;
  std::int32_t order = 0;
  std::vector<std::string> sums;
};

// The items between commas, white space around each dropped ("1.5, 0.75" as "1.5,0.75").
std::vector<std::string> SplitList(const std::string& list) {
  const auto trimmed = [](const std::string& item) {
    const std::size_t first = item.find_first_not_of(" \t\n\r\f\v");
    const std::size_t last = item.find_last_not_of(" \t\n\r\f\v");
    return first == std::string::npos ? std::string() : item.substr(first, last - first + 1);
  };
  std::vector<std::string> items;
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) {
    items.push_back(trimmed(item));
  }
  if (!list.empty() && list.back() == ',') {
    items.emplace_back();
  }
  return items;
}

// Whether `text` is a whole number from 0 to the largest Integer, and its value.
template <class Integer>
bool WholeNumberOf(std::string_view text, Integer& value) {
  const char* last = text.data() + text.size();
  const auto [end, error] = std::from_chars(text.data(), last, value);
  return !text.empty() && error == std::errc() && end == last && value >= 0;
}

// The options' whole numbers up to the largest Integer, refused in one line: CLI11's own range
// check would write the largest double out in full.
template <class Integer>
CLI::Validator WholeNumberValidator() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        Integer value = 0;
        if (!WholeNumberOf(text, value)) {
          return "\"" + text + "\" is not a whole number from 0 to " +
                 std::to_string(std::numeric_limits<Integer>::max());
        }
        return "";
      },
      "WHOLE NUMBER");
}

// A count as the options take it, and an index or an offset in a file.
const CLI::Validator kWholeNumber = WholeNumberValidator<std::int32_t>();
const CLI::Validator kWholeIndex = WholeNumberValidator<std::int64_t>();

// The long options written with one dash ("-n 3"), which CLI11 would take for something else:
// the first one found, or none.
std::optional<std::string> SingleDashOption(int argc, const char* const* argv) {
  static const char* const kNames[] = {
      "n",        "m",       "prob",        "moments", "exact",   "json",         "classical",
      "at-least", "exactly", "by-order",    "plot",    "version", "accept-short", "partial",
      "count",    "bytes",   "first-index", "order",   "sums",    "individual"};
  for (int i = 1; i < argc; ++i) {
    for (const char* name : kNames) {
      if (std::string(argv[i]) == std::string("-") + name) {
        return std::string(name);
      }
    }
  }
  return std::nullopt;
}

// What is wrong with the words the parser did not take, the first of them in the order given:
// an option this program does not have, or a value no option asked for.
std::string ExtrasMessage(int argc, const char* const* argv,
                          const std::vector<std::string>& extras) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (std::find(extras.begin(), extras.end(), word) != extras.end()) {
      return word.size() > 1 && word[0] == '-' ? "unknown option " + word
                                               : "unexpected argument \"" + word + "\"";
    }
  }
  return "unexpected argument \"" + extras.front() + "\"";
}

// The union unless --at-least or --exactly asks otherwise.
Question QuestionOf(const Arguments& options) {
  if (!options.at_least && !options.exactly) {
    return kUnion;
  }
  const QuestionChoice choice =
      options.at_least ? ChooseQuestion(QuestionKind::kAtLeast, *options.at_least, options.n)
                       : ChooseQuestion(QuestionKind::kExactly, *options.exactly, options.n);
  if (!choice.refusal.empty()) {
    throw Unusable{choice.refusal};
  }
  return choice.question;
}

// The library's name for the question.
Probability ProbabilityOf(const Question& question) {
  switch (question.kind) {
    case QuestionKind::kAtLeast:
      return AtLeast(question.r);
    case QuestionKind::kExactly:
      return Exactly(question.r);
    case QuestionKind::kUnion:
      break;
  }
  return Union();
}

void PrintNotes(const std::vector<std::string>& notes) {
  for (const std::string& note : notes) {
    std::cerr << kProgram << note << std::endl;
  }
}

// The status of a refusal by the library: a file's, a short read's, or the arguments'.
int StatusOf(const Error& error) {
  switch (error.cause()) {
    case Error::Cause::kNotReadWhole:
      return exit_status::kNotReadWhole;
    case Error::Cause::kInput:
      return exit_status::kUnusableFile;
    case Error::Cause::kArgument:
      break;
  }
  return exit_status::kUnusableArguments;
}

// The lines of a file, or of standard input for "-".
std::vector<std::string> LinesOf(const std::string& path) {
  std::ifstream file;
  if (path != "-") {
    file.open(path, std::ios::binary);
    if (!file) {
      throw Unusable{"cannot read \"" + path + "\": " + std::strerror(errno),
                     exit_status::kUnusableFile};
    }
  }
  std::istream& in = path == "-" ? std::cin : file;
  std::vector<std::string> lines;
  errno = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.find_first_not_of(" \t\r") != std::string::npos) {
      lines.push_back(line);
    }
  }
  // A folder opens as a stream, and its first read fails.
  if (in.bad()) {
    throw Unusable{"cannot read " +
                       (path == "-" ? std::string("standard input") : "\"" + path + "\"") + ": " +
                       std::strerror(errno != 0 ? errno : EIO),
                   exit_status::kUnusableFile};
  }
  return lines;
}

// Every part's sums of the --sums files, one JSON object a line, merged; a refusal names the
// file and line.
PartialSums MergedSums(const std::vector<std::string>& paths) {
  PartialSums merged;
  bool any = false;
  for (const std::string& path : paths) {
    const std::vector<std::string> lines = LinesOf(path);
    for (std::size_t k = 0; k < lines.size(); ++k) {
      try {
        merged = MergeSums(merged, PartialSumsFromJson(lines[k]));
        any = true;
      } catch (const Error& error) {
        throw Unusable{"--sums " +
                           (path == "-" ? std::string("standard input") : "\"" + path + "\"") +
                           ", line " + std::to_string(k + 1) + ": " + error.what(),
                       StatusOf(error)};
      }
    }
  }
  if (!any) {
    throw Unusable{"--sums: no partial sums were given", exit_status::kUnusableFile};
  }
  return merged;
}

// The range of --bytes FROM:TO (TO left out for the file's end).
std::pair<std::int64_t, std::int64_t> ByteRangeOf(const std::string& text) {
  std::pair<std::int64_t, std::int64_t> range{0, -1};
  if (text.empty()) {
    return range;
  }
  const std::size_t colon = text.find(':');
  const std::string_view view(text);
  if (colon == std::string::npos || !WholeNumberOf(view.substr(0, colon), range.first) ||
      !(colon + 1 == text.size() || WholeNumberOf(view.substr(colon + 1), range.second)) ||
      (range.second >= 0 && range.second < range.first)) {
    throw Unusable{"--bytes \"" + text +
                   "\" is not FROM:TO, two byte offsets with FROM <= TO "
                   "(TO left out for the file's end)"};
  }
  return range;
}

// --count: how many numbers start in the --bytes range. --partial: the range's sums as one
// line of JSON. Neither solves anything.
int RunPartStep(const Arguments& options) {
  const auto [from, to] = ByteRangeOf(options.bytes);
  std::string line;
  try {
    if (options.count) {
      line = std::to_string(CountNumbers(options.prob, from, to));
    } else {
      const FilePart part{options.prob, from, to, options.first_index, options.order};
      line = ToJson(SumPart(part, options.n, *options.m));
    }
  } catch (const Error& error) {
    throw Unusable{error.what(), StatusOf(error)};
  }
  OutputFailure output;
  errno = 0;
  std::cout << line << "\n";
  output.Notice();
  if (const int error = output.Flush(); error != 0) {
    std::cerr << kProgram << "cannot write standard output (" << std::strerror(error) << ")"
              << std::endl;
    return exit_status::kOutputFailed;
  }
  return exit_status::kAnswered;
}

// The bounds as the library computes them, with a progress line while a file is read; what
// the library says of the data goes to standard error before anything else.
Bounds Compute(const Arguments& options, const Question& question) {
  unionbound::Options asked;
  asked.probability = ProbabilityOf(question);
  asked.by_order = options.by_order || !options.plot.empty();
  asked.classical = options.classical;
  asked.individual = options.individual;
  asked.accept_short = options.accept_short;
  try {
    if (!options.moments.empty()) {
      const std::vector<std::string> items = SplitList(options.moments);
      // The library names a moment by its place; the command line has one option for them all.
      if (const MomentData checked = MomentsFromItems(items); !checked.refusal.empty()) {
        throw Unusable{"--moments: " + checked.refusal, exit_status::kUnusableArguments};
      }
      Bounds bounds = SharpBounds(options.n, items, asked);
      PrintNotes(bounds.notes);
      return bounds;
    }
    if (!options.sums.empty()) {
      const PartialSums sums = MergedSums(options.sums);
      if (sums.n != options.n || (options.m && *options.m != sums.m)) {
        throw Unusable{"the sums are for n=" + std::to_string(sums.n) +
                       ", m=" + std::to_string(sums.m) + ", not n=" + std::to_string(options.n) +
                       (options.m ? ", m=" + std::to_string(*options.m) : "")};
      }
      Bounds bounds = SharpBoundsFromSums(sums, asked);
      PrintNotes(bounds.notes);
      return bounds;
    }
    ProgressLine progress = StandardErrorProgress(kProgram, options.prob);
    asked.progress = [&progress](std::int64_t bytes) { progress.Update(bytes); };
    Bounds bounds = SharpBoundsFromFile(options.prob, options.n, *options.m, asked);
    progress.Finish();
    PrintNotes(bounds.notes);
    return bounds;
  } catch (const Error& error) {
    PrintNotes(error.notes());
    switch (error.cause()) {
      case Error::Cause::kNotReadWhole:
        throw Unusable{error.what() + std::string(options.sums.empty()
                                                      ? " (--accept-short lets the last number "
                                                        "read stand for the rest)"
                                                      : ""),
                       exit_status::kNotReadWhole};
      case Error::Cause::kInput:
        throw Unusable{error.what(), exit_status::kUnusableFile};
      case Error::Cause::kArgument:
        break;
    }
    throw Unusable{error.what(), exit_status::kUnusableArguments};
  }
}

bool EndsWithSvg(const std::string& path) {
  const std::string suffix = ".svg";
  if (path.size() < suffix.size()) {
    return false;
  }
  std::string end = path.substr(path.size() - suffix.size());
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return end == suffix;
}

void WritePlot(const std::string& path, const std::string& svg) {
  std::ofstream file(path, std::ios::binary);
  file << svg;
  file.close();
  if (!file) {
    throw Unusable{"cannot write the plot to \"" + path + "\"", exit_status::kWriteFailed};
  }
}

int Run(const Arguments& options) {
  if (options.partial || options.count) {
    return RunPartStep(options);
  }
  // A question that cannot be asked is refused before a large file is read.
  const Question question = QuestionOf(options);
  const Bounds bounds = Compute(options, question);
  const Shown shown{question, options.exact, options.by_order};
  // Before the report, so that a plot that cannot be written leaves standard output empty.
  if (!options.plot.empty()) {
    WritePlot(options.plot, SvgReport(bounds, shown));
  }
  OutputFailure output;
  errno = 0;
  if (options.json) {
    std::cout << JsonReport(bounds, shown).dump(2) << "\n";
  } else {
    std::cout << TextReport(bounds, shown);
  }
  output.Notice();
  if (const int error = output.Flush(); error != 0) {
    std::cerr << kProgram << "cannot write standard output (" << std::strerror(error)
              << "); the report was not shown whole" << std::endl;
    return exit_status::kOutputFailed;
  }
  const bool both = bounds.lower.found && bounds.upper.found;
  if (!both) {
    const std::string& reason = bounds.no_distribution_reason;
    std::cerr << kProgram << "the data as written fit no probability distribution"
              << (reason.empty() ? "" : ": " + reason) << "; no bound exists" << std::endl;
  }
  // The sums may fit a distribution where the intersections themselves fit none.
  const IndividualBounds& individual = bounds.individual;
  const bool individual_found =
      !individual.given || (individual.lower.found && individual.upper.found);
  if (both && !individual_found) {
    std::cerr << kProgram << "the intersections as written fit no probability distribution: "
              << individual.no_distribution_reason << "; no bound from every intersection exists"
              << std::endl;
  }
  return both && individual_found ? exit_status::kAnswered : exit_status::kNoDistribution;
}

}  // namespace

int BatchMain(int argc, const char* const* argv) {
  Arguments options;
  CLI::App app{
      "Sharp lower and upper bounds on the probability that at least one of n events occurs, "
      "from the probabilities of their intersections (--prob) or their binomial moments "
      "(--moments).",
      "unionbound-batch"};
  app.footer(kFooter);
  // Unknown words are answered after the parse, before a missing --n, so that a mistyped option
  // is named as such.
  app.allow_extras();
  app.set_version_flag("--version", std::string("unionbound-batch ") + UNIONBOUND_VERSION);
  auto* n = app.add_option("--n", options.n, "number of events (required)")->check(kWholeNumber);
  auto* m = app.add_option("--m", options.m, "maximum order of the intersections in --prob")
                ->check(kWholeNumber);
  auto* prob = app.add_option("--prob", options.prob,
                              "file of intersection probabilities, as prob.txt of unionbound");
  auto* moments =
      app.add_option("--moments", options.moments, "binomial moments S1,...,Sm (m is their count)");
  prob->excludes(moments);
  moments->excludes(m);
  app.add_flag("--exact", options.exact,
               "show the exact fractions beside the doubles (the computation is always exact: "
               "\"0.1\" is 1/10)");
  app.add_flag("--json", options.json, "one JSON object on standard output");
  app.add_flag("--classical", options.classical,
               "the classical bounds of the union beside the sharp ones");
  auto* individual =
      app.add_flag("--individual", options.individual,
                   "the bounds from every intersection given, not only from their sums: over "
                   "every distribution on the 2^n atoms with the file's intersections (n up to "
                   "20); exact, and never wider than the sharp ones");
  individual->needs(prob);
  auto* at_least = app.add_option("--at-least", options.at_least,
                                  "bound P(at least R of the n events occur) instead, 1 <= R <= n")
                       ->type_name("R");
  app.add_option("--exactly", options.exactly,
                 "bound P(exactly R of the n events occur) instead, 1 <= R <= n")
      ->type_name("R")
      ->excludes(at_least);
  app.add_flag("--by-order", options.by_order,
               "the sharp bounds from S_1 .. S_k for every order k, one row each");
  app.add_option("--plot", options.plot,
                 "draw the bounds for every order k into an SVG file (its name ends in .svg)")
      ->type_name("FILE.svg");
  app.add_flag("--accept-short", options.accept_short,
               "take a --prob file that was not read whole (reading stopped at a word that is not "
               "a number, or the file ended early) as unionbound does: the last number read stands "
               "for the rest, with a warning; without it such a file is refused")
      ->needs(prob);
  auto* partial = app.add_flag("--partial", options.partial,
                               "print the exact sums of the --prob file's numbers (or of the "
                               "--bytes range's) as one line of JSON, to merge with --sums");
  auto* count = app.add_flag("--count", options.count,
                             "print how many numbers start in the --prob file (or in the "
                             "--bytes range): the next range's --first-index is the running "
                             "total");
  auto* bytes = app.add_option("--bytes", options.bytes,
                               "with --partial or --count: the byte range FROM:TO of the file, "
                               "TO excluded (FROM: for the rest); a number belongs to the range "
                               "where it starts")
                    ->type_name("FROM:TO");
  auto* first_index =
      app.add_option("--first-index", options.first_index,
                     "with --partial: the index (from 0) of the range's first number in the file")
          ->check(kWholeIndex)
          ->type_name("I");
  auto* order = app.add_option("--order", options.order,
                               "with --partial: every number of the file is of order K (one "
                               "file, or several, for each order)")
                    ->check(kWholeNumber)
                    ->type_name("K");
  auto* sums = app.add_option("--sums", options.sums,
                              "merge the partial sums in these files (\"-\" for standard "
                              "input; one JSON object a line) and answer from them")
                   ->type_name("FILE ...");
  partial->needs(prob)->excludes(count)->excludes(sums);
  count->needs(prob)->excludes(sums);
  bytes->needs(prob);
  first_index->needs(partial);
  order->needs(partial);
  sums->excludes(prob)->excludes(moments);
  if (const std::optional<std::string> name = SingleDashOption(argc, argv)) {
    std::cerr << kProgram << "-" << *name << ": the options take two dashes: --" << *name
              << kTryHelp << std::endl;
    return exit_status::kUnusableArguments;
  }
  try {
    app.parse(argc, argv);
    if (const std::vector<std::string> extras = app.remaining(); !extras.empty()) {
      std::cerr << kProgram << ExtrasMessage(argc, argv, extras) << kTryHelp << std::endl;
      return exit_status::kUnusableArguments;
    }
    if (!options.prob.empty() && !options.count && !options.m) {
      throw CLI::RequiresError("--prob", "--m");
    }
    if (n->count() == 0 && !options.count) {
      throw CLI::RequiredError("--n");
    }
    if (options.prob.empty() && options.moments.empty() && options.sums.empty()) {
      throw CLI::ValidationError(
          "one of --prob FILE (with --m), --moments S1,...,Sm and --sums FILE is needed");
    }
    if (bytes->count() > 0 && !options.partial && !options.count) {
      throw CLI::ValidationError("--bytes goes with --partial or --count");
    }
    if ((options.partial || options.count) &&
        (options.json || options.exact || options.classical || options.individual ||
         options.by_order || options.at_least || options.exactly || !options.plot.empty() ||
         options.accept_short)) {
      throw CLI::ValidationError(
          std::string(options.partial ? "--partial" : "--count") +
          " prints a step of the work, not bounds: it takes no --json, --exact, --classical, "
          "--individual, "
          "--at-least, --exactly, --by-order, --plot or --accept-short");
    }
    if (!options.plot.empty() && !EndsWithSvg(options.plot)) {
      throw CLI::ValidationError("--plot \"" + options.plot +
                                 "\": the picture is SVG, so its file name ends in .svg");
    }
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::cout << app.version() << std::endl;
    return 0;
  } catch (const CLI::ParseError& error) {
    std::cerr << kProgram << error.what() << kTryHelp << std::endl;
    return exit_status::kUnusableArguments;
  }
  try {
    return Run(options);
  } catch (const Unusable& refusal) {
    std::cerr << kProgram << refusal.message
              << (refusal.status == exit_status::kUnusableArguments ? kTryHelp : "") << std::endl;
    return refusal.status;
  }
}

}  // namespace unionbound
