// The checker on the extended dialect's language: expressions, user commands, loops, arrays
// and string commands check clean; their mistakes are found; and a large generated script
// that uses every form runs and checks clean.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check/checker.h"
#include "check/check_harness.h"
#include "script/script_harness.h"

namespace veloria::test {
namespace {

// Every form of the language part once, as a game (UTF-8); `n` names its labels apart.
std::string everyForm(int n) {
  const std::string k = std::to_string(n);
  return "*r" + k + "\n"
         "mov %10,7 : mov %11,%10 * 3 - 1 : mov %12,(%11 + 4) / 5 mod 3\n"
         "mov $20,\"abc\" + $21 + \"!\"\n"
         "if $20 = \"abc!\" && %12 >= 1 mov %13,1\n"
         "addtwo 40,2 : mov %31,%30\n"
         "_mov %32,1\n"
         "for %41 = 1 to 3\n"
         "  for %42 = 10 to 0 step -5\n"
         "    add %40,%42\n"
         "    if %40 > 40 break\n"
         "  next\n"
         "next\n"
         "mov ?7[2][3],15 : mov %50,?7[2][3] + ?7[0][0] : inc ?7[1][1]\n"
         "mov $51,$?7[1][1]\n"
         "split \"12,ab,,7\", \",\", %1, $1, $2, %2\n"
         "itoa2 $3,-305 : mid $4,\"abcdef\",2,3 : fileexist %5,\"x.bmp\" : isdown %6\n";
}

TEST(ExtendedCheck, EveryFormChecksCleanAndItsMistakesAreFound) {
  GameDir dir;
  const std::string defines = ";value 2500\n*define\ndefsub addtwo\ndim ?7[2][3]\ngame\n*start\n";
  const std::string routine = "end\n*addtwo\ngetparam %28,%29\nmov %30,%28 + %29\nreturn\n";
  auto f = check(dir, defines + everyForm(0) + routine);
  EXPECT_TRUE(f.empty()) << joined(f);

  f = check(dir, defines +
                     "for %1 = 1 to 3\n"              // line 7: no next anywhere
                     "for %2 = 1 to 2 step 0\n"       // line 8
                     "mov %3,(1 + 2\n"                // line 9
                     "getparam 5\n"                   // line 10
                     "nosuch 3\n"                     // line 11
                     "dim 3\n"                        // line 12
                     "if $1 = 5 mov %1,1\n"           // line 13
                     "addtwo 1,\"a\" + 2\n"           // line 14
                     "mov %4,?1[0] / %9\n"            // line 15: nothing known, nothing said
                     "end\n*addtwo\nreturn\n");
  EXPECT_TRUE(has(f, "0.txt:7: ", "forに対応するnextが見つかりません。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "for命令のstepに0は指定できません。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "括弧が閉じていません。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:10: ", "getparamの引数は数字変数か文字変数です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:11: ", "不正な命令\"nosuch\"です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:12: ", "dimの引数は配列変数です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:13: ", "if条件式が間違っています。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:14: ", "文字列が来るべきところに文字列がありません。")) << joined(f);
  EXPECT_FALSE(has(f, "0.txt:15: ", "")) << joined(f);

  // A user command whose routine is missing; a defsub in the game.
  f = check(dir, ";value 200\n*define\ndefsub gone\ngame\n*start\ngone 1\ndefsub late\nend\n");
  EXPECT_TRUE(has(f, "0.txt:6: ", "ラベル*goneは存在しません")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "defsub命令は定義ブロックでしか使えません。")) << joined(f);

  // The base language does not know the later words, in the checker either.
  ScriptOptions base;
  base.forceDialect = true;
  dir.write("0.txt", sjisOf("*define\ngame\n*start\nsplit \"a\",\",\",$1\nend\n"));
  auto r = checkGame(setUpEngine, base);
  ASSERT_EQ(r.findings.size(), 1u);
  EXPECT_NE(r.findings[0].message.find("不正な命令\"split\"です。"), std::string::npos);
}

// A text sprite names no file: nothing is reported missing, but a broken tag is. The base
// language reads the same name as a tag without its ';'.
TEST(ExtendedCheck, TextSpriteNamesAreNoFiles) {
  GameDir dir;
  const std::string body =
      "*define\ngame\n*start\n"
      "lsp 1,\":s#ffffff#ff0000Start\",0,0\n"  // 5 (after the ;value line)
      "lsp 2,\":s/20,20,2;#ffffff$1\",0,0\n"   // 6
      "lsp 3,\":s/20,20;#ffffffA\",0,0\n"      // 7
      "lsp 4,\":sA\",0,0\n"                    // 8
      "logsp 5,\"x\",0,0,#ffffff,#ff0000\n"     // 9
      "end\n";
  auto f = check(dir, ";value 200\n" + body);
  EXPECT_TRUE(has(f, "0.txt:7: ", "タグの指定がおかしいです。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", "カラー指定が間違っています。")) << joined(f);
  EXPECT_EQ(f.size(), 2u) << joined(f);

  ScriptOptions base;
  base.forceDialect = true;
  dir.write("0.txt", sjisOf(body));
  auto r = checkGame(setUpEngine, base);
  EXPECT_EQ(r.findings.size(), 5u);  // and logsp is no word of the base language
}

// The size of a real game: 20,000 lines using every form, run to its end and checked.
TEST(ExtendedCheck, ALargeGeneratedScriptRunsAndChecksClean) {
  std::string script = ";value 2500\n*define\ndefsub addtwo\ndim ?7[2][3]\ngame\n*start\n";
  int n = 0;
  while (std::count(script.begin(), script.end(), '\n') < 20000) script += everyForm(n++);
  script += "end\n*addtwo\ngetparam %28,%29\nmov %30,%28 + %29\nreturn\n";

  GameDir dir;
  auto f = check(dir, script);
  EXPECT_TRUE(f.empty()) << joined(f).substr(0, 2000);

  ScriptHarness h;
  ASSERT_EQ(h.run(script), 0) << h.errorMessage();
  EXPECT_EQ(h.num(31), 42);
  EXPECT_EQ(h.str(3), "－３０５");
  EXPECT_EQ(h.e.script.callStack.depth, 0);
}

// Literal sprite numbers: 0..999 and csp -1 in the extended dialect; a base-language game
// passes over higher numbers when it runs, so its check says nothing of them.
TEST(ExtendedCheck, LiteralSpriteNumbersOutsideTheTableAreFound) {
  GameDir dir;
  dir.write("a.bmp", "x");
  const std::string body =
      "lsp 999,\"a.bmp\",0,0 : csp -1 : humanz 900 : vsp %1,1\n"  // line 5 (4 in the base game)
      "lsp 1000,\"a.bmp\",0,0\n"
      "msp -1,1,1\n"
      "csp -2\n"
      "spbtn 4000,1\n"
      "end\n";
  auto f = check(dir, ";value 200\n*define\ngame\n*start\n" + body);
  const std::string range = "スプライト番号";
  EXPECT_FALSE(has(f, "0.txt:5: ", range)) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:6: ", "スプライト番号1000は範囲外です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", range)) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:8: ", range)) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:9: ", "sprites are numbered 0 to 999")) << joined(f);
  EXPECT_FALSE(has(f, "0.txt:5: ", "humanz")) << joined(f);

  f = check(dir, "*define\ngame\n*start\n" + body);
  EXPECT_FALSE(has(f, "0.txt:", range)) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:4: ", "humanz指定が範囲外です。")) << joined(f);
}

// The screen words that name a sprite take the same literal range.
TEST(ExtendedCheck, SpriteNumbersOfTheScreenWordsAreCheckedToo) {
  GameDir dir;
  auto f = check(dir,
                 "*define\ngame\n*start\n"
                 "getspsize 999,%1,%2 : logsp 999,\"a\",0,0\n"  // line 4: fine
                 "getspsize 1000,%1,%2\n"
                 "logsp 1000,\"a\",0,0,#ffffff\n"
                 "end\n");
  EXPECT_FALSE(has(f, "0.txt:4: ", "")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:5: ", "スプライト番号1000は範囲外です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:6: ", "スプライト番号1000は範囲外です。")) << joined(f);
}

TEST(ExtendedCheck, LiteralControlStringsAreCheckedAsTheyWillBeApplied) {
  GameDir dir;
  auto f = check(dir,
                 "*define\ngame\n*start\n"
                 "exbtn 30,1,\"P40c41 p45,2\" : exbtn_d $1 : exbtn 31,%1,\"C\" + $2\n"  // line 4: all fine
                 "exbtn 30,1,\"P12,x\"\n"
                 "exbtn_d \"P1000\"\n"
                 "exbtn 1000,1,\"\"\n"
                 "end\n");
  EXPECT_FALSE(has(f, "0.txt:4: ", "")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:5: ", "exbtn命令の制御文字列が間違っています。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:6: ", "スプライト番号1000は範囲外です。")) << joined(f);
  EXPECT_TRUE(has(f, "0.txt:7: ", "スプライト番号1000は範囲外です。")) << joined(f);
}

}  // namespace
}  // namespace veloria::test
