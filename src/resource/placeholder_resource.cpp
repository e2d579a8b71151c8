// Temporary definitions so the tree links while the resource subsystem is being written.
// The resource subsystem replaces this file.
#include "app/engine.h"
#include "resource/resource.h"

namespace veloria {
void resourceRestoreDefaults(Engine&) {}
void registerResourceCommands(CommandTable&) {}
}  // namespace veloria
