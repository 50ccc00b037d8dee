// The general moment program on the exact moments of a fuzzed distribution. Byte 0 gives n: 1 .. 60
// below 240, otherwise 61 .. 2060 from bytes 1 and 2. Then one byte each for m (1 .. min(n, 8), 1
// .. 3 beyond 60), the question (the union, P(X >= r) or P(X = r)) and r (1 .. n, two bytes when n
// > 255); the rest, in threes, places a weight (third byte) on a subscript (first two bytes, modulo
// n + 1). Both goals are solved with both pricings: each must be optimal, the two must agree
// exactly, and the minimum and maximum must hold the true probability of the distribution.
#include <gmpxx.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>

#include "bounds/moment_program.h"
#include "tests/fuzz/fuzz_bytes.h"

namespace {

using unionbound::Goal;
using unionbound::MomentProgramResult;
using unionbound::Pricing;
using unionbound::ProgramStatus;
using unionbound::Question;
using unionbound::QuestionKind;
using unionbound::Rational;
using unionbound::fuzzing::Bytes;

bool Counted(const Question& question, std::int32_t j) {
  const std::int32_t r = question.kind == QuestionKind::kUnion ? 1 : question.r;
  return question.kind == QuestionKind::kExactly ? j == r : j >= r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const unsigned first = bytes.Next();
  std::int32_t n = 1 + static_cast<std::int32_t>(first % 60);
  if (first >= 240) {
    n = 61 + static_cast<std::int32_t>(bytes.NextTwo() % 2000);
  }
  // Beyond 60 the scan's pivots cost n m each and the first phase may walk n / 2 of them: fewer
  // orders keep a run to milliseconds.
  const std::int32_t m = 1 + static_cast<std::int32_t>(bytes.Next() % std::min(n, n > 60 ? 3 : 8));
  Question question;
  const unsigned kind = bytes.Next() % 3;
  const unsigned r_bytes = n > 255 ? bytes.NextTwo() : bytes.Next();
  if (kind != 0) {
    question = {kind == 1 ? QuestionKind::kAtLeast : QuestionKind::kExactly,
                1 + static_cast<std::int32_t>(r_bytes % static_cast<unsigned>(n))};
  }

  std::map<std::int32_t, unsigned long> weights;
  while (bytes.left() > 0) {
    const unsigned place = bytes.NextTwo();
    const unsigned weight = bytes.Next();
    weights[static_cast<std::int32_t>(place % static_cast<unsigned>(n + 1))] += weight;
  }
  unsigned long total = 0;
  for (const auto& [j, w] : weights) {
    total += w;
  }
  if (total == 0) {
    weights[0] = total = 1;
  }

  unionbound::SequenceOf<Rational> S;
  for (std::int32_t i = 0; i <= m; ++i) {
    mpz_class sum = 0;
    for (const auto& [j, w] : weights) {
      mpz_class binomial;
      mpz_bin_uiui(binomial.get_mpz_t(), static_cast<unsigned long>(j),
                   static_cast<unsigned long>(i));
      sum += binomial * w;
    }
    S.emplace_back(sum, total);
    S.back().canonicalize();
  }
  Rational truth = 0;
  for (const auto& [j, w] : weights) {
    if (Counted(question, j)) {
      truth += Rational(w, total);
    }
  }

  for (const Goal goal : {Goal::kMinimum, Goal::kMaximum}) {
    const MomentProgramResult scan =
        unionbound::SolveMomentProgram(goal, question, n, S, Pricing::kScan);
    const MomentProgramResult roots =
        unionbound::SolveMomentProgram(goal, question, n, S, Pricing::kRoots);
    if (scan.status != ProgramStatus::kOptimal || roots.status != ProgramStatus::kOptimal ||
        roots.value != scan.value) {
      std::abort();
    }
    if (goal == Goal::kMinimum ? roots.value > truth : roots.value < truth) {
      std::abort();
    }
  }
  return 0;
}
