#pragma once

namespace unionbound {

// One interactive run on the standard streams, "prob.txt" and "result.txt" in the working
// directory. Returns the exit status: 0 after a report, 1 when "prob.txt" cannot be used, 2
// for n or m that cannot be used or never typed, 3 when the report was made but standard
// output could not be written.
int RunUnionbound();

// The program with its arguments: none runs RunUnionbound(); "--help" or "--version" prints the
// usage or the version and gives 0; anything else gets the usage on standard error and 2. A
// run whose standard output could not be written gives 3.
int UnionboundMain(int argc, const char* const* argv);

}  // namespace unionbound
