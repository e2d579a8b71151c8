// composeScreen of an 800x600 frame holding 100 enhanced sprites (alpha pictures of 64x64 to
// 128x128, scaled 50-200 %, turned, half transparent), next to the plain composition of the
// same pictures as ordinary sprites (unscaled, unturned, opaque level). The first shows what
// the transform costs over the blitter.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>

#include "engine/engine.h"
#include "graphics/enhanced_sprites.h"
#include "graphics/graphics.h"
#include "platform/platform.h"

namespace {

using namespace veloria;

constexpr int W = 800, H = 600, kCount = 100;

// An alpha picture: colour noise in an ellipse with a soft edge (mask half on the right).
void makePicture(ImageObject& o, int w, int h, std::mt19937& rng) {
  createSurface(o, 2 * w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = o.dib.row(y);
    for (int x = 0; x < w; ++x) {
      const double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
      const double edge = (dx * dx + dy * dy - 0.8) * 5;
      const uint8_t m = edge <= 0 ? 0 : edge >= 1 ? 255 : static_cast<uint8_t>(edge * 255);
      for (int c = 0; c < 3; ++c) {
        row[x * 3 + c] = static_cast<uint8_t>(rng());
        row[(w + x) * 3 + c] = m;
      }
    }
  }
  o.transMode = TRANS_ALPHA;
}

struct Scene {
  std::unique_ptr<Platform> platform = makeHeadlessPlatform(HeadlessOptions{});
  std::unique_ptr<Engine> e = std::make_unique<Engine>(*platform);
  explicit Scene(bool enhanced) {
    e->app.screenWidth = W;
    e->app.screenHeight = H;
    platform->createWindow(W, H);
    createScreenSurfaces(*e);
    graphicsRestoreDefaults(*e);
    graphicsResetGame(*e);
    std::mt19937 rng(21);
    for (auto& b : e->gfx.bgSurface.dib.pixels) b = static_cast<uint8_t>(rng());
    for (int i = 0; i < kCount; ++i) {
      const int w = 64 + static_cast<int>(rng() % 65), h = 64 + static_cast<int>(rng() % 65);
      const int x = static_cast<int>(rng() % W), y = static_cast<int>(rng() % H);
      const int scale = 50 + static_cast<int>(rng() % 151), angle = static_cast<int>(rng() % 360);
      if (enhanced) {
        EnhancedSprite& s = e->gfx.enhancedSprites[static_cast<size_t>(i)];
        makePicture(s.image, w, h, rng);
        s.name = "enhanced";
        s.visible = 1;
        s.x = x;
        s.y = y;
        s.scaleX = scale;
        s.scaleY = scale;
        s.angle = angle;
        s.opacity = 128;
      } else {
        Sprite& s = e->gfx.sprites[static_cast<size_t>(i)];
        makePicture(s.image, w, h, rng);
        s.image.alphaLevel = 128;
        s.name = "sprite";
        s.visible = 1;
        s.x = x - w / 2;
        s.y = y - h / 2;
      }
    }
  }
};

void composeLoop(benchmark::State& state, bool enhanced) {
  Scene s(enhanced);
  for (auto _ : state) {
    composeScreen(*s.e, nullptr);
    benchmark::DoNotOptimize(s.e->gfx.composeSurface.dib.pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Compose100EnhancedSprites(benchmark::State& state) { composeLoop(state, true); }
BENCHMARK(BM_Compose100EnhancedSprites)->Unit(benchmark::kMicrosecond);

void BM_Compose100PlainSprites(benchmark::State& state) { composeLoop(state, false); }
BENCHMARK(BM_Compose100PlainSprites)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
