// Most-significant-bit-first bit packing for the archive encoders (LZSS, delta pictures).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace veloria {

class BitWriter {
 public:
  void put(uint32_t value, int bits) {
    acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
    count_ += bits;
    while (count_ >= 8) {
      count_ -= 8;
      out_.push_back(static_cast<uint8_t>(acc_ >> count_));
    }
  }
  // Pads the last byte with 0 bits.
  std::vector<uint8_t> finish() {
    if (count_ > 0) out_.push_back(static_cast<uint8_t>(acc_ << (8 - count_)));
    count_ = 0;
    return std::move(out_);
  }

 private:
  uint64_t acc_ = 0;
  int count_ = 0;
  std::vector<uint8_t> out_;
};

}  // namespace veloria
