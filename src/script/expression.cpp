// Numeric expressions of the extended dialect: + - * / mod, parentheses, variables, array
// elements and aliases, in 32-bit two's-complement arithmetic. The reader works on the script
// bytes at scriptPos and leaves the position on the first byte that cannot continue the
// expression (after its blanks), which is where the next argument or statement starts.
#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// Parentheses, array subscripts and variable indices nest by recursion; a script cannot be
// allowed to exhaust the native stack with them.
constexpr int kMaxExpressionNesting = 64;
thread_local int tNesting = 0;

struct NestingGuard {
  explicit NestingGuard(Engine& e) {
    if (++tNesting > kMaxExpressionNesting) {
      tNesting = 0;
      reportScriptError(e, sj("構文エラー"), sj("式の入れ子が深すぎます。"));
    }
  }
  ~NestingGuard() {
    if (tNesting > 0) --tNesting;
  }
  NestingGuard(const NestingGuard&) = delete;
  NestingGuard& operator=(const NestingGuard&) = delete;
};

inline bool isBlank(uint8_t c) { return c == ' ' || c == '\t'; }
inline uint8_t lowerAscii(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }
inline bool wordByte(uint8_t c) {
  c = lowerAscii(c);
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
inline int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

inline void blanks(const uint8_t* b, uint32_t& pos) {
  while (isBlank(b[pos])) ++pos;
}

int hexDigit(uint8_t c) {
  c = lowerAscii(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

[[noreturn]] void literalTooLong(Engine& e, uint32_t start, uint32_t end) {
  const uint8_t* b = scriptBytes(e);
  std::string shown(reinterpret_cast<const char*>(b + start), std::min<uint32_t>(end - start, 32));
  reportScriptErrorF(e, sj("構文エラー"), sj("数字が長すぎます。:%s"), shown);
}

// A decimal or "0x" hexadecimal literal at scriptPos. `negated`: a unary minus stands
// before it, so 2147483648 still fits.
int32_t literal(Engine& e, bool negated) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  const uint32_t start = pos;
  if (b[pos] == '0' && lowerAscii(b[pos + 1]) == 'x' && hexDigit(b[pos + 2]) >= 0) {
    pos += 2;
    uint64_t v = 0;
    while (hexDigit(b[pos]) >= 0) {
      v = v * 16 + static_cast<uint64_t>(hexDigit(b[pos++]));
      if (v > 0xFFFFFFFFu) literalTooLong(e, start, pos);
    }
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  const int64_t limit = negated ? int64_t{2147483648} : int64_t{2147483647};
  int64_t v = 0;
  while (b[pos] >= '0' && b[pos] <= '9') {
    v = v * 10 + (b[pos++] - '0');
    if (v > limit) {
      while (b[pos] >= '0' && b[pos] <= '9') ++pos;
      literalTooLong(e, start, pos);
    }
  }
  return wrap(v);
}

int32_t alias(Engine& e) {
  std::string name = readWord(e);
  auto it = e.script.numAliasIndex.find(name);
  if (it == e.script.numAliasIndex.end())
    reportScriptError(e, sj("構文エラー"), sj("数字がくるべきところに数字がありません。"));
  return e.script.numAliases[it->second].value;
}

int32_t expression(Engine& e);

// "(" expr ")" with scriptPos on the '('.
int32_t parenthesised(Engine& e) {
  NestingGuard guard(e);
  ++e.script.scriptPos;
  int32_t v = expression(e);
  if (currentByte(e) != ')') reportScriptError(e, sj("構文エラー"), sj("括弧が閉じていません。"));
  ++e.script.scriptPos;
  return v;
}

// primary := number | "(" expr ")" | "%" index | "?" array element | alias
int32_t primary(Engine& e, bool negated) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  uint8_t c = b[pos];
  int32_t v;
  if (c >= '0' && c <= '9') {
    v = literal(e, negated);
  } else if (c == '(') {
    v = parenthesised(e);
  } else if (c == '%') {
    ++pos;
    v = numVar(e, readVariableIndex(e));
  } else if (c == '?') {
    v = arrayValue(e, readArrayPlace(e));
  } else if ((lowerAscii(c) >= 'a' && lowerAscii(c) <= 'z') || c == '_') {
    v = alias(e);
  } else {
    reportScriptError(e, sj("構文エラー"), sj("数字がくるべきところに数字がありません。"));
  }
  blanks(b, pos);
  return v;
}

// factor := [ "-" | "+" ] primary
int32_t factor(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  blanks(b, pos);
  if (b[pos] == '-' || b[pos] == '+') {
    const bool minus = b[pos] == '-';
    ++pos;
    blanks(b, pos);
    // "--5" and "-(-5)" nest; the guard keeps a long run of signs off the native stack.
    if (b[pos] == '-' || b[pos] == '+') {
      NestingGuard guard(e);
      int32_t v = factor(e);
      return minus ? wrap(-int64_t{v}) : v;
    }
    int32_t v = primary(e, minus);
    return minus ? wrap(-int64_t{v}) : v;
  }
  return primary(e, false);
}

// "mod" as an operator: the word and nothing more (a longer word ends the expression).
bool atMod(const uint8_t* b, uint32_t pos) {
  return lowerAscii(b[pos]) == 'm' && lowerAscii(b[pos + 1]) == 'o' && lowerAscii(b[pos + 2]) == 'd' &&
         !wordByte(b[pos + 3]);
}

// term := factor { ( "*" | "/" | "mod" ) factor }
int32_t term(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  int32_t v = factor(e);
  for (;;) {
    uint8_t c = b[pos];
    if (c == '*') {
      ++pos;
      v = wrap(int64_t{v} * factor(e));
    } else if (c == '/') {
      ++pos;
      int32_t d = factor(e);
      if (d == 0) {
        // The checker has no values: a divisor it reads as 0 proves nothing.
        if (e.script.checkingMode) continue;
        reportScriptError(e, sj("０除算エラー"), sj("０で除算しました。"));
      }
      v = wrap(int64_t{v} / d);
    } else if (atMod(b, pos)) {
      pos += 3;
      int32_t d = factor(e);
      if (d == 0) {
        if (e.script.checkingMode) continue;
        reportScriptError(e, sj("０除算エラー"), sj("０で剰余演算しました。"));
      }
      v = wrap(int64_t{v} % d);
    } else {
      return v;
    }
  }
}

// expr := term { ( "+" | "-" ) term }; after a term a sign is always an operator.
int32_t expression(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  int32_t v = term(e);
  for (;;) {
    uint8_t c = b[pos];
    if (c == '+') {
      ++pos;
      v = wrap(int64_t{v} + term(e));
    } else if (c == '-') {
      ++pos;
      v = wrap(int64_t{v} - term(e));
    } else {
      return v;
    }
  }
}

}  // namespace

int32_t readExpression(Engine& e) { return expression(e); }

// index := number | alias | "%" index | "?" element | "(" expr ")"
int32_t readVariableIndex(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  blanks(b, pos);
  // Each further '%' looks the index up as a variable; counted first, so a long run of them
  // does not recurse.
  size_t indirections = 0;
  while (b[pos] == '%') {
    ++pos;
    ++indirections;
    blanks(b, pos);
  }
  int32_t v;
  uint8_t c = b[pos];
  if (c == '-' || c == '+') {
    // A signed index is out of range (or a plain number); the range check names it.
    v = factor(e);
  } else {
    v = primary(e, false);
  }
  for (; indirections > 0; --indirections) v = numVar(e, v);
  return v;
}

}  // namespace veloria
