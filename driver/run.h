#pragma once

namespace unionbound {

// Orders above this are refused at the prompt: the bound walk's cost grows like 2^m per basis
// test (see the README for the measurement behind the figure).
inline constexpr int kLargestOrder = 20;

// One interactive run on the standard streams, "prob.txt" and "result.txt" in the working
// directory. Returns the exit status: 0 after a report, 1 when "prob.txt" cannot be used, 2
// for n or m that cannot be used.
int RunUnionbound();

}  // namespace unionbound
