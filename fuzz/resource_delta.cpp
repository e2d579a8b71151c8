// Delta-coded pictures from arbitrary bytes: decoding stays inside the picture's pixels
// (checked by the address sanitizer, with sizes bounded), and pictures made of the same bytes
// survive encoding and decoding exactly. Sizes are kept small: every row decodes alike, and
// big pictures would take most of the time.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resource/delta_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As coded data, with at most 2^12 pixels decoded.
  if (auto img = veloria::decodeDeltaImage(data, size, 1u << 12)) {
    if (img->pixels.size() != img->stride * img->height) std::abort();
  }
  // Into memory of exactly the picture's size, for small pictures.
  veloria::DeltaImageSize s = veloria::deltaImageSize(data, size);
  if (static_cast<uint64_t>(s.width) * s.height <= (1u << 10)) {
    size_t stride = veloria::deltaImageStride(s.width);
    std::vector<uint8_t> px(stride * s.height);
    veloria::decodeDeltaImage(data, size, px.data(), stride);
  }
  // As a picture: the first byte gives the width, the rest are the pixel bytes.
  if (size >= 4) {
    uint32_t w = data[0] % 64 + 1;
    uint32_t h = static_cast<uint32_t>((size - 1) / (w * 3));
    if (h == 0) return 0;
    size_t stride = veloria::deltaImageStride(w);
    std::vector<uint8_t> px(stride * h, 0);
    for (uint32_t y = 0; y < h; ++y) std::memcpy(&px[y * stride], data + 1 + y * w * 3, w * 3);
    std::vector<uint8_t> coded = veloria::encodeDeltaImage(px.data(), stride, w, h);
    auto back = veloria::decodeDeltaImage(coded.data(), coded.size(), 1u << 20);
    if (!back || back->width != w || back->height != h || back->pixels != px) std::abort();
  }
  return 0;
}
