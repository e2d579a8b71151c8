#include "platform/window_record.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <vector>

#include "platform/files.h"

namespace veloria {

namespace {

constexpr char kHeader[] = "# Veloria window";

bool parseInt(const std::string& s, int lo, int hi, int* out) {
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  *out = v;
  return true;
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// FNV-1a: a stable name for a directory path, the same on every run and build.
uint64_t pathHash(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

}  // namespace

std::string formatWindowRecord(const WindowRecord& r, const std::string& gameDir) {
  std::ostringstream o;
  o << kHeader << "\n"
    << "game " << gameDir << "\n"
    << "client " << r.clientW << " " << r.clientH << "\n"
    << "window " << r.x << " " << r.y << " " << r.width << " " << r.height << "\n"
    << "scale " << (r.mode == ScaleMode::Smooth ? "smooth" : "sharp") << "\n";
  return o.str();
}

std::optional<WindowRecord> parseWindowRecord(const std::string& text, const std::string& gameDir) {
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || line != kHeader) return std::nullopt;
  WindowRecord r;
  bool game = false, client = false, window = false, scale = false;
  while (std::getline(in, line)) {
    if (line.rfind("game ", 0) == 0) {
      // The path is the rest of the line, spaces and all: a record copied from another
      // game's file does not apply here.
      if (game || line.substr(5) != gameDir) return std::nullopt;
      game = true;
      continue;
    }
    auto w = words(line);
    if (w.empty()) continue;
    if (w[0] == "client" && w.size() == 3 && !client) {
      if (!parseInt(w[1], 1, 16384, &r.clientW) || !parseInt(w[2], 1, 16384, &r.clientH)) return std::nullopt;
      client = true;
    } else if (w[0] == "window" && w.size() == 5 && !window) {
      if (!parseInt(w[1], -32768, 32767, &r.x) || !parseInt(w[2], -32768, 32767, &r.y) ||
          !parseInt(w[3], 1, 32767, &r.width) || !parseInt(w[4], 1, 32767, &r.height))
        return std::nullopt;
      window = true;
    } else if (w[0] == "scale" && w.size() == 2 && !scale) {
      if (w[1] == "sharp") r.mode = ScaleMode::Sharp;
      else if (w[1] == "smooth") r.mode = ScaleMode::Smooth;
      else return std::nullopt;
      scale = true;
    } else {
      return std::nullopt;
    }
  }
  if (!game || !client || !window || !scale) return std::nullopt;
  return r;
}

std::string perGameRecordPath(const std::string& configDir, const std::string& folder, const std::string& gameDir) {
  // The directory's own name keeps the file recognisable; the hash keeps two games with the
  // same folder name apart.
  std::string base;
  size_t end = gameDir.find_last_not_of('/');
  size_t slash = end == std::string::npos ? std::string::npos : gameDir.rfind('/', end);
  std::string last = end == std::string::npos ? std::string() : gameDir.substr(slash + 1, end - slash);
  for (char c : last) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (base.size() < 40) base.push_back(plain ? c : '_');
  }
  if (base.empty()) base = "game";
  char hash[17];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(pathHash(gameDir)));
  return fs::joinHost(fs::joinHost(configDir, folder), base + "-" + hash + ".txt");
}

std::string windowRecordPath(const std::string& configDir, const std::string& gameDir) {
  return perGameRecordPath(configDir, "windows", gameDir);
}

std::optional<WindowRecord> loadWindowRecord(const std::string& configDir, const std::string& gameDir) {
  auto data = fs::readHostFileNoFollow(windowRecordPath(configDir, gameDir), kMaxWindowRecordBytes);
  if (!data) return std::nullopt;
  return parseWindowRecord(std::string(data->begin(), data->end()), gameDir);
}

bool saveWindowRecord(const std::string& configDir, const std::string& gameDir, const WindowRecord& r) {
  std::string path = windowRecordPath(configDir, gameDir);
  if (!fs::makeDirectories(fs::joinHost(configDir, "windows"))) return false;
  std::string text = formatWindowRecord(r, gameDir);
  return fs::writeHostFile(path, text.data(), text.size());
}

}  // namespace veloria
