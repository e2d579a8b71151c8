// The reader operations: every command reads its own arguments straight from the script
// buffer at scriptPos. The buffer always ends in a 0 byte (with a little 0 padding after
// it), and every loop here stops at a 0, so no reader can run past the script.
#include <cstdint>
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// Nested seen-file / passed-label choices read their strings recursively; a script of
// thousands of '(' must not exhaust the native stack.
constexpr int kMaxStringNesting = 32;


int32_t lookupNumAlias(Engine& e, const std::string& name) {
  auto it = e.script.numAliasIndex.find(name);
  if (it == e.script.numAliasIndex.end())
    reportScriptError(e, sj("構文エラー"), sj("数字がくるべきところに数字がありません。"));
  return e.script.numAliases[it->second].value;
}

std::string lookupStrAlias(Engine& e, const std::string& name) {
  auto it = e.script.strAliasIndex.find(name);
  if (it == e.script.strAliasIndex.end())
    reportScriptError(e, sj("構文エラー"), sj("文字列が来るべきところに文字列がありません。"));
  return e.script.strAliases[it->second].value;
}

// A literal number after blanks: sign, up to 18 digits. Values past the 32-bit range are
// clamped to it rather than wrapped, so a huge constant never turns into its opposite sign.
int32_t readLiteral(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  int64_t sign = 1;
  if (b[pos] == '-') {
    sign = -1;
    ++pos;
  } else if (b[pos] == '+') {
    ++pos;
  }
  int64_t value = 0;
  size_t digits = 0;
  uint32_t start = pos;
  while (b[pos] >= '0' && b[pos] <= '9') {
    if (digits == 18) {
      std::string shown(reinterpret_cast<const char*>(b + start), 19);
      reportScriptErrorF(e, sj("構文エラー"), sj("数字が長すぎます。:%s"), shown);
    }
    value = value * 10 + (b[pos] - '0');
    ++digits;
    ++pos;
  }
  skipBlanks(e);
  return clampToInt32(value * sign);
}

std::string readStringNested(Engine& e, int depth);

// The two alternatives of a seen-file or passed-label choice; both are always consumed.
std::string readAlternatives(Engine& e, bool first, int depth) {
  std::string a = readStringNested(e, depth + 1);
  std::string b = readStringNested(e, depth + 1);
  return first ? a : b;
}

void requireClose(Engine& e, uint8_t close) {
  if (currentByte(e) != close)
    reportScriptError(e, sj("エラー"), sj("ファイル文字列指定は(\"ファイル名\")という形式です。"));
  ++e.script.scriptPos;
}

std::string readStringNested(Engine& e, int depth) {
  if (depth > kMaxStringNesting)
    reportScriptError(e, sj("構文エラー"), sj("文字列の入れ子が深すぎます。"));
  skipBlanks(e);
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  switch (b[pos]) {
    case '(': {
      ++pos;
      std::string name = readStringNested(e, depth + 1);
      requireClose(e, ')');
      return readAlternatives(e, fileLogged(e, name), depth);
    }
    case '[': {
      ++pos;
      std::string label = readLabel(e);
      requireClose(e, ']');
      return readAlternatives(e, labelLogged(e, label), depth);
    }
    case '$': {
      ++pos;
      int32_t index = extendedDialect(e) ? readVariableIndex(e) : readNumber(e);
      skipBlanks(e);
      return strVarValue(e, index);
    }
    case '"': {
      ++pos;
      uint32_t start = pos;
      const size_t limit = extendedDialect(e) ? kMaxStringBytes : kMaxLiteralBytes;
      while (b[pos] != '"') {
        if (b[pos] == '\n' || b[pos] == 0) {
          if (!lenientPlay(e)) reportScriptError(e, sj("構文エラー"), sj("文字列中に改行が有ります。"));
          // Lenient: the literal ends with its line.
          reportScriptWarning(e, sj("文字列が閉じていません。"));
          return std::string(reinterpret_cast<const char*>(b + start), pos - start);
        }
        if (pos - start == limit) {
          std::string shown(reinterpret_cast<const char*>(b + start), limit);
          reportScriptErrorF(e, sj("構文エラー"), sj("文字列が長すぎます。:%s"), shown);
        }
        ++pos;
      }
      std::string value(reinterpret_cast<const char*>(b + start), pos - start);
      ++pos;
      skipBlanks(e);
      return value;
    }
    default:
      return lookupStrAlias(e, readWord(e));
  }
}

}  // namespace

uint8_t currentByte(const Engine& e) {
  const auto& s = e.script;
  return s.scriptPos < s.scriptBuffer.size() ? s.scriptBuffer[s.scriptPos] : 0;
}

uint8_t peekByte(const Engine& e, int64_t offset) {
  const auto& s = e.script;
  int64_t p = static_cast<int64_t>(s.scriptPos) + offset;
  return p >= 0 && p < static_cast<int64_t>(s.scriptBuffer.size()) ? s.scriptBuffer[static_cast<size_t>(p)] : 0;
}

bool optionalArgFollows(Engine& e) {
  skipBlanks(e);
  return currentByte(e) == ',';
}

char readLetter(Engine& e) {
  skipBlanks(e);
  uint8_t c = currentByte(e);
  if (c != 0 && c != '\n' && c != '\r') skipByte(e);
  if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
  return static_cast<char>(c);
}

void skipBlanks(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  while (isBlank(b[pos])) ++pos;
}

void skipBlanksAndNewlines(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  while (isBlank(b[pos]) || b[pos] == '\n') ++pos;
}

std::string readWord(Engine& e) {
  skipBlanks(e);
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  std::string word;
  for (;;) {
    uint8_t c = lowerAscii(b[pos]);
    bool letter = (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9' && !word.empty();
    if (!letter && !digit) break;
    if (word.size() == kMaxWordBytes) reportScriptErrorF(e, sj("命令エラー"), sj("長すぎるトークンです:%s"), word);
    word.push_back(static_cast<char>(c));
    ++pos;
  }
  skipBlanks(e);
  return word;
}

int32_t readNumber(Engine& e) {
  if (extendedDialect(e)) {
    skipBlanks(e);
    return readExpression(e);
  }
  return readNumberTerm(e);
}

int32_t readNumberTerm(Engine& e) {
  if (extendedDialect(e)) {
    skipBlanks(e);
    if (currentByte(e) != '%') return readExpression(e);
    skipByte(e);
    int32_t v = numVar(e, readVariableIndex(e));
    skipBlanks(e);
    return v;
  }
  skipBlanks(e);
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  // Each leading '%' looks the value that follows up as a variable index; counting them
  // first keeps a long run of '%' from recursing.
  size_t indirections = 0;
  while (b[pos] == '%') {
    ++pos;
    ++indirections;
    skipBlanks(e);
  }
  uint8_t c = b[pos];
  int32_t value;
  if ((c >= '0' && c <= '9') || c == '+' || c == '-')
    value = readLiteral(e);
  else
    value = lookupNumAlias(e, readWord(e));
  for (; indirections > 0; --indirections) {
    value = numVarValue(e, value);
    skipBlanks(e);
  }
  return value;
}

std::string readString(Engine& e) {
  std::string s = readStringNested(e, 0);
  if (!extendedDialect(e)) return s;
  // The extended dialect joins string terms with '+'.
  while (currentByte(e) == '+') {
    skipByte(e);
    std::string more = readStringNested(e, 0);
    if (s.size() <= kMaxStringBytes) s.append(more, 0, kMaxStringBytes + 1 - s.size());
  }
  truncateSjis(s, kMaxStringBytes);
  return s;
}

std::string readStringTerm(Engine& e) { return readStringNested(e, 0); }

std::string readLabel(Engine& e) {
  skipBlanks(e);
  uint8_t c = currentByte(e);
  if (c == '"' || c == '$') {
    std::string s = readString(e);
    if (s.empty() || s[0] != '*')
      reportScriptError(e, sj("実行時エラー"),
                        sj("ラベル名を指定すべきところで文字列が代わりに指定されましたが、文字列の先頭が*ではありません。"));
    return s.substr(1);
  }
  if (c == '*') {
    ++e.script.scriptPos;
    return readWord(e);
  }
  reportScriptError(e, sj("構文エラー"), sj("ラベル名が来るべきところにラベル名が来ませんでした。"));
}

uint32_t parseColor(Engine& e, std::string_view digits) {
  uint32_t value = 0;
  for (size_t i = 0; i < 6; ++i) {
    uint8_t c = i < digits.size() ? lowerAscii(static_cast<uint8_t>(digits[i])) : 0;
    uint32_t d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else
      reportScriptError(e, sj("構文エラー"),
                        sj("カラー指定が間違っています。HTMLと同じ形式（例：#75fe1b）で指定してください。"));
    value = value << 4 | d;
  }
  return value;
}

uint32_t readColor(Engine& e) {
  const uint8_t* b = scriptBytes(e);
  uint32_t pos = e.script.scriptPos;
  // Callers test for '#' first; without one the bytes cannot be a colour.
  if (b[pos] != '#') return parseColor(e, {});
  // The digits stop at the first 0 byte, so this never looks past the script.
  size_t n = 0;
  while (n < 6 && b[pos + 1 + n] != 0) ++n;
  uint32_t value = parseColor(e, std::string_view(reinterpret_cast<const char*>(b + pos + 1), n));
  e.script.scriptPos = pos + 7;
  return value;
}

void expectComma(Engine& e) {
  skipBlanks(e);
  if (currentByte(e) != ',')
    reportScriptError(e, sj("構文エラー"), sj("コンマが必要なところにコンマが有りません。"));
  ++e.script.scriptPos;
}

}  // namespace veloria
