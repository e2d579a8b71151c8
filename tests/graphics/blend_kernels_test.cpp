// The vector blend kernels must give exactly a*b/255 (each product truncated on its own) for
// every pair of byte values; the expected numbers here are plain integer arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "graphics/blend_rows.h"
#include "graphics/image.h"

namespace veloria {
namespace {

unsigned div255(unsigned x) { return x / 255; }

TEST(GraphicsBlend, MulTableIsTruncatedProduct) {
  EXPECT_EQ(MulTable[255 * 256 + 200], 200);
  EXPECT_EQ(MulTable[128 * 256 + 128], 64);  // 16384 / 255 = 64.25
  EXPECT_EQ(MulTable[1 * 256 + 254], 0);
  EXPECT_EQ(MulTable[0], 0);
}

// Every (source, mask) pair, with a destination that differs per channel and per pair.
TEST(GraphicsBlend, AlphaRowExactForAllPairs) {
  for (const BlendKernels* k : {&vectorKernels(), &scalarKernels()}) {
    const int n = 65536;
    std::vector<uint8_t> src(n * 3), mask(n), dst(n * 3), want(n * 3);
    for (int i = 0; i < n; ++i) {
      unsigned s = i >> 8, m = i & 255;
      for (int c = 0; c < 3; ++c) {
        unsigned sc = (s + 37 * c) & 255, d = (s * 7 + m * 13 + c * 101) & 255;
        src[i * 3 + c] = static_cast<uint8_t>(sc);
        dst[i * 3 + c] = static_cast<uint8_t>(d);
        want[i * 3 + c] = static_cast<uint8_t>(div255(sc * (255 - m)) + div255(d * m));
      }
      mask[i] = static_cast<uint8_t>(m);
    }
    // The same blend from the colour weighted beforehand.
    std::vector<uint8_t> weighted(n * 3), dst2 = dst;
    for (int i = 0; i < n * 3; ++i) weighted[i] = static_cast<uint8_t>(div255(src[i] * (255u - mask[i / 3])));
    k->alphaRow(dst.data(), src.data(), mask.data(), n);
    ASSERT_EQ(dst, want);
    k->weightedRow(dst2.data(), weighted.data(), mask.data(), n);
    ASSERT_EQ(dst2, want);
  }
}

TEST(GraphicsBlend, AlphaLevelRowExactForAllPairs) {
  const int n = 65536;
  for (int level : {0, 1, 128, 254, 255}) {
    std::vector<uint8_t> src(n * 3), mask(n), dst(n * 3), want(n * 3);
    for (int i = 0; i < n; ++i) {
      unsigned s = i >> 8, m = i & 255;
      unsigned a = div255((255 - m) * level);
      mask[i] = static_cast<uint8_t>(m);
      for (int c = 0; c < 3; ++c) {
        unsigned d = (m + 3 * c) & 255;
        src[i * 3 + c] = static_cast<uint8_t>(s);
        dst[i * 3 + c] = static_cast<uint8_t>(d);
        want[i * 3 + c] = static_cast<uint8_t>(div255(s * a) + div255(d * (255 - a)));
      }
    }
    vectorKernels().alphaLevelRow(dst.data(), src.data(), mask.data(), n, level);
    ASSERT_EQ(dst, want) << "level " << level;
  }
}

TEST(GraphicsBlend, LevelAndFadeBytesExactForAllPairs) {
  // Bytes are (a, b) pairs; every level is checked on all of them.
  const int n = 65536;
  std::vector<uint8_t> a(n), b(n);
  for (int i = 0; i < n; ++i) {
    a[i] = static_cast<uint8_t>(i >> 8);
    b[i] = static_cast<uint8_t>(i & 255);
  }
  for (int k = 0; k < 256; ++k) {
    std::vector<uint8_t> d = b;
    vectorKernels().levelBytes(d.data(), a.data(), n, k);
    for (int i = 0; i < n; ++i)
      ASSERT_EQ(d[i], div255(a[i] * k) + div255(b[i] * (255 - k))) << "k " << k << " i " << i;
    for (int phase = 0; phase < 2; ++phase) {
      std::vector<uint8_t> out(n, 0x5A);
      vectorKernels().fadeBytes(out.data(), a.data(), b.data(), n - 3, k, phase);  // odd length: tail too
      for (int i = 0; i < n; ++i) {
        unsigned want = (i < n - 3 && (i & 1) == phase) ? div255(a[i] * (255 - k)) + div255(b[i] * k) : 0x5A;
        ASSERT_EQ(out[i], want) << "k " << k << " phase " << phase << " i " << i;
      }
    }
  }
}

// Masks with long opaque and transparent runs take the shortcuts; rows of every length up to
// 100 pixels exercise the partial last groups. All must agree with the plain version.
TEST(GraphicsBlend, ShortcutsAndRowEndsMatchThePlainKernels) {
  std::mt19937 rng(12345);
  for (int n = 1; n <= 100; ++n) {
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<uint8_t> src(n * 3 + 48), mask(n + 16), dst(n * 3 + 48);
      for (auto& v : src) v = static_cast<uint8_t>(rng());
      for (auto& v : mask) v = static_cast<uint8_t>(rng());
      for (auto& v : dst) v = static_cast<uint8_t>(rng());
      // The mask: runs of 0, 255 or noise.
      for (int i = 0; i < n;) {
        int run = 1 + static_cast<int>(rng() % 24), kind = static_cast<int>(rng() % 3);
        for (; run > 0 && i < n; --run, ++i)
          mask[static_cast<size_t>(i)] = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<uint8_t>(rng());
      }
      std::vector<uint8_t> a = dst, b = dst, c = dst, weighted(src.size());
      vectorKernels().alphaRow(a.data(), src.data(), mask.data(), n);
      scalarKernels().alphaRow(b.data(), src.data(), mask.data(), n);
      ASSERT_EQ(a, b) << "n " << n;
      for (size_t i = 0; i < weighted.size(); ++i)
        weighted[i] = static_cast<uint8_t>(div255(src[i] * (255u - mask[std::min(i / 3, mask.size() - 1)])));
      vectorKernels().weightedRow(c.data(), weighted.data(), mask.data(), n);
      ASSERT_EQ(c, b) << "n " << n;
      a = dst;
      b = dst;
      vectorKernels().alphaLevelRow(a.data(), src.data(), mask.data(), n, 77);
      scalarKernels().alphaLevelRow(b.data(), src.data(), mask.data(), n, 77);
      ASSERT_EQ(a, b) << "n " << n;
    }
  }
}

}  // namespace
}  // namespace veloria
