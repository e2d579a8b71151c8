// System menu and dialog state.
#pragma once

#include <cstdint>

namespace veloria {

struct UiState {
  int32_t rightClickAction = 0;
  int32_t rightClickOn = 1;  // rmode: 0 makes a right click do nothing (kept in save files)
};

}  // namespace veloria
