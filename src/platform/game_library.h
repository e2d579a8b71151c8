// The game library: the games this user played in a window, newest first, kept in
// library.json in the user's data folder, so that Veloria started without a game can offer
// them again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veloria {

struct LibraryGame {
  std::string caption;     // the window caption it played under (UTF-8)
  std::string folder;      // its absolute folder
  int64_t lastPlayed = 0;  // seconds since 1970, UTC
};
using GameList = std::vector<LibraryGame>;  // newest first, one entry per folder

// Bounds that keep the file small whatever is written into it by hand.
inline constexpr size_t kMaxLibraryGames = 200;
inline constexpr size_t kMaxLibraryBytes = 1024 * 1024;
inline constexpr size_t kMaxLibraryCaptionBytes = 1024;
inline constexpr size_t kMaxLibraryFolderBytes = 4096;

std::string formatLibrary(const GameList& games);
// nullopt when the text is not a library (not JSON, or no "games" list). Entries that make
// no sense (no absolute folder, a text too long) are left out, a folder listed twice counts
// once, the list comes back newest first and cut to kMaxLibraryGames.
std::optional<GameList> parseLibrary(std::string_view json);

// Puts `game` at the top, replacing the entry of the same folder; the oldest beyond the
// limit are dropped. A caption too long is cut at a character boundary.
void notePlayed(GameList& games, LibraryGame game);
// False when the folder is not in the list.
bool forgetGame(GameList& games, const std::string& folder);

// ---- the file ----
enum class LibraryFileState {
  Missing,  // no file yet: an empty list
  Read,
  Damaged,  // there and readable but not a library: an empty list until the next write
  Held,     // a link, a folder, too large, unreadable, or the data folder is not ours: never written
};
struct LoadedLibrary {
  GameList games;
  LibraryFileState state = LibraryFileState::Missing;
};

// $XDG_DATA_HOME/veloria/library.json (see fs::userDataDirectory).
std::string libraryFilePath();
// Reads the file; a damaged or held file is said once per run on stderr. Writes nothing.
LoadedLibrary loadLibrary();
// Adds the game in `folder` (absolute) as played now, or moves it to the top. A damaged file
// is replaced, its bytes kept beside it as library.json.damaged; a held one is left alone
// (false).
bool recordPlayedGame(const std::string& caption, const std::string& folder);
// Takes a folder out of the list and writes it; false when it was not there or the file
// could not be written.
bool removeFromLibrary(const std::string& folder);
// "2026-12-09 01:02" in the local time zone; empty for 0.
std::string formatPlayedTime(int64_t unixSeconds);

}  // namespace veloria
