#include "platform/game_library.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

#include "platform/files.h"
#include "platform/json_writer.h"

namespace veloria {

namespace {

// Just enough JSON to read the library back: any well-formed document is taken, nesting is
// bounded, and whatever is not a game entry is skipped.
struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  double number = 0;
  bool integer = false;  // written without fraction or exponent
  std::string text;
  std::vector<JsonValue> items;
  // A struct of its own rather than a pair: a pair needs JsonValue complete here, which not
  // every standard library lets go.
  struct Member;
  std::vector<Member> members;

  const JsonValue* member(std::string_view key) const;
};

struct JsonValue::Member {
  std::string key;
  JsonValue value;
};

const JsonValue* JsonValue::member(std::string_view key) const {
  for (const Member& m : members)
    if (m.key == key) return &m.value;
  return nullptr;
}

class JsonReader {
 public:
  explicit JsonReader(std::string_view s) : s_(s) {}

  std::optional<JsonValue> document() {
    JsonValue v;
    if (!value(v, 0)) return std::nullopt;
    space();
    if (pos_ != s_.size()) return std::nullopt;
    return v;
  }

 private:
  static constexpr int kMaxDepth = 16;
  // A real library holds a few hundred values; a file of millions is not one.
  static constexpr size_t kMaxValues = 100000;

  void space() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) ++pos_;
  }
  bool literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool value(JsonValue& v, int depth) {
    if (depth > kMaxDepth || ++values_ > kMaxValues) return false;
    space();
    if (pos_ >= s_.size()) return false;
    char c = s_[pos_];
    if (c == '{') return object(v, depth);
    if (c == '[') return array(v, depth);
    if (c == '"') {
      v.kind = JsonValue::Kind::String;
      return string(v.text);
    }
    if (c == 't' || c == 'f') {
      v.kind = JsonValue::Kind::Bool;
      v.number = c == 't';
      return literal(c == 't' ? "true" : "false");
    }
    if (c == 'n') return literal("null");
    return number(v);
  }

  bool object(JsonValue& v, int depth) {
    v.kind = JsonValue::Kind::Object;
    ++pos_;
    space();
    if (pos_ < s_.size() && s_[pos_] == '}') return ++pos_, true;
    for (;;) {
      space();
      std::string key;
      if (pos_ >= s_.size() || s_[pos_] != '"' || !string(key)) return false;
      space();
      if (pos_ >= s_.size() || s_[pos_++] != ':') return false;
      JsonValue member;
      if (!value(member, depth + 1)) return false;
      v.members.push_back(JsonValue::Member{std::move(key), std::move(member)});
      space();
      if (pos_ >= s_.size()) return false;
      char c = s_[pos_++];
      if (c == '}') return true;
      if (c != ',') return false;
    }
  }

  bool array(JsonValue& v, int depth) {
    v.kind = JsonValue::Kind::Array;
    ++pos_;
    space();
    if (pos_ < s_.size() && s_[pos_] == ']') return ++pos_, true;
    for (;;) {
      JsonValue item;
      if (!value(item, depth + 1)) return false;
      v.items.push_back(std::move(item));
      space();
      if (pos_ >= s_.size()) return false;
      char c = s_[pos_++];
      if (c == ']') return true;
      if (c != ',') return false;
    }
  }

  bool hex4(uint32_t& out) {
    if (s_.size() - pos_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      char c = s_[pos_++];
      out <<= 4;
      if (c >= '0' && c <= '9') out |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') out |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') out |= static_cast<uint32_t>(c - 'A' + 10);
      else return false;
    }
    return true;
  }

  static void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool string(std::string& out) {
    ++pos_;  // the opening quote
    while (pos_ < s_.size()) {
      unsigned char c = static_cast<unsigned char>(s_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (pos_ >= s_.size()) return false;
      char e = s_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          uint32_t cp = 0;
          if (!hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00) {
            uint32_t low = 0;
            if (!literal("\\u") || !hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          } else if (cp >= 0xDC00 && cp < 0xE000) {
            return false;
          }
          putUtf8(out, cp);
          break;
        }
        default: return false;
      }
    }
    return false;
  }

  bool number(JsonValue& v) {
    size_t start = pos_;
    auto digits = [&] {
      size_t from = pos_;
      while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') ++pos_;
      return pos_ > from;
    };
    if (pos_ < s_.size() && s_[pos_] == '-') ++pos_;
    if (!digits()) return false;
    v.integer = true;
    if (pos_ < s_.size() && s_[pos_] == '.') {
      ++pos_;
      if (!digits()) return false;
      v.integer = false;
    }
    if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
      if (!digits()) return false;
      v.integer = false;
    }
    // Long digit runs are kept short before strtod sees them: the value only matters when small.
    std::string text(s_.substr(start, std::min<size_t>(pos_ - start, 64)));
    v.kind = JsonValue::Kind::Number;
    v.number = std::strtod(text.c_str(), nullptr);
    if (pos_ - start > 64) v.integer = false;
    return true;
  }

  std::string_view s_;
  size_t pos_ = 0;
  size_t values_ = 0;
};

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string cutText(std::string s, size_t limit) {
  if (s.size() <= limit) return s;
  size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  s.resize(end);
  return s;
}

void newestFirst(GameList& games) {
  std::stable_sort(games.begin(), games.end(),
                   [](const LibraryGame& a, const LibraryGame& b) { return a.lastPlayed > b.lastPlayed; });
}

// A damaged or held file is said once per run, not at every look.
std::set<std::string> g_said;

void sayOnce(const std::string& path, const std::string& what) {
  if (!g_said.insert(path + "\n" + what).second) return;
  std::fprintf(stderr, "veloria: %s %s\n", path.c_str(), what.c_str());
}

// The data folder, made when missing; empty when it is not this user's alone to write.
std::string dataFolder(bool create) {
  const std::string base = fs::userDataDirectory();
  if (!create && !fs::isHostDirectory(base)) return base;  // nothing there yet: nothing to read
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(base).parent_path(), ec);
  std::string why;
  if (!fs::makePrivateDirectory(base, false, &why)) {
    sayOnce(base, "is not used for the game library (" + why + ")");
    return {};
  }
  return base;
}

// Loads the list, makes a change and writes it back; nothing is written when the file is held
// or `change` changed nothing.
template <class Change>
bool changeLibrary(Change change) {
  if (dataFolder(true).empty()) return false;
  const std::string path = libraryFilePath();
  LoadedLibrary lib = loadLibrary();
  if (lib.state == LibraryFileState::Held || !change(lib.games)) return false;
  if (lib.state == LibraryFileState::Damaged) {
    // The list starts again, but what was there stays at hand for whoever wants to mend it.
    if (auto old = fs::readHostFileNoFollow(path, kMaxLibraryBytes)) {
      if (!fs::writeHostFile(path + ".damaged", old->data(), old->size())) return false;
    }
  }
  const std::string text = formatLibrary(lib.games);
  return fs::writeHostFile(path, text.data(), text.size());
}

}  // namespace

std::string formatLibrary(const GameList& games) {
  JsonWriter w;
  w.beginObject().key("version").value(1).key("games").beginArray();
  for (const auto& g : games) {
    w.beginObject();
    w.key("caption").value(g.caption);
    w.key("folder").value(g.folder);
    w.key("lastPlayed").value(g.lastPlayed);
    w.endObject();
  }
  w.endArray().endObject();
  return w.str() + "\n";
}

std::optional<GameList> parseLibrary(std::string_view json) {
  if (json.size() > kMaxLibraryBytes) return std::nullopt;
  auto doc = JsonReader(json).document();
  if (!doc || doc->kind != JsonValue::Kind::Object) return std::nullopt;
  const JsonValue* list = doc->member("games");
  if (!list || list->kind != JsonValue::Kind::Array) return std::nullopt;
  GameList games;
  std::set<std::string> seen;
  for (const JsonValue& item : list->items) {
    if (item.kind != JsonValue::Kind::Object) continue;
    const JsonValue* folder = item.member("folder");
    const JsonValue* caption = item.member("caption");
    const JsonValue* when = item.member("lastPlayed");
    if (!folder || folder->kind != JsonValue::Kind::String) continue;
    const std::string& f = folder->text;
    if (f.empty() || f[0] != '/' || f.size() > kMaxLibraryFolderBytes || f.find('\0') != std::string::npos) continue;
    if (!seen.insert(f).second) continue;
    LibraryGame g;
    g.folder = f;
    if (caption && caption->kind == JsonValue::Kind::String) g.caption = cutText(caption->text, kMaxLibraryCaptionBytes);
    // Seconds since 1970; anything else (a fraction, a sign, beyond 2^53) counts as never.
    if (when && when->kind == JsonValue::Kind::Number && when->integer && when->number >= 0 && when->number <= 9007199254740992.0)
      g.lastPlayed = static_cast<int64_t>(when->number);
    games.push_back(std::move(g));
  }
  newestFirst(games);
  if (games.size() > kMaxLibraryGames) games.resize(kMaxLibraryGames);
  return games;
}

void notePlayed(GameList& games, LibraryGame game) {
  game.caption = cutText(std::move(game.caption), kMaxLibraryCaptionBytes);
  forgetGame(games, game.folder);
  games.insert(games.begin(), std::move(game));
  if (games.size() > kMaxLibraryGames) games.resize(kMaxLibraryGames);
}

bool forgetGame(GameList& games, const std::string& folder) {
  auto it = std::remove_if(games.begin(), games.end(), [&](const LibraryGame& g) { return g.folder == folder; });
  bool found = it != games.end();
  games.erase(it, games.end());
  return found;
}

std::string libraryFilePath() { return fs::joinHost(fs::userDataDirectory(), "library.json"); }

LoadedLibrary loadLibrary() {
  LoadedLibrary lib;
  const std::string folder = dataFolder(false);
  if (folder.empty()) {
    lib.state = LibraryFileState::Held;
    return lib;
  }
  const std::string path = libraryFilePath();
  fs::ReadProblem problem = fs::ReadProblem::None;
  auto data = fs::readHostFileNoFollow(path, kMaxLibraryBytes, &problem);
  if (!data) {
    if (problem == fs::ReadProblem::Missing) return lib;
    sayOnce(path, std::string(fs::describe(problem)) + "; the game library is left as it is");
    lib.state = LibraryFileState::Held;
    return lib;
  }
  auto games = parseLibrary(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
  if (!games) {
    sayOnce(path, "is damaged; the game library starts empty and the file is replaced when a game is next added or removed");
    lib.state = LibraryFileState::Damaged;
    return lib;
  }
  lib.games = std::move(*games);
  lib.state = LibraryFileState::Read;
  return lib;
}

bool recordPlayedGame(const std::string& caption, const std::string& folder) {
  if (folder.empty() || folder[0] != '/' || folder.size() > kMaxLibraryFolderBytes) return false;
  const auto now = static_cast<int64_t>(std::time(nullptr));
  return changeLibrary([&](GameList& games) {
    notePlayed(games, LibraryGame{caption, folder, now});
    return true;
  });
}

bool removeFromLibrary(const std::string& folder) {
  return changeLibrary([&](GameList& games) { return forgetGame(games, folder); });
}

std::string formatPlayedTime(int64_t unixSeconds) {
  if (unixSeconds <= 0) return {};
  time_t secs = static_cast<time_t>(unixSeconds);
  struct tm tm {};
  if (!::localtime_r(&secs, &tm)) return {};
  char buf[64];  // room for any int in every field, so nothing is cut
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min);
  return buf;
}

}  // namespace veloria
