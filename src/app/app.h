// The application shell: start-up, the engine life cycle, the window procedure and menu.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace veloria {

struct Engine;

// Exit codes of the program.
enum ExitCode : int {
  kExitNormal = 0,
  kExitScriptError = 1,
  kExitUsage = 2,
  kExitTimeout = 3,
  kExitAlreadyRunning = 4,
  kExitNoDisplay = 5,
};

struct AppOptions {
  std::string gameDir = ".";
  std::string dumpOnExit;        // JSON file written when the run ends
  std::string screenshotOnExit;  // PNG file written when the run ends
  // The label the first game pass starts at instead of start (without '*'); empty = start.
  std::string warpLabel;
  // lcov tracefile of the script lines the run executed, written when the run ends.
  std::string coverageFile;
  // Headless autoplay: the system menus a script opens itself are left as a right click
  // leaves them (autoplay only ever clicks the left button).
  bool autoplay = false;
  // Called once the run has ended, before the engine is torn down (tests look at the state).
  std::function<void(Engine&)> beforeExit;
};

// Runs the whole program on `platform` until the window is destroyed; returns the exit code.
int runApplication(Platform& platform, const AppOptions& options);

// The interpreter loop: the define pass (true) from label define up to `game`, or the game
// pass, until the run ends.
void runInterpreter(Engine& e, bool definePass);
void dispatchCommand(Engine& e, std::string_view word, bool definePass);
// The return to the start of the game: sound stops, every subsystem's game state goes back,
// and the script goes on at *start.
void resetEngine(Engine& e);

// The window procedure.
void windowProc(Engine& e, const Message& m);
// Removes and dispatches one message; false when there was none.
bool pumpOneMessage(Engine& e);
// Every subsystem back to its define-block defaults (the start of each engine cycle).
void restoreAllDefaults(Engine& e);
// Switches to 800x600 (the script's ";mode800" first line).
void switchTo800(Engine& e);
// DestroyWindow: the orderly shut-down; ends the run with e.app.exitCode.
[[noreturn]] void destroyMainWindow(Engine& e);
// Repaints the window from the composed screen (WM_PAINT's work).
void paintWindow(Engine& e);

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
};

// The debug build's variable poke (About item with debug.314); ignores indices out of range.
void setDebugVariable(Engine& e, long index, int32_t value);

// Builds the IDR_MENU bar.
void loadMenuResource(Platform& p);

}  // namespace veloria
