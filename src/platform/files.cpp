#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/text_codec.h"

namespace veloria::fs {

namespace {

std::mutex g_mutex;
std::string g_gameDir = ".";

struct Listing {
  struct timespec mtime {};
  std::vector<std::string> names;
};
std::map<std::string, Listing> g_listings;

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

const std::vector<std::string>* listDir(const std::string& dir) {
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  auto it = g_listings.find(dir);
  if (it != g_listings.end() && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
      it->second.mtime.tv_nsec == st.st_mtim.tv_nsec)
    return &it->second.names;
  Listing l;
  l.mtime = st.st_mtim;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      l.names.push_back(std::move(n));
    }
    closedir(d);
  }
  auto& slot = g_listings[dir];
  slot = std::move(l);
  return &slot.names;
}

std::vector<std::string> splitGamePath(std::string_view p, bool* absolute) {
  std::vector<std::string> parts;
  std::string cur;
  *absolute = !p.empty() && (p[0] == '/' || p[0] == '\\');
  for (size_t i = 0; i < p.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (isSjisLead(c) && i + 1 < p.size()) {  // a trail byte may be 0x5C: not a separator
      cur.push_back(p[i]);
      cur.push_back(p[++i]);
      continue;
    }
    if (c == '\\' || c == '/') {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
      continue;
    }
    cur.push_back(static_cast<char>(c));
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

// Finds `component` (Shift-JIS) among the entries of `dir`; exact names win over folded ones.
std::optional<std::string> matchComponent(const std::string& dir, const std::string& component) {
  if (component == ".") return std::string(".");
  if (component == "..") return std::string("..");
  const auto* names = listDir(dir);
  if (!names) return std::nullopt;
  std::string utf8 = isAscii(component) ? component : sjisToUtf8(component);
  for (const auto& n : *names)
    if (n == component || n == utf8) return n;
  for (const auto& n : *names)
    if (equalsIgnoreAsciiCase(n, component) || equalsIgnoreAsciiCase(n, utf8)) return n;
  return std::nullopt;
}

// Where the player's files go for the current game directory (decided once per directory).
std::optional<std::string> g_persistDir;
std::optional<bool> g_writableOverride;

std::string baseFor(bool absolute) { return absolute ? std::string("/") : g_gameDir; }

}  // namespace

void setGameDirectory(const std::string& hostPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_gameDir = hostPath.empty() ? "." : hostPath;
  g_listings.clear();
  g_persistDir.reset();
}

const std::string& gameDirectory() { return g_gameDir; }

std::optional<std::string> resolve(std::string_view gamePath) {
  if (gamePath.empty()) return std::nullopt;
  std::lock_guard<std::mutex> lock(g_mutex);
  bool absolute = false;
  auto parts = splitGamePath(gamePath, &absolute);
  std::string cur = baseFor(absolute);
  for (const auto& part : parts) {
    auto m = matchComponent(cur, part);
    if (!m) return std::nullopt;
    cur = joinHost(cur, *m);
  }
  struct stat st {};
  if (stat(cur.c_str(), &st) != 0) return std::nullopt;
  return cur;
}

std::string resolveForWrite(std::string_view gamePath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  bool absolute = false;
  auto parts = splitGamePath(gamePath, &absolute);
  std::string cur = baseFor(absolute);
  for (const auto& part : parts) {
    auto m = matchComponent(cur, part);
    cur = joinHost(cur, m ? *m : (isAscii(part) ? part : sjisToUtf8(part)));
  }
  return cur;
}

bool exists(std::string_view gamePath) { return resolve(gamePath).has_value(); }

void invalidateCache() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_listings.clear();
}

std::optional<std::vector<uint8_t>> readFile(std::string_view gamePath) {
  auto p = resolve(gamePath);
  if (!p) return std::nullopt;
  return readHostFile(*p);
}

bool writeFile(std::string_view gamePath, const void* data, size_t size) {
  bool ok = writeHostFile(resolveForWrite(gamePath), data, size);
  invalidateCache();
  return ok;
}

bool removeFile(std::string_view gamePath) {
  auto p = resolve(gamePath);
  if (!p) return false;
  bool ok = ::unlink(p->c_str()) == 0;
  invalidateCache();
  return ok;
}

namespace {

// Reads a regular file from an open descriptor (closed here).
std::optional<std::vector<uint8_t>> readDescriptor(int fd) {
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::vector<uint8_t> data;
  data.reserve(static_cast<size_t>(st.st_size));
  uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    data.insert(data.end(), buf, buf + n);
  }
  ::close(fd);
  return data;
}

std::string parentOf(const std::string& hostPath) {
  size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return hostPath.substr(0, slash);
}

bool syncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync a directory
  ::close(fd);
  return ok;
}

std::atomic<unsigned> g_tempCounter{0};

}  // namespace

std::optional<std::vector<uint8_t>> readHostFile(const std::string& hostPath) {
  return readDescriptor(::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC));
}

std::optional<std::vector<uint8_t>> readHostFileNoFollow(const std::string& hostPath) {
  return readDescriptor(::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
}

ReplacementFile::ReplacementFile(std::string hostPath) : target_(std::move(hostPath)) {
  const std::string dir = parentOf(target_);
  std::string base = target_.substr(target_.find_last_of('/') == std::string::npos ? 0 : target_.find_last_of('/') + 1);
  if (base.size() > 200) base.resize(200);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                       std::to_string(g_tempCounter.fetch_add(1));
    std::string path = dir == "/" ? "/" + name : dir + "/" + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return;
    }
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
      ::close(fd);
      ::unlink(path.c_str());
      return;
    }
    temp_ = std::move(path);
    return;
  }
}

ReplacementFile::~ReplacementFile() { abort(); }

bool ReplacementFile::write(const void* data, size_t size) {
  if (!stream_ || failed_) return false;
  if (size > 0 && std::fwrite(data, 1, size, stream_) != size) failed_ = true;
  return !failed_;
}

void ReplacementFile::abort() {
  if (!stream_) return;
  std::fclose(stream_);
  stream_ = nullptr;
  ::unlink(temp_.c_str());
}

bool ReplacementFile::commit(bool durable) {
  if (!stream_) return false;
  bool ok = !failed_ && std::fflush(stream_) == 0 && !std::ferror(stream_);
  if (ok && durable) ok = ::fsync(fileno(stream_)) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp_.c_str());
    return false;
  }
  if (durable) syncDirectory(parentOf(target_));
  return true;
}

bool writeHostFile(const std::string& hostPath, const void* data, size_t size) {
  ReplacementFile f(hostPath);
  return f.write(data, size) && f.commit(true);
}

bool isHostDirectory(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool removeHostFile(const std::string& hostPath) { return ::unlink(hostPath.c_str()) == 0; }

std::vector<std::string> listHostDirectory(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* en = readdir(d)) {
      std::string n = en->d_name;
      if (n != "." && n != "..") names.push_back(std::move(n));
    }
    closedir(d);
  }
  return names;
}

std::FILE* openHostForReading(const std::string& hostPath) { return std::fopen(hostPath.c_str(), "rb"); }

bool makePrivateDirectory(const std::string& path, bool strict, std::string* why) {
  auto refuse = [&](const std::string& reason) {
    if (why) *why = path + ": " + reason;
    return false;
  };
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return refuse(std::strerror(errno));
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return refuse(std::strerror(errno));
  if (S_ISLNK(st.st_mode)) return refuse("is a symbolic link");
  if (!S_ISDIR(st.st_mode)) return refuse("is not a directory");
  if (st.st_uid != ::geteuid()) return refuse("belongs to another user");
  if (strict ? (st.st_mode & 077) != 0 : (st.st_mode & 022) != 0)
    return refuse("is open to other users");
  return true;
}

std::string absoluteHostPath(const std::string& hostPath) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(hostPath, ec);
  return ec ? hostPath : p.lexically_normal().string();
}

bool hostExists(const std::string& hostPath) {
  struct stat st {};
  return stat(hostPath.c_str(), &st) == 0;
}

std::optional<HostStamp> hostStamp(const std::string& hostPath) {
  struct stat st {};
  if (stat(hostPath.c_str(), &st) != 0) return std::nullopt;
  HostStamp s;
  s.regular = S_ISREG(st.st_mode);
  s.size = s.regular ? static_cast<uint64_t>(st.st_size) : 0;
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

bool makeDirectories(const std::string& hostPath) {
  std::error_code ec;
  std::filesystem::create_directories(hostPath, ec);
  return hostExists(hostPath);
}

bool removeTree(const std::string& hostPath) {
  std::error_code ec;
  std::filesystem::remove_all(hostPath, ec);  // remove_all does not follow symlinks
  return !ec;
}

std::string joinHost(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string runtimeDirectory() {
  if (const char* d = std::getenv("VELORIA_RUNTIME_DIR"); d && *d) return d;
  if (const char* d = std::getenv("XDG_RUNTIME_DIR"); d && *d) return joinHost(d, "veloria");
  return "/tmp/veloria-" + std::to_string(getuid());
}

std::string prepareRuntimeDirectory(std::string* why) {
  std::string dir = runtimeDirectory();
  const char* given = std::getenv("VELORIA_RUNTIME_DIR");
  bool fallback = !(given && *given);
  if (fallback) {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    fallback = !(xdg && *xdg);
  }
  if (!fallback && !isHostDirectory(parentOf(dir))) makeDirectories(parentOf(dir));
  if (!makePrivateDirectory(dir, fallback, why)) return std::string();
  return dir;
}

std::string userConfigDirectory() {
  if (const char* d = std::getenv("VELORIA_CONFIG_DIR"); d && *d) return d;
  if (const char* d = std::getenv("XDG_CONFIG_HOME"); d && *d) return joinHost(d, "veloria");
  if (const char* h = std::getenv("HOME"); h && *h) return joinHost(joinHost(h, ".config"), "veloria");
  return joinHost(runtimeDirectory(), "config");
}

// ---- the player's files ----

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
  return readDescriptor(::open(p->c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
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
