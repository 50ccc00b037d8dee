#include "numeric/exact_number.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace unionbound {
namespace {

constexpr long kMantissaBits = 53;
constexpr long kLowestUnitExponent = -1074;  // the place of the smallest subnormal
constexpr long kHighestExponent = 1023;

// a * 2^shift, shift >= 0.
mpz_class Shifted(const mpz_class& a, long shift) {
  mpz_class out;
  mpz_mul_2exp(out.get_mpz_t(), a.get_mpz_t(), static_cast<mp_bitcnt_t>(shift));
  return out;
}

// floor(log2(a / b)) for positive integers a and b.
long FloorLog2(const mpz_class& a, const mpz_class& b) {
  const long estimate = static_cast<long>(mpz_sizeinbase(a.get_mpz_t(), 2)) -
                        static_cast<long>(mpz_sizeinbase(b.get_mpz_t(), 2));
  // The estimate is the exponent or one above it: a < b * 2^estimate means one above.
  const bool above = estimate >= 0 ? a < Shifted(b, estimate) : Shifted(a, -estimate) < b;
  return above ? estimate - 1 : estimate;
}

}  // namespace

double NearestDouble(const Rational& q) {
  const int sign = sgn(q);
  if (sign == 0) {
    return 0.0;
  }
  const mpz_class a = abs(q.get_num());
  const mpz_class& b = q.get_den();
  const long exponent = FloorLog2(a, b);
  if (exponent > kHighestExponent) {
    return sign * std::numeric_limits<double>::infinity();
  }
  // The unit in the last place of the result: 53 significant bits, fewer among subnormals.
  const long unit = std::max(exponent - (kMantissaBits - 1), kLowestUnitExponent);
  // units = |q| / 2^unit, split into its whole part and the remainder over `divisor`.
  const mpz_class numerator = unit <= 0 ? Shifted(a, -unit) : a;
  const mpz_class divisor = unit <= 0 ? b : Shifted(b, unit);
  mpz_class units;
  mpz_class remainder;
  mpz_fdiv_qr(units.get_mpz_t(), remainder.get_mpz_t(), numerator.get_mpz_t(), divisor.get_mpz_t());
  const int half = cmp(2 * remainder, divisor);
  if (half > 0 || (half == 0 && mpz_odd_p(units.get_mpz_t()))) {
    ++units;
  }
  // units <= 2^53, exact in a double; scaling by a power of two is exact too, or overflows to
  // infinity when rounding carried the value past the largest double.
  const double magnitude = std::ldexp(units.get_d(), static_cast<int>(unit));
  return sign * magnitude;
}

}  // namespace unionbound
