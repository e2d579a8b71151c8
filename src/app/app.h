// The application shell: start-up, the engine life cycle, the window procedure and menu.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/commands.h"
#include "engine/menu_ids.h"
#include "platform/platform.h"
#include "engine/script_state.h"

namespace veloria {

struct Engine;
class AutoplayStrategy;

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
  // What autoplay takes at choices and button waits; nullptr: the first option.
  std::shared_ptr<AutoplayStrategy> autoplayStrategy;
  // A recorder kept by the caller across runs (the play-test): the run counts into it and
  // writes no tracefile of its own unless coverageFile is given too.
  struct CoverageRecorder* coverage = nullptr;
  // --record-speech: read aloud from the start, whatever the player chose last time.
  bool readAloud = false;
  // --dialect and --lenient: how every game of the run is read.
  ScriptOptions scriptOptions;
  // Called once the run has ended, before the engine is torn down (tests look at the state).
  std::function<void(Engine&)> beforeExit;
  // Called once, when the first define block has run and the window shows (a window run adds
  // the game to the player's library then).
  std::function<void(Engine&)> onGameShown;
};

// Runs the whole program on `platform` until the window is destroyed; returns the exit code.
int runApplication(Platform& platform, const AppOptions& options);

// The interpreter loop: the define pass (true) from label define up to `game`, or the game
// pass, until the run ends.
void runInterpreter(Engine& e, bool definePass);
// `wordPos`: where the word starts, for a lenient unknown word that turns out to be story text.
inline constexpr uint32_t kNoWordPos = 0xFFFFFFFFu;
void dispatchCommand(Engine& e, std::string_view word, bool definePass, uint32_t wordPos = kNoWordPos);
// The return to the start of the game: sound stops, every subsystem's game state goes back,
// and the script goes on at *start.
void resetEngine(Engine& e);

// The window procedure.
void windowProc(Engine& e, const Message& m);
// Every subsystem back to its define-block defaults (the start of each engine cycle).
void restoreAllDefaults(Engine& e);
// DestroyWindow: the orderly shut-down; ends the run with e.app.exitCode.
[[noreturn]] void destroyMainWindow(Engine& e);
// Repaints the window from the composed screen (WM_PAINT's work).
void paintWindow(Engine& e);

// The debug build's variable poke (About item with debug.314); ignores indices out of range.
void setDebugVariable(Engine& e, long index, int32_t value);

// Builds the window's menu bar (画面, フォント, 表示形式 ... 終了).
void loadMenuResource(Platform& p);

}  // namespace veloria
