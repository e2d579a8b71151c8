// Laying a filtered glyph into the screen surfaces: the display picture, the text layer
// (colour times coverage, kept to recompose the window) and the coverage map.
#pragma once

#include <cstdint>

namespace veloria {

// A 24-bit picture with bottom-up rows (blue, green, red), like the screen surfaces.
struct PixelTarget {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  uint8_t* at(int x, int y) const { return bits + static_cast<long>(height - 1 - y) * stride + x * 3; }
};

// a * b / 255 with integer division.
const uint8_t* mulTableRow(int a);
inline uint8_t mul(int a, int b) { return mulTableRow(a)[b]; }

struct GlyphInk {
  const uint8_t* coverage = nullptr;  // cellWidth x cellHeight, top row first
  int cellWidth = 0, cellHeight = 0;
  int x = 0, y = 0;  // the cell's top-left screen pixel
  uint8_t r = 255, g = 255, b = 255;
  bool shadow = false;
};

// Blends the glyph into `display` (and, when given, writes `layer` and `coverageMap`, which
// share the display's size; the coverage map is one byte a pixel with bottom-up rows).
// Pixels outside the display are left alone.
void blendGlyph(const GlyphInk& g, const PixelTarget& display, const PixelTarget* layer, uint8_t* coverageMap);

// Lays typed text over a composed picture inside [left, right) x [top, bottom): each pixel
// with coverage a > 0 becomes min(255, layer + o * (255 - a) / 255), with the pixel to its
// right darkened first when `shadow` is on.
void overlayText(const PixelTarget& target, const PixelTarget& layer, const uint8_t* coverageMap, int left, int top,
                 int right, int bottom, bool shadow);

// Multiplies every pixel of [left, right) x [top, bottom) by the colour 0xRRGGBB per channel.
void tintPixels(const PixelTarget& target, int left, int top, int right, int bottom, uint32_t rgb);

}  // namespace veloria
