// The commands of the right-click menu and the system calls (rmenu, rlookback, roff, rmode,
// systemcall), the menus' looks (menuselectcolor, menuselectvoice, menusetwindow) and the
// window menu from the script (killmenu and the menu_ commands).
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "engine/menu_ids.h"
#include "engine/wait_loop.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// More right-click menu items than this do not fit on the 640x480 screen with the default
// glyphs (28 pixels a line); the rest are left out.
constexpr size_t kMaxRightMenuItems = 16;

// The action of a keyword, or -1.
int actionOf(const std::string& word) {
  static const char* const kWords[] = {"lookback", "windowerase", "load",    "save",      "reset",
                                       "skip",     "savedlg",     "loaddlg", "lookback2", "resetdlg"};
  for (int i = 0; i < 10; ++i)
    if (word == kWords[i]) return i;
  return -1;
}

bool commaFollows(Engine& e) {
  skipBlanks(e);
  return currentByte(e) == ',';
}

void cmdRmenu(Engine& e, std::string_view, bool) {
  std::vector<RightMenuItem> items;
  bool dropped = false;
  for (;;) {
    std::string label = readString(e);
    expectComma(e);
    int action = actionOf(readWord(e));
    // The dialogs belong to systemcall alone.
    if (action < 0 || action == kActionSaveDialog || action == kActionLoadDialog)
      reportScriptError(e, sj("エラー"), sj("rmenu命令へのパラメータが間違っています。"));
    if (items.size() < kMaxRightMenuItems) {
      items.push_back(RightMenuItem{std::move(label), action});
    } else {
      dropped = true;
    }
    if (!commaFollows(e)) break;
    expectComma(e);
  }
  if (dropped)
    std::fprintf(stderr, "veloria: rmenu: only the first %zu items are shown\n", kMaxRightMenuItems);
  e.ui.rightMenu = std::move(items);
  e.ui.rightClickAction = RightClickAction::Menu;
}

void cmdRlookback(Engine& e, std::string_view, bool) { setRightClickAction(e, RightClickAction::TextLog); }
void cmdRoff(Engine& e, std::string_view, bool) { e.ui.rightClickAction = RightClickAction::Nothing; }
void cmdRmode(Engine& e, std::string_view, bool) { e.ui.rightClickOn = readNumber(e); }

void cmdSystemcall(Engine& e, std::string_view, bool) {
  std::string word = readWord(e);
  int code = word == "rmenu" ? -1 : actionOf(word);
  if (code == -1 && word != "rmenu")
    reportScriptError(e, sj("エラー"), sj("systemcall命令へのパラメータが間違っています。"));
  if (code == kActionSaveDialog) {
    // A string follows; a comma may stand before or after it.
    if (commaFollows(e)) expectComma(e);
    skipBlanks(e);
    const uint8_t c = currentByte(e);
    // Without the string the line simply ends (the next line is not read as one).
    if (c != 0 && c != '\n' && c != '\r' && c != ':' && c != ';') {
      e.ui.saveDialogText = readString(e);
      if (commaFollows(e)) expectComma(e);
    }
  }
  runSystemAction(e, code);
}

// "#rrggbb", or the command's error.
uint32_t menuColorArgument(Engine& e) {
  skipBlanks(e);
  if (currentByte(e) != '#') reportScriptError(e, sj("エラー"), sj("menuselectcolorのパラメータが違います。"));
  return readColor(e);
}

void cmdMenuselectcolor(Engine& e, std::string_view, bool) {
  uint32_t over = menuColorArgument(e);
  expectComma(e);
  uint32_t normal = menuColorArgument(e);
  expectComma(e);
  uint32_t unavailable = menuColorArgument(e);
  e.ui.menuColors = {over, normal, unavailable};
}

void cmdMenuselectvoice(Engine& e, std::string_view, bool) {
  std::array<std::string, 7> voices;
  for (size_t i = 0; i < voices.size(); ++i) {
    if (i > 0) expectComma(e);
    voices[i] = readString(e);
  }
  e.ui.menuVoices = std::move(voices);
}

void cmdMenusetwindow(Engine& e, std::string_view, bool) {
  int32_t v[6];
  for (int i = 0; i < 6; ++i) {
    if (i > 0) expectComma(e);
    v[i] = readNumber(e);
  }
  // Glyphs of 1 to 256 pixels and a pitch of at least a pixel: the menus stay drawable.
  MenuWindow& w = e.ui.menuWindow;
  w.glyphWidth = std::clamp(v[0], 1, 256);
  w.glyphHeight = std::clamp(v[1], 1, 256);
  w.pitchX = static_cast<int32_t>(std::clamp<int64_t>(int64_t{w.glyphWidth} + v[2], 1, 512));
  w.pitchY = static_cast<int32_t>(std::clamp<int64_t>(int64_t{w.glyphHeight} + v[3], 1, 512));
  w.bold = v[4];
  w.shadow = v[5];
  if (!commaFollows(e)) return;
  expectComma(e);
  skipBlanks(e);
  if (currentByte(e) == '#') w.color = readColor(e);
}

void cmdKillmenu(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  if (n < 0) return;
  if (e.platform.menu().removeTopLevel(static_cast<size_t>(n))) e.platform.onMenuChanged();
}

// The window carries out a menu command before the script goes on: it gets 50 passes of
// message handling before the command is posted and 50 after.
void giveWindowPasses(Engine& e, uint32_t sleepMs) {
  for (int i = 0; i < 50; ++i) {
    while (waitPumpOne(e)) {
    }
    e.platform.sleep(sleepMs);
  }
}

void postMenuCommand(Engine& e, int id, uint32_t sleepMs) {
  giveWindowPasses(e, sleepMs);
  e.platform.postMessage(WM_COMMAND, static_cast<uint32_t>(id));
  giveWindowPasses(e, sleepMs);
}

void cmdMenuFull(Engine& e, std::string_view, bool) { postMenuCommand(e, IDM_FULLSCREEN, 1); }
void cmdMenuWindow(Engine& e, std::string_view, bool) { postMenuCommand(e, IDM_WINDOWED, 0); }
void cmdMenuClickDef(Engine& e, std::string_view, bool) { postMenuCommand(e, IDM_PAGE_DEFAULT, 1); }
void cmdMenuClickPage(Engine& e, std::string_view, bool) { postMenuCommand(e, IDM_PAGE_ONLY, 1); }
void cmdMenuAutomode(Engine& e, std::string_view, bool) { postMenuCommand(e, IDM_AUTO_MODE, 1); }

}  // namespace

void registerSystemActionCommands(CommandTable& t) {
  t.add("rmenu", cmdRmenu, kOwnCheck);
  t.add("rlookback", cmdRlookback, "");
  t.add("roff", cmdRoff, "");
  t.add("rmode", cmdRmode, "n");
  t.add("systemcall", cmdSystemcall, kOwnCheck);
  t.add("menuselectcolor", cmdMenuselectcolor,
        {.pattern = "c,c,c", .colorMessage = "menuselectcolorのパラメータが違います。"});
  t.add("menuselectvoice", cmdMenuselectvoice, "a,a,a,a,a,a,a");
  t.add("menusetwindow", cmdMenusetwindow, kOwnCheck);
  t.add("killmenu", cmdKillmenu, "n");
  t.add("menu_full", cmdMenuFull, "");
  t.add("menu_window", cmdMenuWindow, "");
  t.add("menu_click_def", cmdMenuClickDef, "");
  t.add("menu_click_page", cmdMenuClickPage, "");
  t.add("menu_automode", cmdMenuAutomode, "");
}

}  // namespace veloria
