// The remembered window: one small file per game, defaults when it is missing or damaged,
// written so that a crash or a planted link cannot hurt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/window_record.h"
#include "support/game_dir.h"

using namespace veloria;
using test::GameDir;

namespace {

const std::string kGame = "/home/player/games/My Game";

WindowRecord sample() {
  WindowRecord r;
  r.clientW = 800;
  r.clientH = 600;
  r.x = -30;
  r.y = 70;
  r.width = 1600;
  r.height = 1240;
  r.mode = ScaleMode::Smooth;
  return r;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(WindowRecord, TextRoundTripsForTheSameGameOnly) {
  std::string text = formatWindowRecord(sample(), kGame);
  auto back = parseWindowRecord(text, kGame);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->clientW, 800);
  EXPECT_EQ(back->clientH, 600);
  EXPECT_EQ(back->x, -30);
  EXPECT_EQ(back->y, 70);
  EXPECT_EQ(back->width, 1600);
  EXPECT_EQ(back->height, 1240);
  EXPECT_EQ(back->mode, ScaleMode::Smooth);
  EXPECT_FALSE(parseWindowRecord(text, "/home/player/games/My"));
  EXPECT_FALSE(parseWindowRecord(text, kGame + "/"));
}

TEST(WindowRecord, DamagedRecordsGiveTheDefaults) {
  const std::string good = formatWindowRecord(sample(), kGame);
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    size_t at = t.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return t.replace(at, from.size(), to);
  };
  const std::string damaged[] = {
      "",
      good.substr(0, good.size() / 2),                      // cut short
      replaced("# Veloria window", "# something else"),     // not ours
      replaced("window -30 70 1600 1240", "window -30 70 1600"),
      replaced("window -30 70 1600 1240", "window -30 70 0 1240"),
      replaced("window -30 70 1600 1240", "window -30 70 99999 1240"),
      replaced("window -30 70 1600 1240", "window -30 seventy 1600 1240"),
      replaced("client 800 600", "client 800 600x"),
      replaced("scale smooth", "scale blurry"),
      good + "scale sharp\n",                               // said twice
      good + "colour red\n",
      std::string(good).replace(0, 1, "\xff"),
  };
  for (const auto& text : damaged) EXPECT_FALSE(parseWindowRecord(text, kGame)) << text;
}

TEST(WindowRecord, SavedPerGameInTheSettingsDirectoryAndLoadedBack) {
  GameDir g;
  const std::string config = fs::userConfigDirectory();
  EXPECT_FALSE(loadWindowRecord(config, kGame));
  ASSERT_TRUE(saveWindowRecord(config, kGame, sample()));
  auto back = loadWindowRecord(config, kGame);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->width, 1600);
  // Two games in folders of the same name keep records of their own.
  const std::string other = "/elsewhere/My Game";
  EXPECT_NE(windowRecordPath(config, kGame), windowRecordPath(config, other));
  EXPECT_FALSE(loadWindowRecord(config, other));
  EXPECT_EQ(std::filesystem::path(windowRecordPath(config, kGame)).parent_path(),
            std::filesystem::path(config) / "windows");
  // A second save replaces the first and leaves no temporary file behind.
  WindowRecord r = sample();
  r.width = 700;
  ASSERT_TRUE(saveWindowRecord(config, kGame, r));
  EXPECT_EQ(loadWindowRecord(config, kGame)->width, 700);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(config) / "windows")) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(WindowRecord, PlantedLinksAreNeitherReadNorWrittenThrough) {
  GameDir g;
  const std::string config = fs::userConfigDirectory();
  const std::string path = windowRecordPath(config, kGame);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  // A link to a good-looking record elsewhere is not taken as ours ...
  const std::string elsewhere = g.scratch() + "/victim.txt";
  const std::string text = formatWindowRecord(sample(), kGame);
  std::ofstream(elsewhere, std::ios::binary) << text;
  std::filesystem::create_symlink(elsewhere, path);
  EXPECT_FALSE(loadWindowRecord(config, kGame));
  // ... and saving replaces the link instead of writing into the file it names.
  WindowRecord r = sample();
  r.width = 640;
  ASSERT_TRUE(saveWindowRecord(config, kGame, r));
  EXPECT_EQ(slurp(elsewhere), text);
  EXPECT_FALSE(std::filesystem::is_symlink(path));
  EXPECT_EQ(loadWindowRecord(config, kGame)->width, 640);
}

TEST(WindowRecord, AHugeRecordIsRefusedBeforeItIsRead) {
  GameDir g;
  const std::string config = fs::userConfigDirectory();
  const std::string path = windowRecordPath(config, kGame);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  const std::string text = formatWindowRecord(sample(), kGame);
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_TRUE(loadWindowRecord(config, kGame));
  std::filesystem::resize_file(path, kMaxWindowRecordBytes + 1);  // sparse past the limit
  EXPECT_FALSE(loadWindowRecord(config, kGame));
  std::filesystem::resize_file(path, 200ull << 30);
  EXPECT_FALSE(loadWindowRecord(config, kGame));
}
