// One cross-fade frame at 800x600: the level step over every second byte of the frame, and
// the same followed by the copy to the window picture (what a frame of the effect does).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "engine/engine.h"
#include "graphics/blend_rows.h"
#include "graphics/graphics.h"
#include "platform/platform.h"

namespace {

using namespace veloria;

struct FadeScene {
  std::unique_ptr<Platform> platform = makeHeadlessPlatform(HeadlessOptions{});
  std::unique_ptr<Engine> e = std::make_unique<Engine>(*platform);
  FadeScene() {
    e->app.screenWidth = 800;
    e->app.screenHeight = 600;
    platform->createWindow(800, 600);
    createScreenSurfaces(*e);
    std::mt19937 rng(3);
    for (auto& v : e->gfx.displaySurface.dib.pixels) v = static_cast<uint8_t>(rng());
    for (auto& v : e->gfx.composeSurface.dib.pixels) v = static_cast<uint8_t>(rng());
    e->gfx.effectSurface.dib.pixels = e->gfx.displaySurface.dib.pixels;
  }
  void step(int k, int phase) {
    GraphicsState& g = e->gfx;
    activeKernels().fadeBytes(g.effectSurface.dib.pixels.data(), g.displaySurface.dib.pixels.data(),
                              g.composeSurface.dib.pixels.data(), static_cast<int>(g.effectSurface.dib.pixels.size()),
                              k, phase);
  }
};

void BM_CrossFadeBlend800x600(benchmark::State& state) {
  FadeScene s;
  int k = 1, phase = 0;
  for (auto _ : state) {
    s.step(k, phase);
    k = k % 254 + 1;
    phase ^= 1;
    benchmark::DoNotOptimize(s.e->gfx.effectSurface.dib.pixels.data());
  }
}
BENCHMARK(BM_CrossFadeBlend800x600)->Unit(benchmark::kMicrosecond);

void BM_CrossFadeFrameWithWindowCopy800x600(benchmark::State& state) {
  FadeScene s;
  int k = 1, phase = 0;
  for (auto _ : state) {
    s.step(k, phase);
    s.platform->present(s.e->gfx.effectSurface.view(), Rect{0, 0, 800, 600});
    k = k % 254 + 1;
    phase ^= 1;
  }
}
BENCHMARK(BM_CrossFadeFrameWithWindowCopy800x600)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
