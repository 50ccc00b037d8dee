#include "bounds/bound_solver.h"

namespace unionbound {
namespace {

BoundResult Solve(Goal goal, const Vector& c, const Vector& z, const Vector& mu) {
  return WalkToBound(goal, c, z, mu).result;
}

}  // namespace

const char* WalkEndMessage(WalkEnd end) {
  switch (end) {
    case WalkEnd::kInfeasible:
      return "no feasible solution";
    case WalkEnd::kRepeated:
      return "the basis changes repeat; no bound found";
    case WalkEnd::kOptimal:
    case WalkEnd::kRefused:
      break;
  }
  return "";
}

const char* WalkEndName(WalkEnd end) {
  switch (end) {
    case WalkEnd::kOptimal:
      return "optimal";
    case WalkEnd::kInfeasible:
      return "infeasible";
    case WalkEnd::kRepeated:
      return "cycle";
    case WalkEnd::kRefused:
      break;
  }
  return "refused";
}

BoundWalk WalkToBound(Goal goal, const Vector& c, const Vector& z, const Vector& mu,
                      NumeratorKernel numerator, const IndexVector* start) {
  return WalkToBound<double>(goal, c, z, mu, numerator, start);
}

BoundResult MinimumBound(const Vector& c, const Vector& z, const Vector& mu) {
  return Solve(Goal::kMinimum, c, z, mu);
}

BoundResult MaximumBound(const Vector& c, const Vector& z, const Vector& mu) {
  return Solve(Goal::kMaximum, c, z, mu);
}

}  // namespace unionbound
