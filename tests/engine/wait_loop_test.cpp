// The one wait loop: it sleeps in the platform until something can happen, ends on its
// checks, and leaves by unwinding when a game was loaded meanwhile.
#include <gtest/gtest.h>

#include <vector>

#include "app/app.h"
#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "graphics/graphics.h"
#include "script/script.h"
#include "text/text.h"

namespace veloria {
namespace {

// A virtual clock that jumps straight to the deadline a wait sleeps until, and remembers
// every sleep and every repaint, so a test sees how often a wait would wake up.
class SleepRecorder final : public Platform {
 public:
  uint32_t timeGetTime() override { return now_; }
  void sleep(uint32_t ms) override { now_ += ms == 0 ? 0 : ms; }
  void waitForMessage(uint32_t deadline) override {
    deadlines.push_back(deadline);
    if (deadline == kNoDeadline) {
      now_ += 1000;  // nothing would wake it: let the test's own check end the wait
      return;
    }
    if (static_cast<int32_t>(deadline - now_) > 0) now_ = deadline;
  }
  void createWindow(int w, int h) override { setClientSize(w, h); }
  void showWindow() override {}
  bool windowShown() const override { return true; }
  void resizeClient(int w, int h) override { setClientSize(w, h); }
  void setTitle(std::string_view) override {}
  void destroyWindow() override {}
  bool setFullscreen(bool) override { return true; }
  bool setCursorFile(const std::string&) override { return true; }
  bool headless() const override { return true; }

  std::vector<uint32_t> deadlines;
  int repaints = 0;

 protected:
  void pumpOsEvents() override {}
  void idle() override {}
  int showMessageBox(std::string_view, std::string_view, int) override { return IDOK; }
  DialogAnswer showInputDialog(const InputDialogSetup&) override { return {DialogEnd::Cancel, {}, -1}; }
  DialogAnswer showListDialog(const ListDialogSetup&) override { return {DialogEnd::Cancel, {}, -1}; }
  void pictureChanged(const Rect&) override { ++repaints; }

 private:
  uint32_t now_ = 5000;
};

struct LoopFixture {
  SleepRecorder platform;
  Engine e{platform};
  LoopFixture() {
    connectEngine(e);
    platform.createWindow(640, 480);
    platform.setWindowProc([this](const Message& m) { windowProc(e, m); });
    restoreAllDefaults(e);
    createScreenSurfaces(e);
  }
};

TEST(WaitLoop, SleepsUntilTheEarliestDeadlineInsteadOfSpinning) {
  LoopFixture f;
  WaitSetup setup;
  const uint32_t start = f.platform.timeGetTime();
  setup.deadline = [start](const WaitPass&) { return start + 300; };
  setup.before = [&](const WaitPass& p) { return static_cast<int32_t>(p.now - start) >= 300; };
  EXPECT_EQ(runWaitLoop(f.e, setup), WaitEnd::Done);
  // One sleep, straight to the wait's own deadline.
  ASSERT_EQ(f.platform.deadlines.size(), 1u);
  EXPECT_EQ(f.platform.deadlines[0], start + 300);

  // The one-second save of the globals comes first when the wait's deadline lies later; a
  // wait with no deadline of its own sleeps until it, then without one.
  f.platform.deadlines.clear();
  WaitSetup clickLike;
  const uint32_t start2 = f.platform.timeGetTime();
  clickLike.saveGlobalsAfterOneSecond = true;
  clickLike.before = [&](const WaitPass& p) { return static_cast<int32_t>(p.now - start2) >= 2500; };
  runWaitLoop(f.e, clickLike);
  ASSERT_GE(f.platform.deadlines.size(), 2u);
  EXPECT_EQ(f.platform.deadlines[0], start2 + 1001);
  EXPECT_EQ(f.platform.deadlines[1], kNoDeadline);
  EXPECT_LE(f.platform.deadlines.size(), 4u);
}

TEST(WaitLoop, AnimationStepsAreDeadlinesAndAStoppedAnimationIsNot) {
  LoopFixture f;
  Sprite& s = f.e.gfx.sprites[3];
  s.name = "x";
  s.visible = 1;
  createSurface(s.image, 30, 10, 24);
  s.image.cellCount = 3;
  s.image.cellInterval = 100;
  s.image.animMode = ANIM_LOOP;
  s.image.animStep = 1;
  s.image.animStart = f.platform.timeGetTime();
  EXPECT_EQ(nextCellAnimationDue(f.e), s.image.animStart + 101);
  // Per-cell times: the current cell's own interval counts.
  s.image.cellInterval = -1;
  s.image.cellIntervals = {40, 250, 60};
  s.image.currentCell = 1;
  EXPECT_EQ(nextCellAnimationDue(f.e), s.image.animStart + 251);
  // Stopped on its last cell, or hidden: nothing to wake up for.
  s.image.animMode = ANIM_STOP;
  s.image.currentCell = 2;
  EXPECT_EQ(nextCellAnimationDue(f.e), kNoDeadline);
  s.image.animMode = ANIM_LOOP;
  s.visible = 0;
  EXPECT_EQ(nextCellAnimationDue(f.e), kNoDeadline);
}

TEST(WaitLoop, AGameLoadedMeanwhileUnwindsAndGivesTheOuterWaitBack) {
  LoopFixture f;
  f.platform.noteWaiting(WaitKind::Choice, 7, 8);
  f.platform.setWindowProc([&](const Message& m) {
    if (m.message == WM_USER) noteGameLoaded(f.e);
    windowProc(f.e, m);
  });
  f.platform.postMessage(WM_MOUSEMOVE, 0, makeLParam(1, 1));
  f.platform.postMessage(WM_USER);
  WaitSetup setup;
  setup.kind = WaitKind::Click;
  int passes = 0;
  setup.after = [&](const WaitPass&) {
    ++passes;
    EXPECT_EQ(f.platform.waitingFor(), WaitKind::Click);
    return PassResult::Continue;
  };
  bool unwound = false;
  try {
    runWaitLoop(f.e, setup);
  } catch (const ScriptUnwind& u) {
    unwound = u.reason == ScriptUnwind::Reason::GameLoaded;
  }
  EXPECT_TRUE(unwound);
  EXPECT_EQ(passes, 1);  // the move was handled; the load ended the wait before its checks
  EXPECT_EQ(f.platform.waitingFor(), WaitKind::Choice);
  EXPECT_EQ(f.platform.waitingX(), 7);
  // A wait that starts after a load it did not see ends at once the same way.
  bool again = false;
  try {
    runWaitLoop(f.e, setup);
  } catch (const ScriptUnwind&) {
    again = true;
  }
  EXPECT_TRUE(again);
}

TEST(WaitLoop, PresentingUnchangedPixelsDoesNotRepaintTheWindow) {
  LoopFixture f;
  ImageObject& d = f.e.gfx.displaySurface;
  f.platform.repaints = 0;
  presentDisplay(f.e, Rect{0, 0, 640, 480});
  EXPECT_EQ(f.platform.repaints, 0);  // black on black
  d.dib.row(10)[20 * 3] = 200;
  presentDisplay(f.e, Rect{0, 0, 64, 64});
  EXPECT_EQ(f.platform.repaints, 1);
  presentDisplay(f.e, Rect{0, 0, 64, 64});
  EXPECT_EQ(f.platform.repaints, 1);
  EXPECT_EQ(f.platform.windowPicture()[(10 * 640 + 20) * 3 + 2], 200);
}

}  // namespace
}  // namespace veloria
