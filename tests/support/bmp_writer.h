// The one BMP writer of the tests: 24-bit pictures as a game would ship them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veloria::test {

// A 24-bit BMP file of w x h pixels; colour(x, y) gives 0xRRGGBB with y counted from the
// top. Rows are stored bottom-up (a negative height) unless topDown, padded to 4 bytes.
template <typename F>
std::string bmpFile(int w, int h, F colour, bool topDown = false) {
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
  const size_t imageSize = stride * static_cast<size_t>(h);
  std::string f(54 + imageSize, '\0');
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put(2, static_cast<uint32_t>(f.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(w), 4);
  put(22, static_cast<uint32_t>(topDown ? -h : h), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, static_cast<uint32_t>(imageSize), 4);
  for (int y = 0; y < h; ++y) {
    const size_t row = 54 + static_cast<size_t>(topDown ? y : h - 1 - y) * stride;
    for (int x = 0; x < w; ++x) put(row + static_cast<size_t>(x) * 3, static_cast<uint32_t>(colour(x, y)), 3);
  }
  return f;
}

// The same from 0xRRGGBB values given row by row from the top.
inline std::string bmpFile(int w, int h, const std::vector<uint32_t>& rgbTopDown, bool topDown = false) {
  return bmpFile(w, h, [&](int x, int y) { return rgbTopDown[static_cast<size_t>(y) * w + x]; }, topDown);
}

inline std::string solidBmp(int w, int h, uint32_t rgb) {
  return bmpFile(w, h, [rgb](int, int) { return rgb; });
}

}  // namespace veloria::test
