#pragma once

#include <cstdint>
#include <vector>

#include "numeric/types.h"

namespace unionbound {

// s after `times` steps of s = s + x, each step rounded as the loop rounds it, bit for bit,
// without taking every step: within one binade the steps move s by a constant amount, so the
// steps that stay inside it are taken at once. `times` may be as large as a 64-bit count.
double AddRepeatedly(double s, double x, std::int64_t times);

// The sums of successive blocks of numbers that arrive one at a time, in order: block k holds
// the next sizes[k] numbers, and its sum starts at 0.0 and adds each number left to right, so
// that every sum is the one a loop over the stored numbers gives.
class BlockSums {
 public:
  explicit BlockSums(std::vector<std::int64_t> sizes);

  // Adds the next number to its block; numbers after the last block are not counted.
  void Add(double x) {
    if (left_ == 0 && !NextBlock()) {
      return;
    }
    sums_[block_] = sums_[block_] + x;
    --left_;
  }

  // Adds `count` numbers to the current block, which has room for them.
  void AddWithinBlock(const double* numbers, std::size_t count) {
    double sum = sums_[block_];
    for (std::size_t k = 0; k < count; ++k) {
      sum = sum + numbers[k];
    }
    sums_[block_] = sum;
    left_ -= static_cast<std::int64_t>(count);
  }

  // Adds `times` copies of x in turn, as that many calls of Add would.
  void AddRepeatedly(double x, std::int64_t times);

  // Room left in the current block, and in the blocks after it.
  std::int64_t LeftInBlock();
  bool Full() { return LeftInBlock() == 0; }
  // The block the next number goes to (the block count when every block is full).
  std::size_t CurrentBlock();

  const Vector& sums() const { return sums_; }

 private:
  // Moves past full blocks; false when none is left.
  bool NextBlock();

  std::vector<std::int64_t> sizes_;
  Vector sums_;
  std::size_t block_ = 0;
  std::int64_t left_ = 0;
};

}  // namespace unionbound
