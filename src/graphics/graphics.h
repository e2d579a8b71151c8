// The graphics subsystem's interface to the others.
#pragma once

#include "platform/platform.h"

namespace veloria {

struct Engine;
class CommandTable;

// Creates the screen-size surfaces and the glyph surface (once per engine cycle).
void createScreenSurfaces(Engine& e);
// The composed screen that the window shows on WM_PAINT.
SurfaceView displaySurfaceView(Engine& e);

void graphicsRestoreDefaults(Engine& e);
void graphicsResetGame(Engine& e);
void registerGraphicsCommands(CommandTable& t);

}  // namespace veloria
