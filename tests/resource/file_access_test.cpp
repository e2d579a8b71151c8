#include "resource/resource.h"
#include "resource_test_util.h"

namespace veloria::test {
namespace {

class FileAccess : public ResourceTest {
 protected:
  void SetUp() override {
    ResourceTest::SetUp();
    engine->res.archivesEnabled = 1;
    text = sampleData(20000, 8);
    Bytes coded = encodeLzss(text.data(), text.size());
    put("arc.vla",
        assembleArchive({stored("se\\click.wav", "RIFF-click"),
                         RawEntry{"bgm\\title.mid", kArchiveLzss, coded, static_cast<uint32_t>(text.size())},
                         RawEntry{"bg\\room.bmp", kArchiveDeltaImage, {0, 1, 0, 1, 0, 0, 0}, 0},
                         RawEntry{"odd.bin", 9, bytesOf("?"), 1},
                         stored("dir\\", "no base name"),
                         stored("\x95\x5c\\\x95\x5c.txt", "table")}));
  }
  Bytes text;
};

TEST_F(FileAccess, ExtractsStoredAndLzssMembersByBaseName) {
  auto p = resolveFile(*engine, "SE/Click.wav");
  ASSERT_TRUE(p);
  EXPECT_EQ(*p, tempFile("Click.wav"));  // the base name as requested
  EXPECT_EQ(readAll(*p), bytesOf("RIFF-click"));
  writeAll(tempFile("title.mid"), bytesOf("stale and longer than nothing"));
  auto q = resolveFile(*engine, "bgm\\title.mid");
  ASSERT_TRUE(q);
  EXPECT_EQ(readAll(*q), text);  // replaced, not appended to
  EXPECT_FALSE(resolveFile(*engine, "bgm\\none.mid"));
  EXPECT_FALSE(resolveFile(*engine, "dir\\"));  // nothing to name the extracted file
}

TEST_F(FileAccess, BaseNameKeepsDoubleByteCharacters) {
  // 0x95 0x5C is one character whose second byte looks like a backslash.
  auto p = resolveFile(*engine, "\x95\x5c/\x95\x5c.txt");
  ASSERT_TRUE(p);
  EXPECT_EQ(*p, tempFile(sjisToUtf8("\x95\x5c.txt")));
  EXPECT_EQ(readAll(*p), bytesOf("table"));
}

TEST_F(FileAccess, PictureAndUnknownMembersCannotBeExtracted) {
  expectScriptError([&] { resolveFile(*engine, "bg/room.bmp"); }, "エラー",
                    "bg\\room.bmpが開けませんでした。");
  expectScriptError([&] { resolveFile(*engine, "odd.bin"); }, "エラー", "odd.binが開けませんでした。");
}

TEST_F(FileAccess, LooseFileWinsAndIsNeverDeleted) {
  put("se/click.wav", bytesOf("loose"));
  auto f = locateMediaFile(*engine, "se\\CLICK.WAV");
  ASSERT_TRUE(f);
  EXPECT_FALSE(f->temporary);
  EXPECT_EQ(readAll(f->hostPath), bytesOf("loose"));
  EXPECT_EQ(tempFileCount(), 0u);
  releaseMediaFile(*f);
  EXPECT_TRUE(fs::exists("se/click.wav"));

  auto g = locateMediaFile(*engine, "bgm/title.mid");
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->temporary);
  std::string path = g->hostPath;
  EXPECT_TRUE(std::filesystem::exists(path));
  releaseMediaFile(*g);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(g->hostPath.empty());
}

TEST_F(FileAccess, MissingFileStopsTheRunUnlessNoLoadError) {
  engine->res.archivesEnabled = 0;  // without vla the archive is not consulted
  expectScriptError([&] { locateMediaFile(*engine, "se\\click.wav"); }, "ロードエラー",
                    "ファイルse\\click.wavを開けません。");
  engine->res.noLoadError = 1;
  EXPECT_FALSE(locateMediaFile(*engine, "se\\click.wav"));
  EXPECT_EQ(tempFileCount(), 0u);
}

}  // namespace
}  // namespace veloria::test
