// Scene settings that the text subsystem owns (the text window layer, humanz, underline)
// as the composition reads them.
#pragma once

#include "engine/engine.h"

namespace veloria {

inline int humanzDepthOf(const Engine& e) { return e.text.humanzDepth; }
inline int underlineOf(const Engine& e) { return e.text.underlineValue; }
inline bool windowInFrameOf(const Engine& e) { return e.text.windowInFrame != 0; }
inline bool windowBehindOf(const Engine& e) { return e.text.windowBehind != 0; }
// Sprites 0-9 are left out while the system menu draws over a mode_saya game.
inline bool systemMenuHidesLowSprites(const Engine& e) {
  return e.app.pictureViewFlag != 0 && e.gfx.systemMenuComposing != 0;
}

}  // namespace veloria
