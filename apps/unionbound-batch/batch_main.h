#pragma once

namespace unionbound {

// The whole batch program on its command line: the report on standard output, refusals and
// warnings on standard error, and the exit status returned (apps/common/exit_status.h).
int BatchMain(int argc, const char* const* argv);

}  // namespace unionbound
