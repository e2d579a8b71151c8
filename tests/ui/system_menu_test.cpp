// The right-click menu, the system calls and the in-window save/load menus, driven as a
// player drives them: right clicks and clicks at the places the menus are drawn.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "support/cli_runner.h"
#include "support/game_runner.h"
#include "text/voice_file.h"
#include "ui/ui.h"

using namespace veloria;
using namespace veloria::test;

namespace {

// Places on the 640x480 screen with the default menu glyphs (pitch 26 x 28) and savenumber 9.
// The right-click menu of four items: item i spans y 184 + 28 i .. + 28.
int rightMenuY(int item) { return 184 + 28 * item + 14; }
// The slot list: slot s (1-based) spans y 156 + 28 (s - 1) .. + 28.
int slotY(int slot) { return 156 + 28 * (slot - 1) + 14; }
// The question's はい and いいえ.
const char* kYes = "click 250 282\n";
const char* kNo = "click 410 282\n";

const char* kMenuDefine = "rmenu \"セーブ\",save,\"ロード\",load,\"ログ\",lookback,\"終了\",reset\n";

std::string game(const std::string& body, const std::string& define = kMenuDefine) {
  return "*define\n" + define + "game\n*start\n" + body;
}

GameRun run(const std::string& script, const std::string& input, const GameFiles& extra = {}) {
  GameFiles files = extra;
  files["0.txt"] = sjisText(script);
  RunOptions o;
  o.input = input;
  o.timeoutMs = 60000;
  return runGame(files, o);
}

std::string fileText(const std::string& path) {
  auto d = fs::readHostFile(path);
  return d ? std::string(d->begin(), d->end()) : std::string();
}

std::string dumpAt(const GameRun& r, const std::string& name) { return fileText(r.gameDir + "/" + name); }

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Numeric variable `i` of a dump (0 when the dump does not list it).
int numVar(const std::string& dump, int i) {
  size_t from = dump.find("\"numVars\":{");
  if (from == std::string::npos) return 0;
  size_t end = dump.find('}', from);
  size_t at = dump.find("\"" + std::to_string(i) + "\":", from);
  if (at == std::string::npos || at > end) return 0;
  return std::atoi(dump.c_str() + at + std::to_string(i).size() + 3);
}

// The number of pixels of 0xRRGGBB in a rectangle of the run's last picture.
int countColor(const GameRun& r, int left, int top, int right, int bottom, uint32_t rgb) {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += pixelAt(r, x, y) == rgb;
  return n;
}

}  // namespace

TEST(SystemMenu, SaveFromTheRightClickMenuThenLoadItInTheNextProcess) {
  const std::string script = game(
      "!s0\nmov %5,1\n一頁目。\\\nmov %5,2\n二頁目です。\\\nmov %5,3\n三頁目。\\\nend\n");
  GameDir g({{"0.txt", sjisText(script)}});
  auto write = [&](const std::string& name, const std::string& text) {
    fs::writeHostFile(g.scratch() + "/" + name, text.data(), text.size());
    return g.scratch() + "/" + name;
  };
  // Page two waits; right click, セーブ, slot 3, はい.
  std::string in1 = write("one.input", "wait 1000\nclick 1 1\nwait 500\nrclick 5 5\nwait 300\nclick 320 " +
                                           std::to_string(rightMenuY(0)) + "\nwait 300\nclick 320 " +
                                           std::to_string(slotY(3)) + "\nwait 300\n" + kYes +
                                           "wait 1300\ndump one.json\nquit\n");
  auto r = runVeloria("--headless --timeout 60000 --input " + in1 + " " + g.path(), "cd " + g.scratch() + " &&");
  ASSERT_EQ(r.code, 0) << r.output;
  ASSERT_TRUE(std::filesystem::exists(g.path() + "/save3.dat"));
  // The menu is gone and the page is back as it was.
  std::string one = fileText(g.scratch() + "/one.json");
  EXPECT_TRUE(has(one, "\"systemMenu\":null")) << one;
  EXPECT_TRUE(has(one, "\"page\":\"二頁目です。\"")) << one;
  EXPECT_TRUE(has(one, "\"windowShown\":true")) << one;

  // A new process: right click, ロード, slot 3, はい: the same page, and the game goes on from it.
  std::string in2 = write("two.input", "wait 1000\nrclick 5 5\nwait 300\nclick 320 " + std::to_string(rightMenuY(1)) +
                                           "\nwait 300\nclick 320 " + std::to_string(slotY(3)) + "\nwait 300\n" +
                                           kYes + "wait 1500\ndump two.json\nclick 1 1\nwait 500\ndump three.json\nquit\n");
  r = runVeloria("--headless --timeout 60000 --input " + in2 + " " + g.path(), "cd " + g.scratch() + " &&");
  ASSERT_EQ(r.code, 0) << r.output;
  std::string two = fileText(g.scratch() + "/two.json");
  EXPECT_TRUE(has(two, "\"page\":\"二頁目です。\"")) << two;
  EXPECT_TRUE(has(two, "\"5\":2")) << two;
  EXPECT_TRUE(has(fileText(g.scratch() + "/three.json"), "\"page\":\"三頁目。\""));
}

TEST(SystemMenu, EveryActionThroughSystemcall) {
  // save and load show their slot lists, reset its question; a right click leaves each.
  struct Case {
    const char* keyword;
    const char* kind;
    const char* title;
  } cases[] = {{"save", "save", "＜セーブ＞"}, {"load", "load", "＜ロード＞"}, {"reset", "confirm", "終了します。よろしいですか？"}};
  for (const Case& c : cases) {
    auto r = run(game(std::string("resettimer\nsystemcall ") + c.keyword + "\ngettimer %0\nend\n"),
                 "wait 1400\ndump d.json\nrclick 5 5\n");
    ASSERT_EQ(r.exitCode, 0) << c.keyword << r.stderrText;
    std::string d = dumpAt(r, "d.json");
    EXPECT_TRUE(has(d, std::string("\"systemMenu\":{\"kind\":\"") + c.kind + "\",\"title\":\"" + c.title + "\""))
        << c.keyword << d;
    EXPECT_TRUE(has(r.dump, "\"systemMenu\":null"));
    EXPECT_GT(numVar(r.dump, 0), 800) << c.keyword << r.dump;  // left at the right click
  }

  // reset answered はい: back to *start (the global variable counts the starts).
  auto r = run(game("add %200,1\nif %200 == 2 end\nsystemcall reset\nmov %1,9\nend\n"), std::string("wait 1400\n") + kYes);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(r.dump, "\"200\":2")) << r.dump;
  EXPECT_FALSE(has(r.dump, "\"1\":9"));
  // resetdlg: the box; "no" goes on, yes starts again.
  r = run(game("add %200,1\nif %200 == 3 end\nsystemcall resetdlg\nmov %1,%200\nsystemcall resetdlg\nend\n"),
          "answer no\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(r.stderrText, "[タイトルに戻る] タイトルに戻ります。よろしいですか？")) << r.stderrText;
  EXPECT_TRUE(has(r.dump, "\"200\":3")) << r.dump;  // no, then yes (the default), then the end

  // skip: the window menu's 選択肢まで進む.
  r = run(game("systemcall skip\nwait 10\nend\n"), "");
  EXPECT_TRUE(has(r.dump, "\"skip\":true")) << r.dump;
  // lookback: the text log until a right click; windowerase: the window hidden until a click.
  r = run(game("!s0あ\\\nい\\\nresettimer\nsystemcall lookback\ngettimer %0\nsystemcall windowerase\ngettimer %1\nend\n"),
          "wait 1100\nclick 1 1\nwait 100\nclick 1 1\nwait 300\nrclick 5 5\nwait 200\ndump w.json\nclick 1 1\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_NEAR(numVar(r.dump, 0), 300, 20) << r.dump;
  EXPECT_NEAR(numVar(r.dump, 1), 500, 20) << r.dump;
  EXPECT_TRUE(has(dumpAt(r, "w.json"), "\"windowShown\":false"));
  EXPECT_TRUE(has(r.dump, "\"windowShown\":true"));
  // lookback2: the window goes, emptied; savedlg keeps its string; the dialogs return.
  std::string saveDialogText;
  {
    GameFiles files{{"0.txt", sjisText(game("!s0あ@\nsystemcall lookback2\nsystemcall savedlg\nsystemcall savedlg,\"メモ\",\n"
                                            "systemcall loaddlg\nend\n"))}};
    RunOptions o;
    o.input = "wait 1100\nclick 1 1\n";
    o.inspect = [&](Engine& e) { saveDialogText = sjisToUtf8(e.ui.saveDialogText); };
    r = runGame(files, o);
  }
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_EQ(saveDialogText, "メモ");
  EXPECT_TRUE(has(r.dump, "\"windowShown\":false")) << r.dump;
  EXPECT_TRUE(has(r.dump, "\"cursorColumn\":0"));

  // systemcall rmenu is a right click: the menu of rmenu.
  r = run(game("systemcall rmenu\nend\n"), "wait 1300\ndump m.json\nrclick 5 5\n");
  std::string m = dumpAt(r, "m.json");
  EXPECT_TRUE(has(m, "\"kind\":\"rightClick\"")) << m;
  EXPECT_TRUE(has(m, "{\"text\":\"ロード\",\"x\":281,\"y\":212,\"width\":78,\"height\":28")) << m;
}

TEST(SystemMenu, RightClickModesAndSystemcall) {
  // roff: a right click does nothing, systemcall save still shows its list.
  auto r = run(game("roff\n!s0あ@\nresettimer\nsystemcall save\ngettimer %0\nend\n"),
               "wait 1100\nrclick 5 5\nwait 100\ndump a.json\nclick 1 1\nwait 300\nrclick 5 5\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(dumpAt(r, "a.json"), "\"systemMenu\":null"));
  EXPECT_NEAR(numVar(r.dump, 0), 300, 20) << r.dump;
  // rmode 0: the same.
  r = run(game("rmode 0\n!s0あ@\nresettimer\nsystemcall save\ngettimer %0\nend\n"),
          "wait 1100\nrclick 5 5\nwait 100\ndump a.json\nclick 1 1\nwait 300\nrclick 5 5\n");
  EXPECT_TRUE(has(dumpAt(r, "a.json"), "\"systemMenu\":null"));
  EXPECT_NEAR(numVar(r.dump, 0), 300, 20) << r.dump;
  // rlookback: every systemcall shows the text log (which a right click leaves).
  r = run(game("rlookback\n!s0あ\\\nresettimer\nsystemcall save\ngettimer %0\nend\n"),
          "wait 1100\nclick 1 1\nwait 200\ndump a.json\nwait 100\nrclick 5 5\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(dumpAt(r, "a.json"), "\"systemMenu\":null"));
  EXPECT_NEAR(numVar(r.dump, 0), 300, 20) << r.dump;
  // rgosub: systemcall does nothing.
  r = run(game("rgosub *r\nresettimer\nsystemcall save\nsystemcall load\ngettimer %0\nend\n*r\nreturn\n"), "");
  EXPECT_LT(numVar(r.dump, 0), 10) << r.dump;
  // From a choice: the menu shows its own items, then the choice is back, waiting.
  r = run(game("!s0\nselect \"いち\",*a,\"に\",*a\n*a\nend\n"), "wait 1100\nrclick 5 5\nwait 100\ndump m.json\nrclick 5 5\nwait 100\ndump c.json\n");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(has(dumpAt(r, "m.json"), "\"choice\":{\"options\":[\"セーブ\"")) << dumpAt(r, "m.json");
  EXPECT_TRUE(has(dumpAt(r, "c.json"), "\"choice\":{\"options\":[\"いち\",\"に\"]")) << dumpAt(r, "c.json");
  EXPECT_TRUE(has(dumpAt(r, "c.json"), "\"systemMenu\":null"));
  // A right click while the menu is open does not open a second one; it leaves the menu.
  r = run(game("!s0あ@\nend\n"), "wait 1100\nrclick 5 5\nwait 100\nrclick 5 5\nwait 100\ndump a.json\nclick 1 1\n");
  EXPECT_TRUE(has(dumpAt(r, "a.json"), "\"systemMenu\":null"));
  EXPECT_EQ(r.exitCode, 0);
}

TEST(SystemMenu, ResetKeepsTheRightClickAndDefineresetRestoresIt) {
  auto state = [](const std::string& body) {
    GameFiles files{{"0.txt", sjisText(game(body))}};
    RunOptions o;
    std::pair<int, int> s{-9, -9};
    o.inspect = [&](Engine& e) { s = {static_cast<int>(e.ui.rightClickAction), e.ui.rightClickOn}; };
    auto r = runGame(files, o);
    EXPECT_EQ(r.exitCode, 0) << r.stderrText;
    return s;
  };
  // reset (and the menu's return to the start) keeps rmode and the action.
  EXPECT_EQ(state("add %200,1\nif %200 == 2 end\nroff\nrmode 0\nreset\n"), std::make_pair(-2, 0));
  // definereset starts the engine again from its defaults: rmode on, and the define block's
  // rmenu in place of the game's roff.
  EXPECT_EQ(state("if lchk *again end\n*again\nroff\nrmode 0\ndefinereset\n"), std::make_pair(1, 1));
}

TEST(SystemMenu, NoReturnsToTheListARightClickLeavesAndEmptySlotsRefuse) {
  GameFiles files{{"v/open.wav", std::string()}};
  auto r = run(game("!s0あ@\nend\n"),
               "wait 1100\nrclick 5 5\nwait 200\nclick 320 " + std::to_string(rightMenuY(0)) + "\nwait 200\nclick 320 " +
                   std::to_string(slotY(2)) + "\nwait 200\ndump q.json\n" + kNo + "wait 1200\ndump l.json\nrclick 5 5\n" +
                   "wait 1200\ndump after.json\nclick 1 1\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  std::string q = dumpAt(r, "q.json");
  EXPECT_TRUE(has(q, "\"kind\":\"confirm\",\"title\":\"しおり２にセーブします。よろしいですか？\"")) << q;
  EXPECT_TRUE(has(q, "{\"text\":\"はい　\",\"x\":216,\"y\":268,\"width\":78,\"height\":28")) << q;
  EXPECT_TRUE(has(dumpAt(r, "l.json"), "\"kind\":\"save\"")) << dumpAt(r, "l.json");
  // The right click left the slot list and with it the whole menu.
  EXPECT_TRUE(has(dumpAt(r, "after.json"), "\"systemMenu\":null"));
  EXPECT_FALSE(std::filesystem::exists(r.gameDir + "/save2.dat"));

  // The load list: a missing slot cannot be chosen; the list stays.
  r = run(game("!s0あ@\nend\n"), "wait 1100\nrclick 5 5\nwait 200\nclick 320 " + std::to_string(rightMenuY(1)) +
                                    "\nwait 200\nclick 320 " + std::to_string(slotY(4)) +
                                    "\nwait 200\ndump l.json\nrclick 5 5\nwait 100\nclick 1 1\n");
  std::string l = dumpAt(r, "l.json");
  EXPECT_TRUE(has(l, "\"kind\":\"load\"")) << l;
  EXPECT_TRUE(has(l, "{\"text\":\"しおり４　－－－－－－－－－－－－\",\"x\":99,\"y\":240,\"width\":442,\"height\":28,"
                     "\"available\":false}"))
      << l;
  EXPECT_TRUE(has(l, "\"highlighted\":3"));
}

TEST(SystemMenu, MenuVoicesPlayForEachStep) {
  GameFiles voices;
  for (const char* v : {"open", "cancel", "over", "choose", "refuse", "yes", "no"})
    voices[std::string(v) + ".wav"] = tinyWav();
  const std::string define = std::string(kMenuDefine) +
                             "menuselectvoice \"open.wav\",\"cancel.wav\",\"over.wav\",\"choose.wav\",\"refuse.wav\","
                             "\"yes.wav\",\"no.wav\"\n";
  // The load list opens under the pointer that chose ロード, which rests on slot 3 (over);
  // the pointer onto slot 4 (over), a click on it (empty: refuse), a right click (cancel).
  const std::string steps[][2] = {
      {"wait 1100\nrclick 5 5\nwait 100\nclick 320 " + std::to_string(rightMenuY(1)) + "\nwait 100\n", "over.wav"},
      {"move 320 " + std::to_string(slotY(4)) + "\nwait 100\n", "over.wav"},
      {"click 320 " + std::to_string(slotY(4)) + "\nwait 100\n", "refuse.wav"},
      {"rclick 5 5\nwait 100\n", "cancel.wav"},
  };
  std::string input;
  for (size_t i = 0; i < 4; ++i) input += steps[i][0] + "dump v" + std::to_string(i) + ".json\n";
  auto r = run(game("!s0あ@\nend\n", define), input + "click 1 1\n", voices);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  for (size_t i = 0; i < 4; ++i)
    EXPECT_TRUE(has(dumpAt(r, "v" + std::to_string(i) + ".json"), "\"wave\":{\"name\":\"" + steps[i][1] + "\""))
        << steps[i][1] << dumpAt(r, "v" + std::to_string(i) + ".json");
  // Saving: choose, then yes.
  r = run(game("!s0あ@\nend\n", define),
          "wait 1100\nrclick 5 5\nwait 100\nclick 320 " + std::to_string(rightMenuY(0)) + "\nwait 100\nclick 320 " +
              std::to_string(slotY(1)) + "\nwait 50\ndump c.json\nwait 50\n" + kYes + "wait 50\ndump y.json\nclick 1 1\n",
          voices);
  EXPECT_TRUE(has(dumpAt(r, "c.json"), "\"wave\":{\"name\":\"open.wav\""));  // the question opened
  EXPECT_TRUE(has(dumpAt(r, "y.json"), "\"wave\":{\"name\":\"yes.wav\""));
  EXPECT_TRUE(std::filesystem::exists(r.gameDir + "/save1.dat"));
}

TEST(SystemMenu, DamagedSaveInTheLoadListIsRefusedAndTheGameGoesOn) {
  auto r = run(game("mov %1,5\n!s0あ@\nmov %2,%1\nend\n"),
               "wait 1100\nrclick 5 5\nwait 200\nclick 320 " + std::to_string(rightMenuY(1)) + "\nwait 200\nclick 320 " +
                   std::to_string(slotY(1)) + "\nwait 200\n" + kYes + "wait 1200\nclick 1 1\n",
               {{"save1.dat", std::string(12, '\0') + std::string(70000, 'x')}});
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(r.stderrText, "[ロードエラー] セーブデータsave1.datが壊れているため、ロードできません。"));
  EXPECT_TRUE(has(r.dump, "\"2\":5")) << r.dump;
}

TEST(SystemMenu, SlotLinesShowTheFileTimeInFullWidth) {
  const std::string label = sj("しおり");
  SlotTime t{3, 5, 9, 7};
  EXPECT_EQ(sjisToUtf8(slotMenuLine(label, 3, 12, &t)), "しおり　３　　３月　５日　９時０７分");
  EXPECT_EQ(sjisToUtf8(slotMenuLine(label, 12, 12, &t)), "しおり１２　　３月　５日　９時０７分");
  SlotTime late{12, 31, 23, 59};
  EXPECT_EQ(sjisToUtf8(slotMenuLine(label, 9, 9, &late)), "しおり９　１２月３１日２３時５９分");
  EXPECT_EQ(sjisToUtf8(slotMenuLine(label, 1, 9, nullptr)), "しおり１　－－－－－－－－－－－－");

  // From a file: savenumber 12 lists twelve slots, slot 12's date from its modification time.
  GameDir g({{"0.txt", sjisText(game("systemcall load\nend\n", "savenumber 12\n"))}, {"save12.dat", "x"}});
  struct tm tm {};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 5;
  tm.tm_hour = 9;
  tm.tm_min = 7;
  tm.tm_isdst = -1;
  struct timeval tv[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
  ASSERT_EQ(::utimes((g.path() + "/save12.dat").c_str(), tv), 0);
  std::string in = g.scratch() + "/in.txt";
  const std::string input = "wait 1300\ndump d.json\nrclick 5 5\n";
  fs::writeHostFile(in, input.data(), input.size());
  auto r = runVeloria("--headless --timeout 60000 --input " + in + " " + g.path(), "cd " + g.scratch() + " &&");
  ASSERT_EQ(r.code, 0) << r.output;
  std::string d = fileText(g.scratch() + "/d.json");
  EXPECT_TRUE(has(d, "\"text\":\"しおり１２　　３月　５日　９時０７分\"")) << d;
  EXPECT_TRUE(has(d, "\"text\":\"しおり　１　－－－－－－－－－－－－\""));
  EXPECT_FALSE(has(d, "しおり１３"));
}

TEST(SystemMenu, MenuLooksFollowTheStyleCommands) {
  // Glyphs 20x20 with pitch 24 x 30; highlighted red, normal green, unavailable blue.
  const std::string define =
      "menusetwindow 20,20,4,10,0,0,#000000\nmenuselectcolor #ff0000,#00ff00,#0000ff\nsavenumber 4\n";
  auto r = run(game("systemcall save\nend\n", define), "wait 1300\nmove 2 2\nwait 100\nquit\n",
               {{"save2.dat", std::string(16, '\0')}});
  // Title (white, the text colour) centred: x = 320 - 10 bytes * 24 / 4 = 260, y = 240 - 3 * 30 = 150.
  EXPECT_GT(countColor(r, 260, 150, 260 + 5 * 24, 170, 0xFFFFFF), 20);
  EXPECT_EQ(countColor(r, 0, 0, 640, 149, 0xFFFFFF), 0);
  // Lines from y = 240 - 1 * 30 = 210, 30 apart; 34 bytes wide from x = 320 - 34 * 24 / 4 = 116.
  const int x0 = 116, x1 = 116 + 17 * 24;
  EXPECT_GT(countColor(r, x0, 210, x1, 230, 0x0000FF), 20);  // slot 1: no file
  EXPECT_GT(countColor(r, x0, 240, x1, 260, 0x00FF00), 20);  // slot 2: a file
  EXPECT_EQ(countColor(r, x0, 240, x1, 260, 0x0000FF), 0);
  EXPECT_EQ(countColor(r, 0, 330, 640, 480, 0x0000FF), 0);  // four lines only

  // Sizes out of range are bounded: the menu still opens and leaves.
  r = run(game("systemcall save\nsystemcall reset\nend\n", "menusetwindow -5,100000,-300,9999999,1,1\n"),
          "wait 1300\nrclick 5 5\nwait 100\nrclick 5 5\n");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText;

  // The pointer over slot 3 highlights it.
  r = run(game("systemcall save\nend\n", define), "wait 1300\nmove 320 275\nwait 100\nquit\n");
  EXPECT_GT(countColor(r, x0, 270, x1, 290, 0xFF0000), 20);
  EXPECT_EQ(countColor(r, x0, 210, x1, 230, 0xFF0000), 0);
}

TEST(SystemMenu, ScriptErrors) {
  struct Case {
    std::string script;
    const char* message;
  } cases[] = {
      {game("end\n", "rmenu \"a\",save,\"b\",frob\n"), "rmenu命令へのパラメータが間違っています。"},
      {game("end\n", "rmenu \"a\",savedlg\n"), "rmenu命令へのパラメータが間違っています。"},
      {game("systemcall frob\nend\n"), "systemcall命令へのパラメータが間違っています。"},
      {game("end\n", "menuselectcolor #ffffff,aaaaaa,#000000\n"), "menuselectcolorのパラメータが違います。"},
  };
  for (const Case& c : cases) {
    auto r = run(c.script, "");
    EXPECT_EQ(r.exitCode, 1) << c.message;
    EXPECT_EQ(r.errorCaption, "エラー") << c.message;
    EXPECT_TRUE(has(r.errorMessage, c.message)) << r.errorMessage;
  }
  // Beyond sixteen items the rest are left out, with a note.
  std::string many = "rmenu ";
  for (int i = 0; i < 20; ++i) many += std::string(i ? "," : "") + "\"項目\",skip";
  auto r = run(game("end\n", many + "\n"), "");
  EXPECT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(r.stderrText, "only the first 16 items"));
}

TEST(SystemMenu, AutoplayLeavesMenusTheScriptOpens) {
  GameFiles files{{"0.txt", sjisText(game("systemcall save\nsystemcall reset\nsystemcall resetdlg\nmov %1,1\nend\n"))}};
  RunOptions o;
  o.autoplay = true;
  o.timeoutMs = 60000;
  auto r = runGame(files, o);
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(r.dump, "\"1\":1")) << r.dump;
  EXPECT_TRUE(has(r.stderrText, "autoplay leaves the system menu"));
}

TEST(SystemMenu, MenuCommandsReachTheWindow) {
  // killmenu removes menu-bar entries by position; numbers outside the bar do nothing. The
  // runs end at their time limit inside a wait, so the bar is still there to look at.
  auto entries = [](const std::string& killmenu) {
    GameFiles files{{"0.txt", sjisText(game(killmenu + "click\nend\n"))}};
    RunOptions o;
    o.timeoutMs = 3000;
    std::vector<std::string> names;
    o.inspect = [&](Engine& e) {
      for (const auto& item : e.platform.menu().items()) names.push_back(item.text);
    };
    runGame(files, o);
    return names;
  };
  auto all = entries("");
  auto fewer = entries("killmenu 1\nkillmenu 99\nkillmenu -1\nkillmenu 0\n");
  ASSERT_GE(all.size(), 3u);
  ASSERT_EQ(fewer.size(), all.size() - 2);
  EXPECT_EQ(fewer[0], all[2]);

  auto r = run(game("menu_click_page\nmenu_automode\nend\n"), "");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(r.dump, "\"pageOnly\":true")) << r.dump;
  EXPECT_TRUE(has(r.dump, "\"auto\":true")) << r.dump;
  r = run(game("menu_click_page\nmenu_click_def\nend\n"), "");
  EXPECT_TRUE(has(r.dump, "\"pageOnly\":false")) << r.dump;
}

TEST(SystemMenuKeys, ArrowsAndEnterSaveThroughEveryMenuAndEscLeaves) {
  // The right-click menu: the first press takes セーブ, Enter chooses it. The slot list opens
  // with the slot under the pointer (which followed セーブ) lit: slot 2; Down, Enter: slot 3.
  // The question: Left from the pointer over neither answer is はい; Enter.
  auto r = run(game("!s0あ@\nend\n"),
               "wait 1100\nrclick 5 5\nwait 100\nkey down\nwait 20\nkey enter\nwait 100\ndump list.json\nkey down\n"
               "wait 20\nkey enter\nwait 100\nkey left\nwait 20\ndump q.json\nkey enter\nwait 200\ndump after.json\n"
               "click 1 1\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  std::string list = dumpAt(r, "list.json");
  EXPECT_TRUE(has(list, "\"kind\":\"save\"")) << list;
  EXPECT_TRUE(has(list, "\"highlighted\":1")) << list;
  std::string q = dumpAt(r, "q.json");
  EXPECT_TRUE(has(q, "\"kind\":\"confirm\",\"title\":\"しおり３にセーブします。よろしいですか？\"")) << q;
  EXPECT_TRUE(has(q, "\"highlighted\":0")) << q;
  EXPECT_TRUE(has(dumpAt(r, "after.json"), "\"systemMenu\":null"));
  EXPECT_TRUE(std::filesystem::exists(r.gameDir + "/save3.dat"));
  EXPECT_FALSE(std::filesystem::exists(r.gameDir + "/save2.dat"));

  // Esc leaves the right-click menu and, from the slot list, the whole menu, as the right
  // button does; so does the gamepad's B. The page's click wait goes on after.
  r = run(game("!s0あ@\nmov %1,1\nend\n"),
          "wait 1100\nrclick 5 5\nwait 100\nkey esc\nwait 100\ndump a.json\nrclick 5 5\nwait 100\nkey down\n"
          "key enter\nwait 100\ndump b.json\nkey esc\nwait 100\ndump c.json\npad b\nwait 100\ndump d.json\npad b\n"
          "wait 100\ndump e.json\nclick 1 1\n");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText;
  EXPECT_TRUE(has(dumpAt(r, "a.json"), "\"systemMenu\":null")) << dumpAt(r, "a.json");
  EXPECT_TRUE(has(dumpAt(r, "b.json"), "\"kind\":\"save\"")) << dumpAt(r, "b.json");
  EXPECT_TRUE(has(dumpAt(r, "c.json"), "\"systemMenu\":null")) << dumpAt(r, "c.json");
  EXPECT_TRUE(has(dumpAt(r, "d.json"), "\"kind\":\"rightClick\"")) << dumpAt(r, "d.json");
  EXPECT_TRUE(has(dumpAt(r, "e.json"), "\"systemMenu\":null")) << dumpAt(r, "e.json");
  EXPECT_EQ(numVar(r.dump, 1), 1);
}
