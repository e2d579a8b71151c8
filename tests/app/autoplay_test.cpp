// Autoplay strategies in whole games: explore leaves menu loops that the first option never
// leaves, every strategy plays a game the same way twice, and random follows its seed.
#include <gtest/gtest.h>

#include "app/autoplay_strategy.h"
#include "support/bmp_writer.h"
#include "support/game_runner.h"

namespace veloria {
namespace {

using test::GameFiles;
using test::runGame;
using test::sjisText;

std::shared_ptr<AutoplayStrategy> strategy(const char* choice) {
  auto parsed = parseAutoplayChoice(choice);
  EXPECT_TRUE(parsed) << choice;
  return parsed ? makeAutoplayStrategy(*parsed) : nullptr;
}

test::GameRun play(const GameFiles& files, const char* choice, uint32_t timeoutMs = 600000) {
  test::RunOptions o;
  o.autoplay = true;
  o.strategy = strategy(choice);
  o.timeoutMs = timeoutMs;
  return runGame(files, o);
}

bool reachedEnd(const test::GameRun& r) {
  return r.exitCode == 0 && r.dump.find("\"9\":1") != std::string::npos;
}

// Three menus, each of whose first option leads back into the loop; only the hub's last
// option reaches the end.
GameFiles menuLoop() {
  return {{"0.txt", sjisText("*define\ngame\n*start\n"
                             "*hub\nselect \"調べる\",*look,\"話す\",*hub,\"出る\",*out\n"
                             "*look\nselect \"机\",*desk,\"戻る\",*hub\n"
                             "*desk\nselect \"引き出し\",*hub,\"奥\",*look,\"戻る\",*hub\n"
                             "*out\nmov %9,1\nend\n")}};
}

GameFiles buttonLoop(const std::string& beforeWait = "") {
  GameFiles files;
  files["b.bmp"] = test::solidBmp(300, 20, 0x00FF00);
  files["0.txt"] =
      "*define\ngame\n*start\nbg #000000,1\n"
      "*menu\nbtndef \"b.bmp\"\n"
      "btn 1,10,10,40,20,0,0\nbtn 2,100,10,40,20,0,0\nbtn 3,200,10,40,20,0,0\n" +
      beforeWait +
      "btnwait %5\n"
      "if %5 == 3 mov %9,1\nif %5 == 3 end\n"
      "add %8,1\ngoto *menu\n";
  return files;
}

// csel hands its options to the script's own buttons.
GameFiles cselLoop() {
  return {{"0.txt", sjisText("*define\ngame\n*start\nbg #000000,1\n"
                             "*ask\ncsel \"もう一度\",*ask,\"考える\",*ask,\"進む\",*go\n"
                             "*customsel\ngetcselnum %0\n"
                             "cselbtn 0,0,10,10\ncselbtn 1,1,10,60\ncselbtn 2,2,10,110\n"
                             "btnwait2 %1\nif %1 < 0 goto *customsel\ncselgoto %1\n"
                             "*go\nmov %9,1\nend\n")}};
}

TEST(AutoplayStrategy, ParsesTheThreeNamesOnly) {
  EXPECT_EQ(parseAutoplayChoice("first")->kind, AutoplayChoice::Kind::First);
  EXPECT_EQ(parseAutoplayChoice("explore")->kind, AutoplayChoice::Kind::Explore);
  auto r = parseAutoplayChoice("random:18446744073709551615");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->kind, AutoplayChoice::Kind::Random);
  EXPECT_EQ(r->seed, UINT64_MAX);
  for (const char* bad : {"", "Explore", "random", "random:", "random:-1", "random:1x", "random:18446744073709551616"})
    EXPECT_FALSE(parseAutoplayChoice(bad)) << bad;
  EXPECT_EQ(makeAutoplayStrategy(*parseAutoplayChoice("first")), nullptr);
}

TEST(AutoplayStrategy, ExploreLeavesLoopsTheFirstOptionNeverLeaves) {
  // The first option goes round for ever; explore reaches the end of each game.
  EXPECT_EQ(play(menuLoop(), "first", 2000).exitCode, 3);
  EXPECT_TRUE(reachedEnd(play(menuLoop(), "explore")));
  EXPECT_EQ(play(buttonLoop(), "first", 2000).exitCode, 3);
  auto buttons = play(buttonLoop(), "explore");
  EXPECT_TRUE(reachedEnd(buttons)) << buttons.stderrText;
  // Buttons 1 and 2 had a turn each first.
  EXPECT_NE(buttons.dump.find("\"8\":2"), std::string::npos) << buttons.dump;
  auto csel = play(cselLoop(), "explore");
  EXPECT_TRUE(reachedEnd(csel)) << csel.stderrText << csel.dump;
}

TEST(AutoplayStrategy, ExploreTakesOnlyWhatTheMaskLetsAnswer) {
  // With 1 and 2 masked, the first answer is 3.
  auto only = play(buttonLoop("maskbtn 2\n"), "explore");
  EXPECT_TRUE(reachedEnd(only));
  EXPECT_EQ(only.dump.find("\"8\":"), std::string::npos) << only.dump;
}

// Ten choices of four options; %1 records the path taken as a number in base 4.
GameFiles tenChoices() {
  std::string s = "*define\ngame\n*start\n";
  for (int i = 0; i < 10; ++i) s += "selnum %2,\"あ\",\"い\",\"う\",\"え\"\nmul %1,4\nadd %1,%2\n";
  s += "mov %9,1\nend\n";
  return {{"0.txt", sjisText(s)}};
}

TEST(AutoplayStrategy, RunsAreReproducible) {
  // Explore twice: the same run, byte for byte.
  auto a = play(menuLoop(), "explore"), b = play(menuLoop(), "explore");
  EXPECT_EQ(a.dump, b.dump);
  EXPECT_EQ(a.endTimeMs, b.endTimeMs);
  // Random: one seed gives one path; another seed another.
  auto r1 = play(tenChoices(), "random:7"), r2 = play(tenChoices(), "random:7"), r3 = play(tenChoices(), "random:8");
  ASSERT_TRUE(reachedEnd(r1));
  EXPECT_EQ(r1.dump, r2.dump);
  EXPECT_NE(r1.dump, r3.dump);
  // Explore over ten fresh places takes each one's first option: path 0.
  auto e = play(tenChoices(), "explore");
  EXPECT_NE(e.dump.find("\"numVars\":{\"9\":1}"), std::string::npos) << e.dump;
}

}  // namespace
}  // namespace veloria
