// The checker on the enhanced sprite commands: their argument forms, and literal sprite
// numbers outside the table.
#include <gtest/gtest.h>

#include <string>

#include "check/check_harness.h"
#include "script/script_harness.h"

namespace veloria::test {
namespace {

TEST(EnhancedSpriteCheck, FormsAndLiteralNumbersOutsideTheTable) {
  GameDir dir;
  dir.write("b.bmp", std::string("BM"));  // only its name is looked for
  auto f = check(dir,
                 "*define\ngame\n*start\n"
                 "lsp2 0,\"b.bmp\",100,100,100,100,0\n"        // line 4
                 "lsph2 255,\":a;b.bmp\",1,2,-100,50,90,128\n"  // line 5
                 "mov %1,300\n"
                 "amsp2 %1,1,2,3,4,5\n"                         // line 7: known only when it runs
                 "msp2 0,1,2,3,4,5,-6\n"
                 "csp2 -1\n"
                 "csp2 %1 + 1\n"
                 "end\n");
  EXPECT_TRUE(f.empty()) << joined(f);

  f = check(dir,
            "*define\ngame\n*start\n"
            "lsp2 256,\"b.bmp\",100,100,100,100,0\n"   // line 4
            "csp2 -1 : csp2 -2\n"                       // line 5
            "amsp2 1000,1,2,3,4,5\n"                    // line 6
            "lsp2 1,\"b.bmp\",100,100,100,100\n"        // line 7: the angle is missing
            "msp2 3,1,2,3,4,5,6,7\n"                    // line 8: one too many
            "lsp2 2,\"missing.bmp\",0,0,100,100,0\n"    // line 9
            "end\n");
  EXPECT_TRUE(has(f, "0.txt:4: ", "拡張スプライト番号256は範囲外です。 (enhanced sprites are numbered 0 to 255)"))
      << joined(f);
  EXPECT_TRUE(has(f, "0.txt:5: ", "拡張スプライト番号-2は範囲外です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:6: ", "拡張スプライト番号1000は範囲外です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "コンマ")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "too many arguments for msp2")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "missing.bmp")) << joined(f);
  EXPECT_EQ(f.size(), 6u) << joined(f);
}

}  // namespace
}  // namespace veloria::test
