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

int hexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

class Typist {
 public:
  // `resumedAtLineEnd`: the line is the rest of an earlier one (see resumePendingText) whose
  // final "@" ended its script line (-1: not a resumed line).
  Typist(Engine& e, std::string_view line, int resumedAtLineEnd = -1)
      : e_(e), t_(e.text), line_(line), resumedAtLineEnd_(resumedAtLineEnd) {}

  void run();

 private:
  uint8_t at(size_t i) const { return i < line_.size() ? static_cast<uint8_t>(line_[i]) : 0; }
  void locate() {
    x_ = t_.textOriginX + static_cast<int64_t>(t_.cursorColumn) * t_.pitchX;
    y_ = t_.textOriginY + static_cast<int64_t>(t_.cursorLine) * t_.pitchY;
  }
  int32_t readDecimal();
  void escape();
  void colour();
  enum class Step { Next, LineOver, Abandon };
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

Typist::Step Typist::typeCharacter() {
  if (!t_.textMode)
    reportScriptError(e_, sj("エラー！"), sj("textmodeが非表示設定なのに文字を書こうとしました。"));
  const int64_t gw = t_.glyphWidth, gh = t_.glyphHeight;
  const int64_t sw = e_.app.screenWidth, sh = e_.app.screenHeight;
  if (x_ < 0 || y_ < 0 || x_ + gw >= sw || y_ + gh >= sh || x_ < window_.left || y_ < window_.top ||
      x_ + gw >= window_.right || y_ + gh >= window_.bottom)
    reportScriptError(e_, sj("エラー！"), sj("文字がウィンドウからはみ出ました"));
  uint8_t first = at(k_), second = at(k_ + 1);
  if (first == 0 || second == 0) return Step::LineOver;
  logChar(e_, first, second);
  uint32_t t0 = e_.platform.timeGetTime();
  drawGlyph(e_, first, second, static_cast<int>(x_), static_cast<int>(y_), inLink_ ? t_.linkColor : t_.textColor);
  delay(t0);

  LookAhead la = lookAhead(line_, k_ + 2);
  x_ += t_.pitchX;
  ++t_.cursorColumn;
  if (static_cast<int64_t>(t_.cursorColumn) + needsEarlyBreak(la.chars) >= t_.columnsPerLine) {
    newLine(e_);
    locate();
  }
  const SjisChar typed = static_cast<SjisChar>(first << 8 | second);
  k_ += 2;
  const bool marked = noClickStr_;
  noClickStr_ = false;
  if (la.waitFirst || (!la.chars.empty() && inClickStr(la.chars.front()))) return Step::Next;
  if (marked || !inClickStr(typed)) return Step::Next;
  bool page = t_.cursorLine >= t_.linesPerPage - t_.clickStrLines;
  return wait(page, true) ? Step::Abandon : Step::Next;
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
      t_.pendingText.assign(rest);
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
    t_.pendingText.assign(k_ < line_.size() ? line_.substr(k_) : std::string_view());
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
  locate();
  if (!clampedWindowRect(e_, window_)) return;
  if (!t_.windowShown) showTextWindow(e_);
  while (true) {
    uint8_t c = at(k_);
    switch (c) {
      case 0:
        if (t_.cursorColumn != 0) newLine(e_);
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
            if (t_.cursorColumn != 0) newLine(e_);
            return;
          case Step::Abandon: return;
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
