// Fonts for text cells: a Shift-JIS face name is matched to an installed font, and one
// 2-byte cell is rasterised white on black at three times the cell size, without any
// smoothing, so that the 1-2-1 coverage filter alone anti-aliases it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veloria {

struct GlyphRequest {
  std::string_view faceName;  // Shift-JIS, as the script or the menu gave it
  int cellWidth = 0;          // the cell in screen pixels; the picture is 3x this
  int cellHeight = 0;
  bool bold = false;
  uint8_t first = 0, second = 0;  // the cell's two bytes
};

// Rasterises the cell into `out`: (3 * cellWidth) x (3 * cellHeight) bytes, top row first,
// one byte per pixel, 255 where the glyph is set and 0 elsewhere. The bold form is the weight
// 700 rendering drawn a second time one pixel to the right. An empty picture when the cell
// size is not drawable (0, negative or absurdly large).
void rasteriseCell(const GlyphRequest& req, std::vector<uint8_t>& out);

// The coverage of the cell after filtering: cellWidth x cellHeight bytes, top row first.
// Answers from a cache keyed by face, size, weight and character; the result is identical to
// rasteriseCell followed by coverageFilter.
const std::vector<uint8_t>& cellCoverage(const GlyphRequest& req);

// 3x3 block filter with weights 1-2-1 / 2-4-2 / 1-2-1 over a picture three times the cell
// size (`stride` bytes a row): one coverage byte per cell pixel.
void coverageFilter(const uint8_t* picture, int stride, int cellWidth, int cellHeight, uint8_t* coverage);

// Installed fixed-pitch families that cover Japanese, in a stable order, as Shift-JIS names
// (scalable fonts only, no vertical "@" variants). `listed` says which of them the menu shows.
struct FontFamily {
  std::string name;  // Shift-JIS
  bool listed = false;
};
std::vector<FontFamily> enumerateJapaneseFamilies();

// The host file the face name resolves to (for diagnostics and tests); empty when none.
std::string resolvedFontFile(std::string_view faceName);

// Limit for rasterising; larger cells draw nothing rather than exhaust memory.
inline constexpr int kMaxGlyphCell = 1000;

}  // namespace veloria
