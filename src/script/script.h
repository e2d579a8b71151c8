// The script engine's interface to the other subsystems.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/unwind.h"

namespace veloria {

struct Engine;
class CommandTable;

// What reportScriptError throws instead of ending the run while an engine is in checking
// mode (ScriptState::checkingMode): the checker records it and goes on with the next line.
struct ScriptCheckError {
  std::string caption;  // Shift-JIS
  std::string message;  // Shift-JIS
};

// Loading (may switch the screen to 800x600 through the app shell) and the label table.
void loadScript(Engine& e);
// Installs `bytes` as if they were the only script file 0.txt (tests, tools, fuzzing):
// the same buffer, fileEndTable and length rules as loading from disk.
void loadScriptFromMemory(Engine& e, std::string_view bytes);
// Lets the script's bytes go (the end of an engine cycle; the next one loads them again).
void releaseScript(Engine& e);
void buildLabelTable(Engine& e);
// The pieces of the label table for the checker's own scan, which reports every problem and
// reads on: the table emptied, and a label added (the caller has ruled out a duplicate).
void clearLabels(Engine& e);
void addLabel(Engine& e, std::string name, uint32_t pos);
void jumpToLabel(Engine& e, std::string_view name);
// Position of a label, or -1 when the script has no such label (no error).
int64_t findLabel(const Engine& e, std::string_view name);
// Asks for a return to the start: the waiting command unwinds and the interpreter resets.
void requestReset(Engine& e);
// From now on reportScriptError throws ScriptCheckError instead of ending the run (the
// checker's engine).
void startCheckingMode(Engine& e);
// The fatal error report: box, stderr, shut-down. Texts are Shift-JIS.
[[noreturn]] void reportScriptError(Engine& e, std::string_view caption, std::string_view message);
// The same, with the message formatted from a pattern holding one "%s" (or "%d").
[[noreturn]] void reportScriptErrorF(Engine& e, std::string_view caption, std::string_view pattern,
                                     std::string_view arg);
// "%d.txt line:%d" (or the scrambled file's name) for a script position.
std::string describeScriptPosition(const Engine& e, uint32_t pos);
// A problem the script goes on after (Shift-JIS message): one line on stderr, and under
// --lenient also appended to "Velowarn.txt" beside the player's files. Each script position
// warns once per run, so a loop cannot flood either.
void reportScriptWarning(Engine& e, std::string_view message);

// ---- the dialect ----
// Decides the dialect of the loaded script (called by loadScript, before the define pass):
// --dialect when given, else extended when the first line is ";value N" or any statement
// begins with a word only the extended dialect has. Also takes the ";value" border.
void detectDialect(Engine& e);
// True when a word is a command of the extended dialect that the base language lacks.
bool isExtendedOnlyWord(std::string_view lowerCaseWord);
bool extendedDialect(const Engine& e);
// --dialect and --lenient, for every game of the run (the resets keep them).
struct ScriptOptions;
void setScriptOptions(Engine& e, const ScriptOptions& options);
// --lenient: the guessing rules are on (unknown words, unclosed literals, page overflow).
bool lenientPlay(const Engine& e);
// Variables 0..variableCount()-1 exist: 4096 in the base language, 10000 in the extended one.
int32_t variableCount(const Engine& e);
// The first global variable: 200, or the ";value" of an extended game.
int32_t globalBorder(const Engine& e);
// usewheel / useescspc were given: the waits take the wheel, and Esc and Space, as inputs.
bool wheelInputOn(const Engine& e);
bool escSpaceInputOn(const Engine& e);
// pretextgosub: called by the interpreter at a story-text line. When the line begins a
// script line and the routine is not running, the line's position is pushed as a gosub
// frame and the routine entered (true); the routine's return brings the line back, and then
// it is typed without the routine (false).
bool enterPreTextHook(Engine& e);

// The story-text line at scriptPos, expanded, as the text engine gets it; scriptPos ends
// on the line feed (or behind an '@' / '\' that ends the line early under textgosub).
std::string buildStoryTextLine(Engine& e);
// A text held in a string (a text sprite's caption) with its `$n` and `%n` written as story
// text writes them: the string variable's text, the numeric variable's value in full-width
// digits. The index is a number, a numeric alias or a further `%` term; a `$` or `%` before
// anything else is a character of the text. The result is cut to kMaxStringBytes.
std::string expandTextReferences(Engine& e, std::string_view text);

// Reader operations: each reads from scriptPos and leaves it behind what it read.
void skipBlanks(Engine& e);
void skipBlanksAndNewlines(Engine& e);
std::string readWord(Engine& e);
int32_t readNumber(Engine& e);
std::string readString(Engine& e);
std::string readLabel(Engine& e);
// Reads the six digits after a '#' at scriptPos and steps over all seven bytes.
uint32_t readColor(Engine& e);  // 0xRRGGBB
// The pure form: the six bytes at `digits` (stops with the colour error when one is no hex digit).
uint32_t parseColor(Engine& e, std::string_view digits);
void expectComma(Engine& e);
// The byte at scriptPos (0 at and past the end of the script).
uint8_t currentByte(const Engine& e);
// The byte `offset` bytes from scriptPos, 0 outside the script.
uint8_t peekByte(const Engine& e, int64_t offset);
// Skips blanks and tells whether a ',' follows (an optional argument is present).
bool optionalArgFollows(Engine& e);
// Skips blanks and takes one byte, lower-cased if it is an ASCII letter (0 at a line end).
char readLetter(Engine& e);

// ---- variables ----
// Range-checked access (an index outside 0..variableCount()-1 is a script error). The
// references are for writing: the variable counts as written for the save point (a read
// through them costs a copy at the next one, nothing more).
int32_t& numVar(Engine& e, int32_t index);
std::string& strVar(Engine& e, int32_t index);
// Range-checked reads.
int32_t numVarValue(Engine& e, int32_t index);
const std::string& strVarValue(Engine& e, int32_t index);
// Stores and then applies the bounds of intlimit to every variable.
void setNumVar(Engine& e, int32_t index, int32_t value);
// Stores a copy cut to kMaxStringBytes at a character boundary.
void setStrVar(Engine& e, int32_t index, std::string_view value);
void applyIntLimits(Engine& e);
// The save point has seen every variable written and the call stack as it is: what is
// written from now on is listed again (ScriptState::writtenVariables, CallStack::unchangedBelow).
void forgetWrittenVariables(Engine& e);
// Reads a variable argument: the next byte (after blanks) must be '%' (numeric) or '$'
// (string), else a syntax error ("構文エラー") with `utf8Message` (a UTF-8 literal, converted
// only when the error happens). Returns the variable's index.
int32_t readNumVarRef(Engine& e, const char* utf8Message);
int32_t readStrVarRef(Engine& e, const char* utf8Message);
struct VarRef {
  bool isString = false;
  int32_t index = 0;
};
// Either kind ("%n" or "$n").
VarRef readVarRef(Engine& e, const char* utf8Message);
// Cuts `s` to at most `maxBytes` without splitting a two-byte character.
void truncateSjis(std::string& s, size_t maxBytes);
// The engine's one pseudo-random generator (rnd, rnd2, the shake of quake): 0..32767.
int32_t nextRandom(Engine& e);

// Where the statement around `from` ends: the next ':' outside a string literal, or the line
// feed (the position of either).
uint32_t endOfStatement(const Engine& e, uint32_t from);

// ---- user commands (defsub) ----
bool isUserCommand(const Engine& e, std::string_view lowerCaseWord);
// Calls the routine *word, the caller's arguments left at scriptPos for getparam.
void callUserCommand(Engine& e, std::string_view lowerCaseWord);

// ---- call stack (gosub, text routines, choices, saves, the right-click subroutine) ----
bool callStackFull(const Engine& e);
// False (nothing pushed) when the stack already holds 1000 entries.
bool callStackPush(Engine& e, uint32_t pos);
// False when the stack is empty.
bool callStackPop(Engine& e, uint32_t& pos);

// ---- label and file logs ----
// ASCII letters upper-cased (lead bytes' partners untouched) and '/' turned into '\'.
std::string normalizeLogName(std::string_view name);
bool labelLogged(const Engine& e, std::string_view name);
void logLabel(Engine& e, std::string_view name);
bool fileLogged(const Engine& e, std::string_view name);
void logFile(Engine& e, std::string_view name);

// ---- the position, for commands that read ahead or come back to a statement ----
uint32_t scriptPosition(const Engine& e);
// Clamped to the script's length.
void setScriptPosition(Engine& e, uint32_t pos);
// Steps over the byte at the position (a separator the command has just looked at).
void skipByte(Engine& e);

// ---- what waits and text tell the interpreter ----
enum class InterruptedWait : int32_t;
// The wait a right-click routine left; its return re-enters that wait.
void noteInterruptedWait(Engine& e, InterruptedWait kind);
// The right-click routine took over the wait in progress (set by the system action).
bool rgosubTaken(const Engine& e);
void noteRgosubTaken(Engine& e);
void clearRgosubTaken(Engine& e);
// The routine's return asks for the interrupted wait again; the interpreter takes the
// request (and the kind of wait) once the statement is over.
void resumeInterruptedWait(Engine& e);
bool takeWaitToResume(Engine& e, InterruptedWait& kind);
bool resetRequested(const Engine& e);
// textgosub: story-text waits call the text routine instead of waiting.
bool textGosubOn(const Engine& e);
void setTextGosub(Engine& e, bool on);
// The click trap (trap, lr_trap): a click jumps to `label`; `lr` lets a right click do it too.
void armClickTrap(Engine& e, std::string label, bool lr);
void disarmClickTrap(Engine& e);
bool clickTrapSet(const Engine& e);
// lr_trap: a right click springs the trap too.
bool clickTrapTakesRightClick(const Engine& e);
// A click reached the trap. Armed, it jumps to the label (and the trap is gone); paused, the
// click is remembered; a click already remembered leaves this one alone.
enum class TrapHit { Ignored, Remembered, Jumped };
TrapHit hitClickTrap(Engine& e);
// Paused, a click is only remembered; resuming jumps at once when one came meanwhile.
void pauseClickTrap(Engine& e);
void resumeClickTrap(Engine& e);

// The game command ends the define block.
void markGameStarted(Engine& e);
// The define pass starts at *define with no trap and the game not started.
void startDefinePass(Engine& e);
bool gameStarted(const Engine& e);

// Life-cycle hooks called by the app shell and by the reset.
void scriptRestoreDefaults(Engine& e);
// The return to the start of the game: local variables, the call stack, the trap and the
// requests the interpreter had pending are gone.
void scriptResetGame(Engine& e);
void registerScriptCommands(CommandTable& t);

}  // namespace veloria
