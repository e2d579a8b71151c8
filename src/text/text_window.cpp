// The text window: its layers, showing, hiding, clearing and composing it, and drawing
// glyphs and strings into it.
#include <algorithm>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "text/glyph_font.h"
#include "text/line_layout.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace veloria {

PixelTarget pixelTarget(ImageObject& img) {
  if (!img.hasPicture() || img.dib.bitCount != 24) return {};
  img.dib.maskRuns.reset();  // the pixels are about to be written
  return PixelTarget{img.dib.pixels.data(), img.dib.width, img.dib.height, img.dib.stride};
}

void ensureTextLayers(Engine& e) {
  TextState& t = e.text;
  int w = std::max(0, e.app.screenWidth), h = std::max(0, e.app.screenHeight);
  if (t.layerWidth == w && t.layerHeight == h && !t.coverageMap.empty()) return;
  t.layerWidth = w;
  t.layerHeight = h;
  t.textLayer.assign(static_cast<size_t>(w) * h * 3, 0);
  t.coverageMap.assign(static_cast<size_t>(w) * h, 0);
}

PixelTarget textLayerTarget(Engine& e) {
  ensureTextLayers(e);
  TextState& t = e.text;
  return PixelTarget{t.textLayer.data(), t.layerWidth, t.layerHeight, t.layerWidth * 3};
}

bool clampedWindowRect(const Engine& e, TextRect& out) {
  int w = e.app.screenWidth, h = e.app.screenHeight;
  const TextRect& r = e.text.windowRect;
  out.left = std::clamp(r.left, 0, w - 1);
  out.right = std::clamp(r.right, 0, w - 1);
  out.top = std::clamp(r.top, 0, h - 1);
  out.bottom = std::clamp(r.bottom, 0, h - 1);
  return out.right >= out.left && out.bottom >= out.top;
}

void presentCell(Engine& e, int x, int y, int w, int h) { presentDisplay(e, Rect{x, y, x + w, y + h}); }

void runWindowEffect(Engine& e, int left, int top, int right, int bottom) {
  DirtyRect r{left, top, right, bottom};
  const WindowEffectSetting& we = e.gfx.windowEffect;
  runEffect(e, we.type, we.duration, we.mask, &r);
}

void tintRect(Engine& e, int left, int top, int right, int bottom, uint32_t rgb, ImageObject& dst) {
  int w = e.app.screenWidth, h = e.app.screenHeight;
  left = std::max(left, 0);
  top = std::max(top, 0);
  // The width and height are limited to the screen.
  right = std::min(right, left + w - 1);
  bottom = std::min(bottom, top + h - 1);
  tintPixels(pixelTarget(dst), left, top, right + 1, bottom + 1, rgb);
  e.text.windowShown = 1;
}

void drawWindowBackground(Engine& e, const TextRect& r, ImageObject& dst) {
  int w = e.app.screenWidth, h = e.app.screenHeight;
  TextRect c{std::clamp(r.left, 0, w - 1), std::clamp(r.top, 0, h - 1), std::clamp(r.right, 0, w - 1),
             std::clamp(r.bottom, 0, h - 1)};
  if (c.right < c.left || c.bottom < c.top) return;
  TextState& t = e.text;
  t.windowShown = 1;
  if (t.windowColor == -1) {
    ClipRect clip{c.left, c.top, std::min(c.right, t.windowRect.right + 2), std::min(c.bottom, t.windowRect.bottom + 2)};
    drawImage(e, t.windowImage, dst, &clip, t.windowRect.left, t.windowRect.top);
  } else if (static_cast<uint32_t>(t.windowColor) != 0xFFFFFF) {
    tintPixels(pixelTarget(dst), c.left, c.top, c.right + 1, c.bottom + 1, static_cast<uint32_t>(t.windowColor));
  }
}

void composeTextWindow(Engine& e) {
  TextState& t = e.text;
  if (!t.textMode || t.textHidden) return;
  TextRect wr;
  if (!clampedWindowRect(e, wr)) return;
  const ClipRect& a = e.gfx.composeArea;
  TextRect ix{std::max(wr.left, a.left), std::max(wr.top, a.top), std::min(wr.right, a.right),
              std::min(wr.bottom, a.bottom)};
  if (ix.right < ix.left || ix.bottom < ix.top) return;
  drawWindowBackground(e, ix, e.gfx.composeSurface);
  overlayText(pixelTarget(e.gfx.composeSurface), textLayerTarget(e), t.coverageMap.data(), ix.left, ix.top,
              ix.right + 1, ix.bottom + 1, t.shadowText != 0);
}

void showTextWindow(Engine& e) {
  TextState& t = e.text;
  if (t.windowShown) return;
  t.windowInFrame = 1;
  composeScreen(e, nullptr);
  runWindowEffect(e, t.windowRect.left, t.windowRect.top, t.windowRect.right + 2, t.windowRect.bottom + 2);
}

void hideTextWindow(Engine& e) {
  TextState& t = e.text;
  if (!t.windowShown || !t.eraseWindowOnEffect) return;
  t.windowInFrame = 0;
  t.windowShown = 0;
  addDirty(e, t.windowRect.left, t.windowRect.top, t.windowRect.right, t.windowRect.bottom);
  DirtyRect d = e.gfx.dirtyRect;
  composeScreen(e, &d);
  runWindowEffect(e, d.left, d.top, d.right, d.bottom);
}

void clearTextWindow(Engine& e) {
  TextState& t = e.text;
  t.cursorColumn = 0;
  t.cursorLine = 0;
  t.cursorHalfCell = 0;
  t.pageText.clear();
  notePageCleared(e);
  clearTextLayers(e);
  t.faceName = t.chosenFaceName;
  if (t.windowShown) {
    t.windowInFrame = 0;
    DirtyRect r{t.windowRect.left, t.windowRect.top, t.windowRect.right + 2, t.windowRect.bottom + 2};
    composeScreen(e, &r);
    drawWindowBackground(e, t.windowRect, e.gfx.composeSurface);
    runEffect(e, 1, 0, std::string(), &r);
    t.windowShown = 1;
    t.windowInFrame = 1;
  }
}

TextLayerCopy copyTextLayers(Engine& e) {
  ensureTextLayers(e);
  return TextLayerCopy{e.text.textLayer, e.text.coverageMap};
}

void restoreTextLayers(Engine& e, TextLayerCopy&& copy) {
  TextState& t = e.text;
  // A copy from before the screen changed size does not fit: the layers start empty then.
  ensureTextLayers(e);
  if (copy.layer.size() == t.textLayer.size() && copy.coverage.size() == t.coverageMap.size()) {
    t.textLayer = std::move(copy.layer);
    t.coverageMap = std::move(copy.coverage);
  } else {
    clearTextLayers(e);
  }
}

void clearTextLayers(Engine& e) {
  TextState& t = e.text;
  ensureTextLayers(e);
  // Byte values, so that the fills are plain memsets whatever the build.
  std::fill(t.textLayer.begin(), t.textLayer.end(), uint8_t{0});
  std::fill(t.coverageMap.begin(), t.coverageMap.end(), uint8_t{0});
}

bool textWindowShown(const Engine& e) { return e.text.windowShown != 0; }

void markTextWindow(Engine& e, bool shown, bool inFrame) {
  e.text.windowShown = shown ? 1 : 0;
  e.text.windowInFrame = inFrame ? 1 : 0;
}

namespace {

struct CellStyle {
  int glyphWidth, glyphHeight, pitchX, pitchY;
  bool bold, shadow;
};

CellStyle storyStyle(const Engine& e) {
  const TextState& t = e.text;
  return CellStyle{t.glyphWidth, t.glyphHeight, t.pitchX, t.pitchY, t.boldText != 0, t.shadowText != 0};
}

void rasterise(Engine& e, const CellStyle& s, uint8_t first, uint8_t second, int x, int y, uint8_t r, uint8_t g,
               uint8_t b, bool intoLayers, const std::string* face = nullptr) {
  GlyphRequest req;
  req.faceName = face && !face->empty() ? *face : e.text.faceName;
  req.cellWidth = s.glyphWidth;
  req.cellHeight = s.glyphHeight;
  req.bold = s.bold;
  req.first = first;
  req.second = second;
  const std::vector<uint8_t>& cov = cellCoverage(req);
  if (cov.empty()) return;
  GlyphInk ink{cov.data(), s.glyphWidth, s.glyphHeight, x, y, r, g, b, s.shadow};
  PixelTarget display = pixelTarget(e.gfx.displaySurface);
  if (intoLayers) {
    PixelTarget layer = textLayerTarget(e);
    // The layers follow the screen size; the display surface must match them.
    if (layer.width == display.width && layer.height == display.height) {
      blendGlyph(ink, display, &layer, e.text.coverageMap.data());
      return;
    }
  }
  blendGlyph(ink, display, nullptr, nullptr);
}

uint8_t channel(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

void drawGlyph(Engine& e, uint8_t first, uint8_t second, int x, int y, const TextRgb& rgb) {
  CellStyle s = storyStyle(e);
  rasterise(e, s, first, second, x, y, channel(rgb.r), channel(rgb.g), channel(rgb.b), true);
  presentCell(e, x, y, s.glyphWidth, s.glyphHeight);
}

void drawSizedGlyph(Engine& e, uint8_t first, uint8_t second, int x, int y, int width, int height,
                    const std::string& face, const TextRgb& rgb) {
  CellStyle s = storyStyle(e);
  s.glyphWidth = width;
  s.glyphHeight = height;
  rasterise(e, s, first, second, x, y, channel(rgb.r), channel(rgb.g), channel(rgb.b), true, &face);
  presentCell(e, x, y, width, height);
}

void setTextHidden(Engine& e, bool hidden) {
  TextState& t = e.text;
  t.textHidden = hidden ? 1 : 0;
  DirtyRect r{t.windowRect.left, t.windowRect.top, t.windowRect.right + 2, t.windowRect.bottom + 2};
  composeScreen(e, &r);
  runEffect(e, 1, 0, std::string(), &r);
}

void drawGlyphOnDisplay(Engine& e, uint8_t first, uint8_t second, int x, int y, const TextRgb& rgb) {
  rasterise(e, storyStyle(e), first, second, x, y, channel(rgb.r), channel(rgb.g), channel(rgb.b), false);
}

int drawString(Engine& e, std::string_view text, int32_t& column, int32_t& line, uint32_t rgb,
               const MenuTextStyle* menu) {
  TextState& t = e.text;
  CellStyle s = storyStyle(e);
  TextRect clip;
  if (menu) {
    s = CellStyle{menu->glyphWidth, menu->glyphHeight, menu->pitchX, menu->pitchY, menu->bold != 0, menu->shadow != 0};
    clip = TextRect{0, 0, e.app.screenWidth - 1, e.app.screenHeight - 1};
    if (clip.right < 0 || clip.bottom < 0) return 0;
  } else if (!clampedWindowRect(e, clip)) {
    return 0;
  }
  const bool absoluteX = column < 0;
  int64_t x = absoluteX ? -static_cast<int64_t>(column) : t.textOriginX + static_cast<int64_t>(column) * s.pitchX;
  int64_t y = line < 0 ? -static_cast<int64_t>(line) : t.textOriginY + static_cast<int64_t>(line) * s.pitchY;
  uint8_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  int count = 0;
  size_t k = 0;
  while (true) {
    uint8_t c = k < text.size() ? static_cast<uint8_t>(text[k]) : 0;
    if (c == 0) break;
    if (c == ' ' || c == '\t') {
      ++k;
      continue;
    }
    uint8_t c2 = k + 1 < text.size() ? static_cast<uint8_t>(text[k + 1]) : 0;
    if (c2 == 0) break;
    int px = clampPixel(x), py = clampPixel(y);
    if (x + s.pitchX >= clip.left && y + s.pitchY >= clip.top && x <= clip.right && y <= clip.bottom) {
      if (!menu) {
        // Bring back what lies under the cell, so that a redraw in another colour is clean.
        DirtyRect cell{px, py, px + s.glyphWidth, py + s.glyphHeight};
        composeScreen(e, &cell);
        copyRect(e.gfx.composeSurface, px, py, e.gfx.displaySurface, px, py, s.glyphWidth + 1, s.glyphHeight + 1);
      }
      rasterise(e, s, c, c2, px, py, r, g, b, true);
      presentCell(e, px, py, s.glyphWidth, s.glyphHeight);
    }
    k += 2;
    x += s.pitchX;
    count = std::min(count + 1, std::max(t.columnsPerLine, 0));
    if (!absoluteX) {
      LookAhead la = lookAhead(text, k, true);
      ++column;
      if (!menu && column + needsEarlyBreak(la.chars) >= t.columnsPerLine) {
        column = 0;
        x = t.textOriginX;
        y += s.pitchY;
        ++line;
      }
    }
  }
  if (column != 0) {
    column = 0;
    ++line;
  }
  return count;
}

}  // namespace veloria
