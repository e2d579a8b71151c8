#include "platform/window_icon.h"

#include <algorithm>
#include <cmath>

namespace veloria {

namespace {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 0;  // premultiplied
};

struct Rgb {
  float r, g, b;
};

void over(Rgba& dst, Rgb c, float alpha) {
  dst.r = c.r * alpha + dst.r * (1 - alpha);
  dst.g = c.g * alpha + dst.g * (1 - alpha);
  dst.b = c.b * alpha + dst.b * (1 - alpha);
  dst.a = alpha + dst.a * (1 - alpha);
}

Rgb mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

bool inRoundRect(float x, float y, float l, float t, float r, float b, float radius) {
  if (x < l || x > r || y < t || y > b) return false;
  float cx = std::clamp(x, l + radius, r - radius), cy = std::clamp(y, t + radius, b - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool inCircle(float x, float y, float cx, float cy, float radius) {
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// The colour at one point of the unit square.
Rgba sample(float x, float y) {
  Rgba out;
  if (!inRoundRect(x, y, 0.03f, 0.03f, 0.97f, 0.97f, 0.2f)) return out;
  const Rgb night{0.12f, 0.12f, 0.36f}, dusk{0.56f, 0.30f, 0.56f}, dawn{0.99f, 0.64f, 0.40f};
  const float t = (y - 0.03f) / 0.94f;
  over(out, t < 0.5f ? mix(night, dusk, t / 0.5f) : mix(dusk, dawn, (t - 0.5f) / 0.5f), 1);
  const Rgb white{1, 1, 1}, ink{0.18f, 0.16f, 0.42f};
  if (inCircle(x, y, 0.25f, 0.20f, 0.035f) || inCircle(x, y, 0.74f, 0.14f, 0.025f) ||
      inCircle(x, y, 0.82f, 0.32f, 0.02f))
    over(out, white, 0.9f);
  if (inCircle(x, y, 0.5f, 0.56f, 0.21f)) over(out, Rgb{1.0f, 0.86f, 0.46f}, 1);
  if (inRoundRect(x, y, 0.11f, 0.60f, 0.89f, 0.87f, 0.07f)) {
    over(out, white, 0.9f);
    if (inRoundRect(x, y, 0.19f, 0.66f, 0.70f, 0.70f, 0.02f) || inRoundRect(x, y, 0.19f, 0.75f, 0.55f, 0.79f, 0.02f))
      over(out, ink, 0.75f);
    // The click-wait cursor: a small triangle pointing down.
    if (y >= 0.74f && y <= 0.81f && std::fabs(x - 0.76f) <= (0.81f - y) * 0.72f) over(out, ink, 1);
  }
  return out;
}

}  // namespace

std::vector<uint8_t> drawAppIcon(int size) {
  if (size <= 0) return {};
  std::vector<uint8_t> px(static_cast<size_t>(size) * size * 4);
  constexpr int kSub = 4;  // 4 x 4 samples a pixel smooth the edges
  for (int py = 0; py < size; ++py) {
    for (int pxl = 0; pxl < size; ++pxl) {
      Rgba sum;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          Rgba s = sample((static_cast<float>(pxl) + (sx + 0.5f) / kSub) / static_cast<float>(size),
                          (static_cast<float>(py) + (sy + 0.5f) / kSub) / static_cast<float>(size));
          sum.r += s.r;
          sum.g += s.g;
          sum.b += s.b;
          sum.a += s.a;
        }
      }
      const float n = kSub * kSub;
      uint8_t* p = &px[(static_cast<size_t>(py) * size + pxl) * 4];
      const float a = sum.a / n;
      auto channel = [&](float premultiplied) {
        float v = a > 0 ? premultiplied / n / a : 0;
        return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255));
      };
      p[0] = channel(sum.r);
      p[1] = channel(sum.g);
      p[2] = channel(sum.b);
      p[3] = static_cast<uint8_t>(std::lround(std::clamp(a, 0.0f, 1.0f) * 255));
    }
  }
  return px;
}

}  // namespace veloria
