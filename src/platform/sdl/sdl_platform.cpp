// The SDL2 backend: a real window with the client picture below our own menu strip, real
// input and clock. Message boxes and the dialogs are drawn inside the window.
#include "platform/sdl/sdl_platform.h"

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/cursor_file.h"
#include "platform/files.h"
#include "platform/media/media_port.h"
#include "platform/text_codec.h"
#include "platform/window_icon.h"

namespace veloria {

namespace sdl {

volatile std::sig_atomic_t terminationRequested = 0;

namespace {

// While a script runs without waiting, OS events are still taken this often.
constexpr uint32_t kPumpIntervalMs = 30;
// A wait with no deadline still looks at the clock this often.
constexpr int64_t kLongestBlockMs = 1000;

extern "C" void requestTermination(int) { terminationRequested = 1; }

void installTerminationHandlers() {
  struct sigaction sa {};
  sa.sa_handler = requestTermination;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace

bool SdlPlatform::init(std::string* error) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The input method's candidate list is the desktop's; a long composition or commit arrives
  // whole rather than cut at 32 bytes.
  SDL_SetHint(SDL_HINT_IME_SHOW_UI, "1");
#if SDL_VERSION_ATLEAST(2, 0, 22)
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
#endif
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
    if (error) *error = SDL_GetError();
    return false;
  }
  initialised_ = true;
  // Only the game library takes dropped files; anywhere else their names would never be freed.
  SDL_EventState(SDL_DROPFILE, SDL_DISABLE);
  SDL_EventState(SDL_DROPTEXT, SDL_DISABLE);
  installTerminationHandlers();
  wakeEvent_ = SDL_RegisterEvents(1);
  media_ = makeRealTimeMedia(*this);
  speech_ = makeSpeechServicePort();
  return true;
}

// Pushes an event the blocked wait wakes for; SDL's queue is safe to use from any thread.
void SdlPlatform::wake() {
  if (wakeEvent_ == static_cast<Uint32>(-1)) return;
  SDL_Event ev{};
  ev.type = wakeEvent_;
  SDL_PushEvent(&ev);
}

SdlPlatform::~SdlPlatform() {
  media_.reset();
  for (auto& [k, t] : textCache_) SDL_DestroyTexture(t);
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  if (cursor_) SDL_FreeCursor(cursor_);
  if (initialised_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
}

void SdlPlatform::sleep(uint32_t ms) {
  if (ms > 0) SDL_Delay(ms);
  if (ms > 0 || SDL_GetTicks() - lastPump_ >= kPumpIntervalMs) pumpOsEvents();
}

void SdlPlatform::waitForMessage(uint32_t deadline) {
  pumpOsEvents();
  postTimersDue();
  if (!queue_.empty()) return;
  const uint32_t now = SDL_GetTicks();
  int64_t wait = deadline == kNoDeadline ? kLongestBlockMs : static_cast<int32_t>(deadline - now);
  uint32_t timer = 0;
  if (nextTimerDue(timer)) wait = std::min<int64_t>(wait, static_cast<int32_t>(timer - now));
  if (wait <= 0) return;
  SDL_Event ev;
  if (SDL_WaitEventTimeout(&ev, static_cast<int>(std::min<int64_t>(wait, kLongestBlockMs)))) {
    handleEvent(ev);
    pumpOsEvents();
  }
  lastPump_ = SDL_GetTicks();
}

// ---- window ----
void SdlPlatform::createWindow(int w, int h) {
  setClientSize(w, h);
  window_ = scaler_.create(w, h, &scaleMode_);
  if (!window_) return;
  std::vector<uint8_t> icon = drawAppIcon(64);
  if (SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon.data(), 64, 64, 32, 64 * 4, SDL_PIXELFORMAT_RGBA32)) {
    SDL_SetWindowIcon(window_, s);  // SDL keeps its own copy
    SDL_FreeSurface(s);
  }
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  makeTexture();
  layout();
}

void SdlPlatform::showWindow() {
  if (!window_) return;
  SDL_ShowWindow(window_);
  shown_ = true;
  render();
}

void SdlPlatform::resizeClient(int w, int h) {
  setClientSize(w, h);
  makeTexture();
  scaler_.clientResized(window_, w, h, shown_, fullscreen_);
  layout();
  render();
}

void SdlPlatform::setTitle(std::string_view sjis) {
  title_ = sjisToUtf8(sjis);
  if (window_) SDL_SetWindowTitle(window_, title_.c_str());
}

void SdlPlatform::destroyWindow() {
  if (window_ && shown_) scaler_.save(window_, clientW_, clientH_, scaleMode_, fullscreen_);
  if (window_) SDL_HideWindow(window_);
  shown_ = false;
}

bool SdlPlatform::setFullscreen(bool on) {
  if (!window_) return false;
  if (on && !fullscreen_) scaler_.noteWindowed(window_);
  if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return false;
  fullscreen_ = on;
  // Back to the size and place the player had before full screen.
  if (!on) scaler_.restoreWindowed(window_);
  layout();
  render();
  return true;
}

bool SdlPlatform::setCursorFile(const std::string& path) {
  if (path.empty()) {
    if (cursor_) SDL_FreeCursor(cursor_);
    cursor_ = nullptr;
    SDL_SetCursor(SDL_GetDefaultCursor());
    return true;
  }
  auto data = fs::readHostFile(path);
  if (!data) return false;
  auto img = decodeCursorFile(*data);
  if (!img) return false;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(img->argb.data(), img->width, img->height, 32,
                                                      img->width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return false;
  SDL_Cursor* c = SDL_CreateColorCursor(s, img->hotX, img->hotY);
  SDL_FreeSurface(s);
  if (!c) return false;
  if (cursor_) SDL_FreeCursor(cursor_);
  cursor_ = c;
  SDL_SetCursor(cursor_);
  return true;
}

void SdlPlatform::showCustomCursor() {
  if (cursor_ && SDL_GetCursor() != cursor_) SDL_SetCursor(cursor_);
}

void SdlPlatform::setMenuAttached(bool attached) {
  Platform::setMenuAttached(attached);
  if (!attached) menuUi_.close();
  render();
}

void SdlPlatform::onMenuChanged() {
  menuUi_.invalidate();
  render();
}

void SdlPlatform::setScaleMode(ScaleMode mode) {
  Platform::setScaleMode(mode);
  layout();
  render();
}

void SdlPlatform::pumpOsEvents() {
  if (terminationRequested && onQuitRequest) {
    terminationRequested = 0;
    onQuitRequest();
  }
  lastPump_ = SDL_GetTicks();
  SDL_Event ev;
  while (SDL_PollEvent(&ev)) handleEvent(ev);
  if (media_) media_->poll();
}

void SdlPlatform::pictureChanged(const Rect& r) {
  if (!texture_ || r.empty()) return;
  SDL_Rect rect{r.left, r.top, r.width(), r.height()};
  SDL_UpdateTexture(texture_, &rect, &picture_[(static_cast<size_t>(r.top) * clientW_ + r.left) * 3], clientW_ * 3);
  render();
}

void SdlPlatform::makeTexture() {
  if (!renderer_) return;
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STREAMING, clientW_, clientH_);
  if (texture_) SDL_UpdateTexture(texture_, nullptr, picture_.data(), clientW_ * 3);
  if (texture_) SDL_SetTextureScaleMode(texture_, scaler_.layout().sharp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
}

// Where the client picture and the menu strip go, from the window's current size.
void SdlPlatform::layout() {
  if (!window_) return;
  const ScaleLayout& l = scaler_.relayout(window_, renderer_, clientW_, clientH_, scaleMode_, fullscreen_);
  clientDst_ = SDL_Rect{l.picture.x, l.picture.y, l.picture.w, l.picture.h};
  stripRect_ = SDL_Rect{l.strip.x, l.strip.y, l.strip.w, l.strip.h};
  if (texture_) SDL_SetTextureScaleMode(texture_, l.sharp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  if (l.uiScale != uiScale_) {
    // The chrome's text is rasterised at its drawn size, not magnified.
    uiScale_ = l.uiScale;
    for (auto& [k, t] : textCache_) SDL_DestroyTexture(t);
    textCache_.clear();
  }
  menuUi_.setStrip(stripRect_.x, stripRect_.y, stripRect_.w, stripRect_.h);
}

UiFont& SdlPlatform::font() {
  auto& f = fonts_[uiScale_];
  if (!f) f = std::make_unique<UiFont>(13 * uiScale_);
  return *f;
}

// ---- drawing ----
SDL_Texture* SdlPlatform::textTexture(const std::string& utf8) {
  auto it = textCache_.find(utf8);
  if (it != textCache_.end()) return it->second;
  TextImage img = font().render(utf8);
  std::vector<uint32_t> px(img.alpha.size());
  for (size_t i = 0; i < px.size(); ++i) px[i] = (uint32_t{img.alpha[i]} << 24) | 0xFFFFFF;
  SDL_Texture* t = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, img.width, img.height);
  if (t) {
    SDL_UpdateTexture(t, nullptr, px.data(), img.width * 4);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
  }
  if (textCache_.size() > 512) {
    for (auto& [k, old] : textCache_) SDL_DestroyTexture(old);
    textCache_.clear();
  }
  textCache_[utf8] = t;
  return t;
}

void SdlPlatform::drawText(const std::string& utf8, int x, int y, uint32_t rgb) {
  if (utf8.empty()) return;
  SDL_Texture* t = textTexture(utf8);
  if (!t) return;
  int w, h;
  SDL_QueryTexture(t, nullptr, nullptr, &w, &h);
  SDL_SetTextureColorMod(t, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  SDL_Rect dst{x, y, w, h};
  SDL_RenderCopy(renderer_, t, nullptr, &dst);
}

void SdlPlatform::fill(const SDL_Rect& r, uint32_t rgb) {
  SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
  SDL_RenderFillRect(renderer_, &r);
}

void SdlPlatform::frame(const SDL_Rect& r, uint32_t rgb) {
  SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
  SDL_RenderDrawRect(renderer_, &r);
}

void SdlPlatform::render() {
  if (!renderer_ || !shown_) return;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (library_) {
    // The library has the whole window: there is no game picture or menu yet.
    SDL_Rect all{0, 0, 0, 0};
    SDL_GetRendererOutputSize(renderer_, &all.w, &all.h);
    DialogPainter p = dialogPainter();
    fill(all, dialog_colours::kFace);
    library_->layout(all, p);
    library_->paint(p);
    SDL_RenderPresent(renderer_);
    return;
  }
  if (texture_) SDL_RenderCopy(renderer_, texture_, nullptr, &clientDst_);
  if (menuVisible()) {
    MenuPainter p{[this](const SDL_Rect& r, uint32_t c) { fill(r, c); },
                  [this](const SDL_Rect& r, uint32_t c) { frame(r, c); },
                  [this](const std::string& s, int x, int y, uint32_t c) { drawText(s, x, y, c); },
                  [this](const std::string& s) { return font().measure(s); }, font().lineHeight(), uiScale_};
    menuUi_.paint(menu_, p);
  } else if (!fullscreen_) {
    fill(stripRect_, 0xF0F0F0);
  }
  if (dialog_) paintDialog(*dialog_);
  if (modal_) paintModal(*modal_);
  SDL_RenderPresent(renderer_);
}

// While a box or dialog is up the owner window gets no input, but its timers and painting
// go on: those messages are handled here and every other one stays queued.
void SdlPlatform::serviceOwner() {
  postTimersDue();
  for (auto it = queue_.begin(); it != queue_.end();) {
    if (it->message == WM_TIMER || it->message == WM_PAINT) {
      Message msg = *it;
      it = queue_.erase(it);
      dispatchMessage(msg);
    } else {
      ++it;
    }
  }
  lastPump_ = SDL_GetTicks();
}

// How long a modal loop may block: until the owner's next timer tick or `deadline`.
int SdlPlatform::ownerWaitMs(uint32_t deadline) const {
  const uint32_t now = SDL_GetTicks();
  int64_t wait = deadline == kNoDeadline ? kLongestBlockMs : static_cast<int32_t>(deadline - now);
  uint32_t timer = 0;
  if (nextTimerDue(timer)) wait = std::min<int64_t>(wait, static_cast<int32_t>(timer - now));
  return static_cast<int>(std::clamp<int64_t>(wait, 1, kLongestBlockMs));
}

}  // namespace sdl

std::unique_ptr<Platform> makeSdlPlatform(std::string* error, const WindowOptions& options) {
  auto p = std::make_unique<sdl::SdlPlatform>(options);
  if (!p->init(error)) return nullptr;
  return p;
}

}  // namespace veloria
