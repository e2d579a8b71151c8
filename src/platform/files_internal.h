// What the game paths (game_paths.cpp) and the player's files (persistent_files.cpp) share;
// not part of the interface.
#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace veloria::fs {

// Guards the game directory, its listings and the player's folder.
extern std::mutex g_mutex;
extern std::string g_gameDir;
// Where the player's files go for the current game directory (decided once per directory,
// forgotten when it changes).
extern std::optional<std::string> g_persistDir;
// The player's files that are there but could not be read safely this run (host paths): they
// are not written over. Forgotten with the game directory.
extern std::set<std::string> g_held;

bool isAscii(std::string_view s);

}  // namespace veloria::fs
