#include "engine/wait_loop.h"

#include "engine/engine.h"

namespace veloria {

namespace {

// What the platform is told about the wait, put back when the wait ends however it ends
// (a nested wait, such as the window hidden until a click inside a click wait, tells its
// own and then gives the outer one back).
class WaitingNote {
 public:
  WaitingNote(Engine& e, const WaitSetup& setup)
      : p_(e.platform), outerKind_(p_.waitingFor()), outerX_(p_.waitingX()), outerY_(p_.waitingY()), setup_(setup) {
    if (!setup.autoOptions.empty()) {
      autoplay_.place = setup.autoPlace >= 0 ? static_cast<uint32_t>(setup.autoPlace) : e.script.scriptPos;
      autoplay_.options = setup.autoOptions;
    }
    outerAutoplay_ = noteAutoplayWait(p_, nullptr);
    resume();
  }
  ~WaitingNote() {
    p_.noteWaiting(outerKind_, outerX_, outerY_);
    noteAutoplayWait(p_, outerAutoplay_);
  }
  WaitingNote(const WaitingNote&) = delete;
  WaitingNote& operator=(const WaitingNote&) = delete;
  void suspend() {
    p_.noteWaiting(WaitKind::None);
    noteAutoplayWait(p_, nullptr);
  }
  void resume() {
    p_.noteWaiting(setup_.kind, setup_.autoX, setup_.autoY);
    noteAutoplayWait(p_, autoplay_.options.empty() ? nullptr : &autoplay_);
  }

 private:
  Platform& p_;
  WaitKind outerKind_;
  int outerX_, outerY_;
  const AutoplayWait* outerAutoplay_ = nullptr;
  const WaitSetup& setup_;
  AutoplayWait autoplay_;
};

// The earlier of two clock values that both lie ahead of (or at) `now`.
uint32_t earlier(uint32_t now, uint32_t a, uint32_t b) {
  if (a == kNoDeadline) return b;
  if (b == kNoDeadline) return a;
  return static_cast<int32_t>(a - now) <= static_cast<int32_t>(b - now) ? a : b;
}

// A reset chosen or a game loaded while the wait ran leaves the statement altogether.
void unwindIfAsked(Engine& e) {
  if (e.script.resetRequested) throw ScriptUnwind{ScriptUnwind::Reason::Reset};
  if (gameLoaded(e)) throw ScriptUnwind{ScriptUnwind::Reason::GameLoaded};
}

}  // namespace

WaitEnd runWaitLoop(Engine& e, const WaitSetup& setup) {
  // A game loaded by a command that does not wait (an effect's frame took the message)
  // ends the statement before anything else waits in it.
  if (gameLoaded(e)) throw ScriptUnwind{ScriptUnwind::Reason::GameLoaded};
  WaitingNote note(e, setup);
  WaitPass pass;
  pass.start = e.platform.timeGetTime();
  bool globalsSaved = !setup.saveGlobalsAfterOneSecond;
  for (;;) {
    pass.now = e.platform.timeGetTime();
    pass.pumped = false;
    if (!globalsSaved && static_cast<int64_t>(static_cast<uint32_t>(pass.now - pass.start)) > 1000) {
      globalsSaved = true;
      if (e.hooks.saveGlobals) e.hooks.saveGlobals(e);
    }
    if (setup.before && setup.before(pass)) return WaitEnd::Done;

    pass.pumped = e.platform.peekMessage(pass.message, 0, 0, true);
    if (pass.pumped) {
      e.platform.dispatchMessage(pass.message);
      // A game loaded from outside the wait (the automation's load) ends it like one
      // loaded from the menu.
      if (gameLoaded(e)) throw ScriptUnwind{ScriptUnwind::Reason::GameLoaded};
    }
    switch (setup.after ? setup.after(pass) : PassResult::Continue) {
      case PassResult::Continue: break;
      case PassResult::End: return WaitEnd::Done;
      case PassResult::RightClick:
        note.suspend();
        if (e.hooks.rightClickAction) e.hooks.rightClickAction(e);
        // The right-click routine took over: the wait is made again when it returns.
        if (e.script.rgosubTaken) return WaitEnd::Interrupted;
        unwindIfAsked(e);
        note.resume();
        break;
    }
    if (setup.animate && e.hooks.stepAnimations) e.hooks.stepAnimations(e);
    if (setup.afterAnimations && setup.afterAnimations(pass)) return WaitEnd::Done;

    if (!pass.pumped || setup.yieldEveryPass) {
      uint32_t now = e.platform.timeGetTime();
      uint32_t deadline = setup.deadline ? setup.deadline(pass) : kNoDeadline;
      if (setup.animate && e.hooks.nextAnimationDue) deadline = earlier(now, deadline, e.hooks.nextAnimationDue(e));
      if (!globalsSaved) deadline = earlier(now, deadline, pass.start + 1001);
      e.platform.waitForMessage(deadline);
    }
  }
}

bool gameLoaded(const Engine& e) { return e.text.gameLoaded != 0; }

bool waitPumpOne(Engine& e) { return e.platform.pumpOneMessage(); }

void waitUntil(Engine& e, uint32_t deadline, bool wakeOnInput) {
  uint32_t now = e.platform.timeGetTime();
  if (timeReached(now, deadline)) return;
  if (!wakeOnInput) {
    e.platform.sleep(deadline - now);
    return;
  }
  e.platform.waitForMessage(deadline);
}

}  // namespace veloria
