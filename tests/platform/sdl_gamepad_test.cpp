// A gamepad on the real backend, played through SDL's virtual joystick under the dummy video
// driver: plugged in while the program runs, its buttons and stick give the messages a
// player's mouse and keys give, a box takes it as a keyboard, and it can be taken out.
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "support/scoped_env.h"
#ifdef VELORIA_HAVE_SDL
#include <SDL.h>
#endif

using namespace veloria;
using test::ScopedEnv;

#ifdef VELORIA_HAVE_SDL

namespace {

// Every message the backend has queued by now (it takes SDL's pending events first).
std::vector<Message> drain(Platform& p) {
  std::vector<Message> out;
  Message m;
  while (p.peekMessage(m, 0, 0, true)) out.push_back(m);
  return out;
}

bool holds(const std::vector<Message>& ms, uint32_t id, uint32_t wParam) {
  for (const Message& m : ms)
    if (m.message == id && m.wParam == wParam) return true;
  return false;
}

}  // namespace

TEST(SdlGamepad, APadPluggedInClicksMovesAndSkipsAndCanBeTakenOut) {
  ScopedEnv video("SDL_VIDEODRIVER", "dummy");
  // The dummy window never has the focus, and a pad only plays the window that has it.
  ScopedEnv background("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "1");
  std::string error;
  auto p = makeSdlPlatform(&error);
  if (!p) GTEST_SKIP() << "no SDL backend: " << error;
  p->createWindow(320, 240);
  p->showWindow();
  if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER)) GTEST_SKIP() << "no game controller support";
  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                              SDL_CONTROLLER_BUTTON_MAX, 0);
  if (index < 0) GTEST_SKIP() << "no virtual joystick: " << SDL_GetError();
  SDL_Joystick* joy = SDL_JoystickOpen(index);
  ASSERT_NE(joy, nullptr) << SDL_GetError();
  if (!SDL_IsGameController(index)) {
    SDL_JoystickClose(joy);
    SDL_JoystickDetachVirtual(index);
    GTEST_SKIP() << "the virtual joystick has no controller mapping";
  }
  drain(*p);  // the pad is taken on
  p->postMouseMove(makeLParam(40, 50));
  drain(*p);

  auto press = [&](SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(joy, b, down ? SDL_PRESSED : SDL_RELEASED);
    return drain(*p);
  };
  // A: a left click where the pointer is.
  auto got = press(SDL_CONTROLLER_BUTTON_A, true);
  ASSERT_TRUE(holds(got, WM_LBUTTONDOWN, 1));
  got = press(SDL_CONTROLLER_BUTTON_A, false);
  ASSERT_TRUE(holds(got, WM_LBUTTONUP, 0));
  for (const Message& m : got) {
    if (m.message == WM_LBUTTONUP) {
      EXPECT_EQ(lParamX(m.lParam), 40);
    }
  }
  // B: the right button. The d-pad: the arrow keys (one press each).
  EXPECT_TRUE(holds(press(SDL_CONTROLLER_BUTTON_B, true), WM_RBUTTONDOWN, 2));
  EXPECT_TRUE(holds(press(SDL_CONTROLLER_BUTTON_B, false), WM_RBUTTONUP, 0));
  EXPECT_TRUE(holds(press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true), WM_KEYDOWN, VK_DOWN));
  EXPECT_FALSE(holds(press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, false), WM_KEYDOWN, VK_DOWN));
  // The right shoulder button skips while held.
  EXPECT_TRUE(holds(press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true), WM_APP_SKIP_HOLD, 1));
  EXPECT_TRUE(holds(press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false), WM_APP_SKIP_HOLD, 0));

  // The stick: nothing inside the dead zone, an arrow past it.
  SDL_JoystickSetVirtualAxis(joy, SDL_CONTROLLER_AXIS_LEFTX, 8000);
  EXPECT_FALSE(holds(drain(*p), WM_KEYDOWN, VK_RIGHT));
  SDL_JoystickSetVirtualAxis(joy, SDL_CONTROLLER_AXIS_LEFTX, 30000);
  EXPECT_TRUE(holds(drain(*p), WM_KEYDOWN, VK_RIGHT));
  SDL_JoystickSetVirtualAxis(joy, SDL_CONTROLLER_AXIS_LEFTX, 0);
  drain(*p);

  // In a message box the pad is a keyboard: A answers with the focused button (はい first),
  // and its release does not reach the game as a click.
  SDL_JoystickSetVirtualButton(joy, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
  EXPECT_EQ(p->messageBox("q", "c", MB_YESNO), IDYES);
  EXPECT_FALSE(holds(press(SDL_CONTROLLER_BUTTON_A, false), WM_LBUTTONUP, 0));

  // Taken out: a skip still held ends with it.
  press(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
  SDL_JoystickClose(joy);
  SDL_JoystickDetachVirtual(index);
  EXPECT_TRUE(holds(drain(*p), WM_APP_SKIP_HOLD, 0));
}

#endif
