// Game controllers: opened when plugged in (SDL reports the ones present at start as plugged
// in too) and closed when taken out. Their buttons become the platform's pad buttons, so a
// pad gives the game the very messages the keys and the mouse give.
#include <SDL.h>

#include "platform/sdl/sdl_platform.h"

namespace veloria::sdl {

namespace {

uint32_t bit(PadButton b) { return 1u << static_cast<unsigned>(b); }

std::optional<PadButton> padButtonOf(uint8_t button) {
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
    case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
    case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::Right;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::Skip;
    default: return std::nullopt;
  }
}

bool isDirection(PadButton b) {
  return b == PadButton::Up || b == PadButton::Down || b == PadButton::Left || b == PadButton::Right;
}

// The key a pad button stands for where the pad works a keyboard's menus.
SDL_Keycode keyOf(PadButton b) {
  switch (b) {
    case PadButton::A: return SDLK_RETURN;
    case PadButton::B: return SDLK_ESCAPE;
    case PadButton::Start: return SDLK_F10;
    case PadButton::Up: return SDLK_UP;
    case PadButton::Down: return SDLK_DOWN;
    case PadButton::Left: return SDLK_LEFT;
    case PadButton::Right: return SDLK_RIGHT;
    case PadButton::Skip: return SDLK_UNKNOWN;
  }
  return SDLK_UNKNOWN;
}

}  // namespace

void SdlPlatform::warpPointer(int x, int y) {
  if (window_ && shown_) {
    const WindowPoint p = scaler_.layout().clientToWindow(x, y);
    SDL_WarpMouseInWindow(window_, p.x, p.y);
  }
  Platform::warpPointer(x, y);
}

void SdlPlatform::padButton(PadButton button, bool down) {
  if (!down && (padTaken_ & bit(button))) {
    padTaken_ &= ~bit(button);
    return;
  }
  // Start works the menu strip as F10 does; while the strip is open it takes the pad as it
  // takes the keyboard.
  if (button == PadButton::Start || (menuVisible() && menuUi_.active())) {
    if (!down) return;
    const SDL_Keycode k = keyOf(button);
    if (k == SDLK_UNKNOWN) return;
    if (!isDirection(button)) padTaken_ |= bit(button);
    keyDown(k, KMOD_NONE);
    return;
  }
  Platform::padButton(button, down);
}

bool SdlPlatform::padEvent(const SDL_Event& ev) {
  switch (ev.type) {
    case SDL_CONTROLLERDEVICEADDED: {
      if (SDL_GameController* c = SDL_GameControllerOpen(ev.cdevice.which)) {
        const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
        if (pads_.count(id)) SDL_GameControllerClose(c);  // already open
        else pads_[id] = c;
      }
      return true;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      auto it = pads_.find(ev.cdevice.which);
      if (it != pads_.end()) {
        SDL_GameControllerClose(it->second);
        pads_.erase(it);
      }
      // A direction or the skip button held on the pad that went is let go.
      padRepeat_.release();
      if (pads_.empty()) postMessage(WM_APP_SKIP_HOLD, 0);
      padTaken_ = 0;
      return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      const bool down = ev.type == SDL_CONTROLLERBUTTONDOWN;
      const auto b = padButtonOf(ev.cbutton.button);
      if (!b) return true;
      if (isDirection(*b)) {
        if (auto press = padRepeat_.dpad(*b, down, SDL_GetTicks())) padButton(*press, true);
      } else {
        padButton(*b, down);
      }
      return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
      if (ev.caxis.axis != SDL_CONTROLLER_AXIS_LEFTX && ev.caxis.axis != SDL_CONTROLLER_AXIS_LEFTY) return true;
      auto it = pads_.find(ev.caxis.which);
      if (it == pads_.end()) return true;
      const int x = SDL_GameControllerGetAxis(it->second, SDL_CONTROLLER_AXIS_LEFTX);
      const int y = SDL_GameControllerGetAxis(it->second, SDL_CONTROLLER_AXIS_LEFTY);
      if (auto press = padRepeat_.stick(x, y, SDL_GetTicks())) padButton(*press, true);
      return true;
    }
    default: return false;
  }
}

bool SdlPlatform::padEventAsKey(const SDL_Event& ev, SDL_Event& key) {
  if (ev.type == SDL_CONTROLLERDEVICEADDED || ev.type == SDL_CONTROLLERDEVICEREMOVED) {
    padEvent(ev);
    return false;
  }
  if (ev.type == SDL_CONTROLLERBUTTONUP) {
    if (auto b = padButtonOf(ev.cbutton.button)) {
      if (isDirection(*b)) padRepeat_.dpad(*b, false, SDL_GetTicks());
      else padTaken_ &= ~bit(*b);
    }
    return false;
  }
  if (ev.type != SDL_CONTROLLERBUTTONDOWN) return false;
  const auto b = padButtonOf(ev.cbutton.button);
  if (!b || *b == PadButton::Start || *b == PadButton::Skip) return false;
  key = SDL_Event{};
  key.type = SDL_KEYDOWN;
  key.key.state = SDL_PRESSED;
  key.key.keysym.sym = keyOf(*b);
  if (!isDirection(*b)) padTaken_ |= bit(*b);
  return true;
}

void SdlPlatform::padRepeatDue() {
  if (auto press = padRepeat_.due(SDL_GetTicks())) padButton(*press, true);
}

void SdlPlatform::closePads() {
  for (auto& [id, c] : pads_) SDL_GameControllerClose(c);
  pads_.clear();
  padRepeat_.release();
}

}  // namespace veloria::sdl
