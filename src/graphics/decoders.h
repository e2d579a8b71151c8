// Picture decoders working on bytes in memory: BMP (the native format), PNG and JPEG.
// Each fills a Dib or leaves it without a picture (hasInfo false); none ever reads outside
// the buffer it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/image.h"

namespace veloria {

// Largest picture side accepted from a file, and the largest pixel block.
constexpr int kMaxPictureSide = 16384;
constexpr size_t kMaxPictureBytes = size_t{256} << 20;

// A BMP image: file header (14 bytes), information header (40 bytes), the palette right after
// it (colours-used entries, or the depth's default when 0; never more than the depth allows),
// then the pixel rows. The file header's pixel offset is not used. Compressed files load as
// black pictures of their size; 16- and 32-bit pictures are widened to 24 bits; top-down
// files (negative height) are turned bottom-up. Short pixel data reads as zeros.
// Returns false (and no picture) for sizes or depths it cannot hold.
bool decodeBmp(const uint8_t* data, size_t size, Dib& out);

// How a PNG with an alpha channel is laid out (a PNG without one ignores all of this).
struct PngLayout {
  // Each of the `cells` cells becomes [colour | mask] with mask = 255 - alpha, the layout
  // the alpha mode draws; otherwise transparency is composed over black.
  bool alphaHalves = false;
  int cells = 1;
  // With alphaHalves: the pixels whose colour equals the key (the picture's top-left or
  // top-right pixel, or the given colour) are fully transparent as well.
  enum class Key : uint8_t { None, TopLeft, TopRight, Colour } key = Key::None;
  uint8_t keyRed = 0, keyGreen = 0, keyBlue = 0;
  bool operator==(const PngLayout&) const = default;
};

// PNG and JPEG give 24-bit pictures. `halved` (when given) tells whether the PNG had an
// alpha channel and was laid out in halves.
bool decodePng(const uint8_t* data, size_t size, const PngLayout& layout, Dib& out, bool* halved = nullptr);
inline bool decodePng(const uint8_t* data, size_t size, bool alphaHalves, int cells, Dib& out) {
  PngLayout l;
  l.alphaHalves = alphaHalves;
  l.cells = cells;
  return decodePng(data, size, l, out);
}
bool decodeJpeg(const uint8_t* data, size_t size, Dib& out);

// Makes `out` a blank 24-bit picture (used by the decoders; pixels zero).
bool allocDib24(Dib& out, int width, int height);

// A BMP file image of a picture: the 14-byte file header, the 40-byte information header
// (no compression, image size 0), the palette of a 1-, 4- or 8-bit picture (its entries,
// counted in colours-used so that the pixel offset matches), then the bottom-up rows.
// Empty for an object without a picture.
std::vector<uint8_t> encodeBmp(const Dib& d);

}  // namespace veloria
