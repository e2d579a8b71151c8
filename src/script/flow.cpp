// The script's flow: story-text lines, labels and the label log, the position, the click
// trap, the call stack, and the file log.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

void appendFullWidthNumber(std::string& out, int32_t value) {
  static const std::string& digits = sj("０１２３４５６７８９");
  static const std::string& minus = sj("－");
  int64_t v = value;
  if (v < 0) {
    out += minus;
    v = -v;
  }
  char ascii[24];
  int n = 0;
  do {
    ascii[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  while (n > 0) out.append(digits, static_cast<size_t>(ascii[--n] - '0') * 2, 2);
}

namespace {

// The later dialect expands '$' and '%' only before a variable reference: a digit, another
// '%', an array term or a numeric alias; otherwise they are characters of the text.
bool variableFollows(const Engine& e, const uint8_t* b, uint32_t pos) {
  const uint8_t c = b[pos];
  if ((c >= '0' && c <= '9') || c == '%' || c == '?') return true;
  std::string word;
  for (uint32_t p = pos; word.size() < kMaxWordBytes; ++p) {
    uint8_t w = b[p];
    if (w >= 'A' && w <= 'Z') w = static_cast<uint8_t>(w + 32);
    if (!((w >= 'a' && w <= 'z') || w == '_' || (w >= '0' && w <= '9' && !word.empty()))) break;
    word.push_back(static_cast<char>(w));
  }
  return !word.empty() && e.script.numAliasIndex.count(word) != 0;
}

// Where the tail of the line made only of '@', '\', '/' and blanks begins (the later
// dialect's waits there act even inside a segment).
uint32_t trailingWaitsStart(const uint8_t* b, uint32_t pos) {
  uint32_t tail = pos;
  while (b[pos] != 0 && b[pos] != '\n') {
    const uint8_t c = b[pos];
    if (isSjisLead(c) && b[pos + 1] != 0 && b[pos + 1] != '\n') {
      pos += 2;
      tail = pos;
      continue;
    }
    ++pos;
    if (c != '@' && c != '\\' && c != '/' && c != ' ' && c != '\t') tail = pos;
  }
  return tail;
}

// The readers step over the blanks after a variable; the later dialect's text keeps them.
void keepBlanksAfterReference(Engine& e, uint32_t start) {
  const uint8_t* b = scriptBytes(e);
  uint32_t& pos = e.script.scriptPos;
  while (pos > start + 1 && (b[pos - 1] == ' ' || b[pos - 1] == '\t')) --pos;
}

}  // namespace

// Copies the story text from scriptPos to the end of the line, expanding $ and % variables;
// with textgosub on, an '@' or '\' ends the line early. In the later dialect nothing inside
// a backtick segment is expanded or ends the line.
std::string buildStoryTextLine(Engine& e) {
  auto& s = e.script;
  const uint8_t* b = scriptBytes(e);
  const bool later = extendedDialect(e);
  const uint32_t tail = later ? trailingWaitsStart(b, s.scriptPos) : 0;
  bool segment = false;
  std::string line;
  // Expansion may grow the line; a little room past the limit lets the final cut keep
  // whole characters.
  const size_t room = kMaxTextLineBytes + 2;
  for (;;) {
    uint32_t pos = s.scriptPos;
    uint8_t c = b[pos];
    if (c == 0 || c == '\n') break;
    if (later) {
      if (isSjisLead(c) && b[pos + 1] != 0 && b[pos + 1] != '\n') {
        if (line.size() < room) line.append(reinterpret_cast<const char*>(b + pos), 2);
        s.scriptPos += 2;
        continue;
      }
      if (c == '`') segment = !segment;
      const bool waitActs = !segment || (pos >= tail && (c == '@' || c == '\\'));
      if (!waitActs || ((c == '$' || c == '%') && !variableFollows(e, b, pos + 1))) {
        if (line.size() < room) line.push_back(static_cast<char>(c));
        ++s.scriptPos;
        continue;
      }
    }
    if (s.textGosubOn == 1 && (c == '@' || c == '\\') && !(pos > 0 && isSjisLead(b[pos - 1]))) {
      if (line.size() < room) line.push_back(static_cast<char>(c));
      ++s.scriptPos;
      break;
    }
    if (c == '$') {
      std::string v = readStringTerm(e);
      if (line.size() < room) line.append(v, 0, room - line.size());
      if (later) keepBlanksAfterReference(e, pos);
      continue;
    }
    if (c == '%' && !(pos >= 2 && b[pos - 2] == '!')) {
      int32_t v = readNumberTerm(e);
      if (line.size() < room) appendFullWidthNumber(line, v);
      if (later) keepBlanksAfterReference(e, pos);
      continue;
    }
    if (line.size() < room) line.push_back(static_cast<char>(c));
    ++s.scriptPos;
  }
  if (line.size() > kMaxTextLineBytes) truncateSjis(line, kMaxTextLineBytes);
  return line;
}

namespace {

// The variable index at `i` of a text: digits, a numeric alias, or '%' and an index (the
// numeric variable's value). -1 when nothing of the kind starts there.
int64_t textReferenceIndex(Engine& e, std::string_view text, size_t& i) {
  // Leading '%'s are counted first, so that a long run of them cannot recurse.
  size_t indirections = 0;
  size_t p = i;
  while (p < text.size() && text[p] == '%') {
    ++p;
    ++indirections;
  }
  int64_t value;
  if (p < text.size() && text[p] >= '0' && text[p] <= '9') {
    value = 0;
    while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
      value = std::min<int64_t>(value * 10 + (text[p] - '0'), INT32_MAX);
      ++p;
    }
  } else {
    std::string word;
    while (p < text.size() && word.size() < kMaxWordBytes) {
      char w = text[p];
      if (w >= 'A' && w <= 'Z') w = static_cast<char>(w + 32);
      if (!((w >= 'a' && w <= 'z') || w == '_' || (w >= '0' && w <= '9' && !word.empty()))) break;
      word.push_back(w);
      ++p;
    }
    auto it = e.script.numAliasIndex.find(word);
    if (word.empty() || it == e.script.numAliasIndex.end()) return -1;
    value = e.script.numAliases[it->second].value;
  }
  for (; indirections > 0; --indirections) value = numVarValue(e, static_cast<int32_t>(value));
  i = p;
  return value;
}

}  // namespace

std::string expandTextReferences(Engine& e, std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size() && out.size() < kMaxStringBytes;) {
    const uint8_t c = static_cast<uint8_t>(text[i]);
    if (isSjisLead(c) && i + 1 < text.size()) {
      out.append(text, i, 2);
      i += 2;
      continue;
    }
    if (c == '$' || c == '%') {
      size_t p = i + 1;
      const int64_t index = textReferenceIndex(e, text, p);
      if (p != i + 1) {
        if (c == '$') out += strVarValue(e, static_cast<int32_t>(index));
        else appendFullWidthNumber(out, numVarValue(e, static_cast<int32_t>(index)));
        i = p;
        continue;
      }
    }
    out.push_back(static_cast<char>(c));
    ++i;
  }
  truncateSjis(out, kMaxStringBytes);
  return out;
}

void jumpToLabel(Engine& e, std::string_view name) {
  int64_t pos = findLabel(e, name);
  if (pos < 0) reportScriptErrorF(e, sj("ラベルエラー"), sj("ラベル*%sは存在しません"), name);
  e.script.scriptPos = static_cast<uint32_t>(pos);
  logLabel(e, name);
}

void scriptResetGame(Engine& e) {
  auto& s = e.script;
  s.resetRequested = 0;
  s.rgosubTaken = 0;
  s.waitToResume = false;
  s.pendingTrapLabel.clear();
  s.trapState = TrapState::Armed;
  s.lrTrap = 0;
  for (int i = 0; i < s.globalBorder; ++i) {
    s.numVars[static_cast<size_t>(i)] = 0;
    s.strVars[static_cast<size_t>(i)].clear();
  }
  s.callStack.clear();
  s.preTextRunning = false;
}

// ---- the position, and what waits and text tell the interpreter ----

uint32_t scriptPosition(const Engine& e) { return e.script.scriptPos; }
void setScriptPosition(Engine& e, uint32_t pos) { e.script.scriptPos = std::min(pos, e.script.scriptLength); }
void skipByte(Engine& e) {
  if (e.script.scriptPos < e.script.scriptLength) ++e.script.scriptPos;
}
void noteInterruptedWait(Engine& e, InterruptedWait kind) { e.script.interruptedWaitKind = kind; }
bool rgosubTaken(const Engine& e) { return e.script.rgosubTaken != 0; }
void noteRgosubTaken(Engine& e) { e.script.rgosubTaken = 1; }
void clearRgosubTaken(Engine& e) { e.script.rgosubTaken = 0; }
void resumeInterruptedWait(Engine& e) { e.script.waitToResume = true; }
bool takeWaitToResume(Engine& e, InterruptedWait& kind) {
  if (!e.script.waitToResume) return false;
  e.script.waitToResume = false;
  kind = e.script.interruptedWaitKind;
  return true;
}
bool resetRequested(const Engine& e) { return e.script.resetRequested != 0; }
bool textGosubOn(const Engine& e) { return e.script.textGosubOn != 0; }
void setTextGosub(Engine& e, bool on) { e.script.textGosubOn = on ? 1 : 0; }

void armClickTrap(Engine& e, std::string label, bool lr) {
  e.script.pendingTrapLabel = std::move(label);
  e.script.trapState = TrapState::Armed;
  e.script.lrTrap = lr ? 1 : 0;
}
void disarmClickTrap(Engine& e) { e.script.pendingTrapLabel.clear(); }
bool clickTrapSet(const Engine& e) { return !e.script.pendingTrapLabel.empty(); }
bool clickTrapTakesRightClick(const Engine& e) { return e.script.lrTrap != 0; }

TrapHit hitClickTrap(Engine& e) {
  ScriptState& s = e.script;
  if (s.trapState == TrapState::StoppedClicked) return TrapHit::Ignored;
  if (s.trapState == TrapState::Stopped) {
    s.trapState = TrapState::StoppedClicked;
    return TrapHit::Remembered;
  }
  std::string label = std::move(s.pendingTrapLabel);
  s.pendingTrapLabel.clear();
  jumpToLabel(e, label);
  return TrapHit::Jumped;
}
void pauseClickTrap(Engine& e) { e.script.trapState = TrapState::Stopped; }
void resumeClickTrap(Engine& e) {
  ScriptState& s = e.script;
  const bool clicked = s.trapState == TrapState::StoppedClicked && !s.pendingTrapLabel.empty();
  s.trapState = TrapState::Armed;
  if (clicked) {
    std::string label = std::move(s.pendingTrapLabel);
    s.pendingTrapLabel.clear();
    jumpToLabel(e, label);
  }
}

void requestReset(Engine& e) { e.script.resetRequested = 1; }
void markGameStarted(Engine& e) { e.script.gameStarted = 1; }

void startDefinePass(Engine& e) {
  jumpToLabel(e, "define");
  e.script.pendingTrapLabel.clear();
  e.script.gameStarted = 0;
}
bool gameStarted(const Engine& e) { return e.script.gameStarted != 0; }

// ---- call stack ----

bool callStackFull(const Engine& e) { return e.script.callStack.full(); }
bool callStackPush(Engine& e, uint32_t pos) { return e.script.callStack.push(pos); }
bool callStackPop(Engine& e, uint32_t& pos) {
  CallFrame f;
  if (!e.script.callStack.pop(f)) return false;
  pos = f.pos;
  return true;
}

// ---- logs ----

std::string normalizeLogName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    uint8_t c = static_cast<uint8_t>(name[i]);
    if (isSjisLead(c) && i + 1 < name.size()) {
      out.push_back(name[i]);
      out.push_back(name[++i]);  // a second byte may look like a letter or '/': keep it
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 32);
    if (c == '/') c = '\\';
    out.push_back(static_cast<char>(c));
  }
  return out;
}

bool labelLogged(const Engine& e, std::string_view name) {
  return e.script.labelLog.contains(normalizeLogName(name));
}
void logLabel(Engine& e, std::string_view name) { e.script.labelLog.push_back(normalizeLogName(name)); }
bool fileLogged(const Engine& e, std::string_view name) {
  return e.script.fileLog.contains(normalizeLogName(name));
}
void logFile(Engine& e, std::string_view name) { e.script.fileLog.push_back(normalizeLogName(name)); }

// ---- life cycle ----

void scriptRestoreDefaults(Engine& e) {
  auto& s = e.script;
  s.intLimits.clear();
  s.labels.clear();
  s.labelIndex.clear();
  s.numAliases.clear();
  s.numAliasIndex.clear();
  s.strAliases.clear();
  s.strAliasIndex.clear();
  s.callStack.clear();
  s.arrays.clear();
  s.arrayElements = 0;
  s.userCommands.clear();
  s.gameStarted = 0;
  s.resetRequested = 0;
  s.rgosubTaken = 0;
  s.interruptedWaitKind = InterruptedWait::ClickWait;
  s.waitToResume = false;
  s.textGosubOn = 0;
  s.wheelInput = 0;
  s.escSpaceInput = 0;
  s.language.clear();
  s.preTextGosubLabel.clear();
  s.preTextRunning = false;
  s.pendingTrapLabel.clear();
  s.trapState = TrapState::Armed;
  s.lrTrap = 0;
  s.reportingError = false;
  seedRandom(e, e.platform.timeGetTime());
}

void registerScriptCommands(CommandTable& t) {
  registerVariableCommands(t);
  registerControlCommands(t);
  registerDialectCommands(t);
  registerArrayCommands(t);
  registerRoutineCommands(t);
  registerStringCommands(t);
}

}  // namespace veloria
