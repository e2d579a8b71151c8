// Cursor pictures come from the game: any header value must be refused or drawn, never
// overflow.
#include <gtest/gtest.h>

#include <climits>

#include "platform/cursor_file.h"

using namespace veloria;

namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 24-bit BMP of w x h pixels (bottom-up), all blue, with the header values given.
std::vector<uint8_t> bmp(int32_t w, int32_t h, int32_t headerW, int32_t headerH) {
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
  std::vector<uint8_t> b(14 + 40 + stride * static_cast<size_t>(h), 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 14, 40);
  put32(b, 18, static_cast<uint32_t>(headerW));
  put32(b, 22, static_cast<uint32_t>(headerH));
  b[26] = 1;
  b[28] = 24;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b[54 + stride * static_cast<size_t>(y) + static_cast<size_t>(x) * 3] = 0xFF;
  return b;
}

}  // namespace

TEST(CursorFile, HeaderValuesAreBoundedBeforeUse) {
  auto good = decodeCursorFile(bmp(2, 2, 2, 2));
  ASSERT_TRUE(good);
  EXPECT_EQ(good->width, 2);
  EXPECT_EQ(good->height, 2);
  EXPECT_EQ(good->argb[0], 0xFF0000FFu);
  EXPECT_TRUE(decodeCursorFile(bmp(2, 2, 2, -2)));  // top-down

  const struct {
    int32_t w, h;
  } bad[] = {{2, INT32_MIN}, {2, INT32_MAX}, {INT32_MIN, 2}, {INT32_MAX, 2}, {0, 2}, {2, 0},
             {-2, 2},        {257, 2},       {2, 257},       {2, -257},      {2, 600}};
  for (const auto& c : bad) EXPECT_FALSE(decodeCursorFile(bmp(2, 2, c.w, c.h))) << c.w << " x " << c.h;
}
