// Hosting the game library of library_ui.h: its loop, which sleeps until the player does
// something, its events (a folder dropped on the window among them) and its picture.
#include <SDL.h>

#include "platform/sdl/sdl_platform.h"

namespace veloria::sdl {

LibraryAction SdlPlatform::showLibrary(const LibraryView& view) {
  if (!renderer_) return {};
  if (!library_) library_ = std::make_unique<LibraryUi>();
  library_->setView(view);
  if (!shown_) showWindow();
  // Dropped files come only here: elsewhere nobody would take (and free) their names.
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  struct DropsOff {
    ~DropsOff() { SDL_EventState(SDL_DROPFILE, SDL_DISABLE); }
  } dropsOff;
  render();
  for (;;) {
    SDL_Event ev;
    // Blocks: nothing runs until an event comes (the second is for a termination signal).
    if (SDL_WaitEventTimeout(&ev, 1000)) {
      bool changed = false;
      do {
        changed = libraryEvent(ev) || changed;
      } while (!library_->hasAction() && SDL_PollEvent(&ev));
      if (changed) render();
    }
    if (terminationRequested) {
      terminationRequested = 0;
      return {};
    }
    if (auto a = library_->takeAction()) {
      if (a->kind == LibraryAction::Kind::Close) library_.reset();
      return *a;
    }
  }
}

bool SdlPlatform::libraryEvent(const SDL_Event& ev) {
  LibraryUi& l = *library_;
  auto drawable = [&](int x, int y) { return scaler_.layout().toDrawable(x, y); };
  switch (ev.type) {
    case SDL_QUIT: l.closeRequested(); return false;
    case SDL_WINDOWEVENT:
      if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
        l.closeRequested();
        return false;
      }
      if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        layout();
        return true;
      }
      return false;
    case SDL_KEYDOWN: return l.key(ev.key.keysym.sym, ev.key.keysym.mod);
    case SDL_MOUSEBUTTONDOWN: {
      if (ev.button.button != SDL_BUTTON_LEFT) return false;
      WindowPoint p = drawable(ev.button.x, ev.button.y);
      return l.mouseDown(p.x, p.y, ev.button.clicks);
    }
    case SDL_MOUSEBUTTONUP: {
      if (ev.button.button != SDL_BUTTON_LEFT) return false;
      WindowPoint p = drawable(ev.button.x, ev.button.y);
      return l.mouseUp(p.x, p.y);
    }
    case SDL_MOUSEWHEEL: return l.wheel(ev.wheel.y);
    case SDL_DROPFILE:
      if (ev.drop.file) {
        l.drop(ev.drop.file);
        SDL_free(ev.drop.file);
      }
      return false;
    default: return false;
  }
}

}  // namespace veloria::sdl
