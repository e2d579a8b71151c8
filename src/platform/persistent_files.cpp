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
#include <set>

#include "platform/files.h"
#include "platform/files_internal.h"
#include "platform/persistent_redirect.h"
#include "platform/text_codec.h"

namespace veloria::fs {

std::optional<std::string> g_persistDir;
std::set<std::string> g_held;

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

// Called with g_mutex held. Empty when the per-user folder is unsafe: nothing is saved then.
const std::string& persistentDirectoryLocked() {
  if (g_persistRedirect) return *g_persistRedirect;
  if (g_persistDir) return *g_persistDir;
  bool writable = g_writableOverride ? *g_writableOverride : ::access(g_gameDir.c_str(), W_OK) == 0;
  if (writable) {
    g_persistDir = g_gameDir;
    return *g_persistDir;
  }
  std::string base = userDataDirectory();
  std::string dir = joinHost(base, gameDirectoryName(g_gameDir));
  std::error_code ec;
  std::filesystem::create_directories(base, ec);
  std::string why;
  if (!makePrivateDirectory(dir, false, &why)) {
    std::fprintf(stderr, "veloria: the game directory %s cannot be written and %s; nothing will be saved\n",
                 g_gameDir.c_str(), why.c_str());
    // A folder another user can write to may hold anything: it is neither read nor written.
    dir.clear();
  } else {
    std::fprintf(stderr, "veloria: the game directory %s cannot be written; saves and settings are kept in %s\n",
                 g_gameDir.c_str(), dir.c_str());
  }
  g_persistDir = dir;
  return *g_persistDir;
}

std::string inFolder(const std::string& dir, std::string_view name) {
  return joinHost(dir, isAscii(name) ? std::string(name) : sjisToUtf8(name));
}

// The host path a player's file is read from: the per-user folder's when it holds one (or
// something else of that name), else the game directory's.
std::string persistentReadPath(std::string_view name) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::string& dir = persistentDirectoryLocked();
    if (dir != g_gameDir && !dir.empty()) {
      std::string p = inFolder(dir, name);
      struct stat st {};
      // Redirected, the game directory's own copies are not the run's.
      if (::lstat(p.c_str(), &st) == 0 || errno != ENOENT || g_persistRedirect) return p;
    }
  }
  return resolveForWrite(name);
}

// Empty when nothing may be written.
std::string persistentWritePath(std::string_view name) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    const std::string& dir = persistentDirectoryLocked();
    if (dir.empty()) return {};
    if (dir != g_gameDir) return inFolder(dir, name);
  }
  return resolveForWrite(name);
}

bool isHeld(const std::string& hostPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_held.count(absoluteHostPath(hostPath)) != 0;
}

void hold(const std::string& hostPath, ReadProblem why) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_held.insert(absoluteHostPath(hostPath)).second) return;
  std::fprintf(stderr, "veloria: %s %s; it is left as it is and not written this run (playing on with defaults)\n",
               hostPath.c_str(), describe(why));
}

// The path a player's file may be written at, or empty. Something other than a plain file
// in its place (a link, a folder) was not put there by us and is held as well.
std::string writablePath(std::string_view name) {
  std::string path = persistentWritePath(name);
  if (path.empty() || isHeld(path)) return {};
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 ? !S_ISREG(st.st_mode) : errno != ENOENT) {
    hold(path, ReadProblem::Unreadable);
    return {};
  }
  return path;
}

}  // namespace

std::string userDataDirectory() { return joinHost(dataHome(), "veloria"); }

std::string persistentDirectory() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return persistentDirectoryLocked();
}

std::optional<std::vector<uint8_t>> readPersistentFile(std::string_view name, uint64_t maxSize, ReadProblem* problem) {
  ReadProblem why = ReadProblem::None;
  const std::string path = persistentReadPath(name);
  // A link planted in place of a save is not ours: it is not followed.
  auto data = readHostFileNoFollow(path, maxSize, &why);
  if (!data && why != ReadProblem::Missing) hold(path, why);
  if (problem) *problem = why;
  return data;
}

bool persistentFileHeld(std::string_view name) {
  const std::string path = persistentWritePath(name);
  return !path.empty() && isHeld(path);
}

bool writePersistentFile(std::string_view name, const void* data, size_t size) {
  const std::string path = writablePath(name);
  bool ok = !path.empty() && writeHostFile(path, data, size);
  invalidateCache();
  return ok;
}

bool removePersistentFile(std::string_view name) {
  const std::string path = writablePath(name);
  bool ok = !path.empty() && ::unlink(path.c_str()) == 0;
  invalidateCache();
  return ok;
}

bool appendPersistentFile(std::string_view name, const void* data, size_t size, uint64_t maxFileSize) {
  const std::string path = writablePath(name);
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
  const std::string p = persistentReadPath(name);
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
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
