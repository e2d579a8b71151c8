// Enhanced sprites in save files: written in the extended layout's second version, loaded back
// with their pictures, refused when damaged, and absent from first-version saves.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/save_items.h"
#include "support/bmp_writer.h"
#include "support/game_runner.h"

using namespace veloria;
using namespace veloria::test;

namespace {

const char* kScript =
    "*define\n"
    "game\n"
    "*start\n"
    "lsp2 3,\":c;b.bmp\",100,90,150,-50,30,200\n"
    "lsph2 7,\":c;b.bmp\",1,2,100,100,0\n"
    "print 1\n"
    "click\n"
    "end\n";

std::string fileText(const std::string& dir, const std::string& name) {
  auto d = fs::readHostFile(dir + "/" + name);
  return d ? std::string(d->begin(), d->end()) : std::string("<missing>");
}

}  // namespace

TEST(EnhancedSave, SavedWithTheSpritesAndLoadedWithTheirPictures) {
  const std::string picture = solidBmp(40, 20, 0x336699);
  RunOptions o;
  o.input = "wait 1000\nsave 1\nwait 100\nquit\n";
  auto run = runGame({{"0.txt", sjisText(kScript)}, {"b.bmp", picture}}, o);
  ASSERT_EQ(run.exitCode, 0) << run.stderrText;
  // The dump lists them.
  EXPECT_NE(run.dump.find("\"enhancedSprites\":[{\"number\":3,\"name\":\":c;b.bmp\",\"x\":100,\"y\":90,\"scaleX\":150,"
                          "\"scaleY\":-50,\"angle\":30,\"opacity\":200,\"visible\":true},{\"number\":7,"),
            std::string::npos)
      << run.dump;
  const std::string save = fileText(run.gameDir, "save1.dat");
  SaveSnapshot s;
  ASSERT_TRUE(decodeSnapshot(reinterpret_cast<const uint8_t*>(save.data()), save.size(), 100000, s));
  ASSERT_TRUE(s.extended);
  EXPECT_EQ(s.extendedVersion, 2);
  EXPECT_EQ(s.enhancedSprites[3].scaleY, -50);
  EXPECT_EQ(s.enhancedSprites[7].visible, 0);

  // The same save as the first version wrote it: no sprites past 255, no enhanced sprites.
  SaveSnapshot old = s;
  old.extendedVersion = 1;
  std::vector<uint8_t> oldBytes;
  encodeSnapshot(old, oldBytes);
  EXPECT_EQ(oldBytes.size() + kSavedHighSprites * (1 + 3 * 4) + 256 * (1 + 7 * 4) + 2 * 8,
            save.size());  // two names of 8 bytes
  SaveSnapshot back;
  ASSERT_TRUE(decodeSnapshot(oldBytes.data(), oldBytes.size(), 100000, back));
  EXPECT_TRUE(back.enhancedSprites[3].name.empty());

  // A new run loads slot 1: the sprites and their pictures are back. Loading slot 2 (first
  // version) then leaves none.
  GameFiles files{{"0.txt", sjisText(kScript)}, {"b.bmp", picture}, {"save1.dat", save},
                  {"save2.dat", std::string(oldBytes.begin(), oldBytes.end())}};
  RunOptions again;
  again.input = "wait 1000\nload 1\nwait 100\nquit\n";
  EnhancedSprite three, seven;
  again.inspect = [&](Engine& e) {
    three = e.gfx.enhancedSprites[3];
    seven = e.gfx.enhancedSprites[7];
  };
  auto second = runGame(files, again);
  ASSERT_EQ(second.exitCode, 0) << second.stderrText;
  EXPECT_EQ(three.name, ":c;b.bmp");
  EXPECT_EQ(three.angle, 30);
  EXPECT_EQ(three.opacity, 200);
  EXPECT_TRUE(three.image.hasPicture());
  EXPECT_EQ(three.image.transMode, TRANS_COPY);
  EXPECT_EQ(seven.visible, 0);
  EXPECT_TRUE(seven.image.hasPicture());

  again.input = "wait 1000\nload 2\nwait 100\nquit\n";
  auto third = runGame(files, again);
  ASSERT_EQ(third.exitCode, 0) << third.stderrText;
  EXPECT_TRUE(three.name.empty());
  EXPECT_FALSE(three.image.hasPicture());
  EXPECT_NE(third.dump.find("\"enhancedSprites\":[]"), std::string::npos);
}

TEST(EnhancedSave, DamagedSpriteItemsAreRefused) {
  SaveSnapshot s;
  s.extended = true;
  s.enhancedSprites[9] = SaveSnapshot::EnhancedSpriteItem{"a.bmp", 1, 5, 6, 100, 100, -90, 255};
  std::vector<uint8_t> good;
  encodeSnapshot(s, good);
  SaveSnapshot back;
  ASSERT_TRUE(decodeSnapshot(good.data(), good.size(), 100, back));
  EXPECT_EQ(back.enhancedSprites[9].angle, -90);
  auto spoilt = [&](auto change) {
    SaveSnapshot t = s;
    change(t);
    std::vector<uint8_t> bytes;
    encodeSnapshot(t, bytes);
    SaveSnapshot r;
    return !decodeSnapshot(bytes.data(), bytes.size(), 100, r);
  };
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.enhancedSprites[0].opacity = 256; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.enhancedSprites[255].opacity = -1; }));
  EXPECT_TRUE(spoilt([](SaveSnapshot& t) { t.enhancedSprites[9].visible = 2; }));
  // Cut inside the sprite block.
  EXPECT_FALSE(decodeSnapshot(good.data(), good.size() - 5, 100, back));
}

TEST(EnhancedSave, WithoutAnEnhancedSpriteTheBaseLayoutStays) {
  // Without an enhanced sprite (or other extended state) an extended game writes the base
  // layout; one enhanced sprite is enough for the extended one.
  RunOptions o;
  o.input = "wait 1000\nsave 1\nwait 100\nquit\n";
  auto plain = runGame({{"0.txt", sjisText("*define\ngame\n*start\ncsp2 -1\nclick\nend\n")}}, o);
  ASSERT_EQ(plain.exitCode, 0) << plain.stderrText;
  const std::string bytes = fileText(plain.gameDir, "save1.dat");
  EXPECT_EQ(bytes.find(std::string(reinterpret_cast<const char*>(kExtendedMarker), sizeof kExtendedMarker)),
            std::string::npos);
}
