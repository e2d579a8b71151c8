// The one application object. Each subsystem keeps its fields in its own state struct;
// the Engine holds one of each plus the shared services (platform, command table).
#pragma once

#include <memory>

#include "engine/app_state.h"
#include "engine/graphics_state.h"
#include "platform/platform.h"
#include "engine/resource_state.h"
#include "engine/save_state.h"
#include "engine/command_table.h"
#include "engine/script_state.h"
#include "engine/sound_state.h"
#include "engine/text_state.h"
#include "engine/ui_state.h"

namespace veloria {

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
  CommandTable commands;
};

// Thrown to end the process after the window's shut-down has run; main() and the test
// harness catch it. Nothing below the interpreter catches it.
struct ProcessExit {
  int code;
};

}  // namespace veloria
