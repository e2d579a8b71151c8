// Helpers shared by the script engine's own files (not part of its interface).
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "engine/engine.h"

namespace veloria {

class CommandTable;

// Zero bytes kept after the script's terminating 0, so a reader may look a few bytes ahead.
inline constexpr size_t kScriptPadding = 16;

// The script bytes; never null, and always 0-terminated.
inline const uint8_t* scriptBytes(const Engine& e) {
  static const uint8_t kEmpty[kScriptPadding] = {};
  return e.script.scriptBuffer.empty() ? kEmpty : e.script.scriptBuffer.data();
}

inline bool isBlank(uint8_t c) { return c == ' ' || c == '\t'; }
inline uint8_t lowerAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

inline int32_t clampToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// Which numbered script file holds position `pos` of the loaded script, and where that
// file's text starts. Missing files are passed over, so a gap in the numbering does not shift
// the file named; with no file at all, file 0 from 0.
struct ScriptFileSpan {
  int file = 0;
  uint32_t start = 0;
};
ScriptFileSpan scriptFileAt(const Engine& e, uint32_t pos);

// Command registration of each of the engine's files.
void registerVariableCommands(CommandTable& t);
void registerControlCommands(CommandTable& t);
void registerDialectCommands(CommandTable& t);
void registerArrayCommands(CommandTable& t);
void registerRoutineCommands(CommandTable& t);
void registerStringCommands(CommandTable& t);

// ---- expressions of the extended dialect ----
// A numeric expression at scriptPos; the position stays on the first byte that cannot
// continue it (blanks passed over).
int32_t readExpression(Engine& e);
// The index after a '%', '$' or '?': a number, an alias, a further '%' or '?' term, or a
// parenthesised expression.
int32_t readVariableIndex(Engine& e);
// Single terms, for the variables written into story text: a '%' or '$' variable, not a sum.
int32_t readNumberTerm(Engine& e);
std::string readStringTerm(Engine& e);
// Whether the operand of a condition at scriptPos is a string: it begins with '"' or '$', or
// is a word that names a string alias and no numeric one.
bool conditionOperandIsString(Engine& e);
// -1, 0 or 1: bytes compared as unsigned values, a shorter prefix first.
int compareBytes(std::string_view a, std::string_view b);

// ---- arrays ----
// An element's place; array -1 is no element (the checker declares no arrays and reads 0).
struct ArrayPlace {
  int32_t array = -1;
  size_t offset = 0;
};
// "?a[i]..." at scriptPos (after blanks): stops with the undeclared and range errors.
ArrayPlace readArrayPlace(Engine& e);
int32_t arrayValue(Engine& e, const ArrayPlace& p);
void setArrayValue(Engine& e, const ArrayPlace& p, int32_t v);
// An array element comes next (the extended dialect, a '?' after blanks).
bool arrayTargetFollows(Engine& e);
// A numeric destination: a '%' variable, or in the extended dialect an array element.
struct NumTarget {
  bool element = false;
  int32_t index = 0;
  ArrayPlace place;
};
NumTarget readNumTarget(Engine& e, const char* utf8Message);
int32_t targetValue(Engine& e, const NumTarget& t);
// Variables take the bounds of intlimit; elements do not.
void setTargetValue(Engine& e, const NumTarget& t, int32_t v);

// ---- user commands and loops ----
// Just after the `next` that closes the loop whose body `from` lies in; -1 when none does.
int64_t matchingNextAfter(Engine& e, uint32_t from);

// The INI reader behind getini and getreg: the value of `key` in `section` of the file's
// bytes, following the private-profile rules (case-insensitive names, trimmed value).
std::string iniLookup(std::string_view text, std::string_view section, std::string_view key);
// The file that stands in for HKEY_CURRENT_USER (host path).
std::string registryFilePath();

// The value atoi gives a string: blanks, a sign and decimal digits, clamped to 32 bits.
int32_t atoiValue(std::string_view s);
// `value` in full-width digits, "－" before a negative one (story text, itoa2).
void appendFullWidthNumber(std::string& out, int32_t value);

void seedRandom(Engine& e, uint32_t seed);

}  // namespace veloria
