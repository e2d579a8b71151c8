// The screen Veloria shows when started without a game: the games played before, newest
// first, and a folder browser ("フォルダを開く…") that marks the folders holding a game. The
// player's acts come in as LibraryActions; the screen answers with the view to draw next and,
// in the end, the folder to play or nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/game_library.h"
#include "platform/library_view.h"

namespace veloria {

class Platform;

class LibraryScreen {
 public:
  struct Outcome {
    enum class Kind { Stay, Play, Quit };
    Kind kind = Kind::Stay;
    std::string folder;  // Play: the game's folder
  };

  // `browseFrom`: where the folder browser starts (an absolute folder).
  LibraryScreen(GameList games, std::string browseFrom);

  LibraryView view() const;
  Outcome apply(const LibraryAction& action);

  bool browsing() const { return browsing_; }
  const std::string& folder() const { return folder_; }  // the browser's folder
  const GameList& games() const { return games_; }
  // Called with the folder of a game the player takes out of the list.
  std::function<void(const std::string&)> onRemove;

  // The list's buttons, in order.
  enum ListButton { kPlay, kRemove, kOpenFolder, kQuit };
  // The browser's buttons, in order.
  enum BrowserButton { kOpen, kUp, kBack };

 private:
  struct Folder {
    std::string name;   // as on the disk; ".." for the parent
    bool game = false;  // holds a script
  };
  Outcome applyToList(const LibraryAction& a);
  Outcome applyToBrowser(const LibraryAction& a);
  Outcome openDropped(const std::string& path);
  void browse(std::string folder, const std::string& highlight = {});
  void goUp();
  bool selectionPlayable() const;

  GameList games_;
  std::vector<bool> present_;  // per game: its folder still holds a script
  int listSelection_ = -1;
  bool browsing_ = false;
  std::string folder_;
  std::vector<Folder> folders_;
  int browserSelection_ = -1;
};

// Runs the library in the platform's window (made here) until the player chooses a game or
// leaves; the chosen game's folder, or nullopt.
std::optional<std::string> runLibrary(Platform& platform, const std::string& browseFrom);

}  // namespace veloria
