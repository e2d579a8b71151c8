// Saved games in whole headless runs: the save point, `save N` / `load N`, what a load
// brings back, and damaged files.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/engine.h"
#include "support/gfx_engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {

std::string fileText(const std::string& dir, const std::string& name) {
  auto d = fs::readHostFile(dir + "/" + name);
  return d ? std::string(d->begin(), d->end()) : std::string("<missing>");
}

// A game whose state touches most kinds of item: variables (both kinds, long strings), the
// call stack, sprites (one hidden), a colour background, monocro, text settings.
const char* kRichScript =
    "*define\n"
    "game\n"
    "*start\n"
    "mov %1,42\n"
    "mov %199,-7\n"
    "mov $2,\"ことば\"\n"
    "mov $199,\"\"\n"
    "lsp 3,\"sp.bmp\",10,20\n"
    "lsph 4,\"sp.bmp\",30,40\n"
    "bg #336699,1\n"
    "gosub *sub\n"
    "end\n"
    "*sub\n"
    "click\n"
    "click\n"
    "return\n";

GameFiles richGame() {
  return {{"0.txt", sjisText(kRichScript)}, {"sp.bmp", solidBmp(8, 8, 0xFF0000)}};
}

}  // namespace

TEST(SaveGame, SaveLoadSaveGivesTheSameBytesAndTheSameGame) {
  RunOptions o;
  // Saved at the first click (the game starts half a second in); loaded, which ends the
  // wait and brings the game back to the first click; saved again.
  o.input = "wait 1000\nsave 1\nsave 2\nwait 100\nload 1\nclick 1 1\nwait 100\nsave 3\nwait 100\nquit\n";
  int32_t depth = -1, var1 = 0;
  std::string str2, sprite4;
  int32_t sprite4Visible = -1;
  bool sprite3Loaded = false;
  o.inspect = [&](Engine& e) {
    sprite3Loaded = e.gfx.sprites[3].image.hasPicture() && e.gfx.sprites[3].visible;
    depth = e.script.callStack.depth;
    var1 = e.script.numVars[1];
    str2 = sjisToUtf8(e.script.strVars[2]);
    sprite4 = e.gfx.sprites[4].name;
    sprite4Visible = e.gfx.sprites[4].visible;
  };
  auto run = runGame(richGame(), o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  std::string a = fileText(run.gameDir, "save1.dat");
  ASSERT_GT(a.size(), 10000u);
  EXPECT_EQ(a, fileText(run.gameDir, "save2.dat"));  // saving twice without advancing
  EXPECT_EQ(a, fileText(run.gameDir, "save3.dat"));  // after the load: the same state again
  EXPECT_EQ(depth, 1);
  EXPECT_EQ(var1, 42);
  EXPECT_EQ(str2, "ことば");
  EXPECT_EQ(sprite4, "sp.bmp");
  EXPECT_EQ(sprite4Visible, 0);  // a hidden sprite comes back hidden
  EXPECT_EQ(pixelAt(run, 600, 400), 0x336699u);
  EXPECT_TRUE(sprite3Loaded);
}

TEST(SaveGame, TheNextProcessLoadsTheSaveAndGoesOnAtTheSamePage) {
  const char* script =
      "*define\ngame\n*start\n"
      "mov %5,1\n"
      "最初のページ。\\\n"
      "mov %5,2\n"
      "二番目のページ。\\\n"
      "三番目のページ。\\\n"
      "end\n";
  GameFiles files{{"0.txt", sjisText(script)}};
  RunOptions first;
  first.input = "wait 1000\nclick 1 1\nwait 1000\nsave 7\nwait 100\nquit\n";
  auto one = runGame(files, first);
  ASSERT_EQ(one.exitCode, 0) << one.stderrText;
  files["save7.dat"] = fileText(one.gameDir, "save7.dat");

  RunOptions second;
  second.input = "wait 1000\nload 7\nwait 1000\ndump state.json\nquit\n";
  int32_t v5 = 0;
  second.inspect = [&](Engine& e) { v5 = e.script.numVars[5]; };
  auto two = runGame(files, second);
  ASSERT_EQ(two.exitCode, 0) << two.stderrText;
  EXPECT_EQ(v5, 2);
  std::string dump = fileText(two.gameDir, "state.json");
  EXPECT_NE(dump.find("二番目のページ。"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("最初のページ"), std::string::npos);
}

TEST(SaveGame, DamagedFilesAreRefusedWithABoxAndTheGameGoesOn) {
  const char* script = "*define\ngame\n*start\nmov %1,5\nclick\nmov %2,%1\nend\n";
  auto intLE = [](int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
  };
  // A real save, then the same with one value out of range at a time.
  GameFiles files{{"0.txt", sjisText(script)}};
  RunOptions save;
  save.input = "wait 1000\nsave 1\nwait 100\nquit\n";
  auto made = runGame(files, save);
  std::string good = fileText(made.gameDir, "save1.dat");
  ASSERT_GT(good.size(), 10000u);
  // Offsets of items in the file the test can find without the engine: the log page is the
  // first string (item 4) and ends at the first NUL after the three leading ints.
  size_t afterLog = good.find('\0', 12) + 1;
  std::string badLogPos = good;
  badLogPos.replace(afterLog, 4, intLE(20000));
  std::string hugeString = good.substr(0, 12) + std::string(70000, 'x');  // then ends

  // Cut short: without its last item (the button picture's name, here only its NUL), in the
  // middle, after two items, or empty. Read as zeros, each would have loaded a blank game.
  ASSERT_EQ(good.back(), '\0');
  const std::vector<std::string> bads = {badLogPos,          hugeString, good.substr(0, good.size() - 1),
                                         good.substr(0, good.size() / 2), good.substr(0, 8), std::string()};
  for (const std::string& bad : bads) {
    files["save1.dat"] = bad;
    RunOptions o;
    o.input = "wait 1000\nload 1\nclick 1 1\n";
    int32_t v2 = -1;
    o.inspect = [&](Engine& e) { v2 = e.script.numVars[2]; };
    auto run = runGame(files, o);
    EXPECT_EQ(run.exitCode, 0) << run.stderrText;
    EXPECT_NE(run.stderrText.find("[ロードエラー] セーブデータsave1.datが壊れているため、ロードできません。"),
              std::string::npos)
        << run.stderrText;
    EXPECT_EQ(v2, 5);  // the game went on where it was
  }
}

TEST(SaveGame, SavingIsRefusedOutsideTheSlotsAndWithoutASavePoint) {
  GfxEngine g;
  Engine& e = g.e();
  EXPECT_FALSE(saveGame(e, 0));
  EXPECT_FALSE(saveGame(e, 21));
  EXPECT_FALSE(saveGame(e, 3));  // nothing taken yet: no empty file pretends to be a save
  EXPECT_FALSE(fs::exists("save3.dat"));
  takeSavePoint(e);
  EXPECT_TRUE(saveGame(e, 20));
  EXPECT_TRUE(fs::exists("save20.dat"));
  EXPECT_FALSE(loadGame(e, 19));  // no such file: nothing happens
}

TEST(SaveGame, SaveNumberAndNamesAndSavingOff) {
  const char* script =
      "*define\nsavenumber 12\nsavename \"セーブ\",\"ロード\",\"栞\"\nglobalon\ngame\n*start\n"
      "saveoff\nmov %1,1\nsaveon\nmov %1,2\nsaveoff\nmov %1,3\nclick\nend\n";
  RunOptions o;
  o.input = "wait 1000\nsave 12\nwait 100\nquit\n";
  int32_t slots = 0;
  std::string label;
  o.inspect = [&](Engine& e) {
    slots = e.save.saveSlotCount;
    label = sjisToUtf8(e.save.slotLabel);
  };
  auto run = runGame({{"0.txt", sjisText(script)}}, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(slots, 12);
  EXPECT_EQ(label, "栞");
  std::string save = fileText(run.gameDir, "save12.dat");
  ASSERT_NE(save, "<missing>");
  // The image is the last one taken before saveoff, just before that statement: %1 was 2
  // then, not 3.
  GfxEngine g;
  g.setScript(script);
  fs::writeHostFile(g.dir.path() + "/save12.dat", save.data(), save.size());
  fs::invalidateCache();
  ASSERT_TRUE(loadGame(g.e(), 12));
  EXPECT_EQ(g.e().script.numVars[1], 2);

  auto clamped = runGame({{"0.txt", sjisText("*define\nsavenumber 40\ngame\n*start\nend\n")}});
  EXPECT_NE(clamped.stderrText.find("savenumber 40"), std::string::npos);
}
