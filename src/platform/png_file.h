// Writing PNG files (screenshots, the program's icon).
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

// Writes `height` rows of `width` pixels, top row first, 3 (RGB) or 4 (RGBA) bytes a pixel,
// rows `stride` bytes apart. The file is replaced as a whole (never written through a link).
bool writePngFile(const std::string& path, const uint8_t* pixels, int width, int height, int channels, size_t stride);

}  // namespace veloria
