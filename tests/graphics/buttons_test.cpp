// Buttons and button waits driven on the virtual clock with scripted moves and clicks: hover
// looks (pixels worked out by hand, read from screenshots taken while the wait runs),
// results, masks, time-outs, the text and link variants, and bad definitions.
#include <gtest/gtest.h>

#include <string>

#include "graphics/buttons.h"
#include "graphics/decoders.h"
#include "support/gfx_engine.h"
#include "graphics/picture_helpers.h"

namespace veloria {
namespace {

using test::px;

constexpr uint32_t kBack = 0x202020;

// An engine whose input script is given up front (times count from the engine's start, and
// the commands run at once, so the waits begin at about 0 ms).
struct Buttons : test::GfxEngine {
  explicit Buttons(const std::string& input = std::string()) : GfxEngine(640, 480, input) {
    // The hover looks: red at (0, 0), blue at (50, 0), each 50 x 20.
    std::vector<uint32_t> look(100 * 20);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 100; ++x) look[static_cast<size_t>(y) * 100 + x] = x < 50 ? 0xFF0000 : 0x0000FF;
    writeFile("look.bmp", test::bmpFile(100, 20, look));
    run("bg", "#202020,1");
  }
  int32_t var(int i) { return e().script.numVars[static_cast<size_t>(i)]; }
  // A screenshot the input script took (into the game directory), read back.
  ImageObject shot(const std::string& name) {
    ImageObject o;
    auto bytes = fs::readHostFile(fs::joinHost(dir.path(), name));
    if (bytes) decodePng(bytes->data(), bytes->size(), false, 1, o.dib);
    return o;
  }
};

// Input helpers: every line 10 ms after the one before.
std::string steps(std::initializer_list<std::string> lines) {
  std::string s;
  for (const auto& l : lines) s += "wait 10\n" + l + (l.empty() || l.back() == '\n' ? "" : "\n");
  return s;
}

TEST(ButtonWait, OverlappingImageButtonsLaterOneWins) {
  Buttons b(steps({"move 15 15", "screenshot one.png", "move 35 15", "screenshot two.png", "move 300 300",
                   "screenshot none.png", "click 35 15"}));
  b.run("btndef", "\"look.bmp\"");
  b.run("btn", "1, 10, 10, 40, 20, 0, 0");
  b.run("btn", "2, 30, 10, 40, 20, 50, 0");
  b.run("btnwait", "%3");
  EXPECT_EQ(b.var(3), 2);
  ImageObject one = b.shot("one.png"), two = b.shot("two.png"), none = b.shot("none.png");
  ASSERT_TRUE(one.hasPicture() && two.hasPicture() && none.hasPicture());
  EXPECT_EQ(px(one, 10, 10), 0xFF0000u);
  EXPECT_EQ(px(one, 49, 29), 0xFF0000u);
  EXPECT_EQ(px(one, 50, 15), kBack);
  EXPECT_EQ(px(one, 9, 15), kBack);
  // Button 2 (defined later) takes the overlap; button 1's look is gone.
  EXPECT_EQ(px(two, 15, 15), kBack);
  EXPECT_EQ(px(two, 30, 10), 0x0000FFu);
  EXPECT_EQ(px(two, 69, 29), 0x0000FFu);
  EXPECT_EQ(px(none, 35, 15), kBack);
  // The clicked look stays; a clicked btnwait forgets its buttons and picture.
  EXPECT_EQ(b.window(35, 15), 0x0000FFu);
  EXPECT_EQ(b.e().gfx.buttonCount, 0);
  EXPECT_FALSE(b.e().gfx.buttonPicture.hasPicture());
  EXPECT_TRUE(b.e().gfx.buttonPictureName.empty());
}

TEST(ButtonWait, MaskZeroNumberAndBtnwait2) {
  Buttons b(steps({"click 15 15", "wait 50", "click 15 55", "wait 50", "click 15 95", "wait 50", "click 15 95",
                   "wait 50", "click 500 400"}));
  b.run("btndef", "\"look.bmp\"");
  b.run("btn", "5, 10, 10, 40, 20, 0, 0");   // masked by maskbtn 5
  b.run("btn", "0, 10, 50, 40, 20, 0, 0");   // number 0: like empty space
  b.run("btn", "6, 10, 90, 40, 20, 0, 0");
  b.run("maskbtn", "5");
  b.run("btnwait", "%1");
  EXPECT_EQ(b.var(1), 0);
  b.run("btnwait", "%1");
  EXPECT_EQ(b.var(1), 0);
  EXPECT_EQ(b.e().gfx.buttonCount, 3);  // a result of 0 keeps the buttons
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 6);
  EXPECT_EQ(b.e().gfx.buttonCount, 3);  // btnwait2 keeps them after a click too
  EXPECT_TRUE(b.e().gfx.buttonPicture.hasPicture());
  b.run("btnwait", "%1");
  EXPECT_EQ(b.var(1), 6);
  EXPECT_EQ(b.e().gfx.buttonCount, 0);
  b.run("btnwait", "%1");  // no buttons: a click returns 0
  EXPECT_EQ(b.var(1), 0);
}

TEST(ButtonWait, ANewWaitStartsFromTheScreenAsItIs) {
  // The first wait ends by a click on button 1, whose look stays; the pointer moves on to
  // button 2 before the next wait begins. That wait lights button 2 only, and later moves
  // keep exactly the button under the pointer lit.
  Buttons b(steps({"move 15 15", "click 15 15", "move 115 15", "wait 200", "screenshot two.png", "move 300 300",
                   "screenshot none.png", "click 300 300"}));
  b.run("btndef", "\"look.bmp\"");
  b.run("btn", "1, 10, 10, 40, 20, 0, 0");
  b.run("btn", "2, 110, 10, 40, 20, 50, 0");
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 1);
  EXPECT_EQ(b.window(15, 15), 0xFF0000u);
  b.run("wait", "100");
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 0);
  ImageObject two = b.shot("two.png"), none = b.shot("none.png");
  ASSERT_TRUE(two.hasPicture() && none.hasPicture());
  EXPECT_EQ(px(two, 15, 15), kBack);
  EXPECT_EQ(px(two, 115, 15), 0x0000FFu);
  EXPECT_EQ(px(none, 15, 15), kBack);
  EXPECT_EQ(px(none, 115, 15), kBack);
}

TEST(ButtonWait, TimeOutRightClickAndKeys) {
  Buttons b(steps({"wait 3100", "move 15 15", "rclick 15 15", "wait 100", "move 15 15", "key space", "wait 50",
                   "move 300 300", "key enter", "wait 50", "move 15 15", "rclick 15 15"}));
  b.run("btndef", "\"look.bmp\"");
  b.run("btn", "1, 10, 10, 40, 20, 0, 0");
  b.run("btntime", "3000");
  const uint32_t t0 = b.now();
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), -2);
  EXPECT_GE(b.now() - t0, 3000u);
  EXPECT_LE(b.now() - t0, 3010u);
  b.run("getbtntimer", "%2");
  EXPECT_EQ(b.var(2), 3000);

  // A right click returns -1 and takes the hover look away.
  b.run("btntimer", "-1");
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), -1);
  EXPECT_EQ(b.window(15, 15), kBack);
  b.run("getbtntimer", "%2");
  EXPECT_GT(b.var(2), 0);

  // Space with the pointer on a button chooses it; Enter on empty space gives 0.
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 1);
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 0);

  // btnnowindowerase: a right click leaves the screen as it is.
  b.run("btnnowindowerase", "");
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), -1);
  EXPECT_EQ(b.window(15, 15), 0xFF0000u);
}

TEST(ButtonWait, SpriteButtonsShowTheirSecondCell) {
  Buttons b(steps({"move 105 105", "move 300 300", "click 105 105"}));
  // Two cells of 20 x 20: green, then yellow; no automatic animation.
  std::vector<uint32_t> cells(40 * 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) cells[static_cast<size_t>(y) * 40 + x] = x < 20 ? 0x00FF00 : 0xFFFF00;
  b.writeFile("two.bmp", test::bmpFile(40, 20, cells));
  b.writeFile("one.bmp", test::solidBmp(10, 10, 0x00FFFF));
  b.run("lsph", "5, \":c/2,0,3;two.bmp\", 100, 100");
  b.run("lsp", "6, \":c;one.bmp\", 300, 300");
  b.run("btndef", "clear");
  b.run("spbtn", "5, 7");
  b.run("spbtn", "6, 8");
  const Button& sb = b.e().gfx.buttons[0];
  EXPECT_EQ(sb.x, 100);
  EXPECT_EQ(sb.right, 119);
  EXPECT_EQ(sb.bottom, 119);
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 7);
  // The hidden sprite was made visible in cell 0; hovered it showed cell 1 (the click's move
  // brought cell 1 back), and the one-cell sprite kept its only cell while hovered.
  EXPECT_EQ(b.e().gfx.sprites[5].visible, 1);
  EXPECT_EQ(b.window(105, 105), 0xFFFF00u);
  EXPECT_EQ(b.window(305, 305), 0x00FFFFu);
}

TEST(ButtonWait, SpriteHoverLookComesAndGoes) {
  Buttons b(steps({"move 105 105", "screenshot in.png", "move 300 300", "screenshot out.png", "rclick 1 1"}));
  std::vector<uint32_t> cells(40 * 20);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x) cells[static_cast<size_t>(y) * 40 + x] = x < 20 ? 0x00FF00 : 0xFFFF00;
  b.writeFile("two.bmp", test::bmpFile(40, 20, cells));
  b.run("lsp", "5, \":c/2,0,3;two.bmp\", 100, 100");
  b.run("spbtn", "5, 7");
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), -1);
  ImageObject hi = b.shot("in.png"), lo = b.shot("out.png");
  ASSERT_TRUE(hi.hasPicture() && lo.hasPicture());
  EXPECT_EQ(px(hi, 100, 100), 0xFFFF00u);
  EXPECT_EQ(px(hi, 119, 119), 0xFFFF00u);
  EXPECT_EQ(px(hi, 120, 119), kBack);
  EXPECT_EQ(px(lo, 100, 100), 0x00FF00u);
}

// Counts the pixels of the window rectangle (right/bottom exclusive) equal to `rgb`.
int countColour(test::GfxEngine& g, int l, int t, int r, int b, uint32_t rgb) {
  int n = 0;
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) n += g.window(x, y) == rgb;
  return n;
}

TEST(ButtonWait, TextButtonsUseTheChoiceColours) {
  Buttons b(steps({"move 110 110", "click 110 110", "wait 100", "move 110 150", "rclick 110 150"}));
  Engine& e = b.e();
  e.text.cselItems.texts = {utf8ToSjis("はい"), utf8ToSjis("いいえ")};
  b.run("cselbtn", "0, 1, 100, 100");
  b.run("cselbtn", "1, 2, 100, 140");
  b.run("cselbtn", "9, 3, 100, 180");  // no such choice: a button nothing can hover
  const Button& first = e.gfx.buttons[0];
  EXPECT_EQ(first.width, 4 * e.text.pitchX / 2);
  EXPECT_EQ(first.height, e.text.pitchY);
  EXPECT_EQ(e.gfx.buttons[2].width, 0);
  e.text.log.writePos = 8600;  // a full log starts afresh when a text button is clicked
  b.run("textbtnwait", "%1");
  EXPECT_EQ(b.var(1), 1);
  EXPECT_EQ(e.text.log.writePos, 1);
  // After the click every option is back in the normal colour.
  EXPECT_EQ(countColour(b, 100, 100, 152, 128, 0xFFFFFF), 0);
  EXPECT_GT(countColour(b, 100, 100, 152, 128, 0xAAAAAA), 0);
  EXPECT_GT(countColour(b, 100, 140, 178, 168, 0xAAAAAA), 0);
  b.run("selectbtnwait", "%1");
  EXPECT_EQ(b.var(1), -1);
}

TEST(ButtonWait, TextModeEndsWithSkipAutoClickAndAutoMode) {
  Buttons b;
  Engine& e = b.e();
  e.text.cselItems.texts = {utf8ToSjis("はい")};
  b.run("cselbtn", "0, 1, 100, 100");
  e.text.skipMode = 1;
  b.run("textbtnwait", "%1");
  EXPECT_EQ(b.var(1), 0);
  e.text.skipMode = 0;
  e.text.autoClick = 1;
  e.text.autoClickTime = 500;
  uint32_t t0 = b.now();
  b.run("textbtnwait", "%1");
  EXPECT_EQ(b.var(1), 0);
  EXPECT_GE(b.now() - t0, 500u);
  EXPECT_LE(b.now() - t0, 520u);
  e.text.autoClick = 0;
  e.text.autoMode = 1;
  e.text.autoModeTime = -100;
  e.text.lastLineChars = 7;
  t0 = b.now();
  b.run("textbtnwait", "%1");
  EXPECT_GE(b.now() - t0, 700u);
  EXPECT_LE(b.now() - t0, 720u);
  // The plain wait ends skip mode instead of being ended by it (then times out).
  e.text.autoMode = 0;
  e.text.skipMode = 1;
  b.run("btntime", "50");
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), -2);
  EXPECT_EQ(e.text.skipMode, 0);
}

TEST(ButtonWait, LinksAreUnderlinedAndReturnTheirNumbers) {
  Buttons b(steps({"move 110 210", "screenshot over.png", "move 150 300", "screenshot off.png", "click 110 210",
                   "wait 50", "rclick 150 210"}));
  Engine& e = b.e();
  e.text.pitchY = 28;
  e.text.links[0] = LinkRegion{4, 50, 200, 120};
  e.text.links[1] = LinkRegion{5, 100, 200, 200};  // the later link wins where they overlap
  e.text.linkCount = 2;
  b.run("tbtnwait", "%1");
  EXPECT_EQ(b.var(1), 5);
  EXPECT_EQ(e.text.linkCount, 0);
  EXPECT_FALSE(e.gfx.buttonPicture.hasPicture());
  ImageObject hi = b.shot("over.png"), lo = b.shot("off.png");
  ASSERT_TRUE(hi.hasPicture() && lo.hasPicture());
  // A one-pixel line in the link colour (255, 255, 64) from x to end x - 2, at y + 28 - 2.
  EXPECT_EQ(px(hi, 100, 226), 0xFFFF40u);
  EXPECT_EQ(px(hi, 198, 226), 0xFFFF40u);
  EXPECT_EQ(px(hi, 199, 226), kBack);
  EXPECT_EQ(px(hi, 150, 225), kBack);
  EXPECT_EQ(px(hi, 99, 226), kBack);
  EXPECT_EQ(px(lo, 150, 226), kBack);
  // After the wait the composed frame is on the window again.
  EXPECT_EQ(b.window(150, 226), kBack);
  e.text.links[0] = LinkRegion{4, 100, 200, 200};
  e.text.linkCount = 1;
  b.run("tbtnwait", "%1");
  EXPECT_EQ(b.var(1), -1);
}

TEST(ButtonTable, BadDefinitionsAreHarmless) {
  Buttons b(steps({"move 639 479", "move 0 0", "move 320 240", "click 320 240"}));
  Engine& e = b.e();
  b.run("btndef", "\"look.bmp\"");
  b.run("btn", "1, 320, 240, 0, 0, 0, 0");                      // no size
  b.run("btn", "2, -500, -500, 10, 10, 0, 0");                  // off the screen
  b.run("btn", "3, 2000000000, 2000000000, 2000000000, 2000000000, 0, 0");
  b.run("btn", "4, 630, 470, 2147483647, 2147483647, -40, -5");  // runs off the screen; image kind kept
  EXPECT_EQ(e.gfx.buttons[3].kind, ButtonKind::Image);
  EXPECT_EQ(e.gfx.buttons[3].right, INT32_MAX);
  b.run("btnwait2", "%1");
  EXPECT_EQ(b.var(1), 0);
  EXPECT_EQ(buttonAt(e, 639, 479), 3);
  EXPECT_EQ(buttonAt(e, 320, 240), -1);

  // 256 buttons fit; the 257th is refused.
  b.run("btndef", "clear");
  for (int i = 0; i < 257; ++i) b.run("btn", std::to_string(i + 1) + ", 0, 0, 10, 10, 0, 0");
  EXPECT_EQ(e.gfx.buttonCount, 256);
  EXPECT_EQ(buttonAt(e, 5, 5), 255);
  // btncancel never goes below 0 nor brings back removed entries.
  b.run("btncancel", "6");
  EXPECT_EQ(e.gfx.buttonCount, 250);
  b.run("btncancel", "-20");
  EXPECT_EQ(e.gfx.buttonCount, 250);
  b.run("btncancel", "1000");
  EXPECT_EQ(e.gfx.buttonCount, 0);
  b.run("spbtn", "300, 1");
  b.run("spbtn", "-1, 1");
  EXPECT_EQ(e.gfx.buttonCount, 0);
  // btndef with "" releases the picture; clear keeps it.
  b.run("btndef", "\"look.bmp\"");
  b.run("btntime", "100");
  b.run("maskbtn", "3");
  b.run("btndef", "clear");
  EXPECT_TRUE(e.gfx.buttonPicture.hasPicture());
  EXPECT_EQ(e.gfx.buttonTimeout, -1);
  EXPECT_EQ(e.gfx.buttonMask, -1);
  b.run("btndef", "\"\"");
  EXPECT_FALSE(e.gfx.buttonPicture.hasPicture());
}

TEST(ButtonTable, VariableArguments) {
  Buttons b;
  EXPECT_EQ(b.runError("btnwait", "5"), "構文エラー|btnwaitの第一引数は数字変数です。");
  EXPECT_EQ(b.runError("btnwait2", "x"), "構文エラー|btnwaitの第一引数は数字変数です。");
  EXPECT_EQ(b.runError("textbtnwait", "1"), "構文エラー|textbtnwaitの第一引数は数字変数です。");
  EXPECT_EQ(b.runError("selectbtnwait", "1"), "構文エラー|textbtnwaitの第一引数は数字変数です。");
  EXPECT_EQ(b.runError("tbtnwait", "1"), "構文エラー|tbtnwaitの第一引数は数字変数です。");
  EXPECT_EQ(b.runError("getbtntimer", "1"), "構文エラー|getbtntimerの第一引数は数字変数です。");
}

TEST(ButtonTable, StringVariableTakesNoResult) {
  Buttons b(steps({"click 1 1"}));
  b.e().script.strVars[4] = "keep";
  b.run("btnwait", "$4");
  EXPECT_EQ(b.e().script.strVars[4], "keep");
}

}  // namespace
}  // namespace veloria
