#pragma once

#include <cstdint>
#include <ostream>

namespace unionbound::bench {

// Writes the intersection probabilities of n independent events, orders 1 .. m, as "prob.txt"
// holds them: the event probabilities drawn from [0.05, 0.5) by a generator seeded with `seed`,
// each intersection the product of its events' probabilities, written with 4 to 17 significant
// digits (mixed lengths, as files from other programs have), ten to a line. Returns the count.
std::int64_t WriteProbabilityText(std::int32_t n, std::int32_t m, std::uint64_t seed,
                                  std::ostream& out);

}  // namespace unionbound::bench
