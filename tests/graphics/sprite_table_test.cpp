// The sprite table of 1,000: the extended dialect addresses 0..999 and stops outside them;
// a base-language game keeps its 256 and passes over higher numbers as it always did. The
// depth of the standing pictures, the animation and the hiding cover the whole table.
#include <gtest/gtest.h>

#include "graphics/picture_helpers.h"
#include "support/gfx_engine.h"

namespace veloria {
namespace {

using test::px;

struct Table : test::GfxEngine {
  explicit Table(bool extended) {
    e().script.dialect = extended ? Dialect::Extended : Dialect::Base;
    writeFile("red.bmp", test::solidBmp(20, 10, 0xFF0000));
    writeFile("green.bmp", test::solidBmp(40, 30, 0x00FF00));
    writeFile("blue.bmp", test::solidBmp(20, 10, 0x0000FF));
    run("bg", "#202020,1");
  }
  const Sprite& sprite(int n) { return e().gfx.sprites[static_cast<size_t>(n)]; }
  uint32_t composed(int x, int y) { return px(e().gfx.composeSurface, x, y); }
};

constexpr const char* kRange = "パラメータエラー|スプライト番号";

TEST(SpriteTable, TheExtendedDialectAddressesZeroTo999AndStopsOutside) {
  Table t(true);
  t.run("lsp", "999,\":c;red.bmp\",10,20");
  EXPECT_EQ(t.sprite(999).x, 10);
  EXPECT_TRUE(t.sprite(999).image.hasPicture());
  t.run("msp", "999,5,5");
  t.run("cell", "999,0");
  t.run("vsp", "999,0");
  EXPECT_EQ(t.sprite(999).x, 15);
  EXPECT_EQ(t.sprite(999).visible, 0);
  // Every command that names a sprite refuses 1000 and -1 (csp -1 excepted) with the number.
  const std::pair<const char*, const char*> bad[] = {
      {"lsp", "1000,\"red.bmp\",0,0"}, {"lsph", "-1,\"red.bmp\",0,0"}, {"csp", "1000"}, {"vsp", "1000,1"},
      {"msp", "-5,1,1"},               {"amsp", "1000,1,1"},             {"cell", "1000,0"}, {"spbtn", "1000,1"},
      {"csp", "-2"}};
  for (const auto& [word, args] : bad) {
    Table fresh(true);
    const std::string error = fresh.runError(word, args);
    EXPECT_EQ(error.rfind(kRange, 0), 0u) << word << " " << args << ": " << error;
  }
  EXPECT_EQ(Table(true).runError("lsp", "1000,\"red.bmp\",0,0"), "パラメータエラー|スプライト番号1000は範囲外です。");
  // csp -1 clears all 1,000.
  t.run("lsp", "0,\":c;blue.bmp\",0,0");
  t.run("csp", "-1");
  EXPECT_TRUE(t.sprite(999).name.empty());
  EXPECT_TRUE(t.sprite(0).name.empty());
  EXPECT_FALSE(t.sprite(999).image.hasPicture());
}

TEST(SpriteTable, ABaseGameKeepsItsOldAnswersAbove255) {
  Table t(false);
  // Defining and changing commands pass over the number; vsp, msp and amsp find no sprite.
  t.run("lsp", "300,\":c;red.bmp\",10,20");
  t.run("lsp", "1000,\":c;red.bmp\",10,20");
  t.run("cell", "300,1");
  t.run("csp", "300");
  t.run("spbtn", "300,1");
  EXPECT_TRUE(t.sprite(300).name.empty());
  EXPECT_EQ(t.e().gfx.buttonCount, 0);
  composeScreen(t.e(), nullptr);
  EXPECT_EQ(t.composed(15, 25), 0x202020u);
  EXPECT_EQ(t.runError("vsp", "300,1"), "エラー|定義されていないスプライト300を使おうとしました。");
  EXPECT_EQ(Table(false).runError("amsp", "256,1,1"), "エラー|定義されていないスプライト256を使おうとしました。");
  EXPECT_EQ(Table(false).runError("humanz", "256"), "エラー|humanz指定が範囲外です。");
  EXPECT_EQ(Table(true).runError("humanz", "1000"), "エラー|humanz指定が範囲外です。");
}

TEST(SpriteTable, HumanzSplitsTheWholeTable) {
  Table t(true);
  t.run("humanz", "600");
  EXPECT_EQ(t.e().text.humanzDepth, 600);
  // The centre picture of 40 x 30 stands at (300, 450); sprites 601 and 600 overlap it.
  t.run("lsp", "601,\":c;red.bmp\",300,460");
  t.run("lsp", "600,\":c;blue.bmp\",310,465");
  t.run("lsp", "999,\":c;blue.bmp\",0,0");
  t.run("lsp", "998,\":c;red.bmp\",5,5");
  t.run("ld", "c,\":c;green.bmp\",1");
  composeScreen(t.e(), nullptr);
  EXPECT_EQ(t.composed(305, 462), 0x00FF00u);  // 601 lies behind the standing picture
  EXPECT_EQ(t.composed(312, 470), 0x0000FFu);  // 600 in front of it
  EXPECT_EQ(t.composed(302, 451), 0x00FF00u);
  EXPECT_EQ(t.composed(2, 2), 0x0000FFu);      // 999, the deepest, where nothing covers it
  EXPECT_EQ(t.composed(7, 7), 0xFF0000u);      // 998 covers 999
  // allsphide takes sprites far down the table away too.
  t.run("allsphide", "");
  composeScreen(t.e(), nullptr);
  EXPECT_EQ(t.composed(2, 2), 0x202020u);
  EXPECT_EQ(t.composed(312, 470), 0x202020u);
}

TEST(SpriteTable, CellsAnimateAtTheEndOfTheTable) {
  Table t(true);
  // Two cells of 10 x 10 (red, blue), looping every 100 ms.
  std::vector<uint32_t> cells(20 * 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) cells[static_cast<size_t>(y) * 20 + x] = x < 10 ? 0xFF0000 : 0x0000FF;
  t.writeFile("two.bmp", test::bmpFile(20, 10, cells));
  t.run("lsp", "950,\":c/2,100,0;two.bmp\",50,50");
  t.run("print", "1");
  EXPECT_EQ(t.window(55, 55), 0xFF0000u);
  EXPECT_NE(nextCellAnimationDue(t.e()), kNoDeadline);
  t.run("wait", "150");
  EXPECT_EQ(t.sprite(950).image.currentCell, 1);
  EXPECT_EQ(t.window(55, 55), 0x0000FFu);
}

}  // namespace
}  // namespace veloria
