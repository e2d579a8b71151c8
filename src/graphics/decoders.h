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

// PNG and JPEG give 24-bit pictures. With `alphaHalves` set and a PNG that has an alpha
// channel, each of the `cells` cells becomes [colour | mask] with mask = 255 - alpha, the
// layout the alpha mode draws; otherwise transparency is composed over black.
bool decodePng(const uint8_t* data, size_t size, bool alphaHalves, int cells, Dib& out);
bool decodeJpeg(const uint8_t* data, size_t size, Dib& out);

// Makes `out` a blank 24-bit picture (used by the decoders; pixels zero).
bool allocDib24(Dib& out, int width, int height);

// A BMP file image of a picture: the 14-byte file header, the 40-byte information header
// (no compression, image size 0), the palette of a 1-, 4- or 8-bit picture (its entries,
// counted in colours-used so that the pixel offset matches), then the bottom-up rows.
// Empty for an object without a picture.
std::vector<uint8_t> encodeBmp(const Dib& d);

}  // namespace veloria
