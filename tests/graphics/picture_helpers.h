// Small hand-made pictures for the graphics tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "graphics/image.h"

namespace veloria::test {

// A 24-bit picture from 0xRRGGBB values given row by row from the top.
inline ImageObject pic24(int w, int h, std::initializer_list<uint32_t> rgb) {
  ImageObject o;
  createSurface(o, w, h);
  auto it = rgb.begin();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w && it != rgb.end(); ++x, ++it) {
      uint8_t* p = o.dib.row(y) + x * 3;
      p[0] = static_cast<uint8_t>(*it);
      p[1] = static_cast<uint8_t>(*it >> 8);
      p[2] = static_cast<uint8_t>(*it >> 16);
    }
  return o;
}

// A 24-bit picture filled with one colour.
inline ImageObject solid24(int w, int h, uint32_t rgb) {
  ImageObject o;
  createSurface(o, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = o.dib.row(y) + x * 3;
      p[0] = static_cast<uint8_t>(rgb);
      p[1] = static_cast<uint8_t>(rgb >> 8);
      p[2] = static_cast<uint8_t>(rgb >> 16);
    }
  return o;
}

// The pixel at (x, y) (from the top) as 0xRRGGBB.
inline uint32_t px(const ImageObject& o, int x, int y) {
  const uint8_t* p = o.dib.row(y) + x * 3;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

inline uint32_t grey(unsigned v) { return v * 0x010101u; }

}  // namespace veloria::test
