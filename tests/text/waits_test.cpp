// Click waits, timed waits, timers, traps, auto and skip modes, textgosub.
#include <gtest/gtest.h>

#include "text_harness.h"

namespace veloria::test {
namespace {

TEST(TextWaits, EarlyClicksDoNotCountAndTimersMeasure) {
  // A click queued before the wait and one during !w are both dropped; the third ends it.
  auto r = runText(game("resettimer\n!s0あ!w200い@\ngettimer %0\nend\n"), "click 1 1\nwait 100\nclick 1 1\nwait 900\nclick 1 1\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1000);
  // waittimer waits up to the mark (and not at all once it has passed); delay ends on a click.
  r = runText(game("resettimer\nwaittimer 300\ngettimer %0\nwaittimer 100\ngettimer %1\n"
                   "resettimer\ndelay 1000\ngettimer %2\nwait 100\ngettimer %3\nend\n"),
              "wait 500\nclick 1 1\nwait 10\nclick 1 1\n");
  EXPECT_EQ(var(r.e(), 0), 300);
  EXPECT_EQ(var(r.e(), 1), var(r.e(), 0));
  EXPECT_EQ(var(r.e(), 2), 200);
  // wait is never cut short (it ends 2 ms after its time: the virtual clock moves a
  // millisecond each time the queue is found empty).
  EXPECT_EQ(var(r.e(), 3) - var(r.e(), 2), 102);
}

TEST(TextWaits, ClickposAndRightClicksDuringClick) {
  // A right click during click does nothing; the left click's position is stored.
  auto r = runText(game("clickpos %0,%1\nend\n"), "wait 50\nrclick 5 5\nwait 50\nclick 123 45\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 123);
  EXPECT_EQ(var(r.e(), 1), 45);
  EXPECT_EQ(r.e().ui.rightClickAction, RightClickAction::HideWindow);
  // During a story-text wait a right click hides the window until the next click; the wait
  // then needs one more click.
  r = runText(game("!s0あ@\ngettimer %0\nend\n"), "wait 100\nrclick 5 5\nwait 100\nclick 1 1\nwait 300\nclick 1 1\n");
  EXPECT_EQ(var(r.e(), 0), 500);
  EXPECT_EQ(r.e().text.windowShown, 1);
  // With roff it does nothing at all.
  r = runText(game("roff\n!s0あ@\ngettimer %0\nend\n"), "wait 100\nrclick 5 5\nwait 100\nclick 1 1\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 200);
  EXPECT_EQ(r.e().text.windowShown, 1);
}

TEST(TextWaits, AutoclickAndAutoMode) {
  // autoclick 500 ends each wait after 500 ms and ignores clicks; autoclick 0 restores clicks.
  auto r = runText(game("autoclick 500\nresettimer\n!s0あ@\ngettimer %0\nautoclick 0\nい@\ngettimer %1\nend\n"),
                   "wait 100\nclick 1 1\nwait 1900\nclick 1 1\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 503);
  EXPECT_EQ(var(r.e(), 1), 2000);
  // Auto mode with -100 ms per character after a 20-character line waits 2000 ms.
  r = runText(game("automode_time -100\nwait 10\n!s0\nresettimer\n一二三四五六七八九十一二三四五六七八九十@\ngettimer %0\nend\n"),
              "menu 40019\n");
  EXPECT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 2003);
  // A fixed auto-mode time; skipoff ends the mode.
  r = runText(game("automode_time 300\nwait 10\nresettimer\n!s0あ@\ngettimer %0\nskipoff\nい@\ngettimer %1\nend\n"),
              "menu 40019\nwait 2000\nclick 1 1\n");
  EXPECT_EQ(var(r.e(), 0), 303);
  EXPECT_EQ(r.e().text.timerBase + var(r.e(), 1), 2000u);  // the click
}

TEST(TextWaits, SkipModeRunsThroughReadTextAndStopsAtUnreadText) {
  // Without read marks skip runs on: waits end at once, text is instant, wait still waits.
  auto r = runText(game("wait 10\nresettimer\nあいう@え\\お\ngettimer %0\nwait 300\ngettimer %1\nend\n"), "menu 40006\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 8);
  EXPECT_EQ(var(r.e(), 1) - var(r.e(), 0), 302);
  EXPECT_EQ(r.e().text.skipMode, 1);

  // With read marks, skip stops where the script was never read.
  const std::string script = game("wait 10\nresettimer\nあ@い@\ngettimer %0\nう@\ngettimer %1\nend\n", "kidokuskip\n");
  auto markRead = [](Engine& e) {
    const std::string text = utf8ToSjis("う@");
    const std::vector<uint8_t> unread(text.begin(), text.end());
    const auto& b = e.script.scriptBuffer;
    auto it = std::search(b.begin(), b.end(), unread.begin(), unread.end());
    ASSERT_NE(it, b.end());
    size_t stop = static_cast<size_t>(it - b.begin());
    ASSERT_FALSE(e.save.readMarks.empty());
    for (size_t p = 0; p < stop; ++p) e.save.readMarks[p / 8] |= static_cast<uint8_t>(1u << (p % 8));
  };
  r = runText(script, "menu 40006\nwait 5000\nclick 1 1\n", 120000, markRead);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 8);
  EXPECT_EQ(r.e().text.timerBase + var(r.e(), 1), 5000u);  // the click
  EXPECT_EQ(r.e().text.skipMode, 0);
}

TEST(TextWaits, TrapJumpsAtTheNextStatementAndStopResumeKeepsTheClick) {
  auto r = runText(game("trap *t\nwait 3000\nあ\nend\n*t\nmov %0,1\ngettimer %1\nend\n"), "wait 100\nclick 1 1\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1);
  EXPECT_EQ(var(r.e(), 1), 3007);  // the wait itself is not cut short
  EXPECT_EQ(logText(r.e()), "|");
  EXPECT_TRUE(r.e().script.pendingTrapLabel.empty());

  r = runText(game("trap *t\ntrap stop\nwait 500\nmov %1,1\ntrap resume\nmov %2,1\nend\n*t\nmov %0,1\nend\n"),
              "wait 100\nclick 1 1\n");
  EXPECT_EQ(var(r.e(), 0), 1);
  EXPECT_EQ(var(r.e(), 1), 1);
  EXPECT_EQ(var(r.e(), 2), 0);

  // trap off forgets it; lr_trap also fires on a right click; a plain trap does not.
  r = runText(game("trap *t\ntrap off\nwait 300\nlr_trap *t\nwait 300\nmov %2,1\nend\n*t\nmov %0,1\nend\n"),
              "wait 100\nclick 1 1\nwait 300\nrclick 1 1\n");
  EXPECT_EQ(var(r.e(), 0), 1);
  EXPECT_EQ(var(r.e(), 2), 0);
  r = runText(game("trap *t\nwait 300\nmov %2,1\nend\n*t\nmov %0,1\nend\n"), "wait 100\nrclick 1 1\n");
  EXPECT_EQ(var(r.e(), 0), 0);
  EXPECT_EQ(var(r.e(), 2), 1);
}

TEST(TextWaits, TextgosubRunsTheRoutineInPlaceOfEachWait) {
  const std::string routine = "*tg\ninc %0\nispage %1\ntexec\nreturn\n";
  // A click wait between two characters: the routine runs after the first, then the second
  // is typed on the same line.
  auto r = runText(game("textgosub *tg\n!s0あ@い\ngetcursorpos %2,%3\nend\n" + routine));
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1);
  EXPECT_EQ(var(r.e(), 1), 0);
  EXPECT_EQ(logText(r.e()), "|あい\n");
  EXPECT_EQ(var(r.e(), 3), 16 + 28);
  // "@" at the end of its line: texec breaks the line.
  r = runText(game("textgosub *tg\n!s0あ@\nい\nend\n" + routine));
  EXPECT_EQ(logText(r.e()), "|あ\nい\n");
  // A page wait: texec clears the window and the next text starts at the top.
  r = runText(game("textgosub *tg\n!s0あ\\\nい\ngetcursorpos %2,%3\nend\n" + routine));
  EXPECT_EQ(var(r.e(), 1), 1);
  EXPECT_EQ(logText(r.e()), "|あ|い\n");
  EXPECT_EQ(var(r.e(), 3), 16 + 28);
  EXPECT_EQ(r.e().script.callStack.depth, 0);
  // An automatic sentence-end wait goes to the routine too, and the rest of the line follows.
  r = runText(game("textgosub *tg\n!s0あ。い。う\nend\n" + routine, "clickstr \"。\",0\n"));
  EXPECT_EQ(var(r.e(), 0), 2);
  EXPECT_EQ(logText(r.e()), "|あ。い。う\n");
}

TEST(TextWaits, RightClickRoutineRunsAndTheWaitComesBack) {
  auto r = runText(game("rgosub *r\n!s0あ@い\ngettimer %1\nend\n*r\ninc %0\nreturn\n"),
                   "wait 100\nrclick 5 5\nwait 200\nclick 1 1\n");
  ASSERT_TRUE(r.ended) << r.errorMessage();
  EXPECT_EQ(var(r.e(), 0), 1);
  EXPECT_EQ(var(r.e(), 1), 300);
  EXPECT_EQ(logText(r.e()), "|あい\n");
  EXPECT_EQ(r.e().script.callStack.depth, 0);
}

TEST(TextWaits, CursorAnimatesDuringTheWaitAndLeavesNothingBehind) {
  // Three 10x10 cells: red, green, blue; copy mode, 100 ms a cell, back and forth.
  useGameFiles({{"cur.bmp", bmpFile(30, 10, [](int x, int) -> uint32_t {
                   return x < 10 ? 0xFF0000 : x < 20 ? 0x00FF00 : 0x0000FF;
                 })}});
  std::vector<std::array<int, 3>> seen;
  auto watch = [&seen](Engine& e) {
    e.platform.onDumpRequest = [&seen, &e](const std::string&) {
      seen.push_back(displayPixel(e, 8 + 26 + 5, 16 + 5));
    };
  };
  auto r = runText(game("setcursor 0,\":c/3,100,2;cur.bmp\",0,0\n!s0あ@\nwait 500\nend\n"),
                   "wait 150\ndump a\nwait 100\ndump b\nwait 100\ndump c\nwait 100\ndump d\nwait 100\ndump e\n"
                   "wait 50\nclick 1 1\nwait 50\ndump f\n",
                   120000, watch);
  ASSERT_TRUE(r.ended) << r.errorMessage();
  ASSERT_EQ(seen.size(), 6u);
  const std::array<int, 3> red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0};
  EXPECT_EQ(seen[0], green);
  EXPECT_EQ(seen[1], blue);
  EXPECT_EQ(seen[2], green);
  EXPECT_EQ(seen[3], red);
  EXPECT_EQ(seen[4], green);
  // After the wait the area under the cursor is back: the window backdrop over black.
  EXPECT_EQ(seen[5], (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(r.e().text.waitCursorKind, WaitCursor::None);

  // Stop on the last cell (mode 1); an absolute cursor position.
  seen.clear();
  r = runText(game("abssetcursor 1,\":c/3,100,1;cur.bmp\",34,16\n!s0あ\\\nend\n"),
              "wait 250\ndump a\nwait 300\ndump b\nwait 50\nclick 1 1\n", 120000, watch);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], blue);
  EXPECT_EQ(seen[1], blue);
}

}  // namespace
}  // namespace veloria::test
