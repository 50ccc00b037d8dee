#include "driver/exact_moments.h"

#include <algorithm>
#include <optional>

#include "driver/exact_decimal.h"
#include "driver/probability_input.h"
#include "moments/binomial.h"

namespace unionbound {

ExactMoments ExactMomentsFromFile(const std::string& path, std::int32_t n, std::int32_t m) {
  ExactMoments moments;
  SequenceOf<Rational>& S = moments.S;
  S.push_back(Rational(1));
  const std::int64_t needed = ProbabilityCount(n, m);
  std::int32_t order = 0;
  std::int64_t left_in_block = 0;
  Rational last(0);
  const auto next_entry = [&](const Rational& value) {
    while (left_in_block == 0) {
      ++order;
      left_in_block = BinomialCount(n, order);
      S.push_back(Rational(0));
    }
    S.back() += value;
    --left_in_block;
  };
  if (needed == 0) {
    S.resize(static_cast<std::size_t>(m < 0 ? 0 : m) + 1, Rational(0));
    return moments;
  }
  const TokenScan scan = VisitProbabilityTokens(path.c_str(), needed, [&](std::string_view token) {
    const std::optional<Rational> value = ExactDecimal(token);
    if (!value) {
      if (moments.problem.empty()) {
        moments.problem =
            "the power of ten of \"" + std::string(token.substr(0, 20)) + "\" is too large";
      }
      return;
    }
    last = *value;
    next_entry(last);
  });
  // The missing entries repeat the last number read: a multiple of it per block, added at
  // once rather than one by one (a short file can leave a billion places to fill).
  std::int64_t missing = needed - scan.good;
  while (missing > 0) {
    if (left_in_block == 0) {
      ++order;
      left_in_block = BinomialCount(n, order);
      S.push_back(Rational(0));
      continue;
    }
    const std::int64_t here = std::min(missing, left_in_block);
    S.back() += last * Rational(mpz_class(std::to_string(here)));
    left_in_block -= here;
    missing -= here;
  }
  while (static_cast<std::int32_t>(S.size()) < m + 1) {
    S.push_back(Rational(0));
  }
  return moments;
}

}  // namespace unionbound
