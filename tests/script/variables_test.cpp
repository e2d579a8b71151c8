// Variables, arithmetic, bounds, strings, aliases, the clock and the INI-backed lookups.
#include <cstdlib>

#include "script/script_internal.h"
#include "script_harness.h"

namespace veloria::test {
namespace {

// Runs a game body and returns the exit code; the body ends with `end` unless it fails.
int runBody(ScriptHarness& h, std::string_view body) { return h.run(game(body)); }

std::string failureOf(ScriptHarness& h, std::string_view body) {
  EXPECT_EQ(runBody(h, body), 1) << body;
  return h.errorCaption() + "|" + h.errorHead();
}

TEST(Arithmetic, BasicCommandsWrapIn32Bits) {
  ScriptHarness h;
  ASSERT_EQ(runBody(h,
                    "mov %0,20:div %0,-7\n"
                    "mov %1,20:mod %1,-7\n"
                    "mov %2,2147483647:add %2,1\n"
                    "mov %3,-2147483648:sub %3,1\n"
                    "mov %4,65536:mul %4,65536\n"
                    "mov %5,-2147483648:div %5,-1\n"
                    "mov %6,-2147483648:mod %6,-1\n"
                    "mov %7,5:inc %7:inc %7:dec %7\n"
                    "mov3 %10,1,2,3\n"
                    "mov10 %20,1,2,3,4,5,6,7,8,9,10\n"
                    "mov %9,8:mov %%9, 77"),
            0);
  EXPECT_EQ(h.num(0), -2);
  EXPECT_EQ(h.num(1), 6);
  EXPECT_EQ(h.num(2), INT32_MIN);
  EXPECT_EQ(h.num(3), INT32_MAX);
  EXPECT_EQ(h.num(4), 0);
  EXPECT_EQ(h.num(5), INT32_MIN);  // the one quotient that does not fit wraps
  EXPECT_EQ(h.num(6), 0);
  EXPECT_EQ(h.num(7), 6);
  EXPECT_EQ(h.num(10), 1);
  EXPECT_EQ(h.num(12), 3);
  EXPECT_EQ(h.num(13), 0);
  EXPECT_EQ(h.num(29), 10);
  EXPECT_EQ(h.num(8), 77);
}

TEST(Arithmetic, DivisionByZeroStoresNothing) {
  ScriptHarness h;
  EXPECT_EQ(failureOf(h, "mov %0,4:div %0,0"), "０除算エラー|０で除算しました。");
  EXPECT_EQ(h.num(0), 4);
  EXPECT_EQ(failureOf(h, "mov %0,4:mod %0,%1"), "０除算エラー|０で剰余演算しました。");
}

TEST(Arithmetic, WrongFirstArguments) {
  struct Case {
    const char* body;
    const char* message;
  } cases[] = {
      {"mov 1,2", "movの第一引数は数字／文字変数です。"},
      {"add x,2", "addの第一引数は数字／文字変数です。"},
      {"sub $0,2", "subの第一引数は数字変数です。"},
      {"inc 3", "incの引数は数字変数です。"},
      {"dec 3", "decの引数は数字変数です。"},
      {"mul $0,1", "mulの第一引数は数字変数です。"},
      {"div 1,1", "divの第一引数は数字変数です。"},
      {"mod 1,1", "modの第一引数は数字変数です。"},
      {"rnd $1,1", "rndの第一引数は数字変数です。"},
      {"rnd2 1,1,2", "rnd2の第一引数は数字変数です。"},
      {"len $1,\"\"", "lenの第一引数は数字変数です。"},
      {"cmp 1,\"\",\"\"", "cmpの第一引数は数字変数です。"},
      {"itoa %1,1", "itoaの第一引数は文字変数です。"},
      {"atoi $1,\"1\"", "atoiの第一引数は数字変数です。"},
      {"mov3 $1,1,2,3", "mov3の第一引数は数字変数です。"},
      {"mov10 1,1", "mov10の第一引数は数字変数です。"},
      {"date 1,%2,%3", "dateの第一引数は数字変数です。"},
      {"date %1,2,%3", "dateの第ニ引数は数字変数です。"},
      {"date %1,%2,3", "dateの第三引数は数字変数です。"},
      {"time %1,$2,%3", "timeの第ニ引数は数字変数です。"},
      {"time %1,%2,$3", "timeの第三引数は数字変数です。"},
      {"getini %1,\"a\",\"b\",\"c\"", "getiniの第一引数は文字変数です。"},
      {"getreg %1,\"a\",\"b\"", "getregの第一引数は文字変数です。"},
  };
  for (const auto& c : cases) {
    ScriptHarness h;
    EXPECT_EQ(failureOf(h, c.body), std::string("構文エラー|") + c.message);
  }
  ScriptHarness h;
  EXPECT_EQ(failureOf(h, "mov4 %0,1,2,3"), "構文エラー|コンマが必要なところにコンマが有りません。");
  EXPECT_EQ(h.num(2), 3);  // each value is stored as soon as it is read
}

TEST(Arithmetic, VariableIndicesOutsideTheStore) {
  ScriptHarness h;
  EXPECT_EQ(failureOf(h, "mov %4096,1"), "実行時エラー|変数の番号が範囲外です（0～4095）:4096");
  EXPECT_EQ(failureOf(h, "mov3 %4094,1,2,3"), "実行時エラー|変数の番号が範囲外です（0～4095）:4096");
  EXPECT_EQ(h.num(4095), 2);  // the values before the bad index are stored
  EXPECT_EQ(failureOf(h, "mov $-5,\"\""), "実行時エラー|変数の番号が範囲外です（0～4095）:-5");
  EXPECT_EQ(failureOf(h, "intlimit 5000,0,1"), "実行時エラー|変数の番号が範囲外です（0～4095）:5000");
}

TEST(IntLimits, ClampOnTheNextLimitedAssignment) {
  ScriptHarness h;
  ASSERT_EQ(runBody(h,
                    "intlimit 5,0,10\n"
                    "mov %5,20:mov %0,%5\n"
                    "mov %5,-3:mov %1,%5\n"
                    "atoi %5,\"20\":mov %2,%5\n"  // atoi does not clamp...
                    "mov %9,1:mov %4,%5\n"        // ...until any limited assignment does
                    "mov %6,3:mov %3,50:intlimit %6,0,2:mov %6,9\n"  // the index may come from a variable
                    "intlimit 5,0,-1:mov %5,50"),
            0);
  EXPECT_EQ(h.num(0), 10);
  EXPECT_EQ(h.num(1), 0);
  EXPECT_EQ(h.num(2), 20);
  EXPECT_EQ(h.num(4), 10);
  EXPECT_EQ(h.num(3), 2);
  EXPECT_EQ(h.num(6), 9);  // variable 3 got the bounds, not variable 6
  EXPECT_EQ(h.num(5), 50);
  EXPECT_EQ(h.e.script.intLimits.high(3), 2);
}

TEST(IntLimits, EveryLimitedCommandClampsAllBoundedVariables) {
  ScriptHarness h;
  ASSERT_EQ(runBody(h, "intlimit 1,-5,5\nintlimit 2,0,3\n"
                       "mov %1,100:inc %1:mov %10,%1\n"
                       "mov %1,-100:dec %1:mov %11,%1\n"
                       "mov %2,1:mul %2,10:mov %12,%2\n"
                       "rnd2 %2,7,7:mov %13,%2\n"),
            0);
  EXPECT_EQ(h.num(10), 5);
  EXPECT_EQ(h.num(11), -5);
  EXPECT_EQ(h.num(12), 3);
  EXPECT_EQ(h.num(13), 3);
}

TEST(Strings, AssignmentConcatenationAndLimits) {
  ScriptHarness h;
  ASSERT_EQ(runBody(h, "mov $0,\"ab\":add $0,\"cd\":len %0,$0\n"
                       "itoa $1,-42:atoi %1,\"  -17xyz\":atoi %2,\"abc\":atoi %3,\"99999999999\"\n"
                       "cmp %4,\"abc\",\"abc\":cmp %5,\"ab\",\"abc\":cmp %6,\"b\",\"abc\":cmp %7,\"\xe3\x81\x82\",\"a\"\n"
                       "len %8,\"漢字\""),
            0);
  EXPECT_EQ(h.str(0), "abcd");
  EXPECT_EQ(h.num(0), 4);
  EXPECT_EQ(h.str(1), "-42");
  EXPECT_EQ(h.num(1), -17);
  EXPECT_EQ(h.num(2), 0);
  EXPECT_EQ(h.num(3), INT32_MAX);
  EXPECT_EQ(h.num(4), 0);
  EXPECT_EQ(h.num(5), -1);
  EXPECT_EQ(h.num(6), 1);
  EXPECT_EQ(h.num(7), 1);  // bytes compare unsigned: 0x82 > 'a'
  EXPECT_EQ(h.num(8), 4);
}

TEST(Strings, RepeatedAdditionGrowsPast255AndStopsAtTheLimit) {
  ScriptHarness h;
  ASSERT_EQ(runBody(h, "*grow\nadd $0,\"漢字ab\":inc %0\nif %0 < 2000 goto *grow\nlen %1,$0\nmov $2,$0"), 0);
  EXPECT_EQ(h.num(1), static_cast<int32_t>(kMaxStringBytes) - 1);  // 4094: whole characters only
  EXPECT_EQ(h.e.script.strVars[2].size(), h.e.script.strVars[0].size());
  ScriptHarness small;
  ASSERT_EQ(runBody(small, "*grow\nadd $0,\"0123456789\":inc %0\nif %0 < 30 goto *grow\nlen %1,$0"), 0);
  EXPECT_EQ(small.num(1), 300);
}

TEST(Random, RangesIncludingEmptyOnes) {
  ScriptHarness h;
  ASSERT_EQ(runBody(h, "*again\nrnd2 %1,1,6:rnd %2,10:rnd %3,0:rnd2 %4,5,4\n"
                       "if %1 < 1 mov %9,1\nif %1 > 6 mov %9,1\nif %2 < 0 mov %9,1\nif %2 > 9 mov %9,1\n"
                       "inc %0:if %0 < 500 goto *again\n"
                       "rnd2 %5,-2147483648,2147483647"),
            0);
  EXPECT_EQ(h.num(9), 0);
  EXPECT_EQ(h.num(3), 0);
  EXPECT_EQ(h.num(4), 5);
  ScriptHarness a, b;
  a.run(game("rnd %0,32767:rnd %1,32767"));
  b.run(game("rnd %0,32767:rnd %1,32767"));
  EXPECT_EQ(a.num(0), b.num(0));  // the headless clock seeds both alike
}

TEST(Clock, DateAndTimeFromTheLocalClock) {
  ScriptHarness h;
  h.e.script.localTimeSource = [] {
    std::tm t{};
    t.tm_year = 101;  // 2001
    t.tm_mon = 2;
    t.tm_mday = 27;
    t.tm_hour = 23;
    t.tm_min = 5;
    t.tm_sec = 9;
    return t;
  };
  ASSERT_EQ(runBody(h, "date %0,%1,%2:time %3,%4,%5"), 0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.num(1), 3);
  EXPECT_EQ(h.num(2), 27);
  EXPECT_EQ(h.num(3), 23);
  EXPECT_EQ(h.num(4), 5);
  EXPECT_EQ(h.num(5), 9);
}

TEST(Aliases, DefinitionLookupAndErrors) {
  ScriptHarness h;
  ASSERT_EQ(h.run("*define\nnumalias Top,12\nstralias title,\"題名\"\ngame\n*start\nmov %0,top\nmov $0,TITLE\nend\n"),
            0);
  EXPECT_EQ(h.num(0), 12);
  EXPECT_EQ(h.str(0), "題名");
  EXPECT_EQ(h.run("*define\nnumalias a,1\nnumalias A,2\ngame\n"), 1);
  EXPECT_EQ(h.errorCaption() + "|" + h.errorHead(), "エラー|数字エイリアスaが二重定義されています。");
  EXPECT_EQ(h.run("*define\nstralias s,\"1\"\nstralias s,\"2\"\ngame\n"), 1);
  EXPECT_EQ(h.errorHead(), "文字列エイリアスsが二重定義されています。");
  // The tables live for the engine cycle: a reset that passes the alias again stops.
  EXPECT_EQ(h.run(game("numalias once,1\nreset")), 1);
  EXPECT_EQ(h.errorHead(), "数字エイリアスonceが二重定義されています。");
}

TEST(Aliases, TablesHold4096) {
  std::string defs;
  for (int i = 0; i < 4096; ++i) defs += "numalias n" + std::to_string(i) + "," + std::to_string(i) + "\n";
  ScriptHarness h;
  ASSERT_EQ(h.run("*define\n" + defs + "game\n*start\nmov %0,n4095\nend\n"), 0);
  EXPECT_EQ(h.num(0), 4095);
  EXPECT_EQ(h.run("*define\n" + defs + "numalias more,1\ngame\n"), 1);
  EXPECT_EQ(h.errorHead(), "数字エイリアスが多すぎます。");
}

TEST(IniLookup, PrivateProfileRules) {
  const std::string ini =
      "; comment\r\n[General]\r\nName = \"Quoted value\" \r\nplain=  a b  \r\n"
      "[other]\nname=wrong\n[GENERAL]\nlate=ignored\n";
  EXPECT_EQ(iniLookup(ini, "general", "NAME"), "Quoted value");
  EXPECT_EQ(iniLookup(ini, "General", "plain"), "a b");
  EXPECT_EQ(iniLookup(ini, "other", "name"), "wrong");
  EXPECT_EQ(iniLookup(ini, "general", "late"), "");  // only the first section of a name
  EXPECT_EQ(iniLookup(ini, "missing", "name"), "");
  EXPECT_EQ(iniLookup(ini, "general", "missing"), "");
  EXPECT_EQ(iniLookup("", "a", "b"), "");
}

TEST(IniLookup, GetiniReadsGameFiles) {
  GameDir dir;
  dir.write("Setup.INI", sjisOf("[player]\nname=太郎\nlong=" + std::string(300, 'x') + "\n"));
  ScriptHarness h;
  ASSERT_EQ(runBody(h, "getini $0,\"setup.ini\",\"Player\",\"Name\"\n"
                       "getini $1,\"setup.ini\",\"player\",\"long\"\n"
                       "getini $2,\"missing.ini\",\"player\",\"name\"\nmov $3,\"x\"\n"
                       "getini $3,\"setup.ini\",\"player\",\"none\""),
            0);
  EXPECT_EQ(h.str(0), "太郎");
  EXPECT_EQ(h.str(1), std::string(255, 'x'));
  EXPECT_EQ(h.str(2), "");
  EXPECT_EQ(h.str(3), "");
}

TEST(IniLookup, GetregReadsTheUserSettingsFile) {
  GameDir dir;  // the settings directory is the fixture's own
  fs::makeDirectories(fs::userConfigDirectory());
  std::string reg = "[Software\\Maker\\Game]\nInstallDir=C:\\Games\\ゲーム\n@=default\n";
  fs::writeHostFile(registryFilePath(), reg.data(), reg.size());
  ScriptHarness h;
  int code = runBody(h, "getreg $0,\"software\\maker\\game\",\"installdir\"\n"
                        "getreg $1,\"Software\\Maker\\Game\",\"\"\n"
                        "getreg $2,\"Software\\Other\",\"x\"");
  ASSERT_EQ(code, 0);
  EXPECT_EQ(h.str(0), "C:\\Games\\ゲーム");
  EXPECT_EQ(h.str(1), "default");
  EXPECT_EQ(h.str(2), "");
}

}  // namespace
}  // namespace veloria::test
