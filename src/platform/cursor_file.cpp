#include "platform/cursor_file.h"

#include <algorithm>
#include <cstring>

namespace veloria {

namespace {

uint32_t le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24); }
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

constexpr int kMaxSide = 256;

// A DIB (info header, palette, colour bits, optional 1-bit AND mask) into ARGB.
std::optional<CursorImage> decodeDib(const uint8_t* p, size_t n, bool hasMask) {
  if (n < 40) return std::nullopt;
  uint32_t hdr = le32(p);
  if (hdr < 40 || hdr > n) return std::nullopt;
  int32_t w = static_cast<int32_t>(le32(p + 4));
  int32_t h = static_cast<int32_t>(le32(p + 8));
  uint16_t bpp = le16(p + 14);
  uint32_t compression = le32(p + 16);
  uint32_t used = le32(p + 32);
  if (compression != 0 && compression != 3) return std::nullopt;
  // Bounded before any arithmetic: the header may hold any 32-bit value (INT32_MIN has no
  // negation).
  if (w <= 0 || w > kMaxSide || h == 0 || h < -2 * kMaxSide || h > 2 * kMaxSide) return std::nullopt;
  if (hasMask) h /= 2;  // icon heights count the colour and mask halves
  bool bottomUp = h > 0;
  if (h < 0) h = -h;
  if (h <= 0 || h > kMaxSide) return std::nullopt;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return std::nullopt;
  size_t paletteCount = bpp <= 8 ? (used && used <= (1u << bpp) ? used : (1u << bpp)) : 0;
  size_t off = hdr + (compression == 3 ? 12 : 0);
  const uint8_t* pal = p + off;
  off += paletteCount * 4;
  size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  size_t maskStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
  if (off + stride * h > n) return std::nullopt;
  const uint8_t* bits = p + off;
  const uint8_t* mask = nullptr;
  if (hasMask && off + stride * h + maskStride * h <= n) mask = bits + stride * h;

  CursorImage img;
  img.width = w;
  img.height = h;
  img.argb.resize(static_cast<size_t>(w) * h);
  bool anyAlpha = false;
  for (int y = 0; y < h; ++y) {
    int srcRow = bottomUp ? h - 1 - y : y;
    const uint8_t* row = bits + stride * srcRow;
    for (int x = 0; x < w; ++x) {
      uint32_t b = 0, g = 0, r = 0, a = 255;
      if (bpp == 32) {
        b = row[x * 4]; g = row[x * 4 + 1]; r = row[x * 4 + 2]; a = row[x * 4 + 3];
        if (a) anyAlpha = true;
      } else if (bpp == 24) {
        b = row[x * 3]; g = row[x * 3 + 1]; r = row[x * 3 + 2];
      } else {
        int bitPos = x * bpp;
        int v = (row[bitPos / 8] >> (8 - bpp - bitPos % 8)) & ((1 << bpp) - 1);
        if (static_cast<size_t>(v) < paletteCount) {
          b = pal[v * 4]; g = pal[v * 4 + 1]; r = pal[v * 4 + 2];
        }
      }
      if (mask) {
        const uint8_t* mrow = mask + maskStride * srcRow;
        if ((mrow[x / 8] >> (7 - x % 8)) & 1) a = 0;
      }
      img.argb[static_cast<size_t>(y) * w + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  // A 32-bit picture with an all-zero alpha channel is opaque (older tools wrote it so).
  if (bpp == 32 && !anyAlpha && !mask)
    for (auto& px : img.argb) px |= 0xFF000000u;
  return img;
}

}  // namespace

std::optional<CursorImage> decodeCursorFile(const std::vector<uint8_t>& d) {
  if (d.size() >= 14 && d[0] == 'B' && d[1] == 'M') {
    auto img = decodeDib(d.data() + 14, d.size() - 14, false);
    return img;
  }
  if (d.size() < 6 || le16(&d[0]) != 0) return std::nullopt;
  uint16_t type = le16(&d[2]);
  uint16_t count = le16(&d[4]);
  if ((type != 1 && type != 2) || count == 0 || d.size() < 6 + 16) return std::nullopt;
  const uint8_t* entry = &d[6];
  uint32_t size = le32(entry + 8);
  uint32_t offset = le32(entry + 12);
  if (offset >= d.size() || size > d.size() - offset) return std::nullopt;
  auto img = decodeDib(&d[offset], size, true);
  if (!img) return std::nullopt;
  if (type == 2) {
    img->hotX = std::min<int>(le16(entry + 4), img->width - 1);
    img->hotY = std::min<int>(le16(entry + 6), img->height - 1);
  }
  return img;
}

}  // namespace veloria
