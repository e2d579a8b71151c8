// SDL's events into the window messages the engine reads: the mouse in client pixels (the
// menu strip and the black border keep theirs), keys as virtual keys and characters, text
// from the input method as Shift-JIS characters.
#include <SDL.h>

#include "platform/sdl/sdl_platform.h"
#include "platform/text_codec.h"

namespace veloria::sdl {

uint32_t SdlPlatform::vkOf(SDL_Keycode k) {
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

void SdlPlatform::handleEvent(const SDL_Event& ev) {
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
    case SDL_MOUSEWHEEL: {
      int y = ev.wheel.y;
      if (ev.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
      if (y != 0) postMessage(WM_MOUSEWHEEL, y > 0 ? 1u : 2u, 0);
      break;
    }
    case SDL_KEYDOWN: keyDown(ev.key.keysym.sym, ev.key.keysym.mod); break;
#if SDL_VERSION_ATLEAST(2, 0, 22)
    case SDL_TEXTEDITING_EXT: SDL_free(ev.editExt.text); break;
#endif
    case SDL_TEXTINPUT: {
      if (menuUi_.active()) break;
      std::string sj = utf8ToSjis(ev.text.text);
      for (unsigned char c : sj) postMessage(WM_CHAR, c, 0);
      break;
    }
    default: padEvent(ev); break;
  }
}

void SdlPlatform::keyDown(SDL_Keycode k, Uint16 mod) {
  if (menuVisible() && menuUi_.active()) {
    int chosen = 0;
    menuUi_.key(menu_, k, &chosen);
    if (chosen) postMessage(WM_COMMAND, static_cast<uint32_t>(chosen), 0);
    render();
    return;
  }
  if (k == SDLK_F10 && menuVisible()) {
    menuUi_.openByKeyboard(menu_);
    render();
    return;
  }
  if ((k == SDLK_RETURN || k == SDLK_KP_ENTER) && (mod & KMOD_ALT)) {
    postMessage(WM_COMMAND, fullscreen_ ? 40003u : 40002u, 0);
    return;
  }
  if (uint32_t vk = vkOf(k)) postMessage(WM_KEYDOWN, vk, 0);
  if (k == SDLK_RETURN || k == SDLK_KP_ENTER) postMessage(WM_CHAR, 13, 0);
  else if (k == SDLK_ESCAPE) postMessage(WM_CHAR, 27, 0);
  else if (k == SDLK_BACKSPACE) postMessage(WM_CHAR, 8, 0);
  else if (k == SDLK_TAB) postMessage(WM_CHAR, 9, 0);
}

}  // namespace veloria::sdl
