#include "driver/clock.h"

#include <chrono>

namespace unionbound {
namespace {

// Taken during static initialisation, before main runs.
const auto kProgramStart = std::chrono::steady_clock::now();

}  // namespace

std::int32_t ElapsedMilliseconds() {
  const auto elapsed = std::chrono::steady_clock::now() - kProgramStart;
  return static_cast<std::int32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace unionbound
