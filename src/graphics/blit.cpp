// drawImage: the one software blitter for layered pictures.
#include <algorithm>
#include <cstring>

#include "engine/engine.h"
#include "graphics/blend_rows.h"
#include "graphics/image.h"

namespace veloria {

namespace {

struct Key24 {
  uint8_t b, g, r;
};

// Keyed 24-bit rows: pixels equal to the key are skipped; the rest copied or blended.
void keyedRow24(uint8_t* d, const uint8_t* s, int n, Key24 key, int level) {
  if (level < 0) {
    for (int i = 0; i < n; ++i, d += 3, s += 3) {
      if (s[0] == key.b && s[1] == key.g && s[2] == key.r) continue;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
    return;
  }
  const unsigned k = static_cast<unsigned>(level), ik = 255 - k;
  for (int i = 0; i < n; ++i, d += 3, s += 3) {
    if (s[0] == key.b && s[1] == key.g && s[2] == key.r) continue;
    d[0] = static_cast<uint8_t>(mul255(s[0], k) + mul255(d[0], ik));
    d[1] = static_cast<uint8_t>(mul255(s[1], k) + mul255(d[1], ik));
    d[2] = static_cast<uint8_t>(mul255(s[2], k) + mul255(d[2], ik));
  }
}

// 8-bit palette rows; keyIndex < 0 means no transparent index (copy mode).
void paletteRow(uint8_t* d, const uint8_t* s, int n, const uint8_t* pal, int keyIndex, int level) {
  const unsigned k = level < 0 ? 0 : static_cast<unsigned>(level), ik = 255 - k;
  for (int i = 0; i < n; ++i, d += 3) {
    int idx = s[i];
    if (idx == keyIndex) continue;
    const uint8_t* c = pal + idx * 4;
    if (level < 0) {
      d[0] = c[0];
      d[1] = c[1];
      d[2] = c[2];
    } else {
      d[0] = static_cast<uint8_t>(mul255(c[0], k) + mul255(d[0], ik));
      d[1] = static_cast<uint8_t>(mul255(c[1], k) + mul255(d[1], ik));
      d[2] = static_cast<uint8_t>(mul255(c[2], k) + mul255(d[2], ik));
    }
  }
}

}  // namespace

void drawImage(const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y, int screenWidth,
               int screenHeight) {
  if (!src.hasPicture() || !dst.hasPicture() || dst.dib.bitCount != 24) return;
  const Dib& sd = src.dib;

  // The clip rectangle, also kept inside the target so a small target is never overrun.
  ClipRect c = clip ? *clip : ClipRect{0, 0, dst.dib.width - 1, dst.dib.height - 1};
  c.left = std::max(c.left, 0);
  c.top = std::max(c.top, 0);
  c.right = std::min({c.right, screenWidth - 1, dst.dib.width - 1});
  c.bottom = std::min({c.bottom, screenHeight - 1, dst.dib.height - 1});
  if (c.right < c.left || c.bottom < c.top) return;

  // The source is 24-bit or an 8-bit palette picture; nothing else draws.
  bool pal8;
  if (sd.paletteCount == 0 && sd.bitCount == 24) pal8 = false;
  else if (sd.paletteCount == 256 && sd.bitCount == 8) pal8 = true;
  else return;
  const int mode = src.transMode;
  if (mode == TRANS_ALPHA && pal8) return;

  // A cell outside the picture draws nothing rather than reading past it.
  if (src.cellCount < 1 || src.currentCell < 0 || src.currentCell >= src.cellCount) return;
  const int cellW = src.cellWidth();
  const int visW = src.visibleWidth();
  const int visH = src.visibleHeight();
  if (visW <= 0 || visH <= 0) return;

  // The source area clipped against the clip rectangle (64-bit: positions come from scripts).
  const int64_t x0 = std::max<int64_t>(x, c.left), x1 = std::min<int64_t>(int64_t{x} + visW - 1, c.right);
  const int64_t y0 = std::max<int64_t>(y, c.top), y1 = std::min<int64_t>(int64_t{y} + visH - 1, c.bottom);
  if (x1 < x0 || y1 < y0) return;
  const int w = static_cast<int>(x1 - x0 + 1), h = static_cast<int>(y1 - y0 + 1);
  const int srcX = cellW * src.currentCell + static_cast<int>(x0 - x);
  const int srcY = static_cast<int>(y0 - y);
  const int dstX = static_cast<int>(x0), dstY = static_cast<int>(y0);

  // Alpha levels outside 0..255 (scripts may store any number) are clamped here.
  int level = src.alphaLevel;
  if (level != -1) level = std::clamp(level, 0, 255);

  const BlendKernels& k = activeKernels();
  const int bpp = pal8 ? 1 : 3;

  // The transparent colour: the one the tag named, or the top-left (top-right) pixel.
  Key24 key{};
  int keyIndex = -1;
  if (mode == TRANS_LEFTUP || mode == TRANS_RIGHTUP || mode == TRANS_COLORKEY) {
    const uint8_t* top = sd.row(0);
    const int keyX = mode == TRANS_RIGHTUP ? sd.width - 1 : 0;
    if (mode == TRANS_COLORKEY) {
      key = Key24{static_cast<uint8_t>(src.keyBlue), static_cast<uint8_t>(src.keyGreen),
                  static_cast<uint8_t>(src.keyRed)};
      keyIndex = src.keyIndex;
    } else if (pal8) {
      keyIndex = top[keyX];
    } else {
      key = Key24{top[keyX * 3], top[keyX * 3 + 1], top[keyX * 3 + 2]};
    }
  }

  // Rows from the top of the visible area downward.
  // Rows are short and walk downward in memory (bottom-up bitmaps), which the hardware
  // prefetchers follow poorly; fetch a few rows ahead while this one is blended.
  const size_t srcRowBytes = static_cast<size_t>(mode == TRANS_ALPHA ? 2 * w + visW - w : w) * bpp;
  const size_t dstRowBytes = static_cast<size_t>(w) * 3;
  for (int j = 0; j < h; ++j) {
    const uint8_t* sp = sd.row(srcY + j) + static_cast<size_t>(srcX) * bpp;
    uint8_t* dp = dst.dib.row(dstY + j) + static_cast<size_t>(dstX) * 3;
    if (j + 4 < h) {
      const uint8_t* sn = sd.row(srcY + j + 4) + static_cast<size_t>(srcX) * bpp;
      const uint8_t* dn = dst.dib.row(dstY + j + 4) + static_cast<size_t>(dstX) * 3;
      for (size_t o = 0; o < srcRowBytes; o += 64) __builtin_prefetch(sn + o);
      for (size_t o = 0; o < dstRowBytes; o += 64) __builtin_prefetch(dn + o, 1);
    }
    if (pal8) {
      paletteRow(dp, sp, w, sd.palette.data(), mode == TRANS_COPY ? -1 : keyIndex, level);
      continue;
    }
    switch (mode) {
      case TRANS_COPY:
        if (level < 0) std::memcpy(dp, sp, static_cast<size_t>(w) * 3);
        else k.levelBytes(dp, sp, w * 3, level);
        break;
      case TRANS_ALPHA: {
        const uint8_t* mp = sp + static_cast<size_t>(visW) * 3;  // the mask half of the same cell
        if (level < 0) k.alphaRow(dp, sp, mp, w);
        else k.alphaLevelRow(dp, sp, mp, w, level);
        break;
      }
      case TRANS_LEFTUP:
      case TRANS_RIGHTUP:
      case TRANS_COLORKEY:
        keyedRow24(dp, sp, w, key, level);
        break;
      default:
        return;  // an unknown mode draws nothing
    }
  }
}

void drawImage(Engine& e, const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y) {
  drawImage(src, dst, clip, x, y, e.app.screenWidth, e.app.screenHeight);
}

}  // namespace veloria
