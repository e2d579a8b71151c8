// PNG and JPEG pictures from arbitrary bytes: the decoders give a 24-bit picture of the size
// the file states, or no picture; never a crash or a read outside the buffer. Pictures over
// 2^14 pixels are not decoded here (the decoders' own limits are checked by the tests).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/decoders.h"
#include "graphics/image.h"

namespace {

constexpr uint64_t kMaxFuzzPixels = 1u << 14;

uint32_t be16(const uint8_t* p) { return uint32_t{p[0]} << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return be16(p) << 16 | be16(p + 2); }

// The largest size any frame header in the bytes could state (JPEG frames are looked for
// everywhere, as the decoder skips what lies between markers).
uint64_t statedPixels(const uint8_t* data, size_t size) {
  uint64_t most = 0;
  if (size >= 24 && data[0] == 0x89 && data[1] == 'P') most = uint64_t{be32(data + 16)} * be32(data + 20);
  for (size_t i = 0; i + 9 <= size; ++i) {
    if (data[i] != 0xFF) continue;
    const uint8_t m = data[i + 1];
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
      most = std::max<uint64_t>(most, uint64_t{be16(data + i + 5)} * be16(data + i + 7));
  }
  return most;
}

void check(bool ok, const veloria::Dib& d) {
  if (ok != d.hasInfo) std::abort();
  if (ok && (d.bitCount != 24 || d.width <= 0 || d.height <= 0 ||
             d.pixels.size() != static_cast<size_t>(d.stride) * d.height))
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (statedPixels(data, size) > kMaxFuzzPixels) return 0;
  veloria::Dib d;
  check(veloria::decodeJpeg(data, size, d), d);
  // The cell layout and the colour key come from the input's length, so the bytes stay a
  // plain PNG.
  veloria::PngLayout layout;
  layout.alphaHalves = (size & 4) != 0;
  layout.cells = static_cast<int>(size % 5);
  layout.key = static_cast<veloria::PngLayout::Key>((size >> 3) % 4);
  layout.keyRed = static_cast<uint8_t>(size);
  bool halved = false;
  check(veloria::decodePng(data, size, layout, d, &halved), d);
  if (halved && !layout.alphaHalves) std::abort();
  return 0;
}
