#pragma once

#include <cstdint>
#include <string>

namespace unionbound {

// Orders above this are refused: the bound walk's cost grows like 2^m per basis test (see the
// README for the measurement behind the figure).
inline constexpr int kLargestOrder = 20;

// Empty when a run on n events with orders up to m can be computed; otherwise what stands in
// the way: an order above `largest_order`, or more probabilities than a 64-bit count holds.
// No size is refused for memory: the walks cover the nodes 0 .. n without listing them.
// `largest_order` is kLargestOrder for the double walk; exact arithmetic has no such limit.
std::string SizeProblem(std::int32_t n, std::int32_t m, std::int32_t largest_order = kLargestOrder);

}  // namespace unionbound
