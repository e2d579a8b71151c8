// Graphics state: surfaces, pictures, sprites, effects.
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

struct GraphicsState {
  std::string backgroundName = "black";  // Shift-JIS
};

}  // namespace veloria
