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

// The INI reader behind getini and getreg: the value of `key` in `section` of the file's
// bytes, following the private-profile rules (case-insensitive names, trimmed value).
std::string iniLookup(std::string_view text, std::string_view section, std::string_view key);
// The file that stands in for HKEY_CURRENT_USER (host path).
std::string registryFilePath();

// The pseudo-random generator of rnd and rnd2: 0..32767.
int32_t nextRandom(Engine& e);
void seedRandom(Engine& e, uint32_t seed);

}  // namespace veloria
