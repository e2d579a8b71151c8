// Scene settings that the text subsystem owns (the text window layer, humanz, underline)
// as the composition reads them.
#pragma once

#include "app/engine.h"

namespace veloria {

inline int humanzDepthOf(const Engine&) { return 127; }
inline int underlineOf(const Engine& e) { return e.app.screenHeight; }
inline bool windowInFrameOf(const Engine&) { return false; }
inline bool windowBehindOf(const Engine&) { return false; }
// Sprites 0-9 are left out while the system menu draws over a mode_saya game.
inline bool systemMenuHidesLowSprites(const Engine&) { return false; }

}  // namespace veloria
