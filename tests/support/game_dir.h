// The tests' one scratch game directory. While it lives it is the directory game paths
// are resolved in, and the engine's per-user directories (runtime, settings) point beside
// it, so a test never touches the real user's files. It is removed with everything in it
// when it ends, and what it replaced comes back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veloria::test {

// Game-relative file name ('/' separators) -> file bytes.
using GameFiles = std::map<std::string, std::string>;

class GameDir {
 public:
  explicit GameDir(const GameFiles& files = {});
  ~GameDir();
  GameDir(const GameDir&) = delete;
  GameDir& operator=(const GameDir&) = delete;

  // The game directory.
  const std::string& path() const { return game_; }
  // A directory beside the game for what the game must not see (sources, outputs); the
  // runtime and settings directories are its "rt" and "config".
  const std::string& scratch() const { return root_; }

  // Writes a file under the game directory, making its folders.
  void write(const std::string& name, std::string_view bytes) const;
  void write(const std::string& name, const std::vector<uint8_t>& bytes) const;
  bool exists(const std::string& name) const;

 private:
  struct SavedEnv {
    const char* name;
    std::optional<std::string> before;
    std::string ours;
  };
  void pointEnv(const char* name, std::string value);

  std::string root_;
  std::string game_;
  std::string previousGame_;
  std::vector<SavedEnv> env_;
};

}  // namespace veloria::test
