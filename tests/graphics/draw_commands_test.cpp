// The drawing commands: bars and numbers in the composition, filters, the background window,
// quakes on the virtual clock, copies to and from the window, and the picture-writing tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "graphics/decoders.h"
#include "support/gfx_engine.h"
#include "graphics/picture_helpers.h"

namespace veloria {
namespace {

using test::GfxEngine;
using test::px;

struct Draw : GfxEngine {
  using GfxEngine::GfxEngine;
  uint32_t composed(int x, int y) { return px(e().gfx.composeSurface, x, y); }
  const DirtyRect& dirty() { return e().gfx.dirtyRect; }
  void clearDirty() { e().gfx.dirtyRect = DirtyRect{}; }
  // Whether any pixel of the composed rectangle (right/bottom exclusive) differs from `rgb`.
  bool anyInk(int l, int t, int r, int b, uint32_t rgb = 0) {
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x)
        if (composed(x, y) != rgb) return true;
    return false;
  }
  // A written picture read back; no picture when the file is missing.
  ImageObject readBack(const std::string& name) {
    ImageObject o;
    auto bytes = fs::readFile(name);
    if (bytes) decodeBmp(bytes->data(), bytes->size(), o.dib);
    return o;
  }
};

void expectDirty(const DirtyRect& d, int l, int t, int r, int b) {
  EXPECT_EQ(d.left, l);
  EXPECT_EQ(d.top, t);
  EXPECT_EQ(d.right, r);
  EXPECT_EQ(d.bottom, b);
}

TEST(DrawCommands, BarsFillTheirShareOfTheWidth) {
  Draw d;
  d.run("bar", "0, 50, 10, 20, 200, 8, 100, #ff0000");
  expectDirty(d.dirty(), 10, 20, 210, 28);
  d.run("bar", "1, 0, 10, 40, 200, 8, 100, #00ff00");     // nothing shown
  d.run("bar", "2, 150, 10, 60, 200, 8, 100, #0000ff");   // wider than the full width
  d.run("bar", "3, 5, 10, 80, 200, 8, 0, #ffffff");       // a zero maximum draws nothing
  d.run("bar", "4, -5, 10, 100, 200, 8, 100, #ffffff");   // negative: nothing
  composeScreen(d.e(), nullptr);
  EXPECT_EQ(d.composed(10, 20), 0xFF0000u);
  EXPECT_EQ(d.composed(109, 27), 0xFF0000u);
  EXPECT_EQ(d.composed(110, 20), 0u);
  EXPECT_EQ(d.composed(10, 28), 0u);
  EXPECT_FALSE(d.anyInk(0, 40, 640, 48));
  EXPECT_EQ(d.composed(309, 60), 0x0000FFu);
  EXPECT_EQ(d.composed(310, 60), 0u);
  EXPECT_FALSE(d.anyInk(0, 80, 640, 108));

  // A slot that moves adds its old and its new rectangle; slots outside 0..99 do not exist.
  d.clearDirty();
  d.run("bar", "0, 50, 300, 300, 20, 4, 100, #ff0000");
  expectDirty(d.dirty(), 10, 20, 320, 304);
  d.clearDirty();
  d.run("bar", "100, 50, 0, 0, 20, 4, 100, #ff0000");
  d.run("bar", "-1, 50, 0, 0, 20, 4, 100, #ff0000");
  EXPECT_TRUE(d.dirty().empty());
  d.run("barclear", "");
  EXPECT_TRUE(d.dirty().empty());
  for (const BarSlot& b : d.e().gfx.bars) EXPECT_EQ(b.x, -1);
  composeScreen(d.e(), nullptr);
  EXPECT_FALSE(d.anyInk(0, 0, 640, 480));
}

TEST(DrawCommands, NumbersAreRightAlignedInThreeCells) {
  Draw d;
  // Value 5: two blank cells, then the digit; each character 12 wide, 24 high.
  d.run("prnum", "0, 5, 100, 100, 12, 24, #ffffff");
  expectDirty(d.dirty(), 100, 100, 136, 124);
  composeScreen(d.e(), nullptr);
  EXPECT_FALSE(d.anyInk(100, 100, 124, 124));
  EXPECT_TRUE(d.anyInk(124, 100, 136, 124));
  EXPECT_FALSE(d.anyInk(0, 124, 640, 480));

  // 1234 draws all four digits; the old and the new rectangle are dirty.
  d.clearDirty();
  d.run("prnum", "0, 1234, 100, 200, 12, 24, #ffffff");
  expectDirty(d.dirty(), 100, 100, 136, 224);
  composeScreen(d.e(), nullptr);
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(d.anyInk(100 + 12 * c, 200, 112 + 12 * c, 224)) << c;
  EXPECT_FALSE(d.anyInk(100, 100, 136, 124));  // the old place is clean again

  // Recomposing part of the number changes nothing outside that part.
  fillSurface(d.e().gfx.composeSurface, 0, 0, 640, 480, 0xFF0000);  // blue (colorref)
  DirtyRect part{100, 200, 117, 230};  // composes x 100..118
  composeScreen(d.e(), &part);
  EXPECT_TRUE(d.anyInk(100, 200, 119, 224));
  EXPECT_FALSE(d.anyInk(119, 190, 160, 240, 0x0000FF));

  // Sizes the renderer cannot draw and slots outside the table are harmless.
  d.run("prnum", "1, 7, 0, 0, -5, 24, #ffffff");
  d.run("prnum", "2, 7, 0, 0, 2000000000, 2000000000, #ffffff");
  d.run("prnum", "100, 7, 0, 0, 12, 24, #ffffff");
  composeScreen(d.e(), nullptr);
  d.run("prnumclear", "");
  composeScreen(d.e(), nullptr);
  EXPECT_FALSE(d.anyInk(0, 0, 640, 480));
}

TEST(DrawCommands, FiltersAndTheirErrors) {
  Draw d;
  d.run("bg", "#406080,1");
  d.clearDirty();
  d.run("nega", "1");
  expectDirty(d.dirty(), 0, 0, 640, 480);
  d.run("monocro", "#ff0000");
  composeScreen(d.e(), nullptr);
  // Negative (bf 9f 7f), then grey (191 + 159 + 127) / 3 = 159 tinted red.
  EXPECT_EQ(d.composed(5, 5), 0x9F0000u);
  d.run("nega", "2");
  composeScreen(d.e(), nullptr);
  // Grey (64 + 96 + 128) / 3 = 96 tinted red, then inverted.
  EXPECT_EQ(d.composed(5, 5), 0x9FFFFFu);
  d.run("monocro", "off");
  d.run("nega", "0");
  composeScreen(d.e(), nullptr);
  EXPECT_EQ(d.composed(5, 5), 0x406080u);
  EXPECT_EQ(d.runError("monocro", "on"),
            "構文エラー|monocro命令の次は#rrggbbで色指定、もしくは、offでモノクロ指定を解除、です。");
}

TEST(DrawCommands, BackgroundWindowShowsOnlyItsRectangle) {
  Draw d;
  d.run("bgalia", "100, 100, 200, 150");
  d.run("bg", "#00ff00,1");
  EXPECT_EQ(d.window(100, 100), 0x00FF00u);
  EXPECT_EQ(d.window(299, 249), 0x00FF00u);
  EXPECT_EQ(d.window(300, 100), 0u);
  EXPECT_EQ(d.window(99, 100), 0u);
  EXPECT_EQ(d.window(100, 250), 0u);
  // A window larger than the screen is kept to the screen's size.
  d.run("bgalia", "-5, -5, 2000000000, 2000000000");
  EXPECT_EQ(d.e().gfx.bgWindow.width, 640);
  EXPECT_EQ(d.e().gfx.bgWindow.height, 480);
  d.run("bg", "#0000ff,1");
  EXPECT_EQ(d.window(0, 0), 0x0000FFu);
  EXPECT_EQ(d.window(634, 474), 0x0000FFu);
  EXPECT_EQ(d.window(635, 475), 0u);
}

// The shift of each quake frame, measured on the window: leading black columns (or rows)
// for a positive offset, trailing ones (one more than the shift) for a negative one.
struct QuakeWatch {
  std::vector<int> offsets;
  std::vector<uint32_t> times;
  void attach(Draw& d, bool horizontal) {
    d.e().gfx.effectFrameHook = [this, &d, horizontal](Engine& e, int type, int) {
      EXPECT_EQ(type, horizontal ? kQuakeXFrames : kQuakeYFrames);
      times.push_back(e.platform.timeGetTime());
      const int W = e.app.screenWidth, H = e.app.screenHeight, n = horizontal ? W : H;
      auto at = [&](int i) { return horizontal ? d.window(i, H / 2) : d.window(W / 2, i); };
      int lead = 0, trail = 0;
      while (lead < n && at(lead) == 0) ++lead;
      while (trail < n && at(n - 1 - trail) == 0) ++trail;
      offsets.push_back(lead > 0 ? lead : trail > 0 ? -(trail - 1) : 0);
    };
  }
};

TEST(DrawCommands, QuakesFollowTheirFramesOnTheVirtualClock) {
  Draw d;
  d.run("bg", "#ff0000,1");
  QuakeWatch q;
  q.attach(d, true);
  d.run("quakex", "2, 500");
  const std::vector<int> expected{0,  8,  16,  24,  32,  24,  16,  8,  0, -8, -16, -24, -32, -24, -16, -8,
                                  0,  4,  8,   12,  16,  12,  8,   4,  0, -4, -8,  -12, -16, -12, -8,  -4};
  EXPECT_EQ(q.offsets, expected);
  ASSERT_EQ(q.times.size(), 32u);
  for (size_t i = 1; i < q.times.size(); ++i) EXPECT_EQ(q.times[i] - q.times[i - 1], 15u) << i;
  // The window is back in place; the scene and displaySurface are untouched.
  EXPECT_EQ(d.window(0, 240), 0xFF0000u);
  EXPECT_EQ(d.window(639, 240), 0xFF0000u);
  EXPECT_EQ(px(d.e().gfx.displaySurface, 0, 0), 0xFF0000u);
  EXPECT_TRUE(d.dirty().empty());

  QuakeWatch v;
  v.attach(d, false);
  d.run("quakey", "1, 160");
  const std::vector<int> down{0, 3, 6, 9, 12, 9, 6, 3, 0, -3, -6, -9, -12, -9, -6, -3};
  EXPECT_EQ(v.offsets, down);
  EXPECT_EQ(v.times.back() - v.times.front(), 150u);

  // No shake for amplitudes of 0 or less.
  QuakeWatch none;
  none.attach(d, true);
  d.run("quakex", "-3, 1000");
  d.run("quakey", "0, 1000");
  EXPECT_TRUE(none.offsets.empty());
}

TEST(DrawCommands, HugeQuakesAreHeldToTheScreen) {
  // On a 160 x 120 screen the limit is 160 / 16 = 10 passes across, 120 / 12 = 10 down.
  Draw d(160, 120);
  d.run("bg", "#ff0000,1");
  QuakeWatch across, down;
  across.attach(d, true);
  d.run("quakex", "2000000000, 0");
  EXPECT_EQ(across.offsets.size(), 160u);
  EXPECT_EQ(*std::max_element(across.offsets.begin(), across.offsets.end()), 160);
  down.attach(d, false);
  d.run("quakey", "2000000000, -50");
  EXPECT_EQ(down.offsets.size(), 160u);
  EXPECT_EQ(*std::max_element(down.offsets.begin(), down.offsets.end()), 120);  // all black
  EXPECT_EQ(*std::min_element(down.offsets.begin(), down.offsets.end()), -108);  // second pass
  EXPECT_EQ(d.window(159, 119), 0xFF0000u);
}

TEST(DrawCommands, BltStretchesTheButtonPictureOntoTheWindowOnly) {
  Draw d;
  d.e().gfx.buttonPicture = test::pic24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  d.run("blt", "10, 10, 4, 4, 0, 0, 2, 2");
  EXPECT_EQ(d.window(10, 10), 0xFF0000u);
  EXPECT_EQ(d.window(11, 11), 0xFF0000u);
  EXPECT_EQ(d.window(12, 10), 0x00FF00u);
  EXPECT_EQ(d.window(10, 12), 0x0000FFu);
  EXPECT_EQ(d.window(13, 13), 0xFFFFFFu);
  EXPECT_EQ(d.window(14, 14), 0u);
  EXPECT_EQ(px(d.e().gfx.displaySurface, 13, 13), 0u);
  // Without sw, sh the size is kept; source pixels past the picture come out black.
  d.run("blt", "100, 100, 3, 1, 1, 1");
  EXPECT_EQ(d.window(100, 100), 0xFFFFFFu);
  EXPECT_EQ(d.window(101, 100), 0u);
  // Off-screen, mirrored (negative) and enormous rectangles are cut or refused safely.
  d.run("blt", "-100000, -100000, 2000000000, 2000000000, 0, 0, 2, 2");
  EXPECT_EQ(d.window(639, 479), 0xFF0000u);
  d.run("blt", "0, 0, -4, 4, 0, 0, 2, 2");
  d.run("blt", "700, 0, 4, 4, 0, 0, 2, 2");
  // ofscpy takes what the window shows into displaySurface.
  d.run("ofscpy", "");
  EXPECT_EQ(px(d.e().gfx.displaySurface, 639, 479), 0xFF0000u);
  // repaint composes and shows the scene again.
  d.run("bar", "0, 1, 0, 0, 10, 10, 1, #00ff00");
  d.run("repaint", "");
  EXPECT_EQ(d.window(0, 0), 0x00FF00u);
  EXPECT_EQ(d.window(639, 479), 0u);
  EXPECT_TRUE(d.dirty().empty());
}

TEST(DrawCommands, AlphaPictureFromTwoRenderings) {
  Draw d;
  // 6 x 3: row 0 and columns 0 and 5 transparent (black on black, white on white); the rest
  // opaque 112233, except (2, 1), half covered in grey.
  std::vector<uint32_t> onBlack(18, 0), onWhite(18, 0xFFFFFF);
  for (int y = 1; y < 3; ++y)
    for (int x = 1; x < 5; ++x) onBlack[y * 6 + x] = onWhite[y * 6 + x] = 0x112233;
  onBlack[6 + 2] = 0x404040;
  onWhite[6 + 2] = 0xC0C0C0;
  d.writeFile("pic_b.bmp", test::bmpFile(6, 3, onBlack));
  d.writeFile("pic_w.bmp", test::bmpFile(6, 3, onWhite));
  d.run("bw2a", "\"pic\"");
  ImageObject out = d.readBack("out/pic.bmp");
  ASSERT_TRUE(out.hasPicture());
  ASSERT_EQ(out.width(), 8);  // twice the 4 columns left after trimming one from each side
  ASSERT_EQ(out.height(), 2);
  EXPECT_EQ(px(out, 0, 0), 0x112233u);
  EXPECT_EQ(px(out, 1, 0), 0x404040u);
  EXPECT_EQ(px(out, 4, 0), 0u);          // opaque
  EXPECT_EQ(px(out, 5, 0), 0x808080u);   // (576 - 192) / 3 = 128
  EXPECT_EQ(px(out, 7, 1), 0u);

  // bw2a2 takes a white picture for the second rendering.
  d.run("bw2a2", "\"pic\"");
  out = d.readBack("out/pic.bmp");
  ASSERT_EQ(out.width(), 8);
  EXPECT_EQ(px(out, 4, 0), test::grey((765 - 0x11 - 0x22 - 0x33) / 3));

  // Renderings of different sizes are refused; missing ones write nothing and stop nothing.
  d.writeFile("odd_b.bmp", test::solidBmp(6, 3, 0));
  d.writeFile("odd_w.bmp", test::solidBmp(5, 3, 0xFFFFFF));
  d.run("bw2a", "\"odd\"");
  EXPECT_FALSE(fs::exists("out/odd.bmp"));
  d.run("bw2a", "\"none\"");
  d.run("bw2a2", "\"none\"");
  EXPECT_FALSE(fs::exists("out/none.bmp"));
  // A name that climbs out of the game directory (here to the renderings beside it) writes
  // nothing, not even inside the game directory.
  const std::string beside = d.dir.scratch() + "/esc_b.bmp", white = d.dir.scratch() + "/esc_w.bmp";
  const std::string opaque = test::solidBmp(4, 4, 0x102030);
  ASSERT_TRUE(fs::writeHostFile(beside, opaque.data(), opaque.size()));
  ASSERT_TRUE(fs::writeHostFile(white, opaque.data(), opaque.size()));
  d.run("bw2a", "\"../esc\"");
  EXPECT_FALSE(fs::exists("esc.bmp"));
  EXPECT_FALSE(fs::hostExists(d.dir.scratch() + "/esc.bmp"));
  // All transparent: nothing is left to write.
  d.writeFile("clear_b.bmp", test::solidBmp(4, 4, 0));
  d.writeFile("clear_w.bmp", test::solidBmp(4, 4, 0xFFFFFF));
  d.run("bw2a", "\"clear\"");
  EXPECT_FALSE(fs::exists("out/clear.bmp"));
}

TEST(DrawCommands, BmpcutWritesTiles) {
  Draw d;
  d.writeFile("q.bmp", test::bmpFile(4, 2, {0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00,
                                           0x0000FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF}));
  d.run("bmpcut", "\"q.bmp\", 2, 2");
  const char* names[] = {"_q.bmp00.bmp", "_q.bmp10.bmp", "_q.bmp01.bmp", "_q.bmp11.bmp"};
  const uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  for (int k = 0; k < 4; ++k) {
    ImageObject t = d.readBack(names[k]);
    ASSERT_TRUE(t.hasPicture()) << names[k];
    EXPECT_EQ(t.width(), 2);
    EXPECT_EQ(t.height(), 1);
    EXPECT_EQ(px(t, 1, 0), colours[k]) << names[k];
  }
  // At least one column and row; more tiles than pixels write nothing.
  d.run("bmpcut", "\"q.bmp\", 0, 2");
  d.run("bmpcut", "\"q.bmp\", 5, -1");
  d.run("bmpcut", "\"q.bmp\", 2000000000, 1");
  EXPECT_FALSE(fs::exists("_q.bmp20.bmp"));
  EXPECT_EQ(d.runError("bmpcut", "\"q.bmp\" 2, 2"), "構文エラー|コンマが必要なところにコンマが有りません。");
}

TEST(DrawCommands, BmpWritingRoundTrips) {
  ImageObject p = test::pic24(3, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112});
  std::vector<uint8_t> f = encodeBmp(p.dib);
  ASSERT_EQ(f.size(), 54u + 12u * 2);  // rows of 9 bytes padded to 12
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(f[2] | f[3] << 8, 78);
  EXPECT_EQ(f[10], 54);
  EXPECT_EQ(f[14], 40);
  EXPECT_EQ(f[28], 24);
  EXPECT_EQ(f[46], 0);  // no colours used for 24 bits
  ImageObject back;
  ASSERT_TRUE(decodeBmp(f.data(), f.size(), back.dib));
  EXPECT_EQ(back.dib.pixels, p.dib.pixels);

  // A palette picture: the offset and colours-used match the entries written.
  ImageObject q;
  createSurface(q, 2, 2, 8);
  q.dib.palette[4 * 7 + 2] = 0xAB;  // entry 7 red
  q.dib.row(0)[1] = 7;
  f = encodeBmp(q.dib);
  EXPECT_EQ(f[10] | f[11] << 8, 54 + 1024);
  EXPECT_EQ(f[46] | f[47] << 8, 256);
  ImageObject qb;
  ASSERT_TRUE(decodeBmp(f.data(), f.size(), qb.dib));
  EXPECT_EQ(qb.dib.bitCount, 8);
  EXPECT_EQ(qb.dib.palette, q.dib.palette);
  EXPECT_EQ(qb.dib.pixels, q.dib.pixels);
  EXPECT_TRUE(encodeBmp(Dib{}).empty());
}

}  // namespace
}  // namespace veloria
