// The message queue, timers and virtual clock that every wait loop stands on.
#include <gtest/gtest.h>

#include "platform/headless/input_script.h"
#include "platform/platform.h"

using namespace veloria;

namespace {
std::unique_ptr<Platform> headless(const std::string& input = "") {
  HeadlessOptions o;
  o.inputScript = input;
  auto p = makeHeadlessPlatform(o);
  p->createWindow(640, 480);
  return p;
}
}  // namespace

TEST(MessageQueue, RangeFilterTakesOnlyMatchingMessagesInOrder) {
  auto p = headless();
  p->postMessage(WM_MOUSEMOVE, 0, makeLParam(1, 2));
  p->postMessage(WM_LBUTTONUP, 0, makeLParam(3, 4));
  p->postMessage(WM_CHAR, 32);
  p->postMessage(WM_LBUTTONUP, 0, makeLParam(5, 6));

  Message m;
  ASSERT_TRUE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true));
  EXPECT_EQ(lParamX(m.lParam), 3);
  EXPECT_EQ(lParamY(m.lParam), 4);
  // Peeking without removal leaves the message for the next taker.
  ASSERT_TRUE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, false));
  EXPECT_EQ(lParamX(m.lParam), 5);
  ASSERT_TRUE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true));
  EXPECT_FALSE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true));
  // The others are still there, in posting order.
  ASSERT_TRUE(p->peekMessage(m, 0, 0, true));
  EXPECT_EQ(m.message, WM_MOUSEMOVE);
  ASSERT_TRUE(p->peekMessage(m, 0, 0, true));
  EXPECT_EQ(m.message, WM_CHAR);
  EXPECT_EQ(m.wParam, 32u);
  EXPECT_FALSE(p->peekMessage(m, 0, 0, true));
}

TEST(MessageQueue, MouseRangeCoversButtonsButNotKeys) {
  auto p = headless();
  p->postMessage(WM_CHAR, 13);
  p->postMessage(WM_RBUTTONDOWN, 0, 0);
  Message m;
  ASSERT_TRUE(p->peekMessage(m, WM_MOUSEMOVE, WM_RBUTTONUP, true));
  EXPECT_EQ(m.message, WM_RBUTTONDOWN);
  EXPECT_FALSE(p->peekMessage(m, WM_MOUSEMOVE, WM_RBUTTONUP, true));
}

TEST(MessageQueue, DispatchReachesTheWindowProcedure) {
  auto p = headless();
  std::vector<uint32_t> seen;
  p->setWindowProc([&](const Message& m) { seen.push_back(m.message); });
  p->postMessage(WM_LBUTTONDOWN);
  p->postMessage(WM_LBUTTONUP);
  EXPECT_TRUE(p->pumpOneMessage());
  EXPECT_TRUE(p->pumpOneMessage());
  EXPECT_FALSE(p->pumpOneMessage());
  EXPECT_EQ(seen, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST(MessageQueue, PointerMovesCoalesceAndTheQueueIsBounded) {
  auto p = headless();
  p->postMouseMove(makeLParam(1, 1));
  p->postMouseMove(makeLParam(2, 2));
  EXPECT_EQ(p->queuedMessageCount(), 1u);
  p->postMessage(WM_LBUTTONDOWN);
  p->postMouseMove(makeLParam(3, 3));
  EXPECT_EQ(p->queuedMessageCount(), 3u);
  for (int i = 0; i < 20000; ++i) p->postMessage(WM_USER + 10);
  EXPECT_EQ(p->queuedMessageCount(), Platform::kMaxQueuedMessages);
}

TEST(VirtualClock, AdvancesOnlyBySleepsAndEmptyPolls) {
  auto p = headless();
  uint32_t t0 = p->timeGetTime();
  EXPECT_EQ(p->timeGetTime(), t0);
  p->sleep(3000);
  EXPECT_EQ(p->timeGetTime(), t0 + 3000);
  Message m;
  EXPECT_FALSE(p->peekMessage(m));
  EXPECT_EQ(p->timeGetTime(), t0 + 3001);
  // A thousand yields cost one virtual millisecond.
  for (int i = 0; i < 1000; ++i) p->sleep(0);
  EXPECT_EQ(p->timeGetTime(), t0 + 3002);
}

TEST(Timers, TimerOnePostsEveryHundredMillisecondsWithoutPilingUp) {
  auto p = headless();
  p->setTimer(1, 100);
  Message m;
  p->sleep(99);
  EXPECT_FALSE(p->peekMessage(m, WM_TIMER, WM_TIMER, true));
  p->sleep(1);
  ASSERT_TRUE(p->peekMessage(m, WM_TIMER, WM_TIMER, true));
  EXPECT_EQ(m.wParam, 1u);
  // A late reader finds one WM_TIMER, not a backlog.
  p->sleep(1000);
  EXPECT_TRUE(p->peekMessage(m, WM_TIMER, WM_TIMER, false));
  p->sleep(1000);
  ASSERT_TRUE(p->peekMessage(m, WM_TIMER, WM_TIMER, true));
  EXPECT_FALSE(p->peekMessage(m, WM_TIMER, WM_TIMER, true));
  p->killTimer(1);
  p->sleep(500);
  EXPECT_FALSE(p->peekMessage(m, WM_TIMER, WM_TIMER, true));
}

TEST(ScriptedInput, EventsArriveAtTheirVirtualTimes) {
  auto p = headless("# comment\nwait 100\nclick 10 20\nwait 50\nkey space\nmenu 40006\nrclick 1 2\nclose\n");
  Message m;
  p->sleep(99);
  EXPECT_FALSE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, false));
  p->sleep(1);
  ASSERT_TRUE(p->peekMessage(m, WM_LBUTTONDOWN, WM_LBUTTONDOWN, true));
  ASSERT_TRUE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true));
  EXPECT_EQ(lParamX(m.lParam), 10);
  EXPECT_EQ(lParamY(m.lParam), 20);
  EXPECT_FALSE(p->peekMessage(m, WM_CHAR, WM_CHAR, true));
  p->sleep(50);
  ASSERT_TRUE(p->peekMessage(m, WM_CHAR, WM_CHAR, true));
  EXPECT_EQ(m.wParam, 32u);
  ASSERT_TRUE(p->peekMessage(m, WM_COMMAND, WM_COMMAND, true));
  EXPECT_EQ(m.wParam, 40006u);
  ASSERT_TRUE(p->peekMessage(m, WM_RBUTTONUP, WM_RBUTTONUP, true));
  ASSERT_TRUE(p->peekMessage(m, WM_CLOSE, WM_CLOSE, true));
}

TEST(ScriptedInput, MessageBoxesTakeQueuedAnswersThenTheirDefault) {
  auto p = headless("answer no\nanswer yes\ntype こんにちは\n");
  EXPECT_EQ(p->messageBox("q", "c", MB_YESNO), IDNO);
  EXPECT_EQ(p->messageBox("q", "c", MB_YESNO), IDYES);
  EXPECT_EQ(p->messageBox("q", "c", MB_YESNO), IDYES);
  EXPECT_EQ(p->messageBox("q", "c", MB_OK), IDOK);
}

TEST(ScriptedInput, DialogsTakeTypeCancelAndSelectLinesInTurnWaitingForThem) {
  auto p = headless("type こんにちは\ncancel\nwait 5000\nselect 1\ntype b\ntype zz\ncancel\n");
  InputDialogSetup input;
  input.cancellable = true;
  DialogAnswer a = p->inputDialog(input);
  EXPECT_EQ(a.end, DialogEnd::Ok);
  EXPECT_EQ(a.text, "こんにちは");  // as typed; the engine converts
  EXPECT_EQ(p->inputDialog(input).end, DialogEnd::Cancel);
  // The next answer lies 5 s ahead: the dialog lets the clock run to it, and a list entry
  // answers a list dialog, not this one; the text line after it does.
  uint32_t before = p->timeGetTime();
  input.cancellable = false;
  a = p->inputDialog(input);
  EXPECT_EQ(a.text, "b");
  EXPECT_GE(p->timeGetTime() - before, 4999u);
  ListDialogSetup list;
  list.entries = {"a", "b", "c"};
  // A text naming no entry is passed over; Esc cancels a list.
  EXPECT_EQ(p->listDialog(list).end, DialogEnd::Cancel);
  // Nothing left: nobody answers, and nothing waits for ever.
  EXPECT_EQ(p->listDialog(list).end, DialogEnd::Unanswered);
  EXPECT_EQ(p->inputDialog(input).end, DialogEnd::Unanswered);
  EXPECT_EQ(p->openDialog(), nullptr);

  auto q = headless("select 2\ntype b\nselect 7\n");
  EXPECT_EQ(q->listDialog(list).selection, 2);
  EXPECT_EQ(q->listDialog(list).selection, 1);
  EXPECT_EQ(q->listDialog(list).end, DialogEnd::Unanswered);  // no entry 7
}

TEST(ScriptedInput, MalformedLinesAreReportedWithTheirLineNumber) {
  EXPECT_THROW(parseInputScript("wait\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("click 1\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("wait -5\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("answer maybe\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("jump 1 2\n"), InputScriptError);
  // Numbers wider than an int are refused, not wrapped into another slot or place.
  EXPECT_THROW(parseInputScript("load 4294967297\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("select 4294967296\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("click 2147483648 0\n"), InputScriptError);
  // A clock that would pass its end stays there; later commands never come back to time 0.
  auto late = parseInputScript("wait 9223372036854775807\nwait 9223372036854775807\nwait 9\nquit\n");
  ASSERT_EQ(late.size(), 1u);
  EXPECT_EQ(late[0].timeMs, UINT64_MAX);
  try {
    parseInputScript("wait 1\n\nclick x 2\n");
    FAIL();
  } catch (const InputScriptError& e) {
    EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos);
  }
  auto ev = parseInputScript("key a\nkey enter\nkey esc\nquit\n");
  ASSERT_EQ(ev.size(), 4u);
  EXPECT_EQ(ev[0].code, 'a');
  EXPECT_EQ(ev[1].code, 13);
  EXPECT_EQ(ev[2].code, 27);
  EXPECT_EQ(ev[3].kind, InputEvent::Quit);
}

TEST(ScriptedInput, ArrowAndPadLinesGiveTheKeysAndClicksOfAPlayer) {
  auto p = headless("key up\nkey &\nkey q\nmove 30 40\npad a\npad b\npad right\npad start\npad skip\npad skip\n");
  std::vector<Message> got;
  Message m;
  while (p->peekMessage(m, 0, 0, true)) got.push_back(m);
  auto is = [&](size_t i, uint32_t id, uint32_t w) {
    return i < got.size() && got[i].message == id && got[i].wParam == w;
  };
  ASSERT_EQ(got.size(), 12u);
  // An arrow has no character; a sign has no virtual key (its code would read as an arrow);
  // a letter's virtual key is its capital.
  EXPECT_TRUE(is(0, WM_KEYDOWN, VK_UP));
  EXPECT_TRUE(is(1, WM_CHAR, '&'));
  EXPECT_TRUE(is(2, WM_KEYDOWN, 'Q'));
  EXPECT_TRUE(is(3, WM_CHAR, 'q'));
  EXPECT_TRUE(is(4, WM_MOUSEMOVE, 0));
  // A and B click where the pointer is; a direction is the arrow key; Start has no menu strip
  // to open here; skip is held from one line to the next.
  EXPECT_TRUE(is(5, WM_LBUTTONDOWN, 1));
  EXPECT_TRUE(is(6, WM_LBUTTONUP, 0));
  EXPECT_EQ(lParamX(got[6].lParam), 30);
  EXPECT_EQ(lParamY(got[6].lParam), 40);
  EXPECT_TRUE(is(7, WM_RBUTTONDOWN, 2));
  EXPECT_TRUE(is(8, WM_RBUTTONUP, 0));
  EXPECT_EQ(lParamX(got[8].lParam), 30);
  EXPECT_TRUE(is(9, WM_KEYDOWN, VK_RIGHT));
  EXPECT_TRUE(is(10, WM_APP_SKIP_HOLD, 1));
  EXPECT_TRUE(is(11, WM_APP_SKIP_HOLD, 0));

  // The pointer a warp puts somewhere is where the pad clicks next.
  p->warpPointer(200, 100);
  p->padButton(PadButton::A, false);
  ASSERT_TRUE(p->peekMessage(m, WM_MOUSEMOVE, WM_MOUSEMOVE, true));
  ASSERT_TRUE(p->peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true));
  EXPECT_EQ(lParamX(m.lParam), 200);
  EXPECT_EQ(lParamY(m.lParam), 100);

  EXPECT_THROW(parseInputScript("pad x\n"), InputScriptError);
  EXPECT_THROW(parseInputScript("pad\n"), InputScriptError);
}

TEST(WindowPicture, EveryPixelOfAWideRowIsSwappedWhateverItsPlaceInTheRow) {
  // Rows are copied four pixels at a time with the rest one by one: a width of 11 has both.
  auto p = headless();
  p->resizeClient(11, 1);
  std::vector<uint8_t> bits(36);
  for (size_t i = 0; i < 33; ++i) bits[i] = static_cast<uint8_t>(7 * i + 1);
  SurfaceView v{bits.data(), 11, 1, 36};
  for (int pass = 0; pass < 2; ++pass) {  // the second pass shows the same pixels again
    p->present(v, Rect{0, 0, 11, 1});
    const auto& pic = p->windowPicture();
    for (int x = 0; x < 11; ++x) {
      EXPECT_EQ(pic[3 * x], bits[3 * x + 2]) << x;
      EXPECT_EQ(pic[3 * x + 1], bits[3 * x + 1]) << x;
      EXPECT_EQ(pic[3 * x + 2], bits[3 * x]) << x;
    }
  }
  // A part of the row placed at an odd column.
  p->blitToWindow(v, 2, 0, 6, 1, 5, 0);
  const auto& pic = p->windowPicture();
  for (int x = 0; x < 6; ++x) EXPECT_EQ(pic[3 * (5 + x)], bits[3 * (2 + x) + 2]) << x;
}

TEST(WindowPicture, RowsOfEveryWidthAndOffsetAreSwappedExactly) {
  // Rows go five pixels at a time where the CPU allows, then four, then one by one.
  auto p = headless();
  p->resizeClient(40, 1);
  std::vector<uint8_t> bits(124);
  for (int w = 1; w <= 37; ++w)
    for (int at = 0; at <= 3; ++at) {
      for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(w * 31 + at * 7 + i * 13);
      SurfaceView v{bits.data(), 40, 1, 124};
      p->blitToWindow(v, 0, 0, 40, 1, 0, 0);
      p->blitToWindow(SurfaceView{bits.data() + 1, 40, 1, 123}, at, 0, w, 1, at, 0);  // another picture
      const auto& pic = p->windowPicture();
      for (int x = 0; x < 40; ++x) {
        const uint8_t* s = bits.data() + (x >= at && x < at + w ? 1 : 0) + 3 * x;
        ASSERT_EQ(pic[3 * x], s[2]) << w << " " << at << " " << x;
        ASSERT_EQ(pic[3 * x + 1], s[1]) << w << " " << at << " " << x;
        ASSERT_EQ(pic[3 * x + 2], s[0]) << w << " " << at << " " << x;
      }
    }
}

TEST(WindowPicture, PresentTurnsBottomUpBgrIntoTopDownRgbAndScrollMovesPixels) {
  auto p = headless();
  p->resizeClient(4, 2);
  // A 4x2 bottom-up BGR surface, stride 12: bottom row blue, top row red.
  std::vector<uint8_t> bits = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0,
                               0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255};
  SurfaceView v{bits.data(), 4, 2, 12};
  p->present(v, Rect{0, 0, 4, 2});
  const auto& pic = p->windowPicture();
  EXPECT_EQ(pic[0], 255);  // top-left red
  EXPECT_EQ(pic[2], 0);
  EXPECT_EQ(pic[4 * 3 + 2], 255);  // bottom-left blue
  p->scrollWindow(Rect{0, 0, 4, 2}, 0, 1);  // move down one row: the top row stays red
  EXPECT_EQ(pic[4 * 3], 255);
  EXPECT_EQ(pic[4 * 3 + 2], 0);
  EXPECT_EQ(pic[0], 255);
}
