// Game paths: Windows-style names (any case, '\' or '/') resolved against the game
// directory, with each directory's listing cached until it changes.
#include "platform/files.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "platform/files_internal.h"
#include "platform/text_codec.h"

namespace veloria::fs {

std::mutex g_mutex;
std::string g_gameDir = ".";

namespace {

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

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

void setGameDirectory(const std::string& hostPath) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_gameDir = hostPath.empty() ? "." : hostPath;
  g_listings.clear();
  g_persistDir.reset();
  g_held.clear();
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

bool holdsGameScript(const std::string& hostDir) {
  auto isScriptName = [](std::string name) {
    for (char& c : name)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (name == "veloria.dat" || name == "velo_sec.dat") return true;
    if (name.size() < 5 || name.size() > 6 || name.compare(name.size() - 4, 4, ".txt") != 0) return false;
    const std::string digits = name.substr(0, name.size() - 4);
    // The loader asks for "7.txt", never "07.txt".
    if (digits.size() == 2 && digits[0] == '0') return false;
    for (char c : digits)
      if (c < '0' || c > '9') return false;
    return true;
  };
  for (const std::string& name : listHostDirectory(hostDir)) {
    if (!isScriptName(name)) continue;
    struct stat st {};
    if (::stat(joinHost(hostDir, name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return true;
  }
  return false;
}

bool staysInGame(std::string_view gamePath) {
  if (gamePath.empty()) return false;
  bool absolute = false;
  auto parts = splitGamePath(gamePath, &absolute);
  if (absolute || (gamePath.size() > 1 && gamePath[1] == ':')) return false;
  for (const auto& part : parts)
    if (part == "..") return false;
  return true;
}

std::optional<GameFile> resolveInGame(std::string_view gamePath) {
  if (!staysInGame(gamePath)) return std::nullopt;
  auto host = resolve(gamePath);
  if (!host) return std::nullopt;
  // A link inside the game may still point anywhere: its target is what counts.
  std::error_code ec;
  const std::filesystem::path real = std::filesystem::canonical(*host, ec);
  if (ec) return std::nullopt;
  const std::filesystem::path root = std::filesystem::canonical(gameDirectory(), ec);
  if (ec) return std::nullopt;
  const std::string r = root.string(), f = real.string();
  const size_t below = r == "/" ? 1 : r.size() + 1;
  if (f.size() <= below || f.compare(0, r.size(), r) != 0 || (r != "/" && f[r.size()] != '/'))
    return std::nullopt;
  return GameFile{f, f.substr(below)};
}

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

}  // namespace veloria::fs
