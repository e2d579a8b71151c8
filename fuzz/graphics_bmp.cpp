// Fuzzes the BMP reader and the tag parser: arbitrary bytes as a BMP image and as a tagged
// picture name, then the decoded picture drawn in every transparency mode.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/decoders.h"
#include "graphics/image.h"
#include "graphics/tag.h"

using namespace veloria;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ParsedTag tag;
  parseTag(std::string_view(reinterpret_cast<const char*>(data), size), tag);

  ImageObject pic;
  if (!decodeBmp(data, size, pic.dib)) return 0;
  // Keep the drawing cheap: huge (valid) pictures are only decoded.
  if (static_cast<int64_t>(pic.dib.width) * pic.dib.height > (1 << 20)) return 0;
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
