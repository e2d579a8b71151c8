// System menu and dialog state.
#pragma once

#include <cstdint>

namespace veloria {

// What a right click during a click wait or a choice does (rmenu, rgosub, rlookback, roff).
enum class RightClickAction : int32_t {
  Nothing = -2,     // roff
  TextLog = -1,     // rlookback
  HideWindow = 0,   // before any of the commands: the window is hidden until a click
  Menu = 1,         // rmenu
  Subroutine = 2,   // rgosub
};

struct UiState {
  RightClickAction rightClickAction = RightClickAction::HideWindow;
  int32_t rightClickOn = 1;  // rmode: 0 makes a right click do nothing (kept in save files)
};

}  // namespace veloria
