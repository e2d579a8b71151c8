// The screen shown when Veloria starts without a game: the list of games played before
// (a vanished folder greyed and removable) and the folder browser that marks game folders,
// driven by the player's acts as the window reports them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/library_screen.h"
#include "support/game_dir.h"

using namespace veloria;

namespace {

using Kind = LibraryAction::Kind;
using Outcome = LibraryScreen::Outcome;

LibraryAction act(Kind kind, int row = -1, int button = -1, std::string path = {}) {
  return LibraryAction{kind, row, button, std::move(path)};
}

std::vector<std::string> titles(const LibraryView& v) {
  std::vector<std::string> out;
  for (const auto& r : v.rows) out.push_back(r.title + (r.marked ? "*" : "") + (r.dimmed ? "~" : ""));
  return out;
}

// Folders under the scratch folder: "games/station" and "games/deep/castle" hold a game,
// "games/empty" and "games/.hidden" do not count as games.
struct Shelf {
  test::GameDir dir;
  std::string root = dir.scratch() + "/games";
  Shelf() {
    dir.write("../games/station/0.txt", "*define\n");
    dir.write("../games/deep/castle/VELORIA.DAT", "x");
    dir.write("../games/empty/readme.txt", "x");
    dir.write("../games/.hidden/0.txt", "x");
    dir.write("../games/Alpha/notes.txt", "x");
  }
};

}  // namespace

TEST(LibraryScreen, ListsGamesNewestFirstGreysVanishedOnesAndRemovesThem) {
  Shelf s;
  GameList games{{"駅の朝", s.root + "/station", 200}, {"", s.root + "/gone", 100}};
  LibraryScreen screen(games, s.root);
  std::vector<std::string> removed;
  screen.onRemove = [&](const std::string& f) { removed.push_back(f); };

  LibraryView v = screen.view();
  EXPECT_EQ(titles(v), (std::vector<std::string>{"駅の朝", "gone~"}));  // no caption: the folder's name
  EXPECT_NE(v.rows[0].detail.find(s.root + "/station"), std::string::npos);
  EXPECT_EQ(v.selection, 0);
  EXPECT_TRUE(v.buttons[LibraryScreen::kPlay].enabled);

  // The vanished game cannot be played, only taken off the list.
  EXPECT_EQ(screen.apply(act(Kind::Select, 1)).kind, Outcome::Kind::Stay);
  v = screen.view();
  EXPECT_FALSE(v.buttons[LibraryScreen::kPlay].enabled);
  EXPECT_EQ(screen.apply(act(Kind::Button, 1, LibraryScreen::kPlay)).kind, Outcome::Kind::Stay);
  screen.apply(act(Kind::Button, 1, LibraryScreen::kRemove));
  EXPECT_EQ(removed, (std::vector<std::string>{s.root + "/gone"}));
  v = screen.view();
  EXPECT_EQ(titles(v), (std::vector<std::string>{"駅の朝"}));
  EXPECT_EQ(v.selection, 0);

  Outcome out = screen.apply(act(Kind::Button, 0, LibraryScreen::kPlay));
  EXPECT_EQ(out.kind, Outcome::Kind::Play);
  EXPECT_EQ(out.folder, s.root + "/station");

  // Emptied: nothing to play or remove, a hint instead of rows.
  screen.apply(act(Kind::Button, 0, LibraryScreen::kRemove));
  v = screen.view();
  EXPECT_TRUE(v.rows.empty());
  EXPECT_EQ(v.selection, -1);
  EXPECT_FALSE(v.buttons[LibraryScreen::kPlay].enabled);
  EXPECT_FALSE(v.buttons[LibraryScreen::kRemove].enabled);
  EXPECT_FALSE(v.emptyText.empty());
  EXPECT_EQ(screen.apply(act(Kind::Button, -1, LibraryScreen::kQuit)).kind, Outcome::Kind::Quit);
  EXPECT_EQ(screen.apply(act(Kind::Close)).kind, Outcome::Kind::Quit);
}

TEST(LibraryScreen, TheFolderBrowserMarksGameFoldersAndWalksTheTree) {
  Shelf s;
  LibraryScreen screen({}, s.root);
  screen.apply(act(Kind::Button, -1, LibraryScreen::kOpenFolder));
  ASSERT_TRUE(screen.browsing());
  LibraryView v = screen.view();
  EXPECT_EQ(v.heading, s.root);
  // Sorted without regard to case, hidden folders left out, the way up first.
  EXPECT_EQ(titles(v), (std::vector<std::string>{"..（上のフォルダ）", "Alpha", "deep", "empty", "station*"}));
  EXPECT_EQ(v.selection, 1);
  EXPECT_EQ(v.buttons[LibraryScreen::kOpen].label, "開く");

  // Into a folder without a game, then back up: the folder we came from is highlighted.
  screen.apply(act(Kind::Button, 2, LibraryScreen::kOpen));
  EXPECT_EQ(screen.folder(), s.root + "/deep");
  EXPECT_EQ(titles(screen.view()), (std::vector<std::string>{"..（上のフォルダ）", "castle*"}));
  screen.apply(act(Kind::Back));
  EXPECT_EQ(screen.folder(), s.root);
  EXPECT_EQ(screen.view().selection, 2);
  screen.apply(act(Kind::Button, 0, LibraryScreen::kOpen));  // ".."
  EXPECT_EQ(screen.folder(), s.dir.scratch());
  EXPECT_EQ(titles(screen.view())[screen.view().selection], "games");

  // A game folder is played, not entered.
  screen.apply(act(Kind::Button, screen.view().selection, LibraryScreen::kOpen));
  screen.apply(act(Kind::Select, 4));
  v = screen.view();
  EXPECT_EQ(v.buttons[LibraryScreen::kOpen].label, "遊ぶ");
  Outcome out = screen.apply(act(Kind::Button, 4, LibraryScreen::kOpen));
  EXPECT_EQ(out.kind, Outcome::Kind::Play);
  EXPECT_EQ(out.folder, s.root + "/station");

  // Esc leaves the browser for the list; at the root there is no way up.
  screen.apply(act(Kind::Cancel));
  EXPECT_FALSE(screen.browsing());
  LibraryScreen top({}, "/");
  top.apply(act(Kind::Button, -1, LibraryScreen::kOpenFolder));
  EXPECT_FALSE(top.view().buttons[LibraryScreen::kUp].enabled);
  EXPECT_NE(titles(top.view()).front(), "..（上のフォルダ）");
}

TEST(LibraryScreen, ADroppedFolderOrScriptOpensIt) {
  Shelf s;
  LibraryScreen screen({}, s.root);
  Outcome out = screen.apply(act(Kind::Drop, -1, -1, s.root + "/station"));
  EXPECT_EQ(out.kind, Outcome::Kind::Play);
  EXPECT_EQ(out.folder, s.root + "/station");
  out = screen.apply(act(Kind::Drop, -1, -1, s.root + "/deep/castle/VELORIA.DAT"));
  EXPECT_EQ(out.folder, s.root + "/deep/castle");
  // A folder without a game opens in the browser.
  out = screen.apply(act(Kind::Drop, -1, -1, s.root + "/deep/"));
  EXPECT_EQ(out.kind, Outcome::Kind::Stay);
  EXPECT_TRUE(screen.browsing());
  EXPECT_EQ(screen.folder(), s.root + "/deep");
  EXPECT_EQ(screen.apply(act(Kind::Drop, -1, -1, "/no/such/place")).kind, Outcome::Kind::Stay);
}
