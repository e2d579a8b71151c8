// Enhanced sprites: the commands, where the transform puts a picture, its blending, its place
// in the composition and its animation. Pictures are checked against computations written
// here, pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "graphics/enhanced_sprites.h"
#include "graphics/picture_helpers.h"
#include "support/gfx_engine.h"

namespace veloria {
namespace {

using test::GfxEngine;
using test::px;

// A picture whose every pixel tells where it came from.
uint32_t tell(int x, int y) { return (static_cast<uint32_t>(x * 6) << 16) | (static_cast<uint32_t>(y * 12) << 8) | 0x40; }

unsigned mul(unsigned a, unsigned b) { return a * b / 255; }

struct Enhanced : GfxEngine {
  explicit Enhanced(int w = 640, int h = 480) : GfxEngine(w, h) {
    writeFile("b.bmp", test::bmpFile(40, 20, tell));
    run("bg", "black,1");
  }
  EnhancedSprite& sprite(int n) { return e().gfx.enhancedSprites[static_cast<size_t>(n)]; }
  ImageObject& composed() {
    composeScreen(e(), nullptr);
    return e().gfx.composeSurface;
  }
  // The pixels that are not black, as a box (inclusive); false when there are none.
  bool coveredBox(ClipRect& box) {
    const ImageObject& c = composed();
    bool any = false;
    for (int y = 0; y < c.dib.height; ++y)
      for (int x = 0; x < c.dib.width; ++x) {
        if (px(c, x, y) == 0) continue;
        if (!any) box = ClipRect{x, y, x, y};
        box = ClipRect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
        any = true;
      }
    return any;
  }
};

void expectBox(const ClipRect& b, int l, int t, int r, int bt) {
  EXPECT_EQ(b.left, l);
  EXPECT_EQ(b.top, t);
  EXPECT_EQ(b.right, r);
  EXPECT_EQ(b.bottom, bt);
}

TEST(EnhancedSprites, QuarterTurnsMirrorsAndTheirBoxes) {
  Enhanced s;
  ClipRect box;
  // Unturned: the picture's top-left pixel at (100 - 20, 100 - 10), every pixel in place.
  s.run("lsp2", "0,\":c;b.bmp\",100,100,100,100,0");
  EXPECT_EQ(s.e().gfx.dirtyRect.left, 80);
  EXPECT_EQ(s.e().gfx.dirtyRect.top, 90);
  ASSERT_TRUE(s.coveredBox(box));
  expectBox(box, 80, 90, 119, 109);
  const ImageObject& c = s.composed();
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 40; ++i) ASSERT_EQ(px(c, 80 + i, 90 + j), tell(i, j)) << i << "," << j;

  // A quarter turn counter-clockwise at (300, 100): the picture's top row becomes its left
  // column, read upward.
  s.run("amsp2", "0,300,100,100,100,90");
  ASSERT_TRUE(s.coveredBox(box));
  expectBox(box, 290, 81, 309, 120);
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 40; ++i) ASSERT_EQ(px(c, 290 + j, 120 - i), tell(i, j)) << i << "," << j;

  // Half a turn: upside down.
  s.run("amsp2", "0,100,100,100,100,180");
  ASSERT_TRUE(s.coveredBox(box));
  expectBox(box, 81, 91, 120, 110);
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 40; ++i) ASSERT_EQ(px(c, 120 - i, 110 - j), tell(i, j));

  // -90 and 270 are the same turn (clockwise): the top row becomes the right column, read
  // downward.
  s.run("amsp2", "0,300,200,100,100,-90");
  ImageObject minus = s.composed();
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 40; ++i) ASSERT_EQ(px(minus, 310 - j, 180 + i), tell(i, j));
  s.run("amsp2", "0,300,200,100,100,270");
  EXPECT_EQ(s.composed().dib.pixels, minus.dib.pixels);

  // A scale of -100 mirrors left-right about the centre; -200 on y mirrors and doubles.
  s.run("amsp2", "0,100,100,-100,100,0");
  ASSERT_TRUE(s.coveredBox(box));
  expectBox(box, 81, 90, 120, 109);
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 40; ++i) ASSERT_EQ(px(c, 120 - i, 90 + j), tell(i, j));
  s.run("amsp2", "0,100,100,100,-200,0");
  ASSERT_TRUE(s.coveredBox(box));
  expectBox(box, 80, 81, 119, 120);
  for (int j = 0; j < 20; ++j)
    for (int i = 0; i < 40; ++i) {
      ASSERT_EQ(px(c, 80 + i, 120 - 2 * j), tell(i, j));
      ASSERT_EQ(px(c, 80 + i, 119 - 2 * j), tell(i, j));
    }
}

TEST(EnhancedSprites, NothingToDrawIsNoFault) {
  Enhanced s;
  ClipRect box;
  s.e().gfx.dirtyRect = DirtyRect{};
  s.run("lsp2", "3,\":c;b.bmp\",100,100,0,100,45");  // scale 0
  EXPECT_TRUE(s.e().gfx.dirtyRect.empty());
  EXPECT_FALSE(s.coveredBox(box));
  s.run("amsp2", "3,100,100,100,100,45,0");  // opacity 0
  EXPECT_FALSE(s.coveredBox(box));
  s.run("amsp2", "3,100,100,100,100,45,-40");  // clamped to 0
  EXPECT_EQ(s.sprite(3).opacity, 0);
  s.run("msp2", "3,0,0,0,0,0,300");  // clamped to 255
  EXPECT_EQ(s.sprite(3).opacity, 255);
  EXPECT_TRUE(s.coveredBox(box));
  // Far off the screen, and huge: drawn where it shows, nothing past the picture.
  s.run("amsp2", "3,-2000000000,2000000000,2000000000,2000000000,33");
  s.composed();
  s.run("msp2", "3,2000000000,0,2000000000,0,0");
  EXPECT_EQ(s.sprite(3).x, 0);
  EXPECT_EQ(s.sprite(3).scaleX, INT32_MAX);
  s.composed();
}

TEST(EnhancedSprites, ErrorsAndTheTwoClearAlls) {
  Enhanced s;
  EXPECT_EQ(s.runError("lsp2", "256,\"b.bmp\",0,0,100,100,0"), "パラメータエラー|拡張スプライト番号256は範囲外です。");
  EXPECT_EQ(s.runError("csp2", "-2"), "パラメータエラー|拡張スプライト番号-2は範囲外です。");
  EXPECT_EQ(s.runError("amsp2", "5,0,0,100,100,0"), "エラー|定義されていない拡張スプライト5を使おうとしました。");
  EXPECT_EQ(s.runError("msp2", "1000,0,0,0,0,0"), "パラメータエラー|拡張スプライト番号1000は範囲外です。");

  Enhanced t;
  t.run("lsp", "0,\":c;b.bmp\",0,0");
  t.run("lsp2", "0,\":c;b.bmp\",100,100,100,100,0");
  t.run("lsph2", "255,\":c;b.bmp\",100,100,100,100,0");
  EXPECT_EQ(t.sprite(255).visible, 0);
  t.run("csp", "-1");
  EXPECT_FALSE(t.sprite(0).name.empty());
  EXPECT_FALSE(t.sprite(255).name.empty());
  t.e().gfx.dirtyRect = DirtyRect{};
  t.run("csp2", "-1");
  EXPECT_TRUE(t.sprite(0).name.empty());
  EXPECT_TRUE(t.sprite(255).name.empty());
  EXPECT_FALSE(t.sprite(0).image.hasPicture());
  // Only the visible one's box is dirty.
  EXPECT_EQ(t.e().gfx.dirtyRect.left, 80);
  EXPECT_EQ(t.e().gfx.dirtyRect.right, 120);
  ClipRect box;
  EXPECT_FALSE(t.coveredBox(box));
}

TEST(EnhancedSprites, PlaceInTheComposition) {
  Enhanced s;
  s.writeFile("red.bmp", test::solidBmp(40, 20, 0xFF0000));
  s.run("lsp", "0,\":c;red.bmp\",80,90");
  s.run("lsp2", "200,\":c;b.bmp\",100,100,100,100,0");
  EXPECT_EQ(px(s.composed(), 85, 95), tell(5, 5));  // in front of sprite 0
  // Lower numbers in front of higher ones.
  s.run("lsp2", "7,\":c;red.bmp\",120,100,100,100,0");
  EXPECT_EQ(px(s.composed(), 105, 95), 0xFF0000u);
  // The negative filter runs over them.
  s.e().gfx.negaMode = 1;
  EXPECT_EQ(px(s.composed(), 85, 95), 0xFFFFFFu - tell(5, 5));
  s.e().gfx.negaMode = 0;
  // All sprites hidden: none of them.
  s.run("allsphide", "");
  EXPECT_EQ(px(s.composed(), 85, 95), 0u);
  s.run("allspresume", "");
  // The text window (tinting what lies under it) covers them, unless windowback puts it
  // behind the sprites in front of humanz: then they cover it too.
  TextState& t = s.e().text;
  t.windowRect = TextRect{60, 80, 160, 120};
  t.windowColor = 0x404040;
  t.textMode = 1;
  t.textHidden = 0;
  t.windowInFrame = 1;
  t.windowBehind = 0;
  EXPECT_NE(px(s.composed(), 85, 95), tell(5, 5));
  t.windowBehind = 1;
  EXPECT_EQ(px(s.composed(), 85, 95), tell(5, 5));
  t.windowInFrame = 0;
  // Drawn within the area being composed only.
  s.run("amsp2", "200,300,300,100,100,0");
  const DirtyRect part{280, 290, 290, 300};
  composeScreen(s.e(), &part);
  EXPECT_EQ(px(s.e().gfx.composeSurface, 285, 295), tell(5, 5));
  EXPECT_EQ(px(s.e().gfx.composeSurface, 300, 300), 0u);  // outside: the old frame stays
}

TEST(EnhancedSprites, OpacityOnAnAlphaPictureWeightsItsMask) {
  Enhanced s;
  // One cell of 4 x 1: colours, then their mask (black opaque, white transparent).
  const std::vector<uint32_t> row = {0xFF8000, 0x00FF40, 0x2040FF, 0xFFFFFF,
                                     0x000000, 0x404040, 0xC0C0C0, 0xFFFFFF};
  s.writeFile("a.bmp", test::bmpFile(8, 1, row));
  s.run("bg", "#608040,1");
  s.run("lsp2", "1,\":a;a.bmp\",102,50,100,100,0,128");
  const ImageObject& c = s.composed();
  for (int i = 0; i < 4; ++i) {
    const unsigned cover = 255 - (row[static_cast<size_t>(4 + i)] & 0xFF);
    const unsigned w = mul(cover, 128);
    uint32_t want = 0;
    for (int shift : {16, 8, 0}) {
      const unsigned src = (row[static_cast<size_t>(i)] >> shift) & 0xFF, old = (0x608040u >> shift) & 0xFF;
      want |= (mul(src, w) + mul(old, 255 - w)) << shift;
    }
    EXPECT_EQ(px(c, 100 + i, 50), want) << i;
  }
  EXPECT_EQ(px(c, 104, 50), 0x608040u);  // the mask half is never drawn
}

TEST(EnhancedSprites, PalettePicturesByTheirKeyIndex) {
  ImageObject p8;
  createSurface(p8, 3, 1, 8);
  p8.dib.palette = std::vector<uint8_t>(1024, 0);
  auto setPal = [&](int i, uint32_t rgb) {
    p8.dib.palette[static_cast<size_t>(i) * 4] = static_cast<uint8_t>(rgb);
    p8.dib.palette[static_cast<size_t>(i) * 4 + 1] = static_cast<uint8_t>(rgb >> 8);
    p8.dib.palette[static_cast<size_t>(i) * 4 + 2] = static_cast<uint8_t>(rgb >> 16);
  };
  setPal(7, 0xABCDEF);
  setPal(8, 0x00FF00);
  setPal(9, 0x123456);
  p8.dib.row(0)[0] = 7;
  p8.dib.row(0)[1] = 9;
  p8.dib.row(0)[2] = 8;
  p8.transMode = TRANS_LEFTUP;  // index 7 (top-left) is transparent
  const ClipRect all{0, 0, 2, 0};
  // Mirrored: the picture's last pixel comes first.
  ImageObject dst = test::solid24(3, 1, test::grey(5));
  drawTransformed(p8, SpriteTransform{1, 0, -100, 100, 0, 255}, dst, all);
  EXPECT_EQ(px(dst, 0, 0), 0x00FF00u);
  EXPECT_EQ(px(dst, 1, 0), 0x123456u);
  EXPECT_EQ(px(dst, 2, 0), test::grey(5));
  // Half opaque, as a plain copy.
  p8.transMode = TRANS_COPY;
  dst = test::solid24(3, 1, test::grey(5));
  drawTransformed(p8, SpriteTransform{1, 0, 100, 100, 0, 128}, dst, all);
  EXPECT_EQ(px(dst, 0, 0), (mul(0xAB, 128) + mul(5, 127)) << 16 | (mul(0xCD, 128) + mul(5, 127)) << 8 |
                               (mul(0xEF, 128) + mul(5, 127)));
  // A palette picture cannot carry a mask: in alpha mode it draws nothing.
  p8.transMode = TRANS_ALPHA;
  dst = test::solid24(3, 1, test::grey(5));
  drawTransformed(p8, SpriteTransform{1, 0, 100, 100, 0, 255}, dst, all);
  EXPECT_EQ(px(dst, 0, 0), test::grey(5));
}

// A straightforward version of the transform: every pixel of the screen asks which source
// pixel it shows.
struct RefSprite {
  const ImageObject* pic;
  int mode;  // 0 copy, 1 alpha, 2 top-left key
  int x, y, sx, sy, r, k;
};

void referenceDraw(ImageObject& dst, const RefSprite& s) {
  if (s.sx == 0 || s.sy == 0 || s.k == 0) return;
  const int fullW = s.pic->dib.width, H = s.pic->dib.height;
  const int W = s.mode == 1 ? fullW / 2 : fullW;
  // Angles are taken modulo 360 degrees.
  const int deg = s.r % 360;
  double cs, sn;
  switch ((deg + 360) % 360) {
    case 0: cs = 1, sn = 0; break;
    case 90: cs = 0, sn = 1; break;
    case 180: cs = -1, sn = 0; break;
    case 270: cs = 0, sn = -1; break;
    default:
      cs = std::cos(deg * std::numbers::pi / 180.0);
      sn = std::sin(deg * std::numbers::pi / 180.0);
  }
  const double a = s.sx / 100.0, b = s.sy / 100.0;
  const uint32_t key = px(*s.pic, 0, 0);
  for (int py = 0; py < dst.dib.height; ++py)
    for (int pxl = 0; pxl < dst.dib.width; ++pxl) {
      const double X = pxl - s.x, Y = py - s.y;
      const double u = (X * cs - Y * sn) / a, v = (X * sn + Y * cs) / b;
      const double fi = std::floor(u + W / 2.0), fj = std::floor(v + H / 2.0);
      if (fi < 0 || fi >= W || fj < 0 || fj >= H) continue;
      const int i = static_cast<int>(fi), j = static_cast<int>(fj);
      const uint32_t colour = px(*s.pic, i, j);
      unsigned cover = 255;
      if (s.mode == 1) cover = 255 - (px(*s.pic, i + W, j) & 0xFF);
      if (s.mode == 2 && colour == key) cover = 0;
      const unsigned w = mul(cover, static_cast<unsigned>(s.k));
      uint8_t* d = dst.dib.row(py) + pxl * 3;
      for (int c = 0; c < 3; ++c) {
        const unsigned src = (colour >> (8 * c)) & 0xFF;
        d[c] = static_cast<uint8_t>(mul(src, w) + mul(d[c], 255 - w));
      }
    }
}

TEST(EnhancedSprites, RandomScenesMatchAStraightforwardTransform) {
  std::mt19937 rng(20261209);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int scene = 0; scene < 8; ++scene) {
    Enhanced s(160, 120);
    s.run("bg", "#336699,1");
    ImageObject expect;
    createSurface(expect, 160, 120);
    fillSurface(expect, 0, 0, 160, 120, 0x996633);  // 0x00BBGGRR of #336699
    std::vector<RefSprite> drawn;
    std::vector<ImageObject> pictures(6);
    for (int n = 5; n >= 0; --n) {
      const int mode = pick(0, 2);
      const int w = pick(1, 30), h = pick(1, 30);
      const int fileW = mode == 1 ? 2 * w : w;
      std::vector<uint32_t> pixels;
      for (int k = 0; k < fileW * h; ++k) {
        const int col = k % fileW;
        uint32_t v = rng() & 0xFFFFFF;
        if (mode == 1 && col >= w) v = test::grey(static_cast<unsigned>(pick(0, 3)) * 85);
        if (mode == 2 && pick(0, 3) == 0) v = 0x123456;
        pixels.push_back(v);
      }
      if (mode == 2) pixels[0] = 0x123456;
      const std::string file = "p" + std::to_string(n) + ".bmp";
      s.writeFile(file, test::bmpFile(fileW, h, pixels));
      const char* tag = mode == 0 ? ":c;" : mode == 1 ? ":a;" : ":l;";
      RefSprite r{nullptr, mode, pick(-20, 180), pick(-20, 140), pick(-300, 300), pick(-300, 300),
                  pick(0, 3) == 0 ? pick(-4, 4) * 90 : pick(-720, 720), pick(0, 3) == 0 ? 255 : pick(0, 255)};
      s.run("lsp2", std::to_string(n) + ",\"" + tag + file + "\"," + std::to_string(r.x) + "," + std::to_string(r.y) +
                        "," + std::to_string(r.sx) + "," + std::to_string(r.sy) + "," + std::to_string(r.r) + "," +
                        std::to_string(r.k));
      pictures[static_cast<size_t>(n)] = test::pic24(fileW, h, {});
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < fileW; ++x) {
          const uint32_t v = pixels[static_cast<size_t>(y * fileW + x)];
          uint8_t* p = pictures[static_cast<size_t>(n)].dib.row(y) + x * 3;
          p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8), p[2] = static_cast<uint8_t>(v >> 16);
        }
      r.pic = &pictures[static_cast<size_t>(n)];
      drawn.push_back(r);
    }
    for (const RefSprite& r : drawn) referenceDraw(expect, r);  // 5 first, 0 last
    const ImageObject& got = s.composed();
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) ASSERT_EQ(px(got, x, y), px(expect, x, y)) << "scene " << scene << " at " << x << "," << y;
  }
}

TEST(EnhancedSprites, CellsAnimateAndMarkTheirBox) {
  Enhanced s;
  // Two cells of 10 x 10, 50 ms each, turned a quarter.
  s.writeFile("two.bmp", test::bmpFile(20, 10, [](int x, int) { return x < 10 ? 0xFF0000u : 0x00FF00u; }));
  s.run("lsp2", "4,\":c/2,50,0;two.bmp\",200,200,100,100,90");
  composeScreen(s.e(), nullptr);
  s.e().gfx.dirtyRect = DirtyRect{};
  EXPECT_NE(nextCellAnimationDue(s.e()), kNoDeadline);
  s.platform->sleep(60);
  EXPECT_TRUE(stepCellAnimations(s.e()));
  EXPECT_EQ(s.sprite(4).image.currentCell, 1);
  // Its whole box was composed again and shown.
  for (int x : {196, 204}) EXPECT_EQ(s.window(x, x), 0x00FF00u);
  // Hidden ones do not animate.
  s.run("lsph2", "4,\":c/2,50,0;two.bmp\",200,200,100,100,90");
  EXPECT_EQ(nextCellAnimationDue(s.e()), kNoDeadline);
}

}  // namespace
}  // namespace veloria
