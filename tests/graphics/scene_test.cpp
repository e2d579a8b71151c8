// Scene commands, dirtyRect, composition layers and filters, and the cell animation step.
#include <gtest/gtest.h>

#include "support/gfx_engine.h"
#include "graphics/picture_helpers.h"

namespace veloria {
namespace {

using test::GfxEngine;
using test::px;

struct Scene : GfxEngine {
  Scene() {
    writeFile("red.bmp", test::solidBmp(20, 10, 0xFF0000));
    writeFile("green.bmp", test::solidBmp(40, 30, 0x00FF00));
    writeFile("blue.bmp", test::solidBmp(20, 10, 0x0000FF));
  }
  const DirtyRect& dirty() { return e().gfx.dirtyRect; }
  uint32_t composed(int x, int y) { return px(e().gfx.composeSurface, x, y); }
};

void expectDirty(const DirtyRect& d, int l, int t, int r, int b) {
  EXPECT_EQ(d.left, l);
  EXPECT_EQ(d.top, t);
  EXPECT_EQ(d.right, r);
  EXPECT_EQ(d.bottom, b);
}

TEST(GraphicsScene, LayerOrderAroundHumanz) {
  Scene s;
  s.run("bg", "#202020,1");
  s.run("lsp", "128,\":c;red.bmp\",300,460");
  s.run("lsp", "127,\":c;blue.bmp\",310,465");
  s.run("lsp", "5,\":c;red.bmp\",0,0");
  s.run("lsp", "9,\":c;blue.bmp\",5,5");
  // The centre picture of 40 x 30 stands at x = 320 - 20, y = 480 - 30.
  s.run("ld", "c,\":c;green.bmp\",1");
  EXPECT_EQ(s.e().gfx.standImages[1].x, 300);
  EXPECT_EQ(s.e().gfx.standImages[1].y, 450);
  composeScreen(s.e(), nullptr);
  EXPECT_EQ(s.composed(305, 462), 0x00FF00u);  // sprite 128 lies behind the standing picture
  EXPECT_EQ(s.composed(312, 470), 0x0000FFu);  // sprite 127 in front of it
  EXPECT_EQ(s.composed(7, 7), 0xFF0000u);      // lower numbers cover higher ones
  EXPECT_EQ(s.composed(100, 100), 0x202020u);
  // humanz 0: everything but sprite 0 goes behind the standing picture.
  s.e().text.humanzDepth = 0;
  composeScreen(s.e(), nullptr);
  EXPECT_EQ(s.composed(312, 470), 0x00FF00u);
  // allsphide hides sprites and standing pictures; allspresume shows them at the next compose.
  s.run("allsphide", "");
  expectDirty(s.dirty(), 0, 0, 640, 480);
  composeScreen(s.e(), nullptr);
  EXPECT_EQ(s.composed(312, 470), 0x202020u);
  s.e().gfx.dirtyRect = DirtyRect{};
  s.run("allspresume", "");
  EXPECT_TRUE(s.dirty().empty());
  composeScreen(s.e(), nullptr);
  EXPECT_EQ(s.composed(312, 470), 0x00FF00u);
}

TEST(GraphicsScene, SpriteCommandsGrowDirtyRect) {
  Scene s;
  s.run("lsph", "3,\":c;red.bmp\",10,20");
  EXPECT_TRUE(s.dirty().empty());
  s.run("vsp", "3,1");
  expectDirty(s.dirty(), 10, 20, 31, 31);
  s.e().gfx.dirtyRect = DirtyRect{};
  s.run("vsp", "3,1");  // unchanged: nothing added
  EXPECT_TRUE(s.dirty().empty());
  s.run("msp", "3,100,-10,-100");
  expectDirty(s.dirty(), 10, 10, 131, 31);
  EXPECT_EQ(s.e().gfx.sprites[3].image.alphaLevel, 155);  // -1 counts as 255
  s.run("amsp", "3,0,0,300");
  EXPECT_EQ(s.e().gfx.sprites[3].image.alphaLevel, 255);
  expectDirty(s.dirty(), 0, 0, 131, 31);
  s.e().gfx.dirtyRect = DirtyRect{};
  s.run("lsp", "3,\":c;green.bmp\",50,60,77");  // old rectangle, then the new one
  expectDirty(s.dirty(), 0, 0, 91, 91);
  EXPECT_EQ(s.e().gfx.sprites[3].image.alphaLevel, 77);
  s.e().gfx.dirtyRect = DirtyRect{};
  s.run("cell", "3,0");
  expectDirty(s.dirty(), 50, 60, 91, 91);
  s.e().gfx.dirtyRect = DirtyRect{};
  s.run("csp", "3");
  expectDirty(s.dirty(), 50, 60, 91, 91);
  EXPECT_TRUE(s.e().gfx.sprites[3].name.empty());
  EXPECT_FALSE(s.e().gfx.sprites[3].image.hasPicture());
  // csp -1 clears every sprite; out-of-table numbers are ignored by lsp.
  s.run("lsp", "1,\":c;red.bmp\",0,0");
  s.run("lsp", "2,\":c;red.bmp\",0,0");
  s.run("lsp", "300,\":c;red.bmp\",0,0");
  s.run("csp", "-1");
  EXPECT_TRUE(s.e().gfx.sprites[1].name.empty());
  EXPECT_TRUE(s.e().gfx.sprites[2].name.empty());
}

TEST(GraphicsScene, UndefinedSpriteErrors) {
  for (const char* cmd : {"vsp", "msp", "amsp"}) {
    Scene s;
    std::string err = s.runError(cmd, "7,1,1");
    EXPECT_EQ(err, "エラー|定義されていないスプライト7を使おうとしました。") << cmd;
  }
  Scene s;
  EXPECT_EQ(s.runError("vsp", "256,1"), "エラー|定義されていないスプライト256を使おうとしました。");
}

TEST(GraphicsScene, PrintAndEffectSlots) {
  Scene s;
  Engine& e = s.e();
  s.run("lsp", "0,\":c;red.bmp\",0,0");
  uint32_t t0 = s.now();
  s.run("print", "0");  // nothing at all, dirtyRect kept
  EXPECT_EQ(s.window(1, 1), 0u);
  EXPECT_FALSE(s.dirty().empty());
  s.run("print", "1");
  EXPECT_EQ(s.window(1, 1), 0xFF0000u);
  EXPECT_EQ(s.window(21, 1), 0u);
  EXPECT_EQ(s.now() - t0, 0u);
  EXPECT_TRUE(s.dirty().empty());

  // Direct arguments: type 10 over 1000 ms runs 255 frames, 3 ms apart (see the effect tests).
  s.run("lsp", "1,\":c;blue.bmp\",100,100");
  t0 = s.now();
  s.run("print", "10,1000");
  EXPECT_EQ(s.now() - t0, 254u * 3u + 1u + 30u);
  EXPECT_EQ(s.window(101, 101), 0x0000FFu);

  s.run("effect", "2,10,200");
  EXPECT_EQ(e.gfx.effectTable[2].type, 10);
  EXPECT_EQ(e.gfx.effectTable[2].duration, 200);
  s.run("effect", "3,15,100,\"m.bmp\"");
  EXPECT_EQ(e.gfx.effectTable[3].mask, "m.bmp");
  s.run("effect", "4,1");
  EXPECT_EQ(e.gfx.effectTable[4].type, 1);
  s.run("effectblank", "5");
  EXPECT_EQ(e.gfx.effectBlank, 5);
  s.run("windoweffect", "18,300,\"w.bmp\"");
  EXPECT_EQ(e.gfx.windowEffect.type, 18);
  EXPECT_EQ(e.gfx.windowEffect.duration, 300);
  EXPECT_EQ(e.gfx.windowEffect.mask, "w.bmp");

  EXPECT_EQ(s.runError("effect", "1,2,100"), "パラメータエラー|effect命令の第一パラメータは2～255です。");
  Scene s2;
  EXPECT_EQ(s2.runError("print", "10"), "エラー|未定義のエフェクトを使いました");
  Scene s3;
  EXPECT_EQ(s3.runError("print", "19,100"), "エラー|不正なエフェクト番号です。EFFECT命令をチェックしてください。");
}

TEST(GraphicsScene, Backgrounds) {
  Scene s;
  Engine& e = s.e();
  s.writeFile("small.bmp", test::solidBmp(320, 240, 0x336699));
  s.run("ld", "l,\":c;green.bmp\",0");
  s.run("bg", "\"small.bmp\",1");
  EXPECT_EQ(e.gfx.backgroundName, "small.bmp");
  EXPECT_TRUE(e.gfx.standImages[0].name.empty());
  // Centred: x from 160 to 479, y from 120 to 359; black around it.
  EXPECT_EQ(s.window(160, 120), 0x336699u);
  EXPECT_EQ(s.window(479, 359), 0x336699u);
  EXPECT_EQ(s.window(159, 120), 0u);
  EXPECT_EQ(s.window(479, 360), 0u);
  s.run("bg", "white,1");
  EXPECT_EQ(e.gfx.backgroundName, "white");
  EXPECT_EQ(s.window(0, 0), 0xFFFFFFu);
  s.run("bg", "#123456,1");
  EXPECT_EQ(e.gfx.backgroundName, "#123456");
  EXPECT_EQ(s.window(639, 479), 0x123456u);
  // Anything else is read again as a string (here a string variable naming a picture).
  s.writeFile("full.bmp", test::solidBmp(640, 480, 0x010203));
  e.script.strVars[3] = "full.bmp";
  s.run("bg", "$3,1");
  EXPECT_EQ(s.window(5, 5), 0x010203u);

  // The background window: only its rectangle shows the background.
  s.e().gfx.bgWindow = BackgroundWindow{100, 100, 200, 150};
  s.run("bg", "#ff0000,1");
  EXPECT_EQ(e.gfx.bgSurface.width(), 200);
  EXPECT_EQ(s.window(100, 100), 0xFF0000u);
  EXPECT_EQ(s.window(299, 249), 0xFF0000u);
  EXPECT_EQ(s.window(300, 249), 0u);
  EXPECT_EQ(s.window(99, 100), 0u);
}

TEST(GraphicsScene, StandingPictureCommands) {
  Scene s;
  Engine& e = s.e();
  s.run("bg", "black,1");
  s.run("ld", "l,\":c;green.bmp\",1");
  s.run("ld", "R,\":c;green.bmp\",1");
  EXPECT_EQ(e.gfx.standImages[0].x, 160 - 20);
  EXPECT_EQ(e.gfx.standImages[2].x, 480 - 20);
  EXPECT_EQ(s.window(141, 470), 0x00FF00u);
  s.run("tal", "l,300,1");
  EXPECT_EQ(e.gfx.standImages[0].image.alphaLevel, 255);
  s.run("tal", "l,128,1");
  EXPECT_EQ(s.window(141, 470), 0x008000u);  // 255*128/255 = 128 over black
  // ld with the same tagged name keeps the level (reuse); cl with another letter only runs the effect.
  s.run("ld", "l,\":c;green.bmp\",1");
  EXPECT_EQ(e.gfx.standImages[0].image.alphaLevel, 128);
  s.run("cl", "x,1");
  EXPECT_FALSE(e.gfx.standImages[0].name.empty());
  s.run("cl", "a,1");
  for (const StandImage& st : e.gfx.standImages) EXPECT_TRUE(st.name.empty());
  EXPECT_EQ(s.window(141, 470), 0u);
  EXPECT_EQ(s.window(461, 470), 0u);
  // A letter other than l, c or r skips a comma and runs only the effect.
  s.run("ld", "q,1");
  s.run("transmode", "alpha");
  EXPECT_EQ(e.gfx.defaultTransMode, TRANS_ALPHA);
  s.run("transmode", "other");
  EXPECT_EQ(e.gfx.defaultTransMode, TRANS_ALPHA);
  s.run("transmode", "copy");
  EXPECT_EQ(e.gfx.defaultTransMode, TRANS_COPY);
}

TEST(GraphicsScene, NegativeAndMonochromeFilters) {
  Scene s;
  Engine& e = s.e();
  s.run("bg", "#4080c0,1");
  e.gfx.monochrome = 1;
  e.gfx.monoRed = 255;
  e.gfx.monoGreen = 0;
  e.gfx.monoBlue = 0;
  e.gfx.negaMode = 1;
  composeScreen(e, nullptr);
  // Negative first: (bf, 7f, 3f); grey (191+127+63)/3 = 127; tinted red: 127*255/255.
  EXPECT_EQ(s.composed(5, 5), 0x7F0000u);
  e.gfx.negaMode = 2;
  DirtyRect r{10, 10, 20, 20};
  composeScreen(e, &r);
  // Grey of (40, 80, c0) is 128; red tint (128, 0, 0); then negated.
  EXPECT_EQ(s.composed(15, 15), 0x7FFFFFu);
  EXPECT_EQ(s.composed(21, 21), 0x7FFFFFu);  // the area reaches right + 1, bottom + 1
  EXPECT_EQ(s.composed(22, 22), 0x7F0000u);  // outside the area: as before
}

TEST(GraphicsScene, CellAnimationModes) {
  Scene s;
  Engine& e = s.e();
  s.writeFile("three.bmp", test::bmpFile(3, 1, {0x000001, 0x000002, 0x000003}));
  s.run("lsp", "4,\":c/3,100,2;three.bmp\",0,0");
  s.run("lsp", "5,\":c/3,100,1;three.bmp\",10,0");
  s.run("print", "1");
  std::vector<int> bounce, stop;
  for (int i = 0; i < 8; ++i) {
    s.platform->sleep(101);
    EXPECT_TRUE(stepCellAnimations(e));
    bounce.push_back(e.gfx.sprites[4].image.currentCell);
    stop.push_back(e.gfx.sprites[5].image.currentCell);
  }
  EXPECT_EQ(bounce, (std::vector<int>{1, 2, 1, 0, 1, 2, 1, 0}));
  EXPECT_EQ(stop, (std::vector<int>{1, 2, 2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(s.window(0, 0), 0x000001u);   // cell 0 of the bouncing sprite
  EXPECT_EQ(s.window(10, 0), 0x000003u);  // the stopped one rests on its last cell

  // Not yet due: nothing changes.
  EXPECT_FALSE(stepCellAnimations(e));
  // Waiting input (other than a timer tick) ends the pass before any sprite.
  s.platform->sleep(101);
  s.platform->postMessage(WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(stepCellAnimations(e));
  EXPECT_EQ(e.gfx.sprites[4].image.currentCell, 0);
  s.platform->clearQueue();
  s.platform->postMessage(WM_TIMER, 1, 0);
  EXPECT_TRUE(stepCellAnimations(e));
  EXPECT_EQ(e.gfx.sprites[4].image.currentCell, 1);

  // A cell set out of range never makes the blitter read outside; the next step wraps it.
  s.run("lsp", "6,\":c/3,100,0;three.bmp\",20,0");
  s.run("cell", "6,7");
  composeScreen(e, nullptr);
  s.platform->sleep(101);
  stepCellAnimations(e);
  EXPECT_EQ(e.gfx.sprites[6].image.currentCell, 0);
}

TEST(GraphicsScene, PerCellIntervals) {
  Scene s;
  Engine& e = s.e();
  s.writeFile("two.bmp", test::bmpFile(2, 1, {0x000001, 0x000002}));
  s.run("lsp", "0,\":c/2,<500,100>,0;two.bmp\",0,0");
  s.platform->sleep(300);
  EXPECT_FALSE(stepCellAnimations(e));  // cell 0 waits 500 ms
  s.platform->sleep(201);
  EXPECT_TRUE(stepCellAnimations(e));
  EXPECT_EQ(e.gfx.sprites[0].image.currentCell, 1);
  s.platform->sleep(101);
  EXPECT_TRUE(stepCellAnimations(e));  // cell 1 waits 100 ms
  EXPECT_EQ(e.gfx.sprites[0].image.currentCell, 0);
}

}  // namespace
}  // namespace veloria
