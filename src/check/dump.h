// The automation dump: the engine's state as JSON (strings in UTF-8).
#pragma once

#include <string>

namespace veloria {

struct Engine;

std::string dumpJson(Engine& e);
// False when the file cannot be written (reported on stderr).
bool writeDump(Engine& e, const std::string& hostPath);

}  // namespace veloria
