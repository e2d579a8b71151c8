#include "resource/delta_image.h"
#include "resource/bit_writer.h"

#include <cstring>

namespace veloria {

namespace {

// Most significant bit first; past the end of the data every bit is 1.
class BitReader {
 public:
  BitReader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}

  // Makes at least 57 bits available.
  void refill() {
    if (bits_ > 56) return;
    if (end_ - p_ >= 8) {
      uint64_t v;
      std::memcpy(&v, p_, 8);
      v = __builtin_bswap64(v);
      acc_ |= v >> bits_;
      int take = (63 - bits_) >> 3;
      p_ += take;
      bits_ += take * 8;
      return;
    }
    while (bits_ <= 56) {
      uint64_t b = p_ < end_ ? *p_++ : 0xFF;
      acc_ |= b << (56 - bits_);
      bits_ += 8;
    }
  }
  // n in 1..32, with at least n bits available.
  uint32_t take(int n) {
    uint32_t v = static_cast<uint32_t>(acc_ >> (64 - n));
    acc_ <<= n;
    bits_ -= n;
    return v;
  }
  int available() const { return bits_; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  uint64_t acc_ = 0;
  int bits_ = 0;
};

// The serpentine path over the rows from the top: row 0 left to right, row 1 right to left,
// and so on. `offset` is the byte offset of the current pixel's plane byte in bottom-up
// memory; it is meaningful only while the position is inside the picture.
struct Path {
  int64_t x = 1, row = 0, dir = 1;
  int64_t width, height;
  int64_t stride, plane;
  int64_t offset;

  Path(uint32_t w, uint32_t h, size_t s, int k)
      : width(w), height(h), stride(static_cast<int64_t>(s)), plane(k) {
    offset = stride * (height - 1) + plane + 3;
  }
  // A one-pixel-wide picture starts its path outside the row (x = 1) before the first turn.
  bool inside() const { return row < height && x < width; }
  void advance() {
    x += dir;
    if (x < 0) {
      x = 0;
      ++row;
      dir = 1;
      offset = plane + stride * (height - 1 - row);
    } else if (x < width) {
      offset += 3 * dir;
    } else {
      x = width - 1;
      ++row;
      dir = -1;
      offset = plane + 3 * (width - 1) + stride * (height - 1 - row);
    }
  }
};

}  // namespace

DeltaImageSize deltaImageSize(const uint8_t* coded, size_t size) {
  uint8_t h[4];
  for (size_t i = 0; i < 4; ++i) h[i] = i < size ? coded[i] : 0xFF;
  return {static_cast<uint32_t>(h[0] << 8 | h[1]), static_cast<uint32_t>(h[2] << 8 | h[3])};
}

uint64_t deltaImageMaxCodedSize(uint32_t width, uint32_t height) {
  // Per plane: the first value, then one group per four path steps (the first value is not
  // a step; one extra step covers the one-pixel-wide start), each at most 3 + 32 bits.
  uint64_t steps = static_cast<uint64_t>(width) * height + 1;
  uint64_t groups = (steps + 3) / 4;
  uint64_t bits = 32 + 3 * (8 + groups * 35);
  return (bits + 7) / 8;
}

void decodeDeltaImage(const uint8_t* coded, size_t size, uint8_t* pixels, size_t stride) {
  BitReader br(coded, size);
  br.refill();
  const uint32_t width = br.take(16);
  const uint32_t height = br.take(16);
  if (width == 0 || height == 0) return;
  for (int k = 0; k < 3; ++k) {
    Path path(width, height, stride, k);
    br.refill();
    uint32_t v = br.take(8);
    pixels[path.offset - 3] = static_cast<uint8_t>(v);
    while (path.row < path.height) {
      br.refill();
      uint32_t code = br.take(3);
      int m;
      if (code == 0)
        m = 0;
      else if (code == 7)
        m = static_cast<int>(br.take(1)) + 1;
      else
        m = static_cast<int>(code) + 2;
      uint8_t vals[4];
      if (m == 0) {
        std::memset(vals, static_cast<int>(v & 0xFF), 4);
      } else {
        // The group's four values in one read (at most 32 bits).
        const uint32_t chunk = br.take(4 * m);
        const uint32_t mask = (1u << m) - 1;
        for (int i = 0; i < 4; ++i) {
          uint32_t t = (chunk >> (m * (3 - i))) & mask;
          if (m == 8) {
            v = t;
          } else {
            // t odd: up by (t + 1) / 2; t even: down by t / 2.
            uint32_t neg = (t & 1) - 1;  // all ones when t is even
            uint32_t mag = (t + (t & 1)) >> 1;
            v += (mag ^ neg) - neg;
          }
          vals[i] = static_cast<uint8_t>(v);
        }
      }
      // Four steps that stay inside the current row need no turn tests.
      if (path.dir > 0 ? path.x + 4 < path.width : path.x - 4 >= 0) {
        if (path.x < path.width) {
          uint8_t* p = pixels + path.offset;
          const int64_t step = 3 * path.dir;
          p[0] = vals[0];
          p[step] = vals[1];
          p[2 * step] = vals[2];
          p[3 * step] = vals[3];
          path.x += 4 * path.dir;
          path.offset += 4 * step;
          continue;
        }
      }
      for (int i = 0; i < 4; ++i) {
        if (path.inside()) pixels[path.offset] = vals[i];
        path.advance();
      }
    }
  }
}

std::optional<DeltaImage> decodeDeltaImage(const uint8_t* coded, size_t size, uint64_t maxPixels) {
  DeltaImageSize sz = deltaImageSize(coded, size);
  if (static_cast<uint64_t>(sz.width) * sz.height > maxPixels) return std::nullopt;
  DeltaImage img;
  img.width = sz.width;
  img.height = sz.height;
  img.stride = deltaImageStride(sz.width);
  img.pixels.assign(img.stride * sz.height, 0);
  decodeDeltaImage(coded, size, img.pixels.data(), img.stride);
  return img;
}

namespace {


// The value t that codes a step from `prev` to `v`, and the bits it needs (0 for no change).
inline uint32_t stepCode(uint8_t prev, uint8_t v) {
  uint8_t d = static_cast<uint8_t>(v - prev);
  if (d == 0) return 0;
  if (d <= 128) return 2u * d - 1;  // up by d
  return 2u * (256u - d);           // down by 256 - d
}

inline int bitLength(uint32_t t) { return t ? 32 - __builtin_clz(t) : 0; }

}  // namespace

std::vector<uint8_t> encodeDeltaImage(const uint8_t* pixels, size_t stride, uint32_t width,
                                      uint32_t height) {
  BitWriter bw;
  bw.put(width, 16);
  bw.put(height, 16);
  if (width == 0 || height == 0) return bw.finish();
  for (int k = 0; k < 3; ++k) {
    Path path(width, height, stride, k);
    uint8_t prev = pixels[path.offset - 3];
    bw.put(prev, 8);
    while (path.row < path.height) {
      // Values off the picture (the one-pixel-wide start, the tail of the last group) repeat
      // the previous value, which costs nothing extra.
      uint8_t vals[4];
      uint8_t p = prev;
      uint32_t worst = 0;
      for (int i = 0; i < 4; ++i) {
        vals[i] = path.inside() ? pixels[path.offset] : p;
        worst = std::max(worst, stepCode(p, vals[i]));
        p = vals[i];
        path.advance();
      }
      int m = bitLength(worst);
      if (m == 0) {
        bw.put(0, 3);
      } else if (m <= 2) {
        bw.put(7, 3);
        bw.put(static_cast<uint32_t>(m - 1), 1);
      } else if (m <= 7) {
        bw.put(static_cast<uint32_t>(m - 2), 3);
      } else {
        m = 8;
        bw.put(6, 3);
      }
      for (int i = 0; i < 4 && m > 0; ++i) {
        bw.put(m == 8 ? vals[i] : stepCode(prev, vals[i]), m);
        prev = vals[i];
      }
      prev = vals[3];
    }
  }
  return bw.finish();
}

}  // namespace veloria
