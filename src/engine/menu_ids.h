// The menu bar's command ids (WM_COMMAND's wParam): the shell builds the bar and answers
// them; the subsystems tick their items.
#pragma once

namespace veloria {

// Menu command ids.
enum MenuId : int {
  IDM_EXIT = 40001,
  IDM_FULLSCREEN = 40002,
  IDM_WINDOWED = 40003,
  IDM_FONT_DEFAULT = 40004,
  IDM_VERSION = 40005,
  IDM_SKIP_TO_CHOICE = 40006,
  IDM_PAGE_ONLY = 40007,
  IDM_PAGE_DEFAULT = 40008,
  IDM_SPEED_SLOW = 40014,
  IDM_SPEED_NORMAL = 40015,
  IDM_SPEED_FAST = 40016,
  IDM_WAVE_ON = 40017,
  IDM_WAVE_OFF = 40018,
  IDM_AUTO_MODE = 40019,
  IDM_CD_DRIVE = 40020,
  IDM_CD_ON = 40021,
  IDM_CD_OFF = 40022,
  // The magnification items of 画面, numbered apart from the other items and the font items.
  IDM_SCALE_SHARP = 40101,
  IDM_SCALE_SMOOTH = 40102,
  // 画面 → 読み上げ: reading aloud on or off.
  IDM_READ_ALOUD = 40103,
};

}  // namespace veloria
