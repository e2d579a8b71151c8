// drawImage and drawLayers: the one software blitter for layered pictures.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/engine.h"
#include "graphics/blend_rows.h"
#include "graphics/image.h"
#include "graphics/cover_rows.h"
#include "graphics/mask_runs.h"

namespace veloria {

namespace {

struct Key24 {
  uint8_t b, g, r;
};

// Keyed 24-bit rows: pixels equal to the key are skipped; the rest copied or blended.
void keyedRow24(uint8_t* d, const uint8_t* s, int n, Key24 key, int level) {
  if (level < 0) {
    for (int i = 0; i < n; ++i, d += 3, s += 3) {
      if (s[0] == key.b && s[1] == key.g && s[2] == key.r) continue;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
    return;
  }
  const unsigned k = static_cast<unsigned>(level), ik = 255 - k;
  for (int i = 0; i < n; ++i, d += 3, s += 3) {
    if (s[0] == key.b && s[1] == key.g && s[2] == key.r) continue;
    d[0] = static_cast<uint8_t>(mul255(s[0], k) + mul255(d[0], ik));
    d[1] = static_cast<uint8_t>(mul255(s[1], k) + mul255(d[1], ik));
    d[2] = static_cast<uint8_t>(mul255(s[2], k) + mul255(d[2], ik));
  }
}

// 8-bit palette rows; keyIndex < 0 means no transparent index (copy mode).
void paletteRow(uint8_t* d, const uint8_t* s, int n, const uint8_t* pal, int keyIndex, int level) {
  const unsigned k = level < 0 ? 0 : static_cast<unsigned>(level), ik = 255 - k;
  for (int i = 0; i < n; ++i, d += 3) {
    int idx = s[i];
    if (idx == keyIndex) continue;
    const uint8_t* c = pal + idx * 4;
    if (level < 0) {
      d[0] = c[0];
      d[1] = c[1];
      d[2] = c[2];
    } else {
      d[0] = static_cast<uint8_t>(mul255(c[0], k) + mul255(d[0], ik));
      d[1] = static_cast<uint8_t>(mul255(c[1], k) + mul255(d[1], ik));
      d[2] = static_cast<uint8_t>(mul255(c[2], k) + mul255(d[2], ik));
    }
  }
}

// Rows are short and walk downward in memory (bottom-up bitmaps), which the hardware
// prefetchers follow poorly; the blitter fetches a few rows ahead while it blends.
constexpr int kAhead = 4;
inline void prefetchBytes(const uint8_t* p, size_t bytes, bool forWrite) {
  for (size_t o = 0; o < bytes; o += 64) {
    if (forWrite) __builtin_prefetch(p + o, 1);
    else __builtin_prefetch(p + o);
  }
}

// Where a picture lands in the target: the part that shows, after every clip.
struct Placement {
  const ImageObject* src = nullptr;
  int mode = 0;
  bool pal8 = false;
  int level = -1;    // -1, or 1..254 (255 is drawn as -1, 0 draws nothing)
  int dstX = 0, dstY = 0, w = 0, h = 0;
  int cellX = 0;     // the cell's first column in the bitmap
  int cx = 0;        // the first column shown, within the cell
  int srcY = 0;
  Key24 key{};
  int keyIndex = -1;
  const MaskRuns* runs = nullptr;  // alpha pictures
};

bool place(const ImageObject& src, const ImageObject& dst, const ClipRect* clip, int x, int y, int screenWidth,
           int screenHeight, Placement& p) {
  if (!src.hasPicture() || !dst.hasPicture() || dst.dib.bitCount != 24) return false;
  const Dib& sd = src.dib;

  // The clip rectangle, also kept inside the target so a small target is never overrun.
  ClipRect c = clip ? *clip : ClipRect{0, 0, dst.dib.width - 1, dst.dib.height - 1};
  c.left = std::max(c.left, 0);
  c.top = std::max(c.top, 0);
  c.right = std::min({c.right, screenWidth - 1, dst.dib.width - 1});
  c.bottom = std::min({c.bottom, screenHeight - 1, dst.dib.height - 1});
  if (c.right < c.left || c.bottom < c.top) return false;

  // The source is 24-bit or an 8-bit palette picture; nothing else draws.
  if (sd.paletteCount == 0 && sd.bitCount == 24) p.pal8 = false;
  else if (sd.paletteCount == 256 && sd.bitCount == 8) p.pal8 = true;
  else return false;
  p.mode = src.transMode;
  // An unknown mode draws nothing (palette pictures draw it as a plain copy).
  if (!p.pal8 && (p.mode < TRANS_LEFTUP || p.mode > TRANS_RIGHTUP)) return false;
  if (p.mode == TRANS_ALPHA && p.pal8) return false;

  // A cell outside the picture draws nothing rather than reading past it.
  if (src.cellCount < 1 || src.currentCell < 0 || src.currentCell >= src.cellCount) return false;
  const int cellW = src.cellWidth();
  const int visW = src.visibleWidth();
  const int visH = src.visibleHeight();
  if (visW <= 0 || visH <= 0) return false;

  // The source area clipped against the clip rectangle (64-bit: positions come from scripts).
  const int64_t x0 = std::max<int64_t>(x, c.left), x1 = std::min<int64_t>(int64_t{x} + visW - 1, c.right);
  const int64_t y0 = std::max<int64_t>(y, c.top), y1 = std::min<int64_t>(int64_t{y} + visH - 1, c.bottom);
  if (x1 < x0 || y1 < y0) return false;

  // Alpha levels outside 0..255 (scripts may store any number) are clamped here.
  int level = src.alphaLevel;
  if (level != -1) level = std::clamp(level, 0, 255);
  if (level == 0 && p.mode == TRANS_ALPHA) return false;  // every byte would come out as it was
  if (level == 255 && !p.pal8) level = -1;  // 24-bit blends at full level give the source's bytes

  p.src = &src;
  p.level = level;
  p.w = static_cast<int>(x1 - x0 + 1);
  p.h = static_cast<int>(y1 - y0 + 1);
  p.dstX = static_cast<int>(x0);
  p.dstY = static_cast<int>(y0);
  p.cellX = cellW * src.currentCell;
  p.cx = static_cast<int>(x0 - x);
  p.srcY = static_cast<int>(y0 - y);
  if (p.mode == TRANS_ALPHA) p.runs = &maskRunsOf(src);

  // The transparent colour: the one the tag named, or the top-left (top-right) pixel.
  if (p.mode == TRANS_LEFTUP || p.mode == TRANS_RIGHTUP || p.mode == TRANS_COLORKEY) {
    const uint8_t* top = sd.row(0);
    const int keyX = p.mode == TRANS_RIGHTUP ? sd.width - 1 : 0;
    if (p.mode == TRANS_COLORKEY) {
      p.key = Key24{static_cast<uint8_t>(src.keyBlue), static_cast<uint8_t>(src.keyGreen),
                    static_cast<uint8_t>(src.keyRed)};
      p.keyIndex = src.keyIndex;
    } else if (p.pal8) {
      p.keyIndex = top[keyX];
    } else {
      p.key = Key24{top[keyX * 3], top[keyX * 3 + 1], top[keyX * 3 + 2]};
    }
  }
  return true;
}

// Draws columns [from, to) (counted from the placement's left edge) of row j of an alpha
// placement, all of one run of the given kind.
void drawRun(const Placement& p, ImageObject& dst, int j, int from, int to, RunKind kind, const BlendKernels& k) {
  if (kind == RunKind::Skip) return;
  const size_t at = static_cast<size_t>(p.cellX + p.cx + from) * 3;
  const uint8_t* in = p.src->dib.row(p.srcY + j) + at;
  uint8_t* out = dst.dib.row(p.dstY + j) + static_cast<size_t>(p.dstX + from) * 3;
  const int n = to - from;
  const uint8_t* mask = p.runs->maskRow(p.src->currentCell, p.srcY + j) + p.cx + from;
  if (p.level < 0) {
    // The weighted colour equals the colour where the picture is opaque.
    const uint8_t* w = p.runs->weightedRow(p.src->currentCell, p.srcY + j) + static_cast<size_t>(p.cx + from) * 3;
    if (kind == RunKind::Copy) std::memcpy(out, w, static_cast<size_t>(n) * 3);
    else k.weightedRow(out, w, mask, n);
    return;
  }
  if (kind == RunKind::Copy) k.levelBytes(out, in, n * 3, p.level);
  else k.alphaLevelRow(out, in, mask, n, p.level);
}

// Draws columns [from, to) (counted from the placement's left edge) of row j of the placement.
// Alpha pictures go by their run table: transparent runs are passed over without reading
// anything, opaque ones copied (or blended at the level), and only the rest is blended by its
// mask.
void drawRow(const Placement& p, ImageObject& dst, int j, int from, int to, const BlendKernels& k) {
  const Dib& sd = p.src->dib;
  const int bpp = p.pal8 ? 1 : 3;
  const uint8_t* sp = sd.row(p.srcY + j) + static_cast<size_t>(p.cellX) * bpp;  // column 0 of the cell
  uint8_t* dp = dst.dib.row(p.dstY + j) + static_cast<size_t>(p.dstX) * 3;        // column cx of the cell
  if (p.mode == TRANS_ALPHA) {
    p.runs->forRuns(p.src->currentCell, p.srcY + j, p.cx + from, p.cx + to,
                    [&](int s, int e, RunKind kind) { drawRun(p, dst, j, s - p.cx, e - p.cx, kind, k); });
    return;
  }
  const int n = to - from;
  sp += static_cast<size_t>(p.cx + from) * bpp;
  dp += static_cast<size_t>(from) * 3;
  if (p.pal8) {
    paletteRow(dp, sp, n, sd.palette.data(), p.mode == TRANS_COPY ? -1 : p.keyIndex, p.level);
    return;
  }
  if (p.mode == TRANS_COPY) {
    if (p.level < 0) std::memcpy(dp, sp, static_cast<size_t>(n) * 3);
    else k.levelBytes(dp, sp, n * 3, p.level);
    return;
  }
  keyedRow24(dp, sp, n, p.key, p.level);
}

// Rows from the top of the visible area downward.
// An alpha placement at full level, row after row: the hot loop of most scenes, so the row
// pointers are worked out once a row and rows are prefetched only where they draw.
void drawAlphaPlacement(const Placement& p, ImageObject& dst, const BlendKernels& k) {
  const MaskRuns& t = *p.runs;
  Dib& dd = dst.dib;
  const int cell = p.src->currentCell, x0 = p.cx, x1 = p.cx + p.w;
  const uint32_t* rowStart = t.rowStart.data() + static_cast<size_t>(cell) * static_cast<size_t>(t.height);
  const uint32_t* entries = t.entries.data();
  // The drawn extent of row y of the cell (its leading and trailing transparent runs left out).
  auto drawnExtent = [&](int y, int& a, int& b) {
    const uint32_t* e0 = entries + rowStart[y];
    const uint32_t* en = entries + rowStart[y + 1] - 1;  // the terminator
    a = MaskRuns::startOf(MaskRuns::kindOf(*e0) == RunKind::Skip ? e0[1] : *e0);
    b = MaskRuns::startOf(en != e0 && MaskRuns::kindOf(en[-1]) == RunKind::Skip ? en[-1] : *en);
    a = std::max(a, x0);
    b = std::min(b, x1);
  };
  for (int j = 0; j < p.h; ++j) {
    const int y = p.srcY + j;
    if (j + kAhead < p.h) {
      int a, b;
      drawnExtent(y + kAhead, a, b);
      if (a < b) {
        const size_t n = static_cast<size_t>(b - a);
        prefetchBytes(t.weightedRow(cell, y + kAhead) + static_cast<size_t>(a) * 3, n * 3, false);
        prefetchBytes(dd.row(p.dstY + j + kAhead) + static_cast<size_t>(p.dstX + a - x0) * 3, n * 3, true);
        prefetchBytes(t.maskRow(cell, y + kAhead) + a, n, false);
      }
    }
    const uint8_t* in = t.weightedRow(cell, y) + static_cast<size_t>(x0) * 3;
    uint8_t* out = dd.row(p.dstY + j) + static_cast<size_t>(p.dstX) * 3;
    const uint8_t* mask = t.maskRow(cell, y) + x0;
    const uint32_t* it = entries + rowStart[y];
    const uint32_t* last = entries + rowStart[y + 1] - 1;
    if (x0 > 0) {
      it = std::upper_bound(it, last, x0, [](int x, uint32_t e) { return x < MaskRuns::startOf(e); });
      if (it != entries + rowStart[y]) --it;
    }
    for (; it != last; ++it) {
      const int rs = MaskRuns::startOf(*it);
      if (rs >= x1) break;
      const RunKind kind = MaskRuns::kindOf(*it);
      if (kind == RunKind::Skip) continue;
      const int a = std::max(rs, x0) - x0, b = std::min(MaskRuns::startOf(it[1]), x1) - x0;
      if (a >= b) continue;
      const size_t o = static_cast<size_t>(a) * 3;
      if (kind == RunKind::Copy) std::memcpy(out + o, in + o, static_cast<size_t>(b - a) * 3);
      else k.weightedRow(out + o, in + o, mask + a, b - a);
    }
  }
}

// Rows from the top of the visible area downward.
void drawPlacement(const Placement& p, ImageObject& dst, const BlendKernels& k) {
  if (p.mode == TRANS_ALPHA && p.level < 0) {
    drawAlphaPlacement(p, dst, k);
    return;
  }
  const Dib& sd = p.src->dib;
  const int bpp = p.pal8 ? 1 : 3;
  const size_t srcBytes = static_cast<size_t>(p.w) * bpp, dstBytes = static_cast<size_t>(p.w) * 3;
  const size_t srcAt = static_cast<size_t>(p.cellX + p.cx) * bpp, dstAt = static_cast<size_t>(p.dstX) * 3;
  for (int j = 0; j < p.h; ++j) {
    if (j + kAhead < p.h) {
      prefetchBytes(sd.row(p.srcY + j + kAhead) + srcAt, srcBytes, false);
      prefetchBytes(dst.dib.row(p.dstY + j + kAhead) + dstAt, dstBytes, true);
      if (p.runs) prefetchBytes(p.runs->maskRow(p.src->currentCell, p.srcY + j + kAhead) + p.cx, static_cast<size_t>(p.w), false);
    }
    drawRow(p, dst, j, 0, p.w, k);
  }
}

// The columns [from, to) of row j of a placement (counted from its top-left corner) that
// something in front leaves to be drawn.
struct Segment {
  int32_t j, from, to;
};

// The fully opaque columns of row j of a placement, counted from its left edge (empty if
// none): all of a plain copy, the longest opaque stretch of an alpha picture's row.
MaskRuns::Span opaqueColumns(const Placement& p, int j) {
  if (p.level >= 0) return {};
  if (p.mode == TRANS_COPY) return {0, p.w};
  if (p.mode != TRANS_ALPHA) return {};
  const MaskRuns::Span& s = p.runs->opaqueSpan(p.src->currentCell, p.srcY + j);
  return {std::max(s.from - p.cx, 0), std::min(s.to - p.cx, p.w)};
}

void prefetchSegment(const Placement& p, const ImageObject& dst, const Segment& s) {
  const int bpp = p.pal8 ? 1 : 3;
  const size_t n = static_cast<size_t>(s.to - s.from);
  if (p.runs && p.level < 0)
    prefetchBytes(p.runs->weightedRow(p.src->currentCell, p.srcY + s.j) + static_cast<size_t>(p.cx + s.from) * 3, n * 3,
                  false);
  else
    prefetchBytes(p.src->dib.row(p.srcY + s.j) + static_cast<size_t>(p.cellX + p.cx + s.from) * bpp, n * bpp, false);
  prefetchBytes(dst.dib.row(p.dstY + s.j) + static_cast<size_t>(p.dstX + s.from) * 3, n * 3, true);
  if (p.runs) prefetchBytes(p.runs->maskRow(p.src->currentCell, p.srcY + s.j) + p.cx + s.from, n, false);
}

// Hiding pays only where a layer in front covers long stretches: cutting a farther layer's
// row costs about as much as copying a short stretch would. Nearer layers with shorter opaque
// rows are drawn over what lies behind them as usual.
constexpr int kMinOccluder = 128;
// Farther layers are tested against at most this many occluders (the first ones met).
constexpr size_t kMaxOccluders = 64;

bool isOccluder(const Placement& p) {
  if (p.level >= 0) return false;
  if (p.mode == TRANS_COPY) return p.w >= kMinOccluder;
  return p.mode == TRANS_ALPHA && std::min(p.runs->longestOpaque, p.w) >= kMinOccluder;
}

bool overlaps(const Placement& a, const Placement& b) {
  return a.dstX < b.dstX + b.w && b.dstX < a.dstX + a.w && a.dstY < b.dstY + b.h && b.dstY < a.dstY + a.h;
}

struct LayerScratch {
  std::vector<Placement> placed;
  // Per placement: [first, last) in segments, or first == kWhole when it is drawn whole.
  std::vector<std::pair<size_t, size_t>> segmentsOf;
  std::vector<Segment> segments;
  std::vector<size_t> occluders;
  CoverRows cover;
};
constexpr size_t kWhole = SIZE_MAX;

}  // namespace

void drawImage(const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y, int screenWidth,
               int screenHeight) {
  Placement p;
  if (!place(src, dst, clip, x, y, screenWidth, screenHeight, p)) return;
  forgetMaskRuns(dst);
  drawPlacement(p, dst, activeKernels());
}

void drawLayers(const std::vector<Layer>& layers, ImageObject& dst, const ClipRect* clip, int screenWidth,
                int screenHeight) {
  const BlendKernels& k = activeKernels();
  forgetMaskRuns(dst);
  thread_local LayerScratch s;
  s.placed.clear();
  for (const Layer& l : layers) {
    Placement p;
    if (l.image && place(*l.image, dst, clip, l.x, l.y, screenWidth, screenHeight, p)) s.placed.push_back(p);
  }
  if (s.placed.size() < 2) {
    for (const Placement& p : s.placed) drawPlacement(p, dst, k);
    return;
  }

  // From the front: what of each row is left uncovered by the occluders in front of it.
  int top = s.placed[0].dstY, bottom = top;
  for (const Placement& p : s.placed) {
    top = std::min(top, p.dstY);
    bottom = std::max(bottom, p.dstY + p.h);
  }
  s.cover.reset(top, bottom - top);
  s.segments.clear();
  s.occluders.clear();
  s.segmentsOf.resize(s.placed.size());
  for (size_t i = s.placed.size(); i-- > 0;) {
    const Placement& p = s.placed[i];
    const bool behind =
        std::any_of(s.occluders.begin(), s.occluders.end(), [&](size_t o) { return overlaps(s.placed[o], p); });
    if (behind) {
      const size_t first = s.segments.size();
      for (int j = 0; j < p.h; ++j)
        s.cover.uncovered(p.dstY + j, p.dstX, p.dstX + p.w,
                          [&](int from, int to) { s.segments.push_back(Segment{j, from - p.dstX, to - p.dstX}); });
      s.segmentsOf[i] = {first, s.segments.size()};
    } else {
      s.segmentsOf[i] = {kWhole, 0};
    }
    if (i == 0 || s.occluders.size() == kMaxOccluders || !isOccluder(p)) continue;
    s.occluders.push_back(i);
    for (int j = 0; j < p.h; ++j) {
      const MaskRuns::Span o = opaqueColumns(p, j);
      if (o.from < o.to) s.cover.add(p.dstY + j, p.dstX + o.from, p.dstX + o.to);
    }
  }

  // Then drawn from the back, each layer only where it shows.
  for (size_t i = 0; i < s.placed.size(); ++i) {
    const Placement& p = s.placed[i];
    const auto [first, last] = s.segmentsOf[i];
    if (first == kWhole) {
      drawPlacement(p, dst, k);
      continue;
    }
    for (size_t q = first; q < last; ++q) {
      if (q + kAhead < last) prefetchSegment(p, dst, s.segments[q + kAhead]);
      const Segment& g = s.segments[q];
      drawRow(p, dst, g.j, g.from, g.to, k);
    }
  }
}

void drawImage(Engine& e, const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y) {
  drawImage(src, dst, clip, x, y, e.app.screenWidth, e.app.screenHeight);
}

}  // namespace veloria
