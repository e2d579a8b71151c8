// Small argument helpers shared by the graphics commands (on top of the script readers).
#pragma once

#include <string>

#include "engine/engine.h"
#include "script/script.h"

namespace veloria {

// The byte at the script position (0 at the end of the buffer).
inline uint8_t peekScriptByte(const Engine& e) {
  const auto& b = e.script.scriptBuffer;
  return e.script.scriptPos < b.size() ? b[e.script.scriptPos] : 0;
}

// Skips blanks and tells whether a ',' follows (an optional argument is present).
inline bool optionalArgFollows(Engine& e) {
  skipBlanks(e);
  return peekScriptByte(e) == ',';
}

// Skips blanks and takes one byte, lower-cased if it is an ASCII letter.
inline char readLetter(Engine& e) {
  skipBlanks(e);
  uint8_t c = peekScriptByte(e);
  if (c != 0 && c != '\n' && c != '\r') ++e.script.scriptPos;
  if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
  return static_cast<char>(c);
}

// "...%d..." with the number put in.
inline std::string formatNumber(const std::string& format, int n) {
  std::string out;
  size_t p = format.find("%d");
  if (p == std::string::npos) return format;
  out.append(format, 0, p);
  out += std::to_string(n);
  out.append(format, p + 2, std::string::npos);
  return out;
}

}  // namespace veloria
