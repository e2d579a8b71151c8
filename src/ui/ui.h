// The system-menu and dialog subsystem's interface to the others.
#pragma once

#include <optional>
#include <string>

namespace veloria {

struct Engine;
class CommandTable;

// The right-click action of a wait (code -1) and the system calls (codes 0-9): the system
// menu, the text log, hiding the text window, saving, loading, reset and skip.
void runSystemAction(Engine& e, int code);

// The input dialog IDD_DIALOG: a prompt and a one-line answer (Shift-JIS); nullopt if cancelled.
std::optional<std::string> runInputDialog(Engine& e, const std::string& prompt, const std::string& initial,
                                          int maxBytes);
// The CD drive dialog IDD_CDDRIVEDIALOG.
void runCdDriveDialog(Engine& e);
// The save/load dialog IDD_SAVELOADDIALOG (system actions 6 and 7): save form or load form.
void runSaveLoadDialog(Engine& e, bool saveForm);

void uiRestoreDefaults(Engine& e);
void registerUiCommands(CommandTable& t);

}  // namespace veloria
