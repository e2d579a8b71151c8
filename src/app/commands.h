// The command table and the hooks: what makes an engine one the shell runs.
#pragma once

namespace veloria {

struct Engine;
class CommandTable;

// Fills the table with every command of the language: the shell's own and every
// subsystem's, each row with its checker argument pattern.
void registerAllCommands(CommandTable& table);
// Makes `e` an engine the shell runs: every command registered and the hooks through which
// the floors below reach the shell and the subsystems above them (EngineHooks) installed.
void connectEngine(Engine& e);
// A new engine as a game starts one: connected, and every subsystem at its define-block
// defaults (the checker's engine is made with it).
void setUpEngine(Engine& e);

}  // namespace veloria
