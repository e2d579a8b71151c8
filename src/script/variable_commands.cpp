// Commands that assign, compute, convert and compare variables, read the clock, draw random
// numbers, look values up in INI files and the per-user settings, and define aliases.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "script/script_internal.h"

namespace veloria {

namespace {

// 32-bit two's-complement arithmetic without undefined behaviour.
inline int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

void cmdMov(Engine& e, std::string_view, bool) {
  if (arrayTargetFollows(e)) {
    const ArrayPlace place = readArrayPlace(e);
    expectComma(e);
    setArrayValue(e, place, readNumber(e));
    return;
  }
  VarRef r = readVarRef(e, "movの第一引数は数字／文字変数です。");
  expectComma(e);
  if (r.isString) {
    std::string v = readString(e);
    setStrVar(e, r.index, v);
  } else {
    int32_t v = readNumber(e);
    setNumVar(e, r.index, v);
  }
}

void cmdMovN(Engine& e, std::string_view word, bool) {
  int count = std::atoi(std::string(word.substr(3)).c_str());
  skipBlanks(e);
  if (currentByte(e) != '%') {
    std::string message = "mov" + std::to_string(count) + sj("の第一引数は数字変数です。");
    reportScriptError(e, sj("構文エラー"), message);
  }
  int32_t first = readNumVarRef(e, "movの第一引数は数字変数です。");
  for (int i = 0; i < count; ++i) {
    expectComma(e);
    int32_t v = readNumber(e);
    setNumVar(e, wrap(int64_t{first} + i), v);
  }
}

void cmdAdd(Engine& e, std::string_view, bool) {
  if (arrayTargetFollows(e)) {
    const ArrayPlace place = readArrayPlace(e);
    expectComma(e);
    setArrayValue(e, place, wrap(int64_t{arrayValue(e, place)} + readNumber(e)));
    return;
  }
  VarRef r = readVarRef(e, "addの第一引数は数字／文字変数です。");
  expectComma(e);
  if (r.isString) {
    std::string v = readString(e);
    std::string& s = strVar(e, r.index);
    s.append(v, 0, kMaxStringBytes + 1 - std::min(s.size(), kMaxStringBytes + 1));
    truncateSjis(s, kMaxStringBytes);
  } else {
    int32_t v = readNumber(e);
    int32_t& x = numVar(e, r.index);
    x = wrap(int64_t{x} + v);
    applyIntLimits(e);
  }
}

// sub, mul, div, mod: %v, n.
template <typename Op>
void arithmetic(Engine& e, const char* message, Op op) {
  const NumTarget target = readNumTarget(e, message);
  expectComma(e);
  int32_t v = readNumber(e);
  setTargetValue(e, target, op(targetValue(e, target), v));
}

void cmdSub(Engine& e, std::string_view, bool) {
  arithmetic(e, "subの第一引数は数字変数です。", [](int32_t x, int32_t v) { return wrap(int64_t{x} - v); });
}

void cmdMul(Engine& e, std::string_view, bool) {
  arithmetic(e, "mulの第一引数は数字変数です。", [](int32_t x, int32_t v) { return wrap(int64_t{x} * v); });
}

void cmdDiv(Engine& e, std::string_view, bool) {
  arithmetic(e, "divの第一引数は数字変数です。", [&e](int32_t x, int32_t v) {
    if (v == 0) reportScriptError(e, sj("０除算エラー"), sj("０で除算しました。"));
    return wrap(int64_t{x} / v);  // the smallest value divided by -1 wraps to itself
  });
}

void cmdMod(Engine& e, std::string_view, bool) {
  arithmetic(e, "modの第一引数は数字変数です。", [&e](int32_t x, int32_t v) {
    if (v == 0) reportScriptError(e, sj("０除算エラー"), sj("０で剰余演算しました。"));
    return wrap(int64_t{x} % v);
  });
}

void cmdInc(Engine& e, std::string_view, bool) {
  const NumTarget target = readNumTarget(e, "incの引数は数字変数です。");
  setTargetValue(e, target, wrap(int64_t{targetValue(e, target)} + 1));
}

void cmdDec(Engine& e, std::string_view, bool) {
  const NumTarget target = readNumTarget(e, "decの引数は数字変数です。");
  setTargetValue(e, target, wrap(int64_t{targetValue(e, target)} - 1));
}

// An empty range (rnd with 0, rnd2 with b = a - 1) yields its lower end instead of dividing by 0.
void cmdRnd(Engine& e, std::string_view, bool) {
  const NumTarget target = readNumTarget(e, "rndの第一引数は数字変数です。");
  expectComma(e);
  int32_t n = readNumber(e);
  int32_t r = nextRandom(e);
  setTargetValue(e, target, n == 0 ? 0 : wrap(int64_t{r} % n));
}

void cmdRnd2(Engine& e, std::string_view, bool) {
  const NumTarget target = readNumTarget(e, "rnd2の第一引数は数字変数です。");
  expectComma(e);
  int32_t a = readNumber(e);
  expectComma(e);
  int32_t b = readNumber(e);
  int64_t range = int64_t{b} - a + 1;
  int32_t r = nextRandom(e);
  setTargetValue(e, target, range == 0 ? a : wrap(a + int64_t{r} % range));
}

void cmdLen(Engine& e, std::string_view, bool) {
  int32_t index = readNumVarRef(e, "lenの第一引数は数字変数です。");
  expectComma(e);
  std::string s = readString(e);
  numVar(e, index) = static_cast<int32_t>(s.size());
}

void cmdCmp(Engine& e, std::string_view, bool) {
  int32_t index = readNumVarRef(e, "cmpの第一引数は数字変数です。");
  expectComma(e);
  std::string a = readString(e);
  expectComma(e);
  std::string b = readString(e);
  // Byte order as unsigned values; a shorter prefix sorts first (its terminator is smaller).
  int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c == 0 && a.size() != b.size()) c = a.size() < b.size() ? -1 : 1;
  numVar(e, index) = c == 0 ? 0 : (c < 0 ? -1 : 1);
}

void cmdItoa(Engine& e, std::string_view, bool) {
  int32_t index = readStrVarRef(e, "itoaの第一引数は文字変数です。");
  expectComma(e);
  int32_t n = readNumber(e);
  setStrVar(e, index, std::to_string(n));
}

void cmdAtoi(Engine& e, std::string_view, bool) {
  int32_t index = readNumVarRef(e, "atoiの第一引数は数字変数です。");
  expectComma(e);
  std::string s = readString(e);
  numVar(e, index) = atoiValue(s);
}

std::tm localNow(Engine& e) {
  if (e.script.localTimeSource) return e.script.localTimeSource();
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

// date and time: three numeric variables, each with its own message.
void storeThree(Engine& e, const char* m1, const char* m2, const char* m3, int32_t v1, int32_t v2, int32_t v3) {
  int32_t i1 = readNumVarRef(e, m1);
  expectComma(e);
  int32_t i2 = readNumVarRef(e, m2);
  expectComma(e);
  int32_t i3 = readNumVarRef(e, m3);
  numVar(e, i1) = v1;
  numVar(e, i2) = v2;
  numVar(e, i3) = v3;
}

void cmdDate(Engine& e, std::string_view, bool) {
  std::tm t = localNow(e);
  storeThree(e, "dateの第一引数は数字変数です。", "dateの第ニ引数は数字変数です。", "dateの第三引数は数字変数です。",
             (t.tm_year + 1900) % 100, t.tm_mon + 1, t.tm_mday);
}

void cmdTime(Engine& e, std::string_view, bool) {
  std::tm t = localNow(e);
  storeThree(e, "timeの第一引数は数字変数です。", "timeの第ニ引数は数字変数です。", "timeの第三引数は数字変数です。",
             t.tm_hour, t.tm_min, t.tm_sec);
}

// Values fetched from settings files are held to 255 bytes.
constexpr size_t kMaxFetchedValue = 255;

void cmdGetini(Engine& e, std::string_view, bool) {
  int32_t index = readStrVarRef(e, "getiniの第一引数は文字変数です。");
  expectComma(e);
  std::string file = readString(e);
  expectComma(e);
  std::string section = readString(e);
  expectComma(e);
  std::string key = readString(e);
  std::string value;
  if (auto bytes = fs::readFile(file))
    value = iniLookup(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), section, key);
  truncateSjis(value, kMaxFetchedValue);
  setStrVar(e, index, value);
}

void cmdGetreg(Engine& e, std::string_view, bool) {
  int32_t index = readStrVarRef(e, "getregの第一引数は文字変数です。");
  expectComma(e);
  std::string subkey = readString(e);
  expectComma(e);
  std::string name = readString(e);
  std::string value;
  // The settings file is UTF-8 text for the player to edit; the script works in Shift-JIS.
  if (auto bytes = fs::readHostFile(registryFilePath())) {
    std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    value = utf8ToSjis(iniLookup(text, sjisToUtf8(subkey), name.empty() ? "@" : sjisToUtf8(name)));
  }
  truncateSjis(value, kMaxFetchedValue);
  setStrVar(e, index, value);
}

void cmdIntlimit(Engine& e, std::string_view, bool) {
  int32_t index = readNumber(e);
  expectComma(e);
  int32_t low = readNumber(e);
  expectComma(e);
  int32_t high = readNumber(e);
  numVarValue(e, index);  // the same range check as any variable access
  e.script.intLimits.set(index, low, high);
}

void cmdNumalias(Engine& e, std::string_view, bool) {
  auto& s = e.script;
  if (s.numAliases.size() >= kMaxAliases) reportScriptError(e, sj("エラー"), sj("数字エイリアスが多すぎます。"));
  std::string name = readWord(e);
  if (s.numAliasIndex.count(name))
    reportScriptErrorF(e, sj("エラー"), sj("数字エイリアス%sが二重定義されています。"), name);
  expectComma(e);
  int32_t value = readNumber(e);
  s.numAliasIndex.emplace(name, static_cast<uint32_t>(s.numAliases.size()));
  s.numAliases.push_back(NumAlias{std::move(name), value});
}

void cmdStralias(Engine& e, std::string_view, bool) {
  auto& s = e.script;
  if (s.strAliases.size() >= kMaxAliases) reportScriptError(e, sj("エラー"), sj("文字列エイリアスが多すぎます。"));
  std::string name = readWord(e);
  if (s.strAliasIndex.count(name))
    reportScriptErrorF(e, sj("エラー"), sj("文字列エイリアス%sが二重定義されています。"), name);
  expectComma(e);
  std::string value = readString(e);
  s.strAliasIndex.emplace(name, static_cast<uint32_t>(s.strAliases.size()));
  s.strAliases.push_back(StrAlias{std::move(name), std::move(value)});
}

}  // namespace

int32_t atoiValue(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  int64_t sign = 1;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
  int64_t v = 0;
  // Past the 32-bit range the value is clamped, as a literal is.
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), int64_t{1} << 32);
  return clampToInt32(v * sign);
}

void registerVariableCommands(CommandTable& t) {
  t.add("mov", cmdMov, {.pattern = "v,x", .messages = {"movの第一引数は数字／文字変数です。"}});
  t.add("mov3", cmdMovN, {.pattern = "%,n,n,n", .messages = {"mov3の第一引数は数字変数です。"}});
  t.add("mov4", cmdMovN, {.pattern = "%,n,n,n,n", .messages = {"mov4の第一引数は数字変数です。"}});
  t.add("mov5", cmdMovN, {.pattern = "%,n,n,n,n,n", .messages = {"mov5の第一引数は数字変数です。"}});
  t.add("mov6", cmdMovN, {.pattern = "%,n,n,n,n,n,n", .messages = {"mov6の第一引数は数字変数です。"}});
  t.add("mov7", cmdMovN, {.pattern = "%,n,n,n,n,n,n,n", .messages = {"mov7の第一引数は数字変数です。"}});
  t.add("mov8", cmdMovN, {.pattern = "%,n,n,n,n,n,n,n,n", .messages = {"mov8の第一引数は数字変数です。"}});
  t.add("mov9", cmdMovN, {.pattern = "%,n,n,n,n,n,n,n,n,n", .messages = {"mov9の第一引数は数字変数です。"}});
  t.add("mov10", cmdMovN, {.pattern = "%,n,n,n,n,n,n,n,n,n,n", .messages = {"mov10の第一引数は数字変数です。"}});
  t.add("add", cmdAdd, {.pattern = "v,x", .messages = {"addの第一引数は数字／文字変数です。"}});
  t.add("sub", cmdSub, {.pattern = "i,n", .messages = {"subの第一引数は数字変数です。"}});
  t.add("inc", cmdInc, {.pattern = "i", .messages = {"incの引数は数字変数です。"}});
  t.add("dec", cmdDec, {.pattern = "i", .messages = {"decの引数は数字変数です。"}});
  t.add("mul", cmdMul, {.pattern = "i,n", .messages = {"mulの第一引数は数字変数です。"}});
  t.add("div", cmdDiv, {.pattern = "i,n", .messages = {"divの第一引数は数字変数です。"}});
  t.add("mod", cmdMod, {.pattern = "i,n", .messages = {"modの第一引数は数字変数です。"}});
  t.add("rnd", cmdRnd, {.pattern = "i,n", .messages = {"rndの第一引数は数字変数です。"}});
  t.add("rnd2", cmdRnd2, {.pattern = "i,n,n", .messages = {"rnd2の第一引数は数字変数です。"}});
  t.add("len", cmdLen, {.pattern = "%,s", .messages = {"lenの第一引数は数字変数です。"}});
  t.add("cmp", cmdCmp, {.pattern = "%,s,s", .messages = {"cmpの第一引数は数字変数です。"}});
  t.add("itoa", cmdItoa, {.pattern = "$,n", .messages = {"itoaの第一引数は文字変数です。"}});
  t.add("atoi", cmdAtoi, {.pattern = "%,s", .messages = {"atoiの第一引数は数字変数です。"}});
  t.add("date", cmdDate,
        {.pattern = "%,%,%", .messages = {"dateの第一引数は数字変数です。", "dateの第ニ引数は数字変数です。", "dateの第三引数は数字変数です。"}});
  t.add("time", cmdTime,
        {.pattern = "%,%,%", .messages = {"timeの第一引数は数字変数です。", "timeの第ニ引数は数字変数です。", "timeの第三引数は数字変数です。"}});
  t.add("getini", cmdGetini, {.pattern = "$,s,s,s", .messages = {"getiniの第一引数は文字変数です。"}});
  t.add("getreg", cmdGetreg, {.pattern = "$,s,s", .messages = {"getregの第一引数は文字変数です。"}});
  t.add("intlimit", cmdIntlimit, "n,n,n");
  t.add("numalias", cmdNumalias, "w,n");
  t.add("stralias", cmdStralias, "w,s");
  for (const char* w : {"mov", "mov3", "mov4", "mov5", "mov6", "mov7", "mov8", "mov9", "mov10", "add", "sub", "inc",
                        "dec", "mul", "div", "mod", "rnd", "rnd2", "len", "cmp", "itoa", "atoi", "date", "time",
                        "getini", "getreg", "intlimit", "numalias", "stralias"})
    t.markScriptOnly(w);
}

}  // namespace veloria
