// composeScreen of full 800x600 frames (a background, then three alpha standing pictures in
// front of 20 alpha sprites of 200x300, or 200 small alpha sprites) against pixman doing the same OVER composition on 32-bit
// premultiplied pictures, and of a 100x100 dirty rectangle. Before timing, the composed frame is
// checked pixel by pixel against the MulTable rule computed independently here.
// A shared machine's load drifts over a run; to compare with pixman, interleave the two:
//   bench_graphics_compose --benchmark_repetitions=15 --benchmark_min_time=0.2 \
//     --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/platform.h"

namespace {

using namespace veloria;

constexpr int W = 800, H = 600;

// A figure: colour noise inside an ellipse with a soft 10-pixel edge, transparent outside.
struct Figure {
  int w, h;
  std::vector<uint8_t> bgr;   // w*h*3
  std::vector<uint8_t> mask;  // w*h, 0 = opaque
};

Figure makeFigure(int w, int h, uint32_t seed) {
  Figure f{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3), std::vector<uint8_t>(static_cast<size_t>(w) * h)};
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
      double d = std::sqrt(dx * dx + dy * dy);  // 1 at the ellipse's edge
      double edge = (d - 0.9) * (w / 2.0) / 10.0;  // 0..1 across 10 pixels
      int m = edge <= 0 ? 0 : edge >= 1 ? 255 : static_cast<int>(edge * 255);
      f.mask[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(m);
      for (int c = 0; c < 3; ++c) f.bgr[(static_cast<size_t>(y) * w + x) * 3 + c] = static_cast<uint8_t>(rng());
    }
  return f;
}

// The alpha-mode picture: colour half, then the mask half.
void toImageObject(const Figure& f, ImageObject& o) {
  createSurface(o, f.w * 2, f.h);
  for (int y = 0; y < f.h; ++y) {
    uint8_t* row = o.dib.row(y);
    for (int x = 0; x < f.w; ++x) {
      const uint8_t* s = &f.bgr[(static_cast<size_t>(y) * f.w + x) * 3];
      row[x * 3] = s[0];
      row[x * 3 + 1] = s[1];
      row[x * 3 + 2] = s[2];
      uint8_t m = f.mask[static_cast<size_t>(y) * f.w + x];
      row[(f.w + x) * 3] = row[(f.w + x) * 3 + 1] = row[(f.w + x) * 3 + 2] = m;
    }
  }
  o.transMode = TRANS_ALPHA;
}

pixman_image_t* toPixman(const Figure& f) {
  pixman_image_t* img = pixman_image_create_bits(PIXMAN_a8r8g8b8, f.w, f.h, nullptr, 0);
  uint32_t* p = pixman_image_get_data(img);
  int stride = pixman_image_get_stride(img) / 4;
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x) {
      const uint8_t* s = &f.bgr[(static_cast<size_t>(y) * f.w + x) * 3];
      uint32_t a = 255 - f.mask[static_cast<size_t>(y) * f.w + x];
      uint32_t b = s[0] * a / 255, g = s[1] * a / 255, r = s[2] * a / 255;  // premultiplied
      p[y * stride + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  return img;
}

struct Placed {
  int figure;
  int x, y;
};

struct SceneData {
  std::vector<Figure> figures;    // 0: background, then the pictures
  std::vector<Placed> drawOrder;  // back to front, background excluded
  int standCount = 0;             // the last ones in drawOrder are standing pictures
};

Figure noiseBackground() {
  Figure bg{W, H, std::vector<uint8_t>(static_cast<size_t>(W) * H * 3), std::vector<uint8_t>(static_cast<size_t>(W) * H)};
  std::mt19937 rng(7);
  for (auto& v : bg.bgr) v = static_cast<uint8_t>(rng());
  return bg;
}

// Three standing pictures of 300x560 in front of 20 sprites of 200x300.
SceneData standingScene() {
  SceneData d;
  d.figures.push_back(noiseBackground());
  for (int i = 0; i < 3; ++i) d.figures.push_back(makeFigure(300, 560, 100 + i));
  for (int i = 0; i < 20; ++i) d.figures.push_back(makeFigure(200, 300, 200 + i));
  for (int i = 0; i < 20; ++i) d.drawOrder.push_back({4 + i, (i % 5) * 150, (i / 5) * 100});
  for (int i = 0; i < 3; ++i) d.drawOrder.push_back({1 + i, 200 * (i + 1) - 150, H - 560});
  d.standCount = 3;
  return d;
}

// 200 sprites of 64x64 to 128x128 scattered over the frame, some over its edges.
SceneData spriteScene() {
  SceneData d;
  d.figures.push_back(noiseBackground());
  std::mt19937 rng(11);
  for (int i = 0; i < 200; ++i) {
    const int w = 64 + static_cast<int>(rng() % 65), h = 64 + static_cast<int>(rng() % 65);
    d.figures.push_back(makeFigure(w, h, 300 + static_cast<uint32_t>(i)));
    d.drawOrder.push_back({1 + i, static_cast<int>(rng() % (W + 40)) - w / 2, static_cast<int>(rng() % (H + 40)) - h / 2});
  }
  return d;
}

SceneData& sceneData(int which) {
  static SceneData standing = standingScene();
  static SceneData sprites = spriteScene();
  return which == 0 ? standing : sprites;
}

struct VeloriaScene {
  SceneData& s;
  std::unique_ptr<Platform> platform = makeHeadlessPlatform(HeadlessOptions{});
  std::unique_ptr<Engine> e = std::make_unique<Engine>(*platform);
  explicit VeloriaScene(SceneData& data) : s(data) {
    e->app.screenWidth = W;
    e->app.screenHeight = H;
    platform->createWindow(W, H);
    createScreenSurfaces(*e);
    graphicsRestoreDefaults(*e);
    graphicsResetGame(*e);
    for (int y = 0; y < H; ++y)
      std::memcpy(e->gfx.bgSurface.dib.row(y), &s.figures[0].bgr[static_cast<size_t>(y) * W * 3], W * 3);
    // Sprites are drawn from the highest number down; those of the standing scene all lie
    // behind humanz (127).
    const int sprites = static_cast<int>(s.drawOrder.size()) - s.standCount;
    for (int i = 0; i < sprites; ++i) {
      Sprite& sp = e->gfx.sprites[static_cast<size_t>(kSpriteCount - 1 - i)];
      const Placed& p = s.drawOrder[static_cast<size_t>(i)];
      toImageObject(s.figures[static_cast<size_t>(p.figure)], sp.image);
      sp.name = "sprite";
      sp.visible = 1;
      sp.x = p.x;
      sp.y = p.y;
    }
    for (int i = 0; i < s.standCount; ++i) {
      StandImage& st = e->gfx.standImages[static_cast<size_t>(i)];
      const Placed& p = s.drawOrder[static_cast<size_t>(sprites + i)];
      toImageObject(s.figures[static_cast<size_t>(p.figure)], st.image);
      st.name = "stand";
      st.x = p.x;
      st.y = p.y;
    }
  }
};

// The expected frame, from the rule alone: target = M[src][255-m] + M[dst][m], M = a*b/255.
std::vector<uint8_t> referenceFrame(const SceneData& s) {
  std::vector<uint8_t> f = s.figures[0].bgr;  // top-down rows, 3 bytes a pixel
  for (const Placed& p : s.drawOrder) {
    const Figure& fig = s.figures[static_cast<size_t>(p.figure)];
    for (int y = 0; y < fig.h; ++y)
      for (int x = 0; x < fig.w; ++x) {
        int tx = p.x + x, ty = p.y + y;
        if (tx < 0 || ty < 0 || tx >= W || ty >= H) continue;
        unsigned m = fig.mask[static_cast<size_t>(y) * fig.w + x];
        for (int c = 0; c < 3; ++c) {
          uint8_t& d = f[(static_cast<size_t>(ty) * W + tx) * 3 + c];
          unsigned sv = fig.bgr[(static_cast<size_t>(y) * fig.w + x) * 3 + c];
          d = static_cast<uint8_t>(sv * (255 - m) / 255 + d * m / 255);
        }
      }
  }
  return f;
}

void compareWithRule(VeloriaScene& v, const char* name) {
  std::vector<uint8_t> ref = referenceFrame(v.s);
  size_t bad = 0;
  for (int y = 0; y < H; ++y) {
    const uint8_t* row = v.e->gfx.composeSurface.dib.row(y);
    for (int i = 0; i < W * 3; ++i) {
      if (row[i] != ref[static_cast<size_t>(y) * W * 3 + i] && bad < 5)
        std::fprintf(stderr, "  first differences: x %d y %d byte %d: %d, want %d\n", i / 3, y, i % 3, row[i],
                     ref[static_cast<size_t>(y) * W * 3 + i]);
      bad += row[i] != ref[static_cast<size_t>(y) * W * 3 + i];
    }
  }
  std::fprintf(stderr, "composeScreen (%s) vs the MulTable rule: %zu differing bytes of %d\n", name, bad, W * H * 3);
  if (bad) std::abort();
}

void checkExactness(VeloriaScene& v, const char* name) {
  composeScreen(*v.e, nullptr);
  compareWithRule(v, name);
}

void composeLoop(benchmark::State& state, int which, const char* name) {
  VeloriaScene v(sceneData(which));
  checkExactness(v, name);
  for (auto _ : state) {
    composeScreen(*v.e, nullptr);
    benchmark::DoNotOptimize(v.e->gfx.composeSurface.dib.pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_ComposeScreen(benchmark::State& state) { composeLoop(state, 0, "standing pictures"); }
BENCHMARK(BM_ComposeScreen)->Unit(benchmark::kMicrosecond);

void BM_ComposeScreen200Sprites(benchmark::State& state) { composeLoop(state, 1, "200 sprites"); }
BENCHMARK(BM_ComposeScreen200Sprites)->Unit(benchmark::kMicrosecond);

// A 100x100 dirty rectangle in the middle of the 200-sprite frame: its cost follows its area,
// not the number of pictures. The area is scribbled over first and must come back exactly.
void BM_ComposeDirty100x100Of200Sprites(benchmark::State& state) {
  VeloriaScene v(sceneData(1));
  const DirtyRect r{350, 250, 448, 348};  // composed through right + 1 and bottom + 1
  composeScreen(*v.e, nullptr);
  fillSurface(v.e->gfx.composeSurface, 350, 250, 450, 350, 0x123456);
  composeScreen(*v.e, &r);
  compareWithRule(v, "a 100x100 area of 200 sprites");
  for (auto _ : state) {
    composeScreen(*v.e, &r);
    benchmark::DoNotOptimize(v.e->gfx.composeSurface.dib.pixels.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComposeDirty100x100Of200Sprites)->Unit(benchmark::kMicrosecond);

void pixmanLoop(benchmark::State& state, int which) {
  SceneData& s = sceneData(which);
  pixman_image_t* bg = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, nullptr, 0);
  {
    uint32_t* p = pixman_image_get_data(bg);
    for (size_t i = 0; i < static_cast<size_t>(W) * H; ++i)
      p[i] = (uint32_t{s.figures[0].bgr[i * 3 + 2]} << 16) | (uint32_t{s.figures[0].bgr[i * 3 + 1]} << 8) |
             s.figures[0].bgr[i * 3];
  }
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, nullptr, 0);
  std::vector<pixman_image_t*> figs;
  for (size_t i = 1; i < s.figures.size(); ++i) figs.push_back(toPixman(s.figures[i]));
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, bg, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
    for (const Placed& p : s.drawOrder) {
      const Figure& f = s.figures[static_cast<size_t>(p.figure)];
      pixman_image_composite32(PIXMAN_OP_OVER, figs[static_cast<size_t>(p.figure - 1)], nullptr, dst, 0, 0, 0, 0,
                               p.x, p.y, f.w, f.h);
    }
    benchmark::DoNotOptimize(pixman_image_get_data(dst));
  }
  state.SetItemsProcessed(state.iterations());
  for (auto* f : figs) pixman_image_unref(f);
  pixman_image_unref(dst);
  pixman_image_unref(bg);
}

void BM_PixmanOver(benchmark::State& state) { pixmanLoop(state, 0); }
BENCHMARK(BM_PixmanOver)->Unit(benchmark::kMicrosecond);

void BM_PixmanOver200Sprites(benchmark::State& state) { pixmanLoop(state, 1); }
BENCHMARK(BM_PixmanOver200Sprites)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
