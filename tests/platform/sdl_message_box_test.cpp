// The SDL backend's message boxes: before the window is shown, when the desktop cannot show
// one, the answer is the button that changes nothing; in the window, a termination request
// ends the box's loop instead of waiting for the player.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "platform/platform.h"
#include "platform/text_codec.h"
#include "support/scoped_env.h"
#ifdef VELORIA_HAVE_SDL
#include "platform/sdl/sdl_platform.h"
#endif

using namespace veloria;

using test::ScopedEnv;

TEST(SdlMessageBox, NoDesktopAnswersTheSafeButtonAndSaysSo) {
  // No display at all: SDL runs, but no desktop box can be shown.
  ScopedEnv video("SDL_VIDEODRIVER", "dummy");
  ScopedEnv x11("DISPLAY", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  std::string error;
  auto p = makeSdlPlatform(&error);
  if (!p) GTEST_SKIP() << "no SDL backend: " << error;

  ::testing::internal::CaptureStderr();
  int yesNo = p->messageBox(sj("終了しますか？"), sj("確認"), MB_YESNO);
  int ok = p->messageBox(sj("お知らせ"), sj("確認"), MB_OK);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(yesNo, IDNO);
  EXPECT_EQ(ok, IDOK);
  EXPECT_NE(err.find("cannot show the message box"), std::string::npos) << err;
  EXPECT_NE(err.find("answered No"), std::string::npos) << err;
}

#ifdef VELORIA_HAVE_SDL

namespace {

struct QuitRequested {};

// Presses Escape (once, or every `interval` ms while the timer runs).
Uint32 pressEscape(Uint32 interval, void* again) {
  SDL_Event ev{};
  ev.type = SDL_KEYDOWN;
  ev.key.keysym.sym = SDLK_ESCAPE;
  SDL_PushEvent(&ev);
  return again ? interval : 0;
}

}  // namespace

TEST(SdlMessageBox, TerminationEndsTheBoxWithTheSafeAnswer) {
  ScopedEnv video("SDL_VIDEODRIVER", "dummy");
  std::string error;
  auto p = makeSdlPlatform(&error);
  if (!p) GTEST_SKIP() << "no SDL backend: " << error;
  p->createWindow(320, 240);
  p->showWindow();
  if (!p->windowShown()) GTEST_SKIP() << "the dummy driver shows no window";
  // A box that never looks at the request fails the test instead of hanging it.
  int repeat = 1;
  SDL_TimerID fallback = SDL_AddTimer(3000, pressEscape, &repeat);

  // The program can end: the box hands over to the quit request at once.
  int quits = 0;
  p->onQuitRequest = [&] {
    ++quits;
    throw QuitRequested{};
  };
  std::raise(SIGTERM);
  EXPECT_THROW(p->messageBox(sj("終了しますか？"), sj("確認"), MB_YESNO), QuitRequested);
  EXPECT_EQ(quits, 1);
  EXPECT_EQ(sdl::terminationRequested, 0);

  // Nobody to end the program yet: the box answers No and the request stays for later.
  p->onQuitRequest = nullptr;
  std::raise(SIGTERM);
  EXPECT_EQ(p->messageBox(sj("終了しますか？"), sj("確認"), MB_YESNO), IDNO);
  EXPECT_EQ(sdl::terminationRequested, 1);
  sdl::terminationRequested = 0;

  // The box that was up is gone: an ordinary box still waits for its answer.
  SDL_RemoveTimer(fallback);
  SDL_AddTimer(10, pressEscape, nullptr);
  EXPECT_EQ(p->messageBox(sj("お知らせ"), sj("確認"), MB_OK), IDOK);
}

#endif
