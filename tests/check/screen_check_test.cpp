// The checker reads the later dialect's screen commands and finds the values they refuse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/checker.h"
#include "check/check_harness.h"
#include "script/script_harness.h"

namespace veloria::test {
namespace {

TEST(ScreenCheck, EveryFormIsReadAndItsFaultsFound) {
  GameDir dir;
  auto f = check(dir,
                 "*define\n"
                 "game\n"
                 "*start\n"
                 "getspsize 5,%1,%2 : getspsize %3,%1,%2,%4\n"
                 "bgcopy\ngetscreenshot 160,120\ngetscreenshot %1,%2\n"
                 "savescreenshot2 \"shot.bmp\"\ndeletescreenshot\n"
                 "quake 3,480\nflushout 1000\n"
                 "end\n");
  EXPECT_TRUE(f.empty()) << joined(f);

  f = check(dir,
            "*define\ngame\n*start\n"
            "getspsize 5,$1,%2\n"
            "getscreenshot 0,120\n"
            "quake 3\n"
            "bgcopy\n"
            "end\n");
  const std::string all = joined(f);
  for (const char* where : {"0.txt:4: ", "0.txt:5: ", "0.txt:6: "})
    EXPECT_NE(all.find(where), std::string::npos) << where << "\n" << all;
  EXPECT_NE(all.find("getspsizeの第二引数以降は数字変数です。"), std::string::npos) << all;
  EXPECT_NE(all.find("getscreenshotの大きさが不正です。"), std::string::npos) << all;
  EXPECT_EQ(all.find("0.txt:7: "), std::string::npos) << all;
}

}  // namespace
}  // namespace veloria::test
