// Glyph drawing at the default 26x26 cell with bold and shadow: rasterising at three times
// the size, the 1-2-1 filter and the blend into a 640x480 surface.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "text/glyph_blend.h"
#include "text/glyph_font.h"

using namespace veloria;

namespace {

std::vector<std::string> sampleCells() {
  std::string text = sj("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所で"
                        "ニャーニャー泣いていた事だけは記憶している。「漢字」ひらがなカタカナ");
  std::vector<std::string> cells;
  for (size_t i = 0; i + 1 < text.size(); i += 2) cells.push_back(text.substr(i, 2));
  return cells;
}

struct Surface {
  std::vector<uint8_t> bits = std::vector<uint8_t>(640 * 480 * 3, 80);
  std::vector<uint8_t> layer = std::vector<uint8_t>(640 * 480 * 3, 0);
  std::vector<uint8_t> coverage = std::vector<uint8_t>(640 * 480, 0);
};

void drawOne(Surface& s, const std::vector<uint8_t>& cov, int i) {
  PixelTarget display{s.bits.data(), 640, 480, 640 * 3};
  PixelTarget layer{s.layer.data(), 640, 480, 640 * 3};
  GlyphInk ink{cov.data(), 26, 26, 8 + (i % 23) * 26, 16 + (i / 23 % 16) * 28, 255, 255, 255, true};
  blendGlyph(ink, display, &layer, s.coverage.data());
}

// Every character rendered afresh: FreeType at 78 pixels, the filter and the blend.
void BM_GlyphUncached(benchmark::State& state) {
  auto cells = sampleCells();
  const std::string& face = sj("ＭＳ ゴシック");
  Surface s;
  std::vector<uint8_t> pic, cov(26 * 26);
  int i = 0;
  for (auto _ : state) {
    const std::string& c = cells[static_cast<size_t>(i) % cells.size()];
    GlyphRequest r{face, 26, 26, true, static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1])};
    rasteriseCell(r, pic);
    coverageFilter(pic.data(), 78, 26, 26, cov.data());
    drawOne(s, cov, i++);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GlyphUncached);

// The engine's path: the coverage comes from the glyph cache after the first use.
void BM_GlyphCached(benchmark::State& state) {
  auto cells = sampleCells();
  const std::string& face = sj("ＭＳ ゴシック");
  Surface s;
  int i = 0;
  for (auto _ : state) {
    const std::string& c = cells[static_cast<size_t>(i) % cells.size()];
    GlyphRequest r{face, 26, 26, true, static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1])};
    drawOne(s, cellCoverage(r), i++);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GlyphCached);

}  // namespace

BENCHMARK_MAIN();
