// The cost of one hover change of a button as large as the screen, at 640x480 and 800x600:
// an image button (its look copied from the button picture, then taken away again from the
// composed frame), a move between two such image buttons (one taken away, the other shown),
// and a sprite button (the sprite's cell changes; the area is composed and shown). The
// target is 2 ms a change.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "engine/engine.h"
#include "graphics/buttons.h"
#include "graphics/graphics.h"
#include "platform/platform.h"

namespace {

using namespace veloria;

struct ButtonScene {
  std::unique_ptr<Platform> platform = makeHeadlessPlatform(HeadlessOptions{});
  std::unique_ptr<Engine> e = std::make_unique<Engine>(*platform);
  Button image, other, sprite;

  ButtonScene(int w, int h) {
    e->app.screenWidth = w;
    e->app.screenHeight = h;
    platform->createWindow(w, h);
    createScreenSurfaces(*e);
    graphicsRestoreDefaults(*e);
    graphicsResetGame(*e);
    std::mt19937 rng(3);
    for (auto& v : e->gfx.bgSurface.dib.pixels) v = static_cast<uint8_t>(rng());
    // The button picture holds two full-screen looks side by side.
    ImageObject& bp = e->gfx.buttonPicture;
    createSurface(bp, 2 * w, h);
    for (auto& v : bp.dib.pixels) v = static_cast<uint8_t>(rng());
    composeScreen(*e, nullptr);
    runEffect(*e, 1, 0, std::string(), nullptr);

    // A two-cell opaque sprite covering the screen.
    Sprite& s = e->gfx.sprites[10];
    createSurface(s.image, 2 * w, h);
    for (auto& v : s.image.dib.pixels) v = static_cast<uint8_t>(rng());
    s.image.transMode = TRANS_COPY;
    s.image.cellCount = 2;
    s.image.animMode = ANIM_NONE;
    s.name = "sprite";
    s.visible = 1;

    image = Button{ButtonKind::Image, 1, 0, 0, w, h, w - 1, h - 1, 0, 0, {}};
    other = Button{ButtonKind::Image, 2, 0, 0, w, h, w - 1, h - 1, w, 0, {}};
    sprite = Button{ButtonKind::Sprite, 3, 0, 0, w, h, w - 1, h - 1, 0, ~10, {}};
  }
};

void BM_ImageButtonHover(benchmark::State& state) {
  ButtonScene s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  bool on = false;
  for (auto _ : state) {
    on = !on;
    showButtonLook(*s.e, s.image, on);
    benchmark::DoNotOptimize(s.platform->windowPicture().data());
  }
  state.SetLabel("one change: look shown or taken away");
}

void BM_ImageButtonToImageButton(benchmark::State& state) {
  ButtonScene s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  bool first = false;
  showButtonLook(*s.e, s.image, true);
  for (auto _ : state) {
    first = !first;
    showButtonLook(*s.e, first ? s.image : s.other, false);
    showButtonLook(*s.e, first ? s.other : s.image, true);
    benchmark::DoNotOptimize(s.platform->windowPicture().data());
  }
  state.SetLabel("one change: old look taken away, new one shown");
}

void BM_SpriteButtonHover(benchmark::State& state) {
  ButtonScene s(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  bool on = false;
  for (auto _ : state) {
    on = !on;
    showButtonLook(*s.e, s.sprite, on);
    benchmark::DoNotOptimize(s.platform->windowPicture().data());
  }
  state.SetLabel("one change: cell switched, area composed and shown");
}

BENCHMARK(BM_ImageButtonHover)->Args({640, 480})->Args({800, 600})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageButtonToImageButton)->Args({640, 480})->Args({800, 600})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteButtonHover)->Args({640, 480})->Args({800, 600})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
