// Keeping the player's files somewhere else for a while (a play-test's scratch folder).
#pragma once

#include <optional>
#include <string>

namespace veloria::fs {

// Keeps every player's file in `dir` alone (read, written and removed there; the game
// directory and the per-user folder are left alone); nullopt ends that.
void redirectPersistentFiles(std::optional<std::string> dir);

}  // namespace veloria::fs
