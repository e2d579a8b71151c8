// The checker reads the later dialect's text, hook and save commands as they run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check/checker.h"
#include "check/check_harness.h"
#include "script/script_harness.h"

namespace veloria::test {
namespace {

TEST(LaterTextCheck, EveryFormIsReadAndItsFaultsFound) {
  GameDir dir;
  auto f = check(dir,
                 "*define\n"
                 "nsa\nlanguage english\nmaxkaisoupage 3\naddkinsoku \"”\",\"（\"\n"
                 "rubyon\nrubyon 12,12\nrubyon 12,12,\"face\"\n"
                 "pretextgosub *pre\nloadgosub *pre\nerrorsave\nusewheel\nuseescspc\n"
                 "game\n"
                 "*start\n"
                 "`Hello, world!@ 50% off`\\\n"
                 "texthide\ntextshow\ngettext $1\ngetlog $2,1\n"
                 "savegame 1\nloadgame 1\nsavetime 1,%1,%2,%3,%4\n"
                 "end\n"
                 "*pre\nreturn\n");
  EXPECT_TRUE(f.empty()) << joined(f);

  f = check(dir,
            "*define\nmaxkaisoupage 0\npretextgosub *nowhere\ngame\n*start\n"
            "gettext %1\ngetlog $1\nsavetime 1,$1,%2,%3,%4\nsavegame 1000\nend\n");
  const std::string all = joined(f);
  for (const char* expected : {"0.txt:2: ", "0.txt:3: ", "0.txt:6: ", "0.txt:7: ", "0.txt:8: ", "0.txt:9: "})
    EXPECT_NE(all.find(expected), std::string::npos) << expected << "\n" << all;
  EXPECT_NE(all.find("maxkaisoupageの値が不正です。"), std::string::npos) << all;
  EXPECT_NE(all.find("gettextの引数は文字変数です。"), std::string::npos) << all;
  EXPECT_NE(all.find("セーブ番号1000が範囲外です。"), std::string::npos) << all;
}

}  // namespace
}  // namespace veloria::test
