// A choice: the options drawn in the text window (or centred on the tinted screen as a
// system menu), the option under the mouse highlighted, and the one clicked returned.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace veloria {

namespace {

// Pointer coordinates travel as 16-bit halves of a message.
int toMessageCoordinate(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -32768, 32767)); }

class Choice {
 public:
  Choice(Engine& e, const std::vector<std::string>& options, ChoiceForm form, int64_t restartPos)
      : e_(e), t_(e.text), options_(options), menu_(form == ChoiceForm::SystemMenu), restartPos_(restartPos) {}

  int run();

 private:
  enum Voice { kStart, kOver, kChoose, kCancel };
  void playVoice(Voice v);
  void bringUpBackdrop();
  void layOut();
  void draw(int i, bool over);
  // The option under (x, y), or -1.
  int optionAt(int64_t x, int64_t y) const;
  void hover(int x, int y);
  PassResult after(const WaitPass& p);
  void autoplayPoint(int& x, int& y) const;
  // Each option a click can take, with the point that takes it.
  std::vector<AutoplayOption> autoplayOptions() const;

  Engine& e_;
  TextState& t_;
  const std::vector<std::string>& options_;
  const bool menu_;
  const int64_t restartPos_;
  MenuTextStyle menuStyle_;
  int selected_ = -1;
  int result_ = -1;

  // Text-window form: every option starts at column `column_`; option i covers the rows
  // rows_[i] .. rows_[i + 1] - 1; `width_` is the widest option in characters.
  int32_t column_ = 0;
  std::vector<int32_t> rows_;
  int32_t width_ = 0;
  // System-menu form: the options' x range and the first option's top.
  int64_t menuLeft_ = 0, menuRight_ = 0, menuTop_ = 0;

  // Where the script stood before a right click moved it to the command's start.
  uint32_t resumePos_ = 0;
  bool resumePending_ = false;
};

void Choice::playVoice(Voice v) {
  const std::string* name = nullptr;
  if (menu_) {
    static constexpr int kMenu[] = {kMenuVoiceOpen, kMenuVoiceOver, kMenuVoiceChoose, kMenuVoiceCancel};
    name = &e_.ui.menuVoices[static_cast<size_t>(kMenu[v])];
  } else if (v != kCancel) {
    name = &t_.selectVoices[static_cast<size_t>(v)];
  }
  if (name && !name->empty()) playWave(e_, *name, false);
}

void Choice::bringUpBackdrop() {
  if (menu_) {
    // The frame without the text window, tinted with the menu colour, at once. The text
    // window keeps its state: the menu's caller puts the screen back.
    const int32_t inFrame = t_.windowInFrame, shown = t_.windowShown;
    t_.windowInFrame = 0;
    composeScreen(e_, nullptr);
    tintRect(e_, 0, 0, e_.app.screenWidth - 1, e_.app.screenHeight - 1, e_.ui.menuWindow.color, e_.gfx.composeSurface);
    runEffect(e_, 1, 0, std::string(), nullptr);
    t_.windowInFrame = inFrame;
    t_.windowShown = shown;
    return;
  }
  if (!t_.windowShown) {
    showTextWindow(e_);
    return;
  }
  t_.windowInFrame = 1;
  composeScreen(e_, nullptr);
  runEffect(e_, 1, 0, std::string(), nullptr);
}

void Choice::layOut() {
  const int n = static_cast<int>(options_.size());
  if (!menu_) {
    // Each option starts at the cursor's column on the line where the one before ended.
    column_ = t_.cursorColumn;
    int32_t line = t_.cursorLine;
    rows_.assign(static_cast<size_t>(n) + 1, 0);
    width_ = 0;
    for (int i = 0; i < n; ++i) {
      rows_[static_cast<size_t>(i)] = line;
      int32_t column = column_;
      width_ = std::max(width_, drawString(e_, options_[static_cast<size_t>(i)], column, line, t_.selectColors.normal));
    }
    rows_[static_cast<size_t>(n)] = line;
    width_ = std::min(width_, std::max(t_.columnsPerLine, 0));
    return;
  }
  // Centred: the longest option's width (its bytes times half the pitch) split around the
  // middle column, the middle option on the middle line.
  const MenuWindow& w = e_.ui.menuWindow;
  menuStyle_ = MenuTextStyle{w.glyphWidth, w.glyphHeight, w.pitchX, w.pitchY, w.bold, w.shadow};
  size_t longest = 0;
  for (const std::string& o : options_) longest = std::max(longest, o.size());
  const int64_t halfWidth = static_cast<int64_t>(w.pitchX) * static_cast<int64_t>(longest) / 4;
  menuLeft_ = e_.app.screenWidth / 2 - halfWidth;
  menuRight_ = e_.app.screenWidth / 2 + halfWidth;
  menuTop_ = e_.app.screenHeight / 2 - static_cast<int64_t>(n / 2) * w.pitchY;
  for (int i = 0; i < n; ++i) draw(i, false);
}

void Choice::draw(int i, bool over) {
  const std::string& text = options_[static_cast<size_t>(i)];
  if (!menu_) {
    int32_t column = column_, line = rows_[static_cast<size_t>(i)];
    drawString(e_, text, column, line, over ? t_.selectColors.over : t_.selectColors.normal);
    return;
  }
  // drawString takes an absolute position as a negative number, so 0 cannot be given:
  // an option too wide for the screen starts at x = 1, and one that would start above the
  // screen's top is not drawn (it can still be chosen where its band reaches the screen).
  const int64_t y = menuTop_ + static_cast<int64_t>(i) * menuStyle_.pitchY;
  if (y < 1 || y >= e_.app.screenHeight) return;
  int32_t column = -static_cast<int32_t>(std::clamp<int64_t>(menuLeft_, 1, e_.app.screenWidth));
  int32_t line = -static_cast<int32_t>(y);
  const auto& colors = e_.ui.menuColors;
  drawString(e_, text, column, line, colors[over ? kMenuColorOver : kMenuColorNormal], &menuStyle_);
}

int Choice::optionAt(int64_t x, int64_t y) const {
  const int n = static_cast<int>(options_.size());
  if (menu_) {
    if (x < menuLeft_ || x >= menuRight_) return -1;
    const int64_t pitch = menuStyle_.pitchY;
    for (int i = 0; i < n; ++i) {
      int64_t top = menuTop_ + static_cast<int64_t>(i) * pitch;
      if (y >= top && y < top + pitch) return i;
    }
    return -1;
  }
  const int64_t left = t_.textOriginX + static_cast<int64_t>(column_) * t_.pitchX;
  if (x <= left || x > left + static_cast<int64_t>(width_) * t_.pitchX) return -1;
  for (int j = 0; j < n; ++j) {
    int64_t top = t_.textOriginY + static_cast<int64_t>(rows_[static_cast<size_t>(j)]) * t_.pitchY;
    int64_t bottom = t_.textOriginY + static_cast<int64_t>(rows_[static_cast<size_t>(j) + 1]) * t_.pitchY;
    if (y >= top && y < bottom) return j;
  }
  return -1;
}

void Choice::hover(int x, int y) {
  int g = optionAt(x, y);
  if (g == selected_) return;
  if (g >= 0) {
    playVoice(kOver);
    sayHighlighted(e_, options_[static_cast<size_t>(g)]);
  }
  if (selected_ >= 0) draw(selected_, false);
  if (g >= 0) draw(g, true);
  selected_ = g;
  t_.openChoiceHighlight = g;
}

PassResult Choice::after(const WaitPass& p) {
  if (p.pumped && p.message.message == WM_MOUSEMOVE) hover(lParamX(p.message.lParam), lParamY(p.message.lParam));
  if (t_.advanceRequested) {
    t_.advanceRequested = 0;
    if (selected_ >= 0) {
      playVoice(kChoose);
      draw(selected_, false);
      result_ = selected_;
      return PassResult::End;
    }
  }
  if (!t_.menuRequested) return PassResult::Continue;
  t_.menuRequested = 0;
  if (menu_) {
    playVoice(kCancel);
    result_ = -1;
    return PassResult::End;
  }
  // What is highlighted is what a click chooses: after the right-click action the pointer
  // must move onto an option again.
  if (selected_ >= 0) draw(selected_, false);
  selected_ = -1;
  t_.openChoiceHighlight = -1;
  noteInterruptedWait(e_, InterruptedWait::Choice);
  if (restartPos_ >= 0) {
    // The right-click routine returns to where the right click was taken; that must be the
    // choice command itself, not the statement after its options.
    resumePos_ = scriptPosition(e_);
    resumePending_ = true;
    setScriptPosition(e_, static_cast<uint32_t>(restartPos_));
  }
  return PassResult::RightClick;
}

void Choice::autoplayPoint(int& x, int& y) const {
  if (menu_) {
    x = toMessageCoordinate(e_.app.screenWidth / 2);
    y = toMessageCoordinate(menuTop_ + menuStyle_.pitchY / 2);
    return;
  }
  const int64_t left = t_.textOriginX + static_cast<int64_t>(column_) * t_.pitchX;
  const int64_t top = t_.textOriginY + static_cast<int64_t>(rows_[0]) * t_.pitchY;
  const int64_t height = static_cast<int64_t>(rows_[1] - rows_[0]) * t_.pitchY;
  x = toMessageCoordinate(left + (static_cast<int64_t>(width_) * t_.pitchX + 1) / 2);
  y = toMessageCoordinate(top + height / 2);
}

std::vector<AutoplayOption> Choice::autoplayOptions() const {
  std::vector<AutoplayOption> out;
  const int n = static_cast<int>(options_.size());
  for (int i = 0; i < n; ++i) {
    int64_t x = 0, y = 0;
    if (menu_) {
      x = e_.app.screenWidth / 2;
      y = menuTop_ + static_cast<int64_t>(i) * menuStyle_.pitchY + menuStyle_.pitchY / 2;
      if (y < 0 || y >= e_.app.screenHeight) continue;
    } else {
      const int64_t left = t_.textOriginX + static_cast<int64_t>(column_) * t_.pitchX;
      const int64_t top = t_.textOriginY + static_cast<int64_t>(rows_[static_cast<size_t>(i)]) * t_.pitchY;
      const int64_t height = static_cast<int64_t>(rows_[static_cast<size_t>(i) + 1] - rows_[static_cast<size_t>(i)]) * t_.pitchY;
      x = left + (static_cast<int64_t>(width_) * t_.pitchX + 1) / 2;
      y = top + height / 2;
    }
    const int cx = toMessageCoordinate(x), cy = toMessageCoordinate(y);
    if (optionAt(cx, cy) != i) continue;  // no point of it can be clicked
    out.push_back(AutoplayOption{cx, cy, sjisToUtf8(options_[static_cast<size_t>(i)])});
  }
  return out;
}

int Choice::run() {
  if (options_.empty()) return -1;
  playVoice(kStart);
  clearRgosubTaken(e_);
  // A choice waits for the player: skipping ends here, and so does auto mode, whose first
  // click would otherwise only end the mode.
  t_.skipMode = 0;
  t_.autoMode = 0;
  bringUpBackdrop();
  layOut();

  dropQueuedClicks(e_);
  t_.advanceRequested = 0;
  t_.menuRequested = 0;
  // The highlight follows the pointer at once, without waiting for it to move; a move still
  // queued is newer than the last position seen and does that itself.
  Message queued;
  if (!e_.platform.peekMessage(queued, WM_MOUSEMOVE, WM_MOUSEMOVE, false))
    e_.platform.postMouseMove(makeLParam(e_.appWindow.lastX, e_.appWindow.lastY));

  // The dump shows the choice while it waits; a run that ends inside the wait (time limit,
  // error) still shows it. A system menu opened from a choice's right click shows its own
  // items and then gives the choice back.
  std::vector<std::string> outer = std::move(t_.openChoice);
  const int32_t outerHighlight = t_.openChoiceHighlight;
  t_.openChoice = options_;
  t_.openChoiceHighlight = -1;
  auto closeChoice = [&] {
    t_.openChoice = std::move(outer);
    t_.openChoiceHighlight = outerHighlight;
  };

  WaitSetup setup;
  setup.kind = WaitKind::Choice;
  autoplayPoint(setup.autoX, setup.autoY);
  // A system menu is not one of the game's choices: autoplay keeps taking its first item.
  if (!menu_ && hasAutoplayPicker(e_.platform)) {
    setup.autoOptions = autoplayOptions();
    setup.autoPlace = restartPos_;
  }
  setup.animate = !menu_;
  setup.after = [this](const WaitPass& p) { return after(p); };
  setup.afterAnimations = [this](const WaitPass&) {
    // The right-click action is over and the choice goes on: back behind the options.
    if (resumePending_) {
      setScriptPosition(e_, resumePos_);
      resumePending_ = false;
    }
    return false;
  };
  WaitEnd end;
  try {
    end = runWaitLoop(e_, setup);
  } catch (const ScriptUnwind&) {
    closeChoice();
    throw;
  }
  closeChoice();
  return end == WaitEnd::Interrupted ? -1 : result_;
}

}  // namespace

int runChoice(Engine& e, const std::vector<std::string>& options, ChoiceForm form, int64_t restartPos) {
  return Choice(e, options, form, restartPos).run();
}

}  // namespace veloria
