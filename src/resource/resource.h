// The resource subsystem's interface to the others.
#pragma once

namespace veloria {

struct Engine;
class CommandTable;

void resourceRestoreDefaults(Engine& e);
void registerResourceCommands(CommandTable& t);

}  // namespace veloria
