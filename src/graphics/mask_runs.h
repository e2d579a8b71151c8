// Run tables of alpha pictures: for every cell and row, the stretches of the mask that are
// transparent (skipped), opaque (copied) or partly transparent (blended), the mask itself at
// one byte a pixel and the colour weighted by it. A table is built once from a picture's
// pixels and kept beside them (four bytes a visible pixel), so drawing at full level reads
// neither half of the picture.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/picture.h"

namespace veloria {

enum class RunKind : uint8_t { Skip = 0, Copy = 1, Blend = 2 };

struct MaskRuns {
  // The picture the table was built from; one that no longer matches gets a new table.
  const uint8_t* pixels = nullptr;
  size_t bytes = 0;
  int width = 0, height = 0, stride = 0, cellCount = 0;
  int visibleWidth = 0;
  // The runs of row y of cell c are entries[rowStart[c * height + y] ..] up to the next row's
  // first entry. Each entry is start << 2 | kind; the row's last entry is a terminator at
  // visibleWidth, so a run ends where the next entry starts.
  std::vector<uint32_t> rowStart;
  std::vector<uint32_t> entries;
  // The longest stretch of fully opaque pixels of each row ([from, to), empty if none), in the
  // same order as rowStart. What a picture draws there hides whatever lies behind it.
  struct Span {
    int32_t from = 0, to = 0;
  };
  std::vector<Span> opaque;
  int longestOpaque = 0;  // the longest of them
  // The blue byte of every mask pixel (the one the blend uses), visibleWidth bytes a row, rows
  // in the same order as rowStart.
  std::vector<uint8_t> mask;
  // The colour already weighted by its opacity, M[colour][255 - m] for each byte, three bytes a
  // pixel, rows as for the mask. Drawing at full level adds the target's share to it, one
  // product a byte instead of two; where the picture is opaque it is the colour itself.
  std::vector<uint8_t> weighted;

  size_t rowIndex(int cell, int y) const {
    return static_cast<size_t>(cell) * static_cast<size_t>(height) + static_cast<size_t>(y);
  }
  const uint8_t* maskRow(int cell, int y) const {
    return mask.data() + rowIndex(cell, y) * static_cast<size_t>(visibleWidth);
  }
  const uint8_t* weightedRow(int cell, int y) const {
    return weighted.data() + rowIndex(cell, y) * static_cast<size_t>(visibleWidth) * 3;
  }

  const Span& opaqueSpan(int cell, int y) const {
    return opaque[rowIndex(cell, y)];
  }

  static int startOf(uint32_t entry) { return static_cast<int>(entry >> 2); }
  static RunKind kindOf(uint32_t entry) { return static_cast<RunKind>(entry & 3); }

  // Calls f(start, end, kind) for the runs of (cell, y) that overlap [x0, x1), cut to it.
  // The first run is found by bisection, so a narrow window of a wide row costs little.
  template <typename F>
  void forRuns(int cell, int y, int x0, int x1, F f) const {
    const size_t r = rowIndex(cell, y);
    const uint32_t* first = entries.data() + rowStart[r];
    const uint32_t* last = entries.data() + rowStart[r + 1] - 1;  // the terminator
    const uint32_t* it = std::upper_bound(first, last, x0, [](int x, uint32_t e) { return x < startOf(e); });
    if (it != first) --it;
    for (; it != last && startOf(*it) < x1; ++it) {
      const int s = std::max(startOf(*it), x0), e = std::min(startOf(it[1]), x1);
      if (s < e) f(s, e, kindOf(*it));
    }
  }
};

// The table of a 24-bit alpha picture, built now if it has none or the one it has is stale.
const MaskRuns& maskRunsOf(const ImageObject& obj);

// To be called after writing into the pixels of a picture that already existed.
inline void forgetMaskRuns(ImageObject& obj) { obj.dib.maskRuns.reset(); }

}  // namespace veloria
