#pragma once

#include <cstdint>
#include <string>

#include "numeric/exact_number.h"
#include "numeric/types.h"

namespace unionbound {

// The first reason that a reader can see why binomial moments fit no distribution of the number
// of occurring events on 0 .. n: a negative moment, S_(i+1) above (n - i) / (i + 1) times S_i
// (since C(x, i + 1) = C(x, i) (x - i) / (i + 1) and x <= n), or a negative variance. Empty
// when there is none so plain.
std::string EvidentMomentProblem(std::int32_t n, const SequenceOf<Rational>& S);

}  // namespace unionbound
