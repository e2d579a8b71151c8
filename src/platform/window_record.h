// The real window's size, place and magnification, remembered per game in the user's
// settings directory, so a game opens the way the player left it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/window_layout.h"

namespace veloria {

struct WindowRecord {
  int clientW = 640, clientH = 480;  // the game's screen the size below was chosen for
  int x = 0, y = 0;                  // window position on the desktop
  int width = 0, height = 0;         // window size in points (picture and menu strip)
  ScaleMode mode = ScaleMode::Sharp;
};

// The record's text; parse gives nullopt for anything damaged or written for another game.
std::string formatWindowRecord(const WindowRecord& r, const std::string& gameDir);
std::optional<WindowRecord> parseWindowRecord(const std::string& text, const std::string& gameDir);

// A record larger than this is not ours and is not read.
inline constexpr size_t kMaxWindowRecordBytes = 64 * 1024;

// A file of its own per game directory (an absolute path) in `folder` of the settings
// directory: the folder's own name, cut to plain letters, and a hash of the whole path.
std::string perGameRecordPath(const std::string& configDir, const std::string& folder, const std::string& gameDir);

// One file per game directory (an absolute path) under the settings directory.
std::string windowRecordPath(const std::string& configDir, const std::string& gameDir);
std::optional<WindowRecord> loadWindowRecord(const std::string& configDir, const std::string& gameDir);
bool saveWindowRecord(const std::string& configDir, const std::string& gameDir, const WindowRecord& r);

}  // namespace veloria
