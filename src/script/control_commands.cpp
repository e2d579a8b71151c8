// Commands that move scriptPos: jumps, subroutines, conditions, relative moves, jump tables.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

void cmdGoto(Engine& e, std::string_view, bool) {
  std::string label = readLabel(e);
  jumpToLabel(e, label);
}

void cmdGosub(Engine& e, std::string_view, bool) {
  if (callStackFull(e)) reportScriptError(e, sj("スタックエラー"), sj("gosub文のせいでスタックが溢れました。"));
  std::string label = readLabel(e);
  callStackPush(e, e.script.scriptPos);
  jumpToLabel(e, label);
}

void cmdReturn(Engine& e, std::string_view, bool) {
  CallStack& cs = e.script.callStack;
  // Loops left by goto inside the routine end with it.
  while (cs.top() && cs.top()->kind == FrameKind::Loop) cs.cutTo(cs.depth - 1);
  CallFrame f;
  if (!cs.pop(f)) reportScriptError(e, sj("スタックエラー"), sj("returnとgosub文が正しく対応していません。"));
  if (f.kind == FrameKind::UserCommand) {
    // Arguments no getparam read are passed over with the rest of the caller's statement.
    e.script.scriptPos = f.argsRead ? f.pos : endOfStatement(e, f.pos);
    return;
  }
  e.script.scriptPos = f.pos;
  auto& s = e.script;
  if (s.rgosubTaken) {
    // The right-click subroutine is over: the wait it interrupted is made again.
    s.rgosubTaken = 0;
    resumeInterruptedWait(e);
  }
}

[[noreturn]] void badCondition(Engine& e) { reportScriptError(e, sj("エラー"), sj("if条件式が間違っています。")); }

// Reads the word at scriptPos without moving on.
std::string peekWord(Engine& e) {
  const uint32_t keep = e.script.scriptPos;
  std::string w = readWord(e);
  e.script.scriptPos = keep;
  return w;
}

enum class CompareOp { EQ, NE, LT, LE, GT, GE };

// The operator at scriptPos. False for "no comparison" (a '!' without '='), leaving the
// position on the '!'.
bool readCompareOp(Engine& e, CompareOp& op) {
  skipBlanks(e);
  uint32_t& pos = e.script.scriptPos;
  switch (currentByte(e)) {
    case '=':
      ++pos;
      if (currentByte(e) == '=') ++pos;
      op = CompareOp::EQ;
      return true;
    case '!':
      if (peekByte(e, 1) != '=') return false;
      pos += 2;
      op = CompareOp::NE;
      return true;
    case '<':
      ++pos;
      if (currentByte(e) == '=') {
        ++pos;
        op = CompareOp::LE;
      } else if (currentByte(e) == '>') {
        ++pos;
        op = CompareOp::NE;
      } else {
        op = CompareOp::LT;
      }
      return true;
    case '>':
      ++pos;
      if (currentByte(e) == '=') {
        ++pos;
        op = CompareOp::GE;
      } else {
        op = CompareOp::GT;
      }
      return true;
    default:
      badCondition(e);
  }
}

bool compare(int c, CompareOp op) {
  switch (op) {
    case CompareOp::EQ: return c == 0;
    case CompareOp::NE: return c != 0;
    case CompareOp::LT: return c < 0;
    case CompareOp::LE: return c <= 0;
    case CompareOp::GT: return c > 0;
    case CompareOp::GE: return c >= 0;
  }
  return false;
}

// One comparison. Returns false for "no comparison" (a '!' without '='), leaving the
// position on the '!'.
bool readComparison(Engine& e, bool definePass, bool& result) {
  skipBlanks(e);
  uint8_t c = currentByte(e);
  // The extended dialect lets a numeric alias begin with f or l as well.
  const bool checkWord = (c == 'f' || c == 'l') && (!extendedDialect(e) || peekWord(e) == (c == 'f' ? "fchk" : "lchk"));
  if (checkWord && c == 'f') {
    if (readWord(e) != "fchk") badCondition(e);
    if (definePass) reportScriptError(e, sj("エラー"), sj("fchk条件式は、定義ブロックでは使えません。"));
    std::string file = readString(e);
    result = fileLogged(e, file);
    return true;
  }
  if (checkWord && c == 'l') {
    if (readWord(e) != "lchk") badCondition(e);
    if (definePass) reportScriptError(e, sj("エラー"), sj("lchk条件式は、定義ブロックでは使えません。"));
    std::string label = readLabel(e);
    result = labelLogged(e, label);
    return true;
  }
  const bool strings = extendedDialect(e) && conditionOperandIsString(e);
  if (strings) {
    std::string a = readString(e);
    CompareOp op;
    if (!readCompareOp(e, op)) return false;
    if (!conditionOperandIsString(e)) badCondition(e);
    std::string b = readString(e);
    result = compare(compareBytes(a, b), op);
    return true;
  }
  int32_t a = readNumber(e);
  CompareOp op;
  if (!readCompareOp(e, op)) return false;
  if (extendedDialect(e) && conditionOperandIsString(e)) badCondition(e);
  int32_t b = readNumber(e);
  result = compare(a < b ? -1 : (a > b ? 1 : 0), op);
  return true;
}

void skipRestOfLine(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  while (b[pos] != 0 && b[pos] != '\n') ++pos;
  if (b[pos] == '\n') ++pos;
}

// if runs the rest of the line when every comparison holds; notif when none does.
void condition(Engine& e, bool definePass, bool negated) {
  bool result = false;
  for (;;) {
    readComparison(e, definePass, result);
    skipBlanks(e);
    // "||" is no operator of the language.
    if (currentByte(e) == '|' && extendedDialect(e)) badCondition(e);
    if (currentByte(e) != '&') break;
    ++e.script.scriptPos;
    if (currentByte(e) == '&') ++e.script.scriptPos;
    if (result == negated) {
      skipRestOfLine(e);
      return;
    }
  }
  if (result == negated) skipRestOfLine(e);
}

void cmdIf(Engine& e, std::string_view, bool definePass) { condition(e, definePass, false); }
void cmdNotif(Engine& e, std::string_view, bool definePass) { condition(e, definePass, true); }

[[noreturn]] void skipOutOfRange(Engine& e) {
  reportScriptError(e, sj("構文エラー"), sj("SKIPがスクリプトの範囲を飛び出しました。"));
}

void cmdSkip(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  if (n > 0) {
    for (int32_t i = 0; i < n; ++i) {
      while (b[pos] != '\n') {
        if (b[pos] == 0) skipOutOfRange(e);
        ++pos;
      }
      ++pos;
    }
    return;
  }
  if (n == 0) return;
  int64_t p = pos;
  if (b[p] == '\n') --p;
  int64_t times = -int64_t{n} + 1;
  for (int64_t i = 0; i < times; ++i) {
    if (p < 0) skipOutOfRange(e);
    while (b[p] != '\n') {
      if (p == 0) skipOutOfRange(e);
      --p;
    }
    --p;
  }
  pos = static_cast<uint32_t>(p + 1);
}

void cmdJumpf(Engine& e, std::string_view, bool) {
  const uint8_t* b = scriptBytes(e);
  uint32_t p = e.script.scriptPos;
  while (b[p] != '~') {
    if (b[p] == 0) reportScriptError(e, sj("エラー"), sj("jumpf命令が#を見つけられませんでした。"));
    ++p;
  }
  e.script.scriptPos = p + 1;
}

void cmdJumpb(Engine& e, std::string_view, bool) {
  const uint8_t* b = scriptBytes(e);
  int64_t p = static_cast<int64_t>(e.script.scriptPos) - 1;
  while (p >= 0 && b[p] != '~') --p;
  if (p < 0) reportScriptError(e, sj("エラー"), sj("jumpb命令が#を見つけられませんでした。"));
  e.script.scriptPos = static_cast<uint32_t>(p + 1);
}

void cmdTablegoto(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  expectComma(e);
  for (int32_t i = 0; i < n; ++i) {
    readLabel(e);
    expectComma(e);
  }
  std::string label = readLabel(e);
  jumpToLabel(e, label);
}

}  // namespace

bool conditionOperandIsString(Engine& e) {
  skipBlanks(e);
  const uint8_t c = currentByte(e);
  if (c == '"' || c == '$') return true;
  const uint8_t lc = (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
  if (!((lc >= 'a' && lc <= 'z') || c == '_')) return false;
  std::string w = peekWord(e);
  return e.script.strAliasIndex.count(w) && !e.script.numAliasIndex.count(w);
}

int compareBytes(std::string_view a, std::string_view b) {
  // Byte order as unsigned values; a shorter prefix sorts first.
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c == 0 && a.size() != b.size()) c = a.size() < b.size() ? -1 : 1;
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void registerControlCommands(CommandTable& t) {
  t.add("goto", cmdGoto, kOwnCheck);
  t.add("gosub", cmdGosub, kOwnCheck);
  t.add("return", cmdReturn, kOwnCheck);
  t.add("if", cmdIf, kOwnCheck);
  t.add("notif", cmdNotif, kOwnCheck);
  t.add("skip", cmdSkip, kOwnCheck);
  t.add("jumpf", cmdJumpf, kOwnCheck);
  t.add("jumpb", cmdJumpb, kOwnCheck);
  t.add("tablegoto", cmdTablegoto, kOwnCheck);
  // A return that ends the right-click routine only asks for the interrupted wait; the
  // interpreter makes it again, outside the command.
  for (const char* w : {"goto", "gosub", "return", "if", "notif", "skip", "jumpf", "jumpb", "tablegoto"})
    t.markScriptOnly(w);
}

}  // namespace veloria
