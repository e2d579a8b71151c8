// The delta-coded picture of archive members (kind 1): a 16-bit width and height, then the
// three colour planes (pixel bytes 0, 1, 2) each coded as differences along a serpentine
// path over the rows from the top, in groups of four values sharing one bit width. The bit
// stream is read most significant bit first; bytes past the end of the data read as 0xFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace veloria {

struct DeltaImageSize {
  uint32_t width = 0;
  uint32_t height = 0;
};

// Row stride of a 24-bit bottom-up picture (rows padded to 4 bytes).
inline size_t deltaImageStride(uint32_t width) { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }

// The coded size at the start of the data (a truncated header reads as 0xFFFF).
DeltaImageSize deltaImageSize(const uint8_t* coded, size_t size);

// Upper bound of the coded bytes a picture of this size can take, header included.
uint64_t deltaImageMaxCodedSize(uint32_t width, uint32_t height);

// Decodes the three planes into `pixels`: bottom-up rows of 3-byte pixels, `stride` bytes
// apart (at least 3 x width), height rows, the size taken from the data's header. Writes only
// inside the picture's pixels. A width or height of 0 decodes nothing.
void decodeDeltaImage(const uint8_t* coded, size_t size, uint8_t* pixels, size_t stride);

// A decoded picture in memory (stride = deltaImageStride(width), padding bytes zero).
struct DeltaImage {
  uint32_t width = 0;
  uint32_t height = 0;
  size_t stride = 0;
  std::vector<uint8_t> pixels;
};
// Decodes into a new buffer; nullopt when width x height exceeds maxPixels.
std::optional<DeltaImage> decodeDeltaImage(const uint8_t* coded, size_t size, uint64_t maxPixels);

// Codes a 24-bit bottom-up picture (1..65535 pixels each way) so that decodeDeltaImage
// gives exactly its pixels back; each group takes the narrowest bit width that holds it.
std::vector<uint8_t> encodeDeltaImage(const uint8_t* pixels, size_t stride, uint32_t width,
                                      uint32_t height);

}  // namespace veloria
