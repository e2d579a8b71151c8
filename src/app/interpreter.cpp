// The interpreter loop: statement classification and dispatch, story-text lines, and the
// return to the start of a game. It sits above the subsystems because one statement may be
// story text for the text engine, and a reset reaches every subsystem.
#include <string>

#include "app/app.h"
#include "check/coverage.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"

namespace veloria {

namespace {

// The click trap, polled between statements while a trap label is set: a click the window
// procedure has not seen yet, or one it noted for a wait.
void pollTrap(Engine& e) {
  Message m;
  if (e.platform.peekMessage(m, WM_LBUTTONUP, WM_LBUTTONUP, true)) {
    markSavePointStale(e);
    if (hitClickTrap(e) == TrapHit::Remembered) clearClickRequests(e);
    return;
  }
  if (advanceRequested(e) || (menuRequested(e) && clickTrapTakesRightClick(e))) {
    markSavePointStale(e);
    if (hitClickTrap(e) != TrapHit::Ignored) clearClickRequests(e);
  }
}

// The extended dialect's voice shorthand: v, a digit, then letters and digits only.
bool isVoiceShorthand(std::string_view word) {
  if (word.size() < 2 || word[0] != 'v' || word[1] < '0' || word[1] > '9') return false;
  for (char c : word.substr(2))
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
  return true;
}

void playVoice(Engine& e, std::string_view word) {
  std::string file = "voice\\";
  file.append(word.substr(1));
  file += ".wav";
  playVoiceShorthand(e, file);
}

// A word that is no command. Without --lenient that stops the game, as it always did; with
// it, a word followed by what could be arguments is skipped, and one followed by words or
// punctuation starts a line of story text (in the define pass it is skipped too).
void unknownWord(Engine& e, std::string_view word, bool definePass, uint32_t wordPos) {
  if (!lenientPlay(e)) reportScriptErrorF(e, sj("構文エラー"), sj("不正な命令\"%s\"です。"), word);
  const uint8_t c = currentByte(e);
  const bool argumentsFollow = c == ':' || c == ';' || c == '\n' || c == 0 || c == '"' || (c >= '0' && c <= '9') ||
                               c == '%' || c == '$' || c == '?' || c == '#' || c == '*' || c == '-' || c == '+' ||
                               c == '(' || c == '`';
  if (argumentsFollow || definePass || wordPos == kNoWordPos) {
    std::string message = sj("未定義の命令\"%s\"を無視しました。");
    message.replace(message.find("%s"), 2, word);
    reportScriptWarning(e, message);
    setScriptPosition(e, endOfStatement(e, scriptPosition(e)));
    return;
  }
  setScriptPosition(e, wordPos);
  std::string line = buildStoryTextLine(e);
  typeText(e, line);
}

// The extended dialect's order: "_word" reaches a built-in past a user command of that name,
// then user commands, built-ins, and the voice shorthand narrowed to a digit after the v.
void dispatchExtended(Engine& e, std::string_view word, bool definePass, uint32_t wordPos) {
  if (!word.empty() && word[0] == '_') {
    std::string_view builtIn = word.substr(1);
    if (const CommandRow* row = e.commands.row(builtIn)) {
      if (!row->scriptOnly) markSavePointStale(e);
      row->handler(e, builtIn, definePass);
      return;
    }
    markSavePointStale(e);
    unknownWord(e, word, definePass, wordPos);
    return;
  }
  if (isUserCommand(e, word)) {
    markSavePointStale(e);
    callUserCommand(e, word);
    return;
  }
  if (const CommandRow* row = e.commands.row(word)) {
    if (!row->scriptOnly) markSavePointStale(e);
    row->handler(e, word, definePass);
    return;
  }
  markSavePointStale(e);
  if (isVoiceShorthand(word)) {
    playVoice(e, word);
    return;
  }
  unknownWord(e, word, definePass, wordPos);
}

void passLabelLine(Engine& e) {
  std::string name = readLabel(e);
  logLabel(e, name);
}

// One statement at scriptPos. Returns true when the define pass is over.
bool runStatement(Engine& e, bool definePass) {
  if (clickTrapSet(e)) pollTrap(e);
  if (!definePass) advanceSavePoint(e);
  // Skip mode stops at script that has not been read before.
  if (!markPositionRead(e, scriptPosition(e))) endSkipMode(e);
  setScriptPosition(e, scriptPosition(e));  // a stale position from outside is clamped
  noteExecutedLine(e);
  uint8_t c = currentByte(e);
  switch (c) {
    case 0:
      reportScriptError(e, sj("スクリプトエラー"), sj("ファイルの終端に達しました。"));
    case ' ':
    case '\t':
    case '\n':
    case ':':
    case '~':
      skipByte(e);
      return false;
    case '*':
      passLabelLine(e);
      return false;
    case ';':
      while (currentByte(e) != 0 && currentByte(e) != '\n') skipByte(e);
      return false;
    default:
      break;
  }
  uint8_t lc = (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c;
  if ((lc >= 'a' && lc <= 'z') || lc == '_') {
    const uint32_t wordPos = scriptPosition(e);
    std::string word = readWord(e);
    dispatchCommand(e, word, definePass, wordPos);
    return definePass && gameStarted(e);
  }
  if (definePass)
    reportScriptError(e, sj("定義ブロックエラー"), sj("*defineブロックには、表示文はおけません。"));
  markSavePointStale(e);
  if (enterPreTextHook(e)) return false;
  std::string line = buildStoryTextLine(e);
  typeText(e, line);
  return false;
}

// What a statement leaves for the loop: a right-click routine that returned makes the wait it
// interrupted again, and a reset chosen meanwhile is carried out.
void afterStatement(Engine& e) {
  InterruptedWait kind{};
  if (takeWaitToResume(e, kind)) {
    markSavePointStale(e);
    if (kind == InterruptedWait::ClickWait) typeText(e, "@");
    else if (kind == InterruptedWait::PageWait) typeText(e, "\\");
  }
  if (resetRequested(e)) resetEngine(e);
}

}  // namespace

void runInterpreter(Engine& e, bool definePass) {
  // Whatever happened before the loop, the first save point takes the whole state.
  markSavePointStale(e);
  if (definePass) startDefinePass(e);
  setScriptPosition(e, scriptPosition(e));
  skipBlanks(e);
  while (e.app.quitRequested == 0) {
    e.platform.sleep(0);
    try {
      if (runStatement(e, definePass)) return;
      afterStatement(e);
    } catch (const ScriptUnwind& u) {
      // A wait was left because the player reset the game or loaded a save meanwhile.
      markSavePointStale(e);
      if (u.reason == ScriptUnwind::Reason::Reset) resetEngine(e);
    }
    // The load already put the position and the scene back; whatever was running is over.
    clearGameLoaded(e);
  }
}

void dispatchCommand(Engine& e, std::string_view word, bool definePass, uint32_t wordPos) {
  if (resetRequested(e)) {
    resetEngine(e);
    return;
  }
  if (extendedDialect(e)) {
    dispatchExtended(e, word, definePass, wordPos);
    return;
  }
  const CommandRow* row = e.commands.row(word);
  // A game read as the base language does not know the later dialect's words.
  if (row && !row->extendedOnly) {
    if (!row->scriptOnly) markSavePointStale(e);
    row->handler(e, word, definePass);
    return;
  }
  markSavePointStale(e);
  if (!word.empty() && (word[0] == 'v' || word[0] == 'V')) {
    playVoice(e, word);
    return;
  }
  unknownWord(e, word, definePass, wordPos);
}

void resetEngine(Engine& e) {
  markSavePointStale(e);
  stopAllSound(e);
  scriptResetGame(e);
  stopReadingModes(e);
  allowSaving(e, true);
  textResetGame(e);
  graphicsResetGame(e);
  jumpToLabel(e, "start");
}

}  // namespace veloria
