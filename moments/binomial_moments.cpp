#include "moments/binomial_moments.h"

#include <stdexcept>

#include "moments/binomial.h"

namespace unionbound {

Vector BinomialMoments(const Vector& p, std::int32_t n, std::int32_t m) {
  if (ProbabilityCount(n, m) > static_cast<std::int64_t>(p.size())) {
    throw std::invalid_argument("BinomialMoments: fewer probabilities than the blocks need");
  }
  Vector S{1.0};
  auto next = p.begin();
  for (std::int32_t i = 1; i <= m; ++i) {
    const std::int64_t block = BinomialCount(n, i);
    double s = 0.0;
    for (std::int64_t k = 0; k < block; ++k, ++next) {
      s = s + *next;
    }
    S.push_back(s);
  }
  return S;
}

}  // namespace unionbound
