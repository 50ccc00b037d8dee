#pragma once

// unionbound over several processes or machines: the exact sums of a part of a probability
// file, taken where the part lies, merged in any order and grouping, and the bounds from the
// merged sums. Forming the binomial moments is the whole cost of a large file, and exact sums
// are associative, so the merged sums equal the whole file's as fractions and the bounds are
// the whole run's, digit for digit. Every part keeps the bytes and the indices it covered:
// parts that leave a gap or overlap are refused with the range named, never summed.
//
// A cluster's map step: CountNumbers on each byte range, the running total of the counts as
// each range's first index, then SumPart on each range; the reduce step: MergeSums, then
// SharpBoundsFromSums. The sums travel as ToJson's one line of text.

#include <cstdint>
#include <string>
#include <vector>

#include "unionbound/unionbound.h"

namespace unionbound {

// A part of a file: bytes [from, to) of `path`, to cut at the file's end and -1 for the end.
// The part holds the numbers that start in its bytes; a number that the start cuts belongs to
// the part before.
struct FilePart {
  std::string path;
  std::int64_t from = 0;
  std::int64_t to = -1;
  // The index (from 0) of the part's first number among the file's: the count of the numbers
  // before `from`.
  std::int64_t first_index = 0;
  // 0 for a file that holds every order in turn, as prob.txt; k for a file whose numbers are
  // all of order k (one order may be spread over any number of files).
  std::int32_t order = 0;
};

// The exact sums of some parts of the data for n events and orders 1 .. m.
struct PartialSums {
  // The bytes [byte_from, byte_to) of a file and the indices [index_from, index_to) of the
  // numbers that start in them.
  struct Piece {
    std::int64_t byte_from = 0;
    std::int64_t byte_to = 0;
    std::int64_t index_from = 0;
    std::int64_t index_to = 0;
  };
  // A file the parts came from: its path (as given, not compared), size and a digest of its
  // first 64 KiB (16 hexadecimal digits), which tell it from another file, its order as
  // FilePart::order says, and the pieces of it covered.
  struct File {
    std::string path;
    std::int64_t size = 0;
    std::string head;
    std::int32_t order = 0;
    std::vector<Piece> pieces;
  };
  std::int32_t n = 0;
  std::int32_t m = 0;
  std::vector<File> files;
  std::vector<std::string> sums;     // of the numbers of each order 1 .. m, as fractions ("7/10")
  std::vector<std::int64_t> counts;  // how many numbers of each order were summed
  // The numbers outside [0, 1] among them, and the first of them (by its file's order, path and
  // index): its file, its index there and its value. Index -1 when there is none.
  std::int64_t improbable = 0;
  std::int32_t improbable_order = 0;
  std::string improbable_path;
  std::int64_t improbable_index = -1;
  double improbable_value = 0.0;
};

// The numbers that start in bytes [from, to) of a file, found by their boundaries alone (the
// fast pass that gives the next part its first index). Throws Error (Cause::kInput) when the
// file cannot be read.
std::int64_t CountNumbers(const std::string& path, std::int64_t from = 0, std::int64_t to = -1);

// The exact sums of a part for n events and orders up to m. Each number must stand alone
// between white space. Throws Error: Cause::kNotReadWhole for a word that is not one number
// (named with its byte), Cause::kInput for a file that cannot be read or a power of ten beyond
// exact arithmetic, Cause::kArgument for counts out of range.
PartialSums SumPart(const FilePart& part, std::int32_t n, std::int32_t m);

// The sums of both; Error (Cause::kInput) when they do not merge: other n or m, parts of
// another file, or bytes or indices in both (the range named).
PartialSums MergeSums(const PartialSums& a, const PartialSums& b);

// One line of JSON, the sums as exact fractions in strings, and back. PartialSumsFromJson
// throws Error (Cause::kInput) for text that is not such an object.
std::string ToJson(const PartialSums& sums);
PartialSums PartialSumsFromJson(const std::string& json);

// The bounds from sums that cover their files exactly once, as SharpBoundsFromFile gives them
// for the whole file. Error (Cause::kNotReadWhole) names the first range of bytes or indices
// that no part covered.
Bounds SharpBoundsFromSums(const PartialSums& sums, const Options& options = {});

// S_1 .. S_m of such sums, as exact fractions.
std::vector<std::string> MomentsFromSums(const PartialSums& sums);

}  // namespace unionbound
