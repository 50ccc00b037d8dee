#pragma once

namespace unionbound::exit_status {

// What both programs end with, as the README and the manual pages list them: the same failure
// gives the same status in either, so that a script reads one table.
inline constexpr int kAnswered = 0;
inline constexpr int kUnusableFile = 1;       // prob.txt (or --prob) missing or unreadable
inline constexpr int kUnusableArguments = 2;  // options, sizes or moments refused
inline constexpr int kOutputFailed = 3;       // standard output could not be written
inline constexpr int kNotReadWhole = 4;
inline constexpr int kNoDistribution = 5;  // the data fit no distribution
inline constexpr int kWriteFailed = 6;     // result.txt or the plot not written

}  // namespace unionbound::exit_status
