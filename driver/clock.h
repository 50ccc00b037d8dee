#pragma once

#include <cstdint>

namespace unionbound {

// Whole milliseconds of real time since the program started.
std::int32_t ElapsedMilliseconds();

}  // namespace unionbound
