// The text log viewer: one earlier page at a time in the text window, paged with clicks in
// the upper and lower thirds of the window, left with a right click.
#include <algorithm>
#include <string>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/text_internal.h"
#include "text/text_log.h"

namespace veloria {

namespace {

enum Arrow : size_t { kUpOver = 0, kUpNormal = 1, kDownOver = 2, kDownNormal = 3 };

class LogViewer {
 public:
  explicit LogViewer(Engine& e) : e_(e), t_(e.text) {}

  // False when the window lies wholly off the screen.
  bool open() { return clampedWindowRect(e_, win_); }
  void showPage(int n, bool first);
  // The paging direction for a pointer at y: 1 older, -1 newer, 0 neither.
  int stateFor(int y) const;
  void setState(int state);
  // One pass of the viewer's wait: true when the player left it.
  bool handle(const WaitPass& p);

 private:
  bool olderExists() const {
    std::string unused;
    return logPage(t_.log, page_ + 1, unused);
  }
  void drawArrows();

  Engine& e_;
  TextState& t_;
  TextRect win_;
  int page_ = 1;
  int state_ = 0;
  bool older_ = false;
  int pointerY_ = -1;
  bool pointerKnown_ = false;
  // The arrows' places and what lay under them.
  int arrowW_ = 0, arrowH_ = 0;
  int upX_ = 0, upY_ = 0, downX_ = 0, downY_ = 0;
  ImageObject underUp_, underDown_;
};

void LogViewer::showPage(int n, bool first) {
  page_ = n;
  std::string text;
  logPage(t_.log, n, text);
  older_ = olderExists();
  if (first) hideTextWindow(e_);
  // The frame without the window's text, the backdrop over the window.
  t_.windowInFrame = 0;
  composeScreen(e_, nullptr);
  drawWindowBackground(e_, t_.windowRect, e_.gfx.composeSurface);
  const TextRect& w = t_.windowRect;
  if (first) {
    runWindowEffect(e_, w.left, w.top, w.right + 2, w.bottom + 2);
  } else {
    DirtyRect r{w.left, w.top, w.right + 2, w.bottom + 2};
    runEffect(e_, 1, 0, std::string(), &r);
  }

  // The page, drawn on the display alone: the window's own text stays in its layers.
  const int gw = t_.glyphWidth, gh = t_.glyphHeight;
  int64_t x = t_.textOriginX, y = t_.textOriginY;
  const bool later = extendedDialect(e_);
  for (size_t k = 0; k < text.size();) {
    uint8_t c = static_cast<uint8_t>(text[k]);
    if (c == 10) {
      x = t_.textOriginX;
      y += t_.pitchY;
      ++k;
      continue;
    }
    // The later dialect logs a half-width character as one byte.
    const bool half = later && !isSjisLead(c);
    if (!half && k + 1 >= text.size()) break;
    if (x >= win_.left && y >= win_.top && x + gw <= win_.right && y + gh <= win_.bottom) {
      drawGlyphOnDisplay(e_, c, half ? ' ' : static_cast<uint8_t>(text[k + 1]), static_cast<int>(x),
                         static_cast<int>(y), t_.lookbackColor);
      presentCell(e_, static_cast<int>(x), static_cast<int>(y), gw, gh);
    }
    x += half ? t_.pitchX / 2 : t_.pitchX;
    k += half ? 1 : 2;
  }

  // The arrows take the up-highlighted picture's size at the window's right corners.
  const ImageObject& up = t_.lookbackArrows[kUpOver];
  arrowW_ = up.visibleWidth();
  arrowH_ = up.visibleHeight();
  upX_ = win_.right - arrowW_;
  upY_ = win_.top;
  downX_ = win_.right - arrowW_;
  downY_ = win_.bottom - arrowH_;
  createSurface(underUp_, std::max(arrowW_, 1), std::max(arrowH_, 1), 24);
  createSurface(underDown_, std::max(arrowW_, 1), std::max(arrowH_, 1), 24);
  copyRect(e_.gfx.displaySurface, upX_, upY_, underUp_, 0, 0, arrowW_, arrowH_);
  copyRect(e_.gfx.displaySurface, downX_, downY_, underDown_, 0, 0, arrowW_, arrowH_);
  // The pointer has not moved, but the new page may offer other directions.
  state_ = pointerKnown_ ? stateFor(pointerY_) : 0;
  drawArrows();
}

int LogViewer::stateFor(int y) const {
  const int64_t top = win_.top, bottom = win_.bottom;
  if (y < top || y > bottom) return 0;
  if (older_ && y < (bottom + 2 * top) / 3) return 1;
  if (page_ > 1 && y > (top + 2 * bottom) / 3) return -1;
  return 0;
}

void LogViewer::drawArrows() {
  ImageObject& display = e_.gfx.displaySurface;
  copyRect(underUp_, 0, 0, display, upX_, upY_, arrowW_, arrowH_);
  copyRect(underDown_, 0, 0, display, downX_, downY_, arrowW_, arrowH_);
  if (older_) drawImage(e_, t_.lookbackArrows[state_ == 1 ? kUpOver : kUpNormal], display, nullptr, upX_, upY_);
  if (page_ > 1)
    drawImage(e_, t_.lookbackArrows[state_ == -1 ? kDownOver : kDownNormal], display, nullptr, downX_, downY_);
  presentCell(e_, upX_, upY_, arrowW_, arrowH_);
  presentCell(e_, downX_, downY_, arrowW_, arrowH_);
}

void LogViewer::setState(int state) {
  if (state == state_) return;
  state_ = state;
  drawArrows();
}

bool LogViewer::handle(const WaitPass& p) {
  if (p.pumped && p.message.message == WM_MOUSEMOVE) {
    pointerKnown_ = true;
    pointerY_ = lParamY(p.message.lParam);
    setState(stateFor(pointerY_));
  }
  if (t_.advanceRequested) {
    t_.advanceRequested = 0;
    if (state_ != 0) {
      if (!t_.lookbackVoice.empty()) playWave(e_, t_.lookbackVoice, false);
      showPage(page_ + state_, false);
    }
  }
  if (t_.menuRequested) {
    t_.menuRequested = 0;
    return true;
  }
  return false;
}

}  // namespace

void drawTextLogPage(Engine& e, int n, bool first) {
  LogViewer v(e);
  if (v.open()) v.showPage(n, first);
}

int showTextLog(Engine& e) {
  TextState& t = e.text;
  std::string unused;
  LogViewer v(e);
  if (!logPage(t.log, 1, unused) || !v.open()) {
    const std::string& refuse = e.ui.menuVoices[kMenuVoiceRefuse];
    if (!refuse.empty()) playWave(e, refuse, false);
    return 0;
  }
  t.advanceRequested = 0;
  t.menuRequested = 0;
  v.showPage(1, true);

  WaitSetup setup;
  setup.animate = false;
  setup.after = [&v](const WaitPass& p) { return v.handle(p) ? PassResult::End : PassResult::Continue; };
  runWaitLoop(e, setup);

  // Back to the game: the window returns with the text that was on it.
  hideTextWindow(e);
  t.windowInFrame = 1;
  composeScreen(e, nullptr);
  runWindowEffect(e, t.windowRect.left, t.windowRect.top, t.windowRect.right + 2, t.windowRect.bottom + 2);
  return 1;
}

}  // namespace veloria
