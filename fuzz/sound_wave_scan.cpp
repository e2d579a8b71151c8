// The channel sounds' "fmt "/"data" scan and PCM decoding on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "platform/media/wave_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  auto w = veloria::scanWave(bytes);
  if (w) {
    auto pcm = veloria::decodeScannedWave(*w);
    // Decoding is bounded by the memory cap whatever the header claims.
    if (pcm && pcm->frames() > veloria::kMaxMemoryFrames) __builtin_trap();
  }
  return 0;
}
