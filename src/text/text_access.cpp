// What a script of the later dialect may do with the text itself: hide and show the window,
// read the page and the log, bound the log by pages, add line-breaking characters, and turn
// ruby on.
#include <algorithm>
#include <string>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "text/text_log.h"

namespace veloria {

namespace {

constexpr size_t kMaxKinsokuChars = 256;

void cmdTexthide(Engine& e, std::string_view, bool) { setTextHidden(e, true); }
void cmdTextshow(Engine& e, std::string_view, bool) { setTextHidden(e, false); }

void cmdGettext(Engine& e, std::string_view, bool) {
  int32_t v = readStrVarRef(e, "gettextの引数は文字変数です。");
  setStrVar(e, v, e.text.pageText);
}

void cmdGetlog(Engine& e, std::string_view, bool) {
  int32_t v = readStrVarRef(e, "getlogの第一引数は文字変数です。");
  expectComma(e);
  int32_t n = readNumber(e);
  std::string page;
  if (n == 0) {
    page = currentLogPage(e);
  } else if (!logPage(e.text.log, n, page)) {
    page.clear();
  }
  setStrVar(e, v, page);
}

void cmdMaxkaisoupage(Engine& e, std::string_view, bool) {
  int32_t n = readNumber(e);
  if (n < 1) reportScriptError(e, sj("パラメータエラー"), sj("maxkaisoupageの値が不正です。"));
  logSetPageLimit(e.text.log, n);
}

// The 2-byte characters of `s` join `set` (single bytes are not line-breaking characters).
void addChars(Engine& e, const std::string& s, std::vector<uint16_t>& set) {
  for (size_t i = 0; i < s.size();) {
    const uint8_t c = static_cast<uint8_t>(s[i]);
    if (!isSjisLead(c) || i + 1 >= s.size()) {
      ++i;
      continue;
    }
    const uint16_t ch = static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(s[i + 1]));
    i += 2;
    if (std::find(set.begin(), set.end(), ch) != set.end()) continue;
    if (set.size() >= kMaxKinsokuChars) {
      reportScriptWarning(e, sj("禁則文字が多すぎます。"));
      return;
    }
    set.push_back(ch);
  }
}

void cmdAddkinsoku(Engine& e, std::string_view, bool) {
  std::string noStart = readString(e);
  expectComma(e);
  std::string noEnd = readString(e);
  addChars(e, noStart, e.text.extraNoLineStart);
  addChars(e, noEnd, e.text.extraNoLineEnd);
}

void cmdRubyon(Engine& e, std::string_view, bool) {
  TextState& t = e.text;
  t.rubyOn = 1;
  t.rubyWidth = 0;
  t.rubyHeight = 0;
  t.rubyFace.clear();
  skipBlanks(e);
  const uint8_t c = currentByte(e);
  // Without arguments the statement ends here.
  if (c == 0 || c == '\n' || c == ':' || c == ';') return;
  t.rubyWidth = std::max(readNumber(e), 0);
  expectComma(e);
  t.rubyHeight = std::max(readNumber(e), 0);
  if (optionalArgFollows(e)) {
    skipByte(e);
    t.rubyFace = readString(e);
  }
}

}  // namespace

void registerTextAccessCommands(CommandTable& t) {
  t.add("texthide", cmdTexthide, "");
  t.add("textshow", cmdTextshow, "");
  t.add("gettext", cmdGettext, {.pattern = "$", .messages = {"gettextの引数は文字変数です。"}});
  t.add("getlog", cmdGetlog, {.pattern = "$,n", .messages = {"getlogの第一引数は文字変数です。"}});
  t.add("maxkaisoupage", cmdMaxkaisoupage, kOwnCheck);
  t.add("addkinsoku", cmdAddkinsoku, "s,s");
  t.add("rubyon", cmdRubyon, kOwnCheck);
}

void textAccessRestoreDefaults(Engine& e) {
  TextState& t = e.text;
  t.textHidden = 0;
  t.extraNoLineStart.clear();
  t.extraNoLineEnd.clear();
  t.rubyOn = 0;
  t.rubyWidth = 0;
  t.rubyHeight = 0;
  t.rubyFace.clear();
  t.log.maxPages = 0;
  t.log.pages.clear();
  t.log.openPage.clear();
}

}  // namespace veloria
