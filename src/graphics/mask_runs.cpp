#include "graphics/mask_runs.h"

#include <memory>

#include "graphics/image.h"

namespace veloria {

namespace {

// Opaque or transparent stretches shorter than this beside a blended one are blended with
// it, and blended stretches are widened to whole groups of the vector kernel where the row
// has room. Blending gives the same bytes as copying where the mask is 0 and as skipping
// where it is 255, so the table only trades calls and partial groups for a few extra pixels.
// The vector kernel passes over whole opaque or transparent groups almost as fast as a copy,
// so a small sprite's row is mostly one blended run.
constexpr int kShortRun = 128;
constexpr int kGroup = 16;

RunKind kindOfMask(uint8_t m) { return m == 0 ? RunKind::Copy : m == 255 ? RunKind::Skip : RunKind::Blend; }

// Appends the entries of one row and returns its longest opaque stretch; `kinds` is scratch
// space. Only the blue byte of a mask pixel counts, as in the blend kernels.
MaskRuns::Span appendRow(const uint8_t* colour, const uint8_t* mask, int w, std::vector<RunKind>& kinds,
                         MaskRuns& t) {
  std::vector<uint32_t>& out = t.entries;
  kinds.resize(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) {
    const uint8_t m = mask[static_cast<size_t>(x) * 3];
    t.mask.push_back(m);
    for (int c = 0; c < 3; ++c) t.weighted.push_back(mul255(colour[static_cast<size_t>(x) * 3 + c], 255u - m));
    kinds[static_cast<size_t>(x)] = kindOfMask(m);
  }
  auto runEnd = [&](int x) {
    const RunKind k = kinds[static_cast<size_t>(x)];
    while (x < w && kinds[static_cast<size_t>(x)] == k) ++x;
    return x;
  };
  // Taken before short opaque stretches are merged into blended ones below.
  MaskRuns::Span longest;
  for (int x = 0; x < w;) {
    const int e = runEnd(x);
    if (kinds[static_cast<size_t>(x)] == RunKind::Copy && e - x > longest.to - longest.from) longest = {x, e};
    x = e;
  }
  // Short stretches next to a blended one join it.
  for (int x = 0; x < w;) {
    const int e = runEnd(x);
    const RunKind k = kinds[static_cast<size_t>(x)];
    const bool nearBlend = (x > 0 && kinds[static_cast<size_t>(x) - 1] == RunKind::Blend) ||
                           (e < w && kinds[static_cast<size_t>(e)] == RunKind::Blend);
    if (k != RunKind::Blend && nearBlend && e - x < kShortRun)
      std::fill(kinds.begin() + x, kinds.begin() + e, RunKind::Blend);
    x = e;
  }
  // Blended stretches grow to whole groups, rightward first.
  for (int x = 0; x < w;) {
    int e = runEnd(x);
    if (kinds[static_cast<size_t>(x)] == RunKind::Blend) {
      int s = x;
      const int missing = (kGroup - (e - s) % kGroup) % kGroup;
      const int right = std::min(missing, w - e);
      e += right;
      s = std::max(0, s - (missing - right));
      std::fill(kinds.begin() + s, kinds.begin() + e, RunKind::Blend);
      e = runEnd(s);  // it may have met the next blended stretch
    }
    x = e;
  }
  for (int x = 0; x < w; x = runEnd(x))
    out.push_back(static_cast<uint32_t>(x) << 2 | static_cast<uint32_t>(kinds[static_cast<size_t>(x)]));
  out.push_back(static_cast<uint32_t>(w) << 2);  // terminator
  return longest;
}


std::shared_ptr<MaskRuns> buildMaskRuns(const ImageObject& obj) {
  const Dib& d = obj.dib;
  auto t = std::make_shared<MaskRuns>();
  t->pixels = d.pixels.data();
  t->bytes = d.pixels.size();
  t->width = d.width;
  t->height = d.height;
  t->stride = d.stride;
  t->cellCount = std::max(obj.cellCount, 0);
  t->visibleWidth = obj.visibleWidth();
  const int cellW = obj.cellWidth(), visW = t->visibleWidth;
  t->rowStart.reserve(static_cast<size_t>(t->cellCount) * static_cast<size_t>(d.height) + 1);
  t->opaque.reserve(static_cast<size_t>(t->cellCount) * static_cast<size_t>(d.height));
  t->mask.reserve(static_cast<size_t>(t->cellCount) * static_cast<size_t>(d.height) * static_cast<size_t>(std::max(visW, 0)));
  t->weighted.reserve(t->mask.capacity() * 3);
  std::vector<RunKind> kinds;
  for (int c = 0; c < t->cellCount; ++c)
    for (int y = 0; y < d.height; ++y) {
      t->rowStart.push_back(static_cast<uint32_t>(t->entries.size()));
      const uint8_t* colour = d.row(y) + static_cast<size_t>(c) * cellW * 3;
      t->opaque.push_back(appendRow(colour, colour + static_cast<size_t>(visW) * 3, visW, kinds, *t));
    }
  t->rowStart.push_back(static_cast<uint32_t>(t->entries.size()));
  for (const MaskRuns::Span& o : t->opaque) t->longestOpaque = std::max(t->longestOpaque, o.to - o.from);
  return t;
}

bool matches(const MaskRuns& t, const ImageObject& obj) {
  const Dib& d = obj.dib;
  return t.pixels == d.pixels.data() && t.bytes == d.pixels.size() && t.width == d.width && t.height == d.height &&
         t.stride == d.stride && t.cellCount == obj.cellCount && t.visibleWidth == obj.visibleWidth();
}

}  // namespace

const MaskRuns& maskRunsOf(const ImageObject& obj) {
  if (!obj.dib.maskRuns || !matches(*obj.dib.maskRuns, obj)) obj.dib.maskRuns = buildMaskRuns(obj);
  return *obj.dib.maskRuns;
}

}  // namespace veloria
