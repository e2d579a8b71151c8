#include "platform/window_layout.h"

#include <algorithm>
#include <cstdint>

namespace veloria {

namespace {

// Division rounding towards minus infinity: positions left of or above the picture stay
// negative instead of folding onto pixel 0.
int64_t floorDiv(int64_t a, int64_t b) {
  int64_t q = a / b;
  return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int toInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The largest picture of the client's aspect inside `area`, centred.
PixelRect fitPicture(const PixelRect& area, int cw, int ch, ScaleMode mode, bool* sharp) {
  const int whole = std::min(area.w / cw, area.h / ch);
  int64_t w, h;
  if (mode == ScaleMode::Sharp && whole >= 1) {
    w = int64_t{whole} * cw;
    h = int64_t{whole} * ch;
  } else if (int64_t{area.w} * ch <= int64_t{area.h} * cw) {
    w = area.w;
    h = int64_t{area.w} * ch / cw;
  } else {
    h = area.h;
    w = int64_t{area.h} * cw / ch;
  }
  // A smooth fit that lands on a whole multiple is drawn sharp: filtering would only blur it.
  *sharp = w > 0 && w % cw == 0 && h % ch == 0 && w / cw == h / ch;
  return PixelRect{area.x + toInt((area.w - w) / 2), area.y + toInt((area.h - h) / 2), toInt(w), toInt(h)};
}

}  // namespace

ScaleLayout computeScaleLayout(int cw, int ch, int ww, int wh, int dw, int dh, ScaleMode mode, bool fullscreen) {
  ScaleLayout l;
  l.clientW = cw;
  l.clientH = ch;
  l.windowW = ww;
  l.windowH = wh;
  // Some drivers report no drawable size before the first frame; points are pixels then.
  l.drawableW = dw > 0 && dh > 0 ? dw : ww;
  l.drawableH = dw > 0 && dh > 0 ? dh : wh;
  if (cw <= 0 || ch <= 0 || l.drawableW <= 0 || l.drawableH <= 0) return l;

  // The chrome grows in whole steps with the room the 1x window (picture and strip)
  // has, so the strip and boxes stay readable and never crowd the picture.
  const int stripRows = fullscreen ? 0 : kMenuStripHeight;
  l.uiScale = std::max(1, std::min(l.drawableW / cw, l.drawableH / (ch + stripRows)));
  const int stripH = kMenuStripHeight * l.uiScale;

  PixelRect area{0, 0, l.drawableW, l.drawableH};
  if (!fullscreen) {
    l.strip = PixelRect{0, 0, l.drawableW, std::min(stripH, l.drawableH)};
    area.y = l.strip.h;
    area.h = l.drawableH - l.strip.h;
  }
  if (area.h > 0) l.picture = fitPicture(area, cw, ch, mode, &l.sharp);
  if (fullscreen) l.strip = PixelRect{l.picture.x, l.picture.y, l.picture.w, std::min(stripH, l.picture.h)};
  return l;
}

WindowPoint ScaleLayout::toDrawable(int wx, int wy) const {
  if (windowW <= 0 || windowH <= 0) return WindowPoint{wx, wy};
  return WindowPoint{toInt(floorDiv(int64_t{wx} * drawableW, windowW)),
                     toInt(floorDiv(int64_t{wy} * drawableH, windowH))};
}

WindowPoint ScaleLayout::drawableToClient(int px, int py) const {
  if (picture.w <= 0 || picture.h <= 0) return WindowPoint{-1, -1};
  // The client pixel under the drawable pixel's centre: exactly what nearest sampling shows.
  return WindowPoint{toInt(floorDiv((2 * (int64_t{px} - picture.x) + 1) * clientW, 2 * int64_t{picture.w})),
                     toInt(floorDiv((2 * (int64_t{py} - picture.y) + 1) * clientH, 2 * int64_t{picture.h}))};
}

WindowPoint ScaleLayout::clientToWindow(int cx, int cy) const {
  // The point over the middle of the client pixel, or a neighbour of it when rounding put
  // that point's pixel over the next client pixel. Both axes map independently.
  auto axis = [](int c, int client, int start, int size, int points, int pixels, auto&& back) {
    if (client <= 0 || size <= 0) return c;
    int64_t mid2 = (2 * int64_t{c} + 1) * size + 2 * int64_t{client} * start;  // middle, times 2*client
    if (points <= 0 || pixels <= 0) points = pixels = 1;
    int guess = toInt(floorDiv(mid2 * points, 2 * int64_t{client} * pixels));
    for (int w : {guess, guess + 1, guess - 1})
      if (back(w) == c) return w;
    return guess;
  };
  int x = axis(cx, clientW, picture.x, picture.w, windowW, drawableW, [&](int w) { return toClient(w, 0).x; });
  int y = axis(cy, clientH, picture.y, picture.h, windowH, drawableH, [&](int w) { return toClient(0, w).y; });
  return WindowPoint{x, y};
}

int fitWholeScale(int requested, int nw, int nh, int uw, int uh) {
  int fits = nw > 0 && nh > 0 && uw > 0 && uh > 0 ? std::min(uw / nw, uh / nh) : requested;
  return std::max(1, std::min(requested, fits));
}

}  // namespace veloria
