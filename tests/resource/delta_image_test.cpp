#include "resource/delta_image.h"
#include "resource_test_util.h"

namespace veloria::test {
namespace {

std::string header(uint32_t w, uint32_t h) { return bitsOf(w, 16) + bitsOf(h, 16); }

// Pixel (x, y) of plane k, y counted from the top.
uint8_t at(const DeltaImage& img, uint32_t x, uint32_t y, int k) {
  return img.pixels[img.stride * (img.height - 1 - y) + 3 * x + static_cast<size_t>(k)];
}

DeltaImage decode(const Bytes& b) {
  auto img = decodeDeltaImage(b.data(), b.size(), 1u << 24);
  EXPECT_TRUE(img.has_value());
  return img ? *img : DeltaImage{};
}

TEST(DeltaImage, TwoByOneUsesTheFirstGroupValue) {
  // Per plane: first value, then code 6 (8-bit literals): the first literal is pixel (1,0),
  // the other three are decoded and dropped.
  std::string bits = header(2, 1);
  for (int k = 0; k < 3; ++k)
    bits += bitsOf(10 + k, 8) + "110" + bitsOf(200 + k, 8) + bitsOf(1, 8) + bitsOf(2, 8) + bitsOf(3, 8);
  DeltaImage img = decode(bitString(bits));
  ASSERT_EQ(img.width, 2u);
  ASSERT_EQ(img.height, 1u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(at(img, 0, 0, k), 10 + k);
    EXPECT_EQ(at(img, 1, 0, k), 200 + k);
  }
  EXPECT_EQ(img.pixels[6], 0);  // row padding stays clear
  EXPECT_EQ(img.pixels[7], 0);
}

TEST(DeltaImage, GroupCodesAndDifferences) {
  // 9 x 1: first value 100, then
  //  code 0: four repeats; code 7 + bit 0: 1-bit values (1 adds one, 0 adds nothing);
  //  code 1 (3 bits): t odd adds (t+1)/2, t even subtracts t/2, wrapping modulo 256.
  std::string plane0 = bitsOf(100, 8) + "000" + "111 0 1011";
  std::string plane1 = bitsOf(2, 8) + "111 1 " + bitsOf(3, 2) + bitsOf(2, 2) + bitsOf(0, 2) + bitsOf(1, 2) +
                       "001" + bitsOf(6, 3) + bitsOf(6, 3) + bitsOf(7, 3) + bitsOf(0, 3);
  std::string plane2 = bitsOf(255, 8) + "001" + bitsOf(1, 3) + bitsOf(5, 3) + bitsOf(2, 3) + bitsOf(4, 3) +
                       "110" + bitsOf(0, 8) + bitsOf(128, 8) + bitsOf(7, 8) + bitsOf(9, 8);
  DeltaImage img = decode(bitString(header(9, 1) + plane0 + plane1 + plane2));
  uint8_t want0[9] = {100, 100, 100, 100, 100, 101, 101, 102, 103};
  uint8_t want1[9] = {2, 4, 3, 3, 4, 1, 254, 2, 2};
  uint8_t want2[9] = {255, 0, 3, 2, 0, 0, 128, 7, 9};
  for (uint32_t x = 0; x < 9; ++x) {
    EXPECT_EQ(at(img, x, 0, 0), want0[x]) << x;
    EXPECT_EQ(at(img, x, 0, 1), want1[x]) << x;
    EXPECT_EQ(at(img, x, 0, 2), want2[x]) << x;
  }
}

TEST(DeltaImage, PathTurnsAtRowEnds) {
  // 3 x 2 with 8-bit literals 1..5 after the first value 0: the path is
  // (0,0) (1,0) (2,0) (2,1) (1,1) (0,1).
  std::string bits = header(3, 2);
  for (int k = 0; k < 3; ++k) {
    bits += bitsOf(0, 8) + "110";
    for (int v = 1; v <= 4; ++v) bits += bitsOf(v * 10 + k, 8);
    bits += "110" + bitsOf(50 + k, 8) + bitsOf(0, 8) + bitsOf(0, 8) + bitsOf(0, 8);
  }
  DeltaImage img = decode(bitString(bits));
  const uint32_t order[6][2] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {0, 1}};
  for (int k = 0; k < 3; ++k)
    for (int i = 1; i < 6; ++i) EXPECT_EQ(at(img, order[i][0], order[i][1], k), i * 10 + k) << i;
}

TEST(DeltaImage, OnePixelWideStaysInsideItsPixels) {
  // 1 x 3: the first group value falls outside the row and is dropped; the next ones go
  // down the column.
  std::string bits = header(1, 3);
  for (int k = 0; k < 3; ++k)
    bits += bitsOf(7, 8) + "110" + bitsOf(99, 8) + bitsOf(20 + k, 8) + bitsOf(30 + k, 8) + bitsOf(1, 8);
  Bytes coded = bitString(bits);
  const size_t stride = deltaImageStride(1);
  Bytes mem(stride * 3 + 16, 0xCC);  // guard bytes after the picture
  decodeDeltaImage(coded.data(), coded.size(), mem.data(), stride);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(mem[stride * 2 + static_cast<size_t>(k)], 7);  // top row
    EXPECT_EQ(mem[stride * 1 + static_cast<size_t>(k)], 20 + k);
    EXPECT_EQ(mem[static_cast<size_t>(k)], 30 + k);  // bottom row
  }
  for (size_t i = stride * 3; i < mem.size(); ++i) EXPECT_EQ(mem[i], 0xCC);
  EXPECT_EQ(mem[3], 0xCC);  // padding of each row is left alone
}

TEST(DeltaImage, TruncatedAndEmptyData) {
  // Missing bytes read as all ones: a short header means 65535 x 65535.
  DeltaImageSize s = deltaImageSize(nullptr, 0);
  EXPECT_EQ(s.width, 65535u);
  EXPECT_EQ(s.height, 65535u);
  EXPECT_FALSE(decodeDeltaImage(nullptr, 0, 1u << 24).has_value());
  // Zero sizes give empty pictures and read nothing more.
  for (auto [w, h] : {std::pair{0u, 5u}, std::pair{5u, 0u}, std::pair{0u, 0u}}) {
    Bytes coded = bitString(header(w, h));
    DeltaImage img = decode(coded);
    EXPECT_TRUE(img.pixels.empty());
  }
  // A truncated body: the missing planes decode from 1 bits: first value 255, then code 7,
  // bit 1 (2-bit values), t = 3: +2 each, wrapping.
  Bytes coded = bitString(header(4, 1) + bitsOf(10, 8) + "000", 1);
  DeltaImage img = decode(coded);
  EXPECT_EQ(at(img, 3, 0, 0), 10);
  const uint8_t want[4] = {255, 1, 3, 5};
  for (uint32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(at(img, x, 0, 1), want[x]);
    EXPECT_EQ(at(img, x, 0, 2), want[x]);
  }
}

TEST(DeltaImage, EncoderRoundTripsExactly) {
  std::mt19937 rng(11);
  std::vector<std::pair<uint32_t, uint32_t>> sizes = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5},
                                                      {5, 3}, {17, 9}, {640, 480}, {801, 3}};
  for (auto [w, h] : sizes) {
    size_t stride = deltaImageStride(w);
    Bytes px(stride * h, 0);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w * 3; ++x) {
        // Smooth gradients with noise and occasional jumps exercise every bit width.
        uint32_t r = rng();
        px[y * stride + x] = static_cast<uint8_t>(x / 3 + y * 2 + (r % 4 == 0 ? r >> 8 : r % 5));
      }
    Bytes coded = encodeDeltaImage(px.data(), stride, w, h);
    EXPECT_LE(coded.size(), deltaImageMaxCodedSize(w, h));
    DeltaImage img = decode(coded);
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    EXPECT_EQ(img.pixels, px) << w << "x" << h;
  }
  // A flat picture codes as the first values and 3-bit repeat codes: 32 + 3 x (8 + 1024 x 3)
  // bits for 64 x 64.
  Bytes flat(deltaImageStride(64) * 64, 0x40);
  EXPECT_EQ(encodeDeltaImage(flat.data(), deltaImageStride(64), 64, 64).size(), 1159u);
}

}  // namespace
}  // namespace veloria::test
