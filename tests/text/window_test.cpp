// The text window: backdrop, showing and hiding, setwindow, positions, composition and
// strings drawn into it.
#include <gtest/gtest.h>

#include "text_harness.h"

namespace veloria::test {
namespace {

using Px = std::array<int, 3>;

TEST(TextWindowBackdrop, TintsTheFrameAndKeepsTextThroughRecomposition) {
  // White background: the default tint 0x999999 gives 153 per channel, text stays white.
  auto r = runText(game("bg white,1\n!s0■\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(displayPixel(e, 600, 400), (Px{153, 153, 153}));
  EXPECT_EQ(displayPixel(e, 8 + 13, 16 + 13), (Px{255, 255, 255}));
  // Composing the frame again gives the same picture (text layer and coverage map).
  composeScreen(e, nullptr);
  for (int y = 10; y < 50; ++y)
    for (int x = 0; x < 60; ++x) {
      const uint8_t* c = e.gfx.composeSurface.dib.row(y) + x * 3;
      ASSERT_EQ((Px{c[0], c[1], c[2]}), displayPixel(e, x, y)) << x << "," << y;
    }

  // A white window colour leaves the backdrop as it is; a picture backdrop sets the rectangle.
  useGameFiles({{"win.bmp", bmpFile(40, 30, [](int, int) -> uint32_t { return 0x102030; })}});
  r = runText(game("bg white,1\nsetwindow 8,16,10,5,26,26,0,2,0,1,1,#ffffff,0,0,300,200\n!s0あ\n"
                   "setwindow 8,16,1,1,20,20,0,2,0,1,1,\"win.bmp\",5,6\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.windowRect.left, 5);
  EXPECT_EQ(r.e().text.windowRect.top, 6);
  EXPECT_EQ(r.e().text.windowRect.right, 5 + 40 - 1);
  EXPECT_EQ(r.e().text.windowRect.bottom, 6 + 30 - 1);
  EXPECT_EQ(r.e().text.windowColor, -1);
  // setwindow hid the window and emptied the log.
  EXPECT_EQ(r.e().text.windowShown, 0);
  EXPECT_EQ(logText(r.e()), "|");
  r = runText(game("bg white,1\nsetwindow 8,16,10,5,26,26,0,2,0,1,1,#ffffff,0,0,300,200\n!s0あ\nend\n"));
  EXPECT_EQ(displayPixel(r.e(), 250, 150), (Px{255, 255, 255}));
  EXPECT_EQ(r.e().text.windowRect.right, 300);
  EXPECT_EQ(r.e().text.columnsPerLine, 10);
  EXPECT_EQ(r.e().text.pitchY, 28);
}

TEST(TextWindowBackdrop, PictureBackdropIsDrawnAtTheWindowCorner) {
  useGameFiles({{"win.bmp", bmpFile(100, 60, [](int, int) -> uint32_t { return 0x204060; })}});
  auto r = runText(game("setwindow 12,14,3,1,20,20,0,2,0,0,0,\":c;win.bmp\",10,10\n!s0あ\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(displayPixel(r.e(), 10, 10), (Px{0x60, 0x40, 0x20}));
  EXPECT_EQ(displayPixel(r.e(), 109, 69), (Px{0x60, 0x40, 0x20}));
  EXPECT_EQ(displayPixel(r.e(), 111, 71), (Px{0, 0, 0}));
}

TEST(TextWindowVisibility, EffectsTextoffTextonAndTextmode) {
  // With erasetextwindow 0 a picture change keeps the window; textoff still removes it.
  auto r = runText(game("erasetextwindow 0\n!s0■\nbg white,1\nmov %0,0\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.windowShown, 1);
  EXPECT_EQ(displayPixel(r.e(), 8 + 13, 16 + 13), (Px{255, 255, 255}));
  EXPECT_EQ(displayPixel(r.e(), 600, 400), (Px{153, 153, 153}));
  r = runText(game("erasetextwindow 0\n!s0■\nbg white,1\ntextoff\nend\n"));
  EXPECT_EQ(r.e().text.windowShown, 0);
  EXPECT_EQ(displayPixel(r.e(), 8 + 13, 16 + 13), (Px{255, 255, 255}));
  EXPECT_EQ(displayPixel(r.e(), 600, 400), (Px{255, 255, 255}));
  EXPECT_EQ(r.e().text.eraseWindowOnEffect, 0);
  // By default a picture change takes the window away; texton brings it back with its text.
  r = runText(game("!s0#ff0000■\nbg white,1\nmov %1,%0\ntexton\nend\n"));
  EXPECT_EQ(r.e().text.windowShown, 1);
  EXPECT_EQ(displayPixel(r.e(), 8 + 13, 16 + 13), (Px{0, 0, 255}));
  EXPECT_EQ(displayPixel(r.e(), 600, 400), (Px{153, 153, 153}));
  // textmode 0 hides the window and keeps it out of the composition.
  r = runText(game("bg white,1\n!s0■\ntextmode 0\nprint 1\nend\n"));
  EXPECT_EQ(r.e().text.windowShown, 0);
  EXPECT_EQ(displayPixel(r.e(), 600, 400), (Px{255, 255, 255}));
  // textclear empties the page and marks it in the log.
  r = runText(game("!s0あい\ntextclear\nう\ntextcommit\ntextcommit\nend\n"));
  EXPECT_EQ(logText(r.e()), "|あい\n|う\n|");
  EXPECT_EQ(currentLogPage(r.e()), "");
  r = runText(game("!s0あい\\\nう\nえ\nend\n"), "wait 10\nclick 1 1\n");
  EXPECT_EQ(sjisToUtf8(currentLogPage(r.e())), "う\nえ\n");
}

TEST(TextWindowPositions, LocateCursorPositionsAndNextLine) {
  auto r = runText(game("!s0\nlocate 5,2\nあ/\ngetcursorpos %0,%1\n\nlocate 0,3\nい\ngetnextline %2,%3\nbr\n"
                        "getcursorpos %4,%5\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  EXPECT_EQ(var(e, 0), 8 + 6 * 26);
  EXPECT_EQ(var(e, 1), 16 + 2 * 28);
  // After text on line 3 the cursor is on line 4 already; the next line is the fifth.
  EXPECT_EQ(var(e, 2), 8);
  EXPECT_EQ(var(e, 3), 16 + 5 * 28);
  EXPECT_EQ(var(e, 5), 16 + 5 * 28);
  // The character went to column 5 of line 2.
  EXPECT_GT(coverageAt(e, 8 + 5 * 26 + 13, 16 + 2 * 28 + 13), 0);
  // Variable limits apply to what these commands store (the cursor is at 8, 16).
  r = runText(game("intlimit 0,0,5\nintlimit 1,20,30\ngetcursorpos %0,%1\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 5);
  EXPECT_EQ(var(r.e(), 1), 20);
}

TEST(TextWindowStrings, DrawStringAtColumnsAndAbsolutePositions) {
  auto r = runText(game("!s0\nend\n"));
  Engine& e = r.e();
  e.text.windowShown = 1;
  e.text.windowInFrame = 1;
  // Column form: wraps with the line-break rules and counts at most columnsPerLine.
  int32_t col = 20, line = 1;
  int n = drawString(e, sj("あいう「■」"), col, line, 0xFFFFFF);
  EXPECT_EQ(n, 6);
  // "あいう" fill columns 20-22, "「え」" starts line 2; the string's end moves to line 3.
  EXPECT_EQ(col, 0);
  EXPECT_EQ(line, 3);
  EXPECT_GT(coverageAt(e, 8 + 13 + 26, 16 + 2 * 28 + 13), 0);
  // Absolute form: no wrapping, pixels where asked, cells outside the window passed over.
  col = -600;
  line = -100;
  n = drawString(e, sj("■■■■"), col, line, 0x00FF00);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(displayPixel(e, 600 + 13, 100 + 13), (Px{0, 255, 0}));
  EXPECT_EQ(col, 0);
  EXPECT_EQ(line, -99);
  // The system-menu form: its own glyph size over the whole screen, partly off the bottom.
  MenuTextStyle menu{20, 20, 22, 24, 0, 0};
  col = -10;
  line = -470;
  EXPECT_EQ(drawString(e, sj("■"), col, line, 0x0000FF, &menu), 1);
  EXPECT_EQ(displayPixel(e, 20, 475), (Px{255, 0, 0}));
  col = 22;
  line = 0;
  drawString(e, sj("■■"), col, line, 0x0000FF, &menu);
  EXPECT_EQ(displayPixel(e, 8 + 23 * 22 + 10, 16 + 10), (Px{255, 0, 0}));
  // An empty window draws nothing.
  e.text.windowRect = TextRect{100, 100, 50, 50};
  col = 0;
  line = 0;
  EXPECT_EQ(drawString(e, sj("あ"), col, line, 0xFFFFFF), 0);
}

TEST(TextWindowCommands, SettingsAreStored) {
  auto r = runText(game("linkcolor 1,2,3\nhumanz 20\nunderline 300\nwindowback\ndefaultspeed 50,20,5\n"
                        "clickstr \"。！\",3\nclickvoice \"a.wav\",\"b.wav\"\nautomode_time -50\n"
                        "textgosub *x\nrgosub *y\nend\n*x\n*y\n",
                        "defaultfont \"ＭＳ 明朝\"\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  const TextState& t = r.e().text;
  EXPECT_EQ(t.linkColor.r, 1);
  EXPECT_EQ(t.linkColor.b, 3);
  EXPECT_EQ(t.humanzDepth, 20);
  EXPECT_EQ(t.underlineValue, 300);
  EXPECT_EQ(t.windowBehind, 1);
  EXPECT_EQ(t.menuSpeeds, (std::array<int32_t, 3>{50, 20, 5}));
  EXPECT_EQ(sjisToUtf8(t.clickStr), "。！");
  EXPECT_EQ(t.clickStrLines, 3);
  EXPECT_EQ(t.clickVoices[1], "b.wav");
  EXPECT_EQ(t.autoModeTime, -50);
  EXPECT_EQ(t.textGosubLabel, "x");
  EXPECT_EQ(r.e().script.textGosubOn, 1);
  EXPECT_EQ(t.rgosubLabel, "y");
  EXPECT_EQ(r.e().ui.rightClickAction, RightClickAction::Subroutine);
  // defaultfont in the define block becomes the face at game.
  EXPECT_EQ(sjisToUtf8(t.faceName), "ＭＳ 明朝");
  EXPECT_EQ(sjisToUtf8(t.chosenFaceName), "ＭＳ 明朝");
}

}  // namespace
}  // namespace veloria::test
