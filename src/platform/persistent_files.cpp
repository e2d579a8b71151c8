// The player's files (saves, settings, logs): in the game directory, or, when the player
// cannot write there, in a private folder per user and game.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>

#include "platform/files.h"
#include "platform/files_internal.h"
#include "platform/persistent_redirect.h"
#include "platform/text_codec.h"

namespace veloria::fs {

std::optional<std::string> g_persistDir;

namespace {

std::optional<bool> g_writableOverride;
std::optional<std::string> g_persistRedirect;

}  // namespace

void redirectPersistentFiles(std::optional<std::string> dir) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_persistRedirect = std::move(dir);
  g_persistDir.reset();
}

void overrideGameDirectoryWritable(std::optional<bool> writable) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_writableOverride = writable;
  g_persistDir.reset();
}

namespace {

std::string dataHome() {
  if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d) return d;
  if (const char* h = std::getenv("HOME"); h && *h) return joinHost(joinHost(h, ".local"), "share");
  return joinHost(runtimeDirectory(), "data");
}

std::string gameDirectoryName(const std::string& gameDir) {
  std::string name;
  if (char* real = ::realpath(gameDir.c_str(), nullptr)) {
    name = real;
    std::free(real);
  } else {
    name = gameDir;
  }
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") name = "game";
  return name;
}

// Called with g_mutex held.
const std::string& persistentDirectoryLocked() {
  if (g_persistRedirect) return *g_persistRedirect;
  if (g_persistDir) return *g_persistDir;
  bool writable = g_writableOverride ? *g_writableOverride : ::access(g_gameDir.c_str(), W_OK) == 0;
  if (writable) {
    g_persistDir = g_gameDir;
    return *g_persistDir;
  }
  std::string base = joinHost(dataHome(), "veloria");
  std::string dir = joinHost(base, gameDirectoryName(g_gameDir));
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  std::string why;
  if (!makePrivateDirectory(dir, false, &why)) {
    std::fprintf(stderr, "veloria: the game directory %s cannot be written and %s; nothing will be saved\n",
                 g_gameDir.c_str(), why.c_str());
  } else {
    std::fprintf(stderr, "veloria: the game directory %s cannot be written; saves and settings are kept in %s\n",
                 g_gameDir.c_str(), dir.c_str());
  }
  g_persistDir = dir;
  return *g_persistDir;
}

// The host path a player's file is read from, or nullopt when it exists nowhere.
std::optional<std::string> persistentReadPath(std::string_view name) {
  std::string dir;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    dir = persistentDirectoryLocked();
    if (dir != g_gameDir) {
      std::string p = joinHost(dir, isAscii(name) ? std::string(name) : sjisToUtf8(name));
      struct stat st {};
      if (::lstat(p.c_str(), &st) == 0) return p;
      // Redirected, the game directory's own copies are not the run's.
      if (g_persistRedirect) return std::nullopt;
    }
  }
  return resolve(name);
}

std::string persistentWritePath(std::string_view name) {
  std::string dir;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    dir = persistentDirectoryLocked();
    if (dir != g_gameDir) return joinHost(dir, isAscii(name) ? std::string(name) : sjisToUtf8(name));
  }
  return resolveForWrite(name);
}

}  // namespace

std::string persistentDirectory() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return persistentDirectoryLocked();
}

std::optional<std::vector<uint8_t>> readPersistentFile(std::string_view name) {
  auto p = persistentReadPath(name);
  if (!p) return std::nullopt;
  // A link planted in place of a save is not ours: it is not followed.
  return readHostFileNoFollow(*p);
}

bool writePersistentFile(std::string_view name, const void* data, size_t size) {
  bool ok = writeHostFile(persistentWritePath(name), data, size);
  invalidateCache();
  return ok;
}

bool removePersistentFile(std::string_view name) {
  bool ok = ::unlink(persistentWritePath(name).c_str()) == 0;
  invalidateCache();
  return ok;
}

bool appendPersistentFile(std::string_view name, const void* data, size_t size, uint64_t maxFileSize) {
  const std::string path = persistentWritePath(name);
  if (path.empty()) return false;
  // A log the engine adds to: never through a link, never past its size limit.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) + size <= maxFileSize;
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t done = 0; ok && done < size;) {
    ssize_t n = ::write(fd, p + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ::close(fd);
  invalidateCache();
  return ok;
}

std::optional<HostStamp> persistentFileStamp(std::string_view name) {
  auto p = persistentReadPath(name);
  if (!p) return std::nullopt;
  struct stat st {};
  if (::lstat(p->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  HostStamp s;
  s.regular = true;
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

std::optional<LocalFileTime> persistentFileLocalTime(std::string_view name) {
  auto stamp = persistentFileStamp(name);
  if (!stamp) return std::nullopt;
  time_t secs = static_cast<time_t>(stamp->mtimeNs / 1000000000);
  struct tm tm {};
  if (!::localtime_r(&secs, &tm)) return std::nullopt;
  return LocalFileTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min};
}


}  // namespace veloria::fs
