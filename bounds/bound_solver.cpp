#include "bounds/bound_solver.h"

namespace unionbound {

BoundWalk WalkToBound(Goal goal, const Vector& c, const Vector& z, const Vector& mu,
                      NumeratorKernel numerator) {
  return WalkToBound<double>(goal, c, z, mu, numerator);
}

BoundResult MinimumBound(const Vector& c, const Vector& z, const Vector& mu) {
  return WalkToBound(Goal::kMinimum, c, z, mu).result;
}

BoundResult MaximumBound(const Vector& c, const Vector& z, const Vector& mu) {
  return WalkToBound(Goal::kMaximum, c, z, mu).result;
}

}  // namespace unionbound
