// INI lookup for getini and getreg, with the private-profile rules: section and key names
// compare without regard to ASCII letter case, names and values are trimmed, a value in
// matching quotes loses them, and the first matching section and key win.
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/text_codec.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

std::string_view trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
  return s.substr(b, e - b);
}

// Letter case is ignored for ASCII letters only, never for the second byte of a character.
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (isSjisLead(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string iniLookup(std::string_view text, std::string_view section, std::string_view key) {
  std::string_view wantSection = trim(section), wantKey = trim(key);
  bool inSection = false, sectionSeen = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string_view name = trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
      // Only the first section of a name counts.
      if (inSection) return {};
      inSection = !sectionSeen && sameName(name, wantSection);
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    if (!inSection) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos || !sameName(trim(line.substr(0, eq)), wantKey)) continue;
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
      value = value.substr(1, value.size() - 2);
    return std::string(value);
  }
  return {};
}

std::string registryFilePath() { return fs::joinHost(fs::userConfigDirectory(), "registry.ini"); }

}  // namespace veloria
