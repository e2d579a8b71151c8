#include "graphics/text_sprite.h"

#include <algorithm>

#include "engine/engine.h"
#include "graphics/decoders.h"
#include "graphics/image.h"
#include "graphics/tag.h"
#include "platform/text_codec.h"
#include "text/glyph_font.h"

namespace veloria {

namespace {

struct PlacedGlyph {
  int x = 0, y = 0;
  uint8_t first = 0, second = 0;
};

struct TextLayout {
  std::vector<PlacedGlyph> glyphs;
  int64_t width = 0, height = 0;
};

// Where each character goes: full-width characters one pitch apart, half-width ones (drawn
// as the left half of a cell, as story text draws them) half a pitch. Blanks take their room
// and draw nothing.
TextLayout layOut(std::string_view text, const TextPictureStyle& s) {
  TextLayout l;
  const bool lines = s.columns > 0;
  const int64_t halfCells = lines ? int64_t{2} * s.columns : INT64_MAX;
  int64_t x = 0, y = 0, used = 0;  // used: half cells on this line
  auto newLine = [&] {
    x = 0;
    used = 0;
    y += s.pitchY;
  };
  for (size_t k = 0; k < text.size();) {
    const uint8_t c = static_cast<uint8_t>(text[k]);
    if (c < 0x20) {
      if (lines && c == 10) newLine();
      ++k;
      continue;
    }
    const bool full = isSjisLead(c);
    if (full && k + 1 >= text.size()) break;  // a lead byte without its partner
    const int cells = full ? 2 : 1;
    if (used > 0 && used + cells > halfCells) newLine();
    const PlacedGlyph g{static_cast<int>(x), static_cast<int>(y), c,
                        full ? static_cast<uint8_t>(text[k + 1]) : static_cast<uint8_t>(' ')};
    if (c != ' ') l.glyphs.push_back(g);
    x += full ? s.pitchX : s.pitchX / 2;
    used += cells;
    // The text is as wide as its advances, and never narrower than its last glyph's ink.
    l.width = std::max({l.width, x, int64_t{g.x} + (full ? s.glyphWidth : s.glyphWidth / 2)});
    l.height = std::max(l.height, y + s.glyphHeight);
    k += full ? 2 : 1;
  }
  return l;
}

// One pixel of a cell while it is drawn: the colour laid so far (already weighted) and how
// much of what lies behind still shows (255: all of it), as a run of display blends would
// leave them over an unknown background.
struct Ink {
  uint8_t b = 0, g = 0, r = 0;
  uint8_t through = 255;
  uint8_t blends = 0;  // 1: one glyph blend alone, whose colour is exact
};

}  // namespace

bool renderTextPicture(std::string_view text, const std::vector<uint32_t>& colors, const TextPictureStyle& style,
                       ImageObject& out) {
  releaseImage(out);
  if (colors.empty() || style.glyphWidth < 1 || style.glyphHeight < 1) return false;
  const TextLayout l = layOut(text, style);
  const int64_t cells = static_cast<int64_t>(colors.size());
  const int64_t fullWidth = 2 * cells * l.width;  // each cell is [colour | mask]
  if (fullWidth > kMaxPictureSide || l.height > kMaxPictureSide ||
      static_cast<uint64_t>(dibStride(static_cast<int>(fullWidth), 24)) * static_cast<uint64_t>(l.height) >
          kMaxPictureBytes)
    return false;
  const int w = static_cast<int>(l.width), h = static_cast<int>(l.height);
  createSurface(out, static_cast<int>(fullWidth), h, 24);
  std::vector<Ink> ink(static_cast<size_t>(w) * static_cast<size_t>(h));

  GlyphRequest req;
  req.faceName = style.face;
  req.cellWidth = style.glyphWidth;
  req.cellHeight = style.glyphHeight;
  req.bold = style.bold;
  for (size_t cell = 0; cell < colors.size(); ++cell) {
    const uint32_t rgb = colors[cell];
    const uint8_t cr = static_cast<uint8_t>(rgb >> 16), cg = static_cast<uint8_t>(rgb >> 8),
                  cb = static_cast<uint8_t>(rgb);
    std::fill(ink.begin(), ink.end(), Ink{});
    // The blends of the text window's glyph blender, pixel by pixel in its order: a glyph
    // pixel, then the shadow it casts on the pixel to its right.
    auto blend = [&](int x, int y, unsigned a, bool shadow) {
      Ink& p = ink[static_cast<size_t>(y) * w + x];
      const unsigned keep = 255 - a;
      p.b = static_cast<uint8_t>((shadow ? 0 : mul255(cb, a)) + mul255(p.b, keep));
      p.g = static_cast<uint8_t>((shadow ? 0 : mul255(cg, a)) + mul255(p.g, keep));
      p.r = static_cast<uint8_t>((shadow ? 0 : mul255(cr, a)) + mul255(p.r, keep));
      p.through = mul255(p.through, keep);
      p.blends = static_cast<uint8_t>(std::min(2, p.blends + (shadow ? 2 : 1)));
    };
    for (const PlacedGlyph& g : l.glyphs) {
      req.first = g.first;
      req.second = g.second;
      const std::vector<uint8_t>& cov = cellCoverage(req);
      if (cov.empty()) continue;
      for (int j = 0; j < style.glyphHeight; ++j) {
        const int y = g.y + j;
        if (y < 0 || y >= h) continue;
        const uint8_t* row = cov.data() + static_cast<size_t>(j) * style.glyphWidth;
        for (int i = 0; i < style.glyphWidth; ++i) {
          const int x = g.x + i;
          if (row[i] == 0 || x < 0 || x >= w) continue;
          blend(x, y, row[i], false);
          if (style.shadow && x + 1 < w) blend(x + 1, y, row[i], true);
        }
      }
    }
    // The cell's colour half takes the colour that, drawn through the mask, gives the blends
    // above: the glyph's own colour where one glyph alone covers a pixel.
    const int colourX = static_cast<int>(2 * cell) * w;
    for (int y = 0; y < h; ++y) {
      uint8_t* row = out.dib.row(y);
      for (int x = 0; x < w; ++x) {
        const Ink& p = ink[static_cast<size_t>(y) * w + x];
        uint8_t* c = row + static_cast<size_t>(colourX + x) * 3;
        uint8_t* m = row + static_cast<size_t>(colourX + w + x) * 3;
        m[0] = m[1] = m[2] = p.through;
        if (p.blends == 0 || p.through == 255) continue;
        if (p.blends == 1) {
          c[0] = cb;
          c[1] = cg;
          c[2] = cr;
          continue;
        }
        const unsigned a = 255 - p.through;
        auto unweigh = [a](uint8_t v) { return static_cast<uint8_t>(std::min<unsigned>(255, (v * 255u + a / 2) / a)); };
        c[0] = unweigh(p.b);
        c[1] = unweigh(p.g);
        c[2] = unweigh(p.r);
      }
    }
  }
  out.transMode = TRANS_ALPHA;
  out.cellCount = static_cast<int32_t>(cells);
  out.currentCell = 0;
  // The cells are looks (normal, under the pointer), not frames of an animation.
  out.animMode = ANIM_NONE;
  out.cellInterval = 0xFFFFFF;
  out.cellIntervals.clear();
  out.alphaLevel = -1;
  return true;
}

namespace {

TextPictureStyle windowStyle(const Engine& e) {
  const TextState& t = e.text;
  TextPictureStyle s;
  s.glyphWidth = t.glyphWidth;
  s.glyphHeight = t.glyphHeight;
  s.pitchX = t.pitchX;
  s.pitchY = t.pitchY;
  s.bold = t.boldText != 0;
  s.shadow = t.shadowText != 0;
  s.face = t.faceName;
  return s;
}

}  // namespace

bool renderTextSprite(const Engine& e, const TextSpriteTag& tag, std::string_view caption, ImageObject& out) {
  TextPictureStyle s = windowStyle(e);
  if (tag.sizeGiven) {
    s.glyphWidth = tag.glyphWidth;
    s.glyphHeight = tag.glyphHeight;
    s.pitchX = tag.glyphWidth + tag.gap;
  }
  s.pitchY = s.glyphHeight;
  return renderTextPicture(caption, tag.colors, s, out);
}

bool renderLogPicture(const Engine& e, std::string_view text, const std::vector<uint32_t>& colors, ImageObject& out) {
  TextPictureStyle s = windowStyle(e);
  // A window without columns still puts one character on each line.
  s.columns = std::max(e.text.columnsPerLine, 1);
  return renderTextPicture(text, colors, s, out);
}

}  // namespace veloria
