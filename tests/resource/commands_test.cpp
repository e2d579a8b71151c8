// The resource commands inside whole games.
#include <gtest/gtest.h>

#include "app/engine.h"
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

}  // namespace
}  // namespace veloria::test
