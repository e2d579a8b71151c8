// Game paths are Windows-style and case-blind; file names may be Japanese.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/text_codec.h"
#include "support/game_dir.h"

using namespace veloria;

using test::GameDir;

TEST(GamePaths, ResolveIgnoresCaseAndAcceptsBothSeparators) {
  GameDir g;
  g.write("BGM/Title.MID", "x");
  EXPECT_TRUE(fs::exists("bgm\\title.mid"));
  EXPECT_TRUE(fs::exists("BGM/TITLE.mid"));
  EXPECT_TRUE(fs::exists("./bgm\\Title.MID"));
  EXPECT_FALSE(fs::exists("bgm\\title.wav"));
  EXPECT_FALSE(fs::exists(""));
  auto data = fs::readFile("Bgm\\TITLE.mid");
  ASSERT_TRUE(data);
  EXPECT_EQ(data->size(), 1u);
}

TEST(GamePaths, JapaneseNamesAndTrailBytesThatLookLikeSeparators) {
  GameDir g;
  // "表" is 0x95 0x5C in Shift-JIS: its trail byte is a backslash.
  g.write("画像/表.bmp", "BM");
  std::string name = utf8ToSjis("画像\\表.bmp");
  EXPECT_TRUE(fs::exists(name));
  EXPECT_EQ(fs::readFile(name)->size(), 2u);
}

TEST(GamePaths, WritesReuseExistingFoldersAndAreSeenAtOnce) {
  GameDir g;
  g.write("Save/keep.txt", "");
  EXPECT_FALSE(fs::exists("save\\new.dat"));
  ASSERT_TRUE(fs::writeFile("SAVE\\new.dat", "abc", 3));
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(g.path()) / "Save" / "new.dat"));
  EXPECT_TRUE(fs::exists("save\\NEW.DAT"));
  EXPECT_TRUE(fs::removeFile("save\\new.dat"));
  EXPECT_FALSE(fs::exists("save\\new.dat"));
}

TEST(GamePaths, NamesThatLeaveTheGameAreRecognised) {
  GameDir g;
  g.write("tools/run.sh", "x");
  std::filesystem::create_symlink("/bin", g.path() + "/outside");
  const struct {
    std::string name;
    bool stays;
  } cases[] = {
      {"save1.dat", true},
      {"tools\\run.sh", true},
      {"./a/./b.txt", true},
      {"a..b\\c..", true},
      {utf8ToSjis("表\\x.dat"), true},  // the trail byte 0x5C is no separator
      {"", false},
      {"..", false},
      {"..\\..\\.bashrc", false},
      {"../x", false},
      {"a\\..\\..\\x", false},
      {"a/../b", false},  // even when it would come back inside
      {"/etc/passwd", false},
      {"\\home\\x", false},
      {"C:\\x.txt", false},
      {"c:x.txt", false},
      {utf8ToSjis("画像\\..\\..\\x"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(fs::staysInGame(c.name), c.stays) << c.name;
  EXPECT_TRUE(fs::resolveInGame("TOOLS\\RUN.SH"));
  EXPECT_FALSE(fs::resolveInGame("tools\\missing.sh"));
  EXPECT_FALSE(fs::resolveInGame("outside\\sh"));  // inside by name, outside in fact
  EXPECT_FALSE(fs::resolveInGame("..\\game\\tools\\run.sh"));
}

TEST(TextCodec, ShiftJisRoundTripAndBadBytes) {
  std::string utf8 = "終了しますか？ ABC ｱｲｳ ①";
  std::string sj = utf8ToSjis(utf8);
  EXPECT_EQ(sj.substr(0, 2), "\x8f\x49");
  EXPECT_EQ(sjisToUtf8(sj), utf8);
  EXPECT_EQ(sjisToCodepoint(0x82A0), U'あ');
  EXPECT_EQ(sjisToCodepoint('A'), U'A');
  EXPECT_EQ(sjisToCodepoint(0xB1), U'ｱ');
  // A lone lead byte at the end and an unmappable character never break the conversion.
  EXPECT_EQ(sjisToUtf8(std::string("A\x82", 2)), "A\xEF\xBF\xBD");
  EXPECT_EQ(utf8ToSjis("a\xF0\x9F\x98\x80z"), "a?z");
  EXPECT_EQ(&veloria::sj("終了"), &veloria::sj("終了"));
}

TEST(InstanceGuard, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  GameDir g;
  const std::string dir = g.scratch();
  {
    InstanceLock a, b;
    EXPECT_TRUE(a.acquire(dir, "MutexDesu2"));
    EXPECT_FALSE(b.acquire(dir, "MutexDesu2"));
    a.release();
    EXPECT_TRUE(b.acquire(dir, "MutexDesu2"));
  }
}
