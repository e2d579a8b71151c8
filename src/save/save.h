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
// gloval.sav, envdata and the logs, at shut-down.
void writePersistentState(Engine& e);
// kidoku.dat at process exit.
void writeReadMarks(Engine& e);
// Whether script position `pos` carries a read mark (true when read marks are off).
bool positionRead(const Engine& e, uint32_t pos);

void saveRestoreDefaults(Engine& e);
void registerSaveCommands(CommandTable& t);

}  // namespace veloria
