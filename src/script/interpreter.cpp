// The interpreter loop: statement classification, dispatch, story-text lines, labels and
// the label log, and the return to the start of a game.
#include <cstdlib>
#include <string>

#include "app/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "script/command_table.h"
#include "script/coverage.h"
#include "script/script.h"
#include "script/script_internal.h"
#include "sound/sound.h"
#include "text/text.h"

namespace veloria {

namespace {

// The click trap, polled between statements while a trap label is set.
void pollTrap(Engine& e) {
  auto& s = e.script;
  auto& t = e.text;
  Message m;
  if (e.platform.peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true)) {
    if (s.trapState == TrapState::Stopped) {
      s.trapState = TrapState::StoppedClicked;
      t.advanceRequested = 0;
      t.menuRequested = 0;
    } else if (s.trapState == TrapState::Armed) {
      std::string label = s.pendingTrapLabel;
      jumpToLabel(e, label);
      s.pendingTrapLabel.clear();
    }
    return;
  }
  if (t.advanceRequested || (t.menuRequested && s.lrTrap)) {
    if (s.trapState == TrapState::StoppedClicked) return;
    if (s.trapState == TrapState::Stopped) {
      s.trapState = TrapState::StoppedClicked;
    } else {
      std::string label = s.pendingTrapLabel;
      jumpToLabel(e, label);
      s.pendingTrapLabel.clear();
    }
    t.advanceRequested = 0;
    t.menuRequested = 0;
  }
}

// Skip mode stops at script that has not been read before; then the position is marked.
void markRead(Engine& e) {
  auto& marks = e.save.readMarks;
  uint32_t p = e.script.scriptPos;
  size_t byte = p / 8;
  uint8_t bit = static_cast<uint8_t>(1u << (p % 8));
  if (byte >= marks.size() || !(marks[byte] & bit)) e.text.skipMode = 0;
  if (byte < marks.size()) marks[byte] |= bit;
}

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

void passLabelLine(Engine& e) {
  std::string name = readLabel(e);
  logLabel(e, name);
}

}  // namespace

// Copies the story text from scriptPos to the end of the line, expanding $ and % variables;
// with textgosub on, an '@' or '\' ends the line early.
std::string buildStoryTextLine(Engine& e) {
  auto& s = e.script;
  const uint8_t* b = scriptBytes(e);
  std::string line;
  // Expansion may grow the line; a little room past the limit lets the final cut keep
  // whole characters.
  const size_t room = kMaxTextLineBytes + 2;
  for (;;) {
    uint32_t pos = s.scriptPos;
    uint8_t c = b[pos];
    if (c == 0 || c == '\n') break;
    if (s.textGosubOn == 1 && (c == '@' || c == '\\') && !(pos > 0 && isSjisLead(b[pos - 1]))) {
      if (line.size() < room) line.push_back(static_cast<char>(c));
      ++s.scriptPos;
      break;
    }
    if (c == '$') {
      std::string v = readString(e);
      if (line.size() < room) line.append(v, 0, room - line.size());
      continue;
    }
    if (c == '%' && !(pos >= 2 && b[pos - 2] == '!')) {
      int32_t v = readNumber(e);
      if (line.size() < room) appendFullWidthNumber(line, v);
      continue;
    }
    if (line.size() < room) line.push_back(static_cast<char>(c));
    ++s.scriptPos;
  }
  if (line.size() > kMaxTextLineBytes) truncateSjis(line, kMaxTextLineBytes);
  return line;
}

namespace {

// One statement at scriptPos. Returns true when the define pass is over.
bool runStatement(Engine& e, bool definePass) {
  auto& s = e.script;
  if (!s.pendingTrapLabel.empty()) pollTrap(e);
  if (!definePass) takeSavePoint(e);
  if (!e.save.readMarks.empty()) markRead(e);
  if (s.scriptPos > s.scriptLength) s.scriptPos = s.scriptLength;  // a stale position from outside
  noteExecutedLine(e);
  const uint8_t* b = scriptBytes(e);
  uint8_t c = b[s.scriptPos];
  switch (c) {
    case 0:
      reportScriptError(e, sj("スクリプトエラー"), sj("ファイルの終端に達しました。"));
    case ' ':
    case '\t':
    case '\n':
    case ':':
    case '~':
      ++s.scriptPos;
      return false;
    case '*':
      passLabelLine(e);
      return false;
    case ';':
      while (b[s.scriptPos] != 0 && b[s.scriptPos] != '\n') ++s.scriptPos;
      return false;
    default:
      break;
  }
  uint8_t lc = (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
  if ((lc >= 'a' && lc <= 'z') || lc == '_') {
    std::string word = readWord(e);
    dispatchCommand(e, word, definePass);
    return definePass && s.gameStarted == 1;
  }
  if (definePass)
    reportScriptError(e, sj("定義ブロックエラー"), sj("*defineブロックには、表示文はおけません。"));
  std::string line = buildStoryTextLine(e);
  typeText(e, line);
  if (s.resetRequested) resetEngine(e);
  return false;
}

}  // namespace

void runInterpreter(Engine& e, bool definePass) {
  auto& s = e.script;
  if (definePass) {
    jumpToLabel(e, "define");
    s.pendingTrapLabel.clear();
    s.gameStarted = 0;
  }
  if (s.scriptPos > s.scriptLength) s.scriptPos = s.scriptLength;
  skipBlanks(e);
  while (e.app.quitRequested == 0) {
    e.platform.sleep(0);
    try {
      if (runStatement(e, definePass)) return;
    } catch (const ScriptUnwind& u) {
      // A wait was left because the player reset the game or loaded a save meanwhile.
      if (u.reason == ScriptUnwind::Reason::Reset) resetEngine(e);
    }
    // The load already put the position and the scene back; whatever was running is over.
    e.text.gameLoaded = 0;
  }
}

void dispatchCommand(Engine& e, std::string_view word, bool definePass) {
  if (e.script.resetRequested) {
    resetEngine(e);
    return;
  }
  if (CommandHandler h = e.commands.find(word)) {
    h(e, word, definePass);
    return;
  }
  if (!word.empty() && (word[0] == 'v' || word[0] == 'V')) {
    std::string file = "voice\\";
    file.append(word.substr(1));
    file += ".wav";
    playVoiceShorthand(e, file);
    return;
  }
  reportScriptErrorF(e, sj("構文エラー"), sj("不正な命令\"%s\"です。"), word);
}

void jumpToLabel(Engine& e, std::string_view name) {
  int64_t pos = findLabel(e, name);
  if (pos < 0) reportScriptErrorF(e, sj("ラベルエラー"), sj("ラベル*%sは存在しません"), name);
  e.script.scriptPos = static_cast<uint32_t>(pos);
  logLabel(e, name);
}

void resetEngine(Engine& e) {
  auto& s = e.script;
  stopAllSound(e);
  s.resetRequested = 0;
  s.rgosubTaken = 0;
  s.pendingTrapLabel.clear();
  s.trapState = TrapState::Armed;
  s.lrTrap = 0;
  e.text.skipMode = 0;
  e.text.autoMode = 0;
  e.text.autoClick = 0;
  e.save.savingAllowed = 1;
  textResetGame(e);
  graphicsResetGame(e);
  for (int i = 0; i < kLocalVariableCount; ++i) {
    s.numVars[static_cast<size_t>(i)] = 0;
    s.strVars[static_cast<size_t>(i)].clear();
  }
  s.callStack.clear();
  jumpToLabel(e, "start");
}

// ---- the position, and what waits and text tell the interpreter ----

uint32_t scriptPosition(const Engine& e) { return e.script.scriptPos; }
void setScriptPosition(Engine& e, uint32_t pos) { e.script.scriptPos = std::min(pos, e.script.scriptLength); }
void skipByte(Engine& e) {
  if (e.script.scriptPos < e.script.scriptLength) ++e.script.scriptPos;
}
void noteInterruptedWait(Engine& e, InterruptedWait kind) { e.script.interruptedWaitKind = kind; }
bool rgosubTaken(const Engine& e) { return e.script.rgosubTaken != 0; }
void clearRgosubTaken(Engine& e) { e.script.rgosubTaken = 0; }
bool resetRequested(const Engine& e) { return e.script.resetRequested != 0; }
bool textGosubOn(const Engine& e) { return e.script.textGosubOn != 0; }
void setTextGosub(Engine& e, bool on) { e.script.textGosubOn = on ? 1 : 0; }

void armClickTrap(Engine& e, std::string label, bool lr) {
  e.script.pendingTrapLabel = std::move(label);
  e.script.trapState = TrapState::Armed;
  e.script.lrTrap = lr ? 1 : 0;
}
void disarmClickTrap(Engine& e) { e.script.pendingTrapLabel.clear(); }
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

// ---- call stack ----

bool callStackFull(const Engine& e) { return e.script.callStack.full(); }
bool callStackPush(Engine& e, uint32_t pos) { return e.script.callStack.push(pos); }
bool callStackPop(Engine& e, uint32_t& pos) { return e.script.callStack.pop(pos); }

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
  s.gameStarted = 0;
  s.resetRequested = 0;
  s.rgosubTaken = 0;
  s.interruptedWaitKind = InterruptedWait::ClickWait;
  s.textGosubOn = 0;
  s.pendingTrapLabel.clear();
  s.trapState = TrapState::Armed;
  s.lrTrap = 0;
  s.autoModeAllowed = 0;
  s.pictureViewFlag = 0;
  s.versionLines[0] = "Veloria Version 1.4";
  s.versionLines[1] = "(C) The Veloria developers";
  s.reportingError = false;
  seedRandom(e, e.platform.timeGetTime());
}

void registerScriptCommands(CommandTable& t) {
  registerVariableCommands(t);
  registerControlCommands(t);
  registerSystemCommands(t);
}

}  // namespace veloria
