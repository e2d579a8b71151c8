// The picture types every subsystem's state holds: a device-independent bitmap and the
// ImageObject around it. Pixel memory follows the bitmap layout: rows bottom-up, each row
// padded to a multiple of 4 bytes; 24-bit pixels are B, G, R. What draws them is in graphics/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace veloria {

struct BmpFileHeader {
  uint16_t type = 0;
  uint32_t size = 0;
  uint16_t reserved1 = 0, reserved2 = 0;
  uint32_t offBits = 0;
};

struct BmpInfoHeader {
  uint32_t size = 40;
  int32_t width = 0;
  int32_t height = 0;  // positive: bottom-up rows
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
  uint32_t clrUsed = 0, clrImportant = 0;
};

inline int dibStride(int width, int bitCount) {
  return static_cast<int>(((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4);
}

// The run table of an alpha picture's mask, built by the blitter when first needed.
struct MaskRuns;

struct Dib {
  BmpFileHeader fileHeader;
  BmpInfoHeader infoHeader;
  // The "bitmap info" block is present exactly when the object holds a picture.
  bool hasInfo = false;
  std::vector<uint8_t> palette;  // 4 bytes a entry: blue, green, red, reserved
  std::vector<uint8_t> pixels;   // bottom-up rows, `stride` bytes each
  int32_t width = 0, height = 0;
  uint32_t imageSize = 0;
  int32_t paletteCount = 0;      // 2, 16, 256, or 0 for 24-bit
  int32_t bitCount = 0;
  int32_t stride = 0;
  // Derived from the pixels and dropped with them (a fresh Dib has none); whatever writes into
  // the pixels of an existing picture drops it too (forgetMaskRuns in graphics/).
  mutable std::shared_ptr<const MaskRuns> maskRuns;

  uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(height - 1 - y) * stride; }
  const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(height - 1 - y) * stride; }
};

enum TransMode : int32_t { TRANS_LEFTUP = 0, TRANS_ALPHA = 1, TRANS_COLORKEY = 2, TRANS_COPY = 3, TRANS_RIGHTUP = 4 };
enum AnimMode : int32_t { ANIM_LOOP = 0, ANIM_STOP = 1, ANIM_BOUNCE = 2, ANIM_NONE = 3 };

struct ImageObject {
  std::string name;  // the requested text, tag included (Shift-JIS); empty = nothing loaded
  uint32_t animStart = 0;
  int32_t animStep = 1;
  int32_t keyRed = 0, keyGreen = 0, keyBlue = 0;
  int32_t keyIndex = 0;
  Dib dib;
  int32_t transMode = TRANS_LEFTUP;
  int32_t alphaLevel = -1;  // -1: no blending; 0..255: opacity
  int32_t currentCell = 0;
  int32_t cellCount = 1;
  int32_t cellInterval = 0;  // ms; -1: per-cell list; 0xFFFFFF in mode 3
  std::vector<int32_t> cellIntervals;
  int32_t animMode = ANIM_LOOP;

  bool hasPicture() const { return dib.hasInfo; }
  // An object without a picture (released, or left empty by a tolerated load failure)
  // counts as 0 x 0 everywhere its size is used.
  int width() const { return dib.hasInfo ? dib.width : 0; }
  int height() const { return dib.hasInfo ? dib.height : 0; }
  int cellWidth() const { return cellCount > 0 ? width() / cellCount : 0; }
  int visibleWidth() const { return transMode == TRANS_ALPHA ? cellWidth() / 2 : cellWidth(); }
  int visibleHeight() const { return height(); }
  // A view for the window; only meaningful for 24-bit pictures.
  SurfaceView view() const {
    if (!dib.hasInfo || dib.bitCount != 24) return {};
    return SurfaceView{dib.pixels.data(), dib.width, dib.height, dib.stride};
  }
};

// A rectangle with inclusive right and bottom edges (the blitter's clip).
struct ClipRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

}  // namespace veloria
