// Transitions on the virtual clock: frame counts, what each frame shows, timing and the final
// picture. On the headless backend a frame whose message pump finds nothing costs 1 ms, so
// the expected times below are worked out from the frame rules with that in mind.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "support/gfx_engine.h"
#include "graphics/picture_helpers.h"

namespace veloria {
namespace {

using test::GfxEngine;

constexpr uint32_t kNew = 0xC08040;

struct EffectRun {
  int frames = 0;
  uint32_t elapsed = 0;
};

// New picture: a solid colour over the whole compose surface; the window shows black.
EffectRun runOn(GfxEngine& g, int type, int d, const std::function<void(int)>& perFrame = {},
          const DirtyRect* r = nullptr, const std::string& mask = "") {
  Engine& e = g.e();
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  std::string keep;
  fillSurface(e.gfx.composeSurface, 0, 0, W, H, 0x4080C0);  // 0x00BBGGRR of kNew
  EffectRun run;
  e.gfx.effectFrameHook = [&](Engine&, int t, int frame) {
    EXPECT_EQ(t, type);
    EXPECT_EQ(frame, run.frames);
    if (perFrame) perFrame(frame);
    ++run.frames;
  };
  uint32_t t0 = g.now();
  runEffect(e, type, d, mask, r);
  run.elapsed = g.now() - t0;
  e.gfx.effectFrameHook = nullptr;
  return run;
}

void expectWholeWindow(GfxEngine& g, uint32_t rgb) {
  const int W = g.e().app.screenWidth, H = g.e().app.screenHeight;
  for (int y = 0; y < H; y += 7)
    for (int x = 0; x < W; x += 5) ASSERT_EQ(g.window(x, y), rgb) << x << "," << y;
  EXPECT_EQ(g.window(W - 1, H - 1), rgb);
}

TEST(GraphicsEffects, InstantAndNothing) {
  GfxEngine g;
  EffectRun r0 = runOn(g, 0, 500);
  EXPECT_EQ(r0.frames, 0);
  EXPECT_EQ(r0.elapsed, 0u);
  EXPECT_EQ(g.window(10, 10), 0u);
  g.e().gfx.dirtyRect = DirtyRect{1, 2, 3, 4};
  EffectRun r1 = runOn(g, 1, 500);
  EXPECT_EQ(r1.frames, 0);
  EXPECT_EQ(r1.elapsed, 0u);  // no effectBlank after type 1
  expectWholeWindow(g, kNew);
  EXPECT_TRUE(g.e().gfx.dirtyRect.empty());
  EXPECT_EQ(test::px(g.e().gfx.displaySurface, 3, 3), kNew);
}

TEST(GraphicsEffects, BlindsShowOneColumnInSixteenPerFrame) {
  for (int type : {2, 3, 4, 5}) {
    GfxEngine g;
    const bool cols = type <= 3, rev = type == 3 || type == 5;
    EffectRun r = runOn(g, type, 160, [&](int f) {
      int s = rev ? 15 - f : f;
      // Line s is new now; the line just "after" s in the sweep order is still old.
      int next = rev ? s - 1 : s + 1;
      const bool nextOld = next >= 0 && next < 16;
      if (cols) {
        EXPECT_EQ(g.window(s, 5), kNew);
        EXPECT_EQ(g.window(s + 32, 400), kNew);
        if (nextOld) {
          EXPECT_EQ(g.window(next, 5), 0u);
        }
      } else {
        EXPECT_EQ(g.window(5, s), kNew);
        EXPECT_EQ(g.window(600, s + 16 * 20), kNew);
        if (nextOld) {
          EXPECT_EQ(g.window(5, next), 0u);
        }
      }
    });
    EXPECT_EQ(r.frames, 16);
    EXPECT_EQ(r.elapsed, 160u + 30u);  // 16 frames of 160/16 ms, then effectBlank
    expectWholeWindow(g, kNew);
  }
}

TEST(GraphicsEffects, BlindsStayInsideTheRectangle) {
  GfxEngine g;
  DirtyRect rect{100, 50, 139, 59};
  EffectRun r = runOn(g, 2, 0, {}, &rect);
  EXPECT_EQ(r.frames, 16);
  EXPECT_EQ(g.window(100, 50), kNew);
  EXPECT_EQ(g.window(139, 59), kNew);
  EXPECT_EQ(g.window(140, 59), 0u);
  EXPECT_EQ(g.window(99, 50), 0u);
  EXPECT_EQ(g.window(120, 60), 0u);
}

TEST(GraphicsEffects, RaggedWipes) {
  struct Case {
    int type, frames, d, frameMs;
  };
  // 640 wide: 24f <= 1169 gives 49 frames of 640d/30720 ms; 480 high: 24f <= 1009, 43 frames.
  for (Case c : {Case{6, 49, 480, 10}, Case{7, 49, 480, 10}, Case{8, 43, 420, 10}, Case{9, 43, 420, 10}}) {
    GfxEngine g;
    EffectRun r = runOn(g, c.type, c.d, [&](int f) {
      if (c.type == 6 && f == 1) {
        // Frame 1 copies columns 24 - 23j: 24 and 1 are new, 2 is not yet.
        EXPECT_EQ(g.window(24, 100), kNew);
        EXPECT_EQ(g.window(1, 100), kNew);
        EXPECT_EQ(g.window(2, 100), 0u);
        EXPECT_EQ(g.window(25, 100), 0u);
      }
      if (c.type == 9 && f == 0) {
        // Start 1009: the rows 1009 - 23j (j < 24) all lie below the screen (the lowest is 480).
        EXPECT_EQ(g.window(3, 479), 0u);
      }
      if (c.type == 9 && f == 22) {
        // I = 1009 - 24*22 = 481: rows 481 - 23j; j = 1 gives 458, j = 2 gives 435.
        EXPECT_EQ(g.window(3, 458), kNew);
        EXPECT_EQ(g.window(3, 435), kNew);
        // Row 1 comes only with the last frame (I = 1009 - 24*42 = 1, j = 0).
        EXPECT_EQ(g.window(3, 1), 0u);
      }
    });
    EXPECT_EQ(r.frames, c.frames) << c.type;
    EXPECT_EQ(r.elapsed, static_cast<uint32_t>(c.frames * c.frameMs + 30)) << c.type;
    expectWholeWindow(g, kNew);
  }
}

TEST(GraphicsEffects, PushesMoveTheWholeWindow) {
  for (int type : {11, 12, 13, 14}) {
    GfxEngine g;
    // The old picture has a marker the push must carry along.
    Engine& e = g.e();
    fillSurface(e.gfx.displaySurface, 0, 0, 640, 480, 0);
    fillSurface(e.gfx.displaySurface, 300, 200, 301, 201, 0x0000FF);
    presentDisplay(e, Rect{0, 0, 640, 480});
    EffectRun r = runOn(g, type, 800, [&](int f) {
      if (f != 0) return;
      switch (type) {
        case 11: EXPECT_EQ(g.window(308, 200), 0xFF0000u); EXPECT_EQ(g.window(7, 0), kNew); break;
        case 12: EXPECT_EQ(g.window(292, 200), 0xFF0000u); EXPECT_EQ(g.window(632, 0), kNew); break;
        case 13: EXPECT_EQ(g.window(300, 206), 0xFF0000u); EXPECT_EQ(g.window(0, 5), kNew); break;
        case 14: EXPECT_EQ(g.window(300, 194), 0xFF0000u); EXPECT_EQ(g.window(0, 474), kNew); break;
      }
    });
    EXPECT_EQ(r.frames, 80) << type;
    EXPECT_EQ(r.elapsed, 80u * 10u + 30u) << type;  // 640d/51200 and 480d/38400 are both d/80
    expectWholeWindow(g, kNew);
  }
}

TEST(GraphicsEffects, CrossFadeStepsAndAlternatingBytes) {
  GfxEngine g;
  std::vector<int> levels;
  EffectRun r = runOn(g, 10, 1000, [&](int f) {
    if (f == 127) {
      // Frame 127 (level 128) moves the odd bytes of memory; the even ones keep level 127.
      // Pixel 0 is bytes 0..2: green (0x80*128/255 = 64) moved, blue 0x40*127/255 = 31 and
      // red 0xC0*127/255 = 95 kept. Pixel 1 is bytes 3..5: blue 32 and red 96 moved.
      EXPECT_EQ(g.window(0, 0), 0x5F401Fu);
      EXPECT_EQ(g.window(1, 0), 0x603F20u);
    }
  });
  // 1 ms per frame gives step 256/1000 = 0, so each frame waits to 1000/256 = 3 ms and adds 1:
  // levels 1..254, then 255 (the last frame does not wait).
  EXPECT_EQ(r.frames, 255);
  EXPECT_EQ(r.elapsed, 254u * 3u + 1u + 30u);
  expectWholeWindow(g, kNew);

  GfxEngine g2;
  EffectRun r2 = runOn(g2, 10, 100);  // step 256/100 = 2: levels 1, 3, ..., 253, 255
  EXPECT_EQ(r2.frames, 128);
  EXPECT_EQ(r2.elapsed, 128u + 30u);

  GfxEngine g3;
  EffectRun r3 = runOn(g3, 10, 0);  // duration 0 is taken as 1: one step to the top
  EXPECT_EQ(r3.frames, 2);
  expectWholeWindow(g3, kNew);
}

TEST(GraphicsEffects, SkipModeHalvesTheDuration) {
  GfxEngine g;
  g.e().text.skipMode = 1;
  EffectRun r = runOn(g, 2, 160);
  EXPECT_EQ(r.elapsed, 16u * 5u + 30u);
}

TEST(GraphicsEffects, MaskWipeDarkFirst) {
  GfxEngine g;
  // A 2x1 mask: column 0 value 0, column 1 value 200, tiled over the screen.
  g.writeFile("m.bmp", test::bmpFile(2, 1, {0x000000, 0x0000C8}));
  EffectRun r = runOn(
      g, 15, 0,
      [&](int f) {
        EXPECT_EQ(g.window(0, 7), kNew);  // mask 0 <= k from the first frame
        EXPECT_EQ(g.window(3, 7), f >= 199 ? kNew : 0u) << f;  // mask 200 at k = 200
      },
      nullptr, "m.bmp");
  EXPECT_EQ(r.frames, 254);  // k = 1..254, one per 1 ms frame
  EXPECT_EQ(r.elapsed, 254u + 30u);
  expectWholeWindow(g, kNew);

  GfxEngine g2;
  g2.writeFile("m.bmp", test::bmpFile(2, 1, {0x000000, 0x0000C8}));
  EffectRun r2 = runOn(g2, 15, 2560, {}, nullptr, "m.bmp");  // q = 10: each frame waits to 10 ms
  EXPECT_EQ(r2.frames, 254);
  EXPECT_EQ(r2.elapsed, 2540u + 30u);
}

TEST(GraphicsEffects, MaskFadeSoftEdge) {
  GfxEngine g;
  g.writeFile("m.bmp", test::bmpFile(2, 1, {0x000000, 0x0000C8}));
  DirtyRect rect{0, 0, 15, 3};  // a small area keeps the 511 frames cheap
  EffectRun r = runOn(
      g, 18, 0,
      [&](int f) {
        const int L = f + 1;
        // Mask 0: t = L; mask 200: t = L - 200; finished once t > 254.
        auto expect = [&](int t) -> uint32_t {
          if (t > 254) return kNew;
          if (t <= 0) return 0;
          uint32_t rr = 0xC0 * t / 255, gg = 0x80 * t / 255, bb = 0x40 * t / 255;  // old is 0
          return (rr << 16) | (gg << 8) | bb;
        };
        ASSERT_EQ(g.window(0, 0), expect(L)) << f;
        ASSERT_EQ(g.window(1, 0), expect(L - 200)) << f;
      },
      &rect, "m.bmp");
  EXPECT_EQ(r.frames, 511);
  EXPECT_EQ(g.window(15, 3), kNew);
  EXPECT_EQ(g.window(16, 3), 0u);
}

TEST(GraphicsEffects, MaskThatCannotBeFoundStopsTheRun) {
  GfxEngine g;
  EXPECT_THROW(runOn(g, 15, 0, {}, nullptr, "nomask.bmp"), ProcessExit);
  EXPECT_EQ(sjisToUtf8(g.e().app.error.caption), "ロードエラー");
}

TEST(GraphicsEffects, MosaicOutLeavesTheMosaicAndMosaicInFinishes) {
  GfxEngine g;
  Engine& e = g.e();
  // Old picture: every pixel distinct in blue and green.
  ImageObject& d = e.gfx.displaySurface;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      uint8_t* p = d.dib.row(y) + x * 3;
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = 0;
    }
  presentDisplay(e, Rect{0, 0, 640, 480});
  std::vector<int> sizes{5, 10, 20, 40, 80, 160};
  EffectRun r = runOn(g, 16, 100, [&](int f) {
    int K = sizes[static_cast<size_t>(f)];
    // Blocks start at the bottom-left: window row 479 is memory row 0.
    int x = K + 1, y = 479 - (K + 2);          // inside block (1, 1) from the bottom
    uint32_t want = (static_cast<uint32_t>((479 - K) & 255) << 8) | static_cast<uint32_t>(K & 255);
    EXPECT_EQ(g.window(x, y), want) << K;
  });
  EXPECT_EQ(r.frames, 6);
  EXPECT_EQ(r.elapsed, 6u * 10u + 30u);
  // The coarse picture stays; the whole screen is due for the next transition.
  EXPECT_EQ(g.window(0, 479), 0x00DF00u);  // the bottom-left block keeps its first pixel: row 479
  EXPECT_EQ(e.gfx.dirtyRect.left, 0);
  EXPECT_EQ(e.gfx.dirtyRect.right, 640);
  EXPECT_EQ(e.gfx.dirtyRect.bottom, 480);

  std::vector<int> in{160, 80, 40, 20, 10, 5};
  EffectRun r2 = runOn(g, 17, 100, [&](int f) { (void)in[static_cast<size_t>(f)]; });
  EXPECT_EQ(r2.frames, 6);
  EXPECT_EQ(r2.elapsed, 6u * 10u + 30u);
  expectWholeWindow(g, kNew);
}

TEST(GraphicsEffects, MosaicCutsTheLastRowIn800x600) {
  GfxEngine g(800, 600);
  Engine& e = g.e();
  ImageObject& c = e.gfx.composeSurface;
  EffectRun r = runOn(g, 17, 0, [&](int f) {
    if (f != 0) return;
    // Block size 160: memory rows 480..599 form a cut block; its colour is memory row 480's.
    EXPECT_EQ(g.window(0, 0), test::px(c, 0, 600 - 1 - 480));
  });
  EXPECT_EQ(r.frames, 6);
}

TEST(GraphicsEffects, UndefinedAndInvalidTypes) {
  GfxEngine g;
  EXPECT_THROW(runEffect(g.e(), -1, 0, "", nullptr), ProcessExit);
  EXPECT_EQ(sjisToUtf8(g.e().app.error.message).find("未定義のエフェクトを使いました"), 0u);
  GfxEngine g2;
  EXPECT_THROW(runEffect(g2.e(), 19, 0, "", nullptr), ProcessExit);
  EXPECT_EQ(sjisToUtf8(g2.e().app.error.caption), "エラー");
}

}  // namespace
}  // namespace veloria
