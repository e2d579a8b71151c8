// Waiting for the player or for time: the click wait with its animated cursor, timed waits
// and the window hidden until a click. Each is one run of the wait loop.
#include <algorithm>

#include "engine/engine.h"
#include "engine/menu_ids.h"
#include "engine/wait_loop.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "ui/ui.h"

namespace veloria {

bool pumpSawLeftRelease(Engine& e) {
  if (!waitPumpOne(e)) return false;
  return e.appWindow.lastMessage == WM_LBUTTONUP;
}

void dropQueuedClicks(Engine& e) {
  Message m;
  while (e.platform.peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true)) {
  }
  while (e.platform.peekMessage(m, WM_CHAR, WM_CHAR, true)) {
  }
}

void clearClickRequests(Engine& e) {
  e.text.advanceRequested = 0;
  e.text.menuRequested = 0;
}

void requestAdvance(Engine& e) { e.text.advanceRequested = 1; }
void requestMenu(Engine& e) { e.text.menuRequested = 1; }
void requestTextLog(Engine& e) { e.text.textLogRequested = 1; }
bool advanceRequested(const Engine& e) { return e.text.advanceRequested != 0; }
bool menuRequested(const Engine& e) { return e.text.menuRequested != 0; }

bool takeAdvanceRequest(Engine& e) {
  if (!e.text.advanceRequested) return false;
  e.text.advanceRequested = 0;
  return true;
}

bool takeMenuRequest(Engine& e) {
  if (!e.text.menuRequested) return false;
  e.text.menuRequested = 0;
  return true;
}

void noteClickPosition(Engine& e, int32_t x, int32_t y) {
  e.text.clickPos.x = x;
  e.text.clickPos.y = y;
}

bool skipModeOn(const Engine& e) { return e.text.skipMode != 0; }
void startSkipMode(Engine& e) { e.text.skipMode = 1; }
void endSkipMode(Engine& e) { e.text.skipMode = 0; }
void startAutoMode(Engine& e) { e.text.autoMode = 1; }

bool endAutoAndSkipModes(Engine& e) {
  TextState& t = e.text;
  const bool wasOn = t.autoMode || t.skipMode;
  t.autoMode = 0;
  t.skipMode = 0;
  return wasOn;
}

void stopReadingModes(Engine& e) {
  endAutoAndSkipModes(e);
  e.text.autoClick = 0;
}

bool setPageOnlyMode(Engine& e, bool on) {
  if (on && e.text.autoClick) return false;
  e.text.pageOnlyMode = on ? 1 : 0;
  return true;
}

void setMenuSpeed(Engine& e, int index) {
  e.text.menuSpeedIndex = index;
  e.platform.menu().checkRadio(IDM_SPEED_SLOW + index, {IDM_SPEED_SLOW, IDM_SPEED_NORMAL, IDM_SPEED_FAST});
}
void chooseFace(Engine& e, const std::string& face) { e.text.chosenFaceName = face; }

void setFace(Engine& e, const std::string& face) {
  e.text.chosenFaceName = face;
  e.text.faceName = face;
}

const std::string& defaultFace(const Engine& e) { return e.text.defaultFaceName; }
void useDefaultFace(Engine& e) { setFace(e, e.text.defaultFaceName); }


void noteGameLoaded(Engine& e) { e.text.gameLoaded = 1; }
void clearGameLoaded(Engine& e) { e.text.gameLoaded = 0; }

void playClickVoice(Engine& e, const std::string& name) {
  if (!name.empty()) playWave(e, name, false);
}

void eraseWindowUntilClick(Engine& e) {
  TextState& t = e.text;
  if (!t.windowShown) return;
  int saved = t.eraseWindowOnEffect;
  t.eraseWindowOnEffect = 1;
  hideTextWindow(e);
  t.eraseWindowOnEffect = saved;
  WaitSetup setup;
  setup.kind = WaitKind::Click;
  setup.autoX = e.app.screenWidth / 2;
  setup.autoY = e.app.screenHeight / 2;
  setup.before = [&t](const WaitPass&) { return t.advanceRequested || t.menuRequested; };
  runWaitLoop(e, setup);
  t.advanceRequested = 0;
  t.menuRequested = 0;
  showTextWindow(e);
}

void timedWait(Engine& e, int32_t ms, bool interruptible) {
  dropQueuedClicks(e);
  const uint32_t t0 = e.platform.timeGetTime();
  WaitSetup setup;
  setup.yieldEveryPass = true;
  setup.after = [&e, interruptible](const WaitPass& p) {
    return p.pumped && interruptible && e.appWindow.lastMessage == WM_LBUTTONUP ? PassResult::End
                                                                                : PassResult::Continue;
  };
  setup.afterAnimations = [&e, t0, ms](const WaitPass&) {
    return static_cast<int64_t>(static_cast<int32_t>(e.platform.timeGetTime() - t0)) >= ms;
  };
  setup.deadline = [t0, ms](const WaitPass&) { return t0 + static_cast<uint32_t>(std::max(ms, 0)); };
  runWaitLoop(e, setup);
}

namespace {

// The wait cursor and the picture under it.
struct CursorArea {
  ImageObject* cursor = nullptr;
  int x = 0, y = 0, w = 0, h = 0;
  ImageObject saved;
  bool shown = false;
};

void restoreCursorArea(Engine& e, CursorArea& c) {
  if (!c.shown) return;
  copyRect(c.saved, 0, 0, e.gfx.displaySurface, c.x, c.y, c.w, c.h);
  presentCell(e, c.x, c.y, c.w, c.h);
}

void drawCursorCell(Engine& e, CursorArea& c) {
  copyRect(c.saved, 0, 0, e.gfx.displaySurface, c.x, c.y, c.w, c.h);
  drawImage(e, *c.cursor, e.gfx.displaySurface, nullptr, c.x, c.y);
  presentCell(e, c.x, c.y, c.w, c.h);
}

int32_t cursorInterval(const ImageObject& img) {
  if (img.cellInterval != -1) return img.cellInterval;
  size_t i = static_cast<size_t>(std::clamp(img.currentCell, 0, img.cellCount - 1));
  return i < img.cellIntervals.size() ? img.cellIntervals[i] : 0;
}

// One step of the wait cursor's cell animation (loop modes as the sprites have them, but a
// cursor stopped on its last cell also takes the time).
void animateCursor(Engine& e, CursorArea& c, uint32_t now) {
  ImageObject& img = *c.cursor;
  int cells = img.cellCount;
  if (cells < 2) return;
  if (static_cast<int64_t>(now - img.animStart) <= cursorInterval(img)) return;
  int oldCell = img.currentCell, oldStep = img.animStep;
  img.currentCell += img.animStep;
  if (img.currentCell < 0 || img.currentCell >= cells) {
    switch (img.animMode) {
      case ANIM_LOOP: img.currentCell = 0; break;
      case ANIM_STOP:
        img.currentCell = cells - 1;
        img.animStart = now;
        return;
      case ANIM_BOUNCE:
        img.animStep = -oldStep;
        img.currentCell = oldCell - oldStep;
        break;
      default: break;
    }
    img.currentCell = std::clamp(img.currentCell, 0, cells - 1);
  }
  drawCursorCell(e, c);
  img.animStart = now;
}

uint32_t nextCursorStep(const CursorArea& c) {
  if (!c.shown || !c.cursor->hasPicture() || c.cursor->cellCount < 2) return kNoDeadline;
  return c.cursor->animStart + static_cast<uint32_t>(std::max(cursorInterval(*c.cursor), 0)) + 1;
}

// Milliseconds auto mode waits at least: fixed, or per character of the last line.
int64_t autoModeDelay(const TextState& t) {
  return t.autoModeTime >= 0 ? t.autoModeTime
                             : static_cast<int64_t>(t.lastLineChars) * -static_cast<int64_t>(t.autoModeTime);
}

// Auto mode ends a wait once its time has passed and the voice has finished.
bool autoModeDone(Engine& e, uint32_t t0, uint32_t now) {
  if (static_cast<int64_t>(static_cast<uint32_t>(now - t0)) < autoModeDelay(e.text)) return false;
  return waveVoiceEnded(e) && channelVoiceEnded(e);
}

uint32_t earlier(uint32_t now, uint32_t a, uint32_t b) {
  if (a == kNoDeadline) return b;
  if (b == kNoDeadline) return a;
  return static_cast<int32_t>(a - now) <= static_cast<int32_t>(b - now) ? a : b;
}

// While auto mode waits for a voice to finish, it looks again this often.
constexpr uint32_t kVoicePollMs = 10;

}  // namespace

void clickWait(Engine& e) {
  TextState& t = e.text;
  clearRgosubTaken(e);
  waitPumpOne(e);
  dropQueuedClicks(e);
  t.advanceRequested = 0;
  t.menuRequested = 0;
  t.textLogRequested = 0;

  CursorArea c;
  if (t.waitCursorKind == WaitCursor::Click || t.waitCursorKind == WaitCursor::Page) {
    ImageObject& img = t.waitCursors[t.waitCursorKind == WaitCursor::Page ? 1 : 0];
    c.cursor = &img;
    c.x = t.waitCursorPos.x;
    c.y = t.waitCursorPos.y;
    c.w = img.visibleWidth() + 1;
    c.h = img.visibleHeight() + 1;
    createSurface(c.saved, c.w, c.h, 24);
    copyRect(e.gfx.displaySurface, c.x, c.y, c.saved, 0, 0, c.w, c.h);
    c.shown = true;
    // A one-cell cursor is never animated: show it for the whole wait.
    if (img.cellCount < 2 && img.hasPicture()) drawCursorCell(e, c);
  }
  // Leaving by a reset or a loaded game puts no pixels back (the screen is rebuilt), but
  // the cursor is no longer on it.
  struct CursorKindScope {
    TextState& t;
    bool done = false;
    ~CursorKindScope() {
      if (!done) t.waitCursorKind = WaitCursor::None;
    }
  } cursorScope{t};

  WaitSetup setup;
  setup.kind = WaitKind::Click;
  setup.autoX = e.app.screenWidth / 2;
  setup.autoY = e.app.screenHeight / 2;
  setup.saveGlobalsAfterOneSecond = true;
  setup.before = [&](const WaitPass& p) {
    if (t.autoMode && autoModeDone(e, p.start, p.now)) return true;
    return t.autoClick && static_cast<int64_t>(static_cast<uint32_t>(p.now - p.start)) >= t.autoClickTime;
  };
  setup.after = [&](const WaitPass&) {
    if (t.autoClick) return PassResult::Continue;
    if (t.advanceRequested) {
      t.advanceRequested = 0;
      return PassResult::End;
    }
    if (t.skipMode) return PassResult::End;
    if (t.textLogRequested) {
      t.textLogRequested = 0;
      // The viewer draws over the window; the cursor goes first and comes back after.
      restoreCursorArea(e, c);
      if (showTextLog(e) && c.shown) {
        copyRect(e.gfx.displaySurface, c.x, c.y, c.saved, 0, 0, c.w, c.h);
        if (c.cursor->hasPicture()) drawCursorCell(e, c);
      }
      return PassResult::Continue;
    }
    if (!t.menuRequested) return PassResult::Continue;
    t.menuRequested = 0;
    if (rightClickAction(e) == RightClickAction::Subroutine && c.shown) {
      restoreCursorArea(e, c);
      c.shown = false;
      t.waitCursorKind = WaitCursor::None;
    }
    return PassResult::RightClick;
  };
  setup.afterAnimations = [&](const WaitPass&) {
    if (c.shown && c.cursor->hasPicture()) animateCursor(e, c, e.platform.timeGetTime());
    return false;
  };
  setup.deadline = [&](const WaitPass& p) {
    const uint32_t now = e.platform.timeGetTime();
    uint32_t d = nextCursorStep(c);
    if (t.autoClick) d = earlier(now, d, p.start + static_cast<uint32_t>(std::max(t.autoClickTime, 0)));
    if (t.autoMode) {
      int64_t need = autoModeDelay(t);
      uint32_t due = p.start + static_cast<uint32_t>(std::clamp<int64_t>(need, 0, INT32_MAX));
      d = earlier(now, d, timeReached(now, due) ? now + kVoicePollMs : due);
    }
    return d;
  };
  // The page is read aloud as it stops for the player (skipping never stops).
  if (!t.skipMode) sayPageText(e, t.pageText);
  WaitEnd end = runWaitLoop(e, setup);
  cursorScope.done = true;
  if (end == WaitEnd::Interrupted) return;
  if (!t.skipMode) playClickVoice(e, t.clickVoices[t.waitCursorKind == WaitCursor::Page ? 1 : 0]);
  if (c.shown) {
    restoreCursorArea(e, c);
    t.waitCursorKind = WaitCursor::None;
  }
}

}  // namespace veloria
