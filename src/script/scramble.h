// The two single-file script forms. Both are plain XOR scrambles: applying the function
// twice gives the original bytes back, so the same code writes and reads them.
//   veloria.dat  — every byte XOR 0xC3
//   velo_sec.dat — byte i XOR kVeloSecKey[i % 5]
#pragma once

#include <cstddef>
#include <cstdint>

namespace veloria {

inline constexpr uint8_t kVeloriaDatKey = 0xC3;
inline constexpr uint8_t kVeloSecKey[5] = {0x56, 0xE1, 0x2B, 0x9D, 0x4F};

inline void scrambleVeloriaDat(uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) data[i] ^= kVeloriaDatKey;
}

// `offset` is the position of data[0] in the file, so a file can be handled in pieces.
inline void scrambleVeloSec(uint8_t* data, size_t n, size_t offset = 0) {
  for (size_t i = 0; i < n; ++i) data[i] ^= kVeloSecKey[(offset + i) % 5];
}

}  // namespace veloria
