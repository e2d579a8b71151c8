// Pictures made of text with the text window's glyph renderer (and its cache): the text
// sprites of the later dialect (":s" picture names) and logsp's log pages.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/picture.h"

namespace veloria {

struct Engine;
struct TextSpriteTag;

struct TextPictureStyle {
  int glyphWidth = 26, glyphHeight = 26;  // one full-width cell
  int pitchX = 26, pitchY = 28;           // a full-width character's advance; the line pitch
  // 0: one line. Else line breaks at byte 10 and before a character that would pass this
  // many full-width cells. Other control bytes are left out either way.
  int columns = 0;
  bool bold = false, shadow = false;
  std::string_view face;  // Shift-JIS; empty: the renderer's default
};

// Draws `text` (Shift-JIS; a single byte is a half-width character, half a cell wide) once
// per colour (0xRRGGBB) into `out`: an alpha-mode picture of one cell per colour, each cell as
// wide as the text and as high as its lines, transparent outside the glyphs with the glyph
// coverage as its alpha, bold and shadow as the text window draws them. False (and no
// picture) when the picture would be larger than any picture file may be.
bool renderTextPicture(std::string_view text, const std::vector<uint32_t>& colors, const TextPictureStyle& style,
                       ImageObject& out);

// A text sprite's picture from its parsed name and expanded caption, in the glyph settings
// of the text window unless the name gave a size. False when it is too large.
bool renderTextSprite(const Engine& e, const TextSpriteTag& tag, std::string_view caption, ImageObject& out);

// logsp's picture: `text` laid out as the text log viewer draws a page (the text window's
// glyph size, pitches and column count; line breaks at byte 10). False when it is too large.
bool renderLogPicture(const Engine& e, std::string_view text, const std::vector<uint32_t>& colors, ImageObject& out);

}  // namespace veloria
