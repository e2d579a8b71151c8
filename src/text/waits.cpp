// Waiting for the player or for time: the click wait with its animated cursor, timed waits,
// the animation step of every wait loop, and the right-click action of a wait.
#include <algorithm>

#include "app/app.h"
#include "app/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "ui/ui.h"

namespace veloria {

bool pumpSawLeftRelease(Engine& e) {
  if (!pumpOneMessage(e)) return false;
  return e.appWindow.lastMessage == WM_LBUTTONUP;
}

void dropQueuedClicks(Engine& e) {
  Message m;
  while (e.platform.peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true)) {
  }
  while (e.platform.peekMessage(m, WM_CHAR, WM_CHAR, true)) {
  }
}

void stepAnimations(Engine& e) { stepCellAnimations(e); }

void noteGameLoaded(Engine& e) { e.text.gameLoaded = 1; }

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
  e.platform.noteWaiting(WaitKind::Click, e.app.screenWidth / 2, e.app.screenHeight / 2);
  while (!t.advanceRequested && !t.menuRequested) {
    if (!pumpOneMessage(e)) e.platform.sleep(1);
    stepAnimations(e);
  }
  e.platform.noteWaiting(WaitKind::None);
  t.advanceRequested = 0;
  t.menuRequested = 0;
  showTextWindow(e);
}

void timedWait(Engine& e, int32_t ms, bool interruptible) {
  dropQueuedClicks(e);
  uint32_t t0 = e.platform.timeGetTime();
  while (true) {
    if (pumpSawLeftRelease(e) && interruptible) return;
    stepAnimations(e);
    if (static_cast<int64_t>(static_cast<int32_t>(e.platform.timeGetTime() - t0)) >= ms) return;
    e.platform.sleep(0);
  }
}

namespace {

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

// One step of the wait cursor's cell animation (loop modes as the sprites have them, but a
// cursor stopped on its last cell also takes the time).
void animateCursor(Engine& e, CursorArea& c, uint32_t now) {
  ImageObject& img = *c.cursor;
  int cells = img.cellCount;
  if (cells < 2) return;
  int32_t interval = img.cellInterval;
  if (interval == -1) {
    size_t i = static_cast<size_t>(std::clamp(img.currentCell, 0, cells - 1));
    interval = i < img.cellIntervals.size() ? img.cellIntervals[i] : 0;
  }
  if (static_cast<int64_t>(now - img.animStart) <= interval) return;
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

bool autoModeDone(Engine& e, uint32_t t0, uint32_t now) {
  // The voice queries answer "nothing playing" until the sound subsystem is here.
  const TextState& t = e.text;
  int64_t need = t.autoModeTime >= 0 ? t.autoModeTime
                                     : static_cast<int64_t>(t.lastLineChars) * -static_cast<int64_t>(t.autoModeTime);
  return static_cast<int64_t>(static_cast<uint32_t>(now - t0)) >= need;
}

}  // namespace

void clickWait(Engine& e) {
  TextState& t = e.text;
  e.script.rgosubTaken = 0;
  pumpOneMessage(e);
  dropQueuedClicks(e);
  t.advanceRequested = 0;
  t.menuRequested = 0;

  CursorArea c;
  if (t.waitCursorKind == 1 || t.waitCursorKind == 2) {
    ImageObject& img = t.waitCursors[static_cast<size_t>(t.waitCursorKind - 1)];
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

  e.platform.noteWaiting(WaitKind::Click, e.app.screenWidth / 2, e.app.screenHeight / 2);
  const uint32_t t0 = e.platform.timeGetTime();
  bool globalsSaved = false;
  bool interrupted = false;
  while (true) {
    uint32_t now = e.platform.timeGetTime();
    if (!globalsSaved && static_cast<int64_t>(static_cast<uint32_t>(now - t0)) > 1000) {
      globalsSaved = true;
      writePersistentState(e);
    }
    if (t.autoMode && autoModeDone(e, t0, now)) break;
    if (t.autoClick && static_cast<int64_t>(static_cast<uint32_t>(now - t0)) >= t.autoClickTime) break;
    bool any = pumpOneMessage(e);
    if (!t.autoClick) {
      if (t.advanceRequested) {
        t.advanceRequested = 0;
        break;
      }
      if (t.skipMode) break;
      if (t.menuRequested) {
        t.menuRequested = 0;
        if (e.ui.rightClickAction == 2 && c.shown) {
          restoreCursorArea(e, c);
          c.shown = false;
          t.waitCursorKind = 0;
        }
        e.platform.noteWaiting(WaitKind::None);
        runSystemAction(e, -1);
        if (e.ui.rightClickAction == 2 || e.script.resetRequested || t.gameLoaded) {
          interrupted = true;
          break;
        }
        e.platform.noteWaiting(WaitKind::Click, e.app.screenWidth / 2, e.app.screenHeight / 2);
      }
    }
    stepAnimations(e);
    if (c.shown && c.cursor->hasPicture()) animateCursor(e, c, e.platform.timeGetTime());
    if (!any) e.platform.sleep(0);
  }
  e.platform.noteWaiting(WaitKind::None);
  if (interrupted) return;
  if (!t.skipMode) playClickVoice(e, t.clickVoices[t.waitCursorKind == 2 ? 1 : 0]);
  if (c.shown) {
    restoreCursorArea(e, c);
    t.waitCursorKind = 0;
  }
}

}  // namespace veloria
