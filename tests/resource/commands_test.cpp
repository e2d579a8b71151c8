// The resource commands inside whole games.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "resource/delta_image.h"
#include "resource/resource.h"
#include "resource_test_util.h"
#include "support/game_runner.h"

namespace veloria::test {
namespace {

std::string script(const std::string& define, const std::string& game = "end\n") {
  return "*define\n" + define + "game\n*start\n" + game;
}

std::string bytesToString(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(ResourceCommands, PluginSettingsAreCheckedInTheDefineBlock) {
  std::string fifty;
  for (int i = 0; i < 50; ++i) fifty += "arc \"Arc" + std::to_string(i) + ".PAK|X.SPI\"\n";
  std::vector<std::string> plugins;
  RunOptions o;
  o.inspect = [&](Engine& e) { plugins = e.res.archivePlugins; };
  GameRun ok = runGame({{"0.txt", script(fifty + "spi \"Pic.SPI|WEBP\"\n")}}, o);
  EXPECT_EQ(ok.exitCode, 0) << ok.stderrText;
  ASSERT_EQ(plugins.size(), 50u);
  EXPECT_EQ(plugins[49], "arc49.pak|x.spi");

  GameRun over = runGame({{"0.txt", script(fifty + "arc \"one|more.spi\"\n")}});
  EXPECT_NE(over.exitCode, 0);
  EXPECT_EQ(over.errorCaption, "エラー");
  EXPECT_NE(over.errorMessage.find("SPI設定が多すぎます。"), std::string::npos);

  GameRun noBar = runGame({{"0.txt", script("soundpressplgin \"mdz.spi\"\n")}});
  EXPECT_NE(noBar.exitCode, 0);
  EXPECT_NE(noBar.errorMessage.find("mdz.spi"), std::string::npos);
}

TEST(ResourceCommands, ArchivesAreConsultedOnlyAfterVla) {
  const std::string arc = bytesToString(assembleArchive({stored("bg\\a.bmp", "x")}));
  bool before = true, after = false;
  int32_t noLoadError = 0;
  RunOptions o;
  o.inspect = [&](Engine& e) {
    after = findInArchives(e, "BG/A.BMP").has_value();
    noLoadError = e.res.noLoadError;
  };
  runGame({{"0.txt", script("vla\nnoloaderror\n")}, {"arc.vla", arc}}, o);
  EXPECT_TRUE(after);
  EXPECT_EQ(noLoadError, 1);
  o.inspect = [&](Engine& e) { before = findInArchives(e, "BG/A.BMP").has_value(); };
  runGame({{"0.txt", script("")}, {"arc.vla", arc}}, o);
  EXPECT_FALSE(before);
}

// Archived pictures as the scene commands load them.
class ArchivedPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    Bytes redBlue = bytesOf(bmpFile(640, 480, [](int x, int) { return x < 320 ? 0xFF0000 : 0x0000FF; }));
    Bytes pixels(redBlue.begin() + 54, redBlue.end());
    Bytes delta = encodeDeltaImage(pixels.data(), 640 * 3, 640, 480);
    Bytes green = bytesOf(solidBmp(640, 480, 0x00FF00));
    Bytes lz = encodeLzss(green.data(), green.size());
    arc = bytesToString(assembleArchive(
        {RawEntry{"bg\\delta.bmp", kArchiveDeltaImage, delta, 0},
         RawEntry{"bg\\lz.bmp", kArchiveLzss, lz, static_cast<uint32_t>(green.size())},
         RawEntry{"bg\\raw.bmp", kArchiveStored, green, static_cast<uint32_t>(green.size())}}));
  }
  GameRun play(const std::string& define, const std::string& body, GameFiles extra = {}) {
    extra["0.txt"] = script(define, body + "end\n");
    extra["arc.vla"] = arc;
    return runGame(extra);
  }
  std::string arc;
};

TEST_F(ArchivedPictures, DeltaAndLzssMembersShowAsBackgrounds) {
  GameRun d = play("vla\n", "bg \"BG/Delta.BMP\",1\n");
  EXPECT_EQ(d.exitCode, 0) << d.stderrText;
  EXPECT_EQ(pixelAt(d, 10, 10), 0xFF0000u);
  EXPECT_EQ(pixelAt(d, 630, 470), 0x0000FFu);
  GameRun l = play("vla\n", "bg \"bg\\lz.bmp\",1\n");
  EXPECT_EQ(l.exitCode, 0) << l.stderrText;
  EXPECT_EQ(pixelAt(l, 320, 240), 0x00FF00u);
  GameRun r = play("vla\n", "bg \"bg\\raw.bmp\",1\n");
  EXPECT_EQ(r.errorCaption, "エラー");
  EXPECT_NE(r.errorMessage.find("BMPが圧縮されていません"), std::string::npos);
}

TEST_F(ArchivedPictures, LooseFilesWinAndMissingOnesFollowNoLoadError) {
  GameRun loose = play("vla\n", "bg \"bg\\delta.bmp\",1\n",
                       {{"bg/delta.bmp", solidBmp(640, 480, 0xFFFFFF)}});
  EXPECT_EQ(pixelAt(loose, 10, 10), 0xFFFFFFu);
  GameRun missing = play("vla\n", "bg \"bg\\none.bmp\",1\n");
  EXPECT_EQ(missing.errorCaption, "エラー");
  EXPECT_NE(missing.errorMessage.find("VLAアーカイブからファイルbg\\none.bmpがみつかりません"),
            std::string::npos);
  GameRun off = play("", "bg \"bg\\delta.bmp\",1\n");  // no vla: the archive is not read
  EXPECT_EQ(off.errorCaption, "ロードエラー");
  EXPECT_NE(off.errorMessage.find("ファイルbg\\delta.bmpを開けません。"), std::string::npos);
  GameRun quiet = play("vla\nnoloaderror\n", "bg \"bg\\none.bmp\",1\nbg \"bg\\delta.bmp\",1\n");
  EXPECT_EQ(quiet.exitCode, 0) << quiet.stderrText;
  EXPECT_EQ(pixelAt(quiet, 10, 10), 0xFF0000u);  // the script went on
}

}  // namespace
}  // namespace veloria::test
