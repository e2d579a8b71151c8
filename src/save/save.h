// The persistence subsystem's interface to the others.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veloria {

struct Engine;
class CommandTable;

// gloval.sav into the global variables (200..4095).
void loadGlobalVariables(Engine& e);
// The logs, after the define pass (Veloflog.dat, Velollog.dat), for the logs that are on.
void readLogs(Engine& e);
// The player's menu settings from envdata that the shell carries out as menu commands.
struct MenuChoices {
  bool fullScreen = false;
  bool waveOn = true;
  bool cdEnabled = true;
  bool pageOnly = false;
  int32_t textSpeed = -1;  // 0..2; anything else leaves the speed as it is
  std::string faceName;    // Shift-JIS
};
// envdata: the font and CD drive are set; the other settings come back for the shell, which
// gives them as the menu commands the player would (nothing when there is no file).
std::optional<MenuChoices> readEnvironment(Engine& e);
// gloval.sav (with globalon), envdata and the logs (with filelog / labellog): the
// one-second save of the waits, a button time-out, shut-down. Every file is replaced
// atomically; one that cannot be written is named once on stderr.
void writePersistentState(Engine& e);
// kidokuskip: read marks for the whole script, filled from kidoku.dat when it exists.
void loadReadMarks(Engine& e);
// kidoku.dat at process exit (when read marks exist).
void writeReadMarks(Engine& e);
// Whether script position `pos` carries a read mark (true when read marks are off).
bool positionRead(const Engine& e, uint32_t pos);
// Marks position `pos` read. False when it had not been read before (or lies past the
// marks): skip mode stops there. True when it had been, or read marks are off.
bool markPositionRead(Engine& e, uint32_t pos);
// Whether the save points between statements may keep the state (saveon/saveoff; a choice
// the script builds itself and the text routine turn them off).
void allowSaving(Engine& e, bool on);

// The file name of a save slot: "save<slot>.dat" (the slot menus look at its time with
// fs::persistentFileStamp).
std::string saveSlotFileName(int slot);
// A save point: when saving is allowed and the text page is empty, the whole state is kept
// in the save image.
void takeSavePoint(Engine& e);
// The automatic save point between statements of the game pass, the same as takeSavePoint
// but in what it costs: after statements that changed only the script's own state it
// copies just what they wrote (the variables written, the call stack's top, the position).
void advanceSavePoint(Engine& e);
// Something besides the script's own state may have changed (any command not marked
// script-only, story text, a wait, a reset or a load): the next save point takes it whole.
void markSavePointStale(Engine& e);
// The save file image of the last save point (empty when none was taken).
const std::vector<uint8_t>& savePointImage(Engine& e);
// Writes the save image of the last save point to save<slot>.dat (slot 1..20). On failure
// (nothing saved yet, the file cannot be written) the old file is kept, the player is told
// in a box, and the result is false.
bool saveGame(Engine& e, int slot);
// errorsave: after a fatal script error's box, the last save point goes to slot 999 (quietly:
// the game is ending anyway).
void saveAfterFatalError(Engine& e);
// Loads save<slot>.dat, rebuilds the scene and restarts sound; then the interrupted wait
// learns that a game was loaded (it unwinds to the interpreter, which goes on at the loaded
// position). False with nothing changed when the file is missing, or damaged (then a box
// says so and the game goes on).
bool loadGame(Engine& e, int slot);
// A load asked for before the game runs (automation input): carried out at the first save
// point of the game, between two statements.
void requestLoad(Engine& e, int slot);

void saveRestoreDefaults(Engine& e);
void registerSaveCommands(CommandTable& t);

}  // namespace veloria
