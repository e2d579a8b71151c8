// Persistence state: read marks, logs, global-variable saving.
#pragma once

#include <cstdint>
#include <vector>

namespace veloria {

struct SaveState {
  std::vector<uint8_t> readMarks;  // bit p of the script; empty = read marks off
  int32_t globalSaveOn = 0;
  int32_t fileLogOn = 0;
  int32_t labelLogOn = 0;
  int32_t savingAllowed = 1;
};

}  // namespace veloria
