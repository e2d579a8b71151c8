#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

std::string baseFor(bool absolute) { return absolute ? std::string("/") : g_gameDir; }

}  // namespace

void setGameDirectory(const std::string& hostPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_gameDir = hostPath.empty() ? "." : hostPath;
  g_listings.clear();
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

std::optional<std::vector<uint8_t>> readHostFile(const std::string& hostPath) {
  FILE* f = std::fopen(hostPath.c_str(), "rb");
  if (!f) return std::nullopt;
  struct stat st {};
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return std::nullopt;
  }
  std::vector<uint8_t> data;
  data.reserve(static_cast<size_t>(st.st_size));
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  std::fclose(f);
  return data;
}

bool writeHostFile(const std::string& hostPath, const void* data, size_t size) {
  FILE* f = std::fopen(hostPath.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}

std::optional<std::vector<uint8_t>> readHostFileNoFollow(const std::string& hostPath) {
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::vector<uint8_t>> out;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    std::vector<uint8_t> data;
    uint8_t buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) data.insert(data.end(), buf, buf + n);
    if (n == 0) out = std::move(data);
  }
  ::close(fd);
  return out;
}

bool writeHostFileAtomic(const std::string& hostPath, const void* data, size_t size) {
  size_t slash = hostPath.rfind('/');
  std::string dir = slash == std::string::npos ? "." : hostPath.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
  if (base.empty()) return false;
  // O_EXCL with a name of our own: never an existing file or a link someone left there.
  static std::atomic<unsigned> counter{0};
  std::string tmp = joinHost(dir, "." + base + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  size_t left = size;
  bool ok = true;
  while (ok && left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) p += n, left -= static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(tmp.c_str(), hostPath.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // The rename itself reaches the disk with the directory.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
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

std::string userConfigDirectory() {
  if (const char* d = std::getenv("VELORIA_CONFIG_DIR"); d && *d) return d;
  if (const char* d = std::getenv("XDG_CONFIG_HOME"); d && *d) return joinHost(d, "veloria");
  if (const char* h = std::getenv("HOME"); h && *h) return joinHost(joinHost(h, ".config"), "veloria");
  return joinHost(runtimeDirectory(), "config");
}

}  // namespace veloria::fs
