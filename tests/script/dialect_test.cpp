// How a game's dialect is decided from its own script, what the command line forces, the
// variable range and border each dialect gives, and where warnings go.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "script/script_harness.h"
#include "support/cli_runner.h"

namespace veloria::test {
namespace {

Dialect dialectOf(std::string_view utf8, ScriptOptions options = {}) {
  ScriptHarness h;
  h.e.script.options = options;
  h.load(utf8);
  return h.e.script.dialect;
}

TEST(Dialect, DecidedByTheWordsStatementsBeginWith) {
  struct Case {
    const char* script;
    Dialect expected;
  };
  const Case cases[] = {
      {"*define\ngame\n*start\nmov %1,2\nend\n", Dialect::Base},
      // Anywhere in the script, reached or not, in any case.
      {"*define\ngame\n*start\nend\n*never\nFOR %1 = 1 to 2\nnext\n", Dialect::Extended},
      {"*define\nnsa\ngame\n*start\nend\n", Dialect::Extended},
      // After a ':' and after a condition.
      {"*define\ngame\n*start\nmov %1,1 : bgm \"a.ogg\"\nend\n", Dialect::Extended},
      {"*define\ngame\n*start\nif %1 = 0 dim ?1[3]\nend\n", Dialect::Extended},
      {"~ ~ lsp2 1,\"a.bmp\",1,1,100,100,0\n", Dialect::Extended},
      // Not statements: labels, comments, strings, story text, variable and label marks.
      {"*define\ngame\n*start\ngoto *next\n*next\n; for a while\nend\n", Dialect::Base},
      {"*define\ngame\n*start\ncaption \"bgm for: next\"\nend\n", Dialect::Base},
      {"*define\ngame\n*start\n`for the next one`\n「movie」\nend\n", Dialect::Base},
      {"*define\nnumalias quake,3\ngame\n*start\nmov %quake,1\nend\n", Dialect::Base},
      // A word that only begins like one of them.
      {"*define\ngame\n*start\nformat_x 1\nnextpage\nend\n", Dialect::Base},
  };
  for (const Case& c : cases) EXPECT_EQ(dialectOf(c.script), c.expected) << c.script;
}

TEST(Dialect, ValueFirstLineSetsTheBorderAndTheDialect) {
  ScriptHarness h;
  h.load(";value 1000 ;game id 42\n*define\ngame\n*start\nend\n");
  EXPECT_EQ(h.e.script.dialect, Dialect::Extended);
  EXPECT_EQ(globalBorder(h.e), 1000);

  h.load("*define\ngame\n*start\nend\n");
  EXPECT_EQ(h.e.script.dialect, Dialect::Base);
  EXPECT_EQ(globalBorder(h.e), 200);

  for (const char* bad : {";value 0\n", ";value 10001\n", ";value\n", ";value x\n"}) {
    ScriptHarness b;
    EXPECT_EQ(b.exitCodeOf([&] { b.load(std::string(bad) + "*define\ngame\n*start\nend\n"); }), 1) << bad;
    EXPECT_EQ(b.errorCaption(), "構文エラー") << bad;
    EXPECT_EQ(b.errorHead(), ";valueの値が不正です。") << bad;
  }
}

TEST(Dialect, TheCommandLineForcesIt) {
  ScriptOptions base;
  base.forceDialect = true;
  base.forcedDialect = Dialect::Base;
  EXPECT_EQ(dialectOf("*define\ndefsub a\ngame\n*start\nend\n", base), Dialect::Base);
  // Forced to base, a ";value" line is only a comment.
  ScriptHarness h;
  h.e.script.options = base;
  h.load(";value 0\n*define\ngame\n*start\nend\n");
  EXPECT_EQ(globalBorder(h.e), 200);

  // Read as the base language, the later dialect's words are unknown words, as they always were.
  ScriptHarness b;
  b.e.script.options = base;
  EXPECT_EQ(b.run(game("usewheel")), 1);
  EXPECT_EQ(b.errorHead(), "不正な命令\"usewheel\"です。");

  ScriptOptions extended;
  extended.forceDialect = true;
  extended.forcedDialect = Dialect::Extended;
  EXPECT_EQ(dialectOf("*define\ngame\n*start\nend\n", extended), Dialect::Extended);
}

TEST(Dialect, VariableRangeAndTheVariablesAResetClears) {
  ScriptHarness h;
  // The base language keeps its range and its message.
  EXPECT_EQ(h.run(game("mov %4096,1")), 1);
  EXPECT_EQ(h.errorHead(), "変数の番号が範囲外です（0～4095）:4096");

  EXPECT_EQ(h.run(";value 1000\n" + game("mov %9999,7 : mov $9999,\"x\"")), 0);
  EXPECT_EQ(h.num(9999), 7);
  EXPECT_EQ(h.str(9999), "x");
  EXPECT_EQ(h.run(";value 1000\n" + game("mov %10000,1")), 1);
  EXPECT_EQ(h.errorCaption(), "実行時エラー");
  EXPECT_EQ(h.errorHead(), "変数番号10000は範囲外です。");

  // Below the border a variable is the game's own and a reset clears it; from the border up
  // it is global and stays.
  h.load(";value 1000\n*define\ngame\n*start\nend\n");
  setNumVar(h.e, 999, 5);
  setNumVar(h.e, 1000, 6);
  resetEngine(h.e);
  EXPECT_EQ(h.num(999), 0);
  EXPECT_EQ(h.num(1000), 6);
}

TEST(Dialect, WarningsGoToStderrAndUnderLenientToTheWarningFile) {
  GameDir dir;
  ScriptHarness h;
  h.load("*define\ngame\n*start\nmov %1,1\nmov %2,2\nend\n");
  h.e.script.scriptPos = static_cast<uint32_t>(findLabel(h.e, "start"));
  reportScriptWarning(h.e, sjisOf("未定義の命令\"name\"を無視しました。"));
  EXPECT_FALSE(dir.exists("Velowarn.txt"));  // without --lenient: stderr only

  h.e.script.options.lenient = true;
  h.e.script.scriptPos += 9;  // the second statement, line 5
  reportScriptWarning(h.e, sjisOf("文字列が閉じていません。"));
  reportScriptWarning(h.e, sjisOf("文字列が閉じていません。"));  // the same place: once
  std::ifstream in(dir.path() + "/Velowarn.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), sjisOf("0.txt line:5 文字列が閉じていません。\n"));
}

TEST(Dialect, CommandLineOptionsAndTheDumpNameIt) {
  GameDir dir({{"0.txt", sjisOf(";value 300\n*define\ngame\n*start\nend\n")}});
  const std::string dump = dir.scratch() + "/dump.json";
  CliResult r = runVeloria("--headless --lenient --dump-on-exit " + dump + " " + dir.path());
  EXPECT_EQ(r.code, 0) << r.output;
  std::ifstream in(dump);
  std::stringstream json;
  json << in.rdbuf();
  EXPECT_NE(json.str().find("\"dialect\":\"extended\""), std::string::npos) << json.str();

  r = runVeloria("--headless --dialect=base --dump-on-exit " + dump + " " + dir.path());
  EXPECT_EQ(r.code, 0) << r.output;
  std::ifstream in2(dump);
  std::stringstream json2;
  json2 << in2.rdbuf();
  EXPECT_NE(json2.str().find("\"dialect\":\"base\""), std::string::npos) << json2.str();

  r = runVeloria("--headless --dialect=modern " + dir.path());
  EXPECT_EQ(r.code, 2) << r.output;
  r = runVeloria("--check --dialect extended " + dir.path());
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("extended dialect"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace veloria::test
