#include "input/moment_data.h"

#include <limits>
#include <optional>
#include <utility>

#include "input/exact_decimal.h"
#include "input/input_limits.h"
#include "input/read_messages.h"
#include "moments/binomial.h"

namespace unionbound {

MomentData MomentsFromItems(const std::vector<std::string>& items) {
  MomentData data;
  data.S = {Rational(1)};
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::optional<Rational> exact = ExactDecimalOrFraction(items[i]);
    if (!exact) {
      data.refusal = "\"" + items[i] +
                     "\" is not a decimal number or a fraction, with powers of ten up to 10^" +
                     std::to_string(kLargestExactExponent);
      data.refused_item = static_cast<std::int64_t>(i);
      return data;
    }
    data.S.push_back(*exact);
  }
  return data;
}

MomentData MomentsOfFile(const std::string& path, std::int32_t n, std::int32_t m,
                         const FileReading& how) {
  MomentData data;
  data.refusal = SizeProblem(n, m, std::numeric_limits<std::int32_t>::max());
  if (!data.refusal.empty()) {
    return data;
  }
  ReadPlan plan = MomentBlocks(n, m);
  // One block a number keeps each number's exact value; the order's sums are added from them.
  const std::vector<std::int64_t> order_sizes = plan.sizes;
  if (how.keep_values) {
    std::int64_t count = 0;
    for (const std::int64_t size : order_sizes) {
      count += size;
    }
    plan.sizes.assign(static_cast<std::size_t>(count), 1);
  }
  plan.progress = how.progress;
  const bool pairs = how.keep_pairs && m >= 2;
  if (pairs) {
    plan.kept = order_sizes[0] + order_sizes[1];
  }
  const ProbabilityRead read = ReadProbabilityFile(path.c_str(), plan);
  ReadMessages messages = ReadWarnings(path, read, n, m);
  data.warnings = std::move(messages.warnings);
  data.refusal = std::move(messages.refusal);
  if (!data.refusal.empty()) {
    return data;
  }
  const std::int64_t needed = ProbabilityCount(n, m);
  if (!how.accept_short && read.good < needed) {
    // Where reading stopped and why is said; that the last number read stands for the rest is
    // not, since no bound is given.
    const std::string stop = StopWarning(path, read);
    data.warnings = stop.empty() ? std::vector<std::string>{} : std::vector<std::string>{stop};
    data.refusal = NotReadWholeRefusal(path, read.good, needed);
    data.not_read_whole = true;
    return data;
  }
  if (!read.exact) {
    data.refusal = "\"" + path + "\": " + read.exact_problem;
    return data;
  }
  data.S = {Rational(1)};
  if (how.keep_values) {
    data.values = read.exact_block_sums;
    auto value = data.values.begin();
    for (const std::int64_t size : order_sizes) {
      Rational sum;
      for (std::int64_t k = 0; k < size; ++k, ++value) {
        sum += *value;
      }
      data.S.push_back(sum);
    }
  } else {
    data.S.insert(data.S.end(), read.exact_block_sums.begin(), read.exact_block_sums.end());
  }
  data.improbable = FirstImprobableNumber(path, read);
  if (pairs) {
    const Vector kept = KeptValues(read, plan.kept);
    const auto singles = static_cast<std::ptrdiff_t>(order_sizes[0]);
    data.singles = Vector(kept.begin(), kept.begin() + singles);
    data.pairs = Vector(kept.begin() + singles, kept.end());
  }
  return data;
}

}  // namespace unionbound
