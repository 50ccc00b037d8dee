#pragma once

#include <chrono>
#include <cstdint>

namespace unionbound {

// Whole milliseconds of real time since the program started.
std::int32_t ElapsedMilliseconds();

// Seconds of real time since `start`, on the steady clock, to the microsecond: finer figures
// would only show the clock's noise.
double SecondsSince(std::chrono::steady_clock::time_point start);

}  // namespace unionbound
