// Mouse cursor pictures from .cur/.ico files (the first image of the file) or from a plain
// .bmp (opaque, hot spot at its top-left corner; a 32-bit BMP keeps its alpha).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace veloria {

struct CursorImage {
  int width = 0, height = 0;
  int hotX = 0, hotY = 0;
  std::vector<uint32_t> argb;  // top-down, 0xAARRGGBB
};

std::optional<CursorImage> decodeCursorFile(const std::vector<uint8_t>& data);

}  // namespace veloria
