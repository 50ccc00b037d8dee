#include "bounds/atom_program.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "bounds/atom_columns.h"
#include "bounds/atom_exact_simplex.h"
#include "bounds/atom_float_simplex.h"
#include "bounds/clock.h"

namespace unionbound {
namespace {

using atoms::ArtificialBasis;
using atoms::AtomData;
using atoms::Column;
using atoms::Counted;
using atoms::ExactEnd;
using atoms::ExactRun;
using atoms::ExactSimplex;
using atoms::FloatSimplex;
using atoms::MakeData;
using atoms::Objective;

std::int32_t EventCount(std::uint32_t subset) {
  return std::popcount(subset);
}

std::string ShortDecimal(const Rational& value) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, NearestDouble(value));
  return error == std::errc() ? std::string(buffer, end) : value.get_str();
}

// "events 1 and 4" or "event 2".
std::string NamedEvents(std::uint32_t subset) {
  return (EventCount(subset) == 1 ? "event " : "events ") + EventWords(subset);
}

// What an atom of the distribution of the events of `among` means: the events of `occur`
// occur and the others among them do not.
std::string AtomWords(std::uint32_t among, std::uint32_t occur) {
  const std::uint32_t absent = among & ~occur;
  if (occur == 0) {
    return EventCount(among) == 1 ? NamedEvents(among) + " does not occur"
                                  : "none of events " + EventWords(among) + " occurs";
  }
  std::string words = NamedEvents(occur) + (EventCount(occur) == 1 ? " occurs" : " occur");
  if (absent != 0) {
    words += " and " + NamedEvents(absent) + (EventCount(absent) == 1 ? " does not" : " do not");
  }
  return words;
}

// One bound from the exact run's solution.
AtomBound BoundOf(const AtomData& data, const ExactRun& run) {
  AtomBound bound;
  bound.status = ProgramStatus::kOptimal;
  const mpz_class denominator = run.x.denominator * data.scale;
  for (std::size_t k = 0; k < data.size(); ++k) {
    const Column column = run.basic[k];
    if (data.Artificial(column) || run.x.numerators[k] == 0) {
      continue;
    }
    Rational probability(run.x.numerators[k], denominator);
    probability.canonicalize();
    const auto atom = static_cast<std::uint32_t>(column);
    if (Counted(data.question, atom)) {
      bound.value += probability;
    }
    bound.distribution.emplace_back(atom, std::move(probability));
  }
  std::sort(bound.distribution.begin(), bound.distribution.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  return bound;
}

// The exact run from `start` (the doubles' basis), and from `fallback` (a basis feasible in
// exact arithmetic) when `start` is not feasible exactly.
ExactRun ExactFrom(const AtomData& data, const Objective& objective,
                   const std::vector<Column>& start, const std::vector<Column>& fallback,
                   std::int64_t& pivots) {
  ExactRun run = ExactSimplex(data, objective, start, pivots);
  if (run.end != ExactEnd::kOptimal && run.end != ExactEnd::kGaveUp && start != fallback) {
    run = ExactSimplex(data, objective, fallback, pivots);
  }
  return run;
}

std::string GaveUpOr(const ExactRun& run, const char* fault) {
  return run.end == ExactEnd::kGaveUp
             ? "no optimum was proved within the exact pivots allowed (20 a row, and 2000)"
             : std::string(fault);
}

AtomInterval Infeasible(std::string reason) {
  AtomInterval interval;
  interval.reason = std::move(reason);
  return interval;
}

// Every intersection given: the distribution over the atoms is the Moebius inversion of the
// intersections, one point.
AtomInterval FromEveryOrder(const Question& question, std::int32_t n,
                            const std::vector<Rational>& values) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, n);
  mpz_class scale = 1;
  for (const Rational& value : values) {
    scale = lcm(scale, value.get_den());
  }
  std::vector<mpz_class> atoms(std::size_t{1} << n);
  atoms[0] = scale;
  for (std::size_t i = 0; i < subsets.size(); ++i) {
    atoms[subsets[i]] = values[i].get_num() * (scale / values[i].get_den());
  }
  // From the probability that the events of T all occur to that that exactly they occur.
  for (std::int32_t bit = 0; bit < n; ++bit) {
    const std::size_t step = std::size_t{1} << bit;
    for (std::size_t atom = 0; atom < atoms.size(); ++atom) {
      if ((atom & step) == 0) {
        atoms[atom] -= atoms[atom | step];
      }
    }
  }
  std::vector<std::uint32_t> order = {0};
  order.insert(order.end(), subsets.begin(), subsets.end());
  const std::uint32_t all = static_cast<std::uint32_t>(atoms.size() - 1);
  AtomBound bound;
  bound.status = ProgramStatus::kOptimal;
  for (const std::uint32_t atom : order) {
    Rational probability(atoms[atom], scale);
    probability.canonicalize();
    if (probability < 0) {
      return Infeasible("the probabilities given for all " + std::to_string(n) +
                        " events fit no distribution: the probability that " +
                        AtomWords(all, atom) + " would be " + ShortDecimal(probability));
    }
    if (probability == 0) {
      continue;
    }
    if (Counted(question, atom)) {
      bound.value += probability;
    }
    bound.distribution.emplace_back(atom, std::move(probability));
  }
  std::sort(bound.distribution.begin(), bound.distribution.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  bound.seconds = SecondsSince(start);
  AtomInterval interval;
  interval.lower = bound;
  interval.upper = std::move(bound);
  return interval;
}

}  // namespace

std::vector<std::uint32_t> SubsetsInFileOrder(std::int32_t n, std::int32_t m) {
  std::vector<std::uint32_t> subsets;
  const std::int32_t order = std::min(m, n);
  for (std::int32_t k = 1; k <= order; ++k) {
    // The combinations of k of 0 .. n - 1 in lexicographic order.
    std::vector<std::int32_t> chosen(static_cast<std::size_t>(k));
    for (std::int32_t i = 0; i < k; ++i) {
      chosen[static_cast<std::size_t>(i)] = i;
    }
    for (;;) {
      std::uint32_t mask = 0;
      for (const std::int32_t event : chosen) {
        mask |= std::uint32_t{1} << event;
      }
      subsets.push_back(mask);
      std::int32_t i = k - 1;
      while (i >= 0 && chosen[static_cast<std::size_t>(i)] == n - k + i) {
        --i;
      }
      if (i < 0) {
        break;
      }
      ++chosen[static_cast<std::size_t>(i)];
      for (std::int32_t j = i + 1; j < k; ++j) {
        chosen[static_cast<std::size_t>(j)] = chosen[static_cast<std::size_t>(j - 1)] + 1;
      }
    }
  }
  return subsets;
}

std::string EventWords(std::uint32_t subset) {
  std::vector<std::int32_t> events;
  for (std::int32_t i = 0; i < 32; ++i) {
    if ((subset >> i) & 1U) {
      events.push_back(i + 1);
    }
  }
  std::string words;
  for (std::size_t k = 0; k < events.size(); ++k) {
    if (k > 0) {
      words += k + 1 == events.size() ? " and " : ", ";
    }
    words += std::to_string(events[k]);
  }
  return words;
}

std::string AtomProgramLimit(std::int32_t n, std::int32_t m) {
  if (n > kMostAtomEvents) {
    return "the bounds from every intersection take n up to " + std::to_string(kMostAtomEvents) +
           " (2^n atoms), not n=" + std::to_string(n);
  }
  if (m >= n) {
    return "";
  }
  const auto rows = static_cast<std::int64_t>(SubsetsInFileOrder(n, m).size()) + 1;
  if (rows > kMostAtomRows) {
    return "the bounds from every intersection take at most " + std::to_string(kMostAtomRows) +
           " intersections (with the empty one) unless every order is given; n=" +
           std::to_string(n) + ", m=" + std::to_string(m) + " give " + std::to_string(rows);
  }
  return "";
}

std::string FirstLocalInconsistency(std::int32_t n, std::int32_t m,
                                    const std::vector<Rational>& values) {
  const std::vector<std::uint32_t> subsets = SubsetsInFileOrder(n, std::min(m, 3));
  // The subsets of up to three events come first in the file's order, each after its own
  // subsets, so a map from mask to value fills as they are checked.
  std::vector<std::pair<std::uint32_t, const Rational*>> known;
  const Rational one(1);
  known.emplace_back(0, &one);
  auto value_of = [&known](std::uint32_t subset) -> const Rational& {
    const auto found = std::lower_bound(known.begin(), known.end(), subset,
                                        [](const std::pair<std::uint32_t, const Rational*>& a,
                                           std::uint32_t b) { return a.first < b; });
    return *found->second;
  };
  for (std::size_t i = 0; i < subsets.size() && i < values.size(); ++i) {
    known.emplace_back(subsets[i], &values[i]);
  }
  std::sort(known.begin(), known.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const std::uint32_t subset : subsets) {
    // Each atom of the events of `subset`, from all of them occurring down to none.
    for (std::uint32_t occur = subset;; occur = (occur - 1) & subset) {
      Rational probability;
      for (std::uint32_t more = subset & ~occur;; more = (more - 1) & (subset & ~occur)) {
        const Rational& term = value_of(occur | more);
        if (EventCount(more) % 2 == 0) {
          probability += term;
        } else {
          probability -= term;
        }
        if (more == 0) {
          break;
        }
      }
      if (probability < 0) {
        return "the probabilities given for " + NamedEvents(subset) +
               " fit no distribution: the probability that " + AtomWords(subset, occur) +
               " would be " + ShortDecimal(probability);
      }
      if (occur == 0) {
        break;
      }
    }
  }
  // Beyond three events, at least each value must be a probability (the program starts from
  // the data as they are, which a negative one would leave without a first basis).
  const std::vector<std::uint32_t> all = SubsetsInFileOrder(n, m);
  for (std::size_t i = subsets.size(); i < all.size() && i < values.size(); ++i) {
    if (values[i] < 0 || values[i] > 1) {
      return "the probability given for " + NamedEvents(all[i]) + " together, " +
             ShortDecimal(values[i]) + ", is no probability";
    }
  }
  return "";
}

AtomInterval SolveAtomInterval(const Question& question, std::int32_t n, std::int32_t m,
                               const std::vector<Rational>& values, AtomMethod method) {
  if (n < 0 || m < 0 || !AtomProgramLimit(n, m).empty()) {
    throw std::invalid_argument(AtomProgramLimit(n, m));
  }
  const std::int32_t order = std::min(m, n);
  if (values.size() != SubsetsInFileOrder(n, order).size()) {
    throw std::invalid_argument("one value for each intersection of up to m events is needed");
  }
  if (std::string reason = FirstLocalInconsistency(n, order, values); !reason.empty()) {
    return Infeasible(std::move(reason));
  }
  if (order >= n) {
    return FromEveryOrder(question, n, values);
  }
  const AtomData data = MakeData(question, n, order, values);
  const bool floats = method == AtomMethod::kFloatThenExact;
  FloatSimplex simplex(data);
  AtomInterval interval;

  auto start = std::chrono::steady_clock::now();
  const std::vector<Column> artificial = ArtificialBasis(data);
  std::int64_t pivots = 0;
  const Objective phase_one{true, Goal::kMinimum};
  const std::vector<Column> first =
      floats ? simplex.Run(phase_one, artificial, pivots) : artificial;
  const Objective lowest_objective{false, Goal::kMinimum};
  // The exact run of the second phase proves feasibility itself (its basis solves the data
  // with every atom at or above 0 and every artificial column at 0), so the first phase is
  // proved exactly only when that run cannot start: data that fit nothing, or a basis of the
  // doubles that is not feasible exactly.
  ExactRun lowest;
  if (floats && simplex.Feasible()) {
    const std::vector<Column> guess = simplex.Run(lowest_objective, first, pivots);
    lowest = ExactSimplex(data, lowest_objective, guess, pivots);
  }
  if (lowest.end != ExactEnd::kOptimal) {
    const ExactRun feasible = ExactFrom(data, phase_one, first, artificial, pivots);
    if (feasible.end != ExactEnd::kOptimal) {
      throw std::logic_error(GaveUpOr(feasible, "the exact simplex found no basis"));
    }
    for (std::size_t k = 0; k < data.size(); ++k) {
      if (data.Artificial(feasible.basic[k]) && feasible.x.numerators[k] != 0) {
        return Infeasible("the probabilities given fit no distribution of the " +
                          std::to_string(n) + " events, though those of any " +
                          std::to_string(std::min(order, 3)) + " of them do");
      }
    }
    const std::vector<Column> guess =
        floats ? simplex.Run(lowest_objective, feasible.basic, pivots) : feasible.basic;
    lowest = ExactFrom(data, lowest_objective, guess, feasible.basic, pivots);
    if (lowest.end != ExactEnd::kOptimal) {
      throw std::logic_error(GaveUpOr(lowest, "the exact simplex lost its feasible basis"));
    }
  }
  interval.lower = BoundOf(data, lowest);
  interval.lower.pivots = pivots;
  interval.lower.seconds = SecondsSince(start);

  start = std::chrono::steady_clock::now();
  std::int64_t upper_pivots = 0;
  const Objective highest_objective{false, Goal::kMaximum};
  const std::vector<Column> guess =
      floats ? simplex.Run(highest_objective, lowest.basic, upper_pivots) : lowest.basic;
  const ExactRun highest = ExactFrom(data, highest_objective, guess, lowest.basic, upper_pivots);
  if (highest.end != ExactEnd::kOptimal) {
    throw std::logic_error(GaveUpOr(highest, "the exact simplex lost its feasible basis"));
  }
  interval.upper = BoundOf(data, highest);
  interval.upper.pivots = upper_pivots;
  interval.upper.seconds = SecondsSince(start);
  return interval;
}

}  // namespace unionbound
