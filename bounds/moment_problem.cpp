#include "bounds/moment_problem.h"

#include "numeric/rounded_decimal.h"

namespace unionbound {

std::string EvidentMomentProblem(std::int32_t n, const SequenceOf<Rational>& S) {
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (sgn(S[i]) < 0) {
      return "S_" + std::to_string(i) + " = " + RoundedDecimal(S[i], 17) + " is negative";
    }
    if (i + 1 < S.size() && static_cast<std::int64_t>(i) < n) {
      const auto k = static_cast<long>(i);
      const Rational limit = Rational(n - k) / (k + 1) * S[i];
      if (S[i + 1] > limit) {
        return "S_" + std::to_string(i + 1) + " = " + RoundedDecimal(S[i + 1], 17) + " exceeds " +
               RoundedDecimal(limit, 17) + ", the largest value that S_" + std::to_string(i) +
               " = " + RoundedDecimal(S[i], 17) + " allows for " + std::to_string(n) +
               " events (S_" + std::to_string(i + 1) + " <= (" + std::to_string(n) + " - " +
               std::to_string(i) + ")/" + std::to_string(i + 1) + " S_" + std::to_string(i) + ")";
      }
    }
  }
  // Var X = E[X^2] - E[X]^2 with E[X^2] = S_1 + 2 S_2.
  if (S.size() >= 3) {
    const Rational variance = S[1] + 2 * S[2] - S[1] * S[1];
    if (sgn(variance) < 0) {
      return "S_1 = " + RoundedDecimal(S[1], 17) + " and S_2 = " + RoundedDecimal(S[2], 17) +
             " give the number of events that occur the negative variance " +
             RoundedDecimal(variance, 17);
    }
  }
  return "";
}

}  // namespace unionbound
