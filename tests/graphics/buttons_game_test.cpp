// Button menus in whole games: read from real script lines, answered by autoplay, and seen
// in the state dump while the wait runs.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/bmp_writer.h"
#include "support/game_runner.h"

namespace veloria {
namespace {

using test::GameFiles;
using test::runGame;

GameFiles menuGame(const std::string& beforeWait) {
  GameFiles files;
  files["look.bmp"] = test::solidBmp(100, 20, 0xFF0000);
  files["0.txt"] =
      "*define\n"
      "game\n"
      "*start\n"
      "bg #000000,1\n"
      "btndef \"look.bmp\"\n"
      "btn 1, 10, 10, 40, 20, 0, 0\n"
      "btn 2, 100, 10, 40, 20, 0, 0\n" +
      beforeWait +
      "btnwait %5\n"
      "end\n";
  return files;
}

TEST(ButtonGame, AutoplayTakesTheFirstButtonTheMaskAllows) {
  test::RunOptions o;
  o.autoplay = true;
  auto run = runGame(menuGame(""), o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_NE(run.dump.find("\"numVars\":{\"5\":1}"), std::string::npos) << run.dump;
  auto masked = runGame(menuGame("maskbtn 1\n"), o);
  EXPECT_NE(masked.dump.find("\"numVars\":{\"5\":2}"), std::string::npos) << masked.dump;
}

TEST(ButtonGame, DumpListsTheButtonsWhileTheWaitRuns) {
  test::RunOptions o;
  o.input = "wait 3000\ndump during.json\nwait 10\nclick 110 15\n";
  auto run = runGame(menuGame(""), o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_NE(run.dump.find("\"numVars\":{\"5\":2}"), std::string::npos) << run.dump;
  EXPECT_NE(run.dump.find("\"buttons\":[]"), std::string::npos) << run.dump;
  auto during = fs::readHostFile(fs::joinHost(run.gameDir, "during.json"));
  ASSERT_TRUE(during);
  const std::string json(during->begin(), during->end());
  EXPECT_NE(json.find("\"buttons\":[{\"number\":1,\"kind\":\"image\",\"x\":10,\"y\":10,\"width\":40,\"height\":20},"
                      "{\"number\":2,\"kind\":\"image\",\"x\":100,\"y\":10,\"width\":40,\"height\":20}]"),
            std::string::npos)
      << json;
}

TEST(ButtonGame, ScriptErrorsNameTheLine) {
  GameFiles files = menuGame("");
  files["0.txt"] = "*define\ngame\n*start\nbtnwait 5\nend\n";
  auto run = runGame(files);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.errorCaption, "構文エラー");
  EXPECT_NE(run.errorMessage.find("btnwaitの第一引数は数字変数です。"), std::string::npos);
  EXPECT_NE(run.errorMessage.find("0.txt line:4"), std::string::npos);
}

TEST(ButtonGame, DumpShowsTheControlStringsOfCompositeButtons) {
  GameFiles files;
  files["look.bmp"] = test::solidBmp(100, 20, 0xFF0000);
  files["0.txt"] =
      "*define\n"
      "game\n"
      "*start\n"
      "lsp 30,\":c;look.bmp\",10,10\n"
      "lsph 40,\":c;look.bmp\",100,100\n"
      "btn 7,300,300,10,10,0,0\n"
      "exbtn 30,1,\"P40\"\n"
      "exbtn_d \"c40\"\n"
      "btnwait %5\n"
      "end\n";
  test::RunOptions o;
  o.input = "wait 3000\ndump during.json\nwait 10\nclick 15 15\n";
  auto run = runGame(files, o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_NE(run.dump.find("\"numVars\":{\"5\":1}"), std::string::npos) << run.dump;
  EXPECT_NE(run.dump.find("\"buttons\":[],\"buttonDefaultControl\":\"\""), std::string::npos) << run.dump;
  auto during = fs::readHostFile(fs::joinHost(run.gameDir, "during.json"));
  ASSERT_TRUE(during);
  const std::string json(during->begin(), during->end());
  // Only the composite button carries a control string.
  EXPECT_NE(json.find("\"buttons\":[{\"number\":7,\"kind\":\"image\",\"x\":300,\"y\":300,\"width\":10,\"height\":10},"
                      "{\"number\":1,\"kind\":\"sprite\",\"x\":10,\"y\":10,\"width\":100,\"height\":20,"
                      "\"control\":\"P40\"}],\"buttonDefaultControl\":\"c40\""),
            std::string::npos)
      << json;
}

}  // namespace
}  // namespace veloria

namespace veloria {
namespace {

// Four buttons in a square: 1 and 2 on top, 3 and 4 below; two waits that keep them.
test::GameFiles gridGame() {
  test::GameFiles files;
  files["look.bmp"] = test::solidBmp(200, 130, 0xFF0000);
  files["0.txt"] =
      "*define\ngame\n*start\nbg #000000,1\nbtndef \"look.bmp\"\n"
      "btn 1, 10, 10, 40, 20, 0, 0\nbtn 2, 100, 10, 40, 20, 0, 0\n"
      "btn 3, 10, 100, 40, 20, 0, 0\nbtn 4, 100, 100, 40, 20, 0, 0\n"
      "btnwait2 %5\nbtnwait2 %6\nbtnwait2 %7\nend\n";
  return files;
}

int numVar(const std::string& dump, int i) {
  const std::string key = "\"" + std::to_string(i) + "\":";
  const size_t at = dump.find(key, dump.find("\"numVars\""));
  return at == std::string::npos ? 0 : std::atoi(dump.c_str() + at + key.size());
}

TEST(ButtonKeys, ArrowsGoToTheNearestButtonThatWayAndEnterOrSpaceClicks) {
  test::RunOptions o;
  // From button 1: down to 3, right to 4, up to 2, Enter. Then from 2 (the pointer stayed):
  // right has nothing further, so it stays; left to 1, Space. Then the pointer is moved
  // off every button: the first arrow goes to the nearest button that way.
  o.input = "wait 3000\nmove 20 15\nwait 20\nkey down\nkey right\nwait 20\nkey up\nwait 20\nkey enter\nwait 300\n"
            "key right\nwait 20\nkey left\nwait 20\nkey space\nwait 300\nmove 300 300\nwait 20\nkey up\nwait 20\n"
            "key enter\nwait 300\n";
  auto run = runGame(gridGame(), o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(numVar(run.dump, 5), 2) << run.dump;
  EXPECT_EQ(numVar(run.dump, 6), 1) << run.dump;
  EXPECT_EQ(numVar(run.dump, 7), 4) << run.dump;
}

TEST(ButtonKeys, AGamepadTakesAWholeButtonMenu) {
  test::RunOptions o;
  // The first press with the pointer over none and no button that way: the first button;
  // then right and down to 4 and A. B is the right click (-1), then down, A: 3.
  o.input = "wait 3000\npad up\nwait 20\npad right\nwait 20\npad down\nwait 20\npad a\nwait 300\npad b\nwait 300\n"
            "pad left\nwait 20\npad a\nwait 300\n";
  auto run = runGame(gridGame(), o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(numVar(run.dump, 5), 4) << run.dump;
  EXPECT_EQ(numVar(run.dump, 6), -1) << run.dump;
  EXPECT_EQ(numVar(run.dump, 7), 3) << run.dump;
}

}  // namespace
}  // namespace veloria
