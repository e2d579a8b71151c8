// Which language a game is written in. Games of the later dialect say so only by what they
// use, so the whole script is looked at once, before anything runs: a game that uses one of
// that dialect's own words anywhere (reached or not) is played by its rules throughout.
#include <algorithm>
#include <iterator>
#include <cstring>
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// The command words of the extended dialect that the base language does not have, sorted.
constexpr std::string_view kExtendedOnlyWords[] = {
    "addkinsoku", "amsp2", "bgcopy", "bgm", "bgmfadeout", "bgmonce", "bgmstop", "bgmvol", "break",
    "chvol", "csp2", "defsub", "deletescreenshot", "dim", "dwaveload", "dwaveplay", "dwaveplayloop",
    "errorsave", "exbtn", "exbtn_d", "fileexist", "flushout", "for", "getlog", "getparam",
    "getscreenshot", "getspsize", "gettext", "isdown", "itoa2", "language", "layermessage",
    "loadgame", "loadgosub", "logsp", "loopbgm", "loopbgmstop", "lsp2", "lsph2", "maxkaisoupage",
    "mid", "movie", "mp3vol", "msp2", "next", "nsa", "pretextgosub", "quake", "rubyon", "savegame",
    "savescreenshot2", "savetime", "setlayer", "sevol", "split", "texthide", "textshow",
    "useescspc", "usewheel", "voicevol",
};

inline bool wordByte(uint8_t c) {
  c = lowerAscii(c);
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The word at b[pos] (lower-cased, letters, digits and '_'), at most 32 bytes: no word of
// interest is longer.
std::string wordAt(const uint8_t* b, uint32_t pos) {
  std::string w;
  while (wordByte(b[pos]) && w.size() < 32) w.push_back(static_cast<char>(lowerAscii(b[pos++])));
  return w;
}

bool startsWord(uint8_t c) {
  c = lowerAscii(c);
  return (c >= 'a' && c <= 'z') || c == '_';
}

// Looks at one script line from `pos` (its first byte) to its line feed. Statements start at
// the line's start (after blanks and '~'), after a ':' outside string literals, and, after
// an if/notif word, at any later word that stands after a blank (the condition's end cannot
// be told without reading it; a bare word inside a condition would have to be an alias).
bool lineUsesExtendedWord(const uint8_t* b, uint32_t pos) {
  while (isBlank(b[pos]) || b[pos] == '~') ++pos;
  if (!startsWord(b[pos])) return false;  // story text, a label, a comment or blank
  bool statementStart = true;
  bool inCondition = false;
  bool inString = false;
  for (;;) {
    uint8_t c = b[pos];
    if (c == 0 || c == '\n') return false;
    if (inString) {
      if (c == '"') inString = false;
      ++pos;
      continue;
    }
    if (isSjisLead(c) && b[pos + 1] != 0 && b[pos + 1] != '\n') {
      pos += 2;
      statementStart = false;
      continue;
    }
    if (c == '"') {
      inString = true;
      ++pos;
      continue;
    }
    if (c == ';') return false;
    if (c == ':') {
      statementStart = true;
      inCondition = false;
      ++pos;
      continue;
    }
    if (isBlank(c) || c == '~') {
      if (inCondition) statementStart = true;
      ++pos;
      continue;
    }
    if (startsWord(c)) {
      const uint8_t before = pos > 0 ? b[pos - 1] : 0;
      std::string w = wordAt(b, pos);
      const bool marked = before == '*' || before == '%' || before == '$' || before == '?' || before == '#';
      if (statementStart && !marked) {
        if (isExtendedOnlyWord(w)) return true;
        if (w == "if" || w == "notif") inCondition = true;
      }
      pos += static_cast<uint32_t>(w.size());
      while (wordByte(b[pos])) ++pos;
      statementStart = false;
      continue;
    }
    statementStart = false;
    ++pos;
  }
}

// ";value" N on the first line: the border between a game's own and its global variables.
// Returns false when the first line is not such a line.
bool readValueLine(Engine& e, int32_t& border) {
  const uint8_t* b = scriptBytes(e);
  if (std::memcmp(b, ";value", 6) != 0) return false;
  uint32_t pos = 6;
  while (isBlank(b[pos])) ++pos;
  int64_t n = 0;
  uint32_t digits = 0;
  while (b[pos] >= '0' && b[pos] <= '9' && digits < 12) {
    n = n * 10 + (b[pos++] - '0');
    ++digits;
  }
  if (digits == 0 || n < 1 || n > kMaxVariableCount) {
    e.script.scriptPos = 0;
    reportScriptError(e, sj("構文エラー"), sj(";valueの値が不正です。"));
  }
  border = static_cast<int32_t>(n);
  return true;
}

void cmdUseWheel(Engine& e, std::string_view, bool) { e.script.wheelInput = 1; }

// The word is kept; the engine's own texts stay as they are whatever it says.
void cmdLanguage(Engine& e, std::string_view, bool) {
  std::string w = readWord(e);
  if (w != "english" && w != "japanese") {
    reportScriptWarning(e, sj("languageのパラメータが違います。"));
    return;
  }
  e.script.language = std::move(w);
}

void cmdPretextgosub(Engine& e, std::string_view, bool) {
  e.script.preTextGosubLabel = readLabel(e);
  e.script.preTextRunning = false;
}

// Whether the story text at `pos` is the first statement of its script line: only blanks
// stand before it, or a label line's label.
bool beginsScriptLine(const uint8_t* b, uint32_t pos) {
  while (pos > 0 && isBlank(b[pos - 1])) --pos;
  if (pos == 0 || b[pos - 1] == '\n') return true;
  uint32_t p = pos;
  while (p > 0 && wordByte(b[p - 1])) --p;
  if (p == pos || p == 0 || b[p - 1] != '*') return false;
  --p;
  while (p > 0 && isBlank(b[p - 1])) --p;
  return p == 0 || b[p - 1] == '\n';
}
void cmdUseEscSpc(Engine& e, std::string_view, bool) { e.script.escSpaceInput = 1; }

}  // namespace

bool isExtendedOnlyWord(std::string_view w) {
  return std::binary_search(std::begin(kExtendedOnlyWords), std::end(kExtendedOnlyWords), w);
}

void detectDialect(Engine& e) {
  ScriptState& s = e.script;
  s.globalBorder = kLocalVariableCount;
  if (s.options.forceDialect) {
    s.dialect = s.options.forcedDialect;
    int32_t border = kLocalVariableCount;
    if (s.dialect == Dialect::Extended && readValueLine(e, border)) s.globalBorder = border;
    return;
  }
  int32_t border = kLocalVariableCount;
  if (readValueLine(e, border)) {
    s.dialect = Dialect::Extended;
    s.globalBorder = border;
    return;
  }
  s.dialect = Dialect::Base;
  const uint8_t* b = scriptBytes(e);
  uint32_t pos = 0;
  while (pos < s.scriptLength) {
    if (lineUsesExtendedWord(b, pos)) {
      s.dialect = Dialect::Extended;
      return;
    }
    const void* nl = std::memchr(b + pos, '\n', s.scriptLength - pos);
    if (!nl) break;
    pos = static_cast<uint32_t>(static_cast<const uint8_t*>(nl) - b) + 1;
  }
}

void setScriptOptions(Engine& e, const ScriptOptions& options) { e.script.options = options; }
bool extendedDialect(const Engine& e) { return e.script.dialect == Dialect::Extended; }
bool lenientPlay(const Engine& e) { return e.script.options.lenient; }
int32_t variableCount(const Engine& e) { return extendedDialect(e) ? kMaxVariableCount : kVariableCount; }
int32_t globalBorder(const Engine& e) { return e.script.globalBorder; }
bool wheelInputOn(const Engine& e) { return e.script.wheelInput != 0; }
bool escSpaceInputOn(const Engine& e) { return e.script.escSpaceInput != 0; }

bool enterPreTextHook(Engine& e) {
  ScriptState& s = e.script;
  if (s.preTextGosubLabel.empty()) return false;
  const uint32_t pos = s.scriptPos;
  if (s.preTextRunning) {
    // The routine is still running: its own text does not call it again.
    if (s.callStack.depth >= s.preTextDepth) return false;
    s.preTextRunning = false;
    // Its return came back to the line it was called for: that line is typed now.
    if (pos == s.preTextPos) return false;
  }
  if (!beginsScriptLine(scriptBytes(e), pos)) return false;
  if (!callStackPush(e, pos))
    reportScriptError(e, sj("スタックエラー"), sj("gosub文のせいでスタックが溢れました。"));
  s.preTextRunning = true;
  s.preTextPos = pos;
  s.preTextDepth = s.callStack.depth;
  jumpToLabel(e, s.preTextGosubLabel);
  return true;
}

void registerDialectCommands(CommandTable& t) {
  t.add("usewheel", cmdUseWheel, "");
  t.add("useescspc", cmdUseEscSpc, "");
  t.add("language", cmdLanguage, "w");
  t.add("pretextgosub", cmdPretextgosub, "l");
}

}  // namespace veloria
