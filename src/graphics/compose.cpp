// dirtyRect and composeScreen: rebuilding the changed part of the frame from the scene.
#include <algorithm>

#include "engine/engine.h"
#include "graphics/enhanced_sprites.h"
#include "graphics/graphics.h"
#include "graphics/scene_links.h"
#include "text/glyph_blend.h"
#include "text/glyph_font.h"
#include "text/text.h"

namespace veloria {

namespace {

int32_t clampInt(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

void addSpriteRange(Engine& e, int from, int to, std::vector<Layer>& layers) {
  const bool skipLow = systemMenuHidesLowSprites(e);
  for (int n = from; n >= to; --n) {
    if (skipLow && n <= 9) continue;
    const Sprite& s = e.gfx.sprites[static_cast<size_t>(n)];
    if (s.name.empty() || !s.visible) continue;
    layers.push_back(Layer{&s.image, s.x, s.y});
  }
}

// Runs f(rowPointer, byteCount) over the area: one linear pass when it is the whole buffer.
template <typename F>
void forAreaRows(ImageObject& s, const ClipRect& a, bool whole, F f) {
  if (whole) {
    f(s.dib.pixels.data(), s.dib.pixels.size());
    return;
  }
  for (int y = a.top; y <= a.bottom; ++y)
    f(s.dib.row(y) + static_cast<size_t>(a.left) * 3, static_cast<size_t>(a.right - a.left + 1) * 3);
}

void negate(ImageObject& s, const ClipRect& a, bool whole) {
  forAreaRows(s, a, whole, [](uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(255 - p[i]);
  });
}

void monochrome(Engine& e, ImageObject& s, const ClipRect& a, bool whole) {
  const unsigned mb = static_cast<unsigned>(std::clamp(e.gfx.monoBlue, 0, 255));
  const unsigned mg = static_cast<unsigned>(std::clamp(e.gfx.monoGreen, 0, 255));
  const unsigned mr = static_cast<unsigned>(std::clamp(e.gfx.monoRed, 0, 255));
  forAreaRows(s, a, whole, [&](uint8_t* p, size_t n) {
    for (size_t i = 0; i + 3 <= n; i += 3) {
      unsigned v = (p[i] + p[i + 1] + p[i + 2]) / 3;
      p[i] = mul255(v, mb);
      p[i + 1] = mul255(v, mg);
      p[i + 2] = mul255(v, mr);
    }
  });
}

void drawBars(Engine& e, const ClipRect& a) {
  ImageObject& cs = e.gfx.composeSurface;
  for (const BarSlot& b : e.gfx.bars) {
    if (b.x == -1 || b.maximum == 0) continue;  // a zero maximum is never divided by
    const int64_t shown = static_cast<int64_t>(b.width) * b.value / b.maximum;
    if (shown <= 0) continue;
    const int64_t l = std::max<int64_t>(b.x, a.left), t = std::max<int64_t>(b.y, a.top);
    const int64_t r = std::min<int64_t>(int64_t{b.x} + shown - 1, a.right);
    const int64_t bt = std::min<int64_t>(int64_t{b.y} + b.height - 1, a.bottom);
    if (r < l || bt < t) continue;
    const uint32_t colorref = ((b.color & 0xFF) << 16) | (b.color & 0xFF00) | ((b.color >> 16) & 0xFF);
    std::string keep = cs.name;
    fillSurface(cs, static_cast<int>(l), static_cast<int>(t), static_cast<int>(r + 1), static_cast<int>(bt + 1),
                colorref);
    cs.name = keep;
  }
}

// A number slot's text: "%3d" (right-aligned in three characters, longer values in full).
std::string numberText(int32_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), ' ');
  return digits;
}

// Numbers after the bars: each character u pixels wide and v high in the current text face,
// normal weight, slot colour over what is there. Drawing is kept inside the composed area.
void drawNumbers(Engine& e, const ClipRect& a) {
  ImageObject& cs = e.gfx.composeSurface;
  const PixelTarget full{cs.dib.pixels.data(), cs.dib.width, cs.dib.height, cs.dib.stride};
  // The area as a picture of its own (same rows, origin at the area's top-left corner), so
  // the glyph blender's edge clipping is the area's.
  const PixelTarget area{full.at(a.left, a.bottom), a.right - a.left + 1, a.bottom - a.top + 1, full.stride};
  for (const NumberSlot& n : e.gfx.numbers) {
    if (n.x == -1) continue;
    const int64_t u = n.u, v = n.v;
    // The slot's extent: room for four characters.
    if (int64_t{n.x} + 4 * u < a.left || n.x > a.right || int64_t{n.y} + v < a.top || n.y > a.bottom) continue;
    // One glyph cell holds two characters side by side; sizes the renderer cannot draw
    // (0, negative, enormous) draw nothing.
    const int64_t cellW = 2 * u;
    if (cellW <= 0 || v <= 0 || cellW > kMaxGlyphCell || v > kMaxGlyphCell) continue;
    const std::string text = numberText(n.value);
    GlyphRequest req;
    req.faceName = e.text.faceName;
    req.cellWidth = static_cast<int>(cellW);
    req.cellHeight = static_cast<int>(v);
    for (size_t k = 0; k < text.size(); k += 2) {
      req.first = static_cast<uint8_t>(text[k]);
      req.second = k + 1 < text.size() ? static_cast<uint8_t>(text[k + 1]) : 0;
      const std::vector<uint8_t>& cov = cellCoverage(req);
      if (cov.empty()) break;
      const int64_t gx = int64_t{n.x} + static_cast<int64_t>(k) * u - a.left, gy = int64_t{n.y} - a.top;
      if (gx >= area.width || gx + cellW <= 0) continue;
      GlyphInk ink{cov.data(), req.cellWidth, req.cellHeight, static_cast<int>(gx), static_cast<int>(gy),
                   static_cast<uint8_t>(n.color >> 16), static_cast<uint8_t>(n.color >> 8),
                   static_cast<uint8_t>(n.color), false};
      blendGlyph(ink, area, nullptr, nullptr);
    }
  }
}

}  // namespace

void addDirty(Engine& e, int left, int top, int right, int bottom) {
  DirtyRect& d = e.gfx.dirtyRect;
  if (d.empty()) {
    d = DirtyRect{left, top, right, bottom};
    return;
  }
  d.left = std::min(d.left, left);
  d.top = std::min(d.top, top);
  d.right = std::max(d.right, right);
  d.bottom = std::max(d.bottom, bottom);
}

void addDirtyPicture(Engine& e, const ImageObject& obj, int x, int y) {
  addDirty(e, x, y, clampInt(int64_t{x} + obj.visibleWidth() + 1), clampInt(int64_t{y} + obj.visibleHeight() + 1));
}

void composeScreen(Engine& e, const DirtyRect* r) {
  GraphicsState& g = e.gfx;
  ImageObject& cs = g.composeSurface;
  if (!cs.hasPicture()) return;
  const int W = std::min(e.app.screenWidth, cs.dib.width), H = std::min(e.app.screenHeight, cs.dib.height);

  // The area (inclusive edges) and the clip handed to the blitter.
  ClipRect area{0, 0, W - 1, H - 1};
  const bool whole = r == nullptr;
  if (r) {
    area.left = static_cast<int>(std::clamp<int64_t>(r->left, 0, W));
    area.top = static_cast<int>(std::clamp<int64_t>(r->top, 0, H));
    area.right = static_cast<int>(std::clamp<int64_t>(int64_t{r->right} + 1, -1, W - 1));
    area.bottom = static_cast<int>(std::clamp<int64_t>(int64_t{r->bottom} + 1, -1, H - 1));
    if (area.right < area.left || area.bottom < area.top) return;
  }
  const ClipRect* clip = whole ? nullptr : &area;
  g.composeArea = area;
  const int aw = area.right - area.left + 1, ah = area.bottom - area.top + 1;

  // The background, black where it does not reach.
  const std::string keepName = cs.name;
  const BackgroundWindow& bw = g.bgWindow;
  if (bw.x == -1) {
    const Dib& bd = g.bgSurface.dib;
    if (!g.bgSurface.hasPicture() || bd.width < area.right + 1 || bd.height < area.bottom + 1)
      fillSurface(cs, area.left, area.top, area.right + 1, area.bottom + 1, 0);
    copyRect(g.bgSurface, area.left, area.top, cs, area.left, area.top, aw, ah);
  } else {
    fillSurface(cs, area.left, area.top, area.right + 1, area.bottom + 1, 0);
    const int64_t w = std::min<int64_t>(aw, int64_t{bw.x} + bw.width - area.left);
    const int64_t h = std::min<int64_t>(ah, int64_t{bw.height} - (int64_t{area.top} - bw.y));
    if (w > 0 && h > 0)
      copyRect(g.bgSurface, clampInt(int64_t{area.left} - bw.x), clampInt(int64_t{area.top} - bw.y), cs, area.left,
               area.top, static_cast<int>(w), static_cast<int>(h));
  }
  cs.name = keepName;

  const int humanz = std::clamp(humanzDepthOf(e), -1, kSpriteCount - 1);
  // From the back: the sprites behind the standing pictures,
  std::vector<Layer> layers;
  if (!g.allSpritesHidden) addSpriteRange(e, kSpriteCount - 1, humanz + 1, layers);
  // the standing pictures left, centre, right,
  if (!g.allSpritesHidden)
    for (const StandImage& s : g.standImages)
      if (!s.name.empty()) layers.push_back(Layer{&s.image, s.x, s.y});
  // the text window when it sits between the sprite groups,
  const bool windowBetween = windowInFrameOf(e) && windowBehindOf(e);
  if (windowBetween) {
    drawLayers(layers, cs, clip, e.app.screenWidth, e.app.screenHeight);
    layers.clear();
    composeTextWindow(e);
  }
  // the sprites in front,
  if (!g.allSpritesHidden) addSpriteRange(e, humanz, 0, layers);
  drawLayers(layers, cs, clip, e.app.screenWidth, e.app.screenHeight);
  // the enhanced sprites in front of all of them (and of a text window drawn between),
  drawEnhancedSprites(e, area);
  // the colour filters (the negative before or after the monochrome, as nega asked),
  if (g.negaMode == 1) negate(cs, area, whole);
  if (g.monochrome) monochrome(e, cs, area, whole);
  if (g.negaMode == 2) negate(cs, area, whole);
  // bars, then numbers,
  if (!systemMenuHidesLowSprites(e)) {
    drawBars(e, area);
    drawNumbers(e, area);
  }
  // and the text window on top.
  if (windowInFrameOf(e) && !windowBehindOf(e)) composeTextWindow(e);
}

}  // namespace veloria
