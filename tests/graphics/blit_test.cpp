// drawImage on hand-made pictures; expected values are worked out from the blend rule by hand.
#include <gtest/gtest.h>

#include "graphics/image.h"
#include "graphics/picture_helpers.h"

namespace veloria {
namespace {

using test::grey;
using test::pic24;
using test::px;
using test::solid24;

constexpr int kW = 640, kH = 480;

TEST(GraphicsBlit, CopyAndLevel) {
  ImageObject src = pic24(2, 2, {0x102030, 0x405060, 0x708090, 0xC8C8C8});
  src.transMode = TRANS_COPY;
  ImageObject dst = solid24(4, 4, grey(50));
  drawImage(src, dst, nullptr, 1, 1, kW, kH);
  EXPECT_EQ(px(dst, 0, 0), grey(50));
  EXPECT_EQ(px(dst, 1, 1), 0x102030u);
  EXPECT_EQ(px(dst, 2, 1), 0x405060u);
  EXPECT_EQ(px(dst, 1, 2), 0x708090u);
  EXPECT_EQ(px(dst, 2, 2), grey(200));
  EXPECT_EQ(px(dst, 3, 3), grey(50));

  // Level 100: 200*100/255 = 78 plus 50*155/255 = 30.
  ImageObject dst2 = solid24(4, 4, grey(50));
  src.alphaLevel = 100;
  drawImage(src, dst2, nullptr, 1, 1, kW, kH);
  EXPECT_EQ(px(dst2, 2, 2), grey(108));
  // Level 255 keeps the source exactly; a stored level above 255 draws as 255.
  src.alphaLevel = 300;
  ImageObject dst3 = solid24(4, 4, grey(50));
  drawImage(src, dst3, nullptr, 1, 1, kW, kH);
  EXPECT_EQ(px(dst3, 2, 2), grey(200));
  EXPECT_EQ(px(dst3, 1, 1), 0x102030u);
}

TEST(GraphicsBlit, KeyedModes) {
  // Top-left is the key for leftup; the top-right pixel of the whole bitmap for rightup.
  ImageObject src = pic24(3, 2, {0xFF00FF, 0x111111, 0x00FF00,  //
                                 0x222222, 0xFF00FF, 0x00FF00});
  ImageObject dst = solid24(3, 2, grey(9));
  src.transMode = TRANS_LEFTUP;
  drawImage(src, dst, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst, 0, 0), grey(9));
  EXPECT_EQ(px(dst, 1, 0), 0x111111u);
  EXPECT_EQ(px(dst, 2, 0), 0x00FF00u);
  EXPECT_EQ(px(dst, 1, 1), grey(9));

  ImageObject dst2 = solid24(3, 2, grey(9));
  src.transMode = TRANS_RIGHTUP;
  drawImage(src, dst2, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst2, 0, 0), 0xFF00FFu);
  EXPECT_EQ(px(dst2, 2, 0), grey(9));
  EXPECT_EQ(px(dst2, 2, 1), grey(9));

  // rightup with two cells still takes the last column of the bitmap, not of the cell.
  ImageObject cells = pic24(4, 1, {0x0000AA, 0x0000BB, 0x0000CC, 0x0000BB});
  cells.transMode = TRANS_RIGHTUP;
  cells.cellCount = 2;
  ImageObject dst3 = solid24(2, 1, grey(1));
  drawImage(cells, dst3, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst3, 0, 0), 0x0000AAu);
  EXPECT_EQ(px(dst3, 1, 0), grey(1));

  ImageObject dst4 = solid24(3, 2, grey(9));
  src.transMode = TRANS_COLORKEY;
  src.keyRed = 0;
  src.keyGreen = 0xFF;
  src.keyBlue = 0;
  src.alphaLevel = 51;  // keyed pixels blend: 0x11*51/255 = 3 plus 9*204/255 = 7
  drawImage(src, dst4, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst4, 2, 0), grey(9));
  EXPECT_EQ(px(dst4, 1, 0), grey(10));
}

TEST(GraphicsBlit, AlphaHalves) {
  // One cell of width 6: three colour pixels, then their three mask pixels.
  ImageObject src = pic24(6, 1, {grey(200), grey(200), grey(200), grey(0), grey(255), grey(100)});
  src.transMode = TRANS_ALPHA;
  ImageObject dst = solid24(3, 1, grey(50));
  drawImage(src, dst, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst, 0, 0), grey(200));  // mask 0: opaque
  EXPECT_EQ(px(dst, 1, 0), grey(50));   // mask 255: transparent
  EXPECT_EQ(px(dst, 2, 0), grey(140));  // 200*155/255 = 121, 50*100/255 = 19

  // With level 128 and mask 100: a = 155*128/255 = 77; 200*77/255 = 60, 50*178/255 = 34.
  ImageObject dst2 = solid24(3, 1, grey(50));
  src.alphaLevel = 128;
  drawImage(src, dst2, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst2, 2, 0), grey(94));
  EXPECT_EQ(px(dst2, 0, 0), grey(124));  // a = 128: 200*128/255 = 100, 50*127/255 = 24
}

TEST(GraphicsBlit, PaletteSources) {
  ImageObject p8;
  createSurface(p8, 3, 1, 8);
  p8.dib.palette = std::vector<uint8_t>(1024, 0);
  auto setPal = [&](int i, uint32_t rgb) {
    p8.dib.palette[i * 4] = static_cast<uint8_t>(rgb);
    p8.dib.palette[i * 4 + 1] = static_cast<uint8_t>(rgb >> 8);
    p8.dib.palette[i * 4 + 2] = static_cast<uint8_t>(rgb >> 16);
  };
  setPal(7, 0xABCDEF);
  setPal(9, 0x123456);
  p8.dib.row(0)[0] = 7;
  p8.dib.row(0)[1] = 9;
  p8.dib.row(0)[2] = 7;
  p8.transMode = TRANS_LEFTUP;  // index 7 (top-left) is transparent
  ImageObject dst = solid24(3, 1, grey(5));
  drawImage(p8, dst, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst, 0, 0), grey(5));
  EXPECT_EQ(px(dst, 1, 0), 0x123456u);
  EXPECT_EQ(px(dst, 2, 0), grey(5));

  p8.transMode = TRANS_COPY;
  drawImage(p8, dst, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst, 0, 0), 0xABCDEFu);

  // An 8-bit picture in alpha mode, and any 4-bit picture, draw nothing.
  ImageObject dst2 = solid24(3, 1, grey(5));
  p8.transMode = TRANS_ALPHA;
  drawImage(p8, dst2, nullptr, 0, 0, kW, kH);
  ImageObject p4;
  createSurface(p4, 3, 1, 4);
  p4.transMode = TRANS_COPY;
  drawImage(p4, dst2, nullptr, 0, 0, kW, kH);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(px(dst2, x, 0), grey(5));
  // A block copy does show a 4-bit picture.
  p4.dib.palette[4 * 2 + 2] = 0xFF;
  p4.dib.row(0)[0] = 0x20;  // pixel 0 = index 2 (red), pixel 1 = index 0 (black)
  copyRect(p4, 0, 0, dst2, 0, 0, 3, 1);
  EXPECT_EQ(px(dst2, 0, 0), 0xFF0000u);
  EXPECT_EQ(px(dst2, 1, 0), 0u);
}

TEST(GraphicsBlit, CellsAndClipping) {
  // Width 100 in 3 cells: cell width 33, the last column (99) never shows.
  ImageObject src;
  createSurface(src, 100, 1);
  for (int x = 0; x < 100; ++x) src.dib.row(0)[x * 3] = static_cast<uint8_t>(x);
  src.transMode = TRANS_COPY;
  src.cellCount = 3;
  src.currentCell = 2;
  ImageObject dst = solid24(40, 1, 0xFFFFFF);
  drawImage(src, dst, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst, 0, 0), 66u);
  EXPECT_EQ(px(dst, 32, 0), 98u);
  EXPECT_EQ(px(dst, 33, 0), 0xFFFFFFu);

  // A cell outside the picture draws nothing.
  src.currentCell = 3;
  ImageObject dst2 = solid24(40, 1, 0xFFFFFF);
  drawImage(src, dst2, nullptr, 0, 0, kW, kH);
  src.currentCell = -1;
  drawImage(src, dst2, nullptr, 0, 0, kW, kH);
  EXPECT_EQ(px(dst2, 0, 0), 0xFFFFFFu);

  // Negative position and a clip rectangle (inclusive) shift the source start.
  src.currentCell = 0;
  ImageObject dst3 = solid24(40, 1, 0xFFFFFF);
  ClipRect clip{5, 0, 7, 0};
  drawImage(src, dst3, &clip, -2, 0, kW, kH);
  EXPECT_EQ(px(dst3, 4, 0), 0xFFFFFFu);
  EXPECT_EQ(px(dst3, 5, 0), 7u);
  EXPECT_EQ(px(dst3, 7, 0), 9u);
  EXPECT_EQ(px(dst3, 8, 0), 0xFFFFFFu);

  // The screen edge cuts even a larger target; huge positions never wrap around.
  ImageObject wide = solid24(20, 1, 0xFFFFFF);
  drawImage(src, wide, nullptr, 0, 0, 10, 10);
  EXPECT_EQ(px(wide, 9, 0), 9u);
  EXPECT_EQ(px(wide, 10, 0), 0xFFFFFFu);
  drawImage(src, wide, nullptr, 2147483000, 0, kW, kH);
  drawImage(src, wide, nullptr, -2147483000, 0, kW, kH);
  EXPECT_EQ(px(wide, 15, 0), 0xFFFFFFu);

  // An object without a picture draws nothing and measures 0 x 0.
  ImageObject none;
  none.name = "x.bmp";
  EXPECT_EQ(none.visibleWidth(), 0);
  drawImage(none, wide, nullptr, 0, 0, kW, kH);
}

}  // namespace
}  // namespace veloria
