// Commands that end the run, start the game and talk to the system.
#include <cstdlib>
#include <filesystem>

#include "app/app.h"
#include "platform/process.h"
#include "platform/program_consent.h"
#include "script_harness.h"

namespace veloria::test {
namespace {

void writeProgram(const GameDir& dir, const std::string& name, const std::string& body) {
  dir.write(name, "#!/bin/sh\n" + body + "\n");
  std::filesystem::permissions(dir.path() + "/" + name, std::filesystem::perms::owner_all);
}

// What the player answered to the box about `program` once before (as tests that are not
// about the box need).
void allowProgram(const GameDir& dir, const std::string& program) {
  ASSERT_TRUE(rememberConsent(fs::userConfigDirectory(), fs::absoluteHostPath(dir.path()), program, true));
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
  allowProgram(dir, "answer.sh");
  EXPECT_EQ(h.run(game("winexec \"answer.sh continue\",1\nmov %0,1")), 0);
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.run(game("winexec \"answer.sh end\",1\nmov %0,2")), 0);
  EXPECT_EQ(h.num(0), 0);  // the window was destroyed first
  EXPECT_EQ(h.e.app.exitCode, 0);
}

TEST_F(SystemCommands, WinexecNeverWaitsForAProgramThatCannotAnswer) {
  writeProgram(dir, "quiet.sh", "exit 0");
  allowProgram(dir, "quiet.sh");
  testing::internal::CaptureStderr();
  EXPECT_EQ(h.run(game("winexec \"quiet.sh\",1\nmov %0,1\nwinexec \"no-such-program-here\",1\nmov %1,1\n"
                       "winexec \"quiet.sh\",0\nmov %2,1")),
            0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(h.num(0), 1);
  EXPECT_EQ(h.num(1), 1);
  EXPECT_EQ(h.num(2), 1);
  EXPECT_NE(err.find("winexec: no-such-program-here is not a program inside the game directory"), std::string::npos);
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
  allowProgram(dir, "where.sh");
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
  allowProgram(dir, "Readme.txt");
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
  EXPECT_EQ(std::string(first->begin(), first->end()), std::filesystem::canonical(dir.path()).string() + "/Readme.txt\n");
  EXPECT_EQ(std::string(second->begin(), second->end()), "https://example.invalid/\n");
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST_F(SystemCommands, WinexecStartsNothingButTheGamesOwnPrograms) {
  const std::string marker = dir.scratch() + "/started.txt";
  const std::string outside = dir.scratch() + "/outside.sh";
  const std::string body = "#!/bin/sh\necho x > " + marker + "\n";
  fs::writeHostFile(outside, body.data(), body.size());
  std::filesystem::permissions(outside, std::filesystem::perms::owner_all);
  std::filesystem::create_symlink(outside, dir.path() + "/link.sh");
  std::filesystem::create_directories(dir.path() + "/sub");
  const std::string names[] = {
      "sh -c 'echo x > " + marker + "'",  // found in PATH before
      "/bin/sh " + outside,
      outside,
      "..\\outside.sh",
      "sub\\..\\..\\outside.sh",
      "\\bin\\sh " + outside,
      "C:\\outside.sh",
      "link.sh",  // inside by name, outside in fact
      "sub",
      "",
  };
  for (const std::string& name : names) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(h.run(game("winexec \"" + name + "\",1\nmov %0,1")), 0) << name;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(h.num(0), 1) << name;
    EXPECT_NE(err.find("is not a program inside the game directory; not started\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("[確認]"), std::string::npos) << "asked about " << name;
  }
  proc::waitForStartedPrograms(5000);
  EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST_F(SystemCommands, WinexecAsksThePlayerOnceAndRemembersTheAnswer) {
  writeProgram(dir, "tool.sh", "echo ran >> ran.txt");
  writeProgram(dir, "Tools/Other.sh", "echo ran >> other.txt");
  const std::string box = "[確認] ゲームがプログラム「tool.sh」を起動しようとしています。許可しますか？\n";
  // Nobody answers: いいえ.
  testing::internal::CaptureStderr();
  EXPECT_EQ(h.run(game("winexec \"tool.sh\",1\nmov %0,1")), 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(h.num(0), 1);
  EXPECT_NE(err.find(box), std::string::npos) << err;
  EXPECT_NE(err.find("winexec: the player did not allow tool.sh; not started"), std::string::npos) << err;

  // Yes for another program: asked once, started both times, whatever the case of its name.
  ScriptHarness yes(20000, "answer yes\nanswer yes\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(yes.run(game("winexec \"tools\\other.sh\",1\nwinexec \"TOOLS/OTHER.SH\",1\nmov %0,1")), 0);
  err = testing::internal::GetCapturedStderr();
  proc::waitForStartedPrograms(5000);
  EXPECT_EQ(yes.num(0), 1);
  EXPECT_EQ(count(err, "[確認]"), 1u) << err;
  auto ran = fs::readHostFile(dir.path() + "/other.txt");
  ASSERT_TRUE(ran);
  EXPECT_EQ(std::string(ran->begin(), ran->end()), "ran\nran\n");

  // The earlier no stands in the next run, even with a yes at hand.
  testing::internal::CaptureStderr();
  EXPECT_EQ(yes.run(game("winexec \"tool.sh\",1\nmov %0,2")), 0);
  err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(yes.num(0), 2);
  EXPECT_EQ(err.find("[確認]"), std::string::npos) << err;
  proc::waitForStartedPrograms(5000);
  EXPECT_FALSE(dir.exists("ran.txt"));
  const std::string game = fs::absoluteHostPath(dir.path());
  EXPECT_EQ(rememberedConsent(fs::userConfigDirectory(), game, "tool.sh"), false);
  EXPECT_EQ(rememberedConsent(fs::userConfigDirectory(), game, "Tools/Other.sh"), true);
}

TEST_F(SystemCommands, ShellOpensAddressesAndTheGamesOwnFilesOnly) {
  writeProgram(dir, "opener.sh", "echo \"$1\" >> \"$(dirname \"$0\")/opened.txt\"");
  dir.write("Readme.txt", "hello");
  std::string opener = dir.path() + "/opener.sh";
  setenv("VELORIA_OPENER", opener.c_str(), 1);
  const std::string refused[] = {"file:///etc/passwd", "/etc/passwd", "..\\..\\etc\\passwd", "-oProxyCommand=x",
                                 "javascript:alert(1)", "http://a b", "missing.txt", "smb://host/share"};
  std::string script;
  for (const std::string& t : refused) script += "shell \"" + t + "\"\n";
  script += "shell \"https://example.invalid/a?b=1\"\nshell \"HTTP://example.invalid/\"\nshell \"mailto:a@example.invalid\"\n";
  script += "shell \"readme.txt\"\nmov %0,1";
  ScriptHarness player(20000, "answer yes\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(player.run(game(script)), 0);
  std::string err = testing::internal::GetCapturedStderr();
  proc::waitForStartedPrograms(5000);
  unsetenv("VELORIA_OPENER");
  EXPECT_EQ(player.num(0), 1);
  for (const std::string& t : refused)
    EXPECT_NE(err.find("shell: " + t + " is neither a web or mail address nor a file inside the game; not opened\n"),
              std::string::npos) << t << "\n" << err;
  EXPECT_EQ(count(err, "[確認] ゲームがプログラム「readme.txt」を起動しようとしています。"), 1u) << err;
  auto opened = fs::readHostFile(dir.path() + "/opened.txt");
  ASSERT_TRUE(opened);
  std::string lines(opened->begin(), opened->end());
  // The opener runs without waiting: the order of its lines is not the script's.
  for (const std::string& want : {std::string("https://example.invalid/a?b=1"), std::string("HTTP://example.invalid/"),
                                  std::string("mailto:a@example.invalid"),
                                  std::filesystem::canonical(dir.path()).string() + "/Readme.txt"})
    EXPECT_NE(lines.find(want + "\n"), std::string::npos) << lines;
  EXPECT_EQ(count(lines, "\n"), 4u) << lines;
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

TEST_F(SystemCommands, FilesOutsideTheGameAreNeitherCreatedNorRemoved) {
  const std::string outside = dir.scratch() + "/victim.txt";
  const std::string names[] = {"..\\victim.txt", "../victim.txt", outside, "\\" + outside.substr(1),
                               "sub\\..\\..\\victim.txt", "C:\\victim.txt"};
  for (const std::string& name : names) {
    fs::writeHostFile(outside, "keep", 4);
    testing::internal::CaptureStderr();
    std::string body = "filecreate \"" + name + "\"\nmov %0,1\nfileremove \"" + name + "\"\nmov %1,1";
    EXPECT_EQ(h.run(game(body)), 0) << name;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(h.num(0) + h.num(1), 2) << name;
    ASSERT_TRUE(std::filesystem::exists(outside)) << name;
    EXPECT_EQ(std::filesystem::file_size(outside), 4u) << name;
    EXPECT_NE(err.find("filecreate: " + name + " lies outside the game directory; refused\n"), std::string::npos) << err;
    EXPECT_NE(err.find("fileremove: " + name + " lies outside"), std::string::npos) << err;
  }
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
