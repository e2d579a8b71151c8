// Hosting the dialogs of dialog_ui.h: their own loop (the caret blinks, the owner window
// keeps its timers and painting), their events and their picture.
#include <SDL.h>

#include <algorithm>

#include "platform/sdl/dialog_ui.h"
#include "platform/sdl/sdl_platform.h"

namespace veloria::sdl {

DialogAnswer SdlPlatform::showInputDialog(const InputDialogSetup& setup) {
  DialogUi d(setup);
  DialogAnswer a;
  a.end = runDialog(d);
  a.text = d.text();
  return a;
}

DialogAnswer SdlPlatform::showListDialog(const ListDialogSetup& setup) {
  DialogUi d(setup);
  DialogAnswer a;
  a.end = runDialog(d);
  a.selection = d.selection();
  return a;
}

DialogPainter SdlPlatform::dialogPainter() {
  DialogPainter p;
  p.fill = [this](const SDL_Rect& r, uint32_t c) { fill(r, c); };
  p.frame = [this](const SDL_Rect& r, uint32_t c) { frame(r, c); };
  p.text = [this](const std::string& t, int x, int y, uint32_t c) { drawText(t, x, y, c); };
  p.measure = [this](const std::string& t) { return font().measure(t); };
  p.clip = [this](const SDL_Rect* r) { SDL_RenderSetClipRect(renderer_, r); };
  p.lineHeight = std::max(font().lineHeight(), 14 * uiScale_);
  p.scale = uiScale_;
  return p;
}

// The dialog's own loop; the caret blinks every 500 ms, otherwise it sleeps until input or
// the owner's next timer tick.
DialogEnd SdlPlatform::runDialog(DialogUi& d) {
  // Before the window shows (a define block asking) there is nobody to ask.
  if (!renderer_ || !shown_) return DialogEnd::Unanswered;
  // The dialog leaves the screen however its loop ends: a fatal error from a timer tick or
  // the desktop ending the program unwinds through here.
  struct Shown {
    SdlPlatform& p;
    DialogUi* outer;
    ~Shown() {
      p.dialog_ = outer;
      p.caretOn_ = true;
    }
  } shownScope{*this, dialog_};
  dialog_ = &d;
  menuUi_.close();
  if (d.isInput()) SDL_StartTextInput();
  render();
  uint32_t blinkAt = SDL_GetTicks() + 500;
  while (d.result() == DialogUi::Result::Open) {
    SDL_Event ev;
    bool changed = false;
    if (SDL_WaitEventTimeout(&ev, ownerWaitMs(d.isInput() ? blinkAt : kNoDeadline))) {
      do {
        changed = dialogEvent(d, ev) || changed;
      } while (d.result() == DialogUi::Result::Open && SDL_PollEvent(&ev));
    }
    if (terminationRequested && onQuitRequest) {
      terminationRequested = 0;
      onQuitRequest();
    }
    serviceOwner();
    if (d.isInput() && static_cast<int32_t>(SDL_GetTicks() - blinkAt) >= 0) {
      caretOn_ = !caretOn_;
      blinkAt = SDL_GetTicks() + 500;
      changed = true;
    }
    if (changed) render();
  }
  dialog_ = shownScope.outer;
  render();
  return d.result() == DialogUi::Result::Ok ? DialogEnd::Ok : DialogEnd::Cancel;
}

bool SdlPlatform::dialogEvent(DialogUi& d, const SDL_Event& ev) {
  auto drawable = [&](int x, int y) { return scaler_.layout().toDrawable(x, y); };
  SDL_Event key;
  if (padEventAsKey(ev, key)) return dialogEvent(d, key);
  switch (ev.type) {
    case SDL_WINDOWEVENT:
      if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
        d.closeRequested();
      } else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        if (!fullscreen_) scaler_.noteWindowed(window_);
        layout();
        return true;
      } else if (ev.window.event == SDL_WINDOWEVENT_MOVED && !fullscreen_) {
        scaler_.noteWindowed(window_);
      }
      return false;
    case SDL_KEYDOWN: caretOn_ = true; return d.key(ev.key.keysym.sym, ev.key.keysym.mod);
    case SDL_TEXTINPUT: caretOn_ = true; return d.textInput(ev.text.text);
    case SDL_TEXTEDITING: return d.textEditing(ev.edit.text, ev.edit.start);
#if SDL_VERSION_ATLEAST(2, 0, 22)
    case SDL_TEXTEDITING_EXT: {
      bool changed = d.textEditing(ev.editExt.text, ev.editExt.start);
      SDL_free(ev.editExt.text);
      return changed;
    }
#endif
    case SDL_MOUSEBUTTONDOWN:
      if (ev.button.button != SDL_BUTTON_LEFT) return false;
      return d.mouseDown(drawable(ev.button.x, ev.button.y).x, drawable(ev.button.x, ev.button.y).y);
    case SDL_MOUSEBUTTONUP:
      if (ev.button.button != SDL_BUTTON_LEFT) return false;
      return d.mouseUp(drawable(ev.button.x, ev.button.y).x, drawable(ev.button.x, ev.button.y).y);
    case SDL_MOUSEWHEEL: return d.wheel(ev.wheel.y);
    default: return false;
  }
}

void SdlPlatform::paintDialog(DialogUi& d) {
  DialogPainter p = dialogPainter();
  d.layout(clientDst_, p);
  d.paint(p, caretOn_);
  // The input method's candidate window opens below the field (window coordinates).
  if (d.isInput()) {
    SDL_Rect r = d.fieldRect();
    int ww = 0, wh = 0, dw = 0, dh = 0;
    SDL_GetWindowSize(window_, &ww, &wh);
    SDL_GetRendererOutputSize(renderer_, &dw, &dh);
    if (dw > 0 && dh > 0) r = SDL_Rect{r.x * ww / dw, r.y * wh / dh, r.w * ww / dw, r.h * wh / dh};
    SDL_SetTextInputRect(&r);
  }
}

}  // namespace veloria::sdl
