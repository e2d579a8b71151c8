// Temporary definitions so the tree links while the graphics subsystem is being written.
// The graphics subsystem replaces this file.
#include "app/engine.h"
#include "graphics/graphics.h"

namespace veloria {
void createScreenSurfaces(Engine&) {}
SurfaceView displaySurfaceView(Engine&) { return {}; }
void graphicsRestoreDefaults(Engine&) {}
void graphicsResetGame(Engine&) {}
void registerGraphicsCommands(CommandTable&) {}
}  // namespace veloria
