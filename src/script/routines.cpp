// User commands (defsub, getparam and the call behind them) and counted loops (for, next,
// break). Both live on the call stack as typed frames beside the gosub returns, so return,
// next, break and getparam all look at the same frames.
#include <cstdint>
#include <string>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

inline uint8_t lowerAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }
inline bool wordByte(uint8_t c) {
  c = lowerAscii(c);
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
inline bool endsStatement(uint8_t c) { return c == ':' || c == ';' || c == '\n' || c == 0; }
inline int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

// ---- defsub, getparam ----

void cmdDefsub(Engine& e, std::string_view, bool definePass) {
  if (!definePass) reportScriptError(e, sj("エラー"), sj("defsub命令は定義ブロックでしか使えません。"));
  std::string name = readWord(e);
  static const char* const kReserved[] = {"if", "notif", "for", "next", "break", "return", "defsub", "getparam", "game"};
  bool reserved = name.empty() || name[0] == '_';
  for (const char* r : kReserved) reserved = reserved || name == r;
  if (reserved) reportScriptErrorF(e, sj("エラー"), sj("%sはdefsubで再定義できません。"), name);
  ScriptState& s = e.script;
  if (s.userCommands.count(name))
    reportScriptErrorF(e, sj("エラー"), sj("ユーザー定義命令%sが二重定義されています。"), name);
  if (s.userCommands.size() >= kMaxUserCommands)
    reportScriptError(e, sj("エラー"), sj("ユーザー定義命令が多すぎます。"));
  s.userCommands.insert(std::move(name));
}

[[noreturn]] void badGetparam(Engine& e) {
  reportScriptError(e, sj("構文エラー"), sj("getparamの引数は数字変数か文字変数です。"));
}

// One destination of getparam, read from its own statement.
struct ParamTarget {
  enum Kind { Number, String, NumberIndex, StringIndex } kind = Number;
  NumTarget number;
  int32_t string = 0;
};

ParamTarget readParamTarget(Engine& e) {
  skipBlanks(e);
  const uint8_t c = lowerAscii(currentByte(e));
  ParamTarget t;
  if ((c == 'i' || c == 's') && peekByte(e, 1) == '%') {
    skipByte(e);
    t.kind = c == 'i' ? ParamTarget::NumberIndex : ParamTarget::StringIndex;
    if (c == 'i') t.number = readNumTarget(e, "getparamの引数は数字変数か文字変数です。");
    else t.string = readNumVarRef(e, "getparamの引数は数字変数か文字変数です。");
    return t;
  }
  if (c == '$') {
    t.kind = ParamTarget::String;
    t.string = readStrVarRef(e, "getparamの引数は数字変数か文字変数です。");
    return t;
  }
  if (c != '%' && c != '?') badGetparam(e);
  t.number = readNumTarget(e, "getparamの引数は数字変数か文字変数です。");
  return t;
}

void cmdGetparam(Engine& e, std::string_view, bool) {
  ScriptState& s = e.script;
  // The innermost user command, past the loops and subroutines it has entered since.
  CallFrame* frame = nullptr;
  for (int32_t i = s.callStack.depth - 1; i >= 0 && !frame; --i)
    if (s.callStack.entries[static_cast<size_t>(i)].kind == FrameKind::UserCommand)
      frame = &s.callStack.entries[static_cast<size_t>(i)];
  if (!frame) reportScriptError(e, sj("スタックエラー"), sj("getparamがユーザー定義命令の外で使われました。"));
  uint32_t callerPos = frame->pos;
  bool listEnded = false;
  bool first = frame->argsRead == 0;  // a second getparam goes on after the first one's arguments
  for (;;) {
    const ParamTarget t = readParamTarget(e);
    const uint32_t ownPos = scriptPosition(e);
    // The caller's next argument, read at the caller's place with the variables as they are now.
    int32_t number = 0;
    std::string text;
    setScriptPosition(e, callerPos);
    skipBlanks(e);
    if (!listEnded) {
      if (first) {
        listEnded = endsStatement(currentByte(e));
      } else if (currentByte(e) == ',') {
        skipByte(e);
      } else {
        listEnded = true;
      }
    }
    if (!listEnded) {
      switch (t.kind) {
        case ParamTarget::Number: number = readNumber(e); break;
        case ParamTarget::String: text = readString(e); break;
        case ParamTarget::NumberIndex: number = readNumVarRef(e, "getparamの引数は数字変数か文字変数です。"); break;
        case ParamTarget::StringIndex: number = readStrVarRef(e, "getparamの引数は数字変数か文字変数です。"); break;
      }
      skipBlanks(e);
    }
    callerPos = scriptPosition(e);
    setScriptPosition(e, ownPos);
    if (t.kind == ParamTarget::String) setStrVar(e, t.string, text);
    else if (t.kind == ParamTarget::StringIndex) setNumVar(e, t.string, number);
    else setTargetValue(e, t.number, number);
    first = false;
    if (!optionalArgFollows(e)) break;
    skipByte(e);
  }
  frame->pos = callerPos;
  frame->argsRead = 1;
}

// ---- for, next, break ----

// Where the loop that `from` lies in ends: just after its matching `next`. Counts the whole
// words for and next in statements only (not in literals, comments, labels or story text).
int64_t findMatchingNext(Engine& e, uint32_t from) {
  const uint8_t* b = scriptBytes(e);
  uint32_t p = from;
  int depth = 0;
  bool lineStart = false;
  bool inString = false;
  for (;;) {
    uint8_t c = b[p];
    if (c == 0) return -1;
    if (c == '\n') {
      ++p;
      lineStart = true;
      inString = false;
      continue;
    }
    if (lineStart) {
      if (c == ' ' || c == '\t' || c == '~') {
        ++p;
        continue;
      }
      lineStart = false;
      const uint8_t lc = lowerAscii(c);
      if (!((lc >= 'a' && lc <= 'z') || c == '_')) {
        // A label, a comment or story text: nothing on this line counts.
        while (b[p] != 0 && b[p] != '\n') ++p;
        continue;
      }
    }
    if (inString) {
      if (c == '"') inString = false;
      ++p;
      continue;
    }
    if (c == '"') {
      inString = true;
      ++p;
      continue;
    }
    if (c == ';') {
      while (b[p] != 0 && b[p] != '\n') ++p;
      continue;
    }
    if (isSjisLead(c) && b[p + 1] != 0 && b[p + 1] != '\n') {
      p += 2;
      continue;
    }
    if (wordByte(c)) {
      const uint8_t before = p > 0 ? b[p - 1] : 0;
      uint32_t q = p;
      while (wordByte(b[q])) ++q;
      const bool marked = before == '*' || before == '%' || before == '$' || before == '?' || before == '_' ||
                          (p > 0 && wordByte(before));
      const uint32_t len = q - p;
      auto is = [&](const char* w, uint32_t n) {
        if (len != n) return false;
        for (uint32_t k = 0; k < n; ++k)
          if (lowerAscii(b[p + k]) != static_cast<uint8_t>(w[k])) return false;
        return true;
      };
      if (!marked && is("for", 3)) ++depth;
      if (!marked && is("next", 4)) {
        if (depth == 0) return q;
        --depth;
      }
      p = q;
      continue;
    }
    ++p;
  }
}

void leaveLoop(Engine& e, uint32_t from) {
  int64_t after = findMatchingNext(e, from);
  if (after < 0) reportScriptError(e, sj("構文エラー"), sj("forに対応するnextが見つかりません。"));
  setScriptPosition(e, static_cast<uint32_t>(after));
}

bool loopContinues(int32_t value, const CallFrame& f) {
  return f.step > 0 ? value <= f.end : value >= f.end;
}

void cmdFor(Engine& e, std::string_view, bool) {
  skipBlanks(e);
  if (currentByte(e) != '%') reportScriptError(e, sj("構文エラー"), sj("forの第一引数は数字変数です。"));
  const int32_t var = readNumVarRef(e, "forの第一引数は数字変数です。");
  skipBlanks(e);
  if (currentByte(e) != '=') reportScriptError(e, sj("構文エラー"), sj("for命令の書式が間違っています。"));
  skipByte(e);
  const int32_t first = readNumber(e);
  if (readWord(e) != "to") reportScriptError(e, sj("構文エラー"), sj("for命令の書式が間違っています。"));
  const int32_t end = readNumber(e);
  int32_t step = 1;
  const uint32_t beforeStep = scriptPosition(e);
  if (readWord(e) == "step") {
    step = readNumber(e);
    if (step == 0) reportScriptError(e, sj("パラメータエラー"), sj("for命令のstepに0は指定できません。"));
  } else {
    setScriptPosition(e, beforeStep);
  }
  const uint32_t bodyPos = scriptPosition(e);
  CallStack& cs = e.script.callStack;
  // A loop left by goto and entered again: its old frames go, so the stack cannot grow
  // without bound. Frames under a subroutine's own frame are never touched.
  for (int32_t i = cs.depth - 1; i >= 0; --i) {
    const CallFrame& f = cs.entries[static_cast<size_t>(i)];
    if (f.kind != FrameKind::Loop) break;
    if (f.pos == bodyPos) {
      cs.cutTo(i);
      break;
    }
  }
  if (cs.full()) reportScriptError(e, sj("スタックエラー"), sj("for文のせいでスタックが溢れました。"));
  setNumVar(e, var, first);
  CallFrame frame{FrameKind::Loop, bodyPos, 0, var, end, step};
  cs.push(frame);
  if (!loopContinues(numVar(e, var), frame)) {
    cs.cutTo(cs.depth - 1);
    leaveLoop(e, bodyPos);
  }
}

void cmdNext(Engine& e, std::string_view, bool) {
  CallStack& cs = e.script.callStack;
  CallFrame* f = cs.top();
  if (!f || f->kind != FrameKind::Loop) reportScriptError(e, sj("スタックエラー"), sj("nextに対応するforがありません。"));
  const CallFrame loop = *f;
  setNumVar(e, loop.var, wrap(int64_t{numVar(e, loop.var)} + loop.step));
  if (loopContinues(numVar(e, loop.var), loop)) {
    setScriptPosition(e, loop.pos);
    return;
  }
  cs.cutTo(cs.depth - 1);
}

void cmdBreak(Engine& e, std::string_view, bool) {
  CallStack& cs = e.script.callStack;
  CallFrame* f = cs.top();
  if (!f || f->kind != FrameKind::Loop) reportScriptError(e, sj("スタックエラー"), sj("breakに対応するforがありません。"));
  cs.cutTo(cs.depth - 1);
  leaveLoop(e, scriptPosition(e));
}

}  // namespace

bool isUserCommand(const Engine& e, std::string_view word) {
  const auto& u = e.script.userCommands;
  return !u.empty() && u.find(word) != u.end();
}

void callUserCommand(Engine& e, std::string_view word) {
  skipBlanks(e);
  if (!e.script.callStack.push(CallFrame{FrameKind::UserCommand, scriptPosition(e)}))
    reportScriptError(e, sj("スタックエラー"), sj("ユーザー定義命令の呼び出しでスタックが溢れました。"));
  jumpToLabel(e, word);
}

uint32_t endOfStatement(const Engine& e, uint32_t from) {
  const uint8_t* b = scriptBytes(e);
  uint32_t p = from;
  bool inString = false;
  while (b[p] != 0 && b[p] != '\n') {
    if (b[p] == '"') inString = !inString;
    else if (b[p] == ':' && !inString) break;
    else if (!inString && isSjisLead(b[p]) && b[p + 1] != 0 && b[p + 1] != '\n') ++p;
    ++p;
  }
  return p;
}

int64_t matchingNextAfter(Engine& e, uint32_t from) { return findMatchingNext(e, from); }

void registerRoutineCommands(CommandTable& t) {
  t.add("defsub", cmdDefsub, "w");
  t.add("getparam", cmdGetparam, kOwnCheck);
  t.add("for", cmdFor, kOwnCheck);
  t.add("next", cmdNext, kOwnCheck);
  t.add("break", cmdBreak, kOwnCheck);
}

}  // namespace veloria
