// The fatal error report: file and line, the excerpt, stderr and the exit code.
#include "script/scramble.h"
#include "script_harness.h"
#include "support/game_runner.h"

namespace veloria::test {
namespace {

int runFromDisk(ScriptHarness& h) {
  return h.exitCodeOf([&] {
    loadScript(h.e);
    buildLabelTable(h.e);
    runInterpreter(h.e, true);
    resetEngine(h.e);
    runInterpreter(h.e, false);
  });
}

std::string positionLine(const ScriptHarness& h) {
  std::string m = h.errorMessage();
  size_t at = m.find("\n\n");
  return m.substr(at + 2, m.find('\n', at + 2) - at - 2);
}

TEST(ErrorReport, MessageBoxTextStderrAndExitCode) {
  ScriptHarness h;
  testing::internal::CaptureStderr();
  int code = h.run("*define\ngame\n*start\nmov %0,1\nmov %1,2\nbogus\n");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(code, 1);
  EXPECT_TRUE(h.e.app.error.set);
  EXPECT_EQ(h.e.app.exitCode, 1);
  const std::string text = "不正な命令\"bogus\"です。\n\n0.txt line:6\n\n|mov %0,1\n|mov %1,2\n>bogus";
  EXPECT_EQ(h.errorMessage(), text);
  EXPECT_NE(err.find("veloria: 構文エラー: " + text), std::string::npos) << err;
}

TEST(ErrorReport, AWholeRunEndsWithExitCodeOne) {
  GameRun run = runGame({{"0.txt", sjisText("*define\ngame\n*start\nmov %0,1\n\nbogus\n")}});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errorCaption, "構文エラー");
  EXPECT_NE(run.stderrText.find("veloria: 構文エラー: 不正な命令\"bogus\"です。"), std::string::npos) << run.stderrText;
  EXPECT_NE(run.stderrText.find("0.txt line:6"), std::string::npos) << run.stderrText;
}

TEST(ErrorReport, ExcerptNearTheStartOfTheScript) {
  ScriptHarness h;
  h.load("mov %0,1\nzzz");
  h.e.script.scriptPos = 12;
  EXPECT_EQ(h.exitCodeOf([&] { reportScriptError(h.e, sj("エラー"), sj("テスト")); }), 1);
  EXPECT_EQ(h.errorMessage(), "テスト\n\n0.txt line:2\nmov %0,1\n>zzz");
  h.load("abc");
  EXPECT_EQ(h.exitCodeOf([&] { reportScriptError(h.e, sj("エラー"), sj("テスト")); }), 1);
  EXPECT_EQ(h.errorMessage(), "テスト\n\n0.txt line:1\n");
}

TEST(ErrorReport, FileNumberAndLineAcrossNumberedFiles) {
  {
    GameDir dir;
    dir.write("0.txt", "*define\ngame\n");
    dir.write("1.txt", "*start\n\n");
    dir.write("2.txt", "mov %0,1\nmov %1,1\n\n;x\nbogus\n");
    ScriptHarness h;
    EXPECT_EQ(runFromDisk(h), 1);
    EXPECT_EQ(positionLine(h), "2.txt line:5");
  }
  {
    GameDir dir;  // a missing file in between does not shift the name
    dir.write("0.txt", "*define\ngame\n*start\n");
    dir.write("3.txt", "\r\nbogus\r\n");
    ScriptHarness h;
    EXPECT_EQ(runFromDisk(h), 1);
    EXPECT_EQ(positionLine(h), "3.txt line:2");
  }
  {
    GameDir dir;  // running off the end names the last file
    dir.write("0.txt", "*define\ngame\n*start\n");
    dir.write("1.txt", "mov %0,1");
    ScriptHarness h;
    EXPECT_EQ(runFromDisk(h), 1);
    EXPECT_EQ(h.errorHead(), "ファイルの終端に達しました。");
    EXPECT_EQ(positionLine(h), "1.txt line:2");
  }
}

TEST(ErrorReport, SingleFileScriptsNameTheirFile) {
  for (bool second : {false, true}) {
    GameDir dir;
    std::string text = "*define\ngame\n*start\n\nbogus\n";
    auto* p = reinterpret_cast<uint8_t*>(text.data());
    second ? scrambleVeloSec(p, text.size()) : scrambleVeloriaDat(p, text.size());
    dir.write(second ? "velo_sec.dat" : "veloria.dat", text);
    ScriptHarness h;
    EXPECT_EQ(runFromDisk(h), 1);
    EXPECT_EQ(positionLine(h), second ? "velo_sec.dat line:5" : "veloria.dat line:5");
  }
}

TEST(ErrorReport, LongLinesGiveABoundedExcerpt) {
  ScriptHarness h;
  std::string longLine;
  for (int i = 0; i < 3000; ++i) longLine += "漢";
  // Comment lines: long story text would stop at the text window's edge first.
  EXPECT_EQ(h.run(game(";" + longLine + "\n;" + longLine + "\n;" + longLine + "x\nbogus")), 1);
  std::string m = sjisOf(h.errorMessage());
  std::string excerpt = m.substr(m.find("line:"));
  excerpt = excerpt.substr(excerpt.find('\n') + 1);
  EXPECT_LE(excerpt.size(), 2000u);
  EXPECT_EQ(excerpt.substr(0, 3), "...");
  EXPECT_EQ(excerpt.substr(excerpt.size() - 7), "\n>bogus");
  EXPECT_EQ(sjisToUtf8(excerpt).find("\xEF\xBF\xBD"), std::string::npos);  // no broken character
}

TEST(ErrorReport, ASecondFailureDuringTheShutDownDoesNotReportAgain) {
  ScriptHarness h;
  h.load("x");
  h.e.script.reportingError = true;
  EXPECT_EQ(h.exitCodeOf([&] { reportScriptError(h.e, "a", "b"); }), 1);
  EXPECT_FALSE(h.e.app.error.set);
}

}  // namespace
}  // namespace veloria::test
