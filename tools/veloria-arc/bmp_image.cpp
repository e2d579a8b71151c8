#include <cstring>

#include "arc_tool.h"
#include "resource/delta_image.h"

namespace veloria::arc {

namespace {

uint32_t le(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
  return v;
}

void putLe(std::vector<uint8_t>& b, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool readBmp24(const std::vector<uint8_t>& file, Picture24& out) {
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
  const uint32_t pixelOffset = le(file, 10, 4);
  const uint32_t headerSize = le(file, 14, 4);
  const int32_t width = static_cast<int32_t>(le(file, 18, 4));
  const int32_t height = static_cast<int32_t>(le(file, 22, 4));
  const uint32_t bitCount = le(file, 28, 2);
  const uint32_t compression = le(file, 30, 4);
  if (headerSize < 40 || bitCount != 24 || compression != 0) return false;
  const bool topDown = height < 0;
  const int64_t h = topDown ? -static_cast<int64_t>(height) : height;
  if (width < 1 || width > 65535 || h < 1 || h > 65535) return false;
  const size_t stride = deltaImageStride(static_cast<uint32_t>(width));
  if (pixelOffset < 54 || pixelOffset > file.size() ||
      (file.size() - pixelOffset) / stride < static_cast<uint64_t>(h))
    return false;
  out.width = static_cast<uint32_t>(width);
  out.height = static_cast<uint32_t>(h);
  out.pixels.assign(stride * out.height, 0);
  for (uint32_t row = 0; row < out.height; ++row) {
    // Rows of a top-down file are turned into the bottom-up order the decoder fills.
    uint32_t src = topDown ? out.height - 1 - row : row;
    const uint8_t* from = file.data() + pixelOffset + stride * src;
    std::memcpy(out.pixels.data() + stride * row, from, static_cast<size_t>(width) * 3);
  }
  return true;
}

std::vector<uint8_t> writeBmp24(const Picture24& pic) {
  const size_t stride = deltaImageStride(pic.width);
  const size_t image = stride * pic.height;
  std::vector<uint8_t> b(54 + image, 0);
  b[0] = 'B';
  b[1] = 'M';
  putLe(b, 2, static_cast<uint32_t>(b.size()), 4);
  putLe(b, 10, 54, 4);
  putLe(b, 14, 40, 4);
  putLe(b, 18, pic.width, 4);
  putLe(b, 22, pic.height, 4);
  putLe(b, 26, 1, 2);
  putLe(b, 28, 24, 2);
  putLe(b, 34, static_cast<uint32_t>(image), 4);
  if (!pic.pixels.empty()) std::memcpy(b.data() + 54, pic.pixels.data(), std::min(image, pic.pixels.size()));
  return b;
}

}  // namespace veloria::arc
