// The system-menu and dialog subsystem's interface to the others.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace veloria {

struct Engine;
class CommandTable;

// The right-click action of a wait (code -1) and the system calls (codes 0-9): the system
// menu, the text log, hiding the text window, saving, loading, reset and skip.
void runSystemAction(Engine& e, int code);
// What a right click in a wait does (rmenu, rlookback, roff, rgosub ... set it).
enum class RightClickAction : int32_t;
RightClickAction rightClickAction(const Engine& e);
void setRightClickAction(Engine& e, RightClickAction action);

// ---- the system menus ----
// The in-window slot list (save or load form) on the blacked-out screen: the chosen slot's
// index (0-based) with its label ("しおり　３") in `label`, or -1 for a right click.
int slotMenu(Engine& e, bool saveForm, std::string* label = nullptr);
// The in-window question with はい / いいえ: 1, 0, or -1 for a right click.
int confirmMenu(Engine& e, const std::string& question);
// One line of the slot list for slot `slot` (1-based) of `slotCount`: the label, the number
// and either the file's time (month, day, hour, minute) or twelve "－" when `when` is null.
struct SlotTime {
  int month = 1, day = 1, hour = 0, minute = 0;
};
std::string slotMenuLine(const std::string& slotLabel, int slot, int slotCount, const SlotTime* when);
// The right-click menu's defaults and the system menus' state at the start of an engine cycle
// (rmode back to on, no rmenu items).
void systemMenuRestoreDefaults(Engine& e);


// ---- dialogs ----
// What inputstr, input and inputnum ask for. Texts are Shift-JIS.
struct InputRequest {
  std::string prompt;
  std::string defaultText;  // empty = none: Esc then does nothing
  int maxBytes = 255;       // -1 = a number
  bool fullWidthOnly = false;
  bool customSize = false;  // the four sizes below, in points
  int dialogWidth = 0, dialogHeight = 0, editWidth = 0, editHeight = 0;
};
// The input dialog (input, inputstr, inputnum): shows the request until an entry passes its checks (a refused
// entry gets its message box and is shown again) or Esc gives back the default. Returns the
// entry in Shift-JIS, at most 255 bytes.
std::string runInputRequest(Engine& e, const InputRequest& request);
// An entry's checks: nullopt when accepted (the Shift-JIS text in *sjis), else the refusal's
// message and caption (UTF-8 literals).
struct InputRefusal {
  const char* message;
  const char* caption;
};
std::optional<InputRefusal> checkInputEntry(const InputRequest& request, const std::string& utf8Entry,
                                            std::string* sjis);
// inputnum's value of an accepted number entry: optional '-', digits; empty or "-" give 0.
int32_t inputNumberValue(const std::string& entry);
// A plain one-line question without checks (the debug build's variable poke): the entry in
// Shift-JIS, nullopt if cancelled.
std::optional<std::string> runInputDialog(Engine& e, const std::string& prompt, const std::string& initial,
                                          int maxBytes);
// The CD drive dialog (menu item 演奏ドライブ選択): which folder CD tracks come from.
void runCdDriveDialog(Engine& e);
// The save/load dialog, a list of the slots (system actions 6 and 7): save form or load form.
void runSaveLoadDialog(Engine& e, bool saveForm);

void uiRestoreDefaults(Engine& e);
void registerUiCommands(CommandTable& t);

}  // namespace veloria
