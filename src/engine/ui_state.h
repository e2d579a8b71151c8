// System menu and dialog state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

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

// The system actions (rmenu items, systemcall).
enum SystemAction : int {
  kActionLookback = 0,
  kActionWindowErase = 1,
  kActionLoad = 2,
  kActionSave = 3,
  kActionReset = 4,
  kActionSkip = 5,
  kActionSaveDialog = 6,
  kActionLoadDialog = 7,
  kActionLookback2 = 8,
  kActionResetDialog = 9,
};

// The right-click menu of rmenu: each item's label (Shift-JIS) and action.
struct RightMenuItem {
  std::string label;
  int32_t action = kActionLookback;
};

// A system menu on the screen, for the state dump: a slot list, a question, or the
// right-click menu. Items carry their rectangles (right/bottom exclusive).
enum class SystemMenuKind { RightClick, Save, Load, Confirm };
struct SystemMenuItemBox {
  std::string text;  // Shift-JIS
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool available = true;
};
struct OpenSystemMenu {
  SystemMenuKind kind = SystemMenuKind::RightClick;
  std::string title;  // Shift-JIS: the slot list's title or the question
  std::vector<SystemMenuItemBox> items;
  int32_t highlighted = -1;
};

struct UiState {
  RightClickAction rightClickAction = RightClickAction::HideWindow;
  int32_t rightClickOn = 1;  // rmode: 0 makes a right click do nothing (kept in save files)
  std::array<uint32_t, 3> menuColors{0xFFFFFF, 0xAAAAAA, 0x555599};
  std::array<std::string, 7> menuVoices;
  MenuWindow menuWindow;
  std::vector<RightMenuItem> rightMenu;  // rmenu: replaced as a whole by each rmenu
  int32_t menuActive = 0;               // a system action runs; another request is ignored
  std::string saveDialogText;           // systemcall savedlg's string (kept, not shown)
  // The system menus open now, innermost last (a question opened from a slot list).
  std::vector<OpenSystemMenu> openMenus;
};

}  // namespace veloria
