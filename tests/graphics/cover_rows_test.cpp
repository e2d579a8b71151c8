// Covered stretches of target rows against a plain per-pixel model: what is reported left to
// draw must include every pixel nobody covered, never report a pixel twice, and lose nothing
// while a row holds few stretches.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/cover_rows.h"

namespace veloria {
namespace {

TEST(GraphicsCoverRows, UncoveredPartsAgreeWithAPixelModel) {
  std::mt19937 rng(31);
  constexpr int kWidth = 400, kTop = -7, kRows = 3;
  for (int trial = 0; trial < 300; ++trial) {
    CoverRows cover;
    cover.reset(kTop, kRows);
    std::vector<std::vector<bool>> covered(kRows, std::vector<bool>(kWidth, false));
    std::vector<int> adds(kRows, 0);
    const int steps = 1 + static_cast<int>(rng() % 40);
    for (int step = 0; step < steps; ++step) {
      const int r = static_cast<int>(rng() % kRows);
      // Narrow stretches, wide ones, and ones that just touch or overlap others.
      const int from = static_cast<int>(rng() % kWidth);
      const int to = std::min(kWidth, from + 1 + static_cast<int>(rng() % (rng() % 4 == 0 ? 200 : 12)));
      cover.add(kTop + r, from, to);
      for (int x = from; x < to; ++x) covered[r][x] = true;
      ++adds[r];

      for (int q = 0; q < kRows; ++q) {
        const int a = static_cast<int>(rng() % kWidth), b = a + static_cast<int>(rng() % (kWidth - a + 1));
        std::vector<int> drawn(kWidth, 0);
        int last = a;
        cover.uncovered(kTop + q, a, b, [&](int s, int e) {
          EXPECT_LE(last, s);  // in order, apart and not empty
          EXPECT_LT(s, e);
          last = e;
          for (int x = s; x < e; ++x) ++drawn[x];
        });
        EXPECT_LE(last, b);
        for (int x = 0; x < kWidth; ++x) {
          const bool inside = x >= a && x < b;
          if (!inside) {
            EXPECT_EQ(drawn[x], 0) << "trial " << trial << " x " << x;
          } else if (!covered[q][x]) {
            EXPECT_EQ(drawn[x], 1) << "trial " << trial << " x " << x;
          } else if (adds[q] <= 8) {  // no more stretches than a row keeps: none is forgotten
            EXPECT_EQ(drawn[x], 0) << "trial " << trial << " x " << x;
          }
        }
        if (HasFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace veloria
