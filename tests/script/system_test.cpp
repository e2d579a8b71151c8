// Commands that end the run, start the game and talk to the system.
#include <cstdlib>
#include <filesystem>

#include "app/app.h"
#include "platform/process.h"
#include "script_harness.h"

namespace veloria::test {
namespace {

void writeProgram(const GameDir& dir, const std::string& name, const std::string& body) {
  dir.write(name, "#!/bin/sh\n" + body + "\n");
  std::filesystem::permissions(dir.path() + "/" + name, std::filesystem::perms::owner_all);
}

class SystemCommands : public ::testing::Test {
 protected:
  SystemCommands() { h.e.app.tempDirectory = dir.path() + "/tmp/"; }
  GameDir dir;
  ScriptHarness h;
};

TEST_F(SystemCommands, EndExitsNormally) {
  EXPECT_EQ(h.run(game("mov %0,1\nend\nmov %0,2")), 0);
  EXPECT_EQ(h.e.app.exitCode, 0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_FALSE(h.e.app.error.set);
}

TEST_F(SystemCommands, WinexecWaitsForTheProgramsAnswer) {
  writeProgram(dir, "answer.sh", "echo \"$1\" >> \"$VELORIA_NOTIFY\"\nsleep 1");
  EXPECT_EQ(h.run(game("winexec \"answer.sh continue\",1\nmov %0,1")), 0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.run(game("winexec \"answer.sh end\",1\nmov %0,2")), 0);
  EXPECT_EQ(h.num(0), 0);  // the window was destroyed first
  EXPECT_EQ(h.e.app.exitCode, 0);
}

TEST_F(SystemCommands, WinexecNeverWaitsForAProgramThatCannotAnswer) {
  writeProgram(dir, "quiet.sh", "exit 0");
  testing::internal::CaptureStderr();
  EXPECT_EQ(h.run(game("winexec \"quiet.sh\",1\nmov %0,1\nwinexec \"no-such-program-here\",1\nmov %1,1\n"
                       "winexec \"quiet.sh\",0\nmov %2,1")),
            0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(h.num(2), 1);
  EXPECT_NE(err.find("winexec: cannot start no-such-program-here"), std::string::npos);
}

TEST(ProgramStart, CommandLinesSplitLikeWindowsArguments) {
  using V = std::vector<std::string>;
  EXPECT_EQ(proc::splitCommandLine("prog.exe  a\tb"), (V{"prog.exe", "a", "b"}));
  EXPECT_EQ(proc::splitCommandLine("\"My Tool.exe\" \"two words\" x\"y z\""), (V{"My Tool.exe", "two words", "xy z"}));
  EXPECT_EQ(proc::splitCommandLine("a \"\" b"), (V{"a", "", "b"}));
  EXPECT_TRUE(proc::splitCommandLine("   ").empty());
}

TEST_F(SystemCommands, WinexecRunsInTheGameDirectory) {
  writeProgram(dir, "where.sh", "pwd > here.txt\necho \"$1\" > arg.txt\necho continue >> \"$VELORIA_NOTIFY\"");
  EXPECT_EQ(h.run(game("winexec \"WHERE.SH two\",1")), 0);
  proc::waitForStartedPrograms(5000);
  auto here = fs::readHostFile(dir.path() + "/here.txt");
  auto arg = fs::readHostFile(dir.path() + "/arg.txt");
  ASSERT_TRUE(here && arg);
  EXPECT_EQ(std::filesystem::canonical(std::string(here->begin(), here->end() - 1)),
            std::filesystem::canonical(dir.path()));
  EXPECT_EQ(std::string(arg->begin(), arg->end()), "two\n");
}

TEST_F(SystemCommands, ShellHandsTheDocumentToTheOpener) {
  writeProgram(dir, "opener.sh", "echo \"$1\" > \"$(dirname \"$0\")/opened.txt\"");
  dir.write("Readme.txt", "hello");
  std::string opener = dir.path() + "/opener.sh";
  setenv("VELORIA_OPENER", opener.c_str(), 1);
  int code = h.run(game("shell \"readme.TXT\""));
  proc::waitForStartedPrograms(5000);
  auto first = fs::readHostFile(dir.path() + "/opened.txt");
  h.run(game("shell \"https://example.invalid/\""));
  proc::waitForStartedPrograms(5000);
  auto second = fs::readHostFile(dir.path() + "/opened.txt");
  unsetenv("VELORIA_OPENER");
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(std::string(first->begin(), first->end()), dir.path() + "/Readme.txt\n");
  EXPECT_EQ(std::string(second->begin(), second->end()), "https://example.invalid/\n");
}

TEST_F(SystemCommands, FileCreateAndRemove) {
  dir.write("old.dat", "contents");
  testing::internal::CaptureStderr();
  EXPECT_EQ(h.run(game("filecreate \"new.dat\"\nfilecreate \"OLD.DAT\"\nfileremove \"gone.dat\"\n"
                       "filecreate \"nodir\\x.dat\"\nfilecreate \"del.dat\"\nfileremove \"DEL.dat\"")),
            0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(dir.exists("new.dat"));
  EXPECT_EQ(std::filesystem::file_size(dir.path() + "/old.dat"), 0u);
  EXPECT_FALSE(dir.exists("del.dat"));
  EXPECT_NE(err.find("filecreate: cannot create nodir\\x.dat"), std::string::npos) << err;
}

TEST_F(SystemCommands, CaptionMesboxAndVersion) {
  h.platform().setTimer(1, 100);
  testing::internal::CaptureStderr();
  // definereset ends the pass without closing the window, so the timer can be seen.
  EXPECT_EQ(h.run(game("caption \"ゲーム題名\"\nmesbox \"本文\",\"題\"\nversionstr \"一行目\",\"二行目\"\ndefinereset")), -1);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(h.platform().titleUtf8(), "ゲーム題名");
  EXPECT_NE(err.find("本文"), std::string::npos);
  EXPECT_TRUE(h.platform().timerRunning(1));
  EXPECT_EQ(sjisToUtf8(h.e.app.versionLines[0]), "一行目");
  EXPECT_EQ(sjisToUtf8(h.e.app.versionLines[1]), "二行目");
}

TEST_F(SystemCommands, MouseCursor) {
  dir.write("Hand.cur", "not really a cursor");
  EXPECT_EQ(h.run(game("mousecursor \"hand.cur\"\nmov %0,%1")), 0);
  EXPECT_EQ(h.e.app.customCursorSet, 1);
  EXPECT_EQ(h.run(game("mousecursor off")), 0);
  EXPECT_EQ(h.e.app.customCursorSet, 0);
  EXPECT_EQ(h.run(game("mousecursor other")), 1);
  EXPECT_EQ(h.errorHead(), "mousecursorのパラメータは、offかファイル名です。");
  EXPECT_EQ(h.run(game("mousecursor \"missing.cur\"")), 1);
  EXPECT_EQ(h.errorCaption() + "|" + h.errorHead(), "エラー|カーソルファイルが見つかりません。");
}

TEST_F(SystemCommands, GameRemovesTheAutoModeItemUnlessAllowed) {
  auto menu = [&] {
    auto& items = h.platform().menu().items();
    items.clear();
    auto item = [](int id) {
      MenuItem m;
      m.id = id;
      m.text = "x";
      return m;
    };
    MenuItem screen = item(0);
    screen.children.push_back(item(IDM_FULLSCREEN));
    items.push_back(screen);
    items.push_back(item(IDM_SKIP_TO_CHOICE));
    items.push_back(item(IDM_AUTO_MODE));
    items.push_back(item(IDM_EXIT));
  };
  menu();
  EXPECT_EQ(h.run("*define\ngame\n*start\ndefinereset\n"), -1);
  EXPECT_EQ(h.platform().menu().find(IDM_AUTO_MODE), nullptr);
  EXPECT_EQ(h.platform().menu().items().size(), 3u);
  EXPECT_EQ(h.e.text.chosenFaceName, h.e.text.defaultFaceName);
  EXPECT_EQ(h.e.text.faceName, h.e.text.defaultFaceName);
  for (const char* allow : {"mode_ext", "automode"}) {
    menu();
    EXPECT_EQ(h.run(std::string("*define\n") + allow + "\ngame\n*start\ndefinereset\n"), -1);
    EXPECT_NE(h.platform().menu().find(IDM_AUTO_MODE), nullptr) << allow;
  }
}

TEST_F(SystemCommands, DefinePassEndsAtGame) {
  EXPECT_EQ(h.exitCodeOf([&] {
    h.load("*define\nmode_saya\ngame\nmov %0,1\n*start\nend\n");
    runInterpreter(h.e, true);
  }),
            -1);
  EXPECT_EQ(h.e.script.gameStarted, 1);
  EXPECT_EQ(h.e.app.pictureViewFlag, 1);
  EXPECT_EQ(h.num(0), 0);
}

}  // namespace
}  // namespace veloria::test
