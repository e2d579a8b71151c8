// User commands (defsub, getparam, return), loops (for, next, break), arrays (dim, ?a[i]) and
// the string commands of the extended dialect, each through whole games.
#include "script_harness.h"

namespace veloria::test {
namespace {

std::string ext(std::string_view body) { return ";value 200\n" + game(body); }

// An extended game with `defines` in its define block, `body` in the game and `routines`
// after the game's end.
std::string withRoutines(std::string_view defines, std::string_view body, std::string_view routines) {
  return ";value 200\n*define\n" + std::string(defines) + "\ngame\n*start\n" + std::string(body) + "\nend\n" +
         std::string(routines) + "\n";
}

std::string failureOf(ScriptHarness& h, const std::string& script) {
  EXPECT_EQ(h.run(script), 1) << script;
  return h.errorCaption() + "|" + h.errorHead();
}

TEST(UserCommands, ArgumentsReturnAndTheBuiltInOfTheSameName) {
  ScriptHarness h;
  ASSERT_EQ(h.run(withRoutines("defsub addtwo\ndefsub inc\ndefsub late\ndefsub silent\ndefsub strs",
                               "addtwo 40,2 : mov %31,%30\n"
                               "inc 5\n"
                               "mov %5,1 : late %5 + 1\n"
                               "addtwo 7 : mov %32,1\n"
                               "silent 1,2 : mov %33,9\n"
                               "strs \"ab\" + \"c\",$40",
                               "*addtwo\ngetparam %28,%29\nmov %30,%28 + %29\nreturn\n"
                               "*inc\ngetparam %27\n_inc %27\n_inc %27\nmov %26,%27\nreturn\n"
                               "*late\nmov %5,10\ngetparam %6\nreturn\n"
                               "*silent\nreturn\n"
                               "*strs\ngetparam $1\ngetparam s%2\nreturn\n")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(31), 42);
  EXPECT_EQ(h.num(26), 7);   // the routine named inc reached the built-in as _inc
  EXPECT_EQ(h.num(30), 7);   // a missing argument is 0
  EXPECT_EQ(h.num(6), 11);   // arguments are read when getparam runs
  EXPECT_EQ(h.num(32), 1);
  EXPECT_EQ(h.num(33), 9);   // a routine without getparam: the arguments are passed over
  EXPECT_EQ(h.str(1), "abc");
  EXPECT_EQ(h.num(2), 40);
}

TEST(UserCommands, NestingLoopsInsideAndErrors) {
  ScriptHarness h;
  ASSERT_EQ(h.run(withRoutines("defsub down\ndefsub count",
                               "down 5\n"
                               "for %10 = 1 to 3 : count 2 next\n"
                               "mov %12,1",
                               "*down\ngetparam %1\nif %1 > 0 add %2,1 : down %1 - 1\nreturn\n"
                               "*count\ngetparam %3\nadd %11,%3\nreturn\n")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(2), 5);  // five levels deep and back
  EXPECT_EQ(h.num(11), 6);
  EXPECT_EQ(h.num(10), 4);
  EXPECT_EQ(h.num(12), 1);

  EXPECT_EQ(failureOf(h, ext("defsub late")), "エラー|defsub命令は定義ブロックでしか使えません。");
  EXPECT_EQ(failureOf(h, withRoutines("defsub if", "", "")), "エラー|ifはdefsubで再定義できません。");
  EXPECT_EQ(failureOf(h, withRoutines("defsub a\ndefsub A", "", "")), "エラー|ユーザー定義命令aが二重定義されています。");
  EXPECT_EQ(failureOf(h, ext("getparam %1")), "スタックエラー|getparamがユーザー定義命令の外で使われました。");
  EXPECT_EQ(failureOf(h, withRoutines("defsub f", "f 1", "*f\ngetparam 5\nreturn")),
            "構文エラー|getparamの引数は数字変数か文字変数です。");
  EXPECT_EQ(failureOf(h, withRoutines("defsub f", "f", "*f\nf\n")),
            "スタックエラー|ユーザー定義命令の呼び出しでスタックが溢れました。");
}

TEST(UserCommands, WaitNamedRoutineAndTheBuiltInWait) {
  ScriptHarness h;
  ASSERT_EQ(h.run(withRoutines("defsub wait", "wait 25\nmov %2,%1\n_wait 25", "*wait\ngetparam %1\nreturn")), 0)
      << h.errorMessage();
  EXPECT_EQ(h.num(2), 25);
}

TEST(Loops, PassesEndValuesStepsAndBreak) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("mov %40,0\n"
                      "for %41 = 1 to 3\n"
                      "  for %42 = 10 to 0 step -5\n"
                      "    add %40,%42\n"
                      "    if %40 > 40 break\n"
                      "  next\n"
                      "next\n"
                      "for %1 = 5 to 1\nmov %2,1\nnext\n"
                      "for %3 = 1 to 1\nadd %4,1\nnext\n"
                      "for %5 = 1 to 10\nadd %6,1\nmov %5,10\nnext\n"
                      "for %7 = 1 to 2 : for %8 = 1 to 2 : add %9,1 : next : next\n"
                      "for %20 = 1 to 5\nif %20 = 2 mov %21,1 : break\nnext\nmov %22,%20")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(40), 45);
  EXPECT_EQ(h.num(41), 4);
  EXPECT_EQ(h.num(42), 5);
  EXPECT_EQ(h.num(1), 5);  // zero passes
  EXPECT_EQ(h.num(2), 0);
  EXPECT_EQ(h.num(3), 2);
  EXPECT_EQ(h.num(4), 1);
  EXPECT_EQ(h.num(6), 1);  // the body moved the variable to the end
  EXPECT_EQ(h.num(9), 4);
  EXPECT_EQ(h.num(21), 1);
  EXPECT_EQ(h.num(22), 2);
}

TEST(Loops, GotoOutAndBackDoesNotGrowTheStack) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("*again\nadd %1,1\nfor %2 = 1 to 3\nif %1 < 2000 goto *again\nnext")), 0) << h.errorMessage();
  EXPECT_EQ(h.num(1), 2000);
  EXPECT_LE(h.e.script.callStack.depth, 1);
}

TEST(Loops, Errors) {
  ScriptHarness h;
  EXPECT_EQ(failureOf(h, ext("next")), "スタックエラー|nextに対応するforがありません。");
  EXPECT_EQ(failureOf(h, ext("break")), "スタックエラー|breakに対応するforがありません。");
  EXPECT_EQ(failureOf(h, ext("for $1 = 1 to 2\nnext")), "構文エラー|forの第一引数は数字変数です。");
  EXPECT_EQ(failureOf(h, ext("for %1 1 to 2\nnext")), "構文エラー|for命令の書式が間違っています。");
  EXPECT_EQ(failureOf(h, ext("for %1 = 1 upto 2\nnext")), "構文エラー|for命令の書式が間違っています。");
  EXPECT_EQ(failureOf(h, ext("for %1 = 1 to 2 step 0\nnext")), "パラメータエラー|for命令のstepに0は指定できません。");
  EXPECT_EQ(failureOf(h, ext("for %1 = 3 to 2\n; next\nmov $1,\"next\"")), "構文エラー|forに対応するnextが見つかりません。");
  // A gosub inside a loop: next meets the subroutine's frame.
  EXPECT_EQ(failureOf(h, ext("for %1 = 1 to 2\ngosub *s\n*s\nnext")), "スタックエラー|nextに対応するforがありません。");
}

TEST(Arrays, DeclareReadWriteAndRange) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("dim ?7[2][3]\n"
                      "mov ?7[2][3],15\n"
                      "mov %50,?7[2][3] + ?7[0][0]\n"
                      "mov ?7[1][1],4 : mov $4,\"four\"\n"
                      "mov $51,$?7[1][1]\n"
                      "dim ?3[5] : mov ?3[0],1 : mov ?3[5],2 : inc ?3[5] : add ?3[0],9 : mul ?3[0],2\n"
                      "mov %1,5 : mov %52,?3[%1] + ?3[0]\n"
                      "if ?3[5] = 3 mov %53,1")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(50), 15);
  EXPECT_EQ(h.str(51), "four");
  EXPECT_EQ(h.num(52), 23);
  EXPECT_EQ(h.num(53), 1);
  EXPECT_EQ(failureOf(h, ext("dim ?3[5]\nmov %1,?3[6]")), "実行時エラー|配列?3の範囲外を参照しました。");
  EXPECT_EQ(failureOf(h, ext("dim ?3[5]\nmov %1,?3[-1]")), "実行時エラー|配列?3の範囲外を参照しました。");
  EXPECT_EQ(failureOf(h, ext("dim ?3[5]\nmov %1,?3[1][0]")), "実行時エラー|配列?3の範囲外を参照しました。");
  EXPECT_EQ(failureOf(h, ext("mov %1,?4[0]")), "実行時エラー|宣言されていない配列?4を使おうとしました。");
  EXPECT_EQ(failureOf(h, ext("dim %1[3]")), "構文エラー|dimの引数は配列変数です。");
  EXPECT_EQ(failureOf(h, ext("dim ?1[-1]")), "パラメータエラー|配列の大きさが不正です。");
  EXPECT_EQ(failureOf(h, ext("dim ?1[1000000]")), "パラメータエラー|配列の大きさが不正です。");
  EXPECT_EQ(failureOf(h, ext("dim ?1[1][1][1][1][1][1][1][1][1]")), "パラメータエラー|配列の大きさが不正です。");
  EXPECT_EQ(failureOf(h, ext("dim ?1[99999] : dim ?2[99999]\n"
                             "mov %1,0\n*more\ndim ?%1 + 3[999999]\nadd %1,1\nif %1 < 20 goto *more")),
            "パラメータエラー|配列の大きさが不正です。");
}

TEST(Arrays, KeptAcrossAResetWithTheirValues) {
  ScriptHarness h;
  h.load(";value 200\n*define\ndim ?3[4]\ngame\n*start\nend\n");
  runInterpreter(h.e, true);
  ASSERT_EQ(h.e.script.arrays.count(3), 1u);
  h.e.script.arrays[3].values[2] = 6;
  resetEngine(h.e);
  EXPECT_EQ(h.e.script.arrays.at(3).values[2], 6);
  restoreAllDefaults(h.e);
  EXPECT_TRUE(h.e.script.arrays.empty());
}

TEST(StringCommands, SplitItoa2Mid) {
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("split \"12,ab,,7\", \",\", %1, $1, $2, %2\n"
                      "split \"12,ab,,7\", \",\", %3, $3, $4\n"
                      "mov $5,\"zz\" : mov %5,3 : split \"1,2\", \",\", $6, %6, $5, %5\n"
                      "mov $10,\"x/y\" : split $10, \"/\", $11, $10\n"
                      "split \"あ、い、う\", \"、\", $12, $13, $14\n"
                      "split \"abc\", \"\", $15, $16\n"
                      "itoa2 $20,-305 : itoa2 $21,0 : itoa2 $22,10+2\n"
                      "mid $30,\"abcdef\",2,3 : mid $31,\"abc\",5,2 : mid $32,\"aあい\",0,4 : mid $33,\"abc\",-1,2")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(1), 12);
  EXPECT_EQ(h.str(1), "ab");
  EXPECT_EQ(h.str(2), "");
  EXPECT_EQ(h.num(2), 7);
  EXPECT_EQ(h.str(4), "");
  EXPECT_EQ(h.str(5), "");  // left-over targets are emptied
  EXPECT_EQ(h.num(5), 0);
  EXPECT_EQ(h.str(11), "x");
  EXPECT_EQ(h.str(10), "y");
  EXPECT_EQ(h.str(12), "あ");
  EXPECT_EQ(h.str(14), "う");
  EXPECT_EQ(h.str(15), "abc");
  EXPECT_EQ(h.str(20), "－３０５");
  EXPECT_EQ(h.str(21), "０");
  EXPECT_EQ(h.str(22), "１２");
  EXPECT_EQ(h.str(30), "cde");
  EXPECT_EQ(h.str(31), "");
  EXPECT_EQ(h.str(32), "aあ");  // the half of い is dropped
  EXPECT_EQ(h.str(33), "ab");
  EXPECT_EQ(failureOf(h, ext("split \"a\",\",\",1")), "構文エラー|splitの第三引数以降は変数です。");
  EXPECT_EQ(failureOf(h, ext("itoa2 %1,5")), "構文エラー|itoa2の第一引数は文字変数です。");
  EXPECT_EQ(failureOf(h, ext("mid %1,\"a\",0,1")), "構文エラー|midの第一引数は文字変数です。");
  EXPECT_EQ(failureOf(h, ext("fileexist $1,\"a\"")), "構文エラー|fileexistの第一引数は数字変数です。");
  EXPECT_EQ(failureOf(h, ext("isdown $1")), "構文エラー|isdownの引数は数字変数です。");
}

TEST(StringCommands, FileexistAndIsdown) {
  GameDir dir({{"bg/Room.bmp", "x"}, {"0.txt", ""}});
  ScriptHarness h;
  ASSERT_EQ(h.run(ext("fileexist %1,\"BG\\room.BMP\" : fileexist %2,\"bg/room.bmp\" : fileexist %3,\"nope.bmp\"\n"
                      "fileexist %4,\"../bg/room.bmp\" : fileexist %5,\"/etc/passwd\" : fileexist %6,\"bg\"\n"
                      "isdown %7")),
            0)
      << h.errorMessage();
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(h.num(2), 1);
  EXPECT_EQ(h.num(3), 0);
  EXPECT_EQ(h.num(4), 0);
  EXPECT_EQ(h.num(5), 0);
  EXPECT_EQ(h.num(6), 0);  // a folder is no file
  EXPECT_EQ(h.num(7), 0);
  h.e.appWindow.leftButtonDown = 1;
  h.load(";value 200\n*define\ngame\n*start\nisdown %7\nend\n");
  h.e.script.scriptPos = static_cast<uint32_t>(findLabel(h.e, "start"));
  EXPECT_EQ(h.exitCodeOf([&] { runInterpreter(h.e, false); }), 0);
  EXPECT_EQ(h.num(7), 1);
}

}  // namespace
}  // namespace veloria::test
