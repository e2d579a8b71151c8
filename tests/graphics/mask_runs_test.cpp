// Alpha pictures drawn by their run tables: random scenes against the blend rule worked out
// here pixel by pixel, and the tables themselves against the masks they came from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "graphics/image.h"
#include "graphics/mask_runs.h"
#include "graphics/picture_helpers.h"

namespace veloria {
namespace {

constexpr int kW = 640, kH = 480;

// A mask value as pictures have them: mostly opaque or transparent, soft in between.
uint8_t randomMask(std::mt19937& rng, int x, int y, int w, int h) {
  const int edge = std::min({x, y, w - 1 - x, h - 1 - y});
  switch (rng() % 8) {
    case 0: return static_cast<uint8_t>(rng());
    case 1: return 255;
    default: return edge < 3 ? static_cast<uint8_t>(255 - 80 * edge) : 0;
  }
}

// An alpha picture of `cells` cells, each a colour half then a mask half. The mask's green
// and red bytes are noise: only blue counts.
ImageObject randomAlphaPicture(std::mt19937& rng, int visW, int h, int cells) {
  ImageObject o;
  createSurface(o, 2 * visW * cells, h);
  o.transMode = TRANS_ALPHA;
  o.cellCount = cells;
  for (int c = 0; c < cells; ++c)
    for (int y = 0; y < h; ++y) {
      uint8_t* row = o.dib.row(y) + static_cast<size_t>(c) * visW * 6;
      // Rows of one kind now and then, so that long runs and whole-row runs occur.
      const int rowKind = static_cast<int>(rng() % 6);
      for (int x = 0; x < visW; ++x) {
        for (int b = 0; b < 3; ++b) row[x * 3 + b] = static_cast<uint8_t>(rng());
        uint8_t* m = row + (visW + x) * 3;
        m[0] = rowKind == 0 ? 0 : rowKind == 1 ? 255 : randomMask(rng, x, y, visW, h);
        m[1] = static_cast<uint8_t>(rng());
        m[2] = static_cast<uint8_t>(rng());
      }
    }
  return o;
}

// The rule, applied to one pixel at a time: without a level, d = s(255-m)/255 + dm/255;
// with level k, a = (255-m)k/255 and d = sa/255 + d(255-a)/255; every quotient truncated.
void referenceDraw(const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y) {
  const int visW = src.visibleWidth(), cellX = src.cellWidth() * src.currentCell;
  const int level = src.alphaLevel < 0 ? -1 : std::min(src.alphaLevel, 255);
  for (int j = 0; j < src.height(); ++j)
    for (int i = 0; i < visW; ++i) {
      const int tx = x + i, ty = y + j;
      if (tx < 0 || ty < 0 || tx >= dst.width() || ty >= dst.height()) continue;
      if (clip && (tx < clip->left || tx > clip->right || ty < clip->top || ty > clip->bottom)) continue;
      const uint8_t* s = src.dib.row(j) + (cellX + i) * 3;
      const unsigned m = src.dib.row(j)[(cellX + visW + i) * 3];
      uint8_t* d = dst.dib.row(ty) + tx * 3;
      for (int c = 0; c < 3; ++c) {
        if (level < 0) {
          d[c] = static_cast<uint8_t>(s[c] * (255 - m) / 255 + d[c] * m / 255);
        } else {
          const unsigned a = (255 - m) * static_cast<unsigned>(level) / 255;
          d[c] = static_cast<uint8_t>(s[c] * a / 255 + d[c] * (255 - a) / 255);
        }
      }
    }
}

ImageObject noiseSurface(std::mt19937& rng, int w, int h) {
  ImageObject o;
  createSurface(o, w, h);
  for (auto& v : o.dib.pixels) v = static_cast<uint8_t>(rng());
  return o;
}

void expectSamePixels(const ImageObject& got, const ImageObject& want, int scene) {
  size_t bad = 0;
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x)
      if (test::px(got, x, y) != test::px(want, x, y) && ++bad <= 3)
        ADD_FAILURE() << "scene " << scene << " pixel " << x << "," << y << ": " << std::hex << test::px(got, x, y)
                      << " want " << test::px(want, x, y);
  EXPECT_EQ(bad, 0u) << "scene " << scene;
}

// Random scenes of overlapping pictures, some wider or taller than the target, some one
// pixel wide, at any position, with and without a clip rectangle, at random levels.
TEST(GraphicsMaskRuns, RandomScenesMatchTheRule) {
  std::mt19937 rng(1234);
  for (int scene = 0; scene < 60; ++scene) {
    const int tw = 1 + static_cast<int>(rng() % 90), th = 1 + static_cast<int>(rng() % 50);
    ImageObject got = noiseSurface(rng, tw, th);
    ImageObject want = got;
    ClipRect clip{static_cast<int>(rng() % tw) - 2, static_cast<int>(rng() % th) - 2, 0, 0};
    clip.right = clip.left + static_cast<int>(rng() % (tw + 4));
    clip.bottom = clip.top + static_cast<int>(rng() % (th + 4));
    const bool clipped = rng() % 2 == 0;
    const int pictures = 1 + static_cast<int>(rng() % 8);
    for (int p = 0; p < pictures; ++p) {
      const int visW = rng() % 4 == 0 ? 1 : 1 + static_cast<int>(rng() % 120);
      const int h = 1 + static_cast<int>(rng() % 60);
      const int cells = 1 + static_cast<int>(rng() % 3);
      ImageObject pic = randomAlphaPicture(rng, visW, h, cells);
      pic.currentCell = static_cast<int>(rng() % cells);
      const int levels[] = {-1, -1, -1, 0, 255, 300, static_cast<int>(rng() % 256)};
      pic.alphaLevel = levels[rng() % 7];
      const int x = static_cast<int>(rng() % (tw + visW)) - visW / 2 - 10;
      const int y = static_cast<int>(rng() % (th + h)) - h / 2 - 5;
      drawImage(pic, got, clipped ? &clip : nullptr, x, y, kW, kH);
      referenceDraw(pic, want, clipped ? &clip : nullptr, x, y);
    }
    expectSamePixels(got, want, scene);
  }
}

// A picture whose pixels change after it was drawn (its table built) draws the new mask,
// whichever way the pixels were changed.
TEST(GraphicsMaskRuns, ChangedPixelsAreSeen) {
  std::mt19937 rng(99);
  ImageObject pic = randomAlphaPicture(rng, 40, 12, 1);
  ImageObject base = noiseSurface(rng, 50, 20);
  auto check = [&](const char* what) {
    ImageObject got = base, want = base;
    drawImage(pic, got, nullptr, 3, 4, kW, kH);
    referenceDraw(pic, want, nullptr, 3, 4);
    SCOPED_TRACE(what);
    expectSamePixels(got, want, 0);
  };
  check("first draw");
  fillSurface(pic, 40, 0, 60, 6, 0xFFFFFF);  // upper half of the mask transparent
  check("after a fill");
  ImageObject opaque;
  createSurface(opaque, 20, 12);  // all zero: opaque black
  copyRect(opaque, 0, 0, pic, 50, 0, 20, 12);
  check("after a copy into it");
  drawImage(test::solid24(10, 10, 0x808080), pic, nullptr, 45, 2, kW, kH);
  check("after a drawing into it");
  pic.cellCount = 2;  // now two cells of 20: another layout, another table
  pic.currentCell = 1;
  check("after a change of cells");
  ImageObject copy = pic;  // a copy keeps the same picture and draws it the same
  fillSurface(pic, 0, 0, 80, 12, 0);
  pic = copy;
  check("after a copy back");
}

// Each row's runs cover it exactly, in order, and only claim copy or skip where the mask's
// blue byte says so; a window inside the row gets exactly its part.
TEST(GraphicsMaskRuns, TablesDescribeTheMask) {
  std::mt19937 rng(5);
  for (int n = 0; n < 30; ++n) {
    const int visW = 1 + static_cast<int>(rng() % 200), h = 1 + static_cast<int>(rng() % 8);
    const int cells = 1 + static_cast<int>(rng() % 2);
    ImageObject pic = randomAlphaPicture(rng, visW, h, cells);
    const MaskRuns& t = maskRunsOf(pic);
    for (int c = 0; c < cells; ++c)
      for (int y = 0; y < h; ++y) {
        const int x0 = static_cast<int>(rng() % visW), x1 = x0 + 1 + static_cast<int>(rng() % (visW - x0));
        int next = x0;
        t.forRuns(c, y, x0, x1, [&](int s, int e, RunKind k) {
          EXPECT_EQ(s, next);
          EXPECT_LT(s, e);
          next = e;
          for (int x = s; x < e; ++x) {
            const uint8_t m = pic.dib.row(y)[(c * 2 * visW + visW + x) * 3];
            if (k == RunKind::Copy) {
              EXPECT_EQ(m, 0) << x;
            } else if (k == RunKind::Skip) {
              EXPECT_EQ(m, 255) << x;
            }
          }
        });
        EXPECT_EQ(next, x1);
      }
  }
}

}  // namespace
}  // namespace veloria

namespace veloria {
namespace {

// A stack of pictures drawn at once gives the frame that drawing them one by one gives, with
// opaque pictures in front of others, plain copies and keyed pictures among them.
TEST(GraphicsLayers, StacksMatchOneByOneDrawing) {
  std::mt19937 rng(77);
  for (int scene = 0; scene < 80; ++scene) {
    const int tw = 1 + static_cast<int>(rng() % 100), th = 1 + static_cast<int>(rng() % 40);
    ImageObject got = noiseSurface(rng, tw, th);
    ImageObject want = got;
    ClipRect clip{static_cast<int>(rng() % tw), static_cast<int>(rng() % th), 0, 0};
    clip.right = clip.left + static_cast<int>(rng() % tw);
    clip.bottom = clip.top + static_cast<int>(rng() % th);
    const ClipRect* c = rng() % 3 == 0 ? &clip : nullptr;
    std::vector<ImageObject> pics(1 + rng() % 12);
    std::vector<Layer> layers;
    for (ImageObject& pic : pics) {
      const int visW = rng() % 5 == 0 ? 1 : 1 + static_cast<int>(rng() % 110);
      const int h = 1 + static_cast<int>(rng() % 45);
      pic = randomAlphaPicture(rng, visW, h, 1);
      const int kind = static_cast<int>(rng() % 6);
      if (kind == 0) pic.transMode = TRANS_COPY;
      if (kind == 1) pic.transMode = TRANS_LEFTUP;
      const int levels[] = {-1, -1, -1, -1, 0, 255, static_cast<int>(rng() % 256)};
      pic.alphaLevel = levels[rng() % 7];
      layers.push_back(Layer{&pic, static_cast<int>(rng() % (tw + 40)) - 30, static_cast<int>(rng() % (th + 30)) - 20});
    }
    for (const Layer& l : layers) drawImage(*l.image, want, c, l.x, l.y, kW, kH);
    drawLayers(layers, got, c, kW, kH);
    expectSamePixels(got, want, scene);
  }
}

}  // namespace
}  // namespace veloria

namespace veloria {
namespace {

// An alpha picture shaped like a figure: opaque inside an ellipse, a soft edge a few pixels
// wide, transparent outside, and now and then a hole in the opaque part.
ImageObject figurePicture(std::mt19937& rng, int visW, int h, int cells) {
  ImageObject o;
  createSurface(o, 2 * visW * cells, h);
  o.transMode = TRANS_ALPHA;
  o.cellCount = cells;
  const double edge = 1 + rng() % 8;
  for (int c = 0; c < cells; ++c)
    for (int y = 0; y < h; ++y) {
      uint8_t* row = o.dib.row(y) + static_cast<size_t>(c) * visW * 6;
      for (int x = 0; x < visW; ++x) {
        for (int b = 0; b < 3; ++b) row[x * 3 + b] = static_cast<uint8_t>(rng());
        const double dx = (x + 0.5) / visW * 2 - 1, dy = (y + 0.5) / h * 2 - 1;
        const double out = (std::sqrt(dx * dx + dy * dy) - 0.85) * visW / 2 / edge;  // 0..1 across the edge
        uint8_t m = out <= 0 ? 0 : out >= 1 ? 255 : static_cast<uint8_t>(out * 255);
        if (m == 0 && rng() % 500 == 0) m = static_cast<uint8_t>(rng());
        row[(visW + x) * 3] = row[(visW + x) * 3 + 1] = row[(visW + x) * 3 + 2] = m;
      }
    }
  return o;
}

// Large stacks where wide pictures in front hide much of those behind: the parts left to
// draw, cut around what is hidden, give the frame that drawing every picture whole gives.
// Targets up to 2000 pixels wide put many separate hidden stretches on one row.
TEST(GraphicsLayers, HiddenPartsMatchOneByOneDrawing) {
  std::mt19937 rng(2024);
  constexpr int kScreen = 4096;
  for (int scene = 0; scene < 60; ++scene) {
    // Wide scenes are a band that every picture crosses.
    const bool wide = rng() % 3 == 0;
    const int tw = wide ? 2000 : 120 + static_cast<int>(rng() % 300);
    const int th = 1 + static_cast<int>(rng() % (wide ? 30 : 120));
    ImageObject got = noiseSurface(rng, tw, th);
    ImageObject want = got;
    // A dirty rectangle of the frame, or all of it.
    ClipRect clip{static_cast<int>(rng() % tw) - 5, static_cast<int>(rng() % th) - 5, 0, 0};
    clip.right = clip.left + static_cast<int>(rng() % tw);
    clip.bottom = clip.top + static_cast<int>(rng() % (th + 5));
    const ClipRect* c = rng() % 3 == 0 ? &clip : nullptr;
    std::vector<ImageObject> pics(2 + rng() % (wide ? 40 : 24));
    std::vector<Layer> layers;
    for (ImageObject& pic : pics) {
      const int kind = static_cast<int>(rng() % 10);
      const int visW = kind == 0 ? 1 : 1 + static_cast<int>(rng() % 320);
      const int h = wide ? 60 + static_cast<int>(rng() % 30) : 1 + static_cast<int>(rng() % 130);
      const int cells = 1 + static_cast<int>(rng() % 2);
      pic = kind < 7 ? figurePicture(rng, visW, h, cells) : randomAlphaPicture(rng, visW, h, cells);
      pic.currentCell = static_cast<int>(rng() % cells);
      if (kind == 7) pic.transMode = TRANS_COPY;
      if (kind == 8) pic.transMode = TRANS_LEFTUP;
      const int levels[] = {-1, -1, -1, -1, -1, 0, 255, static_cast<int>(rng() % 256)};
      pic.alphaLevel = levels[rng() % 8];
      const int y = wide ? -static_cast<int>(rng() % 25) : static_cast<int>(rng() % (th + h)) - h / 2;
      layers.push_back(Layer{&pic, static_cast<int>(rng() % (tw + visW)) - visW / 2, y});
    }
    for (const Layer& l : layers) drawImage(*l.image, want, c, l.x, l.y, kScreen, kScreen);
    drawLayers(layers, got, c, kScreen, kScreen);
    expectSamePixels(got, want, scene);
  }
}

}  // namespace
}  // namespace veloria
