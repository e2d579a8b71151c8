// The rows of a target being composed from the front, each with the stretches already
// covered by fully opaque pixels (used by drawLayers).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/mask_runs.h"

namespace veloria {

// Stretches of target rows already covered by fully opaque pixels of nearer layers. Layers
// are visited from the front, so whatever a farther layer would draw there is overwritten
// anyway: an opaque pixel gives the same bytes over anything. A row keeps a few stretches;
// when more arrive the smallest is dropped, which only means drawing a little more than needed.
class CoverRows {
 public:
  void reset(int top, int rows) {
    top_ = top;
    count_.assign(static_cast<size_t>(rows), 0);
    spans_.resize(static_cast<size_t>(rows) * kKeep);
  }

  // Calls f(from, to) for each part of [from, to) of target row y not covered yet.
  template <typename F>
  void uncovered(int y, int from, int to, F f) const {
    const MaskRuns::Span* s = row(y);
    const int n = count_[static_cast<size_t>(y - top_)];
    for (int i = 0; i < n && from < to; ++i) {
      if (s[i].to <= from) continue;
      if (s[i].from >= to) break;
      if (s[i].from > from) f(from, static_cast<int>(s[i].from));
      from = std::max(from, static_cast<int>(s[i].to));
    }
    if (from < to) f(from, to);
  }

  void add(int y, int from, int to) {
    MaskRuns::Span* s = row(y);
    uint8_t& n = count_[static_cast<size_t>(y - top_)];
    // Stretches that overlap or touch the new one merge with it.
    int i = 0;
    while (i < n && s[i].to < from) ++i;
    int j = i;
    for (; j < n && s[j].from <= to; ++j) {
      from = std::min(from, static_cast<int>(s[j].from));
      to = std::max(to, static_cast<int>(s[j].to));
    }
    if (j > i) {
      s[i] = {from, to};
      if (j > i + 1) std::copy(s + j, s + n, s + i + 1);  // leftward, so the ranges may overlap
      n = static_cast<uint8_t>(n - (j - i - 1));
      return;
    }
    if (n == kKeep) {
      int smallest = 0;
      for (int q = 1; q < n; ++q)
        if (s[q].to - s[q].from < s[smallest].to - s[smallest].from) smallest = q;
      if (s[smallest].to - s[smallest].from >= to - from) return;
      std::copy(s + smallest + 1, s + n, s + smallest);
      --n;
      if (smallest < i) --i;
    }
    std::copy_backward(s + i, s + n, s + n + 1);
    s[i] = {from, to};
    ++n;
  }

 private:
  static constexpr int kKeep = 8;
  MaskRuns::Span* row(int y) { return spans_.data() + static_cast<size_t>(y - top_) * kKeep; }
  const MaskRuns::Span* row(int y) const { return spans_.data() + static_cast<size_t>(y - top_) * kKeep; }
  int top_ = 0;
  std::vector<uint8_t> count_;
  std::vector<MaskRuns::Span> spans_;
};

}  // namespace veloria
