#include "support/game_dir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/files.h"

namespace veloria::test {

GameDir::GameDir(const GameFiles& files) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "veloria-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot create " + tmpl);
  root_ = tmpl;
  game_ = root_ + "/game";
  std::filesystem::create_directories(game_);
  previousGame_ = fs::gameDirectory();
  fs::setGameDirectory(game_);
  pointEnv("VELORIA_RUNTIME_DIR", root_ + "/rt");
  pointEnv("VELORIA_CONFIG_DIR", root_ + "/config");
  for (const auto& [name, bytes] : files) write(name, bytes);
}

GameDir::~GameDir() {
  // Put back only what is still ours: a later directory that is still alive keeps its own.
  for (auto it = env_.rbegin(); it != env_.rend(); ++it) {
    const char* now = std::getenv(it->name);
    if (!now || it->ours != now) continue;
    if (it->before)
      ::setenv(it->name, it->before->c_str(), 1);
    else
      ::unsetenv(it->name);
  }
  if (fs::gameDirectory() == game_)
    fs::setGameDirectory(fs::hostExists(previousGame_) ? previousGame_ : ".");
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

void GameDir::pointEnv(const char* name, std::string value) {
  const char* before = std::getenv(name);
  env_.push_back({name, before ? std::optional<std::string>(before) : std::nullopt, value});
  ::setenv(name, value.c_str(), 1);
}

void GameDir::write(const std::string& name, std::string_view bytes) const {
  std::filesystem::path p = std::filesystem::path(game_) / name;
  std::filesystem::create_directories(p.parent_path());
  if (!fs::writeHostFile(p.string(), bytes.data(), bytes.size()))
    throw std::runtime_error("cannot write " + p.string());
  fs::invalidateCache();
}

void GameDir::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool GameDir::exists(const std::string& name) const {
  return std::filesystem::exists(std::filesystem::path(game_) / name);
}

}  // namespace veloria::test
