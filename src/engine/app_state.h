#pragma once

#include <cstdint>
#include <string>

#include "engine/menu_ids.h"

namespace veloria {

// The main window's record: what the window procedure last saw.
struct AppWindow {
  int32_t fullScreen = 0;
  uint32_t lastMessage = 0;
  int32_t lastX = 0;  // also the character code of the last WM_CHAR
  int32_t lastY = 0;
  int32_t menuHidden = 0;  // full screen: the menu bar is detached below the top strip
  int32_t leftButtonDown = 0;  // between a left button's press over the window and its release
};

struct ScriptErrorRecord {
  bool set = false;
  std::string caption;  // Shift-JIS
  std::string message;  // Shift-JIS, with the file/line and excerpt
};

struct AppState {
  // What the system commands set.
  int32_t autoModeAllowed = 0;  // mode_ext / automode in the define block
  int32_t pictureViewFlag = 0;  // mode_saya
  int32_t customCursorSet = 0;  // mousecursor gave a cursor file
  // The About box (versionstr), Shift-JIS.
  std::string versionLines[2] = {"Veloria Version 1.4", "(C) The Veloria developers"};
  // Set while --coverage records which statements run (check/coverage.h).
  struct CoverageRecorder* coverage = nullptr;
  int32_t screenWidth = 640;
  int32_t screenHeight = 480;
  int32_t debugMode = 0;
  int32_t cdFadeOff = 0;
  int32_t quitRequested = 0;
  std::string tempDirectory;  // host path, ends in '/'
  int32_t selectedFontItem = IDM_FONT_DEFAULT;
  int32_t engineCycles = 0;  // completed define passes (1 after the first start)
  int exitCode = 0;          // handed to ProcessExit when the window is destroyed
  ScriptErrorRecord error;   // the fatal script error that ended the run, if any
  bool autoplay = false;     // --autoplay (AppOptions::autoplay)
};

}  // namespace veloria
