#pragma once

#include <cstdint>

namespace unionbound::bench {

// The parsing limit of any reader that converts every number: the sum of the numbers that start
// in bytes [from, to) of the file, each converted by std::from_chars, read in blocks of a
// megabyte, with blanks and line ends between the numbers. Storing nothing and checking
// nothing, it is what a reader can at best approach.
double FromCharsSum(const char* path, std::int64_t from, std::int64_t to);

}  // namespace unionbound::bench
