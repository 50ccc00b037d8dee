#include "moments/block_sums.h"

#include <bit>
#include <cmath>
#include <utility>

namespace unionbound {
namespace {

bool SameBits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The spacing of the doubles in the binade of |s| (s finite, not zero).
double Spacing(double s) {
  int exponent = 0;
  std::frexp(s, &exponent);  // |s| = f * 2^exponent with f in [0.5, 1)
  return std::ldexp(1.0, std::max(exponent - 53, -1074));
}

// How many more steps of `step` from s (s > 0, on its binade's grid, the binade's spacing
// `spacing`) stay far enough inside the binade that each exact s + x rounds within it: the
// steps from then on repeat the last one exactly. Counted in units of the spacing, which are
// integers below 2^53.
std::int64_t StepsInsideBinade(double s, double step, double x, double spacing) {
  const double low = std::ldexp(1.0, std::ilogb(s));  // the binade is [low, 2 * low)
  if (!(std::fabs(x) < low)) {
    return 0;  // a step as large as the binade leaves it
  }
  const auto at = static_cast<std::int64_t>(s / spacing);
  const auto unit = static_cast<std::int64_t>(std::fabs(step) / spacing);
  // A margin of |x| plus one spacing on both sides keeps every exact sum inside.
  const auto margin = static_cast<std::int64_t>(std::ceil(std::fabs(x) / spacing)) + 2;
  // In units: low / spacing is at most 2^52, where 2 * low itself can overflow.
  const auto low_units = static_cast<std::int64_t>(low / spacing);
  const auto bottom = low_units + margin;
  const auto top = 2 * low_units - margin;
  if (unit == 0 || at < bottom || at > top) {
    return 0;
  }
  return step > 0 ? (top - at) / unit : (at - bottom) / unit;
}

}  // namespace

double AddRepeatedly(double s, double x, std::int64_t times) {
  // The step before the last one, while it stayed inside one binade with its sign.
  bool have_step = false;
  double last_step = 0.0;
  while (times > 0) {
    const double next = s + x;
    --times;
    if (SameBits(next, s)) {
      return s;  // every later step gives s again
    }
    const bool inside = std::isfinite(next) && next != 0.0 && s != 0.0 &&
                        std::signbit(next) == std::signbit(s) && Spacing(next) == Spacing(s);
    const double step = next - s;  // exact inside one binade
    if (inside && have_step && step == last_step && times > 0) {
      // Two equal steps inside one binade: a step adds the rounding of x to the binade's grid
      // (a tie settles after one step), so the steps stay equal while s keeps clear of the
      // binade's edges. The mirror image covers the negative side.
      const bool negative = std::signbit(next);
      const std::int64_t jump =
          std::min(times, StepsInsideBinade(negative ? -next : next, negative ? -step : step,
                                            negative ? -x : x, Spacing(next)));
      s = next + static_cast<double>(jump) * step;  // exact: a whole number of spacings
      times -= jump;
      have_step = false;
      continue;
    }
    have_step = inside;
    last_step = step;
    s = next;
  }
  return s;
}

BlockSums::BlockSums(std::vector<std::int64_t> sizes)
    : sizes_(std::move(sizes)), sums_(sizes_.size(), 0.0), left_(sizes_.empty() ? 0 : sizes_[0]) {}

bool BlockSums::NextBlock() {
  while (left_ == 0) {
    if (block_ + 1 >= sizes_.size()) {
      block_ = sizes_.size();
      return false;
    }
    left_ = sizes_[++block_];
  }
  return true;
}

std::int64_t BlockSums::LeftInBlock() {
  if (left_ == 0) {
    NextBlock();
  }
  return block_ < sizes_.size() ? left_ : 0;
}

std::size_t BlockSums::CurrentBlock() {
  LeftInBlock();
  return block_;
}

void BlockSums::AddRepeatedly(double x, std::int64_t times) {
  while (times > 0 && LeftInBlock() > 0) {
    const std::int64_t here = std::min(times, left_);
    sums_[block_] = unionbound::AddRepeatedly(sums_[block_], x, here);
    left_ -= here;
    times -= here;
  }
}

}  // namespace unionbound
