// The tag in front of a picture name: ":" selector [/count,interval,mode] ";" file name.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace veloria {

enum class TagStatus { Ok, TagError, ColorError };

struct ParsedTag {
  bool hasTag = false;
  int32_t transMode = -1;  // -1: no selector (the default mode applies)
  bool keyColorSet = false;
  int32_t keyRed = 0, keyGreen = 0, keyBlue = 0;
  bool keyIndexSet = false;
  int32_t keyIndex = 0;
  bool cellClause = false;
  int32_t cellCount = 1;
  int32_t cellInterval = 0;
  int32_t animMode = 0;
  std::vector<int32_t> cellIntervals;  // the list form; cellInterval is then -1
  std::string_view fileName;           // the text after ';' (or the whole text)
};

// Pure parser; never reads outside `text`. A tag without ';', a cell clause without its
// commas, a short interval list, a list not closed by '>' or a cell count below 1 give
// TagError; '#' not followed by six hexadecimal digits gives ColorError.
TagStatus parseTag(std::string_view text, ParsedTag& out);

// A text sprite of the later dialect: ":s" [ "/" fw "," fh "," gap ";" ] "#rrggbb" { "#rrggbb" }
// text. No size part leaves sizeGiven false (the text window's glyph size and gap apply).
struct TextSpriteTag {
  bool sizeGiven = false;
  int32_t glyphWidth = 0, glyphHeight = 0, gap = 0;
  std::vector<uint32_t> colors;  // 0xRRGGBB, one per cell; at least one
  std::string_view text;         // the rest of the name, references not yet expanded
};

// Whether a picture name asks for a text sprite (the later dialect only reads it so).
inline bool isTextSpriteName(std::string_view text) { return text.size() >= 2 && text[0] == ':' && text[1] == 's'; }
// Pure parser of a name isTextSpriteName accepts. A size part without its commas or ';', or
// with a glyph side outside 1..kMaxTextSpriteGlyph or a gap below -fw or above that limit,
// gives TagError; a missing or malformed first colour gives ColorError.
constexpr int32_t kMaxTextSpriteGlyph = 1000;
TagStatus parseTextSpriteTag(std::string_view text, TextSpriteTag& out);

}  // namespace veloria
