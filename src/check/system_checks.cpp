// The checks of their own for the cursor, the music, and the right-click menu and the
// system calls.
#include <algorithm>
#include <string>

#include "check/checker_internal.h"
#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

void checkMousecursor(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  if (currentByte(e) == 'o') {
    if (readWord(e) != "off")
      reportScriptError(e, sj("エラー"), sj("mousecursorのパラメータは、offかファイル名です。"));
    return;
  }
  c.media("cursor");
}

// play, playonce: "*n" is a CD track, "" stops the music, anything else is a MIDI file.
void checkPlay(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  const uint32_t at = c.pos();
  bool isStatic = false;
  std::string name = c.string(&isStatic);
  if (isStatic && !name.empty() && name[0] != '*') c.checkMediaFile(at, name, false, "music");
}

bool isActionKeyword(const std::string& w, bool systemcall) {
  static const char* const kWords[] = {"lookback", "windowerase", "load", "save", "reset",
                                       "skip", "lookback2", "resetdlg"};
  if (std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords)) return true;
  return systemcall && (w == "savedlg" || w == "loaddlg" || w == "rmenu");
}

void checkRmenu(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  for (;;) {
    c.string();
    expectComma(e);
    if (!isActionKeyword(readWord(e), false))
      reportScriptError(e, sj("エラー"), sj("rmenu命令へのパラメータが間違っています。"));
    if (!optionalArgFollows(e)) break;
    expectComma(e);
  }
}

void checkSystemcall(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.flow().kind = Flow::Stop;  // a load or a reset goes elsewhere
  std::string w = readWord(e);
  if (!isActionKeyword(w, true))
    reportScriptError(e, sj("エラー"), sj("systemcall命令へのパラメータが間違っています。"));
  // savedlg may carry a further string; a comma may stand before or after it. Without the
  // string the statement simply ends there, as the engine reads it.
  if (w == "savedlg") {
    if (optionalArgFollows(e)) expectComma(e);
    skipBlanks(e);
    const uint8_t b = currentByte(e);
    if (b == 0 || b == '\n' || b == '\r' || b == ':' || b == ';') return;
    c.string();
    if (optionalArgFollows(e)) expectComma(e);
  }
}

// Six numbers; the window colour only when the seventh argument begins with '#'.
void checkMenusetwindow(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.number();
  for (int i = 0; i < 5; ++i) {
    expectComma(e);
    c.number();
  }
  if (!optionalArgFollows(e)) return;
  expectComma(e);
  skipBlanks(e);
  if (currentByte(e) == '#') readColor(e);
}

// savegame, loadgame: a slot written as a number must lie in 0..999.
void checkSaveSlot(ScriptChecker& c, std::string_view) {
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (isStatic && (n < 0 || n > kMaxCommandSlot))
    reportScriptErrorF(c.engine(), sj("パラメータエラー"), sj("セーブ番号%dが範囲外です。"), std::to_string(n));
}

}  // namespace

void addSystemChecks(CustomChecks& m) {
  m.emplace("savegame", checkSaveSlot);
  m.emplace("loadgame", checkSaveSlot);
  m.emplace("mousecursor", checkMousecursor);
  m.emplace("play", checkPlay);
  m.emplace("playonce", checkPlay);
  m.emplace("rmenu", checkRmenu);
  m.emplace("systemcall", checkSystemcall);
  m.emplace("menusetwindow", checkMenusetwindow);
}

}  // namespace veloria
