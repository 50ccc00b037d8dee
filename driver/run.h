#pragma once

namespace unionbound {

// One interactive run on the standard streams, "prob.txt" and "result.txt" in the working
// directory. Returns the exit status: 0 after a report, 1 when "prob.txt" cannot be used, 2
// for n or m that cannot be used.
int RunUnionbound();

}  // namespace unionbound
