// The text subsystem's interface to the others.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veloria {

struct Engine;
class CommandTable;
struct ImageObject;

// Lists the installed fonts and adds one menu item per family before "デフォルト" (40004).
// Items from an earlier engine cycle are removed first.
void buildFontMenu(Engine& e);
// The face name of a font menu item id, or nullptr for an id that is no font item.
const std::string* fontItemFace(Engine& e, int id);
// The menu item id of the first listed font with that face name, or -1.
int fontItemId(Engine& e, std::string_view face);

// The text window as a layer of the composed frame (called by the graphics composition while
// it rebuilds e.gfx.composeArea of composeSurface).
void composeTextWindow(Engine& e);
// Hides the text window (scene commands call this before changing the picture).
void hideTextWindow(Engine& e);
// Brings the window up with the window effect when it is not shown.
void showTextWindow(Engine& e);
// Empties the page: cursor to the origin, typed text gone, backdrop redrawn when shown.
void clearTextWindow(Engine& e);
// Story text from the interpreter (one expanded line, Shift-JIS).
void typeText(Engine& e, const std::string& line);
// Line feed in the text window (and the log); past the last line is a script error.
void newLine(Engine& e);

// The glyph settings of the system menus (menusetwindow).
struct MenuTextStyle {
  int32_t glyphWidth = 26, glyphHeight = 26;
  int32_t pitchX = 26, pitchY = 28;
  int32_t bold = 0, shadow = 0;
};
// Draws a string at a column/line (or, negative, at an absolute pixel position); returns the
// characters drawn (at most columnsPerLine). `column` and `line` are moved past the string.
// Without `menu` it draws into the text window: clipped to it, each cell recomposed first,
// lines broken by the line-break rules. With `menu` (a system menu is running) it uses those
// glyph settings over the whole screen, without recomposing or breaking lines; the menu
// draws its own backdrop.
int drawString(Engine& e, std::string_view sjis, int32_t& column, int32_t& line, uint32_t rgb,
               const MenuTextStyle* menu = nullptr);
// The text of the page being typed (page 0 of the text log), Shift-JIS, line feeds as 10.
std::string currentLogPage(const Engine& e);
// Multiplies the inclusive rectangle of `dst` by the colour 0xRRGGBB; marks the window shown.
void tintRect(Engine& e, int left, int top, int right, int bottom, uint32_t rgb, ImageObject& dst);

// The system menus draw their text over the text layers and the screen: they keep a copy
// and put it back when they close.
struct TextLayerCopy {
  std::vector<uint8_t> layer, coverage;
};
TextLayerCopy copyTextLayers(Engine& e);
void restoreTextLayers(Engine& e, TextLayerCopy&& copy);
// Empties the typed text's layers (the page and cursor stay).
void clearTextLayers(Engine& e);
// Whether the text window counts as shown, and setting that mark without drawing; `inFrame`
// says whether the composition draws it.
bool textWindowShown(const Engine& e);
void markTextWindow(Engine& e, bool shown, bool inFrame);

// The clicks the window procedure notes for the waits: a click (or space/return) asks to go
// on, a right click for the menu. A wait takes a request (reads and clears it).
void requestAdvance(Engine& e);
void requestMenu(Engine& e);
// The wheel turned up (usewheel): a click wait opens the text log.
void requestTextLog(Engine& e);
bool advanceRequested(const Engine& e);
bool menuRequested(const Engine& e);
bool takeAdvanceRequest(Engine& e);
bool takeMenuRequest(Engine& e);
// Forgets a click or right click the window procedure noted (a system menu used it up).
void clearClickRequests(Engine& e);
// Where the last click was, for clickpos.
void noteClickPosition(Engine& e, int32_t x, int32_t y);

// The player's reading modes and menu settings.
bool skipModeOn(const Engine& e);
void startSkipMode(Engine& e);
// Ends skip mode (a system menu's question waits for the player).
void endSkipMode(Engine& e);
void startAutoMode(Engine& e);
// Ends auto and skip mode; true when one of them was on (a click then only ends the mode).
bool endAutoAndSkipModes(Engine& e);
// Auto, skip and the automatic click all end (reset, shut-down).
void stopReadingModes(Engine& e);
// Page-only mode cannot change while the script's automatic click runs (false then).
bool setPageOnlyMode(Engine& e, bool on);
// 文字速度: the speed in use (0 slow, 1 normal, 2 fast) and its check mark.
void setMenuSpeed(Engine& e, int index);
// The font: the player's choice alone, or the choice and the face in use together.
void chooseFace(Engine& e, const std::string& face);
void setFace(Engine& e, const std::string& face);
const std::string& defaultFace(const Engine& e);
// The `game` command: the face of the define block becomes the chosen one and the one in use.
void useDefaultFace(Engine& e);

// Waits: for a click (with the wait cursor of e.text.waitCursorKind) and for a time.
void clickWait(Engine& e);
// Hides the text window until the next click or right click, then brings it back.
void eraseWindowUntilClick(Engine& e);
// A saved game was loaded while a wait ran (the wait unwinds to the interpreter).
void noteGameLoaded(Engine& e);
void clearGameLoaded(Engine& e);
void timedWait(Engine& e, int32_t ms, bool interruptible);

// The text log hooks.
void logChar(Engine& e, uint8_t first, uint8_t second);
void logLineFeed(Engine& e);
// A half-width character of the later dialect: one byte.
void logByte(Engine& e, uint8_t c);
void markLogPage(Engine& e);
void clearLog(Engine& e);
// The text log viewer (the right-click action rlookback and the system menu's lookback):
// 1 when the player left it with a right click, 0 when there was no earlier page to show.
int showTextLog(Engine& e);
// How many finished pages the viewer can show.
int textLogPageCount(const Engine& e);

// Choices. The text-window form lays the options out from the text cursor and runs the
// right-click action on a right click; the system-menu form centres them on the tinted
// frame with the menu's glyphs, colours and voices, and a right click cancels it.
enum class ChoiceForm { TextWindow, SystemMenu };
// Returns the index of the chosen option, or -1 when the choice was left without one (the
// right-click routine took over; in the system-menu form, a right click). A reset or a
// loaded game chosen meanwhile unwinds to the interpreter. `restartPos` (text-window form):
// where the right-click routine's return goes, so that it shows the choice again; -1 keeps
// the script position.
int runChoice(Engine& e, const std::vector<std::string>& options, ChoiceForm form = ChoiceForm::TextWindow,
              int64_t restartPos = -1);
// The option texts of the last csel (Shift-JIS); nullptr outside 0..cselCount-1.
const std::string* cselText(const Engine& e, int index);
int cselCount(const Engine& e);
// The selectcolor colours.
struct SelectColors;
const SelectColors& selectColors(const Engine& e);

// Forgets the link regions typed so far (the link wait has used them).
void clearLinks(Engine& e);

void textRestoreDefaults(Engine& e);
void textResetGame(Engine& e);
// After a saved game was read into the state: empty page and text layer, wait cursors and
// the window picture (`windowPicture`, used when the backdrop is a picture) loaded again,
// and the state of the interrupted typing and wait dropped.
void textAfterLoad(Engine& e, const std::string& windowPicture);
void registerTextCommands(CommandTable& t);

}  // namespace veloria
