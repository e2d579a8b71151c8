// Composite buttons of the extended dialect (exbtn, exbtn_d) driven by scripted pointer moves
// on the virtual clock: what each hover shows and hides, read from screenshots; the control
// strings' forms and errors; the button waits' extended results; what the waits keep.
#include <gtest/gtest.h>

#include <string>

#include "graphics/buttons.h"
#include "graphics/decoders.h"
#include "graphics/picture_helpers.h"
#include "support/gfx_engine.h"

namespace veloria {
namespace {

using test::px;

constexpr uint32_t kBack = 0x202020, kGrey = 0x808080, kWhite = 0xFFFFFF, kGreen = 0x00FF00;
constexpr uint32_t kHint[3] = {0xFF0000, 0x00FF00, 0x0000FF};

// Cells of w x h side by side, each one colour.
std::string cellsBmp(int w, int h, std::initializer_list<uint32_t> colours) {
  const int n = static_cast<int>(colours.size());
  std::vector<uint32_t> px(static_cast<size_t>(w * n * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * n; ++x) px[static_cast<size_t>(y * w * n + x)] = *(colours.begin() + x / w);
  return test::bmpFile(w * n, h, px);
}

// Two menu entries (sprites 30 and 31, grey, white under the pointer) at (100, 100) and
// (100, 140); their highlights 40 and 41 at (60, 100) and (60, 140); a hint, sprite 45 of
// three cells, at (300, 100).
struct Menu : test::GfxEngine {
  explicit Menu(const std::string& input = std::string()) : GfxEngine(640, 480, input) {
    e().script.dialect = Dialect::Extended;
    writeFile("entry.bmp", cellsBmp(20, 20, {kGrey, kWhite}));
    writeFile("hl.bmp", test::solidBmp(10, 10, kGreen));
    writeFile("hint.bmp", cellsBmp(10, 10, {kHint[0], kHint[1], kHint[2]}));
    run("bg", "#202020,1");
    run("lsp", "30,\":c/2,0,3;entry.bmp\",100,100");
    run("lsp", "31,\":c/2,0,3;entry.bmp\",100,140");
    run("lsp", "40,\":c;hl.bmp\",60,100");  // shown: the default string must hide it
    run("lsph", "41,\":c;hl.bmp\",60,140");
    run("lsp", "45,\":c/3,0,3;hint.bmp\",300,100");
    run("print", "1");
  }
  int32_t var(int i) { return e().script.numVars[static_cast<size_t>(i)]; }
  const Sprite& sprite(int n) { return e().gfx.sprites[static_cast<size_t>(n)]; }
  ImageObject shot(const std::string& name) {
    ImageObject o;
    auto bytes = fs::readHostFile(fs::joinHost(dir.path(), name));
    if (bytes) decodePng(bytes->data(), bytes->size(), false, 1, o.dib);
    return o;
  }
  // What a screenshot shows of the menu: entry 30, entry 31, highlight 40, highlight 41, hint.
  struct Look {
    uint32_t entry30, entry31, hl40, hl41, hint;
  };
  Look look(const std::string& name) {
    ImageObject o = shot(name);
    EXPECT_TRUE(o.hasPicture()) << name;
    if (!o.hasPicture()) return {};
    return {px(o, 105, 105), px(o, 105, 145), px(o, 65, 105), px(o, 65, 145), px(o, 305, 105)};
  }
};

void expectLook(const Menu::Look& l, uint32_t e30, uint32_t e31, uint32_t h40, uint32_t h41, uint32_t hint,
                const char* when) {
  EXPECT_EQ(l.entry30, e30) << when;
  EXPECT_EQ(l.entry31, e31) << when;
  EXPECT_EQ(l.hl40, h40) << when;
  EXPECT_EQ(l.hl41, h41) << when;
  EXPECT_EQ(l.hint, hint) << when;
}

std::string steps(std::initializer_list<std::string> lines) {
  std::string s;
  for (const auto& l : lines) s += "wait 10\n" + l + "\n";
  return s;
}

TEST(CompositeButtons, EachHoverAppliesItsOwnStringAndNoButtonTheDefault) {
  Menu m(steps({"screenshot start.png", "move 105 105", "screenshot one.png", "move 105 145", "screenshot two.png",
                "move 400 400", "screenshot none.png", "click 105 145"}));
  m.run("btndef", "clear");
  m.run("exbtn", "30,1,\"P40C41P45,0\"");
  m.run("exbtn", "31,2,\"C40P41P45,1\"");
  m.run("exbtn_d", "\"C40C41P45,2\"");
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), 2);
  // At the start the default string is in place before the pointer has moved.
  expectLook(m.look("start.png"), kGrey, kGrey, kBack, kBack, kHint[2], "start");
  expectLook(m.look("one.png"), kWhite, kGrey, kGreen, kBack, kHint[0], "over entry 1");
  // Straight from entry 1 to entry 2: only entry 2's string runs (40 hidden by it, 41 shown).
  expectLook(m.look("two.png"), kGrey, kWhite, kBack, kGreen, kHint[1], "over entry 2");
  expectLook(m.look("none.png"), kGrey, kGrey, kBack, kBack, kHint[2], "off the entries");
  // The changes stay after the wait; btnwait2 keeps the buttons and the default string.
  EXPECT_EQ(m.sprite(41).visible, 1);
  EXPECT_EQ(m.e().gfx.buttonCount, 2);
  EXPECT_EQ(m.e().gfx.buttonDefaultControl, "C40C41P45,2");
  EXPECT_EQ(m.e().gfx.buttons[0].control, "P40C41P45,0");
}

TEST(CompositeButtons, BtnwaitForgetsTheDefaultAfterAButtonAndEveryBtndefDoesToo) {
  Menu m(steps({"click 400 400", "wait 50", "click 105 105"}));
  m.run("exbtn", "30,1,\"P40\"");
  m.run("exbtn_d", "\"C40\"");
  m.run("btnwait", "%1");  // a click on no button keeps both
  EXPECT_EQ(m.var(1), 0);
  EXPECT_EQ(m.e().gfx.buttonDefaultControl, "C40");
  m.run("btnwait", "%1");
  EXPECT_EQ(m.var(1), 1);
  EXPECT_EQ(m.e().gfx.buttonCount, 0);
  EXPECT_TRUE(m.e().gfx.buttonDefaultControl.empty());
  for (const char* form : {"clear", "\"\"", "\"hl.bmp\""}) {
    m.run("exbtn_d", "\"C40\"");
    m.run("btndef", form);
    EXPECT_TRUE(m.e().gfx.buttonDefaultControl.empty()) << form;
  }
  EXPECT_TRUE(m.e().gfx.buttonPicture.hasPicture());
  m.run("btndef", "clear");  // the picture stays
  EXPECT_TRUE(m.e().gfx.buttonPicture.hasPicture());
}

TEST(CompositeButtons, ControlStringForms) {
  Menu m;
  Engine& e = m.e();
  // Lower case and blanks; a later operation on a sprite wins.
  applyButtonControl(e, " p45 , 1 c40\tP41C41 P41");
  EXPECT_EQ(m.sprite(45).image.currentCell, 1);
  EXPECT_EQ(m.sprite(40).visible, 0);
  EXPECT_EQ(m.sprite(41).visible, 1);
  // Dirty: the sprites that changed (40 at (60, 100), 41 at (60, 140), 45 at (300, 100)).
  EXPECT_EQ(e.gfx.dirtyRect.left, 60);
  EXPECT_EQ(e.gfx.dirtyRect.top, 100);
  EXPECT_EQ(e.gfx.dirtyRect.right, 311);
  EXPECT_EQ(e.gfx.dirtyRect.bottom, 151);
  // An undefined sprite is passed over; a cell the picture lacks is ignored, the sprite shown.
  m.run("vsp", "45,0");
  applyButtonControl(e, "P500C41P45,3");
  EXPECT_EQ(m.sprite(41).visible, 0);
  EXPECT_EQ(m.sprite(45).visible, 1);
  EXPECT_EQ(m.sprite(45).image.currentCell, 1);
  EXPECT_TRUE(m.sprite(500).name.empty());
  applyButtonControl(e, "");
  EXPECT_TRUE(controlStringValid("p12,1c13"));
  for (const char* bad : {"P12,x", "X1", "P", "C12,1", "P12,", "12", "P1 2"}) {
    EXPECT_FALSE(controlStringValid(bad)) << bad;
    Menu fresh;
    fresh.run("exbtn_d", std::string("\"") + bad + "\"");  // stored; the error comes when applied
    fresh.run("btntime", "10");
    EXPECT_EQ(fresh.runError("btnwait2", "%1"), "構文エラー|exbtn命令の制御文字列が間違っています。") << bad;
  }
  // Sprite numbers past the table: the range error, for the button's own sprite at once, for
  // the control string's when it is applied.
  EXPECT_EQ(Menu().runError("exbtn", "1000,1,\"\""), "パラメータエラー|スプライト番号1000は範囲外です。");
  Menu range;
  range.run("exbtn", "30,1,\"C1000\"");
  EXPECT_EQ(range.e().gfx.buttonCount, 1);
  EXPECT_EQ(range.runError("exbtn_d", "\"P1000\"") , "no error");
  range.run("btntime", "10");
  EXPECT_EQ(range.runError("btnwait2", "%1"), "パラメータエラー|スプライト番号1000は範囲外です。");
}

TEST(CompositeButtons, WaitResultsOfTheExtendedDialect) {
  // Time-outs 0-100 and 110-210; wheel turns at 320 and 430; Esc, Space at 540 and 650;
  // before useescspc, Space is a click (on no button) at 760.
  Menu m("wait 320\nwheel up\nwait 110\nwheel down\nwait 110\nkey esc\nwait 110\nkey space\nwait 110\nkey space\n");
  m.run("exbtn", "30,1,\"\"");
  m.run("btntime", "100");
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), -2);  // before usewheel / useescspc: the base answer
  m.run("usewheel", "");
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), -5);
  m.run("btntime", "-1");
  const uint32_t t0 = m.now();
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), -2);  // the wheel turned up
  EXPECT_LE(m.now() - t0, 150u);
  m.run("getbtntimer", "%2");
  EXPECT_GT(m.var(2), 0);
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), -3);
  m.run("useescspc", "");
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), -10);
  m.run("btnwait", "%1");
  EXPECT_EQ(m.var(1), -11);
  EXPECT_EQ(m.e().gfx.buttonCount, 1);  // not a button: btnwait keeps them
  m.e().script.escSpaceInput = 0;
  m.run("btnwait2", "%1");
  EXPECT_EQ(m.var(1), 0);
}

TEST(CompositeButtons, The257thButtonStopsTheExtendedDialect) {
  Menu m;
  for (int i = 0; i < 256; ++i) m.run("exbtn", "30," + std::to_string(i + 1) + ",\"P40\"");
  EXPECT_EQ(m.e().gfx.buttonCount, 256);
  EXPECT_EQ(m.runError("btn", "1,0,0,10,10,0,0"), "パラメータエラー|ボタンが多すぎます。");
}

}  // namespace
}  // namespace veloria
