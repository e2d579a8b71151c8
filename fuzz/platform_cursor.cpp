// A mouse cursor file (.cur, .ico or .bmp) from arbitrary bytes: decoding stays inside the
// input and gives a picture of the size it claims, or nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  auto img = veloria::decodeCursorFile(bytes);
  if (!img) return 0;
  if (img->width <= 0 || img->height <= 0 || img->argb.size() != static_cast<size_t>(img->width) * img->height)
    std::abort();
  if (img->hotX < 0 || img->hotX >= img->width || img->hotY < 0 || img->hotY >= img->height) std::abort();
  return 0;
}
