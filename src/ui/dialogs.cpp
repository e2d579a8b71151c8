// The three dialogs: the input dialog behind inputstr, input and inputnum with its checks,
// the CD drive dialog and the save/load dialog. The platform draws them (or answers them from
// the automation's input); what an entry must look like is decided here, for both backends.
#include <algorithm>
#include <cstdio>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "sound/sound.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// The dialog's buffers: prompt, default and result.
constexpr size_t kDialogBufferBytes = 255;
// At most this many folders are offered besides the default (a drive dialog, not a browser).
constexpr size_t kMaxCdChoices = 26;

// While a dialog is open the automation sees a dialog wait; the wait it interrupted (a menu
// item chosen during a click wait) is what it sees again afterwards.
class DialogWaitScope {
 public:
  explicit DialogWaitScope(Engine& e)
      : p_(e.platform), kind_(p_.waitingFor()), x_(p_.waitingX()), y_(p_.waitingY()) {
    p_.noteWaiting(WaitKind::Dialog);
  }
  ~DialogWaitScope() { p_.noteWaiting(kind_, x_, y_); }
  DialogWaitScope(const DialogWaitScope&) = delete;
  DialogWaitScope& operator=(const DialogWaitScope&) = delete;

 private:
  Platform& p_;
  WaitKind kind_;
  int x_, y_;
};

bool isNumberRequest(const InputRequest& r) { return r.maxBytes == -1; }

// The maximum the checks apply. One that no entry could meet would hold the player in the
// dialog for ever: 0 or less means the buffer's 255, and full-width-only needs at least 2.
size_t effectiveMaximum(const InputRequest& r) {
  size_t m = r.maxBytes <= 0 || static_cast<size_t>(r.maxBytes) > kDialogBufferBytes
                 ? kDialogBufferBytes
                 : static_cast<size_t>(r.maxBytes);
  if (r.fullWidthOnly && m < 2) m = 2;
  return m;
}

// Digits with an optional leading '-' whose value fits 32 bits.
bool isNumberEntry(const std::string& s) {
  if (s.size() > kDialogBufferBytes) return false;
  int64_t v = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (i == 0 && c == '-') continue;
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
  }
  return !(v == 2147483648LL && (s.empty() || s[0] != '-'));
}

const char* requestCaption(const InputRequest& r) { return isNumberRequest(r) ? "数値入力" : "文字列入力"; }

// A point size in the custom size: negative sizes are taken as 0 (the backend's smallest).
int points(int v) { return std::max(v, 0); }

}  // namespace

std::optional<InputRefusal> checkInputEntry(const InputRequest& r, const std::string& utf8Entry, std::string* sjis) {
  const char* caption = requestCaption(r);
  std::string s;
  if (!utf8ToSjisExact(utf8Entry, s)) return InputRefusal{"入力できない文字が含まれています。", caption};
  if (isNumberRequest(r)) {
    if (!isNumberEntry(s)) return InputRefusal{"数値を入力してください。", "数値入力"};
  } else {
    if (s.empty()) return InputRefusal{"文字列を入力してください。", caption};
    if (s.size() > effectiveMaximum(r)) return InputRefusal{"文字列が長すぎます。", caption};
    if (r.fullWidthOnly) {
      for (size_t i = 0; i < s.size(); i += 2)
        if (!isSjisLead(static_cast<uint8_t>(s[i]))) return InputRefusal{"全て全角文字で入力してください。", caption};
    }
  }
  if (sjis) *sjis = std::move(s);
  return std::nullopt;
}

int32_t inputNumberValue(const std::string& entry) {
  if (!isNumberEntry(entry)) return 0;
  bool negative = !entry.empty() && entry[0] == '-';
  int64_t v = 0;
  for (size_t i = negative ? 1 : 0; i < entry.size(); ++i) v = v * 10 + (entry[i] - '0');
  return static_cast<int32_t>(negative ? -v : v);
}

std::string runInputRequest(Engine& e, const InputRequest& request) {
  InputRequest r = request;
  truncateSjis(r.prompt, kDialogBufferBytes);
  truncateSjis(r.defaultText, kDialogBufferBytes);
  InputDialogSetup setup;
  setup.caption = requestCaption(r);
  setup.prompt = sjisToUtf8(r.prompt);
  setup.text = sjisToUtf8(r.defaultText);
  setup.cancellable = !r.defaultText.empty();
  if (r.customSize) {
    setup.dialogWidth = points(r.dialogWidth);
    setup.dialogHeight = points(r.dialogHeight);
    setup.editWidth = points(r.editWidth);
    setup.editHeight = points(r.editHeight);
  }
  DialogWaitScope waiting(e);
  for (;;) {
    DialogAnswer a = e.platform.inputDialog(setup);
    if (a.end == DialogEnd::Cancel && setup.cancellable) return r.defaultText;
    // Backends ignore Esc without a default; one that cancels anyway is taken as unanswered
    // rather than asked again for ever.
    if (a.end != DialogEnd::Ok) {
      // Nobody left to answer (automation): the default, else the empty entry (0 for a number).
      if (r.defaultText.empty())
        std::fprintf(stderr, "veloria: the input dialog got no answer; it returns the empty text\n");
      return r.defaultText;
    }
    std::string sjis;
    auto refused = checkInputEntry(r, a.text, &sjis);
    if (!refused) return sjis;
    e.platform.messageBox(sj(refused->message), sj(refused->caption), MB_OK);
    setup.text = a.text;  // shown again as typed, to be mended
  }
}

std::optional<std::string> runInputDialog(Engine& e, const std::string& prompt, const std::string& initial,
                                          int maxBytes) {
  InputDialogSetup setup;
  setup.caption = "文字列入力";
  setup.prompt = sjisToUtf8(prompt);
  setup.text = sjisToUtf8(initial);
  setup.cancellable = true;
  DialogWaitScope waiting(e);
  DialogAnswer a = e.platform.inputDialog(setup);
  if (a.end == DialogEnd::Cancel) return std::nullopt;
  std::string r = a.end == DialogEnd::Unanswered ? initial : utf8ToSjis(a.text);
  truncateSjis(r, maxBytes > 0 ? static_cast<size_t>(maxBytes) : kDialogBufferBytes);
  return r;
}

namespace {

// The folders the drive dialog offers after "デフォルト" (the game's cd/ folder): the other
// folders beside the script that hold track files, by name, and the current choice even when
// it is elsewhere or gone, so that OK keeps it rather than silently dropping it.
std::vector<std::string> cdFolderChoices(Engine& e) {
  std::vector<std::string> out;
  const std::string& dir = fs::gameDirectory();
  std::vector<std::string> names = fs::listHostDirectory(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (out.size() >= kMaxCdChoices) break;
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (name.empty() || name[0] == '.' || lower == "cd") continue;
    std::string host = fs::joinHost(dir, name), sjisName;
    if (!fs::isHostDirectory(host) || !utf8ToSjisExact(name, sjisName) || !holdsCdTracks(host)) continue;
    out.push_back(sjisName);
  }
  const std::string& current = e.sound.cdDrive;
  if (!current.empty() && std::find(out.begin(), out.end(), current) == out.end()) out.push_back(current);
  return out;
}

}  // namespace

void runCdDriveDialog(Engine& e) {
  std::vector<std::string> choices = cdFolderChoices(e);
  choices.insert(choices.begin(), sj("デフォルト"));
  ListDialogSetup setup;
  setup.caption = "ＣＤドライブ選択";
  setup.dropDown = true;
  setup.selection = 0;
  for (size_t i = 0; i < choices.size(); ++i) {
    setup.entries.push_back(sjisToUtf8(choices[i]));
    if (i > 0 && setup.selection == 0 && choices[i] == e.sound.cdDrive) setup.selection = static_cast<int>(i);
  }
  DialogAnswer a;
  {
    DialogWaitScope waiting(e);
    a = e.platform.listDialog(setup);
  }
  if (a.end != DialogEnd::Ok || a.selection < 0) return;
  chooseCdDrive(e, a.selection == 0 ? std::string() : choices[static_cast<size_t>(a.selection)]);
}

void runSaveLoadDialog(Engine& e, bool saveForm) {
  ListDialogSetup setup;
  setup.caption = saveForm ? "セーブメニュー" : "ロードメニュー";
  setup.okLabel = saveForm ? "セーブ" : "ロード";
  DialogWaitScope waiting(e);
  // Whichever button closes it, nothing is saved or loaded.
  e.platform.listDialog(setup);
}

void uiRestoreDefaults(Engine& e) {
  e.ui.rightClickAction = RightClickAction::HideWindow;
  e.ui.menuColors = UiState{}.menuColors;
  e.ui.menuVoices = {};
  e.ui.menuWindow = MenuWindow{};
  systemMenuRestoreDefaults(e);
}

void registerSystemActionCommands(CommandTable& t);
void registerDialogCommands(CommandTable& t);
void registerUiCommands(CommandTable& t) {
  registerSystemActionCommands(t);
  registerDialogCommands(t);
}

}  // namespace veloria
