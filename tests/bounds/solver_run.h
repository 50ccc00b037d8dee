#pragma once

// Calling the bound solvers from the tests with what they write on the console.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bounds/bound_solver.h"
#include "tests/bounds/walk_model.h"
#include "tests/support/console.h"

namespace unionbound::testing {

inline BoundResult Call(Solver solver, const Vector& c, const Vector& z, const Vector& mu) {
  return solver == Solver::kMinimum ? MinimumBound(c, z, mu) : MaximumBound(c, z, mu);
}

inline Goal GoalOf(Solver solver) {
  return solver == Solver::kMinimum ? Goal::kMinimum : Goal::kMaximum;
}

// The line the program writes for a walk that ended this way.
inline std::string SolverLine(WalkEnd end) {
  const std::string message = WalkEndMessage(end);
  return message.empty() ? "" : message + "\n";
}

// One solver call with what it wrote on standard output and standard error, and the line the
// program writes for how the same walk ended (the record does not say; WalkToBound does).
struct SolverRun {
  BoundResult result;
  std::string out;
  std::string err;
  std::string line;
};

inline SolverRun RunCaptured(Solver solver, const Vector& c, const Vector& z, const Vector& mu) {
  SolverRun run;
  Printed printed = ConsoleOf([&] { run.result = Call(solver, c, z, mu); });
  run.out = std::move(printed.out);
  run.err = std::move(printed.err);
  ConsoleOf([&] { run.line = SolverLine(WalkToBound(GoalOf(solver), c, z, mu).end); });
  return run;
}

// ---------------------------------------------------------------------------------------------
// The walk as the solver takes it. WalkToBound lets the caller supply the numerator kernel; a
// kernel that notes each call (the basis nodes and the position) before it hands the call on to
// NodePolyMoment shows which bases the solver judged, in which order, and which positions of each
// it looked at.

struct Judged {
  Vector nodes;                // the basis nodes
  std::vector<int> positions;  // the positions evaluated, in order

  bool operator==(const Judged&) const = default;
};

inline std::vector<Judged>*& JudgedLog() {
  static std::vector<Judged>* log = nullptr;
  return log;
}

inline double NotingNumerator(const Vector& a, const Vector& z, std::int32_t c) {
  std::vector<Judged>& log = *JudgedLog();
  if (log.empty() || log.back().nodes != z) {
    log.push_back({z, {}});
  }
  log.back().positions.push_back(c);
  return NodePolyMoment(a, z, c);
}

struct TracedRun {
  BoundWalk walk;
  std::vector<Judged> judged;
};

inline TracedRun RunTraced(Solver solver, const Vector& c, const Vector& z, const Vector& mu) {
  struct Noting {
    explicit Noting(std::vector<Judged>* log) { JudgedLog() = log; }
    ~Noting() { JudgedLog() = nullptr; }
  };
  TracedRun run;
  const Noting noting(&run.judged);
  run.walk = WalkToBound(GoalOf(solver), c, z, mu, &NotingNumerator);
  return run;
}

// The same for the model's walk: each basis it judged with the positions up to the leaving one,
// or all of them for the optimal basis. A walk that comes back to a basis is judged as the
// solver's constant-memory repeat detection judges it: on round the cycle until it meets the
// basis saved at the last power of two (Brent's method), then from the start again, once alone
// for the length of the cycle and then beside a second walk that far behind, until the two meet
// at the first repeated basis.
inline std::vector<Judged> JudgedBy(const Walk& walk, Solver solver, const Vector& z, int m) {
  const int first = RulesFor(solver, m).first_tested;
  std::vector<Judged> out;
  const auto judge = [&](const IndexVector& basis, int last) {
    Judged j;
    for (auto b : basis) {
      j.nodes.push_back(z[static_cast<std::size_t>(b)]);
    }
    for (int p = first; p <= last; ++p) {
      j.positions.push_back(p);
    }
    // The log starts a new entry only where the nodes change.
    if (!out.empty() && out.back().nodes == j.nodes) {
      out.back().positions.insert(out.back().positions.end(), j.positions.begin(),
                                  j.positions.end());
    } else {
      out.push_back(std::move(j));
    }
  };
  for (const Step& step : walk.steps) {
    judge(step.basis, step.leaving);
  }
  if (walk.outcome == Outcome::kOptimal && first <= m) {
    judge(walk.final_basis, m);
  }
  if (walk.outcome != Outcome::kRepeat) {
    return out;
  }
  // Step k of the endless walk is step k of the model's up to its repeat, then goes round.
  const Step& last = walk.steps.back();
  std::set<std::int32_t> after(last.basis.begin(), last.basis.end());
  after.erase(last.basis[static_cast<std::size_t>(last.leaving)]);
  after.insert(last.entering);
  const IndexVector repeated(after.begin(), after.end());
  const auto total = static_cast<std::int64_t>(walk.steps.size());
  std::int64_t tail = 0;
  while (walk.steps[static_cast<std::size_t>(tail)].basis != repeated) {
    ++tail;
  }
  const std::int64_t cycle = total - tail;
  const auto place = [&](std::int64_t k) { return k < total ? k : tail + (k - tail) % cycle; };
  const auto judge_step = [&](std::int64_t k) {
    const Step& step = walk.steps[static_cast<std::size_t>(place(k))];
    judge(step.basis, step.leaving);
  };
  std::int64_t saved = 0;
  std::int64_t power = 1;
  std::int64_t since_saved = 0;
  for (std::int64_t k = 1;; ++k) {
    if (k > total) {
      judge_step(k - 1);  // steps up to `total` are judged above
    }
    ++since_saved;
    if (place(k) == place(saved)) {
      break;
    }
    if (since_saved == power) {
      saved = k;
      power *= 2;
      since_saved = 0;
    }
  }
  for (std::int64_t k = 0; k < cycle; ++k) {
    judge_step(k);
  }
  for (std::int64_t k = 0; k < tail; ++k) {
    judge_step(k);
    judge_step(k + cycle);
  }
  return out;
}

inline WalkEnd EndOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOptimal:
      return WalkEnd::kOptimal;
    case Outcome::kNoFeasibleSolution:
      return WalkEnd::kInfeasible;
    case Outcome::kRepeat:
      return WalkEnd::kRepeated;
  }
  return WalkEnd::kRefused;
}

// Basis changes the model's walk made: every step that found an entering subscript.
inline std::int64_t ChangesOf(const Walk& walk) {
  std::int64_t changes = 0;
  for (const Step& step : walk.steps) {
    changes += step.entering >= 0 ? 1 : 0;
  }
  return changes;
}

inline std::string ToString(const std::vector<Judged>& judged) {
  std::string s;
  for (const Judged& j : judged) {
    s += "{";
    for (double v : j.nodes) {
      s += std::to_string(v) + " ";
    }
    s += "at";
    for (int p : j.positions) {
      s += " " + std::to_string(p);
    }
    s += "} ";
  }
  return s;
}

// The empty record of a call that found no bound.
inline ::testing::AssertionResult IsEmptyRecord(const BoundResult& r) {
  if (r.basis.empty() && r.solution.empty() && std::isnan(r.value)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "record holds basis " << ToString(r.basis) << ", " << r.solution.size()
         << " solution entries and value " << r.value;
}

// True when the running program was built with the address sanitizer, which makes the solvers
// several times slower.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace unionbound::testing
