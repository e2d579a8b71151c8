// The graphics subsystem's interface to the others.
#pragma once

#include <string>
#include <string_view>

#include "engine/graphics_state.h"
#include "graphics/image.h"
#include "platform/platform.h"

namespace veloria {

struct Engine;
class CommandTable;

// Creates the screen-size surfaces and the glyph surface (once per engine cycle).
void createScreenSurfaces(Engine& e);
// The composed screen that the window shows on WM_PAINT.
SurfaceView displaySurfaceView(Engine& e);

// What a picture is loaded for. Drawn: the blitter draws it in its transparency mode
// (sprites, standing pictures, cursors, the window picture), so a PNG with an alpha channel
// keeps that alpha in every mode but copy (it is then laid out as an alpha picture). Plain:
// its pixels are used as they are (backgrounds, transition masks, button pictures, bmpcut),
// and a PNG's alpha is composed over black unless the tag asks for the alpha mode.
enum class PictureUse { Drawn, Plain };
// Loads (or reuses) a picture named by `request` (Shift-JIS, optional tag) into `obj`.
// Failures end the run with a script error, unless noLoadError or optionalImage applies.
void loadImage(Engine& e, ImageObject& obj, std::string_view request, PictureUse use = PictureUse::Drawn);
// As loadImage, but a picture that is missing or cannot be read gives a blank placeholder:
// for the engine's own default pictures, which a game need not ship.
void loadOptionalImage(Engine& e, ImageObject& obj, std::string_view request);

// How many sprites the game addresses: 0..999 in the extended dialect, 0..255 in the base
// language (the table always holds 1,000).
int spriteLimit(const Engine& e);
// Sprite n as a command names it: nullptr for a number outside the game's sprites, which a
// base-language game passes over; the extended dialect stops with the range error instead.
Sprite* namedSprite(Engine& e, int n);
// Grows dirtyRect by (left, top, right, bottom).
void addDirty(Engine& e, int left, int top, int right, int bottom);
// Adds a picture placed at (x, y): (x, y, x + visible width + 1, y + visible height + 1).
void addDirtyPicture(Engine& e, const ImageObject& obj, int x, int y);
// Rebuilds `r` (or the whole screen with nullptr) of composeSurface from the scene.
void composeScreen(Engine& e, const DirtyRect* r);
// Runs a transition of `type` over `r` (inclusive edges; nullptr = whole screen).
void runEffect(Engine& e, int type, int duration, const std::string& mask, const DirtyRect* r);
// Reads an effect argument at the script position, composes dirtyRect and runs the effect.
void runEffectCommand(Engine& e);
// One pass of the cell animation of sprites and standing pictures; the wait loops call it.
// Returns true when a cell changed (the change is then already on the window).
bool stepCellAnimations(Engine& e);
// The earliest time stepCellAnimations will change a cell (kNoDeadline: no animation runs);
// the waits sleep until then.
uint32_t nextCellAnimationDue(Engine& e);
// Copies `r` (right/bottom exclusive) of displaySurface to the window picture.
void presentDisplay(Engine& e, Rect r);
// The system menus draw over the screen picture and put it back when they close.
void copyScreenPicture(Engine& e, ImageObject& out);
void restoreScreenPicture(Engine& e, const ImageObject& copy);
// Fills `r` (right/bottom exclusive) of the screen picture with 0xRRGGBB and shows it.
void fillScreenPicture(Engine& e, Rect r, uint32_t rgb);

void graphicsRestoreDefaults(Engine& e);
void graphicsResetGame(Engine& e);
// After a saved game was read into the state: clears the screen, rebuilds the background,
// loads the standing pictures, sprites and button picture by their names, and shows the
// composed screen at once.
void graphicsAfterLoad(Engine& e);
void registerGraphicsCommands(CommandTable& t);

}  // namespace veloria
