// The program's icon, drawn by code at any size (the window's icon and the installed ones
// come from the same drawing): a dawn sky with a rising sun over a text window.
#pragma once

#include <cstdint>
#include <vector>

namespace veloria {

// size x size pixels, RGBA with straight alpha, top row first.
std::vector<uint8_t> drawAppIcon(int size);

}  // namespace veloria
