#include "input/exact_sums.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "input/exact_decimal.h"
#include "numeric/number_traits.h"

namespace unionbound {
namespace {

mpz_class WideInteger(WideSigned x) {
  const auto magnitude = x < 0 ? -static_cast<WideUnsigned>(x) : static_cast<WideUnsigned>(x);
  mpz_class value(static_cast<unsigned long>(magnitude >> 64));
  value <<= 64;
  value += static_cast<unsigned long>(magnitude & ~std::uint64_t{0});
  return x < 0 ? mpz_class(-value) : value;
}

}  // namespace

std::string TooLargeForExact(std::string_view text, std::int64_t place) {
  constexpr std::size_t kShown = 20;
  const std::string shown =
      std::string(text.substr(0, kShown)) + (text.size() > kShown ? "..." : "");
  return "the power of ten of number " + std::to_string(place) + ", \"" + shown +
         "\", is too large for exact arithmetic";
}

void ExactPart::AddOutsideWindow(std::string_view text, std::int64_t place) {
  if (refused >= 0) {
    return;
  }
  if (const std::optional<Rational> value = ExactDecimal(text)) {
    others += *value;
  } else {
    refused = place;
    refused_text = text;
  }
}

void ExactPart::Merge(const ExactPart& part, std::int64_t offset) {
  for (std::size_t k = 0; k < window.size(); ++k) {
    window[k] += part.window[k];
  }
  if (part.others != 0) {
    others += part.others;
  }
  if (part.refused >= 0 && (refused < 0 || part.refused + offset < refused)) {
    refused = part.refused + offset;
    refused_text = part.refused_text;
  }
}

Rational ExactPart::Sum() const {
  mpz_class total;
  for (auto k = window.size(); k-- > 0;) {
    total *= 10;
    total += WideInteger(window[k]);
  }
  return TimesPowerOfTen(total, -kPowerWindow) + others;
}

void TakeExactSums(const ExactWork& work, std::string_view text, const ExactPart& parsed,
                   BlockParts& parts) {
  if (!work.any) {
    return;
  }
  if (work.whole) {
    parts[work.whole_block].Merge(parsed, work.first_place);
    return;
  }
  const std::int64_t take = work.segments.back().to;
  std::size_t segment = 0;
  std::int64_t place = 0;
  ExactPart part;
  const auto visit = [&](const Token& token, std::string_view written, double) {
    while (place >= work.segments[segment].to) {
      parts[work.segments[segment].block].Merge(part, work.first_place);
      part = ExactPart{};
      ++segment;
    }
    part.Add(token, written, place);
    ++place;
  };
  ScanNumbers(text, take, visit, [](const char*) {});
  parts[work.segments[segment].block].Merge(part, work.first_place);
}

void FinishExactSums(const std::vector<BlockParts>& parts, const std::vector<std::int64_t>& sizes,
                     std::int64_t count, const std::string& last_text, ProbabilityRead& read) {
  // The first number refused, over every worker's parts.
  const ExactPart* first_refused = nullptr;
  for (const BlockParts& worker : parts) {
    for (const ExactPart& part : worker) {
      if (part.refused >= 0 &&
          (first_refused == nullptr || part.refused < first_refused->refused)) {
        first_refused = &part;
      }
    }
  }
  if (first_refused != nullptr) {
    read.exact_problem = TooLargeForExact(first_refused->refused_text, first_refused->refused + 1);
    return;
  }
  // The entries not read repeat the last number read, exactly as written; its text is kept
  // only when some entries are not read.
  const Rational last = read.good > 0 && read.good < count
                            ? ExactDecimal(last_text).value_or(Rational(0))
                            : Rational(0);
  std::int64_t filled = 0;
  for (std::size_t block = 0; block < sizes.size(); ++block) {
    Rational sum;
    for (const BlockParts& worker : parts) {
      sum += worker[block].Sum();
    }
    const std::int64_t end = filled + sizes[block];
    const std::int64_t repeats = std::max<std::int64_t>(0, end - std::max(filled, read.good));
    if (repeats > 0 && last != 0) {
      sum += last * Rational(static_cast<long>(repeats));
    }
    filled = end;
    read.exact_block_sums.push_back(std::move(sum));
  }
  read.exact = true;
}

}  // namespace unionbound
