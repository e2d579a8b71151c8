// The persistence subsystem's interface to the others.
#pragma once

namespace veloria {

struct Engine;
class CommandTable;

// gloval.sav into the global variables (200..4095).
void loadGlobalVariables(Engine& e);
// The logs, after the define pass (Veloflog.dat, Velollog.dat).
void readLogs(Engine& e);
void readEnvironment(Engine& e);
// gloval.sav, envdata and the logs (the one-second save of the waits, a button time-out,
// shut-down).
void writePersistentState(Engine& e);
// kidoku.dat at process exit.
void writeReadMarks(Engine& e);
// Whether script position `pos` carries a read mark (true when read marks are off).
bool positionRead(const Engine& e, uint32_t pos);

// The automatic save point between statements of the game pass: when saving is allowed and
// the text page is empty, the state is kept in the save image.
void takeSavePoint(Engine& e);
// Writes the save image of the last save point to save<slot>.dat; false when it failed.
bool saveGame(Engine& e, int slot);
// Loads save<slot>.dat, rebuilds the scene and restarts sound; then the interrupted wait
// learns that a game was loaded (it unwinds to the interpreter, which goes on at the loaded
// position). False (nothing changed) when the file is missing or damaged.
bool loadGame(Engine& e, int slot);

void saveRestoreDefaults(Engine& e);
void registerSaveCommands(CommandTable& t);

}  // namespace veloria
