// The game library file: what it takes from a hand-edited or damaged file, and how it is kept
// in the user's data folder (atomically, never through a link, a damaged file left alone
// until a game is added or removed).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/game_library.h"
#include "support/game_dir.h"
#include "support/scoped_env.h"

using namespace veloria;

namespace {

std::string readText(const std::string& path) {
  auto data = fs::readHostFile(path);
  return data ? std::string(data->begin(), data->end()) : std::string();
}

// A scratch data folder for the library (XDG_DATA_HOME) for the life of the test.
struct LibraryHome {
  test::GameDir dir;
  test::ScopedEnv env{"XDG_DATA_HOME", (dir.scratch() + "/data").c_str()};
  std::string file() const { return dir.scratch() + "/data/veloria/library.json"; }
};

}  // namespace

TEST(GameLibrary, ReadsBackWhatItWritesAndMakesSenseOfHandEditedLists) {
  GameList games{{"駅の朝 \"第一話\"\n", "/home/p/games/station", 1765240000}, {"", "/opt/demo", 0}};
  EXPECT_EQ(parseLibrary(formatLibrary(games))->size(), 2u);
  auto back = *parseLibrary(formatLibrary(games));
  EXPECT_EQ(back[0].caption, games[0].caption);
  EXPECT_EQ(back[0].folder, games[0].folder);
  EXPECT_EQ(back[0].lastPlayed, 1765240000);

  // Out of order, a folder twice, relative or missing folders, odd times and unknown keys.
  auto odd = parseLibrary(
      R"({"games":[{"folder":"/a","lastPlayed":10,"caption":"A"},{"folder":"/b","lastPlayed":30},)"
      R"({"folder":"rel","lastPlayed":99},{"caption":"no folder"},7,{"folder":"/a","lastPlayed":50},)"
      R"({"folder":"/c","lastPlayed":2.5,"future":[{"x":null}]},{"folder":"/d","lastPlayed":-4},)"
      R"({"folder":"/e\u00e9\ud83d\ude00","lastPlayed":20}]})");
  ASSERT_TRUE(odd);
  std::vector<std::string> order;
  for (const auto& g : *odd) order.push_back(g.folder + "@" + std::to_string(g.lastPlayed));
  EXPECT_EQ(order, (std::vector<std::string>{"/b@30", "/eé😀@20", "/a@10", "/c@0", "/d@0"}));

  for (const char* bad : {"", "{}", "[]", R"({"games":{}})", R"({"games":[)", R"({"games":[]} x)",
                          R"({"games":["\ud800"]})", "{\"games\":[\"a\nb\"]}", R"({"games":[01x]})"})
    EXPECT_FALSE(parseLibrary(bad)) << bad;
  EXPECT_FALSE(parseLibrary(std::string(100, '[') + std::string(100, ']')));
}

TEST(GameLibrary, StaysBoundedAndOneEntryPerFolder) {
  GameList games;
  for (int i = 0; i < 250; ++i) notePlayed(games, {"g" + std::to_string(i), "/games/" + std::to_string(i), i});
  ASSERT_EQ(games.size(), kMaxLibraryGames);
  EXPECT_EQ(games.front().folder, "/games/249");
  notePlayed(games, {std::string(5000, 'x') + "駅", "/games/100", 1000});
  EXPECT_EQ(games.size(), kMaxLibraryGames);
  EXPECT_EQ(games.front().folder, "/games/100");
  EXPECT_EQ(games.front().caption.size(), kMaxLibraryCaptionBytes);
  EXPECT_EQ(games[1].folder, "/games/249");
  EXPECT_TRUE(forgetGame(games, "/games/100"));
  EXPECT_FALSE(forgetGame(games, "/games/100"));
  EXPECT_LE(formatLibrary(games).size(), kMaxLibraryBytes);
}

TEST(GameLibrary, PlayedGamesGoToTheTopOfTheFileInThePlayersDataFolder) {
  LibraryHome home;
  EXPECT_EQ(loadLibrary().state, LibraryFileState::Missing);
  EXPECT_FALSE(std::filesystem::exists(home.dir.scratch() + "/data"));  // looking creates nothing

  ASSERT_TRUE(recordPlayedGame("First", "/games/first"));
  ASSERT_TRUE(recordPlayedGame("Second", "/games/second"));
  ASSERT_TRUE(recordPlayedGame("First again", "/games/first"));
  auto lib = loadLibrary();
  EXPECT_EQ(lib.state, LibraryFileState::Read);
  ASSERT_EQ(lib.games.size(), 2u);
  EXPECT_EQ(lib.games[0].caption, "First again");
  EXPECT_GT(lib.games[0].lastPlayed, 1600000000);
  struct stat st {};
  ASSERT_EQ(::stat((home.dir.scratch() + "/data/veloria").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);  // the folder is the player's alone

  EXPECT_TRUE(removeFromLibrary("/games/first"));
  EXPECT_FALSE(removeFromLibrary("/games/first"));
  lib = loadLibrary();
  ASSERT_EQ(lib.games.size(), 1u);
  EXPECT_EQ(lib.games[0].folder, "/games/second");
  EXPECT_FALSE(recordPlayedGame("relative", "games/x"));
}

TEST(GameLibrary, ADamagedFileIsAnEmptyListUntilAGameIsAddedAndIsKeptAside) {
  LibraryHome home;
  ASSERT_TRUE(recordPlayedGame("First", "/games/first"));
  const std::string damaged = R"({"games":[{"folder":"/games/first","lastPl)";
  ASSERT_TRUE(fs::writeHostFile(home.file(), damaged.data(), damaged.size()));

  auto lib = loadLibrary();
  EXPECT_EQ(lib.state, LibraryFileState::Damaged);
  EXPECT_TRUE(lib.games.empty());
  EXPECT_FALSE(removeFromLibrary("/games/first"));  // nothing listed, nothing written
  EXPECT_EQ(readText(home.file()), damaged);

  ASSERT_TRUE(recordPlayedGame("Second", "/games/second"));
  EXPECT_EQ(readText(home.file() + ".damaged"), damaged);
  lib = loadLibrary();
  EXPECT_EQ(lib.state, LibraryFileState::Read);
  ASSERT_EQ(lib.games.size(), 1u);
  EXPECT_EQ(lib.games[0].folder, "/games/second");
}

TEST(GameLibrary, AFileThatCannotBeReadSafelyIsNeverWritten) {
  LibraryHome home;
  ASSERT_TRUE(recordPlayedGame("First", "/games/first"));
  // A link in its place: not followed, not replaced.
  const std::string planted = home.dir.scratch() + "/planted.json";
  const std::string text = formatLibrary({{"Planted", "/evil", 5}});
  ASSERT_TRUE(fs::writeHostFile(planted, text.data(), text.size()));
  ASSERT_EQ(::unlink(home.file().c_str()), 0);
  ASSERT_EQ(::symlink(planted.c_str(), home.file().c_str()), 0);
  auto lib = loadLibrary();
  EXPECT_EQ(lib.state, LibraryFileState::Held);
  EXPECT_TRUE(lib.games.empty());
  EXPECT_FALSE(recordPlayedGame("Second", "/games/second"));
  EXPECT_EQ(readText(planted), text);

  // Larger than any library: held as well.
  ASSERT_EQ(::unlink(home.file().c_str()), 0);
  {
    std::FILE* f = std::fopen(home.file().c_str(), "wb");
    ASSERT_TRUE(f);
    ASSERT_EQ(::ftruncate(::fileno(f), static_cast<off_t>(kMaxLibraryBytes + 1)), 0);
    std::fclose(f);
  }
  EXPECT_EQ(loadLibrary().state, LibraryFileState::Held);
  EXPECT_FALSE(recordPlayedGame("Second", "/games/second"));
  EXPECT_EQ(std::filesystem::file_size(home.file()), kMaxLibraryBytes + 1);
}

TEST(GameLibrary, ScriptsAreFoundInAnyLetterCase) {
  test::GameDir g;
  EXPECT_FALSE(fs::holdsGameScript(g.path()));
  g.write("07.txt", "x");
  g.write("100.txt", "x");
  g.write("5.txt/inside", "x");  // a folder named like a script
  EXPECT_FALSE(fs::holdsGameScript(g.path()));
  g.write("42.TxT", "x");
  EXPECT_TRUE(fs::holdsGameScript(g.path()));
  EXPECT_FALSE(fs::holdsGameScript(g.path() + "/no-such-folder"));
}
