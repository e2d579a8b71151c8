#include "graphics/image.h"

#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "graphics/mask_runs.h"

namespace veloria {

namespace {
std::array<uint8_t, 65536> buildMulTable() {
  std::array<uint8_t, 65536> t{};
  for (unsigned a = 0; a < 256; ++a)
    for (unsigned b = 0; b < 256; ++b) t[(a << 8) | b] = static_cast<uint8_t>(a * b / 255);
  return t;
}
}  // namespace

const std::array<uint8_t, 65536> MulTable = buildMulTable();

int screenWidthOf(const Engine& e) { return e.app.screenWidth; }
int screenHeightOf(const Engine& e) { return e.app.screenHeight; }

void releaseImage(ImageObject& obj) {
  obj.dib.hasInfo = false;
  forgetMaskRuns(obj);
  obj.dib.palette.clear();
  obj.dib.palette.shrink_to_fit();
  obj.dib.pixels.clear();
  obj.dib.pixels.shrink_to_fit();
  obj.dib.width = obj.dib.height = 0;
  obj.dib.imageSize = 0;
  obj.dib.stride = 0;
  obj.dib.paletteCount = 0;
  obj.dib.bitCount = 0;
  obj.name.clear();
}

void createSurface(ImageObject& obj, int width, int height, int depth) {
  releaseImage(obj);
  width = std::max(width, 0);
  height = std::max(height, 0);
  Dib& d = obj.dib;
  d.infoHeader = BmpInfoHeader{};
  d.infoHeader.width = width;
  d.infoHeader.height = height;
  d.infoHeader.bitCount = static_cast<uint16_t>(depth);
  d.fileHeader = BmpFileHeader{};
  d.width = width;
  d.height = height;
  d.bitCount = depth;
  d.stride = dibStride(width, depth);
  d.imageSize = static_cast<uint32_t>(static_cast<size_t>(d.stride) * height);
  d.paletteCount = depth <= 8 ? (1 << depth) : 0;
  d.palette.assign(static_cast<size_t>(d.paletteCount) * 4, 0);
  d.pixels.assign(d.imageSize, 0);
  d.hasInfo = true;
}

void fillSurface(ImageObject& obj, int left, int top, int right, int bottom, uint32_t colorref) {
  obj.name.clear();
  if (!obj.hasPicture() || obj.dib.bitCount != 24) return;
  forgetMaskRuns(obj);
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, obj.dib.width);
  bottom = std::min(bottom, obj.dib.height);
  if (right <= left || bottom <= top) return;
  const uint8_t b = static_cast<uint8_t>(colorref >> 16), g = static_cast<uint8_t>(colorref >> 8),
                r = static_cast<uint8_t>(colorref);
  const int w = right - left;
  // Fill the first row, then copy it: rows of a surface are identical in layout.
  uint8_t* first = obj.dib.row(top) + left * 3;
  for (int x = 0; x < w; ++x) {
    first[x * 3] = b;
    first[x * 3 + 1] = g;
    first[x * 3 + 2] = r;
  }
  for (int y = top + 1; y < bottom; ++y) std::memcpy(obj.dib.row(y) + left * 3, first, static_cast<size_t>(w) * 3);
}

void copyRect(const ImageObject& src, int srcX, int srcY, ImageObject& dst, int dstX, int dstY, int w, int h) {
  if (!src.hasPicture() || !dst.hasPicture() || dst.dib.bitCount != 24) return;
  const Dib& s = src.dib;
  if (srcX < 0) { w += srcX; dstX -= srcX; srcX = 0; }
  if (srcY < 0) { h += srcY; dstY -= srcY; srcY = 0; }
  if (dstX < 0) { w += dstX; srcX -= dstX; dstX = 0; }
  if (dstY < 0) { h += dstY; srcY -= dstY; dstY = 0; }
  w = std::min({w, s.width - srcX, dst.dib.width - dstX});
  h = std::min({h, s.height - srcY, dst.dib.height - dstY});
  if (w <= 0 || h <= 0) return;
  forgetMaskRuns(dst);
  const bool overlap = &src == &dst;
  if (!overlap && s.bitCount == 24 && srcX == 0 && dstX == 0 && w == s.width && w == dst.dib.width &&
      s.stride == dst.dib.stride) {
    // Whole rows of equal layout are one block in memory: one forward copy.
    std::memcpy(dst.dib.row(dstY + h - 1), s.row(srcY + h - 1), static_cast<size_t>(h) * s.stride);
    return;
  }
  for (int j = 0; j < h; ++j) {
    // Same-object copies walk rows in the direction that never reads a row already written.
    int y = overlap && dstY > srcY ? h - 1 - j : j;
    const uint8_t* sp = s.row(srcY + y);
    uint8_t* dp = dst.dib.row(dstY + y) + dstX * 3;
    switch (s.bitCount) {
      case 24:
        std::memmove(dp, sp + srcX * 3, static_cast<size_t>(w) * 3);
        break;
      case 8:
      case 4:
      case 1: {
        const int bits = s.bitCount;
        const int count = s.paletteCount;
        for (int x = 0; x < w; ++x) {
          int px = srcX + x;
          int idx;
          if (bits == 8) idx = sp[px];
          else if (bits == 4) idx = (sp[px >> 1] >> ((px & 1) ? 0 : 4)) & 0x0F;
          else idx = (sp[px >> 3] >> (7 - (px & 7))) & 1;
          if (idx < count) {
            const uint8_t* pe = &s.palette[static_cast<size_t>(idx) * 4];
            dp[x * 3] = pe[0];
            dp[x * 3 + 1] = pe[1];
            dp[x * 3 + 2] = pe[2];
          } else {
            dp[x * 3] = dp[x * 3 + 1] = dp[x * 3 + 2] = 0;
          }
        }
        break;
      }
      default:
        return;
    }
  }
}

}  // namespace veloria
