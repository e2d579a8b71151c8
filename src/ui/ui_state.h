// System menu and dialog state.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace veloria {

// What a right click during a click wait or a choice does (rmenu, rgosub, rlookback, roff).
enum class RightClickAction : int32_t {
  Nothing = -2,     // roff
  TextLog = -1,     // rlookback
  HideWindow = 0,   // before any of the commands: the window is hidden until a click
  Menu = 1,         // rmenu
  Subroutine = 2,   // rgosub
};

// The system menus' colours, 0xRRGGBB (menuselectcolor).
enum MenuColor : int { kMenuColorOver = 0, kMenuColorNormal = 1, kMenuColorUnavailable = 2 };
// The system menus' voices (menuselectvoice); empty = silent.
enum MenuVoice : int {
  kMenuVoiceOpen = 0,
  kMenuVoiceCancel = 1,
  kMenuVoiceOver = 2,
  kMenuVoiceChoose = 3,
  kMenuVoiceRefuse = 4,
  kMenuVoiceYes = 5,
  kMenuVoiceNo = 6,
};

// The glyphs and backdrop of the system menus (menusetwindow).
struct MenuWindow {
  int32_t glyphWidth = 26, glyphHeight = 26;
  int32_t pitchX = 26, pitchY = 28;
  int32_t bold = 0, shadow = 0;
  uint32_t color = 0x999999;  // the tint of the backdrop
};

struct UiState {
  RightClickAction rightClickAction = RightClickAction::HideWindow;
  int32_t rightClickOn = 1;  // rmode: 0 makes a right click do nothing (kept in save files)
  std::array<uint32_t, 3> menuColors{0xFFFFFF, 0xAAAAAA, 0x555599};
  std::array<std::string, 7> menuVoices;
  MenuWindow menuWindow;
};

}  // namespace veloria
