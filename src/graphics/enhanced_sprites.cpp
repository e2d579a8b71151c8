// The transform of enhanced sprites and their step of the composition.
#include "graphics/enhanced_sprites.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/engine.h"
#include "graphics/blend_rows.h"
#include "graphics/graphics.h"
#include "graphics/mask_runs.h"

namespace veloria {

namespace {

// Positions far past any screen; keeps box arithmetic clear of int overflow.
constexpr double kFar = 1 << 29;

int toCoord(double v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); }

// The mapping of one picture: screen offset (X, Y) from the centre shows the source pixel
// i = floor((X cs - Y sn) / a + W / 2), j = floor((X sn + Y cs) / b + H / 2).
struct Mapping {
  double a = 1, b = 1, cs = 1, sn = 0;
  double halfW = 0, halfH = 0;
  int W = 0, H = 0;
  ClipRect box;
};

// cos and sin of the angle; the multiples of 90 degrees take their exact values, so a turned
// picture keeps its edges on whole pixels.
void angleOf(int32_t degrees, double& cs, double& sn) {
  const int32_t r = degrees % 360;
  if (r == 0) {
    cs = 1, sn = 0;
  } else if (r == 90 || r == -270) {
    cs = 0, sn = 1;
  } else if (r == 180 || r == -180) {
    cs = -1, sn = 0;
  } else if (r == 270 || r == -90) {
    cs = 0, sn = -1;
  } else {
    const double theta = r * std::numbers::pi / 180.0;
    cs = std::cos(theta);
    sn = std::sin(theta);
  }
}

bool mapPicture(const ImageObject& src, const SpriteTransform& t, Mapping& m) {
  if (!src.hasPicture() || t.scaleX == 0 || t.scaleY == 0) return false;
  m.W = src.visibleWidth();
  m.H = src.visibleHeight();
  if (m.W <= 0 || m.H <= 0) return false;
  m.a = t.scaleX / 100.0;
  m.b = t.scaleY / 100.0;
  angleOf(t.angle, m.cs, m.sn);
  m.halfW = m.W / 2.0;
  m.halfH = m.H / 2.0;
  // The four corners on the screen; the box is floor of the least to ceil of the greatest.
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  bool first = true;
  for (double u : {-m.halfW, m.halfW})
    for (double v : {-m.halfH, m.halfH}) {
      const double sx = t.x + m.a * u * m.cs + m.b * v * m.sn;
      const double sy = t.y - m.a * u * m.sn + m.b * v * m.cs;
      xmin = first ? sx : std::min(xmin, sx);
      xmax = first ? sx : std::max(xmax, sx);
      ymin = first ? sy : std::min(ymin, sy);
      ymax = first ? sy : std::max(ymax, sy);
      first = false;
    }
  m.box = ClipRect{toCoord(std::floor(xmin)), toCoord(std::floor(ymin)), toCoord(std::ceil(xmax)),
                   toCoord(std::ceil(ymax))};
  return true;
}

// What a source pixel looks like to the transform: its colour and its coverage.
struct Source {
  const Dib* dib = nullptr;
  bool pal8 = false;
  int mode = TRANS_COPY;
  int cellX = 0;           // the current cell's first column
  int maskOffset = 0;      // alpha mode: bytes from a colour pixel to its mask pixel
  bool keyed = false;
  uint8_t key[3] = {};     // 24-bit key: blue, green, red
  int keyIndex = -1;       // 8-bit key
};

// The same sources, modes and keys the blitter draws; false for what it would not draw.
bool prepareSource(const ImageObject& src, Source& s) {
  const Dib& d = src.dib;
  if (d.paletteCount == 0 && d.bitCount == 24) s.pal8 = false;
  else if (d.paletteCount == 256 && d.bitCount == 8 && d.palette.size() >= 1024) s.pal8 = true;
  else return false;
  s.dib = &d;
  s.mode = src.transMode;
  if (s.pal8 && s.mode == TRANS_ALPHA) return false;
  if (s.mode < TRANS_LEFTUP || s.mode > TRANS_RIGHTUP) {
    if (!s.pal8) return false;
    s.mode = TRANS_COPY;  // a palette picture draws an unknown mode as a plain copy
  }
  if (src.cellCount < 1 || src.currentCell < 0 || src.currentCell >= src.cellCount) return false;
  s.cellX = src.cellWidth() * src.currentCell;
  s.maskOffset = src.visibleWidth() * 3;
  if (s.mode == TRANS_COPY || s.mode == TRANS_ALPHA) return true;
  s.keyed = true;
  const uint8_t* top = d.row(0);
  const int keyX = s.mode == TRANS_RIGHTUP ? d.width - 1 : 0;
  if (s.mode == TRANS_COLORKEY) {
    s.key[0] = static_cast<uint8_t>(src.keyBlue);
    s.key[1] = static_cast<uint8_t>(src.keyGreen);
    s.key[2] = static_cast<uint8_t>(src.keyRed);
    s.keyIndex = src.keyIndex;
  } else if (s.pal8) {
    s.keyIndex = top[keyX];
  } else {
    s.key[0] = top[keyX * 3];
    s.key[1] = top[keyX * 3 + 1];
    s.key[2] = top[keyX * 3 + 2];
  }
  return true;
}

// Source column i, row j of the cell: its colour (blue, green, red) and its coverage 0..255.
inline const uint8_t* sample(const Source& s, int i, int j, unsigned& coverage) {
  const uint8_t* row = s.dib->row(j);
  if (s.pal8) {
    const int idx = row[s.cellX + i];
    coverage = s.keyed && idx == s.keyIndex ? 0 : 255;
    return s.dib->palette.data() + static_cast<size_t>(idx) * 4;
  }
  const uint8_t* p = row + static_cast<size_t>(s.cellX + i) * 3;
  if (s.mode == TRANS_ALPHA) coverage = 255u - p[s.maskOffset];  // the mask: black is opaque
  else if (s.keyed) coverage = p[0] == s.key[0] && p[1] == s.key[1] && p[2] == s.key[2] ? 0 : 255;
  else coverage = 255;
  return p;
}

// Narrows [from, to] to the screen columns whose coordinate c = X * slope + offset may lie in
// [-half, half), X = px - centre. Widened by a pixel on each side: the exact test per pixel
// decides, this only spares the pixels that cannot pass it.
void narrowSpan(double slope, double offset, double half, int32_t centre, int& from, int& to) {
  if (std::abs(slope) < 1e-12) return;
  double lo = (-half - offset) / slope, hi = (half - offset) / slope;
  if (lo > hi) std::swap(lo, hi);
  lo = std::floor(lo) - 1 + centre;
  hi = std::ceil(hi) + 1 + centre;
  if (lo > from) from = static_cast<int>(std::min<double>(lo, to + 1.0));
  if (hi < to) to = static_cast<int>(std::max<double>(hi, from - 1.0));
}

}  // namespace

bool transformedBox(const ImageObject& src, const SpriteTransform& t, ClipRect& box) {
  Mapping m;
  if (!mapPicture(src, t, m)) return false;
  box = m.box;
  return true;
}

void drawTransformed(const ImageObject& src, const SpriteTransform& t, ImageObject& dst, const ClipRect& clip) {
  const unsigned k = static_cast<unsigned>(std::clamp(t.opacity, 0, 255));
  if (k == 0 || !dst.hasPicture() || dst.dib.bitCount != 24) return;
  Mapping m;
  Source s;
  if (!mapPicture(src, t, m) || !prepareSource(src, s)) return;
  const int left = std::max({m.box.left, clip.left, 0});
  const int right = std::min({m.box.right, clip.right, dst.dib.width - 1});
  const int top = std::max({m.box.top, clip.top, 0});
  const int bottom = std::min({m.box.bottom, clip.bottom, dst.dib.height - 1});
  if (right < left || bottom < top) return;
  forgetMaskRuns(dst);
  // Each row's source pixels and their masks (255 - coverage; 255 where the picture does not
  // reach) are gathered first, then blended by the blitter's row kernel:
  // w = M[coverage][k], new = M[source][w] + M[old][255 - w].
  const BlendKernels& kernels = activeKernels();
  const size_t span = static_cast<size_t>(right - left + 1) * 3;
  std::vector<uint8_t> colours(span), masks(span);
  for (int py = top; py <= bottom; ++py) {
    const double Y = static_cast<double>(py) - t.y;
    int from = left, to = right;
    narrowSpan(m.cs / m.a, -Y * m.sn / m.a, m.halfW, t.x, from, to);
    narrowSpan(m.sn / m.b, Y * m.cs / m.b, m.halfH, t.x, from, to);
    if (to < from) continue;
    uint8_t* c = colours.data();
    uint8_t* mk = masks.data();
    bool any = false;
    for (int px = from; px <= to; ++px, c += 3, mk += 3) {
      const double X = static_cast<double>(px) - t.x;
      const double u = (X * m.cs - Y * m.sn) / m.a;
      const double v = (X * m.sn + Y * m.cs) / m.b;
      // floor(t) lies in 0..W-1 exactly when 0 <= t < W, and is then t cut to an integer.
      const double ti = u + m.halfW, tj = v + m.halfH;
      unsigned coverage = 0;
      if (ti >= 0 && ti < m.W && tj >= 0 && tj < m.H) {
        const uint8_t* p = sample(s, static_cast<int>(ti), static_cast<int>(tj), coverage);
        c[0] = p[0];
        c[1] = p[1];
        c[2] = p[2];
        any = any || coverage != 0;
      }
      mk[0] = mk[1] = mk[2] = static_cast<uint8_t>(255 - coverage);
    }
    if (any)
      kernels.alphaLevelRow(dst.dib.row(py) + static_cast<size_t>(from) * 3, colours.data(), masks.data(),
                            to - from + 1, static_cast<int>(k));
  }
}

void drawEnhancedSprites(Engine& e, const ClipRect& area) {
  GraphicsState& g = e.gfx;
  if (g.allSpritesHidden) return;
  ClipRect clip = area;
  clip.right = std::min(clip.right, e.app.screenWidth - 1);
  clip.bottom = std::min(clip.bottom, e.app.screenHeight - 1);
  for (int n = kEnhancedSpriteCount - 1; n >= 0; --n) {
    const EnhancedSprite& s = g.enhancedSprites[static_cast<size_t>(n)];
    if (s.name.empty() || !s.visible) continue;
    drawTransformed(s.image, transformOf(s), g.composeSurface, clip);
  }
}

void addEnhancedSpriteDirty(Engine& e, const EnhancedSprite& s) {
  ClipRect box;
  if (s.name.empty() || !transformedBox(s.image, transformOf(s), box)) return;
  addDirty(e, box.left, box.top, box.right, box.bottom);
}

}  // namespace veloria
