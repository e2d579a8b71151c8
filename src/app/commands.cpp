#include "app/commands.h"

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "resource/resource.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// The life-cycle commands end, restart or start the game, which reaches every subsystem.
void cmdEnd(Engine& e, std::string_view, bool) {
  e.app.exitCode = kExitNormal;
  destroyMainWindow(e);
}

void cmdReset(Engine& e, std::string_view, bool) { resetEngine(e); }

void cmdDefinereset(Engine& e, std::string_view, bool) { e.app.quitRequested = 1; }

void cmdGame(Engine& e, std::string_view, bool) {
  markGameStarted(e);
  useDefaultFace(e);
  if (e.app.autoModeAllowed) return;
  auto& items = e.platform.menu().items();
  for (size_t i = 0; i < items.size() && i < 10; ++i) {
    if (items[i].id == IDM_AUTO_MODE) {
      e.platform.menu().removeTopLevel(i);
      e.platform.onMenuChanged();
      break;
    }
  }
}

void registerLifeCycleCommands(CommandTable& t) {
  t.add("end", cmdEnd, kOwnCheck);
  t.add("reset", cmdReset, kOwnCheck);
  t.add("definereset", cmdDefinereset, kOwnCheck);
  t.add("game", cmdGame, kOwnCheck);
}

}  // namespace

void registerSystemCommands(CommandTable& t);

void registerAllCommands(CommandTable& t) {
  registerLifeCycleCommands(t);
  registerSystemCommands(t);
  registerScriptCommands(t);
  registerTextCommands(t);
  registerGraphicsCommands(t);
  registerResourceCommands(t);
  registerSoundCommands(t);
  registerSaveCommands(t);
  registerUiCommands(t);
  // The later dialect's own words are registered with their subsystems like any other; a game
  // read as the base language must still find them unknown.
  for (std::string_view w : t.words())
    if (isExtendedOnlyWord(w)) t.markExtendedOnly(w);
}

void connectEngine(Engine& e) {
  registerAllCommands(e.commands);
  EngineHooks& h = e.hooks;
  h.rightClickAction = [](Engine& en) { runSystemAction(en, -1); };
  h.saveGlobals = writePersistentState;
  h.stepAnimations = stepCellAnimations;
  h.nextAnimationDue = nextCellAnimationDue;
  h.repaint = paintWindow;
  h.shutDown = [](Engine& en) {
    saveAfterFatalError(en);
    destroyMainWindow(en);
  };
}

void setUpEngine(Engine& e) {
  connectEngine(e);
  restoreAllDefaults(e);
}

}  // namespace veloria
