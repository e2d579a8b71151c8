// Script engine state: the script buffer and position, labels, variables, the call stack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veloria {

struct ScriptState {
  std::vector<uint8_t> scriptBuffer;  // the whole script, NUL-terminated
  uint32_t scriptPos = 0;
  uint32_t scriptLength = 0;
  int32_t gameStarted = 0;
  int32_t resetRequested = 0;
  std::string versionLines[2];  // the About box (versionstr), Shift-JIS
};

}  // namespace veloria
