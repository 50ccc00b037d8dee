// The bounds from every intersection on a fuzzed system of events over a small sample space.
// Byte 0 gives n (1 .. 7), byte 1 m (1 .. n + 1, so that every order is given at times), byte 2
// the question (the union, P(X >= r) or P(X = r)) and byte 3 r; byte 4, when odd, spoils one
// intersection (byte 5 its place, byte 6 how much) so that the data may fit nothing. The rest,
// in pairs, is the sample space: a weight (first byte, 1 .. 256) on the set of events the second
// byte names. When the data fit a distribution, both bounds must be optimal, hold the true
// probability, lie inside the sums' sharp interval, and come with a distribution that gives
// every intersection its value; whatever the data, an optimum must come with such a
// distribution.
#include <gmpxx.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bounds/atom_program.h"
#include "bounds/moment_program.h"
#include "tests/fuzz/fuzz_bytes.h"

namespace {

using unionbound::AtomBound;
using unionbound::Goal;
using unionbound::ProgramStatus;
using unionbound::Question;
using unionbound::QuestionKind;
using unionbound::Rational;
using unionbound::fuzzing::Bytes;

bool Counted(const Question& question, std::uint32_t atom) {
  const int k = std::popcount(atom);
  const int r = question.kind == QuestionKind::kUnion ? 1 : question.r;
  return question.kind == QuestionKind::kExactly ? k == r : k >= r;
}

void Require(bool condition) {
  if (!condition) {
    std::abort();
  }
}

// The bound's distribution gives every intersection its value and the question the bound.
void RequireAttains(const AtomBound& bound, const Question& question,
                    const std::vector<std::uint32_t>& subsets,
                    const std::vector<Rational>& values) {
  Require(bound.status == ProgramStatus::kOptimal);
  Rational total;
  Rational counted;
  for (const auto& [atom, probability] : bound.distribution) {
    Require(probability > 0);
    total += probability;
    if (Counted(question, atom)) {
      counted += probability;
    }
  }
  Require(total == 1);
  Require(counted == bound.value);
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    Rational given;
    for (const auto& [atom, probability] : bound.distribution) {
      if ((atom & subsets[i]) == subsets[i]) {
        given += probability;
      }
    }
    Require(given == values[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const std::int32_t n = 1 + static_cast<std::int32_t>(bytes.Next() % 7);
  const std::int32_t m = 1 + static_cast<std::int32_t>(bytes.Next() % static_cast<unsigned>(n + 1));
  const unsigned kind = bytes.Next() % 3;
  const std::int32_t r = 1 + static_cast<std::int32_t>(bytes.Next() % static_cast<unsigned>(n));
  const Question question = kind == 0   ? Question{}
                            : kind == 1 ? Question{QuestionKind::kAtLeast, r}
                                        : Question{QuestionKind::kExactly, r};
  const bool spoil = (bytes.Next() & 1U) != 0;
  const unsigned spoil_place = bytes.Next();
  const unsigned spoil_amount = bytes.Next();

  std::vector<std::int64_t> weights(std::size_t{1} << n, 0);
  while (bytes.left() >= 2) {
    const std::int64_t weight = 1 + bytes.Next();
    weights[bytes.Next() & (weights.size() - 1)] += weight;
  }
  std::int64_t total = 0;
  for (const std::int64_t w : weights) {
    total += w;
  }
  if (total == 0) {
    weights[0] = 1;
    total = 1;
  }
  const std::vector<std::uint32_t> subsets = unionbound::SubsetsInFileOrder(n, m);
  std::vector<Rational> values;
  for (const std::uint32_t subset : subsets) {
    std::int64_t sum = 0;
    for (std::size_t atom = 0; atom < weights.size(); ++atom) {
      if ((atom & subset) == subset) {
        sum += weights[atom];
      }
    }
    values.emplace_back(sum, total);
    values.back().canonicalize();
  }
  if (spoil) {
    Rational& value = values[spoil_place % values.size()];
    Rational change(static_cast<long>(spoil_amount) - 128, 256);
    change.canonicalize();
    value += change;
  }

  const unionbound::AtomInterval interval = unionbound::SolveAtomInterval(question, n, m, values);
  if (!interval.reason.empty()) {
    // Data that a distribution made always fit one.
    Require(spoil);
    Require(interval.lower.status == ProgramStatus::kInfeasible);
    Require(interval.upper.status == ProgramStatus::kInfeasible);
    return 0;
  }
  RequireAttains(interval.lower, question, subsets, values);
  RequireAttains(interval.upper, question, subsets, values);
  Require(interval.lower.value <= interval.upper.value);

  // The sums' sharp interval holds it.
  unionbound::SequenceOf<Rational> S(static_cast<std::size_t>(std::min(m, n)) + 1);
  S[0] = 1;
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    S[static_cast<std::size_t>(std::popcount(subsets[i]))] += values[i];
  }
  const auto low = unionbound::SolveMomentProgram(Goal::kMinimum, question, n, S);
  const auto high = unionbound::SolveMomentProgram(Goal::kMaximum, question, n, S);
  Require(low.status == ProgramStatus::kOptimal && high.status == ProgramStatus::kOptimal);
  Require(low.value <= interval.lower.value && interval.upper.value <= high.value);
  if (!spoil) {
    std::int64_t counted = 0;
    for (std::size_t atom = 0; atom < weights.size(); ++atom) {
      if (Counted(question, static_cast<std::uint32_t>(atom))) {
        counted += weights[atom];
      }
    }
    Rational truth(counted, total);
    truth.canonicalize();
    Require(interval.lower.value <= truth && truth <= interval.upper.value);
  }
  return 0;
}
