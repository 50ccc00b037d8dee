#pragma once

// What every face of the library does once it has the moments: the question checked against n,
// a refusal of the data thrown as Error with the warnings said before it, and the bounds with
// everything the options ask for.

#include <cstdint>

#include "input/moment_data.h"
#include "unionbound/unionbound.h"

namespace unionbound {

Bounds BoundsOfData(std::int32_t n, MomentData data, const Options& options);

}  // namespace unionbound
