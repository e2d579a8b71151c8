#include "text/glyph_blend.h"

#include <algorithm>
#include <array>

#include "graphics/image.h"

namespace veloria {

namespace {

inline uint8_t addSat(int p, int q) { return static_cast<uint8_t>(std::min(255, p + q)); }

}  // namespace

const uint8_t* mulTableRow(int a) { return MulTable.data() + a * 256; }

void blendGlyph(const GlyphInk& g, const PixelTarget& display, const PixelTarget* layer, uint8_t* coverageMap) {
  if (!g.coverage || !display.bits) return;
  const uint8_t* mulB = mulTableRow(g.b);
  const uint8_t* mulG = mulTableRow(g.g);
  const uint8_t* mulR = mulTableRow(g.r);
  int k0 = std::max(0, -g.x), k1 = std::min(g.cellWidth, display.width - g.x);
  for (int r = 0; r < g.cellHeight; ++r) {
    int y = g.y + r;
    if (y < 0 || y >= display.height || k0 >= k1) continue;
    const uint8_t* cov = g.coverage + static_cast<size_t>(r) * g.cellWidth;
    uint8_t* d = display.at(g.x + k0, y);
    uint8_t* l = layer ? layer->at(g.x + k0, y) : nullptr;
    uint8_t* c = coverageMap ? coverageMap + static_cast<size_t>(display.height - 1 - y) * display.width : nullptr;
    for (int k = k0; k < k1; ++k, d += 3) {
      int a = cov[k];
      if (c) c[g.x + k] = static_cast<uint8_t>(a);
      if (a == 0) {
        // Most of a cell is blank: the layer gets nothing and the display (and its shadow
        // pixel) would be multiplied by one.
        if (l) {
          l[0] = l[1] = l[2] = 0;
          l += 3;
        }
        continue;
      }
      const uint8_t* keep = mulTableRow(255 - a);
      uint8_t pb = mulB[a], pg = mulG[a], pr = mulR[a];
      if (l) {
        l[0] = pb;
        l[1] = pg;
        l[2] = pr;
        l += 3;
      }
      d[0] = addSat(pb, keep[d[0]]);
      d[1] = addSat(pg, keep[d[1]]);
      d[2] = addSat(pr, keep[d[2]]);
      if (g.shadow && g.x + k + 1 < display.width) {
        d[3] = keep[d[3]];
        d[4] = keep[d[4]];
        d[5] = keep[d[5]];
      }
    }
  }
}

void overlayText(const PixelTarget& target, const PixelTarget& layer, const uint8_t* coverageMap, int left, int top,
                 int right, int bottom, bool shadow) {
  if (!target.bits || !layer.bits || !coverageMap) return;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min({right, target.width, layer.width});
  bottom = std::min({bottom, target.height, layer.height});
  for (int y = top; y < bottom; ++y) {
    const uint8_t* c = coverageMap + static_cast<size_t>(layer.height - 1 - y) * layer.width;
    uint8_t* o = target.at(left, y);
    const uint8_t* l = layer.at(left, y);
    // The shadow of a stroke just left of the area falls on its first column.
    if (shadow && left > 0 && c[left - 1] > 0) {
      const uint8_t* keep = mulTableRow(255 - c[left - 1]);
      o[0] = keep[o[0]];
      o[1] = keep[o[1]];
      o[2] = keep[o[2]];
    }
    for (int x = left; x < right; ++x, o += 3, l += 3) {
      int a = c[x];
      if (a == 0) continue;
      const uint8_t* keep = mulTableRow(255 - a);
      o[0] = addSat(l[0], keep[o[0]]);
      o[1] = addSat(l[1], keep[o[1]]);
      o[2] = addSat(l[2], keep[o[2]]);
      if (shadow && x + 1 < right) {
        o[3] = keep[o[3]];
        o[4] = keep[o[4]];
        o[5] = keep[o[5]];
      }
    }
  }
}

void tintPixels(const PixelTarget& target, int left, int top, int right, int bottom, uint32_t rgb) {
  if (!target.bits) return;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, target.width);
  bottom = std::min(bottom, target.height);
  const uint8_t* mb = mulTableRow(rgb & 0xFF);
  const uint8_t* mg = mulTableRow((rgb >> 8) & 0xFF);
  const uint8_t* mr = mulTableRow((rgb >> 16) & 0xFF);
  for (int y = top; y < bottom; ++y) {
    uint8_t* p = target.at(left, y);
    for (int x = left; x < right; ++x, p += 3) {
      p[0] = mb[p[0]];
      p[1] = mg[p[1]];
      p[2] = mr[p[2]];
    }
  }
}

}  // namespace veloria
