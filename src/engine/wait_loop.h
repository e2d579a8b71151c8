// The one loop that every command which waits runs: click and page waits, timed waits,
// typing delays, choices, button waits, the text log, system menus and movies.
//
// Each pass: the global variables are saved once when the wait has lasted more than a
// second (when asked), the wait's `before` check runs, at most one window message is taken
// and dispatched, the wait's `after` check runs (it may ask for the right-click action),
// the cell animations step, the wait's `afterAnimations` step runs, and then the loop lets
// time pass: when nothing was waiting in the queue it sleeps in the platform until the next
// message or the earliest deadline (the wait's own, the next animation step, the one-second
// save), so a player looking at a page costs no processor time.
//
// The save, the right-click action and the animations belong to the floors above; the loop
// reaches them through the engine's hooks (EngineHooks in engine.h).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/headless/autoplay_port.h"
#include "platform/platform.h"

namespace veloria {

struct Engine;

struct WaitPass {
  uint32_t start = 0;  // clock when the wait began
  uint32_t now = 0;    // clock at the start of this pass
  bool pumped = false;  // a message was taken and dispatched
  Message message;      // that message (when pumped)
};

enum class PassResult {
  Continue,
  End,
  // Run the right-click action (runSystemAction with -1). Afterwards a subroutine that took
  // over ends the wait as Interrupted, and a reset or a loaded game unwinds to the
  // interpreter (ScriptUnwind); otherwise the wait goes on.
  RightClick,
};

enum class WaitEnd { Done, Interrupted };

struct WaitSetup {
  WaitKind kind = WaitKind::None;  // told to the platform while the wait runs (autoplay, dump)
  int autoX = 0, autoY = 0;        // where autoplay clicks
  // A choice's or button wait's options a player could take, for autoplay's picker
  // (autoX/autoY stays the click without one; hasAutoplayPicker says whether to list them);
  // and the position of the waiting statement when it is not the script's current one.
  std::vector<AutoplayOption> autoOptions;
  int64_t autoPlace = -1;
  bool animate = true;             // the cell animations step once per pass
  bool yieldEveryPass = false;     // let time pass even after a message was handled
  bool saveGlobalsAfterOneSecond = false;
  // Each returns true to end the wait; any may be empty.
  std::function<bool(const WaitPass&)> before;
  std::function<PassResult(const WaitPass&)> after;
  std::function<bool(const WaitPass&)> afterAnimations;
  // The next clock value at which the wait needs a pass although no message came
  // (kNoDeadline: only messages, animations and timers wake it).
  std::function<uint32_t(const WaitPass&)> deadline;
};

// Runs the wait until one of its checks ends it.
WaitEnd runWaitLoop(Engine& e, const WaitSetup& setup);

// A game was loaded (noteGameLoaded, text.h) and the interpreter has not yet gone on from
// the restored position: a wait started now unwinds at once.
bool gameLoaded(const Engine& e);

// The pieces for waits that are a single step (an effect frame, a menu command's passes):
// dispatch at most one message; and let time pass until `deadline` (sleeping in the
// platform, woken early by input only when `wakeOnInput`).
bool waitPumpOne(Engine& e);
void waitUntil(Engine& e, uint32_t deadline, bool wakeOnInput = false);

// Whether a time is reached, with the clock's wrap-around.
inline bool timeReached(uint32_t now, uint32_t t) { return static_cast<int32_t>(now - t) >= 0; }

}  // namespace veloria
