// runEffect: the 18 transitions that bring composeSurface onto the window.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "graphics/blend_rows.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"

namespace veloria {

namespace {

// The effect's rectangle, inclusive, already cut at the screen.
struct Area {
  int left, top, right, bottom;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
  Rect rect() const { return Rect{left, top, right + 1, bottom + 1}; }
};

// One frame's bookkeeping: pump one message, tell the watchers, then pace.
class Frames {
 public:
  Frames(Engine& e, int type) : e_(e), type_(type) {}
  void begin() { start_ = e_.platform.timeGetTime(); }
  // Ends a frame that was shown: one message is handled, then the hook sees the frame.
  void shown() {
    // One waiting window message per frame keeps painting and input alive during effects.
    waitPumpOne(e_);
    if (e_.gfx.effectFrameHook) e_.gfx.effectFrameHook(e_, type_, count_);
    ++count_;
  }
  uint32_t elapsed() const { return e_.platform.timeGetTime() - start_; }
  // Sleeps the rest of `ms` counted from the frame's start.
  void paceTo(int64_t ms) {
    if (ms > 0) waitUntil(e_, start_ + static_cast<uint32_t>(std::min<int64_t>(ms, INT32_MAX)));
  }

 private:
  Engine& e_;
  int type_;
  uint32_t start_ = 0;
  int count_ = 0;
};

SurfaceView viewOf(const ImageObject& o) { return o.view(); }

// 2-5: one-pixel columns or rows every 16 pixels, straight from the new picture.
void blinds(Engine& e, const Area& a, int d, bool columns, bool reverse, Frames& f) {
  const SurfaceView nv = viewOf(e.gfx.composeSurface);
  const int64_t frameTime = d / 16;
  for (int i = 0; i < 16; ++i) {
    const int s = reverse ? 15 - i : i;
    f.begin();
    if (columns) {
      for (int x = a.left + s; x <= a.right; x += 16) e.platform.blitToWindow(nv, x, a.top, 1, a.height(), x, a.top);
    } else {
      for (int y = a.top + s; y <= a.bottom; y += 16) e.platform.blitToWindow(nv, a.left, y, a.width(), 1, a.left, y);
    }
    f.shown();
    f.paceTo(frameTime);
  }
}

// 6-9: 24 lines per frame, 23 apart, sweeping across.
void raggedWipe(Engine& e, const Area& a, int d, bool columns, bool reverse, Frames& f) {
  const SurfaceView nv = viewOf(e.gfx.composeSurface);
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  const int64_t limit = columns ? int64_t{W} * 1170 / 640 - 1 : int64_t{H} * 1010 / 480 - 1;
  const int64_t frameTime = columns ? int64_t{W} * d / 30720 : int64_t{H} * d / 20160;
  const int lo = columns ? a.left : a.top, hi = columns ? a.right : a.bottom;
  auto frame = [&](int64_t base) {
    f.begin();
    for (int j = 0; j < 24; ++j) {
      const int64_t p = base - 23 * j;
      if (p < lo || p > hi) continue;
      if (columns) e.platform.blitToWindow(nv, static_cast<int>(p), a.top, 1, a.height(), static_cast<int>(p), a.top);
      else e.platform.blitToWindow(nv, a.left, static_cast<int>(p), a.width(), 1, a.left, static_cast<int>(p));
    }
    f.shown();
    f.paceTo(frameTime);
  };
  if (!reverse) {
    for (int64_t fr = 0; 24 * fr <= limit; ++fr) frame(24 * fr);
  } else {
    for (int64_t i = limit; i >= 0; i -= 24) frame(i);
  }
}

// 11-14: the whole window moves by a strip and the next strip of the new picture comes in.
void push(Engine& e, int type, int d, Frames& f) {
  const SurfaceView nv = viewOf(e.gfx.composeSurface);
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  const Rect all{0, 0, W, H};
  if (type == 11 || type == 12) {
    const int64_t frameTime = int64_t{W} * d / 51200;
    auto frame = [&](int n) {
      f.begin();
      if (type == 11) {
        e.platform.scrollWindow(all, 8, 0);
        e.platform.blitToWindow(nv, n, 0, 8, H, 0, 0);
      } else {
        e.platform.scrollWindow(all, -8, 0);
        e.platform.blitToWindow(nv, n, 0, 8, H, W - 8, 0);
      }
      f.shown();
      f.paceTo(frameTime);
    };
    if (type == 11) {
      for (int n = W - 8; n >= 0; n -= 8) frame(n);
    } else {
      for (int n = 0; n < W - 7; n += 8) frame(n);
    }
  } else {
    const int64_t frameTime = int64_t{H} * d / 38400;
    auto frame = [&](int n) {
      f.begin();
      if (type == 13) {
        e.platform.scrollWindow(all, 0, 6);
        e.platform.blitToWindow(nv, 0, n, W, 6, 0, 0);
      } else {
        e.platform.scrollWindow(all, 0, -6);
        e.platform.blitToWindow(nv, 0, n, W, 6, 0, H - 6);
      }
      f.shown();
      f.paceTo(frameTime);
    };
    if (type == 13) {
      for (int n = H - 6; n >= 0; n -= 6) frame(n);
    } else {
      for (int n = 0; n <= H - 6; n += 6) frame(n);
    }
  }
}

bool isWholeScreen(Engine& e, const Area& a) {
  return a.left == 0 && a.top == 0 && a.right == e.app.screenWidth - 1 && a.bottom == e.app.screenHeight - 1;
}

// 10: half the bytes move one level step per frame, alternating between even and odd bytes.
void crossFadeFrame(Engine& e, const Area& a, bool whole, int k, int phase) {
  GraphicsState& g = e.gfx;
  const BlendKernels& kern = activeKernels();
  uint8_t* out = g.effectSurface.dib.pixels.data();
  const uint8_t* oldp = g.displaySurface.dib.pixels.data();
  const uint8_t* newp = g.composeSurface.dib.pixels.data();
  if (whole) {
    kern.fadeBytes(out, oldp, newp, static_cast<int>(g.effectSurface.dib.pixels.size()), k, phase);
    return;
  }
  const size_t stride = static_cast<size_t>(g.effectSurface.dib.stride);
  for (int y = a.top; y <= a.bottom; ++y) {
    const size_t off = static_cast<size_t>(g.effectSurface.dib.height - 1 - y) * stride + static_cast<size_t>(a.left) * 3;
    // Parity follows the byte's offset in the pixel memory, as in the whole-buffer pass.
    kern.fadeBytes(out + off, oldp + off, newp + off, a.width() * 3, k, (phase + static_cast<int>(off & 1)) & 1);
  }
}

void crossFade(Engine& e, const Area& a, int d, Frames& f) {
  GraphicsState& g = e.gfx;
  // A duration of 0 (also 1 halved in skip mode) fades in one step instead of dividing by 0.
  const int64_t dd = std::max(d, 1);
  g.effectSurface.dib.pixels = g.displaySurface.dib.pixels;
  const bool whole = isWholeScreen(e, a);
  int k = 1, phase = 0;
  for (;;) {
    f.begin();
    crossFadeFrame(e, Area{a.left, a.top, a.right, a.bottom}, whole, k, phase);
    e.platform.present(viewOf(g.effectSurface), a.rect());
    f.shown();
    if (k == 255) break;
    int64_t step = int64_t{f.elapsed()} * 256 / dd;
    if (step == 0) {
      f.paceTo(dd / 256);
      step = 1;
    }
    k = static_cast<int>(std::min<int64_t>(k + step, 255));
    if (k > 254) k = 255;
    phase ^= 1;
  }
}

// Tiles the mask picture over effectSurface; its blue bytes are the mask values. A mask that
// gave no picture (or has no area) counts as black: every pixel changes at once.
void tileMask(Engine& e, const std::string& maskName) {
  GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  ImageObject mask;
  loadImage(e, mask, maskName, PictureUse::Plain);
  std::string keep = g.effectSurface.name;
  fillSurface(g.effectSurface, 0, 0, W, H, 0);
  g.effectSurface.name = keep;
  const int mw = mask.visibleWidth(), mh = mask.visibleHeight();
  if (mw > 0 && mh > 0) {
    const int sx = std::clamp(mask.currentCell, 0, mask.cellCount - 1) * mask.cellWidth();
    for (int y = 0; y < H; y += mh)
      for (int x = 0; x < W; x += mw) copyRect(mask, sx, 0, g.effectSurface, x, y, mw, mh);
  }
  releaseImage(mask);
}

void maskWipe(Engine& e, const Area& a, int d, const std::string& maskName, Frames& f) {
  GraphicsState& g = e.gfx;
  tileMask(e, maskName);
  const int64_t q = std::max(d / 256, 1);
  int64_t k = 1;
  for (;;) {
    f.begin();
    for (int y = a.top; y <= a.bottom; ++y) {
      uint8_t* mrow = g.effectSurface.dib.row(y);
      uint8_t* drow = g.displaySurface.dib.row(y);
      const uint8_t* nrow = g.composeSurface.dib.row(y);
      for (int x = a.left; x <= a.right; ++x) {
        uint8_t& m = mrow[x * 3];
        if (m > k) continue;
        std::memcpy(drow + x * 3, nrow + x * 3, 3);
        m = 255;  // done: never copied again
      }
    }
    e.platform.present(viewOf(g.displaySurface), a.rect());
    f.shown();
    int64_t step = f.elapsed() / q;
    if (step == 0) {
      f.paceTo(d / 256);
      step = 1;
    }
    k += step;
    if (k > 254) break;
  }
}

void maskFade(Engine& e, const Area& a, int d, const std::string& maskName, Frames& f) {
  GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  tileMask(e, maskName);
  ImageObject frozen;
  createSurface(frozen, W, H);
  frozen.dib.pixels = g.displaySurface.dib.pixels;
  std::vector<uint8_t> finished(static_cast<size_t>(W) * H, 0);
  const int64_t q = std::max(d / 512, 1);
  int64_t level = 1;
  while (level < 512) {
    f.begin();
    for (int y = a.top; y <= a.bottom; ++y) {
      const uint8_t* mrow = g.effectSurface.dib.row(y);
      const uint8_t* orow = frozen.dib.row(y);
      const uint8_t* nrow = g.composeSurface.dib.row(y);
      uint8_t* drow = g.displaySurface.dib.row(y);
      uint8_t* done = &finished[static_cast<size_t>(y) * W];
      for (int x = a.left; x <= a.right; ++x) {
        if (done[x]) continue;
        const int64_t t = level - mrow[x * 3];
        if (t > 254) {
          std::memcpy(drow + x * 3, nrow + x * 3, 3);
          done[x] = 1;
        } else if (t > 0) {
          const unsigned tt = static_cast<unsigned>(t), it = 255 - tt;
          for (int c = 0; c < 3; ++c)
            drow[x * 3 + c] = static_cast<uint8_t>(mul255(orow[x * 3 + c], it) + mul255(nrow[x * 3 + c], tt));
        }
      }
    }
    e.platform.present(viewOf(g.displaySurface), a.rect());
    f.shown();
    int64_t step = f.elapsed() / q;
    if (step == 0) {
      f.paceTo(d / 512);
      step = 1;
    }
    level += step;
  }
}

// 16-17: K x K blocks counted from the first byte of the pixel memory (the bottom-left corner);
// blocks at the far edges are cut at the screen.
void mosaicFrame(Engine& e, const ImageObject& src, int K) {
  ImageObject& disp = e.gfx.displaySurface;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  const size_t stride = static_cast<size_t>(disp.dib.stride);
  for (int by = 0; by < H; by += K) {
    const int bh = std::min(K, H - by);
    for (int bx = 0; bx < W; bx += K) {
      const int bw = std::min(K, W - bx);
      const uint8_t* c = src.dib.pixels.data() + by * stride + static_cast<size_t>(bx) * 3;
      const uint8_t b = c[0], gg = c[1], r = c[2];
      for (int y = 0; y < bh; ++y) {
        uint8_t* p = disp.dib.pixels.data() + (by + y) * stride + static_cast<size_t>(bx) * 3;
        for (int x = 0; x < bw; ++x, p += 3) {
          p[0] = b;
          p[1] = gg;
          p[2] = r;
        }
      }
    }
  }
}

void mosaic(Engine& e, int type, int d, Frames& f) {
  GraphicsState& g = e.gfx;
  static const int kOut[6] = {5, 10, 20, 40, 80, 160};
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  if (type == 16) g.effectSurface.dib.pixels = g.displaySurface.dib.pixels;
  const ImageObject& src = type == 16 ? g.effectSurface : g.composeSurface;
  for (int i = 0; i < 6; ++i) {
    const int K = type == 16 ? kOut[i] : kOut[5 - i];
    f.begin();
    mosaicFrame(e, src, K);
    e.platform.present(viewOf(g.displaySurface), Rect{0, 0, W, H});
    f.shown();
    f.paceTo(d / 10);
  }
}

}  // namespace

void runEffect(Engine& e, int type, int duration, const std::string& mask, const DirtyRect* r) {
  GraphicsState& g = e.gfx;
  // -1 is an effect number the script never defined; 0 changes nothing.
  if (type == -1) reportScriptError(e, sj("エラー"), sj("未定義のエフェクトを使いました"));
  if (type == 0) return;
  // The later dialect's plug-in transitions are run as the cross-fade: no plug-in is loaded.
  if (type == kPluginEffect && extendedDialect(e)) type = 10;
  if (type < 1 || type > 18)
    reportScriptError(e, sj("エラー"), sj("不正なエフェクト番号です。EFFECT命令をチェックしてください。"));
  // The rectangle, cut at the screen; dirtyRect starts over.
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  Area a{0, 0, W - 1, H - 1};
  if (r) {
    a.left = static_cast<int>(std::clamp<int64_t>(r->left, 0, W));
    a.top = static_cast<int>(std::clamp<int64_t>(r->top, 0, H));
    a.right = static_cast<int>(std::clamp<int64_t>(r->right, -1, W - 1));
    a.bottom = static_cast<int>(std::clamp<int64_t>(r->bottom, -1, H - 1));
  }
  g.dirtyRect = DirtyRect{};
  const bool empty = a.right < a.left || a.bottom < a.top;
  // Skip mode runs transitions at twice the speed.
  int d = std::max(duration, 0);
  if (e.text.skipMode == 1) d /= 2;

  // The transition's frames (Frames times them and keeps the window answering).
  Frames f(e, type);
  if (!g.displaySurface.hasPicture() || !g.composeSurface.hasPicture()) return;
  switch (type) {
    case 1: break;
    case 2: case 3: case 4: case 5:
      if (!empty) blinds(e, a, d, type <= 3, type == 3 || type == 5, f);
      break;
    case 6: case 7: case 8: case 9:
      if (!empty) raggedWipe(e, a, d, type <= 7, type == 7 || type == 9, f);
      break;
    case 10:
      if (!empty) crossFade(e, a, d, f);
      break;
    case 11: case 12: case 13: case 14:
      push(e, type, d, f);
      break;
    case 15:
      if (!empty) maskWipe(e, a, d, mask, f);
      break;
    case 16:
      mosaic(e, 16, d, f);
      // The old picture stays on the window as a coarse mosaic; the next transition redraws all.
      e.platform.sleep(static_cast<uint32_t>(std::max(g.effectBlank, 0)));
      addDirty(e, 0, 0, W, H);
      return;
    case 17:
      mosaic(e, 17, d, f);
      break;
    case 18:
      if (!empty) maskFade(e, a, d, mask, f);
      break;
  }
  // The new frame becomes the window picture.
  if (!empty) {
    copyRect(g.composeSurface, a.left, a.top, g.displaySurface, a.left, a.top, a.width(), a.height());
    presentDisplay(e, a.rect());
  }
  // The pause after a transition (effectblank); the plain redraw of type 1 has none.
  if (type != 1) e.platform.sleep(static_cast<uint32_t>(std::max(g.effectBlank, 0)));
}

}  // namespace veloria
