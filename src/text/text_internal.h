// Operations shared by the text subsystem's own files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/glyph_blend.h"
#include "engine/text_state.h"

namespace veloria {

struct Engine;
struct ImageObject;
class CommandTable;

// ---- layers and the window (text_window.cpp) ----
PixelTarget pixelTarget(ImageObject& img);
// Makes the text layer and coverage map screen-sized (emptied when the size changes).
void ensureTextLayers(Engine& e);
PixelTarget textLayerTarget(Engine& e);
// windowRect clamped into the screen (edges 0..size-1); false when it is empty.
bool clampedWindowRect(const Engine& e, TextRect& out);
// Draws the backdrop of `r` into `dst`; the picture backdrop is placed at windowRect's
// top-left corner. Marks the window shown.
void drawWindowBackground(Engine& e, const TextRect& r, ImageObject& dst);
// Multiplies the inclusive rectangle of `dst` by the colour and marks the window shown.
void tintRect(Engine& e, int left, int top, int right, int bottom, uint32_t rgb, ImageObject& dst);
// Copies (x, y, w, h) of the display surface to the window.
void presentCell(Engine& e, int x, int y, int w, int h);
// The window's own transition over an inclusive rectangle.
void runWindowEffect(Engine& e, int left, int top, int right, int bottom);

// Rasterises the two bytes as a cell at (x, y) in `rgb` with the story-text glyph settings:
// display surface, text layer and coverage map, then the cell goes to the window.
void drawGlyph(Engine& e, uint8_t first, uint8_t second, int x, int y, const TextRgb& rgb);
// The same cell into the display surface alone (the typed text's layers stay as they are),
// without copying it to the window.
void drawGlyphOnDisplay(Engine& e, uint8_t first, uint8_t second, int x, int y, const TextRgb& rgb);

// A cell of its own size and face (empty: the text's face), for ruby.
void drawSizedGlyph(Engine& e, uint8_t first, uint8_t second, int x, int y, int width, int height,
                    const std::string& face, const TextRgb& rgb);
// texthide / textshow: the window and its text leave or rejoin the composition, at once.
void setTextHidden(Engine& e, bool hidden);
inline void showHiddenText(Engine& e) { setTextHidden(e, false); }

// ---- typing (type_text.cpp) ----
// Carries out the text a textgosub diversion left over (see typeText).
void resumePendingText(Engine& e);

// ---- choices (choice_commands.cpp) and the text log (text_log.cpp) ----
void registerChoiceCommands(CommandTable& t);
void choiceRestoreDefaults(Engine& e);
void registerTextLogCommands(CommandTable& t);
void textLogRestoreDefaults(Engine& e);
// texthide/textshow, gettext/getlog, maxkaisoupage, addkinsoku, rubyon (text_access.cpp).
void registerTextAccessCommands(CommandTable& t);
void textAccessRestoreDefaults(Engine& e);
// The log on and emptied, and the default arrow pictures unless lookbackbutton gave others.
void textLogResetGame(Engine& e);

// ---- the text log viewer (text_log_view.cpp) ----
// Draws page n in the text window as the viewer shows it (with the window effect when
// `first`, else at once), arrows included.
void drawTextLogPage(Engine& e, int n, bool first);

// ---- waits (waits.cpp) ----
// Dispatches at most one message; true when it was a left-button release.
bool pumpSawLeftRelease(Engine& e);
// Removes queued left-button releases and typed characters without dispatching them.
void dropQueuedClicks(Engine& e);
// Plays a click voice (empty = nothing).
void playClickVoice(Engine& e, const std::string& name);

// Clamps a 64-bit position into the int range used for pixels.
inline int clampPixel(int64_t v) {
  if (v < -1000000000) return -1000000000;
  if (v > 1000000000) return 1000000000;
  return static_cast<int>(v);
}

}  // namespace veloria
