// The variable store: range-checked access, bounds, string limits and the random generator.
#include <algorithm>
#include <string>

#include "engine/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

[[noreturn]] void indexOutOfRange(Engine& e, int32_t index) {
  if (extendedDialect(e))
    reportScriptErrorF(e, sj("実行時エラー"), sj("変数番号%dは範囲外です。"), std::to_string(index));
  reportScriptErrorF(e, sj("実行時エラー"), sj("変数の番号が範囲外です（0～4095）:%s"), std::to_string(index));
}

inline void checkIndex(Engine& e, int32_t index) {
  if (index < 0 || index >= variableCount(e)) indexOutOfRange(e, index);
}

int32_t readVarIndexAfter(Engine& e, uint8_t marker, const char* utf8Message) {
  skipBlanks(e);
  if (currentByte(e) != marker) reportScriptError(e, sj("構文エラー"), sj(utf8Message));
  ++e.script.scriptPos;
  int32_t index = readNumber(e);
  checkIndex(e, index);
  return index;
}

}  // namespace

void IntLimits::set(int index, int32_t low, int32_t high) {
  if (index < 0 || index >= kMaxVariableCount) return;
  auto i = static_cast<size_t>(index);
  low_[i] = low;
  high_[i] = high;
  auto it = std::lower_bound(limited_.begin(), limited_.end(), index);
  bool present = it != limited_.end() && *it == index;
  if (high == -1 && present) limited_.erase(it);
  if (high != -1 && !present) limited_.insert(it, index);
}

int32_t& numVar(Engine& e, int32_t index) {
  checkIndex(e, index);
  e.script.writtenVariables.note(index, false);
  return e.script.numVars[static_cast<size_t>(index)];
}

std::string& strVar(Engine& e, int32_t index) {
  checkIndex(e, index);
  e.script.writtenVariables.note(index, true);
  return e.script.strVars[static_cast<size_t>(index)];
}

int32_t numVarValue(Engine& e, int32_t index) {
  checkIndex(e, index);
  return e.script.numVars[static_cast<size_t>(index)];
}

const std::string& strVarValue(Engine& e, int32_t index) {
  checkIndex(e, index);
  return e.script.strVars[static_cast<size_t>(index)];
}

void setNumVar(Engine& e, int32_t index, int32_t value) {
  numVar(e, index) = value;
  applyIntLimits(e);
}

void setStrVar(Engine& e, int32_t index, std::string_view value) {
  std::string& s = strVar(e, index);
  s.assign(value.substr(0, kMaxStringBytes + 1));
  if (s.size() > kMaxStringBytes) truncateSjis(s, kMaxStringBytes);
}

void applyIntLimits(Engine& e) {
  ScriptState& s = e.script;
  s.intLimits.apply(s.numVars, [&s](int i) { s.writtenVariables.note(i, false); });
}

void forgetWrittenVariables(Engine& e) {
  e.script.writtenVariables.clear();
  e.script.callStack.unchangedBelow = e.script.callStack.depth;
}

int32_t readNumVarRef(Engine& e, const char* utf8Message) { return readVarIndexAfter(e, '%', utf8Message); }
int32_t readStrVarRef(Engine& e, const char* utf8Message) { return readVarIndexAfter(e, '$', utf8Message); }

VarRef readVarRef(Engine& e, const char* utf8Message) {
  skipBlanks(e);
  uint8_t c = currentByte(e);
  if (c != '%' && c != '$') reportScriptError(e, sj("構文エラー"), sj(utf8Message));
  return VarRef{c == '$', readVarIndexAfter(e, c, utf8Message)};
}

void truncateSjis(std::string& s, size_t maxBytes) {
  if (s.size() <= maxBytes) return;
  size_t i = 0;
  while (i < maxBytes) {
    size_t step = isSjisLead(static_cast<uint8_t>(s[i])) ? 2 : 1;
    if (i + step > maxBytes) break;
    i += step;
  }
  s.resize(i);
}

// The generator: a 32-bit linear congruence whose bits 16..30 give 0..32767.
void seedRandom(Engine& e, uint32_t seed) { e.script.randomState = seed; }

int32_t nextRandom(Engine& e) {
  e.script.randomState = e.script.randomState * 214013u + 2531011u;
  return static_cast<int32_t>((e.script.randomState >> 16) & 0x7FFF);
}

}  // namespace veloria
