// The SDL backend's message boxes before the window is shown: when the desktop cannot show
// one, the answer is the button that changes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/text_codec.h"

using namespace veloria;

namespace {

// Sets or clears an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) before_ = v;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (before_)
      ::setenv(name_, before_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> before_;
};

}  // namespace

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
