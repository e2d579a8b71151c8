// The choice commands: select, selgosub, selnum, the custom choice (csel, cselgoto,
// getcselnum) and the choices' colours and voices.
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace veloria {

namespace {

// Where the running command's word begins: the handler is called with the position behind
// the word and the blanks after it.
uint32_t commandStart(const Engine& e, std::string_view word) {
  const auto& b = e.script.scriptBuffer;
  uint32_t p = std::min<uint32_t>(e.script.scriptPos, static_cast<uint32_t>(b.size()));
  while (p > 0 && (b[p - 1] == ' ' || b[p - 1] == '\t')) --p;
  return p >= word.size() ? p - static_cast<uint32_t>(word.size()) : 0;
}

// The options: texts (with a label after each for the jumping forms), separated by commas;
// an option may start on a following line. An empty text drops the option with its label,
// so that an empty string variable hides it.
ChoiceItems readOptions(Engine& e, bool withLabels) {
  ChoiceItems items;
  for (;;) {
    skipBlanksAndNewlines(e);
    std::string text = readString(e);
    std::string label;
    if (withLabels) {
      expectComma(e);
      label = readLabel(e);
    }
    if (!text.empty()) {
      items.texts.push_back(std::move(text));
      if (withLabels) items.labels.push_back(std::move(label));
    }
    skipBlanks(e);
    if (currentByte(e) != ',') return items;
    skipByte(e);
  }
}

// select and selgosub. With every option hidden there is nothing to choose: the script goes
// on after the command.
void cmdSelect(Engine& e, std::string_view word, bool) {
  TextState& t = e.text;
  const uint32_t start = commandStart(e, word);
  t.choiceItems = readOptions(e, true);
  if (t.choiceItems.texts.empty()) return;
  int chosen = runChoice(e, t.choiceItems.texts, ChoiceForm::TextWindow, start);
  // -1: the right-click routine runs now (a reset or a load has unwound already).
  if (chosen < 0) return;
  std::string label = t.choiceItems.labels[static_cast<size_t>(chosen)];
  clearTextWindow(e);
  markLogPage(e);
  if (word == "selgosub" && !callStackPush(e, scriptPosition(e)))
    reportScriptError(e, sj("スタックエラー"), sj("gosub文のせいでスタックが溢れました。"));
  jumpToLabel(e, label);
}

// selnum stores the index among the shown options; -1 when every option was hidden.
void cmdSelnum(Engine& e, std::string_view word, bool) {
  TextState& t = e.text;
  const uint32_t start = commandStart(e, word);
  int32_t v = readNumVarRef(e, "selnumの第一引数は数値変数です。");
  expectComma(e);
  t.choiceItems = readOptions(e, false);
  if (t.choiceItems.texts.empty()) {
    setNumVar(e, v, -1);
    return;
  }
  int chosen = runChoice(e, t.choiceItems.texts, ChoiceForm::TextWindow, start);
  if (chosen < 0) return;
  clearTextWindow(e);
  markLogPage(e);
  setNumVar(e, v, chosen);
}

// The script builds its own choice screen at *customsel from these options.
void cmdCsel(Engine& e, std::string_view, bool) {
  TextState& t = e.text;
  t.cselItems = readOptions(e, true);
  allowSaving(e, false);
  t.skipMode = 0;
  t.autoMode = 0;
  jumpToLabel(e, "customsel");
}

void cmdCselgoto(Engine& e, std::string_view, bool) {
  TextState& t = e.text;
  int32_t n = readNumber(e);
  // A number that names no option has no label to go to.
  if (n < 0 || n >= cselCount(e)) reportScriptErrorF(e, sj("ラベルエラー"), sj("ラベル*%sは存在しません"), "");
  std::string label = t.cselItems.labels[static_cast<size_t>(n)];
  clearTextWindow(e);
  markLogPage(e);
  jumpToLabel(e, label);
}

void cmdGetcselnum(Engine& e, std::string_view, bool) {
  int32_t v = readNumVarRef(e, "getcselnumの第一引数は数字変数です。");
  setNumVar(e, v, cselCount(e));
}

uint32_t readMarkedColor(Engine& e, const char* utf8Error) {
  skipBlanks(e);
  if (currentByte(e) != '#') reportScriptError(e, sj("エラー"), sj(utf8Error));
  return readColor(e);
}

void cmdSelectcolor(Engine& e, std::string_view, bool) {
  const char* error = "selectcolorのパラメータが違います。";
  uint32_t over = readMarkedColor(e, error);
  expectComma(e);
  uint32_t normal = readMarkedColor(e, error);
  e.text.selectColors = SelectColors{over, normal};
}

void cmdSelectvoice(Engine& e, std::string_view, bool) {
  auto& v = e.text.selectVoices;
  v[0] = readString(e);
  expectComma(e);
  v[1] = readString(e);
  expectComma(e);
  v[2] = readString(e);
}

}  // namespace

const std::string* cselText(const Engine& e, int index) {
  const auto& texts = e.text.cselItems.texts;
  if (index < 0 || index >= static_cast<int>(texts.size())) return nullptr;
  return &texts[static_cast<size_t>(index)];
}

int cselCount(const Engine& e) { return static_cast<int>(e.text.cselItems.texts.size()); }

const SelectColors& selectColors(const Engine& e) { return e.text.selectColors; }

void choiceRestoreDefaults(Engine& e) {
  TextState& t = e.text;
  t.selectColors = SelectColors{};
  t.selectVoices = {};
  t.choiceItems = ChoiceItems{};
  t.cselItems = ChoiceItems{};
  t.openChoice.clear();
  t.openChoiceHighlight = -1;
}

void registerChoiceCommands(CommandTable& t) {
  t.add("select", cmdSelect, kOwnCheck);
  t.add("selgosub", cmdSelect, kOwnCheck);
  t.add("selnum", cmdSelnum, kOwnCheck);
  t.add("csel", cmdCsel, kOwnCheck);
  t.add("cselgoto", cmdCselgoto, "n");
  t.add("getcselnum", cmdGetcselnum, {.pattern = "%", .messages = {"getcselnumの第一引数は数字変数です。"}});
  t.add("selectcolor", cmdSelectcolor, {.pattern = "c,c", .colorMessage = "selectcolorのパラメータが違います。"});
  t.add("selectvoice", cmdSelectvoice, "a,a,a");
}

}  // namespace veloria
