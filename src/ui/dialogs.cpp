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

void uiRestoreDefaults(Engine& e) { e.ui.rightClickAction = RightClickAction::HideWindow; }
void registerUiCommands(CommandTable&) {}

}  // namespace veloria
