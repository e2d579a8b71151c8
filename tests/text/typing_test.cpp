// Typing story text: speed and hurry, control characters, line breaks, clickstr and errors.
#include <gtest/gtest.h>

#include "text_harness.h"

namespace veloria::test {
namespace {

TEST(TextTyping, SpeedDelaysEachCharacterAndAClickHurriesTheRest) {
  // Three characters at 20 ms each.
  auto r = runText(game("resettimer\nあいう\ngettimer %0\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 60);

  // A click while the first character waits: the others follow at once, but the click
  // wait after them still waits for a new click (at 1000 ms).
  r = runText(game("resettimer\nあいう@\ngettimer %0\nend\n"), "wait 5\nclick 10 10\nwait 995\nclick 10 10\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1000);
  r = runText(game("resettimer\nあいうえおかきくけこ\ngettimer %0\nend\n"), "wait 5\nclick 10 10\n");
  EXPECT_EQ(var(r.e(), 0), 5);

  // !s0 is instant; !sd follows the menu speed (slow: 40 ms); textspeed sets it too.
  r = runText(game("wait 10\nresettimer\n!s0あいう\ngettimer %0\n!sdあいう\ngettimer %1\ntextspeed 5\nあいう\ngettimer %2\nend\n"),
              "menu 40014\n");
  EXPECT_EQ(var(r.e(), 0), 0);
  EXPECT_EQ(var(r.e(), 1) - var(r.e(), 0), 120);
  EXPECT_EQ(var(r.e(), 2) - var(r.e(), 1), 15);
  EXPECT_EQ(r.e().text.textSpeed, 5);
}

TEST(TextTyping, TimedEscapesAndTheirClicks) {
  // !w cannot be cut short; !d can. Timed waits end 2 ms after their time: the virtual
  // clock moves a millisecond each time the queue is found empty.
  auto r = runText(game("resettimer\n!s0あ!w500い\ngettimer %0\nあ!d500い\ngettimer %1\nend\n"),
                   "wait 100\nclick 5 5\nwait 500\nclick 5 5\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 502);
  EXPECT_EQ(var(r.e(), 1), 600);  // the click at 600 ms
  // A numeric variable after the escape gives its value.
  r = runText(game("mov %5,300\nresettimer\n!w%5!s0あ\ngettimer %0\nend\n"));
  EXPECT_EQ(var(r.e(), 0), 302);
}

TEST(TextTyping, ColourLinksBlanksAndHalfWidthPairs) {
  auto r = runText(game("!s0#ff0000■\n■ <7あい>う\n"
                        "#00ff00abc\nend\n"));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  // The colour code holds on the next line too; full coverage shows the colour exactly.
  EXPECT_EQ(displayPixel(e, 8 + 13, 16 + 13), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(displayPixel(e, 8 + 13, 16 + 28 + 13), (std::array<int, 3>{0, 0, 255}));
  // Blanks are skipped: the link starts in the second cell of line 1.
  EXPECT_EQ(e.text.linkCount, 1);
  EXPECT_EQ(e.text.links[0].number, 7);
  EXPECT_EQ(e.text.links[0].left, 8 + 26);
  EXPECT_EQ(e.text.links[0].top, 16 + 28);
  EXPECT_EQ(e.text.links[0].right, 8 + 3 * 26);
  EXPECT_EQ(e.text.textColor.g, 255);
  // "abc": "ab" is one cell; "c" pairs with the end of the line, which ends it.
  EXPECT_EQ(logText(e), "|■\n■あいう\nab\n");
}

TEST(TextTyping, LineContinuationAndPageWaits) {
  auto r = runText(game("!s0あ/\nい\nう\\\n■\ngetcursorpos %0,%1\nend\n"), "wait 50\nclick 1 1\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  Engine& e = r.e();
  // "あい" share line 0, "う" is line 1; the page wait cleared the window, so "え" is back
  // at line 0, column 0 and the old cells hold no text.
  EXPECT_EQ(logText(e), "|あい\nう|■\n");
  EXPECT_EQ(var(e, 0), 8);
  EXPECT_EQ(var(e, 1), 16 + 28);
  EXPECT_GT(coverageAt(e, 8 + 13, 16 + 13), 0);
  for (int x = 8 + 26; x < 8 + 52; ++x)
    for (int y = 16; y < 16 + 56; ++y) ASSERT_EQ(coverageAt(e, x, y), 0) << x << "," << y;
}

TEST(TextTyping, EarlyBreaksKeepForbiddenCharactersTogether) {
  const std::string c22 = "一二三四五六七八九十一二三四五六七八九十一二";
  // 22 characters, then "あ。": the line breaks before "あ" so that "。" does not start a line.
  auto r = runText(game("!s0" + c22 + "あ。\nend\n"));
  EXPECT_EQ(logText(r.e()), "|" + c22 + "\nあ。\n");
  // "「" would be left on the last column: it moves down with the character after it.
  r = runText(game("!s0" + c22 + "「あ」\nend\n"));
  EXPECT_EQ(logText(r.e()), "|" + c22 + "\n「あ」\n");
  // The look-ahead sees only its own line: a full line breaks, and "。" starts the next.
  r = runText(game("!s0" + c22 + "あ\n。\nend\n"));
  EXPECT_EQ(logText(r.e()), "|" + c22 + "あ\n。\n");
}

// autoclick makes every click wait last 100 ms, so the time counts the waits.
int waitsFor(const std::string& line, const std::string& define = "clickstr \"。\",0\n") {
  auto r = runText(game("autoclick 100\n!s0\nresettimer\n" + line + "\ngettimer %0\nend\n", define));
  EXPECT_TRUE(r.ended) << r.errorMessage();
  return (var(r.e(), 0) + 50) / 100;
}

TEST(TextTyping, ClickStrWaitsAfterSentenceEnds) {
  EXPECT_EQ(waitsFor("あ。い。"), 2);
  EXPECT_EQ(waitsFor("あ。。い"), 1);   // only after the second of two in a row
  EXPECT_EQ(waitsFor("あ_。い"), 0);    // marked as no sentence end
  EXPECT_EQ(waitsFor("あ。@い"), 1);    // the explicit wait is the only one
  EXPECT_EQ(waitsFor("あ。い。", ""), 0);
  // In the last clickStrLines lines the automatic wait is a page wait: the page clears.
  auto r = runText(game("autoclick 100\n!s0\nあい。う\nend\n", "clickstr \"。\",16\n"));
  EXPECT_EQ(logText(r.e()), "|あい。|う\n");
  r = runText(game("autoclick 100\n!s0\nlocate 0,14\nあい。う\nlocate 0,1\nあい。う\nend\n", "clickstr \"。\",2\n"));
  EXPECT_EQ(logText(r.e()), "|あい。|う\nあい。う\n");
}

TEST(TextTyping, PageOnlyModeSkipsClickWaitsButNotPageWaits) {
  auto r = runText(game("autoclick 100\n!s0\nresettimer\nあ@い@う\\\ngettimer %0\nend\n"), "menu 40007\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  // While autoclick is on the one-page form cannot be chosen.
  EXPECT_EQ(var(r.e(), 0), 3 * 100 + 8);  // three 100 ms waits and the empty-queue milliseconds
  r = runText(game("wait 10\n!s0\nresettimer\nあ@い@う\\\ngettimer %0\nend\n"), "menu 40007\nwait 500\nclick 1 1\n");
  EXPECT_EQ(r.e().text.pageOnlyMode, 1);
  // Only the page wait waited: it ended with the click at 500 ms.
  EXPECT_EQ(r.e().text.timerBase + var(r.e(), 0), 500u);
}

TEST(TextTyping, ErrorsEndTheRunWithTheirMessages) {
  struct Case {
    std::string script, caption, message;
  };
  const Case cases[] = {
      {game("あ/い\n"), "エラー", "表示文中の、/の次は改行文字でなければなりません。"},
      {game("textmode 0\nあ\n"), "エラー！", "textmodeが非表示設定なのに文字を書こうとしました。"},
      {game("locate 30,0\nあ\n"), "エラー！", "文字がウィンドウからはみ出ました"},
      {game("locate 0,15\n!s0あ\n"), "エラー", "文字が枠をはみ出してしまいました。"},
      {game("br\nlocate 0,15\nbr\n"), "エラー", "文字が枠をはみ出してしまいました。"},
      {game("setwindow 0,0,-1,10,26,26,0,2,0,1,1,#999999,0,0,639,479\n"), "エラー",
       "setwindowの縦横文字数指定が間違っています。"},
      {game("setwindow 0,0,10,10,500,500,0,2,0,1,1,#999999,0,0,639,479\nあ\n"), "エラー！",
       "文字がウィンドウからはみ出ました"},
      {game("humanz 256\n"), "エラー", "humanz指定が範囲外です。"},
      {game("setcursor 2,\"a.bmp\",0,0\n"), "エラー", "カーソルは０（通常）と１（クリック消去用）です。"},
      {game("getcursorpos 1,2\n"), "構文エラー", "getcurposの第１，２引数は数字変数です。"},
      {game("getnextline %1,$2\n"), "構文エラー", "getnextlineの第１，２引数は数字変数です。"},
      {game("ispage 3\n"), "構文エラー", "ispageの引数は数字変数です。"},
      {game("trap on\n"), "エラー", "trap命令のパラメータは、offもしくは*ラベル名です。"},
      {game("gettimer 5\n"), "構文エラー", "gettimerの引数は数字変数です。"},
      {game("clickpos %1,5\n"), "構文エラー", "clickposの第ニ引数は数字変数です。"},
  };
  for (const Case& c : cases) {
    auto r = runText(c.script);
    EXPECT_TRUE(r.ended) << c.script;
    EXPECT_EQ(r.exitCode, 1) << c.script;
    EXPECT_EQ(r.errorCaption(), c.caption) << c.script;
    EXPECT_EQ(r.errorMessage().substr(0, c.message.size()), c.message) << c.script;
  }
}

TEST(TextTyping, BadBytesAreDrawnOrDroppedSafely) {
  // Raw bytes that are no valid text: stray lead bytes, control bytes, broken escapes.
  auto r = runText(game("end\n"));
  Engine& e = r.e();
  for (const std::string& line : {std::string("\x82"), std::string("\x81\x81\x81"), std::string("\x01\x02\x03"),
                                 std::string("#12"), std::string("<"), std::string(">"), std::string("!"),
                                 std::string("!s"), std::string("!w"), std::string("#gggggg\x82\xa0"),
                                 std::string("ab\xff\xff"), std::string("!s99999999999999999999")}) {
    e.text.cursorColumn = 0;
    e.text.cursorLine = 0;
    e.text.textSpeed = 0;
    e.text.windowShown = 1;
    EXPECT_NO_THROW(typeText(e, line)) << line;
  }
  EXPECT_EQ(e.text.textSpeed, INT32_MAX);
}

}  // namespace
}  // namespace veloria::test
