// The SDL2 backend: a real window with the client picture below our own menu strip, real
// input and clock. Message boxes and the dialogs are drawn inside the window.
#include <SDL.h>

#include <signal.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/cursor_file.h"
#include "platform/files.h"
#include "platform/media/media_port.h"
#include "platform/platform.h"
#include "platform/sdl/dialog_ui.h"
#include "platform/sdl/menu_ui.h"
#include "platform/sdl/ui_font.h"
#include "platform/sdl/window_scaler.h"
#include "platform/text_codec.h"
#include "platform/window_icon.h"

namespace veloria {

namespace {

// While a script runs without waiting, OS events are still taken this often.
constexpr uint32_t kPumpIntervalMs = 30;
// A wait with no deadline still looks at the clock this often.
constexpr int64_t kLongestBlockMs = 1000;

// SIGTERM, SIGINT or SIGHUP (the desktop logging out, Ctrl+C in a terminal): the program
// ends as the end command ends it, with the player's state written, instead of dying.
volatile std::sig_atomic_t terminationRequested = 0;
extern "C" void requestTermination(int) { terminationRequested = 1; }

void installTerminationHandlers() {
  struct sigaction sa {};
  sa.sa_handler = requestTermination;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

struct Button {
  SDL_Rect rect;
  int result;
  std::string label;
};

class SdlPlatform final : public Platform {
 public:
  explicit SdlPlatform(const WindowOptions& options) : scaler_(options) {}

  bool init(std::string* error) {
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
    installTerminationHandlers();
    wakeEvent_ = SDL_RegisterEvents(1);
    media_ = makeRealTimeMedia(*this);
    return true;
  }

  // Pushes an event the blocked wait wakes for; SDL's queue is safe to use from any thread.
  void wake() override {
    if (wakeEvent_ == static_cast<Uint32>(-1)) return;
    SDL_Event ev{};
    ev.type = wakeEvent_;
    SDL_PushEvent(&ev);
  }

  ~SdlPlatform() override {
    media_.reset();
    for (auto& [k, t] : textCache_) SDL_DestroyTexture(t);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    if (cursor_) SDL_FreeCursor(cursor_);
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_TIMER);
  }

  // ---- clock ----
  uint32_t timeGetTime() override { return SDL_GetTicks(); }

  void sleep(uint32_t ms) override {
    if (ms > 0) SDL_Delay(ms);
    if (ms > 0 || SDL_GetTicks() - lastPump_ >= kPumpIntervalMs) pumpOsEvents();
  }

  void waitForMessage(uint32_t deadline) override {
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
  void createWindow(int w, int h) override {
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

  void showWindow() override {
    if (!window_) return;
    SDL_ShowWindow(window_);
    shown_ = true;
    render();
  }
  bool windowShown() const override { return shown_; }

  void resizeClient(int w, int h) override {
    setClientSize(w, h);
    makeTexture();
    scaler_.clientResized(window_, w, h, shown_, fullscreen_);
    layout();
    render();
  }

  void setTitle(std::string_view sjis) override {
    title_ = sjisToUtf8(sjis);
    if (window_) SDL_SetWindowTitle(window_, title_.c_str());
  }

  void destroyWindow() override {
    if (window_ && shown_) scaler_.save(window_, clientW_, clientH_, scaleMode_, fullscreen_);
    if (window_) SDL_HideWindow(window_);
    shown_ = false;
  }

  bool setFullscreen(bool on) override {
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

  bool setCursorFile(const std::string& path) override {
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

  void showCustomCursor() override {
    if (cursor_ && SDL_GetCursor() != cursor_) SDL_SetCursor(cursor_);
  }

  void setMenuAttached(bool attached) override {
    Platform::setMenuAttached(attached);
    if (!attached) menuUi_.close();
    render();
  }
  void onMenuChanged() override {
    menuUi_.invalidate();
    render();
  }

  void setScaleMode(ScaleMode mode) override {
    Platform::setScaleMode(mode);
    layout();
    render();
  }

  bool headless() const override { return false; }

 protected:
  void pumpOsEvents() override {
    if (terminationRequested && onQuitRequest) {
      terminationRequested = 0;
      onQuitRequest();
    }
    lastPump_ = SDL_GetTicks();
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) handleEvent(ev);
    if (media_) media_->poll();
  }

  void idle() override {}

  void pictureChanged(const Rect& r) override {
    if (!texture_ || r.empty()) return;
    SDL_Rect rect{r.left, r.top, r.width(), r.height()};
    SDL_UpdateTexture(texture_, &rect, &picture_[(static_cast<size_t>(r.top) * clientW_ + r.left) * 3], clientW_ * 3);
    render();
  }

  int showMessageBox(std::string_view text, std::string_view caption, int type) override {
    if (!window_ || !shown_) {
      // No window yet (start-up errors): the desktop's own box, owned by nothing.
      std::string t = sjisToUtf8(text), c = sjisToUtf8(caption);
      std::fprintf(stderr, "[%s] %s\n", c.c_str(), t.c_str());
      const SDL_MessageBoxButtonData ok[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"}};
      const SDL_MessageBoxButtonData yesNo[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
                                                {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"}};
      SDL_MessageBoxData d{SDL_MESSAGEBOX_INFORMATION, nullptr, c.c_str(), t.c_str(),
                           type == MB_YESNO ? 2 : 1, type == MB_YESNO ? yesNo : ok, nullptr};
      // A box that could not be shown, or was closed without a button, answers the safe
      // button: a failure must never confirm a yes/no question.
      const int safe = type == MB_YESNO ? IDNO : IDOK;
      int button = -1;
      if (SDL_ShowMessageBox(&d, &button) != 0) {
        std::fprintf(stderr, "veloria: cannot show the message box (%s); answered %s\n", SDL_GetError(),
                     safe == IDNO ? "No" : "OK");
        return safe;
      }
      const bool offered = type == MB_YESNO ? button == IDYES || button == IDNO : button == IDOK;
      return offered ? button : safe;
    }
    Modal m;
    m.caption = sjisToUtf8(caption);
    m.lines = splitLines(sjisToUtf8(text));
    if (type == MB_YESNO) {
      m.buttons = {{{}, IDYES, "はい"}, {{}, IDNO, "いいえ"}};
      m.escapeResult = IDNO;
    } else {
      m.buttons = {{{}, IDOK, "OK"}};
      m.escapeResult = IDOK;
    }
    return runModal(m);
  }

  DialogAnswer showInputDialog(const InputDialogSetup& setup) override {
    DialogUi d(setup);
    DialogAnswer a;
    a.end = runDialog(d);
    a.text = d.text();
    return a;
  }

  DialogAnswer showListDialog(const ListDialogSetup& setup) override {
    DialogUi d(setup);
    DialogAnswer a;
    a.end = runDialog(d);
    a.selection = d.selection();
    return a;
  }

 private:
  struct Modal {
    std::string caption;
    std::vector<std::string> lines;
    std::vector<Button> buttons;
    int focus = 0;
    int escapeResult = IDOK;
    int result = 0;
    SDL_Rect box{};
  };

  static std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
      size_t nl = s.find('\n', start);
      std::string line = s.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      out.push_back(line);
      if (nl == std::string::npos) break;
      start = nl + 1;
    }
    return out;
  }

  void makeTexture() {
    if (!renderer_) return;
    if (texture_) SDL_DestroyTexture(texture_);
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STREAMING, clientW_, clientH_);
    if (texture_) SDL_UpdateTexture(texture_, nullptr, picture_.data(), clientW_ * 3);
    if (texture_) SDL_SetTextureScaleMode(texture_, scaler_.layout().sharp ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  }

  // Where the client picture and the menu strip go, from the window's current size.
  void layout() {
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

  UiFont& font() {
    auto& f = fonts_[uiScale_];
    if (!f) f = std::make_unique<UiFont>(13 * uiScale_);
    return *f;
  }

  bool menuVisible() const { return menuAttached_ && !menu_.items().empty(); }

  static uint32_t vkOf(SDL_Keycode k) {
    if (k >= SDLK_a && k <= SDLK_z) return static_cast<uint32_t>('A' + (k - SDLK_a));
    if (k >= SDLK_0 && k <= SDLK_9) return static_cast<uint32_t>(k);
    switch (k) {
      case SDLK_RETURN: case SDLK_KP_ENTER: return 0x0D;
      case SDLK_ESCAPE: return 0x1B;
      case SDLK_SPACE: return 0x20;
      case SDLK_BACKSPACE: return 0x08;
      case SDLK_TAB: return 0x09;
      case SDLK_LEFT: return 0x25;
      case SDLK_UP: return 0x26;
      case SDLK_RIGHT: return 0x27;
      case SDLK_DOWN: return 0x28;
      case SDLK_PAGEUP: return 0x21;
      case SDLK_PAGEDOWN: return 0x22;
      case SDLK_LCTRL: case SDLK_RCTRL: return 0x11;
      case SDLK_LSHIFT: case SDLK_RSHIFT: return 0x10;
      default: return 0;
    }
  }

  void handleEvent(const SDL_Event& ev) {
    switch (ev.type) {
      case SDL_QUIT: postMessage(WM_CLOSE); break;
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
          postMessage(WM_CLOSE);
        } else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          if (!fullscreen_) scaler_.noteWindowed(window_);
          layout();
          render();
          postMessage(WM_PAINT);
        } else if (ev.window.event == SDL_WINDOWEVENT_MOVED) {
          if (!fullscreen_) scaler_.noteWindowed(window_);
        }
        break;
      case SDL_MOUSEMOTION: {
        const ScaleLayout& l = scaler_.layout();
        WindowPoint px = l.toDrawable(ev.motion.x, ev.motion.y);
        if (menuVisible() && menuUi_.mouseMove(menu_, px.x, px.y)) {
          render();
          break;
        }
        WindowPoint c = l.drawableToClient(px.x, px.y);
        if (l.insideClient(c) || captured_) postMouseMove(makeLParam(c.x, c.y));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        bool down = ev.type == SDL_MOUSEBUTTONDOWN;
        const ScaleLayout& l = scaler_.layout();
        WindowPoint px = l.toDrawable(ev.button.x, ev.button.y);
        if (menuVisible()) {
          int chosen = 0;
          if (menuUi_.mouseButton(menu_, px.x, px.y, down, &chosen)) {
            if (chosen) postMessage(WM_COMMAND, static_cast<uint32_t>(chosen), 0);
            render();
            break;
          }
        }
        // A click in the black border is not the game's.
        WindowPoint c = l.drawableToClient(px.x, px.y);
        if (!l.insideClient(c) && !(captured_ && !down)) break;
        uint32_t lp = makeLParam(c.x, c.y);
        if (ev.button.button == SDL_BUTTON_LEFT) postMessage(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 1 : 0, lp);
        else if (ev.button.button == SDL_BUTTON_RIGHT) postMessage(down ? WM_RBUTTONDOWN : WM_RBUTTONUP, down ? 2 : 0, lp);
        captured_ = down;
        break;
      }
      case SDL_KEYDOWN: {
        SDL_Keycode k = ev.key.keysym.sym;
        if (menuVisible() && menuUi_.active()) {
          int chosen = 0;
          menuUi_.key(menu_, k, &chosen);
          if (chosen) postMessage(WM_COMMAND, static_cast<uint32_t>(chosen), 0);
          render();
          break;
        }
        if (k == SDLK_F10 && menuVisible()) {
          menuUi_.openByKeyboard(menu_);
          render();
          break;
        }
        if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && (ev.key.keysym.mod & KMOD_ALT)) {
          postMessage(WM_COMMAND, fullscreen_ ? 40003u : 40002u, 0);
          break;
        }
        if (uint32_t vk = vkOf(k)) postMessage(WM_KEYDOWN, vk, 0);
        if (k == SDLK_RETURN || k == SDLK_KP_ENTER) postMessage(WM_CHAR, 13, 0);
        else if (k == SDLK_ESCAPE) postMessage(WM_CHAR, 27, 0);
        else if (k == SDLK_BACKSPACE) postMessage(WM_CHAR, 8, 0);
        else if (k == SDLK_TAB) postMessage(WM_CHAR, 9, 0);
        break;
      }
#if SDL_VERSION_ATLEAST(2, 0, 22)
      case SDL_TEXTEDITING_EXT: SDL_free(ev.editExt.text); break;
#endif
      case SDL_TEXTINPUT: {
        if (menuUi_.active()) break;
        std::string sj = utf8ToSjis(ev.text.text);
        for (unsigned char c : sj) postMessage(WM_CHAR, c, 0);
        break;
      }
      default: break;
    }
  }

  // ---- drawing ----
  SDL_Texture* textTexture(const std::string& utf8) {
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

  void drawText(const std::string& utf8, int x, int y, uint32_t rgb) {
    if (utf8.empty()) return;
    SDL_Texture* t = textTexture(utf8);
    if (!t) return;
    int w, h;
    SDL_QueryTexture(t, nullptr, nullptr, &w, &h);
    SDL_SetTextureColorMod(t, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    SDL_Rect dst{x, y, w, h};
    SDL_RenderCopy(renderer_, t, nullptr, &dst);
  }

  void fill(const SDL_Rect& r, uint32_t rgb) {
    SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
    SDL_RenderFillRect(renderer_, &r);
  }
  void frame(const SDL_Rect& r, uint32_t rgb) {
    SDL_SetRenderDrawColor(renderer_, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 255);
    SDL_RenderDrawRect(renderer_, &r);
  }

  void render() {
    if (!renderer_ || !shown_) return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
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

  // Box metrics are those of the 1x box times the chrome's scale.
  void layoutModal(Modal& m) {
    const int u = uiScale_;
    UiFont& f = font();
    int lh = std::max(f.lineHeight(), 14 * u);
    int w = f.measure(m.caption) + 40 * u;
    for (const auto& l : m.lines) w = std::max(w, f.measure(l) + 40 * u);
    int bw = 0;
    for (auto& b : m.buttons) bw += std::max(72 * u, f.measure(b.label) + 24 * u) + 10 * u;
    w = std::max({w, bw + 30 * u, 200 * u});
    int h = lh + 12 * u + static_cast<int>(m.lines.size()) * (lh + 2 * u) + 16 * u + lh + 24 * u;
    w = std::min(w, std::max(clientDst_.w - 8 * u, 100 * u));
    m.box = SDL_Rect{clientDst_.x + (clientDst_.w - w) / 2, clientDst_.y + (clientDst_.h - h) / 2, w, h};
    int y = m.box.y + lh + 12 * u + static_cast<int>(m.lines.size()) * (lh + 2 * u) + 8 * u;
    int x = m.box.x + m.box.w - 12 * u;
    for (auto it = m.buttons.rbegin(); it != m.buttons.rend(); ++it) {
      int bwid = std::max(72 * u, f.measure(it->label) + 24 * u);
      x -= bwid;
      it->rect = SDL_Rect{x, y, bwid, lh + 8 * u};
      x -= 10 * u;
    }
  }

  void paintModal(Modal& m) {
    layoutModal(m);
    const int u = uiScale_;
    UiFont& f = font();
    int lh = std::max(f.lineHeight(), 14 * u);
    fill(m.box, 0xF0F0F0);
    frame(m.box, 0x404040);
    SDL_Rect cap{m.box.x, m.box.y, m.box.w, lh + 8 * u};
    fill(cap, 0x2B579A);
    drawText(m.caption, m.box.x + 8 * u, m.box.y + 4 * u, 0xFFFFFF);
    int y = m.box.y + lh + 16 * u;
    for (const auto& l : m.lines) {
      drawText(l, m.box.x + 16 * u, y, 0x000000);
      y += lh + 2 * u;
    }
    for (size_t i = 0; i < m.buttons.size(); ++i) {
      const auto& b = m.buttons[i];
      fill(b.rect, static_cast<int>(i) == m.focus ? 0xCCE4F7 : 0xE1E1E1);
      frame(b.rect, static_cast<int>(i) == m.focus ? 0x0078D7 : 0xADADAD);
      drawText(b.label, b.rect.x + (b.rect.w - f.measure(b.label)) / 2, b.rect.y + 4 * u, 0x000000);
    }
  }

  // The box's own loop. The owner window gets no input meanwhile, but its timer and
  // painting messages keep being handled.
  int runModal(Modal& m) {
    Modal* outer = modal_;
    modal_ = &m;
    menuUi_.close();
    render();
    bool done = false;
    while (!done) {
      SDL_Event ev;
      if (SDL_WaitEventTimeout(&ev, ownerWaitMs(kNoDeadline))) {
        do {
          done = modalEvent(m, ev) || done;
        } while (!done && SDL_PollEvent(&ev));
      }
      serviceOwner();
    }
    modal_ = outer;
    render();
    lastPump_ = SDL_GetTicks();
    return m.result;
  }

  bool modalEvent(Modal& m, const SDL_Event& ev) {
    switch (ev.type) {
      case SDL_QUIT: return false;
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
          m.result = m.escapeResult;
          return true;
        }
        if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          if (!fullscreen_) scaler_.noteWindowed(window_);
          layout();
          render();
        } else if (ev.window.event == SDL_WINDOWEVENT_MOVED) {
          if (!fullscreen_) scaler_.noteWindowed(window_);
        }
        return false;
      case SDL_MOUSEMOTION: return false;
      case SDL_MOUSEBUTTONUP:
        if (ev.button.button != SDL_BUTTON_LEFT) return false;
        for (auto& b : m.buttons) {
          WindowPoint px = scaler_.layout().toDrawable(ev.button.x, ev.button.y);
          SDL_Point pt{px.x, px.y};
          if (SDL_PointInRect(&pt, &b.rect)) {
            m.result = b.result;
            return true;
          }
        }
        return false;
      case SDL_KEYDOWN:
        switch (ev.key.keysym.sym) {
          case SDLK_RETURN:
          case SDLK_KP_ENTER:
          case SDLK_SPACE:
            m.result = m.buttons[static_cast<size_t>(m.focus)].result;
            return true;
          case SDLK_ESCAPE: m.result = m.escapeResult; return true;
          case SDLK_LEFT:
          case SDLK_RIGHT:
          case SDLK_TAB:
            m.focus = (m.focus + 1) % static_cast<int>(m.buttons.size());
            render();
            return false;
          case SDLK_y:
            if (m.buttons.size() == 2) { m.result = IDYES; return true; }
            return false;
          case SDLK_n:
            if (m.buttons.size() == 2) { m.result = IDNO; return true; }
            return false;
          default: return false;
        }
#if SDL_VERSION_ATLEAST(2, 0, 22)
      case SDL_TEXTEDITING_EXT: SDL_free(ev.editExt.text); return false;
#endif
      default: return false;
    }
  }

  // While a box or dialog is up the owner window gets no input, but its timers and painting
  // go on: those messages are handled here and every other one stays queued.
  void serviceOwner() {
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
  int ownerWaitMs(uint32_t deadline) const {
    const uint32_t now = SDL_GetTicks();
    int64_t wait = deadline == kNoDeadline ? kLongestBlockMs : static_cast<int32_t>(deadline - now);
    uint32_t timer = 0;
    if (nextTimerDue(timer)) wait = std::min<int64_t>(wait, static_cast<int32_t>(timer - now));
    return static_cast<int>(std::clamp<int64_t>(wait, 1, kLongestBlockMs));
  }

  DialogPainter dialogPainter() {
    DialogPainter p;
    p.fill = [this](const SDL_Rect& r, uint32_t c) { fill(r, c); };
    p.frame = [this](const SDL_Rect& r, uint32_t c) { frame(r, c); };
    p.text = [this](const std::string& t, int x, int y, uint32_t c) { drawText(t, x, y, c); };
    p.measure = [this](const std::string& t) { return font().measure(t); };
    p.clip = [this](const SDL_Rect* r) { SDL_RenderSetClipRect(renderer_, r); };
    p.lineHeight = std::max(font().lineHeight(), 14 * uiScale_);
    p.scale = uiScale_;
    return p;
  }

  // The dialog's own loop; the caret blinks every 500 ms, otherwise it sleeps until input or
  // the owner's next timer tick.
  DialogEnd runDialog(DialogUi& d) {
    // Before the window shows (a define block asking) there is nobody to ask.
    if (!renderer_ || !shown_) return DialogEnd::Unanswered;
    // The dialog leaves the screen however its loop ends: a fatal error from a timer tick or
    // the desktop ending the program unwinds through here.
    struct Shown {
      SdlPlatform& p;
      DialogUi* outer;
      ~Shown() {
        p.dialog_ = outer;
        p.caretOn_ = true;
      }
    } shownScope{*this, dialog_};
    dialog_ = &d;
    menuUi_.close();
    if (d.isInput()) SDL_StartTextInput();
    render();
    uint32_t blinkAt = SDL_GetTicks() + 500;
    while (d.result() == DialogUi::Result::Open) {
      SDL_Event ev;
      bool changed = false;
      if (SDL_WaitEventTimeout(&ev, ownerWaitMs(d.isInput() ? blinkAt : kNoDeadline))) {
        do {
          changed = dialogEvent(d, ev) || changed;
        } while (d.result() == DialogUi::Result::Open && SDL_PollEvent(&ev));
      }
      if (terminationRequested && onQuitRequest) {
        terminationRequested = 0;
        onQuitRequest();
      }
      serviceOwner();
      if (d.isInput() && static_cast<int32_t>(SDL_GetTicks() - blinkAt) >= 0) {
        caretOn_ = !caretOn_;
        blinkAt = SDL_GetTicks() + 500;
        changed = true;
      }
      if (changed) render();
    }
    dialog_ = shownScope.outer;
    render();
    return d.result() == DialogUi::Result::Ok ? DialogEnd::Ok : DialogEnd::Cancel;
  }

  bool dialogEvent(DialogUi& d, const SDL_Event& ev) {
    auto drawable = [&](int x, int y) { return scaler_.layout().toDrawable(x, y); };
    switch (ev.type) {
      case SDL_WINDOWEVENT:
        if (ev.window.event == SDL_WINDOWEVENT_CLOSE) {
          d.closeRequested();
        } else if (ev.window.event == SDL_WINDOWEVENT_EXPOSED || ev.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          if (!fullscreen_) scaler_.noteWindowed(window_);
          layout();
          return true;
        } else if (ev.window.event == SDL_WINDOWEVENT_MOVED && !fullscreen_) {
          scaler_.noteWindowed(window_);
        }
        return false;
      case SDL_KEYDOWN: caretOn_ = true; return d.key(ev.key.keysym.sym, ev.key.keysym.mod);
      case SDL_TEXTINPUT: caretOn_ = true; return d.textInput(ev.text.text);
      case SDL_TEXTEDITING: return d.textEditing(ev.edit.text, ev.edit.start);
#if SDL_VERSION_ATLEAST(2, 0, 22)
      case SDL_TEXTEDITING_EXT: {
        bool changed = d.textEditing(ev.editExt.text, ev.editExt.start);
        SDL_free(ev.editExt.text);
        return changed;
      }
#endif
      case SDL_MOUSEBUTTONDOWN:
        if (ev.button.button != SDL_BUTTON_LEFT) return false;
        return d.mouseDown(drawable(ev.button.x, ev.button.y).x, drawable(ev.button.x, ev.button.y).y);
      case SDL_MOUSEBUTTONUP:
        if (ev.button.button != SDL_BUTTON_LEFT) return false;
        return d.mouseUp(drawable(ev.button.x, ev.button.y).x, drawable(ev.button.x, ev.button.y).y);
      case SDL_MOUSEWHEEL: return d.wheel(ev.wheel.y);
      default: return false;
    }
  }

  void paintDialog(DialogUi& d) {
    DialogPainter p = dialogPainter();
    d.layout(clientDst_, p);
    d.paint(p, caretOn_);
    // The input method's candidate window opens below the field (window coordinates).
    if (d.isInput()) {
      SDL_Rect r = d.fieldRect();
      int ww = 0, wh = 0, dw = 0, dh = 0;
      SDL_GetWindowSize(window_, &ww, &wh);
      SDL_GetRendererOutputSize(renderer_, &dw, &dh);
      if (dw > 0 && dh > 0) r = SDL_Rect{r.x * ww / dw, r.y * wh / dh, r.w * ww / dw, r.h * wh / dh};
      SDL_SetTextInputRect(&r);
    }
  }

  bool initialised_ = false;
  Uint32 wakeEvent_ = static_cast<Uint32>(-1);
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Cursor* cursor_ = nullptr;
  bool shown_ = false;
  bool captured_ = false;
  uint32_t lastPump_ = 0;
  WindowScaler scaler_;
  SDL_Rect clientDst_{0, kMenuStripHeight, 640, 480};
  SDL_Rect stripRect_{0, 0, 640, kMenuStripHeight};
  int uiScale_ = 1;
  std::map<int, std::unique_ptr<UiFont>> fonts_;  // one per chrome scale met, built on first use
  std::unordered_map<std::string, SDL_Texture*> textCache_;
  MenuUi menuUi_;
  Modal* modal_ = nullptr;
  DialogUi* dialog_ = nullptr;
  bool caretOn_ = true;
};

}  // namespace

std::unique_ptr<Platform> makeSdlPlatform(std::string* error, const WindowOptions& options) {
  auto p = std::make_unique<SdlPlatform>(options);
  if (!p->init(error)) return nullptr;
  return p;
}

}  // namespace veloria
