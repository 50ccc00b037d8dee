#pragma once

// The sums of a probability file taken part by part: a byte range of the file (or of a file
// that holds the numbers of one order) summed exactly on its own once the index of its first
// number is known, and parts merged in any order and grouping. The block sums are exact, hence
// associative, so the whole file's moments come out the same however the file was cut. Each
// part remembers which bytes and which indices it covered, so that a gap or an overlap between
// parts is found and named rather than summed.

#include <cstdint>
#include <string>
#include <vector>

#include "input/moment_data.h"
#include "numeric/exact_number.h"

namespace unionbound {

// The bytes of a file that identify it among others: its size and a digest of its first
// kHeadBytes bytes. Two parts of one run must come from the same file, wherever each lay.
inline constexpr std::int64_t kHeadBytes = 65536;

struct PartFile {
  std::string path;  // as the part was given it; not compared
  std::int64_t size = 0;
  std::uint64_t head = 0;
  // 0 for a file of every order in turn, as prob.txt; k for a file whose numbers are all of
  // order k (any number of files per order).
  std::int32_t order = 0;

  bool SameFile(const PartFile& other) const {
    return size == other.size && head == other.head && order == other.order;
  }
};

// A stretch of a file summed at once: the bytes [byte_from, byte_to) and the indices
// [index_from, index_to) of the words that start in them.
struct PartPiece {
  std::int64_t byte_from = 0;
  std::int64_t byte_to = 0;
  std::int64_t index_from = 0;
  std::int64_t index_to = 0;
};

struct PartFilePieces {
  PartFile file;
  std::vector<PartPiece> pieces;  // by byte_from, adjacent ones joined
};

// The exact sums of some parts of the data for n events and orders up to m.
struct PartSums {
  std::int32_t n = 0;
  std::int32_t m = 0;
  std::vector<PartFilePieces> files;
  std::vector<Rational> sums;        // of the orders 1 .. m
  std::vector<std::int64_t> counts;  // how many numbers of each order were summed
  std::int64_t improbable = 0;       // numbers outside [0, 1] among them
  // The first of those, by order of its file (0 first), then path, then index; its value as
  // read. Index -1 when there is none.
  std::int32_t improbable_order = 0;
  std::string improbable_path;
  std::int64_t improbable_index = -1;
  double improbable_value = 0.0;
};

// Where a part lies: bytes [from, to) of `path` (to is cut at the file's end; -1 for the end),
// the index of its first number among the file's, and the order of every number in the file,
// or 0 for a file of every order in turn.
struct PartRange {
  std::string path;
  std::int64_t from = 0;
  std::int64_t to = -1;
  std::int64_t first_index = 0;
  std::int32_t order = 0;
};

// The words (runs of bytes without white space) that start in a byte range, found without
// reading them as numbers: the counting pass that gives each later part its first index. A word
// the range's start cuts belongs to the range before.
struct WordCount {
  std::int64_t words = 0;
  std::int64_t size = 0;  // the file's
  std::string problem;    // empty, or why the file could not be read
};
WordCount CountWords(const std::string& path, std::int64_t from, std::int64_t to);

struct PartResult {
  PartSums sums;
  // Empty, or why the part cannot be summed (the file cannot be read, a word that is not one
  // number, a power of ten beyond the exact limit), naming the file and the byte.
  std::string refusal;
  // The refusal is of data that the whole run would not have read whole either.
  bool not_read_whole = false;
};

// The exact sums of the numbers that start in the range, each word one number. In a file of
// every order the index tells each number's order; numbers past the ones n and m ask for are
// counted, not read.
PartResult SumFilePart(const PartRange& range, std::int32_t n, std::int32_t m);

// Adds `part` to `into`; empty, or why the two do not merge: other n or m, another file, a
// whole file beside one order's file, or a range of bytes or indices in both (named).
std::string MergeParts(PartSums& into, const PartSums& part);

// S_0 .. S_m from parts that cover their files exactly once, with what the whole file's read
// would say beside them (more numbers than needed, numbers that are no probabilities); or a
// refusal naming the first range of bytes or indices no part covered, or the order whose
// numbers are missing or too many.
MomentData MomentsOfParts(const PartSums& parts);

}  // namespace unionbound
