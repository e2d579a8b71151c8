// Game files. Scripts name files Windows-style ("bgm\Title.MID"): '\' or '/' separators and
// any letter case. These functions find the real file under the game directory, so the rest
// of the engine never sees a host path rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veloria::fs {

// The directory relative game paths start from (the engine's current directory).
void setGameDirectory(const std::string& hostPath);
const std::string& gameDirectory();

// The host path of an existing file or directory named by a game path (Shift-JIS), matching
// each component without regard to ASCII letter case; nullopt when there is none.
std::optional<std::string> resolve(std::string_view gamePath);
// A host path to create or overwrite: existing components are matched as in resolve, the
// rest are taken as written (converted to UTF-8).
std::string resolveForWrite(std::string_view gamePath);
bool exists(std::string_view gamePath);
// Forgets cached directory listings (after the engine creates or removes files).
void invalidateCache();

std::optional<std::vector<uint8_t>> readFile(std::string_view gamePath);
bool writeFile(std::string_view gamePath, const void* data, size_t size);
bool removeFile(std::string_view gamePath);

// Host-path helpers for the engine's own files (temporary directory and the like).
std::optional<std::vector<uint8_t>> readHostFile(const std::string& hostPath);
bool writeHostFile(const std::string& hostPath, const void* data, size_t size);
// Files of our own that must survive a crash and must not be redirected: written to a
// temporary file beside the target, synced and renamed over it (a symbolic link at the
// target is replaced, never followed). False leaves the old file as it was.
bool writeHostFileAtomic(const std::string& hostPath, const void* data, size_t size);
// Reads a file of our own; a symbolic link in its place is refused.
std::optional<std::vector<uint8_t>> readHostFileNoFollow(const std::string& hostPath);
bool hostExists(const std::string& hostPath);
// Size and modification time of a host path in one system call.
struct HostStamp {
  bool regular = false;  // a plain file (size is 0 otherwise)
  uint64_t size = 0;
  int64_t mtimeNs = 0;
};
std::optional<HostStamp> hostStamp(const std::string& hostPath);
bool makeDirectories(const std::string& hostPath);
// Removes a directory and what is in it; never follows symbolic links out of it.
bool removeTree(const std::string& hostPath);
std::string joinHost(const std::string& dir, const std::string& name);
// Per-user directory for the instance lock and the temporary directory.
std::string runtimeDirectory();
// The user's settings directory (stand-in for the registry and per-user state).
std::string userConfigDirectory();

}  // namespace veloria::fs
