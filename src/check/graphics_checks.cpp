// The checks of their own for pictures, transitions and buttons: arguments whose form
// depends on a value read before them.
#include <string>

#include "check/checker_internal.h"
#include "engine/engine.h"
#include "engine/graphics_state.h"
#include "graphics/buttons.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

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

bool pluginEffect(const Engine& e, int32_t type, bool isStatic) {
  return isStatic && type == kPluginEffect && extendedDialect(e);
}

bool takesMask(const Engine& e, int32_t type, bool isStatic) {
  return !isStatic || type == 15 || type == 18 || pluginEffect(e, type, isStatic);
}

void badEffectType(ScriptChecker& c, uint32_t at, int32_t type, bool isStatic) {
  if (isStatic && (type < 0 || type > 18) && !pluginEffect(c.engine(), type, isStatic))
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
    if (takesMask(e, type, isStatic) && optionalArgFollows(e)) {
      expectComma(e);
      // A plug-in transition names its library and options, not a picture.
      if (pluginEffect(e, type, isStatic)) c.string();
      else c.picture();
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

// getscreenshot w, h and setlayer n, interval, "library": literal values the command refuses.
void checkGetscreenshot(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool wStatic = false, hStatic = false;
  const int32_t w = c.number(&wStatic);
  expectComma(e);
  const int32_t h = c.number(&hStatic);
  if ((wStatic && w < 1) || (hStatic && h < 1))
    reportScriptError(e, sj("パラメータエラー"), sj("getscreenshotの大きさが不正です。"));
}

void checkSetlayer(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool isStatic = false;
  const int32_t n = c.number(&isStatic);
  if (isStatic && (n < 0 || n >= kPluginLayers))
    reportScriptErrorF(e, sj("パラメータエラー"), sj("レイヤー番号%dは範囲外です。"), std::to_string(n));
  expectComma(e);
  c.number();
  expectComma(e);
  c.string();
}

void checkCsp(ScriptChecker& c, std::string_view) { c.spriteNumber(true); }

// A literal control string is checked as it will be applied: its form, then its numbers.
void controlString(ScriptChecker& c) {
  Engine& e = c.engine();
  skipBlanks(e);
  const uint32_t at = c.pos();
  bool isStatic = false;
  const std::string s = c.string(&isStatic);
  if (!isStatic) return;
  if (!controlStringValid(s)) {
    c.finding(at, sjisToUtf8(sj("exbtn命令の制御文字列が間違っています。")) + " (" +
                      std::string(glossFor(sjisToUtf8(sj("exbtn命令の制御文字列が間違っています。")))) + ")");
    return;
  }
  for (int n : controlStringSprites(s))
    if (n >= kSpriteCount) {
      c.finding(at, sjisToUtf8(sj("スプライト番号")) + std::to_string(n) + sjisToUtf8(sj("は範囲外です。")) +
                        " (sprites are numbered 0 to 999)");
      return;
    }
}

void checkExbtn(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.spriteNumber();
  expectComma(e);
  c.number();
  expectComma(e);
  controlString(c);
}

void checkExbtnD(ScriptChecker& c, std::string_view) { controlString(c); }

// The enhanced sprite commands: a literal number outside the table is refused (csp2 also
// takes -1), then the rest of the arguments by their pattern.
void enhancedSprite(ScriptChecker& c, bool allowAll, const char* rest) {
  Engine& e = c.engine();
  skipBlanks(e);
  bool isStatic = false;
  const int32_t n = c.number(&isStatic);
  if (isStatic && (n < 0 || n >= kEnhancedSpriteCount) && !(allowAll && n == -1))
    reportScriptErrorF(e, sj("パラメータエラー"), sj("拡張スプライト番号%dは範囲外です。"), std::to_string(n));
  if (*rest == 0) return;
  expectComma(e);
  c.readPattern(CommandArgs{rest});
}

void checkLsp2(ScriptChecker& c, std::string_view) { enhancedSprite(c, false, "p,n,n,n,n,n[,n]"); }
void checkCsp2(ScriptChecker& c, std::string_view) { enhancedSprite(c, true, ""); }
void checkAmsp2(ScriptChecker& c, std::string_view) { enhancedSprite(c, false, "n,n,n,n,n[,n]"); }

}  // namespace

void addGraphicsChecks(CustomChecks& m) {
  m.emplace("csp", checkCsp);
  m.emplace("exbtn", checkExbtn);
  m.emplace("exbtn_d", checkExbtnD);
  m.emplace("lsp2", checkLsp2);
  m.emplace("lsph2", checkLsp2);
  m.emplace("csp2", checkCsp2);
  m.emplace("amsp2", checkAmsp2);
  m.emplace("msp2", checkAmsp2);
  m.emplace("effect", checkEffect);
  m.emplace("windoweffect", checkWindoweffect);
  m.emplace("bg", checkBg);
  m.emplace("ld", checkLd);
  m.emplace("cl", checkCl);
  m.emplace("tal", checkTal);
  m.emplace("btndef", checkBtndef);
  m.emplace("monocro", checkMonocro);
  m.emplace("getscreenshot", checkGetscreenshot);
  m.emplace("setlayer", checkSetlayer);
}

}  // namespace veloria
