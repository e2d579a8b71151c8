#include "app/library_screen.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"

namespace veloria {

namespace {

// A folder with more entries than this lists only the first ones (sorted); nobody scrolls
// through more, and listing stays quick.
constexpr size_t kMaxListedFolders = 2000;

std::string parentFolder(const std::string& folder) {
  size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return folder.substr(0, slash);
}

std::string lastName(const std::string& folder) {
  size_t slash = folder.find_last_of('/');
  return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return low(x) < low(y);
  });
}

int clampSelection(int selection, size_t count) {
  if (count == 0) return -1;
  return std::clamp(selection, 0, static_cast<int>(count) - 1);
}

}  // namespace

LibraryScreen::LibraryScreen(GameList games, std::string browseFrom) : games_(std::move(games)) {
  for (const auto& g : games_) present_.push_back(fs::holdsGameScript(g.folder));
  listSelection_ = games_.empty() ? -1 : 0;
  folder_ = browseFrom.empty() ? std::string("/") : std::move(browseFrom);
}

bool LibraryScreen::selectionPlayable() const {
  return listSelection_ >= 0 && static_cast<size_t>(listSelection_) < games_.size() &&
         present_[static_cast<size_t>(listSelection_)];
}

LibraryView LibraryScreen::view() const {
  LibraryView v;
  if (!browsing_) {
    v.caption = "Veloria ゲームライブラリ";
    v.heading = "遊んだゲーム（新しい順）";
    v.emptyText = "まだ遊んだゲームはありません。「フォルダを開く…」でゲームのフォルダを選ぶか、フォルダをこのウィンドウにドロップしてください。";
    for (size_t i = 0; i < games_.size(); ++i) {
      const LibraryGame& g = games_[i];
      LibraryRow r;
      r.title = g.caption.empty() ? lastName(g.folder) : g.caption;
      r.detail = g.folder;
      if (std::string when = formatPlayedTime(g.lastPlayed); !when.empty()) r.detail += "　最後に遊んだ日時 " + when;
      if (!present_[i]) {
        r.dimmed = true;
        r.detail += "　（フォルダが見つかりません）";
      }
      v.rows.push_back(std::move(r));
    }
    v.selection = listSelection_;
    v.buttons = {{"遊ぶ", selectionPlayable()},
                 {"一覧から外す", listSelection_ >= 0},
                 {"フォルダを開く…", true},
                 {"終了", true}};
    v.defaultButton = kPlay;
    return v;
  }
  v.caption = "フォルダを開く";
  v.heading = folder_;
  v.emptyText = "このフォルダにはフォルダがありません。";
  for (const Folder& f : folders_) {
    LibraryRow r;
    r.title = f.name == ".." ? "..（上のフォルダ）" : f.name;
    if (f.game) {
      r.marked = true;
      r.detail = "ゲームがあります";
    }
    v.rows.push_back(std::move(r));
  }
  v.selection = browserSelection_;
  bool game = browserSelection_ >= 0 && folders_[static_cast<size_t>(browserSelection_)].game;
  v.buttons = {{game ? "遊ぶ" : "開く", browserSelection_ >= 0}, {"上のフォルダへ", folder_ != "/"}, {"戻る", true}};
  v.defaultButton = kOpen;
  return v;
}

void LibraryScreen::browse(std::string folder, const std::string& highlight) {
  browsing_ = true;
  folder_ = std::move(folder);
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  folders_.clear();
  std::vector<std::string> names;
  for (std::string& name : fs::listHostDirectory(folder_)) {
    // Hidden folders are the desktop's and the programs', not games.
    if (name.empty() || name[0] == '.') continue;
    if (fs::isHostDirectory(fs::joinHost(folder_, name))) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), lessIgnoringCase);
  if (names.size() > kMaxListedFolders) names.resize(kMaxListedFolders);
  if (folder_ != "/") folders_.push_back({"..", false});
  for (std::string& name : names) {
    bool game = fs::holdsGameScript(fs::joinHost(folder_, name));
    folders_.push_back({std::move(name), game});
  }
  // The folder we came up from, else the first real folder rather than the way up.
  browserSelection_ = clampSelection(folder_ != "/" ? 1 : 0, folders_.size());
  for (size_t i = 0; i < folders_.size(); ++i)
    if (!highlight.empty() && folders_[i].name == highlight) browserSelection_ = static_cast<int>(i);
}

void LibraryScreen::goUp() {
  if (folder_ == "/") return;
  const std::string from = lastName(folder_);
  browse(parentFolder(folder_), from);
}

LibraryScreen::Outcome LibraryScreen::openDropped(const std::string& path) {
  std::string folder = fs::absoluteHostPath(path);
  // A dropped script (or any file) stands for the folder it lies in.
  if (!fs::isHostDirectory(folder)) folder = parentFolder(folder);
  if (!fs::isHostDirectory(folder)) return {};
  if (fs::holdsGameScript(folder)) return {Outcome::Kind::Play, folder};
  browse(folder);
  return {};
}

LibraryScreen::Outcome LibraryScreen::apply(const LibraryAction& a) {
  if (a.kind == LibraryAction::Kind::Close) return {Outcome::Kind::Quit, {}};
  if (a.kind == LibraryAction::Kind::Drop) return openDropped(a.path);
  return browsing_ ? applyToBrowser(a) : applyToList(a);
}

LibraryScreen::Outcome LibraryScreen::applyToList(const LibraryAction& a) {
  if (a.kind == LibraryAction::Kind::Select || a.kind == LibraryAction::Kind::Button) {
    if (a.row >= 0 && static_cast<size_t>(a.row) < games_.size()) listSelection_ = a.row;
  }
  if (a.kind != LibraryAction::Kind::Button) return {};
  switch (a.button) {
    case kPlay:
      if (selectionPlayable()) return {Outcome::Kind::Play, games_[static_cast<size_t>(listSelection_)].folder};
      return {};
    case kRemove: {
      if (listSelection_ < 0) return {};
      const size_t i = static_cast<size_t>(listSelection_);
      const std::string folder = games_[i].folder;
      games_.erase(games_.begin() + static_cast<long>(i));
      present_.erase(present_.begin() + static_cast<long>(i));
      listSelection_ = clampSelection(listSelection_, games_.size());
      if (onRemove) onRemove(folder);
      return {};
    }
    case kOpenFolder: browse(folder_); return {};
    case kQuit: return {Outcome::Kind::Quit, {}};
    default: return {};
  }
}

LibraryScreen::Outcome LibraryScreen::applyToBrowser(const LibraryAction& a) {
  switch (a.kind) {
    case LibraryAction::Kind::Cancel: browsing_ = false; return {};
    case LibraryAction::Kind::Back: goUp(); return {};
    case LibraryAction::Kind::Select:
      if (a.row >= 0 && static_cast<size_t>(a.row) < folders_.size()) browserSelection_ = a.row;
      return {};
    case LibraryAction::Kind::Button: break;
    default: return {};
  }
  if (a.row >= 0 && static_cast<size_t>(a.row) < folders_.size()) browserSelection_ = a.row;
  switch (a.button) {
    case kOpen: {
      if (browserSelection_ < 0) return {};
      const Folder f = folders_[static_cast<size_t>(browserSelection_)];
      if (f.name == "..") {
        goUp();
        return {};
      }
      const std::string path = fs::joinHost(folder_, f.name);
      if (f.game) return {Outcome::Kind::Play, path};
      browse(path);
      return {};
    }
    case kUp: goUp(); return {};
    case kBack: browsing_ = false; return {};
    default: return {};
  }
}

std::optional<std::string> runLibrary(Platform& platform, const std::string& browseFrom) {
  LibraryScreen screen(loadLibrary().games, browseFrom);
  screen.onRemove = [](const std::string& folder) { removeFromLibrary(folder); };
  platform.createWindow(640, 480);
  platform.setTitle(utf8ToSjis("Veloria"));
  platform.showWindow();
  for (;;) {
    LibraryScreen::Outcome out = screen.apply(platform.showLibrary(screen.view()));
    if (out.kind == LibraryScreen::Outcome::Kind::Play) return out.folder;
    if (out.kind == LibraryScreen::Outcome::Kind::Quit) return std::nullopt;
  }
}

}  // namespace veloria
