// The one application object. Each subsystem keeps its fields in its own state struct;
// the Engine holds one of each plus the shared services (platform, command table) and the
// hooks through which the floors below reach the ones above them.
#pragma once

#include <cstdint>

#include "engine/app_state.h"
#include "engine/command_table.h"
#include "engine/graphics_state.h"
#include "engine/reading_aloud.h"
#include "engine/resource_state.h"
#include "engine/save_state.h"
#include "engine/script_state.h"
#include "engine/sound_state.h"
#include "engine/text_state.h"
#include "engine/ui_state.h"
#include "engine/unwind.h"
#include "platform/platform.h"

namespace veloria {

struct Engine;

// Calls that go up a floor. The shell installs them on every engine it runs (app/commands.h,
// connectEngine); an engine made without them (a unit test's own) skips the step.
struct EngineHooks {
  // The wait loop's pieces that belong to the subsystems above it: the right-click action
  // (the system action, ui/), the global variables saved once a wait has lasted a second
  // (save/), and the cell animations stepped once a pass and when they are next due (graphics/).
  void (*rightClickAction)(Engine& e) = nullptr;
  void (*saveGlobals)(Engine& e) = nullptr;
  bool (*stepAnimations)(Engine& e) = nullptr;  // true when a cell changed
  uint32_t (*nextAnimationDue)(Engine& e) = nullptr;
  // The shell's: the window painted again from the composed screen, and the orderly
  // shut-down (it ends the run with ProcessExit; without it the caller throws that itself).
  void (*repaint)(Engine& e) = nullptr;
  void (*shutDown)(Engine& e) = nullptr;
};

struct Engine {
  explicit Engine(Platform& p) : platform(p) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  Platform& platform;
  AppWindow appWindow;
  AppState app;
  ScriptState script;
  TextState text;
  GraphicsState gfx;
  ResourceState res;
  SoundState sound;
  SaveState save;
  UiState ui;
  ReadingAloudState voice;  // written only by engine/reading_aloud.cpp
  CommandTable commands;
  EngineHooks hooks;
};

// Switches the game's screen to 800x600 (the script's ";mode800" first line).
void switchTo800(Engine& e);

}  // namespace veloria
