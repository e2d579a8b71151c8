// inputstr, input and inputnum: the script asks the player for a text or a number.
#include "engine/engine.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// The four sizes (dialog width and height, field width and height, in points) follow when a
// comma does; they switch the custom size on.
void readCustomSize(Engine& e, InputRequest& r) {
  if (!optionalArgFollows(e)) return;
  expectComma(e);
  r.customSize = true;
  r.dialogWidth = readNumber(e);
  expectComma(e);
  r.dialogHeight = readNumber(e);
  expectComma(e);
  r.editWidth = readNumber(e);
  expectComma(e);
  r.editHeight = readNumber(e);
}

// inputstr $var, prompt, maximum, full-width[, sizes] and input $var, prompt, default, maximum,
// full-width[, sizes].
void cmdInputText(Engine& e, std::string_view word, bool) {
  const bool withDefault = word == "input";
  int32_t var = readStrVarRef(e, withDefault ? "inputの第一引数は文字変数です。" : "inputstrの第一引数は文字変数です。");
  InputRequest r;
  expectComma(e);
  r.prompt = readString(e);
  if (withDefault) {
    expectComma(e);
    r.defaultText = readString(e);
  }
  expectComma(e);
  r.maxBytes = readNumber(e);
  expectComma(e);
  r.fullWidthOnly = readNumber(e) != 0;
  readCustomSize(e, r);
  setStrVar(e, var, runInputRequest(e, r));
}

// inputnum %var, prompt[, sizes]
void cmdInputnum(Engine& e, std::string_view, bool) {
  int32_t var = readNumVarRef(e, "inputnumの第一引数は数字変数です。");
  InputRequest r;
  expectComma(e);
  r.prompt = readString(e);
  r.maxBytes = -1;
  readCustomSize(e, r);
  setNumVar(e, var, inputNumberValue(runInputRequest(e, r)));
}

}  // namespace

void registerDialogCommands(CommandTable& t) {
  t.add("inputstr", cmdInputText, {.pattern = "$,s,n,n[,n,n,n,n]", .messages = {"inputstrの第一引数は文字変数です。"}});
  t.add("input", cmdInputText, {.pattern = "$,s,s,n,n[,n,n,n,n]", .messages = {"inputの第一引数は文字変数です。"}});
  t.add("inputnum", cmdInputnum, {.pattern = "%,s[,n,n,n,n]", .messages = {"inputnumの第一引数は数字変数です。"}});
}

}  // namespace veloria
