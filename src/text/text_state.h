// Text display state: the text window, typing, waits and the input flags raised by the
// window procedure.
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

struct ClickPos {
  int32_t x = 0;
  int32_t y = 0;
};

struct TextState {
  // Input and mode flags (raised by the window procedure, consumed by the waits).
  int32_t advanceRequested = 0;
  int32_t menuRequested = 0;
  ClickPos clickPos;
  int32_t skipMode = 0;
  int32_t autoMode = 0;
  int32_t autoClick = 0;  // autoclick interval in ms, 0 = off
  int32_t pageOnlyMode = 0;
  int32_t menuSpeedIndex = 1;
  // Fonts: the face the menu chose, the script's default, and the one in use (Shift-JIS).
  std::string chosenFaceName;
  std::string defaultFaceName;
  std::string faceName;
  int32_t cursorColumn = 0;
  int32_t cursorLine = 0;
};

}  // namespace veloria
