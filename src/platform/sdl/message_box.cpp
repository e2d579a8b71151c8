// The message box: drawn inside the window over the picture, with its own loop; before the
// window shows, the desktop's own box.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/sdl/sdl_platform.h"
#include "platform/text_codec.h"

namespace veloria::sdl {

int SdlPlatform::showMessageBox(std::string_view text, std::string_view caption, int typeAndFlags) {
  const int type = typeAndFlags & MB_TYPEMASK;
  const bool noFirst = type == MB_YESNO && (typeAndFlags & MB_DEFBUTTON2);
  if (!window_ || !shown_) {
    // No window yet (start-up errors): the desktop's own box, owned by nothing.
    std::string t = sjisToUtf8(text), c = sjisToUtf8(caption);
    std::fprintf(stderr, "[%s] %s\n", c.c_str(), t.c_str());
    const SDL_MessageBoxButtonData ok[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"}};
    const Uint32 noFlags = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT | (noFirst ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0);
    const SDL_MessageBoxButtonData yesNo[] = {{noFirst ? 0u : static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT), IDYES, "Yes"},
                                              {noFlags, IDNO, "No"}};
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
    if (noFirst) m.focus = 1;
  } else {
    m.buttons = {{{}, IDOK, "OK"}};
    m.escapeResult = IDOK;
  }
  return runModal(m);
}

std::vector<std::string> SdlPlatform::splitLines(const std::string& s) {
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

// Box metrics are those of the 1x box times the chrome's scale.
void SdlPlatform::layoutModal(Modal& m) {
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

void SdlPlatform::paintModal(Modal& m) {
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
// painting messages keep being handled. A termination request answers the safe button and
// ends the program as the end command does, so the player's state is written before the
// desktop gives up waiting.
int SdlPlatform::runModal(Modal& m) {
  // The box leaves the screen however its loop ends (the quit request unwinds through here).
  struct Shown {
    SdlPlatform& p;
    Modal* outer;
    ~Shown() { p.modal_ = outer; }
  } shownScope{*this, modal_};
  modal_ = &m;
  menuUi_.close();
  render();
  bool done = false;
  while (!done) {
    if (terminationRequested) {
      m.result = m.escapeResult;
      if (onQuitRequest) {
        terminationRequested = 0;
        onQuitRequest();
      }
      // Nobody to end the program yet: the request stays for the loop that can.
      break;
    }
    SDL_Event ev;
    if (SDL_WaitEventTimeout(&ev, ownerWaitMs(kNoDeadline))) {
      do {
        done = modalEvent(m, ev) || done;
      } while (!done && SDL_PollEvent(&ev));
    }
    serviceOwner();
  }
  modal_ = shownScope.outer;
  render();
  lastPump_ = SDL_GetTicks();
  return m.result;
}

bool SdlPlatform::modalEvent(Modal& m, const SDL_Event& ev) {
  SDL_Event key;
  if (padEventAsKey(ev, key)) return modalEvent(m, key);
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

}  // namespace veloria::sdl
