#include "platform/sdl/window_scaler.h"

#include <algorithm>
#include <cstdio>

#include "platform/files.h"

namespace veloria {

namespace {

// Where a window without a record opens.
constexpr int kDefaultX = 20, kDefaultY = 50;

SDL_Rect usableBounds() {
  SDL_Rect r{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(0, &r) != 0 && SDL_GetDisplayBounds(0, &r) != 0) r = SDL_Rect{0, 0, 0, 0};
  return r;
}

// A remembered place is used only while the top of the window (where it is grabbed) is on
// some display: screens come and go between runs.
bool grabbable(int x, int y, int w) {
  SDL_Rect top{x, y, std::min(w, 200), 40};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect b, hit;
    if (SDL_GetDisplayBounds(i, &b) == 0 && SDL_IntersectRect(&top, &b, &hit) && hit.w >= 40 && hit.h >= 10) return true;
  }
  return false;
}

}  // namespace

SDL_Rect WindowScaler::firstGeometry(int cw, int ch) const {
  const int nw = cw, nh = ch + kMenuStripHeight;
  const SDL_Rect usable = usableBounds();
  SDL_Rect g{kDefaultX, kDefaultY, nw, nh};
  const bool remembered = record_ && record_->clientW == cw && record_->clientH == ch;
  if (options_.scale > 0) {
    int k = fitWholeScale(options_.scale, nw, nh, usable.w, usable.h);
    g.w = k * nw;
    g.h = k * nh;
  } else if (remembered) {
    g.w = usable.w > 0 ? std::min(record_->width, usable.w) : record_->width;
    g.h = usable.h > 0 ? std::min(record_->height, usable.h) : record_->height;
  }
  if (record_ && grabbable(record_->x, record_->y, g.w)) {
    g.x = record_->x;
    g.y = record_->y;
  } else if (usable.w > 0 && usable.h > 0) {
    // The usual place, moved in as far as a large window needs.
    g.x = usable.x + std::clamp(kDefaultX, 0, std::max(0, usable.w - g.w));
    g.y = usable.y + std::clamp(kDefaultY, 0, std::max(0, usable.h - g.h));
  }
  return g;
}

SDL_Window* WindowScaler::create(int cw, int ch, ScaleMode* mode) {
  if (!options_.gameDirectory.empty()) record_ = loadWindowRecord(fs::userConfigDirectory(), options_.gameDirectory);
  if (record_) *mode = record_->mode;
  SDL_Rect g = firstGeometry(cw, ch);
  SDL_Window* w = SDL_CreateWindow("", g.x, g.y, g.w, g.h,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!w) return nullptr;
  SDL_SetWindowMinimumSize(w, cw / 4, ch / 4 + kMenuStripHeight);
  windowed_ = g;
  haveWindowed_ = true;
  return w;
}

void WindowScaler::clientResized(SDL_Window* w, int cw, int ch, bool shown, bool fullscreen) {
  if (!w) return;
  SDL_SetWindowMinimumSize(w, cw / 4, ch / 4 + kMenuStripHeight);
  if (!shown) {
    SDL_Rect g = firstGeometry(cw, ch);
    SDL_SetWindowSize(w, g.w, g.h);
    SDL_SetWindowPosition(w, g.x, g.y);
    windowed_ = g;
    return;
  }
  // Keep the magnification the player chose, in whole steps.
  int k = std::max(1, std::min(windowed_.w / std::max(1, layout_.clientW),
                               (windowed_.h - kMenuStripHeight) / std::max(1, layout_.clientH)));
  windowed_.w = k * cw;
  windowed_.h = k * (ch + kMenuStripHeight);
  if (!fullscreen) SDL_SetWindowSize(w, windowed_.w, windowed_.h);
}

const ScaleLayout& WindowScaler::relayout(SDL_Window* w, SDL_Renderer* r, int cw, int ch, ScaleMode mode,
                                          bool fullscreen) {
  int ww = 0, wh = 0, dw = 0, dh = 0;
  if (w) SDL_GetWindowSize(w, &ww, &wh);
  if (r) SDL_GetRendererOutputSize(r, &dw, &dh);
  layout_ = computeScaleLayout(cw, ch, ww, wh, dw, dh, mode, fullscreen);
  return layout_;
}

void WindowScaler::noteWindowed(SDL_Window* w) {
  if (!w || (SDL_GetWindowFlags(w) & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MINIMIZED))) return;
  SDL_GetWindowPosition(w, &windowed_.x, &windowed_.y);
  SDL_GetWindowSize(w, &windowed_.w, &windowed_.h);
  haveWindowed_ = true;
}

void WindowScaler::restoreWindowed(SDL_Window* w) {
  if (!w || !haveWindowed_) return;
  SDL_SetWindowSize(w, windowed_.w, windowed_.h);
  SDL_SetWindowPosition(w, windowed_.x, windowed_.y);
}

void WindowScaler::save(SDL_Window* w, int cw, int ch, ScaleMode mode, bool fullscreen) {
  if (options_.gameDirectory.empty() || !w) return;
  if (!fullscreen) noteWindowed(w);
  if (!haveWindowed_ || windowed_.w <= 0 || windowed_.h <= 0) return;
  WindowRecord rec;
  rec.clientW = cw;
  rec.clientH = ch;
  rec.x = windowed_.x;
  rec.y = windowed_.y;
  rec.width = windowed_.w;
  rec.height = windowed_.h;
  rec.mode = mode;
  // A record that cannot be written only costs the next run its size; say so and go on.
  if (!saveWindowRecord(fs::userConfigDirectory(), options_.gameDirectory, rec))
    std::fprintf(stderr, "veloria: cannot remember the window size in %s\n", fs::userConfigDirectory().c_str());
}

}  // namespace veloria
