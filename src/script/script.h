// The script engine's interface to the other subsystems.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veloria {

struct Engine;
class CommandTable;

// Loading (may switch the screen to 800x600 through the app shell) and the label table.
void loadScript(Engine& e);
void buildLabelTable(Engine& e);
// The main loop: define pass (true) from label define up to `game`, or the game pass.
void runInterpreter(Engine& e, bool definePass);
void dispatchCommand(Engine& e, std::string_view word, bool definePass);
void jumpToLabel(Engine& e, std::string_view name);
void resetEngine(Engine& e);
// The fatal error report: box, stderr, shut-down. Texts are Shift-JIS.
[[noreturn]] void reportScriptError(Engine& e, std::string_view caption, std::string_view message);

// Reader operations: each reads from scriptPos and leaves it behind what it read.
void skipBlanks(Engine& e);
void skipBlanksAndNewlines(Engine& e);
std::string readWord(Engine& e);
int32_t readNumber(Engine& e);
std::string readString(Engine& e);
std::string readLabel(Engine& e);
uint32_t readColor(Engine& e);  // 0xRRGGBB
void expectComma(Engine& e);

// Life-cycle hooks called by the app shell and by resetEngine.
void scriptRestoreDefaults(Engine& e);
void registerScriptCommands(CommandTable& t);

}  // namespace veloria
