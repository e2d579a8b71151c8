// Story text of the later dialect: backtick segments, half-width characters and blanks, the
// characters the base language stops at, trailing waits, word wrap, and the page wait on an
// overflow under lenient play.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "text_harness.h"

namespace veloria::test {
namespace {

// A game of the later dialect (its first line says so).
std::string laterGame(const std::string& body, const std::string& define = "") {
  return ";value 200\n" + game(body, define);
}

std::string pageText(Engine& e) { return sjisToUtf8(e.text.pageText); }

// Half cells from the start of the screen line.
int halfCells(Engine& e) { return e.text.cursorColumn * 2 + e.text.cursorHalfCell; }

TEST(StoryText, SegmentsKeepTheirBytesAndTheNormalStateKeepsItsCommands) {
  // Inside a segment '@' is a character; the one after the segment waits once.
  auto r = runText(laterGame("!s0`a@b`@\nend\n"), "wait 50\nclick 10 10\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_GE(r.endTime, 50u);
  EXPECT_EQ(logText(r.e()), "|a@b\n");

  // Nothing is expanded inside a segment; outside, '%' and '$' expand only before a
  // variable, and the marks the base language stops at or drops are characters.
  r = runText(laterGame("mov %5,12\n!s0`50% off, $3 each` %5 5% No way! hall #2 yes/no/\ngettext $1\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(sjisToUtf8(r.e().script.strVars[1]), "50% off, $3 each １２ 5% No way! hall #2 yes/no");

  // A colour code works in both states; `<` without a digit and `>` without a link are text.
  r = runText(laterGame("!s0`#ff0000R`#00ff00G a<b>c/\ngettext $1\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(sjisToUtf8(r.e().script.strVars[1]), "RG a<b>c");
  EXPECT_EQ(r.e().text.textColor.g, 255);
  EXPECT_EQ(r.e().text.linkCount, 0);

  // A 2-byte character whose trail byte is 0x60 opens no segment: the '%' after it expands.
  r = runText(laterGame("mov %5,7\n!s0～%5/\ngettext $1\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(pageText(r.e()), "～７");
}

TEST(StoryText, TrailingWaitsActInsideAnOpenSegment) {
  // The closing backtick was forgotten before the page wait: it still waits.
  auto r = runText(laterGame("!s0`The end.\\\nend\n"), "", 2000);
  EXPECT_TRUE(r.timedOut);
  r = runText(laterGame("!s0`The end.\\\nend\n"), "wait 30\nclick 10 10\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(logText(r.e()), "|The end.|");

  // With textgosub, the line is cut at the wait after the segment, not at the '@' inside it.
  r = runText(laterGame("!s0`x@y`@`z`\nend\n*tg\nadd %1,1\nreturn\n", "textgosub *tg\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 1), 1);
  EXPECT_EQ(logText(r.e()), "|x@yz\n");
}

TEST(StoryText, HalfWidthCellsAndWordWrap) {
  // Six words of nine letters in a 23-column (46 half-cell) line: the fifth does not fit
  // after four and goes to the next line, whole.
  std::string words;
  for (int i = 0; i < 6; ++i) words += std::string(i ? " " : "") + "abcdefghi";
  auto r = runText(laterGame("!s0`" + words + "`/\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.e().text.cursorLine, 1);
  EXPECT_EQ(halfCells(r.e()), 19);
  EXPECT_EQ(logText(r.e()), "|abcdefghi abcdefghi abcdefghi abcdefghi \nabcdefghi abcdefghi");

  // A word longer than a line fills it and goes on; a blank that would begin the wrapped
  // line is dropped.
  r = runText(laterGame("!s0`" + std::string(50, 'w') + "`/\nend\n"));
  EXPECT_EQ(r.e().text.cursorLine, 1);
  EXPECT_EQ(halfCells(r.e()), 4);
  r = runText(laterGame("!s0`" + std::string(46, 'a') + " b`/\nend\n"));
  EXPECT_EQ(r.e().text.cursorLine, 1);
  EXPECT_EQ(halfCells(r.e()), 1);

  // After an odd half cell a full-width character starts at the next whole cell.
  r = runText(laterGame("!s0`a`あ/\nend\n"));
  EXPECT_EQ(halfCells(r.e()), 4);
  EXPECT_EQ(r.e().text.cursorColumn, 2);

  // The half-width glyph is drawn in the left half of its cell: ink there, none in the next
  // half cell, where the following character begins.
  r = runText(laterGame("!s0#ff0000`WW`/\nend\n"));
  Engine& e = r.e();
  int ink = 0;
  for (int y = 16; y < 16 + 26; ++y)
    for (int x = 8; x < 8 + 13; ++x) ink += coverageAt(e, x, y) > 0;
  EXPECT_GT(ink, 0);
  EXPECT_EQ(r.e().text.cursorColumn, 1);
  EXPECT_EQ(r.e().text.cursorHalfCell, 0);
}

TEST(StoryText, TheBaseLanguageKeepsItsRules) {
  // Single bytes are paired into cells, and a blank at a cell's start is skipped.
  auto r = runText(game("!s0ab cd `x`\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(logText(r.e()), "|abcd`x\n");  // the odd last byte pairs with the line end
  EXPECT_EQ(r.e().text.cursorColumn, 0);
  EXPECT_EQ(r.e().text.cursorLine, 1);
  r = runText(game("!s0あ/い\nend\n"));
  EXPECT_EQ(r.errorMessage().rfind("表示文中の、/の次は改行文字でなければなりません。", 0), 0u) << r.errorMessage();
}

TEST(StoryText, AnOverflowingPageWaitsUnderLenientPlay) {
  const std::string window = "setwindow 8,16,4,2,26,26,0,2,0,1,1,#999999,0,0,639,479\n";
  const std::string body = window + "!s0あいうえおかきくけ\nend\n";
  // Without lenient play the overflow stops the game, in either dialect.
  auto r = runText(laterGame(body));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errorMessage().rfind("文字が枠をはみ出してしまいました。", 0), 0u) << r.errorMessage();

  auto lenient = [](Engine& e) { e.script.options.lenient = true; };
  struct Case {
    std::string script;
    int line;
  };
  for (const Case& c : {Case{laterGame(body), 6}, Case{game(body), 5}}) {
    useGameFiles({});
    r = runText(c.script, "wait 40\nclick 10 10\n", 120000, lenient);
    ASSERT_TRUE(r.ended) << r.errorMessage();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_GE(r.endTime, 40u);
    EXPECT_EQ(logText(r.e()), "|あいうえ\nおかきく\n|け\n");
    std::ifstream in(TextGameDir::current().dir->path() + "/Velowarn.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(sjisToUtf8(text.str()), "0.txt line:" + std::to_string(c.line) + " 文字が枠をはみ出したため改ページしました。\n");
  }

  // A full last line with nothing after it does not wait.
  r = runText(laterGame(window + "!s0あいうえおかきく\nend\n"), "", 120000, lenient);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
}  // namespace veloria::test
