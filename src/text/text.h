// The text subsystem's interface to the others.
#pragma once

#include <string>
#include <vector>

namespace veloria {

struct Engine;
class CommandTable;

// Lists the installed fonts and adds one menu item per family before "デフォルト" (40004).
void buildFontMenu(Engine& e);
// The face name of a font menu item id, or nullptr for an id that is no font item.
const std::string* fontItemFace(Engine& e, int id);

// The text window as a layer of the composed frame (called by the graphics composition).
struct Rect;
void composeTextWindow(Engine& e);
// Hides the text window (scene commands call this before changing the picture).
void hideTextWindow(Engine& e);
// Story text from the interpreter (one expanded line, Shift-JIS).
void typeText(Engine& e, const std::string& line);

void textRestoreDefaults(Engine& e);
void textResetGame(Engine& e);
void registerTextCommands(CommandTable& t);

}  // namespace veloria
