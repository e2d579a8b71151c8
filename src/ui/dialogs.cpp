#include "app/engine.h"
#include "ui/ui.h"

namespace veloria {

std::optional<std::string> runInputDialog(Engine& e, const std::string& prompt, const std::string& initial,
                                          int maxBytes) {
  e.platform.noteWaiting(WaitKind::Dialog);
  auto r = e.platform.inputDialog(prompt, initial, maxBytes);
  e.platform.noteWaiting(WaitKind::None);
  return r;
}

// Our builds play music from files, not from a CD drive: there is no drive to choose.
void runCdDriveDialog(Engine&) {}

// The dialog closes without saving or loading, whichever button is pressed.
void runSaveLoadDialog(Engine&, bool) {}

void uiRestoreDefaults(Engine& e) {
  e.ui.rightClickAction = RightClickAction::HideWindow;
  e.ui.menuColors = UiState{}.menuColors;
  e.ui.menuVoices = {};
  e.ui.menuWindow = MenuWindow{};
}

void registerSystemActionCommands(CommandTable& t);
void registerUiCommands(CommandTable& t) { registerSystemActionCommands(t); }

}  // namespace veloria
