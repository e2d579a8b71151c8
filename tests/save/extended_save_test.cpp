// The extended layouts: a save holding a loop and a user command's frames and the game's own
// variables up to its border, gloval.sav from the border to 9999, and the base layouts kept
// byte for byte where nothing needs more.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/persist_formats.h"
#include "save/save_items.h"
#include "support/bmp_writer.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {

std::string fileText(const std::string& dir, const std::string& name) {
  auto d = fs::readHostFile(dir + "/" + name);
  return d ? std::string(d->begin(), d->end()) : std::string("<missing>");
}

bool marked(const std::string& bytes) {
  return bytes.find(std::string(reinterpret_cast<const char*>(kExtendedMarker), sizeof kExtendedMarker)) !=
         std::string::npos;
}

// Saved at the click inside the loop's second pass, inside a user command.
const char* kLoopScript =
    ";value 1000\n"
    "*define\n"
    "defsub show\n"
    "globalon\n"
    "game\n"
    "*start\n"
    "mov %999,77 : mov $999,\"own\" : mov %5000,5 : mov $1000,\"global\"\n"
    "for %1 = 1 to 3\n"
    "show %1 * 10\n"
    "next\n"
    "end\n"
    "*show\n"
    "getparam %2\n"
    "add %3,%2\n"
    "click\n"
    "return\n";

}  // namespace

TEST(ExtendedSave, FramesAndOwnVariablesComeBackAndTheLoopGoesOn) {
  RunOptions o;
  // The first click comes half a second in; the second pass's click is the save point.
  o.input = "wait 1000\nclick 1 1\nwait 100\nsave 1\nclick 1 1\nwait 100\nclick 1 1\nwait 100\nquit\n";
  auto run = runGame({{"0.txt", sjisText(kLoopScript)}}, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  const std::string save = fileText(run.gameDir, "save1.dat");
  ASSERT_TRUE(marked(save));
  SaveSnapshot s;
  ASSERT_TRUE(decodeSnapshot(reinterpret_cast<const uint8_t*>(save.data()), save.size(), 100000, s));
  ASSERT_TRUE(s.extended);
  EXPECT_EQ(s.globalBorder, 1000);
  ASSERT_EQ(s.frameCount, 2);
  EXPECT_EQ(s.frames[0].kind, 2);
  EXPECT_EQ(s.frames[0].var, 1);
  EXPECT_EQ(s.frames[0].end, 3);
  EXPECT_EQ(s.frames[1].kind, 1);
  EXPECT_EQ(s.frames[1].argsRead, 1);
  EXPECT_EQ(s.moreNumVars[999 - 200], 77);
  EXPECT_EQ(s.moreStrVars[999 - 200], "own");

  // gloval.sav: the extended layout, from the border up.
  const std::string globals = fileText(run.gameDir, "gloval.sav");
  ExtendedGlobals g;
  ASSERT_TRUE(decodeExtendedGlobals(reinterpret_cast<const uint8_t*>(globals.data()), globals.size(), g));
  EXPECT_EQ(g.border, 1000);
  EXPECT_EQ(g.numVars[5000 - 1000], 5);
  EXPECT_EQ(g.strVars[0], "global");

  // A new run loads slot 1: the loop's third pass follows, and the globals are back.
  GameFiles files{{"0.txt", sjisText(kLoopScript)}, {"save1.dat", save}, {"gloval.sav", globals}};
  RunOptions again;
  again.input = "wait 1000\nload 1\nwait 100\nclick 1 1\nwait 100\nclick 1 1\nwait 100\nquit\n";
  int32_t sum = 0, counter = 0, own = 0, global = 0;
  again.inspect = [&](Engine& e) {
    sum = e.script.numVars[3];
    counter = e.script.numVars[1];
    own = e.script.numVars[999];
    global = e.script.numVars[5000];
  };
  auto second = runGame(files, again);
  ASSERT_EQ(second.exitCode, 0) << second.stderrText;
  EXPECT_EQ(sum, 60);  // 10 + 20 saved, then 30
  EXPECT_EQ(counter, 4);
  EXPECT_EQ(own, 77);
  EXPECT_EQ(global, 5);
}

TEST(ExtendedSave, DamagedExtendedPartsAreRefused) {
  // A minimal snapshot, written extended, then spoilt one field at a time.
  SaveSnapshot s;
  s.extended = true;
  s.globalBorder = 300;
  s.moreVariables = 100;
  s.moreNumVars.assign(100, 1);
  s.moreStrVars.assign(100, "v");
  s.callDepth = 1;
  s.callStack[0] = 5;
  s.frameCount = 1;
  s.frames[0] = SaveSnapshot::FrameItem{2, 5, 0, 7, 10, 1};
  std::vector<uint8_t> good;
  encodeSnapshot(s, good);
  SaveSnapshot back;
  ASSERT_TRUE(decodeSnapshot(good.data(), good.size(), 100, back));
  EXPECT_EQ(back.frames[0].var, 7);
  EXPECT_EQ(back.moreStrVars[99], "v");

  auto spoilt = [&](auto change) {
    SaveSnapshot t = s;
    change(t);
    std::vector<uint8_t> bytes;
    encodeSnapshot(t, bytes);
    SaveSnapshot r;
    return !decodeSnapshot(bytes.data(), bytes.size(), 100, r);
  };
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.extendedVersion = kExtendedSaveVersion + 1; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.extendedVersion = 0; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.globalBorder = 0; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.frames[0].step = 0; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.frames[0].pos = 101; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.frames[0].kind = 3; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.frameCount = 0; }));
  // Cut anywhere inside the extended part: refused.
  for (size_t cut : {good.size() - 1, good.size() - 30})
    EXPECT_FALSE(decodeSnapshot(good.data(), cut, 100, back)) << cut;

  ExtendedGlobals g;
  g.border = 9998;
  g.numVars = {1, 2};
  g.strVars = {"a", "b"};
  std::vector<uint8_t> bytes;
  encodeExtendedGlobals(g, bytes);
  ExtendedGlobals h;
  ASSERT_TRUE(decodeExtendedGlobals(bytes.data(), bytes.size(), h));
  EXPECT_EQ(h.strVars[1], "b");
  bytes.push_back(0);
  EXPECT_FALSE(decodeExtendedGlobals(bytes.data(), bytes.size(), h));  // a byte too many
  bytes.resize(bytes.size() - 3);
  EXPECT_FALSE(decodeExtendedGlobals(bytes.data(), bytes.size(), h));
}

TEST(ExtendedSave, ADamagedGlobalFileIsRefusedWithTheBoxAndTheGameGoesOn) {
  std::string bad(reinterpret_cast<const char*>(kExtendedMarker), sizeof kExtendedMarker);
  bad += std::string("\x07\x00\x00\x00", 4);  // version 7
  int32_t v = -1;
  RunOptions o;
  o.inspect = [&](Engine& e) { v = e.script.numVars[1500]; };
  auto run = runGame({{"0.txt", sjisText(";value 1000\n*define\nglobalon\ngame\n*start\nadd %1500,1\nend\n")},
                      {"gloval.sav", bad}},
                     o);
  EXPECT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_EQ(v, 1);
  EXPECT_NE(run.stderrText.find("gloval.savが壊れているため"), std::string::npos) << run.stderrText;
}

TEST(ExtendedSave, WithoutTheNeedTheBaseLayoutsStay) {
  // An extended game with the base border and only subroutine frames writes base files.
  const char* script = "*define\ndefsub nop\nglobalon\ngame\n*start\nmov %300,1\ngosub *s\nend\n*s\nclick\nreturn\n*nop\nreturn\n";
  RunOptions o;
  o.input = "wait 1000\nsave 1\nclick 1 1\nwait 100\nquit\n";
  auto run = runGame({{"0.txt", sjisText(script)}}, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  EXPECT_FALSE(marked(fileText(run.gameDir, "save1.dat")));
  const std::string globals = fileText(run.gameDir, "gloval.sav");
  EXPECT_FALSE(marked(globals));
  EXPECT_EQ(globals.size(), static_cast<size_t>(kGlobalVariableCount) * 5);
}

namespace {

// Sprite 906 stands at the click where the game is saved; the border and frames need no
// extended part, so the sprite alone asks for it.
const char* kHighSpriteScript =
    ";value 200\n"
    "*define\n"
    "game\n"
    "*start\n"
    "bg #202020,1\n"
    "lsp 906,\":c;red.bmp\",30,40\n"
    "lsp 3,\":c;red.bmp\",200,40\n"
    "print 1\n"
    "click\n"
    "csp 906\n"
    "print 1\n"
    "click\n"
    "end\n";

}  // namespace

TEST(ExtendedSave, SpritesPast255ComeBackAndOnlyThemAskForTheExtendedPart) {
  GameFiles files{{"0.txt", sjisText(kHighSpriteScript)}, {"red.bmp", solidBmp(20, 10, 0xFF0000)}};
  RunOptions o;
  o.input = "wait 1000\nsave 1\nclick 1 1\nwait 100\nsave 2\nclick 1 1\nwait 100\nquit\n";
  auto run = runGame(files, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  const std::string withSprite = fileText(run.gameDir, "save1.dat");
  ASSERT_TRUE(marked(withSprite));
  SaveSnapshot s;
  ASSERT_TRUE(decodeSnapshot(reinterpret_cast<const uint8_t*>(withSprite.data()), withSprite.size(), 100000, s));
  EXPECT_EQ(s.extendedVersion, 2);
  const auto& item = s.highSprites[906 - kSavedSprites];
  EXPECT_EQ(item.name, ":c;red.bmp");
  EXPECT_EQ(item.x, 30);
  EXPECT_EQ(item.y, 40);
  EXPECT_EQ(item.visible, 1);
  EXPECT_EQ(s.sprites[3].x, 200);
  // Once sprite 906 is gone the save keeps the base layout.
  EXPECT_FALSE(marked(fileText(run.gameDir, "save2.dat")));

  // Loaded into a new run: sprite 906 is back and drawn.
  files["save1.dat"] = withSprite;
  RunOptions again;
  again.input = "wait 1000\nload 1\nwait 100\nscreenshot back.png\nquit\n";
  std::string name;
  again.inspect = [&](Engine& e) { name = e.gfx.sprites[906].name; };
  auto second = runGame(files, again);
  ASSERT_EQ(second.exitCode, 0) << second.stderrText;
  EXPECT_EQ(name, ":c;red.bmp");
  EXPECT_EQ(pixelAt(second, 35, 45), 0xFF0000u);

  // A version 1 file has no sprites past 255: loading it clears them.
  SaveSnapshot v1 = s;
  v1.extendedVersion = 1;
  v1.globalBorder = 300;  // a version 1 file needed a reason of its own
  v1.moreVariables = 100;
  v1.moreNumVars.assign(100, 0);
  v1.moreStrVars.assign(100, "");
  std::vector<uint8_t> bytes;
  encodeSnapshot(v1, bytes);
  EXPECT_LT(bytes.size(), withSprite.size() + 100 * 5);  // no sprite block written
  SaveSnapshot back;
  ASSERT_TRUE(decodeSnapshot(bytes.data(), bytes.size(), 100000, back));
  EXPECT_EQ(back.extendedVersion, 1);
  EXPECT_TRUE(back.highSprites[906 - kSavedSprites].name.empty());
  files["save1.dat"] = std::string(bytes.begin(), bytes.end());
  auto third = runGame(files, again);
  ASSERT_EQ(third.exitCode, 0) << third.stderrText;
  EXPECT_TRUE(name.empty());
  EXPECT_EQ(pixelAt(third, 35, 45), 0x202020u);
}

TEST(ExtendedSave, ABaseGameWithSpritesKeepsTheBaseLayout) {
  // The same scene in the base language: sprite 906 is passed over, 255 is saved in item 46.
  std::string script = kHighSpriteScript;
  script.erase(0, script.find('\n') + 1);
  script.replace(script.find("lsp 3,"), 6, "lsp 255,");
  RunOptions o;
  o.input = "wait 1000\nsave 1\nclick 1 1\nwait 100\nquit\n";
  auto run = runGame({{"0.txt", sjisText(script)}, {"red.bmp", solidBmp(20, 10, 0xFF0000)}}, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  const std::string save = fileText(run.gameDir, "save1.dat");
  ASSERT_FALSE(marked(save));
  SaveSnapshot s;
  ASSERT_TRUE(decodeSnapshot(reinterpret_cast<const uint8_t*>(save.data()), save.size(), 100000, s));
  EXPECT_FALSE(s.extended);
  EXPECT_EQ(s.sprites[255].name, ":c;red.bmp");
  // The file ends with item 70, the button picture's name (empty): nothing follows the base items.
  EXPECT_EQ(save.back(), '\0');
  EXPECT_EQ(save.substr(save.size() - 13), std::string("\1\0\0\0\0\0\0\0\1\0\0\0\0", 13));
}
