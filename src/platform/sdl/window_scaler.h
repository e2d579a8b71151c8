// The real window's size and magnification: the first size (--scale, the remembered one or
// 1x), the layout of picture and menu strip after every resize, the windowed
// place to return to from full screen, and the record written when the window closes.
#pragma once

#include <SDL.h>

#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/window_layout.h"
#include "platform/window_record.h"

namespace veloria {

class WindowScaler {
 public:
  explicit WindowScaler(WindowOptions options) : options_(std::move(options)) {}

  // Creates the hidden window for a client of cw x ch at its first size and place. The
  // remembered magnification mode, if any, is in *mode afterwards.
  SDL_Window* create(int cw, int ch, ScaleMode* mode);
  // The game's screen changed size (";mode800"). Before the window is shown it gets its first
  // size for the new screen; afterwards it keeps its whole-number magnification.
  void clientResized(SDL_Window* w, int cw, int ch, bool shown, bool fullscreen);
  // Recomputes where things go from the window's current size.
  const ScaleLayout& relayout(SDL_Window* w, SDL_Renderer* r, int cw, int ch, ScaleMode mode, bool fullscreen);
  const ScaleLayout& layout() const { return layout_; }
  // The windowed size and place, kept while windowed so full screen can return to them.
  void noteWindowed(SDL_Window* w);
  void restoreWindowed(SDL_Window* w);
  // Writes the record (the windowed geometry even when closed in full screen).
  void save(SDL_Window* w, int cw, int ch, ScaleMode mode, bool fullscreen);

 private:
  SDL_Rect firstGeometry(int cw, int ch) const;

  WindowOptions options_;
  std::optional<WindowRecord> record_;
  SDL_Rect windowed_{20, 50, 0, 0};
  bool haveWindowed_ = false;
  ScaleLayout layout_;
};

}  // namespace veloria
