// A painter for the SDL dialog models without a window: every byte 8 pixels wide, lines 14
// high, at 1x; the drawing itself is not looked at.
#pragma once

#include "platform/sdl/dialog_ui.h"

namespace veloria::test {

inline DialogPainter stubPainter() {
  DialogPainter p;
  p.fill = [](const SDL_Rect&, uint32_t) {};
  p.frame = [](const SDL_Rect&, uint32_t) {};
  p.text = [](const std::string&, int, int, uint32_t) {};
  p.measure = [](const std::string& s) { return static_cast<int>(s.size()) * 8; };
  p.clip = [](const SDL_Rect*) {};
  p.lineHeight = 14;
  p.scale = 1;
  return p;
}

}  // namespace veloria::test
