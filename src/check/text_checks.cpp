// The checks of their own for the text window and the choices.
#include <string>

#include "check/checker_internal.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

void checkSetwindow(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool colsStatic = false, linesStatic = false;
  c.number();
  expectComma(e);
  c.number();
  expectComma(e);
  int32_t cols = c.number(&colsStatic);
  expectComma(e);
  int32_t lines = c.number(&linesStatic);
  if ((colsStatic && cols < 0) || (linesStatic && lines < 0))
    reportScriptError(e, sj("エラー"), sj("setwindowの縦横文字数指定が間違っています。"));
  for (int i = 0; i < 7; ++i) {
    expectComma(e);
    c.number();
  }
  expectComma(e);
  skipBlanks(e);
  if (currentByte(e) == '#') {
    readColor(e);
    for (int i = 0; i < 4; ++i) {
      expectComma(e);
      c.number();
    }
  } else {
    c.picture();
    for (int i = 0; i < 2; ++i) {
      expectComma(e);
      c.number();
    }
  }
}

void checkSetcursor(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (isStatic && n != 0 && n != 1)
    reportScriptError(e, sj("エラー"), sj("カーソルは０（通常）と１（クリック消去用）です。"));
  expectComma(e);
  c.picture();
  expectComma(e);
  c.number();
  expectComma(e);
  c.number();
}

void checkHumanz(ScriptChecker& c, std::string_view) {
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (isStatic && (n < 0 || n >= spriteLimit(c.engine())))
    reportScriptError(c.engine(), sj("エラー"), sj("humanz指定が範囲外です。"));
}

// The options of a choice: texts (with labels for the jumping forms), each after blanks and
// line feeds, separated by commas.
void choiceOptions(ScriptChecker& c, bool withLabels, Flow& flow) {
  Engine& e = c.engine();
  for (;;) {
    skipBlanksAndNewlines(e);
    c.string();
    if (withLabels) {
      expectComma(e);
      auto t = c.label();
      if (t) flow.targets.push_back(*t);
    }
    if (!optionalArgFollows(e)) break;
    expectComma(e);
  }
}

void checkSelect(ScriptChecker& c, std::string_view word) {
  Flow f{Flow::Stop, {}};  // which option is taken is the player's choice
  c.flow() = f;
  choiceOptions(c, true, f);
  if (word == "csel" && findLabel(c.engine(), "customsel") < 0) {
    std::string message = sj("ラベル*%sは存在しません");
    message.replace(message.find("%s"), 2, "customsel");
    c.finding(c.pos(), sjisToUtf8(message) + " (csel jumps to *customsel, which the script must provide)");
  }
  c.flow() = f;
}

void checkSelnum(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  c.noteVariableAlias();
  readNumVarRef(e, "selnumの第一引数は数値変数です。");
  expectComma(e);
  Flow f;
  choiceOptions(c, false, f);
}

// rubyon: no arguments, or width, height and an optional face.
void checkRubyon(ScriptChecker& c, std::string_view) {
  Engine& e = c.engine();
  skipBlanks(e);
  const uint8_t b = currentByte(e);
  if (b == 0 || b == '\n' || b == ':' || b == ';') return;
  c.number();
  expectComma(e);
  c.number();
  if (optionalArgFollows(e)) {
    skipByte(e);
    c.string();
  }
}

void checkMaxkaisoupage(ScriptChecker& c, std::string_view) {
  bool isStatic = false;
  int32_t n = c.number(&isStatic);
  if (isStatic && n < 1) reportScriptError(c.engine(), sj("パラメータエラー"), sj("maxkaisoupageの値が不正です。"));
}

}  // namespace

void addTextChecks(CustomChecks& m) {
  m.emplace("rubyon", checkRubyon);
  m.emplace("maxkaisoupage", checkMaxkaisoupage);
  m.emplace("setwindow", checkSetwindow);
  m.emplace("setcursor", checkSetcursor);
  m.emplace("abssetcursor", checkSetcursor);
  m.emplace("humanz", checkHumanz);
  m.emplace("select", checkSelect);
  m.emplace("selgosub", checkSelect);
  m.emplace("csel", checkSelect);
  m.emplace("selnum", checkSelnum);
}

}  // namespace veloria
