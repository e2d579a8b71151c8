// The arguments of every command of the script language, for the checker, and the English
// glosses of the engine's messages. A command this build does not register is reported as
// unknown before its signature is looked at, exactly as the interpreter would stop there.
#include <algorithm>
#include <string>
#include <unordered_map>

#include "check/checker_internal.h"
#include "engine/engine.h"
#include "graphics/script_args.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// ---- commands a pattern cannot say ----

void jumpTo(ScriptChecker& c, std::optional<uint32_t> target, Flow::Kind kind) {
  if (target) c.flow() = Flow{kind, {*target}};
  else c.flow().kind = Flow::Stop;
}

// Commands that move elsewhere say so before reading, so that a bad argument is not taken
// for a command that goes straight on.
void checkGoto(ScriptChecker& c, std::string_view) {
  c.flow().kind = Flow::Stop;
  auto target = c.label();
  jumpTo(c, target, Flow::Jump);
}

void checkGosub(ScriptChecker& c, std::string_view) {
  c.flow().kind = Flow::Stop;
  auto target = c.label();
  jumpTo(c, target, Flow::Call);
}
void checkReturn(ScriptChecker& c, std::string_view) { c.flow().kind = Flow::Return; }
void checkGame(ScriptChecker& c, std::string_view) { c.flow().kind = Flow::GameStarts; }
void checkStop(ScriptChecker& c, std::string_view) { c.flow().kind = Flow::Stop; }

void checkTablegoto(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.flow().kind = Flow::Stop;
  c.number();
  expectComma(e);
  Flow f{Flow::Jump, {}};
  // Every label listed can be the one taken.
  for (;;) {
    auto t = c.label();
    if (t) f.targets.push_back(*t);
    else f.kind = Flow::Stop;
    if (!optionalArgFollows(e)) break;
    expectComma(e);
  }
  c.flow() = f;
}

[[noreturn]] void badCondition(Engine& e) { reportScriptError(e, sj("エラー"), sj("if条件式が間違っています。")); }

// One comparison of if / notif, read as the command reads it.
void comparison(ScriptChecker& c) {
  Engine& e = c.engine();
  skipBlanks(e);
  uint8_t first = currentByte(e);
  if (first == 'f' || first == 'l') {
    const bool file = first == 'f';
    if (readWord(e) != (file ? "fchk" : "lchk")) badCondition(e);
    if (c.definePass())
      reportScriptError(e, sj("エラー"), file ? sj("fchk条件式は、定義ブロックでは使えません。")
                                                : sj("lchk条件式は、定義ブロックでは使えません。"));
    skipBlanks(e);
    if (file || currentByte(e) == '$') c.string();
    else readLabel(e);  // a label never passed is legal: the condition is simply false
    return;
  }
  c.number();
  skipBlanks(e);
  uint32_t& pos = e.script.scriptPos;
  switch (currentByte(e)) {
    case '=':
      ++pos;
      if (currentByte(e) == '=') ++pos;
      break;
    case '!':
      if (peekByte(e, 1) != '=') return;  // no comparison: the '!' starts the next statement
      pos += 2;
      break;
    case '<':
      ++pos;
      if (currentByte(e) == '=' || currentByte(e) == '>') ++pos;
      break;
    case '>':
      ++pos;
      if (currentByte(e) == '=') ++pos;
      break;
    default:
      badCondition(e);
  }
  c.number();
}

void checkCondition(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.flow().kind = Flow::Conditional;
  for (;;) {
    comparison(c);
    skipBlanks(e);
    if (currentByte(e) != '&') break;
    ++e.script.scriptPos;
    if (currentByte(e) == '&') ++e.script.scriptPos;
  }
  c.flow().kind = Flow::Conditional;
}

[[noreturn]] void skipOutOfRange(Engine& e) {
  reportScriptError(e, sj("構文エラー"), sj("SKIPがスクリプトの範囲を飛び出しました。"));
}

void checkSkip(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.flow().kind = Flow::Stop;
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (!isStatic || n == 0) return;
  const uint32_t p = c.pos();
  if (n > 0) {
    // n line feeds at or after the position.
    if (c.lineFeedsBetween(p, e.script.scriptLength) < static_cast<uint32_t>(n)) skipOutOfRange(e);
    return;
  }
  // |n| + 1 line feeds at or before the position (one step back when it stands on one).
  int64_t last = static_cast<int64_t>(p) - (c.byteAt(p) == '\n' ? 1 : 0);
  uint64_t have = last < 0 ? 0 : c.lineFeedsBetween(0, static_cast<uint32_t>(last) + 1);
  if (have < static_cast<uint64_t>(-int64_t{n}) + 1) skipOutOfRange(e);
}

void checkJumpf(ScriptChecker& c, std::string_view) {
  c.flow().kind = Flow::Stop;
  if (!c.hasTildeAfter(c.pos()))
    reportScriptError(c.engine(), sj("エラー"), sj("jumpf命令が#を見つけられませんでした。"));
}

void checkJumpb(ScriptChecker& c, std::string_view) {
  c.flow().kind = Flow::Stop;
  if (!c.hasTildeBefore(c.pos()))
    reportScriptError(c.engine(), sj("エラー"), sj("jumpb命令が#を見つけられませんでした。"));
}

// A word at the position, or nothing (position unchanged) when the argument is no word.
std::string peekWord(Engine& e) {
  skipBlanks(e);
  uint8_t c = currentByte(e);
  if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c + 32);
  if (!((c >= 'a' && c <= 'z') || c == '_')) return {};
  const uint32_t keep = e.script.scriptPos;
  std::string w = readWord(e);
  setScriptPosition(e, keep);
  return w;
}

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

void checkTrap(ScriptChecker& c, std::string_view word) {
  Engine& e = c.engine();
  skipBlanks(e);
  if (currentByte(e) == '*' || word == "lr_trap") {
    c.label();
    return;
  }
  std::string arg = readWord(e);
  if (arg == "resume") c.flow().kind = Flow::Stop;  // may jump to the trap's label
  else if (arg != "off" && arg != "stop")
    reportScriptError(e, sj("エラー"), sj("trap命令のパラメータは、offもしくは*ラベル名です。"));
}

void checkSetwindow(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool colsStatic = false, linesStatic = false;
  c.number();
  expectComma(e);
  c.number();
  expectComma(e);
  int32_t cols = c.number(&colsStatic);
  expectComma(e);
  int32_t lines = c.number(&linesStatic);
  if ((colsStatic && cols < 0) || (linesStatic && lines < 0))
    reportScriptError(e, sj("エラー"), sj("setwindowの縦横文字数指定が間違っています。"));
  for (int i = 0; i < 7; ++i) {
    expectComma(e);
    c.number();
  }
  expectComma(e);
  skipBlanks(e);
  if (currentByte(e) == '#') {
    readColor(e);
    for (int i = 0; i < 4; ++i) {
      expectComma(e);
      c.number();
    }
  } else {
    c.picture();
    for (int i = 0; i < 2; ++i) {
      expectComma(e);
      c.number();
    }
  }
}

void checkSetcursor(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (isStatic && n != 0 && n != 1)
    reportScriptError(e, sj("エラー"), sj("カーソルは０（通常）と１（クリック消去用）です。"));
  expectComma(e);
  c.picture();
  expectComma(e);
  c.number();
  expectComma(e);
  c.number();
}

void checkHumanz(ScriptChecker& c, std::string_view) {
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (isStatic && (n < 0 || n > 255)) reportScriptError(c.engine(), sj("エラー"), sj("humanz指定が範囲外です。"));
}

bool takesMask(int32_t type, bool isStatic) { return !isStatic || type == 15 || type == 18; }

void badEffectType(ScriptChecker& c, uint32_t at, int32_t type, bool isStatic) {
  if (isStatic && (type < 0 || type > 18))
    c.finding(at, sjisToUtf8(sj("不正なエフェクト番号です。EFFECT命令をチェックしてください。")) +
                      " (effect types are 0 to 18)");
}

// effect n, type[, duration[, mask]] and windoweffect type[, duration[, mask]]: what follows
// the type depends on its value, so a type from a variable accepts either form.
void effectSetting(ScriptChecker& c) {
  Engine& e = c.engine();
  skipBlanks(e);
  const uint32_t at = c.pos();
  bool isStatic = false;
  int32_t type = c.number(&isStatic);
  badEffectType(c, at, type, isStatic);
  if ((!isStatic || type != 1) && optionalArgFollows(e)) {
    expectComma(e);
    c.number();
    if (takesMask(type, isStatic) && optionalArgFollows(e)) {
      expectComma(e);
      c.picture();
    }
  }
}

void checkEffect(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  c.defineEffect(n, isStatic);
  if (isStatic && (n < 2 || n > 255))
    reportScriptError(e, sj("パラメータエラー"), sj("effect命令の第一パラメータは2～255です。"));
  expectComma(e);
  effectSetting(c);
}

void checkWindoweffect(ScriptChecker& c, std::string_view) { effectSetting(c); }

void checkBg(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  if (currentByte(e) == '#') {
    readColor(e);
  } else {
    std::string w = peekWord(e);
    if (w == "black" || w == "white") readWord(e);
    else c.picture();
  }
  expectComma(e);
  c.effectArgument();
}

bool standPosition(char letter) { return letter == 'l' || letter == 'c' || letter == 'r'; }

void checkLd(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool known = standPosition(readLetter(e));
  expectComma(e);
  if (known) {
    c.picture();
    expectComma(e);
  }
  c.effectArgument();
}

void checkCl(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  readLetter(e);
  expectComma(e);
  c.effectArgument();
}

void checkTal(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  readLetter(e);
  expectComma(e);
  c.number();
  expectComma(e);
  c.effectArgument();
}

void checkBtndef(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  if (peekWord(e) == "clear") readWord(e);
  else c.picture();
}

void checkMonocro(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  if (currentByte(e) == '#') {
    readColor(e);
    return;
  }
  if (readWord(e) != "off")
    reportScriptError(e, sj("構文エラー"),
                      sj("monocro命令の次は#rrggbbで色指定、もしくは、offでモノクロ指定を解除、です。"));
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

// The options of a choice: texts (with labels for the jumping forms), each after blanks and
// line feeds, separated by commas.
void choiceOptions(ScriptChecker& c, bool withLabels, Flow& flow) {
  Engine& e = c.engine();
  for (;;) {
    skipBlanksAndNewlines(e);
    c.string();
    if (withLabels) {
      expectComma(e);
      auto t = c.label();
      if (t) flow.targets.push_back(*t);
    }
    if (!optionalArgFollows(e)) break;
    expectComma(e);
  }
}

void checkSelect(ScriptChecker& c, std::string_view word) {
  Flow f{Flow::Stop, {}};  // which option is taken is the player's choice
  c.flow() = f;
  choiceOptions(c, true, f);
  if (word == "csel" && findLabel(c.engine(), "customsel") < 0) {
    std::string message = sj("ラベル*%sは存在しません");
    message.replace(message.find("%s"), 2, "customsel");
    c.finding(c.pos(), sjisToUtf8(message) + " (csel jumps to *customsel, which the script must provide)");
  }
  c.flow() = f;
}

void checkSelnum(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.noteVariableAlias();
  readNumVarRef(e, "selnumの第一引数は数値変数です。");
  expectComma(e);
  Flow f;
  choiceOptions(c, false, f);
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

// ---- the table ----

// Variable-argument messages, as the commands report them.
#define M1(a) {a, nullptr, nullptr}
#define M2(a, b) {a, b, nullptr}
#define M3(a, b, c) {a, b, c}

const CommandSignature kSignatures[] = {
    // variables and arithmetic
    {"mov", "v,x", M1("movの第一引数は数字／文字変数です。")},
    {"mov3", "%,n,n,n", M1("mov3の第一引数は数字変数です。")},
    {"mov4", "%,n,n,n,n", M1("mov4の第一引数は数字変数です。")},
    {"mov5", "%,n,n,n,n,n", M1("mov5の第一引数は数字変数です。")},
    {"mov6", "%,n,n,n,n,n,n", M1("mov6の第一引数は数字変数です。")},
    {"mov7", "%,n,n,n,n,n,n,n", M1("mov7の第一引数は数字変数です。")},
    {"mov8", "%,n,n,n,n,n,n,n,n", M1("mov8の第一引数は数字変数です。")},
    {"mov9", "%,n,n,n,n,n,n,n,n,n", M1("mov9の第一引数は数字変数です。")},
    {"mov10", "%,n,n,n,n,n,n,n,n,n,n", M1("mov10の第一引数は数字変数です。")},
    {"add", "v,x", M1("addの第一引数は数字／文字変数です。")},
    {"sub", "%,n", M1("subの第一引数は数字変数です。")},
    {"inc", "%", M1("incの引数は数字変数です。")},
    {"dec", "%", M1("decの引数は数字変数です。")},
    {"mul", "%,n", M1("mulの第一引数は数字変数です。")},
    {"div", "%,n", M1("divの第一引数は数字変数です。")},
    {"mod", "%,n", M1("modの第一引数は数字変数です。")},
    {"rnd", "%,n", M1("rndの第一引数は数字変数です。")},
    {"rnd2", "%,n,n", M1("rnd2の第一引数は数字変数です。")},
    {"len", "%,s", M1("lenの第一引数は数字変数です。")},
    {"cmp", "%,s,s", M1("cmpの第一引数は数字変数です。")},
    {"itoa", "$,n", M1("itoaの第一引数は文字変数です。")},
    {"atoi", "%,s", M1("atoiの第一引数は数字変数です。")},
    {"date", "%,%,%", M3("dateの第一引数は数字変数です。", "dateの第ニ引数は数字変数です。", "dateの第三引数は数字変数です。")},
    {"time", "%,%,%", M3("timeの第一引数は数字変数です。", "timeの第ニ引数は数字変数です。", "timeの第三引数は数字変数です。")},
    {"getini", "$,s,s,s", M1("getiniの第一引数は文字変数です。")},
    {"getreg", "$,s,s", M1("getregの第一引数は文字変数です。")},
    {"intlimit", "n,n,n"},
    {"numalias", "w,n"},
    {"stralias", "w,s"},
    // control flow and the system
    {"goto", "", {}, nullptr, checkGoto},
    {"gosub", "", {}, nullptr, checkGosub},
    {"return", "", {}, nullptr, checkReturn},
    {"if", "", {}, nullptr, checkCondition},
    {"notif", "", {}, nullptr, checkCondition},
    {"skip", "", {}, nullptr, checkSkip},
    {"jumpf", "", {}, nullptr, checkJumpf},
    {"jumpb", "", {}, nullptr, checkJumpb},
    {"tablegoto", "", {}, nullptr, checkTablegoto},
    {"end", "", {}, nullptr, checkStop},
    {"reset", "", {}, nullptr, checkStop},
    {"definereset", "", {}, nullptr, checkStop},
    {"game", "", {}, nullptr, checkGame},
    {"winexec", "s,n"},
    {"shell", "s"},
    {"filecreate", "s"},
    {"fileremove", "s"},
    {"caption", "s"},
    {"mesbox", "s,s"},
    {"mousecursor", "", {}, nullptr, checkMousecursor},
    {"versionstr", "s,s"},
    {"mode_ext", ""},
    {"mode_saya", ""},
    // the text window
    {"setwindow", "", {}, nullptr, checkSetwindow},
    {"textoff", ""},
    {"texton", ""},
    {"textclear", ""},
    {"erasetextwindow", "n"},
    {"windowback", ""},
    {"textmode", "n"},
    {"locate", "n,n"},
    {"puttext", "s"},
    {"br", ""},
    {"textspeed", "n"},
    {"defaultspeed", "n,n,n"},
    {"textcommit", ""},
    {"getcursorpos", "%,%", M1("getcurposの第１，２引数は数字変数です。")},
    {"getnextline", "%,%", M1("getnextlineの第１，２引数は数字変数です。")},
    {"setcursor", "", {}, nullptr, checkSetcursor},
    {"abssetcursor", "", {}, nullptr, checkSetcursor},
    {"clickstr", "s,n"},
    {"textgosub", "l"},
    {"rgosub", "l"},
    {"texec", ""},
    {"ispage", "%", M1("ispageの引数は数字変数です。")},
    {"linkcolor", "n,n,n"},
    {"humanz", "", {}, nullptr, checkHumanz},
    {"underline", "n"},
    {"defaultfont", "s"},
    // waits, clicks, timers, modes
    {"wait", "n"},
    {"delay", "n"},
    {"click", ""},
    {"clickpos", "%,%", M2("clickposの第一引数は数字変数です。", "clickposの第ニ引数は数字変数です。")},
    {"resettimer", ""},
    {"waittimer", "n"},
    {"gettimer", "%", M1("gettimerの引数は数字変数です。")},
    {"trap", "", {}, nullptr, checkTrap},
    {"lr_trap", "", {}, nullptr, checkTrap},
    {"autoclick", "n"},
    {"automode", ""},
    {"automode_time", "n"},
    {"skipoff", ""},
    {"kidokuskip", ""},
    {"clickvoice", "a,a"},
    // choices
    {"select", "", {}, nullptr, checkSelect},
    {"selgosub", "", {}, nullptr, checkSelect},
    {"csel", "", {}, nullptr, checkSelect},
    {"selnum", "", {}, nullptr, checkSelnum},
    {"cselgoto", "n"},
    {"getcselnum", "%", M1("getcselnumの第一引数は数字変数です。")},
    {"selectcolor", "c,c", {}, "selectcolorのパラメータが違います。"},
    {"selectvoice", "a,a,a"},
    // text log
    {"lookbackon", ""},
    {"lookbackoff", ""},
    {"lookbackflush", ""},
    {"lookbackbutton", "p,p,p,p"},
    {"lookbackcolor", "c", {}, "lookbackcolorのパラメータは#rrggbbの色指定です。"},
    {"lookbackvoice", "a"},
    // pictures, sprites, transitions
    {"transmode", "w"},
    {"lsp", "n,p,n,n[,n]"},
    {"lsph", "n,p,n,n[,n]"},
    {"csp", "n"},
    {"vsp", "n,n"},
    {"msp", "n,n,n[,n]"},
    {"amsp", "n,n,n[,n]"},
    {"cell", "n,n"},
    {"allsphide", ""},
    {"allspresume", ""},
    {"effect", "", {}, nullptr, checkEffect},
    {"effectblank", "n"},
    {"windoweffect", "", {}, nullptr, checkWindoweffect},
    {"print", "e"},
    {"bg", "", {}, nullptr, checkBg},
    {"ld", "", {}, nullptr, checkLd},
    {"cl", "", {}, nullptr, checkCl},
    {"tal", "", {}, nullptr, checkTal},
    // buttons
    {"btndef", "", {}, nullptr, checkBtndef},
    {"btn", "n,n,n,n,n,n,n"},
    {"spbtn", "n,n"},
    {"cselbtn", "n,n,n,n"},
    {"btnwait", "b", M1("btnwaitの第一引数は数字変数です。")},
    {"btnwait2", "b", M1("btnwaitの第一引数は数字変数です。")},
    {"textbtnwait", "b", M1("textbtnwaitの第一引数は数字変数です。")},
    {"selectbtnwait", "b", M1("textbtnwaitの第一引数は数字変数です。")},
    {"tbtnwait", "b", M1("tbtnwaitの第一引数は数字変数です。")},
    {"btntime", "n"},
    {"btntimer", "n"},
    {"getbtntimer", "b", M1("getbtntimerの第一引数は数字変数です。")},
    {"maskbtn", "n"},
    {"btncancel", "n"},
    {"btnnowindowerase", ""},
    // other drawing
    {"bar", "n,n,n,n,n,n,n,c"},
    {"barclear", ""},
    {"prnum", "n,n,n,n,n,n,c"},
    {"prnumclear", ""},
    {"monocro", "", {}, nullptr, checkMonocro},
    {"nega", "n"},
    {"bgalia", "n,n,n,n"},
    {"quakex", "n,n"},
    {"quakey", "n,n"},
    {"blt", "n,n,n,n,n,n[,n,n]"},
    {"ofscpy", ""},
    {"repaint", ""},
    {"bw2a", "s"},
    {"bw2a2", "s"},
    {"bmpcut", "p,n,n"},
    // archives and plug-ins
    {"vla", ""},
    {"arc", "s"},
    {"spi", "s"},
    {"soundpressplgin", "s"},
    {"noloaderror", ""},
    // music, sound, movies
    {"play", "", {}, nullptr, checkPlay},
    {"playonce", "", {}, nullptr, checkPlay},
    {"playstop", ""},
    {"stop", ""},
    {"mp3", "a"},
    {"mp3loop", "a"},
    {"cdfadeout", "n"},
    {"wave", "a"},
    {"waveloop", "a"},
    {"wavestop", ""},
    {"dwave", "n,a"},
    {"dwaveloop", "n,a"},
    {"dwavestop", "n"},
    {"dsound", ""},
    {"mode_wave_demo", ""},
    {"avi", "f,n"},
    // saves, globals, logs
    {"savenumber", "n"},
    {"savename", "s,s,s"},
    {"saveon", ""},
    {"saveoff", ""},
    {"globalon", ""},
    {"filelog", ""},
    {"labellog", ""},
    // the right-click menu and system calls
    {"rmenu", "", {}, nullptr, checkRmenu},
    {"rlookback", ""},
    {"roff", ""},
    {"rmode", "n"},
    {"systemcall", "", {}, nullptr, checkSystemcall},
    {"menuselectcolor", "c,c,c", {}, "menuselectcolorのパラメータが違います。"},
    {"menuselectvoice", "a,a,a,a,a,a,a"},
    {"menusetwindow", "", {}, nullptr, checkMenusetwindow},
    {"killmenu", "n"},
    {"menu_full", ""},
    {"menu_window", ""},
    {"menu_click_def", ""},
    {"menu_click_page", ""},
    {"menu_automode", ""},
    // dialogs
    {"inputstr", "$,s,n,n[,n,n,n,n]", M1("inputstrの第一引数は文字変数です。")},
    {"input", "$,s,s,n,n[,n,n,n,n]", M1("inputの第一引数は文字変数です。")},
    {"inputnum", "%,s[,n,n,n,n]", M1("inputnumの第一引数は数字変数です。")},
};

#undef M1
#undef M2
#undef M3

const std::unordered_map<std::string_view, const CommandSignature*>& signatureIndex() {
  static const auto index = [] {
    std::unordered_map<std::string_view, const CommandSignature*> m;
    for (const CommandSignature& s : kSignatures) m.emplace(s.word, &s);
    return m;
  }();
  return index;
}

// ---- glosses ----

struct Gloss {
  const char* japanese;  // the message, "%s" where it names something
  const char* english;
};

const Gloss kGlosses[] = {
    {"長すぎるトークンです:%s", "a word longer than 254 bytes"},
    {"数字がくるべきところに数字がありません。", "a number belongs here"},
    {"数字が長すぎます。:%s", "a number of more than 18 digits"},
    {"ファイル文字列指定は(\"ファイル名\")という形式です。", "the ( or [ choice is not closed"},
    {"文字列中に改行が有ります。", "the string is not closed on its line"},
    {"文字列が長すぎます。:%s", "a string longer than 254 bytes"},
    {"文字列が来るべきところに文字列がありません。", "a string belongs here"},
    {"ラベル名を指定すべきところで文字列が代わりに指定されましたが、文字列の先頭が*ではありません。",
     "a label given as a string must start with *"},
    {"ラベル名が来るべきところにラベル名が来ませんでした。", "a label belongs here"},
    {"カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。", "a colour is written #rrggbb"},
    {"コンマが必要なところにコンマが有りません。", "a comma is missing"},
    {"文字列の入れ子が深すぎます。", "choices nested too deeply"},
    {"変数の番号が範囲外です（0～4095）:%s", "variables are numbered 0 to 4095"},
    {"ファイルの終端に達しました。", "the script ends here"},
    {"*defineブロックには、表示文はおけません。", "story text in the define block"},
    {"不正な命令\"%s\"です。", "no such command"},
    {"ラベル*%sは存在しません", "no such label"},
    {"ラベル*%sの多重定義です。", "the label is defined twice"},
    {"ラベルが5000を超えました。", "more than 5000 labels"},
    {"シナリオが長すぎます。", "the script is longer than 5 MB"},
    {"%sの第一引数は数字／文字変数です。", "the first argument must be a numeric or string variable"},
    {"%sの第一引数は数字変数です。", "the first argument must be a numeric variable"},
    {"%sの第一引数は数値変数です。", "the first argument must be a numeric variable"},
    {"%sの第ニ引数は数字変数です。", "the second argument must be a numeric variable"},
    {"%sの第三引数は数字変数です。", "the third argument must be a numeric variable"},
    {"%sの第１，２引数は数字変数です。", "both arguments must be numeric variables"},
    {"%sの引数は数字変数です。", "the argument must be a numeric variable"},
    {"%sの第一引数は文字変数です。", "the first argument must be a string variable"},
    {"数字エイリアス%sが二重定義されています。", "the numeric alias is defined twice"},
    {"文字列エイリアス%sが二重定義されています。", "the string alias is defined twice"},
    {"数字エイリアスが多すぎます。", "more than 4096 numeric aliases"},
    {"文字列エイリアスが多すぎます。", "more than 4096 string aliases"},
    {"if条件式が間違っています。", "a condition compares two numbers, or is fchk or lchk"},
    {"fchk条件式は、定義ブロックでは使えません。", "fchk in the define block"},
    {"lchk条件式は、定義ブロックでは使えません。", "lchk in the define block"},
    {"SKIPがスクリプトの範囲を飛び出しました。", "skip goes past the start or the end of the script"},
    {"jumpf命令が#を見つけられませんでした。", "no ~ after this jumpf"},
    {"jumpb命令が#を見つけられませんでした。", "no ~ before this jumpb"},
    {"returnとgosub文が正しく対応していません。", "return without gosub"},
    {"mousecursorのパラメータは、offかファイル名です。", "mousecursor takes off or a file name"},
    {"setwindowの縦横文字数指定が間違っています。", "negative columns or lines"},
    {"カーソルは０（通常）と１（クリック消去用）です。", "cursor 0 is the click wait's, 1 the page wait's"},
    {"humanz指定が範囲外です。", "humanz takes 0 to 255"},
    {"trap命令のパラメータは、offもしくは*ラベル名です。", "trap takes a label, off, stop or resume"},
    {"selectcolorのパラメータが違います。", "colours are written #rrggbb"},
    {"lookbackcolorのパラメータは#rrggbbの色指定です。", "the colour is written #rrggbb"},
    {"menuselectcolorのパラメータが違います。", "colours are written #rrggbb"},
    {"effect命令の第一パラメータは2～255です。", "effect numbers are 2 to 255"},
    {"未定義のエフェクトを使いました", "an effect number never defined"},
    {"タグの指定がおかしいです。", "a malformed picture tag"},
    {"monocro命令の次は#rrggbbで色指定、もしくは、offでモノクロ指定を解除、です。", "monocro takes #rrggbb or off"},
    {"rmenu命令へのパラメータが間違っています。", "an rmenu item names no system function"},
    {"systemcall命令へのパラメータが間違っています。", "systemcall names no system function"},
    {"SPI設定が多すぎます。", "more than 50 plug-in settings"},
};

}  // namespace

const CommandSignature* findSignature(std::string_view word) {
  const auto& index = signatureIndex();
  auto it = index.find(word);
  return it == index.end() ? nullptr : it->second;
}

std::vector<std::string_view> signatureWords() {
  std::vector<std::string_view> words;
  for (const CommandSignature& s : kSignatures) words.push_back(s.word);
  return words;
}

std::string_view glossFor(std::string_view message) {
  for (const Gloss& g : kGlosses) {
    std::string_view key = g.japanese;
    size_t at = key.find("%s");
    if (at == std::string_view::npos) {
      if (message == key) return g.english;
      continue;
    }
    std::string_view head = key.substr(0, at), tail = key.substr(at + 2);
    if (message.size() >= head.size() + tail.size() && message.substr(0, head.size()) == head &&
        message.substr(message.size() - tail.size()) == tail)
      return g.english;
  }
  return {};
}

}  // namespace veloria
