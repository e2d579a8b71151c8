// System menu and dialog state.
#pragma once

#include <cstdint>

namespace veloria {

struct UiState {
  int32_t rightClickAction = 0;
};

}  // namespace veloria
