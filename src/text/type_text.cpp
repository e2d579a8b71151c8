// Typing story text: the control characters, the text speed, line breaks and the waits.
#include <algorithm>
#include <climits>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "script/script.h"
#include "text/line_layout.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace veloria {

void newLine(Engine& e) {
  TextState& t = e.text;
  logLineFeed(e);
  t.cursorColumn = 0;
  ++t.cursorLine;
  if (t.cursorLine == t.linesPerPage) reportScriptError(e, sj("エラー"), sj("文字が枠をはみ出してしまいました。"));
}

namespace {

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// gettext's page text is a string variable's worth at most.
constexpr size_t kMaxPageTextBytes = 65535;

int hexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

bool isHexDigit(uint8_t c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

class Typist {
 public:
  // `resumedAtLineEnd`: the line is the rest of an earlier one (see resumePendingText) whose
  // final "@" ended its script line (-1: not a resumed line).
  Typist(Engine& e, std::string_view line, int resumedAtLineEnd = -1)
      : e_(e), t_(e.text), line_(line), resumedAtLineEnd_(resumedAtLineEnd), later_(extendedDialect(e)) {}

  void run();

 private:
  // Base: the byte is left to the base handling (the later dialect's pass only).
  enum class Step { Next, LineOver, Abandon, Base };
  uint8_t at(size_t i) const { return i < line_.size() ? static_cast<uint8_t>(line_[i]) : 0; }
  void locate() {
    x_ = t_.textOriginX + static_cast<int64_t>(t_.cursorColumn) * t_.pitchX + t_.cursorHalfCell * (t_.pitchX / 2);
    y_ = t_.textOriginY + static_cast<int64_t>(t_.cursorLine) * t_.pitchY;
  }
  ExtraKinsoku kinsoku() const { return ExtraKinsoku{&t_.extraNoLineStart, &t_.extraNoLineEnd}; }
  // The line is full: the next screen line, or past the last one the overflow (an error, or
  // under lenient play a page wait when the next character comes).
  void lineBreak(bool wrapped);
  void notePageText(const uint8_t* bytes, size_t n);
  bool isEscapeCommand() const;
  void drawRuby();
  // Under lenient play, a full page waits and clears before more text; true: abandoned.
  bool overflowWait();
  bool fitsWindow(int64_t width) const {
    const int64_t gh = t_.glyphHeight, sw = e_.app.screenWidth, sh = e_.app.screenHeight;
    return !(x_ < 0 || y_ < 0 || x_ + width >= sw || y_ + gh >= sh || x_ < window_.left || y_ < window_.top ||
             x_ + width >= window_.right || y_ + gh >= window_.bottom);
  }
  // Before a character: a pending overflow, then the window check. Step::Next when it may be
  // typed.
  Step prepareCharacter(int64_t width);

  // ---- the later dialect's story text ----
  bool isHex6(size_t i) const {
    for (size_t j = 0; j < 6; ++j)
      if (!isHexDigit(at(i + j))) return false;
    return true;
  }
  // Whether the byte at k_ acts with its normal meaning although a segment is open.
  bool inTrailingWaits() const { return k_ >= tailStart_; }
  bool onlyBlanksAfter(size_t i) const;
  // Half cells of the word (a run of single-byte non-blank characters) at k_.
  int wordLength() const;
  Step typeHalfWidth(uint8_t c);
  // The later dialect's own handling of the byte at k_: Step::Next when it took it,
  // Step::Base when the base handling applies, Step::Abandon when the line is over.
  Step laterDialectByte(uint8_t c);
  bool rubyGroup();
  // The line from k_ on, to be typed later; a segment open here stays open there.
  std::string restOfLine() const {
    std::string rest = later_ && inSegment_ ? "`" : "";
    if (k_ < line_.size()) rest.append(line_.substr(k_));
    return rest;
  }
  // The tail of the line made only of waits, continuations and blanks.
  void findTrailingWaits() {
    tailStart_ = 0;
    for (size_t i = 0; i < line_.size() && at(i) != 0;) {
      const uint8_t c = at(i);
      if (isSjisLead(c) && at(i + 1) != 0) {
        i += 2;
        tailStart_ = i;
        continue;
      }
      ++i;
      if (c != '@' && c != '\\' && c != '/' && c != ' ' && c != '\t') tailStart_ = i;
    }
  }
  int32_t readDecimal();
  void escape();
  void colour();
  Step typeCharacter();
  void delay(uint32_t t0);
  // A click wait (page = false) or page wait; true when the rest of the line is abandoned.
  bool wait(bool page, bool automatic);
  bool inClickStr(SjisChar c) const {
    const std::string& cs = t_.clickStr;
    for (size_t i = 0; i + 1 < cs.size(); i += 2)
      if ((static_cast<uint8_t>(cs[i]) << 8 | static_cast<uint8_t>(cs[i + 1])) == c) return true;
    return false;
  }

  Engine& e_;
  TextState& t_;
  std::string_view line_;
  int resumedAtLineEnd_;
  size_t k_ = 0;
  int64_t x_ = 0, y_ = 0;
  TextRect window_;
  bool hurried_ = false;
  bool noClickStr_ = false;
  bool inLink_ = false;
  bool later_ = false;       // the later dialect's rules
  bool inSegment_ = false;   // inside a backtick segment
  bool inWord_ = false;      // the last character typed was a single-byte non-blank one
  bool afterWrap_ = false;   // the screen line began with a wrap: a leading blank is dropped
  size_t tailStart_ = 0;     // where the trailing waits begin
  size_t rubyEnd_ = 0;       // inside a ruby group's base text: the position of its '/'
  size_t rubyClose_ = 0;     //   and of its ')'
  int64_t rubyX_ = 0;        //   and where the base text began
  int32_t rubyLine_ = 0;
};

// Decimal digits at k_ (none: 0). A numeric variable ("%n") stands for its value.
int32_t Typist::readDecimal() {
  bool variable = false;
  if (at(k_) == '%' && isDigit(at(k_ + 1))) {
    variable = true;
    ++k_;
  }
  int64_t v = 0;
  while (isDigit(at(k_))) {
    v = std::min<int64_t>(v * 10 + (at(k_) - '0'), INT32_MAX);
    ++k_;
  }
  if (variable) return v < static_cast<int64_t>(e_.script.numVars.size()) ? e_.script.numVars[static_cast<size_t>(v)] : 0;
  return static_cast<int32_t>(v);
}

void Typist::escape() {
  uint8_t c = at(k_ + 1);
  if (c == 's') {
    if (at(k_ + 2) == 'd') {
      t_.textSpeed = -1;
      k_ += 3;
      return;
    }
    k_ += 2;
    t_.textSpeed = readDecimal();
  } else if (c == 'w' || c == 'd') {
    k_ += 2;
    int32_t ms = readDecimal();
    timedWait(e_, ms, c == 'd');
  } else {
    ++k_;
  }
}

void Typist::colour() {
  int v[6] = {};
  size_t i = 0;
  for (; i < 6 && at(k_ + 1 + i) != 0; ++i) v[i] = hexValue(at(k_ + 1 + i));
  t_.textColor = TextRgb{v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]};
  k_ += 1 + i;
}

void Typist::delay(uint32_t t0) {
  int32_t s = t_.textSpeed;
  if (s == -1) s = t_.menuSpeeds[static_cast<size_t>(std::clamp(t_.menuSpeedIndex, 0, 2))];
  if (s <= 0 || hurried_ || t_.skipMode) return;
  WaitSetup setup;
  setup.yieldEveryPass = true;
  setup.before = [this, t0, s](const WaitPass&) {
    return t_.skipMode || static_cast<int32_t>(e_.platform.timeGetTime() - t0) >= s;
  };
  setup.after = [this](const WaitPass& p) {
    if (!p.pumped || e_.appWindow.lastMessage != WM_LBUTTONUP) return PassResult::Continue;
    // A click hurries the rest of the text up to the next wait.
    hurried_ = true;
    return PassResult::End;
  };
  setup.deadline = [t0, s](const WaitPass&) { return t0 + static_cast<uint32_t>(s); };
  runWaitLoop(e_, setup);
}

Typist::Step Typist::prepareCharacter(int64_t width) {
  if (!t_.textMode)
    reportScriptError(e_, sj("エラー！"), sj("textmodeが非表示設定なのに文字を書こうとしました。"));
  if (t_.cursorLine >= t_.linesPerPage && lenientPlay(e_) && overflowWait()) return Step::Abandon;
  if (fitsWindow(width)) return Step::Next;
  const bool emptyPage = t_.cursorLine == 0 && t_.cursorColumn == 0 && t_.cursorHalfCell == 0;
  // Under lenient play a full page waits and goes on; what does not fit even an empty page
  // is still the error.
  if (lenientPlay(e_) && !emptyPage) {
    if (overflowWait()) return Step::Abandon;
    if (fitsWindow(width)) return Step::Next;
  }
  reportScriptError(e_, sj("エラー！"), sj("文字がウィンドウからはみ出ました"));
}

bool Typist::overflowWait() {
  reportScriptWarning(e_, sj("文字が枠をはみ出したため改ページしました。"));
  if (wait(true, true)) return true;
  locate();
  return false;
}

void Typist::lineBreak(bool wrapped) {
  afterWrap_ = wrapped;
  inWord_ = false;
  t_.cursorHalfCell = 0;
  if (lenientPlay(e_) && t_.cursorLine + 1 >= t_.linesPerPage) {
    // Past the last line: the page waits when the next character comes (no wait when the
    // text ends here).
    logLineFeed(e_);
    t_.cursorColumn = 0;
    t_.cursorLine = t_.linesPerPage;
  } else {
    newLine(e_);
  }
  locate();
}

void Typist::notePageText(const uint8_t* bytes, size_t n) {
  if (t_.pageText.size() + n <= kMaxPageTextBytes) t_.pageText.append(reinterpret_cast<const char*>(bytes), n);
}

Typist::Step Typist::typeCharacter() {
  if (later_ && t_.cursorHalfCell != 0) {
    // A full-width character starts at the next whole cell.
    t_.cursorHalfCell = 0;
    if (++t_.cursorColumn >= t_.columnsPerLine) lineBreak(true);
    locate();
  }
  if (Step s = prepareCharacter(t_.glyphWidth); s != Step::Next) return s;
  uint8_t first = at(k_), second = at(k_ + 1);
  if (first == 0 || second == 0) return Step::LineOver;
  logChar(e_, first, second);
  const uint8_t pair[2] = {first, second};
  notePageText(pair, 2);
  uint32_t t0 = e_.platform.timeGetTime();
  drawGlyph(e_, first, second, static_cast<int>(x_), static_cast<int>(y_), inLink_ ? t_.linkColor : t_.textColor);
  delay(t0);

  LookAhead la = lookAhead(line_, k_ + 2);
  x_ += t_.pitchX;
  ++t_.cursorColumn;
  afterWrap_ = false;
  inWord_ = false;
  if (static_cast<int64_t>(t_.cursorColumn) + needsEarlyBreak(la.chars, kinsoku()) >= t_.columnsPerLine)
    lineBreak(true);
  const SjisChar typed = static_cast<SjisChar>(first << 8 | second);
  k_ += 2;
  const bool marked = noClickStr_;
  noClickStr_ = false;
  if (la.waitFirst || (!la.chars.empty() && inClickStr(la.chars.front()))) return Step::Next;
  if (marked || !inClickStr(typed)) return Step::Next;
  bool page = t_.cursorLine >= t_.linesPerPage - t_.clickStrLines;
  return wait(page, true) ? Step::Abandon : Step::Next;
}

// ---- the later dialect ----

bool Typist::onlyBlanksAfter(size_t i) const {
  for (; i < line_.size() && at(i) != 0; ++i)
    if (at(i) != ' ' && at(i) != '\t') return false;
  return true;
}

bool printableSingle(uint8_t c) { return (c >= 0x21 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF); }

int Typist::wordLength() const {
  const int cap = 2 * std::max(t_.columnsPerLine, 0) + 1;
  int n = 0;
  bool segment = inSegment_;
  for (size_t i = k_; n < cap;) {
    const uint8_t c = at(i);
    if (c == '`') {
      segment = !segment;
      ++i;
      continue;
    }
    if (c == '#' && isHex6(i + 1)) {
      i += 7;
      continue;
    }
    if (!printableSingle(c)) break;
    if ((!segment || i >= tailStart_) && (c == '@' || c == '\\' || c == '_')) break;
    ++n;
    ++i;
  }
  return n;
}

Typist::Step Typist::typeHalfWidth(uint8_t c) {
  const int32_t total = 2 * t_.columnsPerLine;
  if (c == ' ') {
    inWord_ = false;
    // A blank does not begin a screen line that a wrap began.
    if (afterWrap_ && t_.cursorColumn == 0 && t_.cursorHalfCell == 0) {
      ++k_;
      return Step::Next;
    }
  } else if (!inWord_ && t_.cursorLine < t_.linesPerPage) {
    // A word that fits an empty line but not the rest of this one goes to the next.
    const int32_t pos = t_.cursorColumn * 2 + t_.cursorHalfCell;
    const int len = wordLength();
    if (pos > 0 && pos + len > total && len <= total) lineBreak(true);
  }
  if (Step s = prepareCharacter(t_.glyphWidth / 2); s != Step::Next) return s;
  logByte(e_, c);
  notePageText(&c, 1);
  if (c != ' ') {
    uint32_t t0 = e_.platform.timeGetTime();
    drawGlyph(e_, c, ' ', static_cast<int>(x_), static_cast<int>(y_), inLink_ ? t_.linkColor : t_.textColor);
    delay(t0);
  }
  ++k_;
  afterWrap_ = false;
  inWord_ = c != ' ';
  const int32_t pos = t_.cursorColumn * 2 + t_.cursorHalfCell + 1;
  t_.cursorColumn = pos / 2;
  t_.cursorHalfCell = pos % 2;
  locate();
  if (pos >= total) lineBreak(true);
  return Step::Next;
}

bool Typist::isEscapeCommand() const {
  const uint8_t c = at(k_ + 1);
  if (c == 's' && at(k_ + 2) == 'd') return true;
  if (c != 's' && c != 'w' && c != 'd') return false;
  return isDigit(at(k_ + 2)) || (at(k_ + 2) == '%' && isDigit(at(k_ + 3)));
}

// In the normal state, "(base/ruby)" with ruby on: the base text is typed as usual and the
// ruby drawn above it when the '/' is reached.
bool Typist::rubyGroup() {
  const size_t slash = line_.find('/', k_ + 1);
  if (slash == std::string_view::npos) return false;
  const size_t close = line_.find(')', slash + 1);
  if (close == std::string_view::npos) return false;
  rubyEnd_ = slash;
  rubyClose_ = close;
  rubyX_ = x_;
  rubyLine_ = t_.cursorLine;
  ++k_;
  return true;
}

void Typist::drawRuby() {
  const std::string_view ruby = line_.substr(rubyEnd_ + 1, rubyClose_ - rubyEnd_ - 1);
  const int32_t w = t_.rubyWidth > 0 ? t_.rubyWidth : std::max(t_.glyphWidth / 2, 1);
  const int32_t h = t_.rubyHeight > 0 ? t_.rubyHeight : std::max(t_.glyphHeight / 2, 1);
  // A base text that wrapped is covered from the start of its last screen line.
  const int64_t left = rubyLine_ == t_.cursorLine ? rubyX_ : t_.textOriginX;
  int64_t width = 0;
  for (size_t i = 0; i < ruby.size(); i += isSjisLead(static_cast<uint8_t>(ruby[i])) ? 2 : 1)
    width += isSjisLead(static_cast<uint8_t>(ruby[i])) ? w : w / 2;
  int64_t x = left + (x_ - left - width) / 2;
  const int64_t y = y_ - h;
  for (size_t i = 0; i < ruby.size();) {
    const uint8_t c = static_cast<uint8_t>(ruby[i]);
    const bool wide = isSjisLead(c) && i + 1 < ruby.size();
    const uint8_t second = wide ? static_cast<uint8_t>(ruby[i + 1]) : ' ';
    drawSizedGlyph(e_, c, second, clampPixel(x), clampPixel(y), w, h, t_.rubyFace, t_.textColor);
    x += wide ? w : w / 2;
    i += wide ? 2 : 1;
  }
}

Typist::Step Typist::laterDialectByte(uint8_t c) {
  if (rubyEnd_ != 0 && k_ >= rubyEnd_) {
    drawRuby();
    k_ = rubyClose_ + 1;
    rubyEnd_ = 0;
    return Step::Next;
  }
  if (c == 0 || c == '\t' || isSjisLead(c)) return Step::Base;
  if (c == '`') {
    inSegment_ = !inSegment_;
    ++k_;
    return Step::Next;
  }
  const bool normal = !inSegment_ || (inTrailingWaits() && (c == '@' || c == '\\' || c == '/'));
  if (c == '#' && isHex6(k_ + 1)) return Step::Base;
  if (normal) {
    switch (c) {
      case '@':
      case '\\':
      case '_':
        return Step::Base;
      case '/':
        // Only the last byte of the line continues it on the same screen line.
        if (onlyBlanksAfter(k_ + 1)) return Step::Abandon;
        break;
      case '!':
        if (isEscapeCommand()) return Step::Base;
        break;
      case '<':
        if (isDigit(at(k_ + 1))) return Step::Base;
        break;
      case '>':
        if (inLink_) return Step::Base;
        break;
      case '(':
        if (t_.rubyOn && rubyGroup()) return Step::Next;
        break;
      default:
        break;
    }
  }
  if (c == ' ' || printableSingle(c)) return typeHalfWidth(c);
  ++k_;  // a control byte: nothing to draw
  return Step::Next;
}

bool Typist::wait(bool page, bool automatic) {
  hurried_ = false;
  if (textGosubOn(e_)) {
    t_.inTextGosub = 1;
    t_.textGosubWasPage = page ? 1 : 0;
    if (!callStackPush(e_, scriptPosition(e_)))
      reportScriptError(e_, sj("スタックエラー"), sj("textgosub処理のせいでスタックが溢れました。"));
    bool atLineEnd = currentByte(e_) == '\n';
    if (resumedAtLineEnd_ >= 0 && k_ >= line_.size()) atLineEnd = resumedAtLineEnd_ != 0;
    std::string_view rest = k_ < line_.size() ? line_.substr(k_) : std::string_view();
    if (automatic && rest.find_first_not_of(" \t") != std::string_view::npos) {
      // The routine would otherwise lose the rest of this line: texec types it.
      t_.pendingText = restOfLine();
      t_.pendingKind = PendingText::AfterTextGosub;
      t_.pendingAtLineEnd = atLineEnd ? 1 : 0;
      atLineEnd = false;
    } else {
      t_.pendingText.clear();
      t_.pendingKind = PendingText::None;
    }
    if (!page) t_.textGosubAtLineEnd = atLineEnd ? 1 : 0;
    allowSaving(e_, false);
    jumpToLabel(e_, t_.textGosubLabel);
    return true;
  }
  const int n = page ? 1 : 0;
  t_.waitCursorKind = page ? WaitCursor::Page : WaitCursor::Click;
  if (t_.cursorRelative[static_cast<size_t>(n)]) {
    t_.waitCursorPos.x = clampPixel(x_ + t_.cursorOffset[static_cast<size_t>(n)].x);
    t_.waitCursorPos.y = clampPixel(y_ + t_.cursorOffset[static_cast<size_t>(n)].y);
  } else {
    t_.waitCursorPos = t_.cursorOffset[static_cast<size_t>(n)];
  }
  noteInterruptedWait(e_, page ? InterruptedWait::PageWait : InterruptedWait::ClickWait);
  clickWait(e_);
  if (rgosubTaken(e_) && !resetRequested(e_) && !t_.gameLoaded) {
    // The right-click routine's return makes this wait again; the rest of the line follows it.
    t_.pendingText = restOfLine();
    t_.pendingKind = PendingText::AfterRightClickRoutine;
    return true;
  }
  if (rgosubTaken(e_) || resetRequested(e_) || t_.gameLoaded) {
    t_.gameLoaded = 0;
    t_.pendingText.clear();
    t_.pendingKind = PendingText::None;
    return true;
  }
  if (page) {
    markLogPage(e_);
    clearTextWindow(e_);
    locate();
  }
  return false;
}

void Typist::run() {
  t_.textGosubAtLineEnd = 0;
  t_.lastLineChars = static_cast<int32_t>(std::min<size_t>(line_.size() / 2, INT32_MAX));
  if (later_) findTrailingWaits();
  locate();
  if (!clampedWindowRect(e_, window_)) return;
  if (t_.textHidden) showHiddenText(e_);
  if (!t_.windowShown) showTextWindow(e_);
  while (true) {
    uint8_t c = at(k_);
    if (later_) {
      Step st = laterDialectByte(c);
      if (st == Step::Next) continue;
      if (st == Step::Abandon) return;
    }
    switch (c) {
      case 0:
        if (t_.cursorColumn != 0 || t_.cursorHalfCell != 0) lineBreak(false);
        return;
      case '\t':
      case ' ':
        ++k_;
        break;
      case '!':
        escape();
        break;
      case '#':
        colour();
        break;
      case '/':
        if (at(k_ + 1) != 0)
          reportScriptError(e_, sj("エラー"), sj("表示文中の、/の次は改行文字でなければなりません。"));
        return;
      case '<': {
        ++k_;
        int32_t n = readDecimal();
        if (t_.linkCount >= 0 && t_.linkCount < static_cast<int32_t>(t_.links.size()))
          t_.links[static_cast<size_t>(t_.linkCount)] = LinkRegion{n, clampPixel(x_), clampPixel(y_), clampPixel(x_)};
        inLink_ = true;
        break;
      }
      case '>':
        ++k_;
        if (inLink_ && t_.linkCount >= 0 && t_.linkCount < static_cast<int32_t>(t_.links.size())) {
          t_.links[static_cast<size_t>(t_.linkCount)].right = clampPixel(x_);
          ++t_.linkCount;
        }
        inLink_ = false;
        break;
      case '@':
        ++k_;
        if (t_.pageOnlyMode || !t_.textMode) break;
        if (wait(false, false)) return;
        break;
      case '\\':
        ++k_;
        if (!t_.textMode) break;
        if (wait(true, false)) return;
        break;
      case '_':
        ++k_;
        noClickStr_ = true;
        break;
      default:
        switch (typeCharacter()) {
          case Step::Next: break;
          case Step::LineOver:
            // An odd byte at the end pairs with the terminator: the line is over.
            if (t_.cursorColumn != 0 || t_.cursorHalfCell != 0) lineBreak(false);
            return;
          case Step::Abandon:
          case Step::Base: return;
        }
        break;
    }
  }
}

}  // namespace

void typeText(Engine& e, const std::string& line) {
  TextState& t = e.text;
  if (t.pendingKind == PendingText::AfterRightClickRoutine && (line == "@" || line == "\\")) {
    // The wait the right-click routine interrupted, with the rest of its line.
    std::string resumed = line + t.pendingText;
    t.pendingText.clear();
    t.pendingKind = PendingText::None;
    Typist(e, resumed).run();
    return;
  }
  Typist(e, line).run();
}

void resumePendingText(Engine& e) {
  TextState& t = e.text;
  if (t.pendingKind != PendingText::AfterTextGosub) return;
  std::string rest;
  rest.swap(t.pendingText);
  t.pendingKind = PendingText::None;
  if (!rest.empty()) Typist(e, rest, t.pendingAtLineEnd).run();
}

void clearLinks(Engine& e) { e.text.linkCount = 0; }

}  // namespace veloria
