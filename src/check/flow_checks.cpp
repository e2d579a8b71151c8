// The checks of their own for the commands that move the script elsewhere: jumps, calls,
// conditions, skips and the click trap. Each says how the statement moves on before it
// reads, so that a bad argument is not taken for a command that goes straight on.
#include <string>

#include "check/checker_internal.h"
#include "engine/engine.h"
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

void checkGameStarts(ScriptChecker& c, std::string_view) { c.flow().kind = Flow::GameStarts; }

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
  bool checkWord = first == 'f' || first == 'l';
  if (checkWord && extendedDialect(e)) {
    // There a numeric alias may begin with f or l as well.
    const uint32_t keep = c.pos();
    std::string w = readWord(e);
    setScriptPosition(e, keep);
    checkWord = w == (first == 'f' ? "fchk" : "lchk");
  }
  if (checkWord) {
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
  const bool strings = extendedDialect(e) && conditionOperandIsString(e);
  if (strings) c.string();
  else c.number();
  skipBlanks(e);
  switch (currentByte(e)) {
    case '=':
      skipByte(e);
      if (currentByte(e) == '=') skipByte(e);
      break;
    case '!':
      if (peekByte(e, 1) != '=') return;  // no comparison: the '!' starts the next statement
      skipByte(e);
      skipByte(e);
      break;
    case '<':
      skipByte(e);
      if (currentByte(e) == '=' || currentByte(e) == '>') skipByte(e);
      break;
    case '>':
      skipByte(e);
      if (currentByte(e) == '=') skipByte(e);
      break;
    default:
      badCondition(e);
  }
  if (extendedDialect(e) && conditionOperandIsString(e) != strings) badCondition(e);
  if (strings) c.string();
  else c.number();
}

void checkCondition(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.flow().kind = Flow::Conditional;
  for (;;) {
    comparison(c);
    skipBlanks(e);
    if (currentByte(e) == '|' && extendedDialect(e)) badCondition(e);
    if (currentByte(e) != '&') break;
    skipByte(e);
    if (currentByte(e) == '&') skipByte(e);
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

// ---- the extended dialect's loops, user commands and arrays ----

void checkFor(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  if (currentByte(e) != '%') reportScriptError(e, sj("構文エラー"), sj("forの第一引数は数字変数です。"));
  c.noteVariableAlias();
  readNumVarRef(e, "forの第一引数は数字変数です。");
  skipBlanks(e);
  if (currentByte(e) != '=') reportScriptError(e, sj("構文エラー"), sj("for命令の書式が間違っています。"));
  skipByte(e);
  c.number();
  if (readWord(e) != "to") reportScriptError(e, sj("構文エラー"), sj("for命令の書式が間違っています。"));
  c.number();
  const uint32_t beforeStep = c.pos();
  if (readWord(e) == "step") {
    bool isStatic = false;
    const uint32_t at = c.pos();
    int32_t step = c.number(&isStatic);
    if (isStatic && step == 0) {
      setScriptPosition(e, at);
      reportScriptError(e, sj("パラメータエラー"), sj("for命令のstepに0は指定できません。"));
    }
  } else {
    setScriptPosition(e, beforeStep);
  }
  // The game stops on a missing next only when it has to look for it; a script should not
  // depend on that.
  if (matchingNextAfter(e, c.pos()) < 0)
    reportScriptError(e, sj("構文エラー"), sj("forに対応するnextが見つかりません。"));
}

void checkBreak(ScriptChecker& c, std::string_view) {
  int64_t after = matchingNextAfter(c.engine(), c.pos());
  if (after < 0) {
    c.flow().kind = Flow::Stop;
    reportScriptError(c.engine(), sj("構文エラー"), sj("forに対応するnextが見つかりません。"));
  }
  c.flow() = Flow{Flow::Jump, {static_cast<uint32_t>(after)}};
}

void checkNext(ScriptChecker&, std::string_view) {}

void checkGetparam(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  const char* message = "getparamの引数は数字変数か文字変数です。";
  do {
    skipBlanks(e);
    const uint8_t first = currentByte(e);
    if ((first == 'i' || first == 's' || first == 'I' || first == 'S') && peekByte(e, 1) == '%') skipByte(e);
    skipBlanks(e);
    const uint8_t marker = currentByte(e);
    c.noteVariableAlias();
    if (marker == '$') readStrVarRef(e, message);
    else if (marker == '%' || marker == '?') readNumTarget(e, message);
    else reportScriptError(e, sj("構文エラー"), sj(message));
  } while (optionalArgFollows(e) && (skipByte(e), true));
}

void checkDim(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  if (currentByte(e) != '?') reportScriptError(e, sj("構文エラー"), sj("dimの引数は配列変数です。"));
  readArrayPlace(e);
}

}  // namespace

void addFlowChecks(CustomChecks& m) {
  m.emplace("for", checkFor);
  m.emplace("next", checkNext);
  m.emplace("break", checkBreak);
  m.emplace("getparam", checkGetparam);
  m.emplace("dim", checkDim);
  m.emplace("goto", checkGoto);
  m.emplace("gosub", checkGosub);
  m.emplace("return", checkReturn);
  m.emplace("if", checkCondition);
  m.emplace("notif", checkCondition);
  m.emplace("skip", checkSkip);
  m.emplace("jumpf", checkJumpf);
  m.emplace("jumpb", checkJumpb);
  m.emplace("tablegoto", checkTablegoto);
  m.emplace("end", checkStop);
  m.emplace("reset", checkStop);
  m.emplace("definereset", checkStop);
  m.emplace("game", checkGameStarts);
  m.emplace("trap", checkTrap);
  m.emplace("lr_trap", checkTrap);
}

}  // namespace veloria
