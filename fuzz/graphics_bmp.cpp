// Fuzzes the BMP reader: arbitrary bytes as a BMP image, then the decoded picture drawn in
// every transparency mode. Pictures over 2^14 pixels are not decoded here (the reader's own
// limits are checked by the tests): most of the time would go to filling them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/decoders.h"
#include "graphics/image.h"

using namespace veloria;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 26) {
    auto le32 = [&](size_t at) {
      return static_cast<int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | uint32_t{data[at + 3]} << 24);
    };
    const int64_t w = le32(18), h = le32(22);
    if (std::llabs(w) * std::llabs(h) > (1 << 14)) return 0;
  }
  ImageObject pic;
  if (!decodeBmp(data, size, pic.dib)) return 0;
  ImageObject target;
  createSurface(target, 64, 48);
  const uint8_t knob = size > 60 ? data[size - 1] : 0;
  pic.cellCount = 1 + knob % 4;
  pic.currentCell = knob % 5;
  pic.alphaLevel = knob & 1 ? -1 : knob;
  pic.keyIndex = knob;
  for (int mode = 0; mode <= 4; ++mode) {
    pic.transMode = mode;
    drawImage(pic, target, nullptr, -3, -2, 64, 48);
    ClipRect clip{5, 5, 40, 30};
    drawImage(pic, target, &clip, 10, 7, 64, 48);
  }
  copyRect(pic, 0, 0, target, 1, 1, 64, 48);
  return 0;
}
