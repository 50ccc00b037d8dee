#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/run_program.h"

namespace unionbound::testing {

// Three events of probability 1/2 whose pairs each have probability 1/4: S_1 = 1.5, S_2 = 0.75.
inline constexpr const char* kHalfAndQuarter = "0.5 0.5 0.5 0.25 0.25 0.25";

// The batch program's JSON report for `arguments`, after checking its exit status.
inline nlohmann::json RunJson(const ScratchDirectory& dir, const std::string& arguments,
                              int status) {
  const ProgramRun run = RunBatch(dir.path(), arguments + " --json");
  EXPECT_EQ(run.exit_status, status) << arguments << "\n" << run.err;
  return nlohmann::json::parse(run.out);
}

}  // namespace unionbound::testing
