// The automation input language: one command per line, '#' starts a comment.
//   wait MS | move X Y | click X Y | rclick X Y | key space|enter|esc|up|down|left|right|<char>
//   pad a|b|start|up|down|left|right|skip | menu ID
//   close | answer ok|yes|no | type TEXT | screenshot FILE | dump FILE | quit
//   save N | load N | cancel | select N
// Commands take effect at the virtual time reached by the waits before them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace veloria {

struct InputEvent {
  enum Kind { Move, Click, RClick, Key, Menu, Close, Answer, Type, Screenshot, Dump, Quit, Save, Load, Cancel, Select, Wheel, Pad };
  Kind kind = Move;
  uint64_t timeMs = 0;
  int x = 0, y = 0;
  int code = 0;      // key: the character (0 for none); pad: the PadButton
  uint32_t vk = 0;   // key: the virtual key of its WM_KEYDOWN (0 for none)
  std::string text;  // UTF-8 for type, a host path for screenshot/dump, the answer word
};

// The highest slot `save N` and `load N` take.
inline constexpr int kMaxInputSlot = 20;

struct InputScriptError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Throws InputScriptError naming the line of a malformed command.
std::vector<InputEvent> parseInputScript(const std::string& text);

}  // namespace veloria
