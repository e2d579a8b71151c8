// The extended dialect's string and query commands: split, itoa2, mid and isdown.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// Cuts `s` at every occurrence of the first character of `sep`, never inside a two-byte
// character.
std::vector<std::string> splitPieces(const std::string& s, const std::string& sep) {
  if (sep.empty()) return {s};
  const size_t sepLen = isSjisLead(static_cast<uint8_t>(sep[0])) && sep.size() > 1 ? 2 : 1;
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < s.size();) {
    const size_t step = isSjisLead(static_cast<uint8_t>(s[i])) && i + 1 < s.size() ? 2 : 1;
    if (step == sepLen && s.compare(i, step, sep, 0, sepLen) == 0) pieces.emplace_back();
    else pieces.back().append(s, i, step);
    i += step;
  }
  return pieces;
}

void cmdSplit(Engine& e, std::string_view, bool) {
  const std::string s = readString(e);  // a copy: the source may be one of the targets
  expectComma(e);
  const std::string sep = readString(e);
  std::vector<VarRef> targets;
  while (optionalArgFollows(e)) {
    skipByte(e);
    targets.push_back(readVarRef(e, "splitの第三引数以降は変数です。"));
  }
  if (targets.empty()) reportScriptError(e, sj("構文エラー"), sj("splitの第三引数以降は変数です。"));
  const std::vector<std::string> pieces = splitPieces(s, sep);
  for (size_t i = 0; i < targets.size(); ++i) {
    const std::string piece = i < pieces.size() ? pieces[i] : std::string();
    if (targets[i].isString) setStrVar(e, targets[i].index, piece);
    else setNumVar(e, targets[i].index, atoiValue(piece));
  }
}

void cmdItoa2(Engine& e, std::string_view, bool) {
  const int32_t index = readStrVarRef(e, "itoa2の第一引数は文字変数です。");
  expectComma(e);
  const int32_t n = readNumber(e);
  std::string out;
  appendFullWidthNumber(out, n);
  setStrVar(e, index, out);
}

void cmdMid(Engine& e, std::string_view, bool) {
  const int32_t index = readStrVarRef(e, "midの第一引数は文字変数です。");
  expectComma(e);
  const std::string s = readString(e);
  expectComma(e);
  const int64_t start = std::max<int32_t>(readNumber(e), 0);
  expectComma(e);
  const int64_t length = std::max<int32_t>(readNumber(e), 0);
  if (start >= static_cast<int64_t>(s.size())) {
    setStrVar(e, index, "");
    return;
  }
  const size_t from = static_cast<size_t>(start);
  const size_t to = static_cast<size_t>(std::min<int64_t>(start + length, static_cast<int64_t>(s.size())));
  // The characters of s as they stand from its start: a lead byte whose partner lies past
  // the cut is dropped.
  size_t i = 0;
  size_t lastLead = std::string::npos;
  while (i < to) {
    const bool lead = isSjisLead(static_cast<uint8_t>(s[i])) && i + 1 < s.size();
    if (lead && i + 1 >= to) lastLead = i;
    i += lead ? 2 : 1;
  }
  const size_t end = lastLead != std::string::npos && lastLead >= from ? lastLead : to;
  setStrVar(e, index, std::string_view(s).substr(from, end - from));
}

void cmdIsdown(Engine& e, std::string_view, bool) {
  const int32_t index = readNumVarRef(e, "isdownの引数は数字変数です。");
  setNumVar(e, index, e.appWindow.leftButtonDown ? 1 : 0);
}

}  // namespace

void registerStringCommands(CommandTable& t) {
  t.add("split", cmdSplit, {.pattern = "s,s{,v}", .messages = {"splitの第三引数以降は変数です。"}});
  t.add("itoa2", cmdItoa2, {.pattern = "$,n", .messages = {"itoa2の第一引数は文字変数です。"}});
  t.add("mid", cmdMid, {.pattern = "$,s,n,n", .messages = {"midの第一引数は文字変数です。"}});
  t.add("isdown", cmdIsdown, {.pattern = "%", .messages = {"isdownの引数は数字変数です。"}});
}

}  // namespace veloria
