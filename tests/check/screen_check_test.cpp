// The checker reads the later dialect's screen commands, plug-in layers and plug-in
// transitions, and finds the values they refuse.
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
                 "effect 5,99,800,\"ripple.dll/fast\"\n"
                 "windoweffect 99,300,\"ripple.dll\"\n"
                 "game\n"
                 "*start\n"
                 "getspsize 5,%1,%2 : getspsize %3,%1,%2,%4\n"
                 "bgcopy\ngetscreenshot 160,120\ngetscreenshot %1,%2\n"
                 "savescreenshot2 \"shot.bmp\"\ndeletescreenshot\n"
                 "quake 3,480\nflushout 1000\n"
                 "setlayer 3,40,\"flakes.dll\"\nsetlayer %1,40,$1\nlayermessage 3,\"wind\"\n"
                 "print 99,800,\"ripple.dll/fast\"\nbg black,99,800,\"ripple.dll\"\ncl a,99,500\n"
                 "print 5\n"
                 "end\n");
  EXPECT_TRUE(f.empty()) << joined(f);

  f = check(dir,
            "*define\ngame\n*start\n"
            "getspsize 5,$1,%2\n"
            "getscreenshot 0,120\n"
            "setlayer 32,40,\"flakes.dll\"\n"
            "print 98,800\n"
            "quake 3\n"
            "bgcopy\n"
            "end\n");
  const std::string all = joined(f);
  for (const char* where : {"0.txt:4: ", "0.txt:5: ", "0.txt:6: ", "0.txt:7: ", "0.txt:8: "})
    EXPECT_NE(all.find(where), std::string::npos) << where << "\n" << all;
  EXPECT_NE(all.find("getspsizeの第二引数以降は数字変数です。"), std::string::npos) << all;
  EXPECT_NE(all.find("getscreenshotの大きさが不正です。"), std::string::npos) << all;
  EXPECT_NE(all.find("レイヤー番号32は範囲外です。"), std::string::npos) << all;
  EXPECT_EQ(all.find("0.txt:9: "), std::string::npos) << all;

  // A base-language game knows no plug-in transition.
  f = check(dir, "*define\ngame\n*start\nprint 99,800,\"ripple.dll/fast\"\nend\n");
  EXPECT_TRUE(has(f, "0.txt:4: ", "effect types are 0 to 18")) << joined(f);
}

}  // namespace
}  // namespace veloria::test
