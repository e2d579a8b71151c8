// The BMP reader. Every size in the headers is checked before it is used: files come from
// authors, archives and plug-ins, and a bad header must give an empty picture, not a crash.
#include <algorithm>
#include <cstring>

#include "graphics/decoders.h"

namespace veloria {

namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void clearDib(Dib& d) {
  d = Dib{};
}

}  // namespace

bool allocDib24(Dib& out, int width, int height) {
  clearDib(out);
  if (width <= 0 || height <= 0 || width > kMaxPictureSide * 2 || height > kMaxPictureSide) return false;
  out.width = width;
  out.height = height;
  out.bitCount = 24;
  out.stride = dibStride(width, 24);
  out.imageSize = static_cast<uint32_t>(static_cast<size_t>(out.stride) * height);
  out.paletteCount = 0;
  out.infoHeader.width = width;
  out.infoHeader.height = height;
  out.infoHeader.bitCount = 24;
  out.pixels.assign(out.imageSize, 0);
  out.hasInfo = true;
  return true;
}

bool decodeBmp(const uint8_t* data, size_t size, Dib& out) {
  clearDib(out);
  // Headers missing from a short file read as zeros, like every short file of the engine.
  uint8_t head[54] = {};
  std::memcpy(head, data, std::min<size_t>(size, sizeof head));
  BmpFileHeader fh;
  fh.type = le16(head);
  fh.size = le32(head + 2);
  fh.reserved1 = le16(head + 6);
  fh.reserved2 = le16(head + 8);
  fh.offBits = le32(head + 10);
  BmpInfoHeader ih;
  const uint8_t* p = head + 14;
  ih.size = le32(p);
  ih.width = static_cast<int32_t>(le32(p + 4));
  ih.height = static_cast<int32_t>(le32(p + 8));
  ih.planes = le16(p + 12);
  ih.bitCount = le16(p + 14);
  ih.compression = le32(p + 16);
  ih.sizeImage = le32(p + 20);
  ih.xPelsPerMeter = static_cast<int32_t>(le32(p + 24));
  ih.yPelsPerMeter = static_cast<int32_t>(le32(p + 28));
  ih.clrUsed = le32(p + 32);
  ih.clrImportant = le32(p + 36);

  const int bits = ih.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const int64_t width = ih.width;
  const bool topDown = ih.height < 0;
  const int64_t height = topDown ? -static_cast<int64_t>(ih.height) : ih.height;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;

  // Palette: colours-used or the default count; more than the depth can index is clipped.
  const int depthCount = bits <= 8 ? (1 << bits) : 0;
  int64_t toRead = ih.clrUsed ? static_cast<int64_t>(ih.clrUsed) : depthCount;
  toRead = std::min<int64_t>(toRead, bits <= 8 ? depthCount : 256);
  size_t pos = 54;
  std::vector<uint8_t> palette(static_cast<size_t>(depthCount) * 4, 0);
  for (int64_t i = 0; i < toRead; ++i, pos += 4) {
    if (pos + 4 > size) {
      pos = size;
      break;
    }
    if (i < depthCount) std::memcpy(&palette[static_cast<size_t>(i) * 4], data + pos, 4);
  }
  // A colours-used count above what is stored in the file still moves the pixel start, as
  // the file says; the entries past the depth's size are skipped.
  if (ih.clrUsed > static_cast<uint32_t>(toRead)) {
    uint64_t skip = (static_cast<uint64_t>(ih.clrUsed) - static_cast<uint64_t>(toRead)) * 4;
    pos = skip > size - std::min(pos, size) ? size : pos + static_cast<size_t>(skip);
  }

  const int srcStride = dibStride(static_cast<int>(width), bits);
  const size_t srcBytes = static_cast<size_t>(srcStride) * static_cast<size_t>(height);
  if (srcBytes > kMaxPictureBytes) return false;
  const bool widen = bits == 16 || bits == 32;
  const int outBits = widen ? 24 : bits;

  out.fileHeader = fh;
  out.infoHeader = ih;
  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(height);
  out.bitCount = outBits;
  out.stride = dibStride(out.width, outBits);
  out.imageSize = static_cast<uint32_t>(static_cast<size_t>(out.stride) * out.height);
  out.paletteCount = depthCount;
  out.palette = std::move(palette);
  out.infoHeader.height = out.height;
  out.infoHeader.bitCount = static_cast<uint16_t>(outBits);
  out.pixels.assign(out.imageSize, 0);
  out.hasInfo = true;
  // Run-length encoded (and other compressed) data is not decoded: the picture stays black.
  if (ih.compression != 0) return true;

  const size_t avail = pos < size ? size - pos : 0;
  const uint8_t* px = data + std::min(pos, size);
  for (int64_t r = 0; r < height; ++r) {
    // Stored row r is bottom-up row r for a bottom-up file, or from the top when top-down.
    const size_t srcOff = static_cast<size_t>(r) * srcStride;
    if (srcOff >= avail) break;
    const size_t rowAvail = std::min<size_t>(srcStride, avail - srcOff);
    const int64_t outRow = topDown ? height - 1 - r : r;  // index from the bottom
    uint8_t* dst = out.pixels.data() + static_cast<size_t>(outRow) * out.stride;
    const uint8_t* src = px + srcOff;
    if (!widen) {
      std::memcpy(dst, src, rowAvail);
      continue;
    }
    const int bpp = bits / 8;
    const int64_t n = std::min<int64_t>(width, static_cast<int64_t>(rowAvail) / bpp);
    for (int64_t x = 0; x < n; ++x) {
      const uint8_t* s = src + x * bpp;
      uint8_t* d = dst + x * 3;
      if (bits == 32) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      } else {
        unsigned v = le16(s);  // x1r5g5b5
        unsigned r5 = (v >> 10) & 31, g5 = (v >> 5) & 31, b5 = v & 31;
        d[0] = static_cast<uint8_t>((b5 << 3) | (b5 >> 2));
        d[1] = static_cast<uint8_t>((g5 << 3) | (g5 >> 2));
        d[2] = static_cast<uint8_t>((r5 << 3) | (r5 >> 2));
      }
    }
  }
  return true;
}

std::vector<uint8_t> encodeBmp(const Dib& d) {
  std::vector<uint8_t> out;
  if (!d.hasInfo || d.width <= 0 || d.height <= 0) return out;
  const size_t paletteBytes = d.bitCount <= 8 ? d.palette.size() / 4 * 4 : 0;
  const size_t offset = 54 + paletteBytes;
  const size_t pixelBytes = static_cast<size_t>(d.stride) * static_cast<size_t>(d.height);
  if (d.pixels.size() < pixelBytes) return out;
  out.resize(offset + pixelBytes);
  uint8_t* p = out.data();
  auto put16 = [](uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
  };
  auto put32 = [](uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
  };
  p[0] = 'B';
  p[1] = 'M';
  put32(p + 2, static_cast<uint32_t>(out.size()));
  put32(p + 10, static_cast<uint32_t>(offset));
  put32(p + 14, 40);
  put32(p + 18, static_cast<uint32_t>(d.width));
  put32(p + 22, static_cast<uint32_t>(d.height));
  put16(p + 26, 1);
  put16(p + 28, static_cast<uint32_t>(d.bitCount));
  put32(p + 38, static_cast<uint32_t>(d.infoHeader.xPelsPerMeter));
  put32(p + 42, static_cast<uint32_t>(d.infoHeader.yPelsPerMeter));
  // A colours-used of 0 would mean the depth's full palette; say exactly what is written.
  put32(p + 46, static_cast<uint32_t>(paletteBytes / 4));
  if (paletteBytes) std::memcpy(p + 54, d.palette.data(), paletteBytes);
  std::memcpy(p + offset, d.pixels.data(), pixelBytes);
  return out;
}

}  // namespace veloria
