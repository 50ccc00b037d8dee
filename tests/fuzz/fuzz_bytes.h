#pragma once

// A fuzz input read a byte or two at a time, for the targets that build their data from it.

#include <cstddef>
#include <cstdint>

namespace unionbound::fuzzing {

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t left() const { return size_; }
  // 0 once the input is used up.
  unsigned Next() {
    if (size_ == 0) {
      return 0;
    }
    --size_;
    return *data_++;
  }
  // Low byte first.
  unsigned NextTwo() {
    const unsigned low = Next();
    return low | Next() << 8;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace unionbound::fuzzing
