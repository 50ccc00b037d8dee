#include "bounds/clock.h"

#include <chrono>
#include <cmath>

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

double SecondsSince(std::chrono::steady_clock::time_point start) {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return std::round(elapsed.count() * 1e6) / 1e6;
}

}  // namespace unionbound
