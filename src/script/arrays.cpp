// Numbered integer arrays (dim, the ?a[i][j] term) and the numeric destinations that may be a
// variable or an array element. Arrays come from the define block and live until the engine
// starts anew: a return to the title keeps them, values and all.
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

[[noreturn]] void badSize(Engine& e) { reportScriptError(e, sj("パラメータエラー"), sj("配列の大きさが不正です。")); }

// The subscripts "[n]..." at scriptPos, each a full expression.
std::vector<int32_t> readSubscripts(Engine& e) {
  std::vector<int32_t> out;
  for (;;) {
    skipBlanks(e);
    if (currentByte(e) != '[') break;
    skipByte(e);
    out.push_back(readExpression(e));
    if (currentByte(e) != ']') reportScriptError(e, sj("構文エラー"), sj("括弧が閉じていません。"));
    skipByte(e);
    // Far more subscripts than any array may have: the rest can only be an error.
    if (out.size() > kMaxArrayDimensions) break;
  }
  skipBlanks(e);
  return out;
}

void cmdDim(Engine& e, std::string_view, bool) {
  skipBlanks(e);
  if (currentByte(e) != '?') reportScriptError(e, sj("構文エラー"), sj("dimの引数は配列変数です。"));
  skipByte(e);
  const int32_t number = readVariableIndex(e);
  std::vector<int32_t> sizes = readSubscripts(e);
  if (number < 0 || number >= kArrayCount)
    reportScriptErrorF(e, sj("実行時エラー"), sj("配列番号%dは範囲外です。"), std::to_string(number));
  if (sizes.empty() || sizes.size() > kMaxArrayDimensions) badSize(e);
  size_t count = 1;
  for (int32_t d : sizes) {
    if (d < 0) badSize(e);
    count *= static_cast<size_t>(d) + 1;  // at most 8 factors of 2^31: no overflow before the test
    if (count > kMaxArrayElements) badSize(e);
  }
  ScriptState& s = e.script;
  auto it = s.arrays.find(number);
  const size_t old = it == s.arrays.end() ? 0 : it->second.values.size();
  if (s.arrayElements - old + count > kMaxAllArrayElements) badSize(e);
  ScriptArray& a = s.arrays[number];
  a.sizes = std::move(sizes);
  a.values.assign(count, 0);
  s.arrayElements = s.arrayElements - old + count;
}

}  // namespace

ArrayPlace readArrayPlace(Engine& e) {
  skipBlanks(e);
  skipByte(e);  // the '?'
  const int32_t number = readVariableIndex(e);
  std::vector<int32_t> subscripts = readSubscripts(e);
  ScriptState& s = e.script;
  auto it = s.arrays.find(number);
  if (it == s.arrays.end()) {
    // The checker runs no dim: every element reads as 0 there.
    if (s.checkingMode) return ArrayPlace{};
    reportScriptErrorF(e, sj("実行時エラー"), sj("宣言されていない配列?%dを使おうとしました。"), std::to_string(number));
  }
  const ScriptArray& a = it->second;
  if (subscripts.size() != a.sizes.size())
    reportScriptErrorF(e, sj("実行時エラー"), sj("配列?%dの範囲外を参照しました。"), std::to_string(number));
  size_t offset = 0;
  for (size_t k = 0; k < subscripts.size(); ++k) {
    if (subscripts[k] < 0 || subscripts[k] > a.sizes[k])
      reportScriptErrorF(e, sj("実行時エラー"), sj("配列?%dの範囲外を参照しました。"), std::to_string(number));
    offset = offset * (static_cast<size_t>(a.sizes[k]) + 1) + static_cast<size_t>(subscripts[k]);
  }
  return ArrayPlace{number, offset};
}

int32_t arrayValue(Engine& e, const ArrayPlace& p) {
  if (p.array < 0) return 0;
  return e.script.arrays.at(p.array).values.at(p.offset);
}

void setArrayValue(Engine& e, const ArrayPlace& p, int32_t v) {
  if (p.array < 0) return;
  e.script.arrays.at(p.array).values.at(p.offset) = v;
}

bool arrayTargetFollows(Engine& e) {
  if (!extendedDialect(e)) return false;
  skipBlanks(e);
  return currentByte(e) == '?';
}

NumTarget readNumTarget(Engine& e, const char* utf8Message) {
  NumTarget t;
  if (arrayTargetFollows(e)) {
    t.element = true;
    t.place = readArrayPlace(e);
  } else {
    t.index = readNumVarRef(e, utf8Message);
  }
  return t;
}

int32_t targetValue(Engine& e, const NumTarget& t) { return t.element ? arrayValue(e, t.place) : numVar(e, t.index); }

void setTargetValue(Engine& e, const NumTarget& t, int32_t v) {
  // The bounds of intlimit belong to variables; elements take any value.
  if (t.element) setArrayValue(e, t.place, v);
  else setNumVar(e, t.index, v);
}

void registerArrayCommands(CommandTable& t) { t.add("dim", cmdDim, kOwnCheck); }

}  // namespace veloria
