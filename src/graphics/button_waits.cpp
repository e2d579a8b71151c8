// The button waits (btnwait, btnwait2, textbtnwait, selectbtnwait), the link wait (tbtnwait)
// and getbtntimer. Each wait is one pass of runWaitLoop per message: the pointer's moves
// change the hover look (and apply the control strings of composite buttons), a left click
// returns the hovered button, a right click -1, the time-out -2 (-5 once the game uses the
// wheel or Esc and Space, which then give results of their own).
#include <algorithm>

#include "engine/engine.h"
#include "engine/key_navigation.h"
#include "engine/wait_loop.h"
#include "graphics/buttons.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"

namespace veloria {

namespace {

// The wait's modes live in the graphics state for as long as it runs (the dump reads them);
// they are put back however the wait ends.
struct OpenWait {
  OpenWait(Engine& e, int kind, bool textMode, bool selectMode) : g(e.gfx) {
    g.buttonWaitOpen = kind;
    g.textButtonMode = textMode ? 1 : 0;
    g.selectButtonMode = selectMode ? 1 : 0;
  }
  ~OpenWait() {
    g.buttonWaitOpen = 0;
    g.textButtonMode = 0;
    g.selectButtonMode = 0;
  }
  GraphicsState& g;
};

// Whether the button set uses control strings (exbtn, exbtn_d).
bool compositeButtons(const GraphicsState& g) {
  if (!g.buttonDefaultControl.empty()) return true;
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i)
    if (!g.buttons[static_cast<size_t>(i)].control.empty()) return true;
  return false;
}

// Moves the hover from button index `from` to `to` (-1: none). Composite buttons change the
// sprite looks and apply the new control string (or the default one) together, shown in one
// picture; the control strings are not undone. Other sets show each look as it changes.
void changeHover(Engine& e, int from, int to) {
  GraphicsState& g = e.gfx;
  const int count = std::min(g.buttonCount, kButtonSlots);
  const Button* a = from >= 0 && from < count ? &g.buttons[static_cast<size_t>(from)] : nullptr;
  const Button* b = to >= 0 && to < count ? &g.buttons[static_cast<size_t>(to)] : nullptr;
  if (!compositeButtons(g)) {
    if (a) showButtonLook(e, *a, false);
    if (b) showButtonLook(e, *b, true);
    return;
  }
  if (a && a->kind == ButtonKind::Sprite) setSpriteButtonLook(e, *a, false);
  if (b && b->kind == ButtonKind::Sprite) setSpriteButtonLook(e, *b, true);
  applyButtonControl(e, b ? b->control : g.buttonDefaultControl);
  if (!g.dirtyRect.empty()) {
    const DirtyRect r = g.dirtyRect;
    composeScreen(e, &r);
    runEffect(e, 1, 0, std::string(), &r);
  }
  // Image and text looks are drawn over the shown frame.
  if (a && a->kind != ButtonKind::Sprite) showButtonLook(e, *a, false);
  if (b && b->kind != ButtonKind::Sprite) showButtonLook(e, *b, true);
}

// The wheel, Esc and Space as results of their own once the game asked for them (usewheel:
// -2 up, -3 down; useescspc: -10 Esc, -11 Space); 0 for any other message.
int32_t inputResult(const Engine& e, const Message& m) {
  if (m.message == WM_MOUSEWHEEL && wheelInputOn(e)) return m.wParam == 1 ? -2 : m.wParam == 2 ? -3 : 0;
  if (m.message == WM_CHAR && escSpaceInputOn(e)) return m.wParam == 27 ? -10 : m.wParam == 32 ? -11 : 0;
  return 0;
}

int64_t elapsedMs(const WaitPass& p) { return static_cast<int64_t>(static_cast<uint32_t>(p.now - p.start)); }

bool messageWaiting(Engine& e, uint32_t id) {
  Message m;
  return e.platform.peekMessage(m, id, id, false);
}

void dropMessages(Engine& e, uint32_t id) {
  Message m;
  while (e.platform.peekMessage(m, id, id, true)) {
  }
}

void postPointerMove(Engine& e) {
  e.platform.postMessage(WM_MOUSEMOVE, 0, makeLParam(e.platform.pointerX(), e.platform.pointerY()));
}

bool anyTextButton(const GraphicsState& g) {
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i)
    if (g.buttons[static_cast<size_t>(i)].kind == ButtonKind::Text) return true;
  return false;
}

// How long auto mode lets the text wait: autoModeTime, or when negative its magnitude for
// each character of the last text line.
int64_t autoModeDelay(const Engine& e) {
  const TextState& t = e.text;
  return t.autoModeTime >= 0 ? t.autoModeTime : static_cast<int64_t>(t.lastLineChars) * -int64_t{t.autoModeTime};
}

// An arrow key in a wait on `points` (the places a click takes): the pointer goes to the
// place the arrow leads to. Returns it, or -1.
int moveByKey(Engine& e, const std::vector<NavPoint>& points, int current, Arrow arrow) {
  const int target = arrowTarget(points, current, NavPoint{e.platform.pointerX(), e.platform.pointerY()}, arrow);
  if (target >= 0) e.platform.warpPointer(points[static_cast<size_t>(target)].x, points[static_cast<size_t>(target)].y);
  return target;
}

}  // namespace

int32_t runButtonWait(Engine& e, bool textMode, bool selectMode) {
  GraphicsState& g = e.gfx;
  const TextState& t = e.text;
  OpenWait open(e, 1, textMode, selectMode);

  // The text window goes (unless kept), skip mode ends, and clicks made before the wait
  // began do not count.
  if (!g.buttonNoErase && !selectMode && !textMode) hideTextWindow(e);
  if (!textMode) endSkipMode(e);
  if (selectMode) {
    endSkipMode(e);
    Message m;
    e.platform.peekMessage(m, WM_COMMAND, WM_COMMAND, true);
  } else if (textMode && (messageWaiting(e, WM_LBUTTONUP) || messageWaiting(e, WM_RBUTTONUP))) {
    endAutoAndSkipModes(e);
  }
  dropMessages(e, WM_LBUTTONUP);
  dropMessages(e, WM_RBUTTONUP);
  dropMessages(e, WM_CHAR);
  e.platform.pumpOneMessage();
  clearClickRequests(e);

  // Every button in its normal look.
  bool anySprite = false;
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i) {
    const Button& b = g.buttons[static_cast<size_t>(i)];
    if (b.kind != ButtonKind::Sprite) continue;
    const int n = ~b.sourceY;
    if (n < 0 || n >= kSpriteCount) continue;
    Sprite& s = g.sprites[static_cast<size_t>(n)];
    s.visible = 1;
    s.image.currentCell = 0;
    addDirtyPicture(e, s.image, s.x, s.y);
    anySprite = true;
  }
  // The default control string of composite buttons is in place before anything is shown.
  const bool defaultControl = !g.buttonDefaultControl.empty();
  applyButtonControl(e, g.buttonDefaultControl);
  if (anySprite || (defaultControl && !g.dirtyRect.empty())) {
    const DirtyRect r = g.dirtyRect;
    composeScreen(e, &r);
    runEffect(e, 1, 0, std::string(), &r);
  }
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i)
    if (g.buttons[static_cast<size_t>(i)].kind == ButtonKind::Text)
      showButtonLook(e, g.buttons[static_cast<size_t>(i)], false);

  // A look an earlier wait left lit goes: the pointer may have moved on since. The button
  // still under the pointer keeps its look, and the posted move shows it at once.
  showImageButtonsNormal(e, buttonAt(e, e.platform.pointerX(), e.platform.pointerY()));
  postPointerMove(e);

  // The wait itself.
  const bool autoEnds = textMode && !selectMode;
  int hovered = -1;
  int32_t result = 0;
  auto finishText = [&] {
    if (!anyTextButton(g) || selectMode) return;
    // The choice leaves its options in their normal colour.
    if (hovered >= 0 && hovered < g.buttonCount && g.buttons[static_cast<size_t>(hovered)].kind == ButtonKind::Text)
      showButtonLook(e, g.buttons[static_cast<size_t>(hovered)], false);
    if (t.logEnabled && t.log.writePos >= TextLog::kRestartAt) clearLog(e);
  };

  WaitSetup setup;
  setup.kind = WaitKind::Button;
  firstButtonPoint(e, setup.autoX, setup.autoY);
  if (hasAutoplayPicker(e.platform)) setup.autoOptions = clickableButtons(e);
  setup.saveGlobalsAfterOneSecond = true;
  setup.yieldEveryPass = autoEnds;
  setup.before = [&](const WaitPass& p) {
    if (g.buttonTimeout >= 0 && elapsedMs(p) > g.buttonTimeout) {
      if (e.hooks.saveGlobals) e.hooks.saveGlobals(e);
      g.lastButtonWaitTime = g.buttonTimeout;
      // -2 as in the base language until the game asks for the wheel, Esc or Space.
      result = wheelInputOn(e) || escSpaceInputOn(e) ? -5 : -2;
      return true;
    }
    return false;
  };
  auto hoverAt = [&](int x, int y) {
    const int now = buttonAt(e, x, y);
    if (now == hovered) return;
    changeHover(e, hovered, now);
    // A text button shows a choice's text, which is read aloud as the option would be.
    if (now >= 0 && g.buttons[static_cast<size_t>(now)].kind == ButtonKind::Text)
      if (const std::string* text = cselText(e, ~g.buttons[static_cast<size_t>(now)].sourceX)) sayHighlighted(e, *text);
    hovered = now;
  };
  setup.after = [&](const WaitPass& p) {
    const int32_t special = p.pumped ? inputResult(e, p.message) : 0;
    if (special != 0) {
      // The window took the key or the turn as a click or a right click: neither happens.
      // (A text log asked for by the wheel is forgotten when the next click wait starts.)
      clearClickRequests(e);
      finishText();
      g.lastButtonWaitTime = static_cast<int32_t>(e.platform.timeGetTime() - p.start);
      result = special;
      return PassResult::End;
    }
    if (p.pumped && p.message.message == WM_MOUSEMOVE) hoverAt(lParamX(p.message.lParam), lParamY(p.message.lParam));
    if (const auto arrow = p.pumped ? arrowOf(p.message) : std::nullopt) {
      // Buttons sharing a number answer alike: they are one place to go.
      std::vector<NavPoint> points;
      int current = -1;
      for (const AutoplayOption& o : clickableButtons(e)) {
        const int at = buttonAt(e, o.x, o.y);
        if (hovered >= 0 && at >= 0 && g.buttons[static_cast<size_t>(at)].number == g.buttons[static_cast<size_t>(hovered)].number)
          current = static_cast<int>(points.size());
        points.push_back(NavPoint{o.x, o.y});
      }
      const int to = moveByKey(e, points, current, *arrow);
      if (to >= 0) hoverAt(points[static_cast<size_t>(to)].x, points[static_cast<size_t>(to)].y);
    }
    const uint32_t clock = e.platform.timeGetTime();
    const int32_t lasted = static_cast<int32_t>(clock - p.start);
    if (takeAdvanceRequest(e)) {
      finishText();
      g.lastButtonWaitTime = lasted;
      result = hovered >= 0 ? g.buttons[static_cast<size_t>(hovered)].number : 0;
      return PassResult::End;
    }
    if (takeMenuRequest(e)) {
      // The hover looks go: the window shows the composed frame again.
      if (!g.buttonNoErase) runEffect(e, 1, 0, std::string(), nullptr);
      finishText();
      g.lastButtonWaitTime = lasted;
      result = -1;
      return PassResult::End;
    }
    if (autoEnds) {
      const int64_t waited = static_cast<int64_t>(static_cast<uint32_t>(clock - p.start));
      const bool autoDone =
          t.autoMode && waited >= autoModeDelay(e) && waveVoiceEnded(e) && channelVoiceEnded(e);
      const bool clickDone = t.autoClick ? waited >= t.autoClickTime : t.skipMode == 1;
      if (autoDone || clickDone) {
        g.lastButtonWaitTime = lasted;
        result = 0;
        return PassResult::End;
      }
    }
    return PassResult::Continue;
  };
  setup.deadline = [&](const WaitPass& p) {
    uint32_t next = kNoDeadline;
    auto consider = [&](int64_t afterMs) {
      const uint32_t at = p.start + static_cast<uint32_t>(std::clamp<int64_t>(afterMs, 0, INT32_MAX));
      if (next == kNoDeadline || static_cast<int32_t>(at - next) < 0) next = at;
    };
    if (g.buttonTimeout >= 0) consider(int64_t{g.buttonTimeout} + 1);
    if (autoEnds) {
      if (t.autoClick) consider(t.autoClickTime);
      if (t.autoMode) {
        // Past the delay the voice is asked again every few milliseconds.
        const int64_t delay = autoModeDelay(e);
        consider(elapsedMs(p) >= delay ? elapsedMs(p) + 10 : delay);
      }
      if (t.skipMode == 1) consider(elapsedMs(p));
    }
    return next;
  };
  runWaitLoop(e, setup);
  return result;
}

int32_t runLinkWait(Engine& e) {
  GraphicsState& g = e.gfx;
  const TextState& t = e.text;
  OpenWait open(e, 2, false, false);
  const int W = e.app.screenWidth, H = e.app.screenHeight;

  endSkipMode(e);
  dropMessages(e, WM_LBUTTONUP);
  dropMessages(e, WM_CHAR);
  clearClickRequests(e);

  // The window as it is now, to take the underlines away again.
  ImageObject& copy = g.buttonPicture;
  createSurface(copy, W, H);
  g.buttonPictureName.clear();
  copyRect(g.displaySurface, 0, 0, copy, 0, 0, W, H);
  postPointerMove(e);

  const int count = std::clamp(t.linkCount, 0, static_cast<int>(t.links.size()));
  const int lineH = t.pitchY;
  auto linkAt = [&](int x, int y) {
    for (int i = count - 1; i >= 0; --i) {
      const LinkRegion& l = t.links[static_cast<size_t>(i)];
      if (x >= l.left && x <= int64_t{l.right} - 1 && y >= l.top && y <= int64_t{l.top} + lineH - 1) return i;
    }
    return -1;
  };
  auto strip = [&](const LinkRegion& l) {
    const int64_t left = std::max<int64_t>(l.left, 0), top = std::max<int64_t>(l.top, 0);
    const int64_t right = std::min<int64_t>(int64_t{l.right} + 1, W), bottom = std::min<int64_t>(int64_t{l.top} + lineH, H);
    return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(std::max(right, left)),
                static_cast<int>(std::max(bottom, top))};
  };
  auto restore = [&](const LinkRegion& l) {
    const Rect r = strip(l);
    if (r.empty()) return;
    copyRect(copy, r.left, r.top, g.displaySurface, r.left, r.top, r.width(), r.height());
    presentDisplay(e, r);
  };
  auto underline = [&](const LinkRegion& l) {
    const int64_t y = int64_t{l.top} + lineH - 2;
    if (y >= 0 && y < H && l.right - 2 >= l.left) {
      const TextRgb& c = t.linkColor;
      const uint32_t colorref = static_cast<uint32_t>(std::clamp(c.b, 0, 255) << 16 | std::clamp(c.g, 0, 255) << 8 |
                                                      std::clamp(c.r, 0, 255));
      const std::string keep = g.displaySurface.name;
      fillSurface(g.displaySurface, l.left, static_cast<int>(y), static_cast<int>(std::min<int64_t>(int64_t{l.right} - 1, W)),
                  static_cast<int>(y + 1), colorref);
      g.displaySurface.name = keep;
    }
    const Rect r = strip(l);
    if (!r.empty()) presentDisplay(e, r);
  };

  int hovered = -1;
  int32_t result = 0;
  WaitSetup setup;
  setup.kind = WaitKind::Button;
  setup.autoX = W / 2;
  setup.autoY = H / 2;
  if (count > 0) {
    const LinkRegion& l = t.links[0];
    setup.autoX = static_cast<int>(std::clamp<int64_t>((int64_t{l.left} + l.right - 1) / 2, 0, W - 1));
    setup.autoY = static_cast<int>(std::clamp<int64_t>(int64_t{l.top} + lineH / 2, 0, H - 1));
  }
  if (hasAutoplayPicker(e.platform)) {
    for (int i = 0; i < count; ++i) {
      const LinkRegion& l = t.links[static_cast<size_t>(i)];
      const int x = static_cast<int>(std::clamp<int64_t>((int64_t{l.left} + l.right - 1) / 2, 0, W - 1));
      const int y = static_cast<int>(std::clamp<int64_t>(int64_t{l.top} + lineH / 2, 0, H - 1));
      const std::string label = "link " + std::to_string(l.number);
      bool seen = false;
      for (const AutoplayOption& o : setup.autoOptions) seen = seen || o.label == label;
      if (!seen && linkAt(x, y) == i) setup.autoOptions.push_back(AutoplayOption{x, y, label});
    }
  }
  auto hoverAt = [&](int x, int y) {
    const int now = linkAt(x, y);
    if (now == hovered) return;
    if (hovered >= 0) restore(t.links[static_cast<size_t>(hovered)]);
    if (now >= 0) underline(t.links[static_cast<size_t>(now)]);
    hovered = now;
  };
  setup.after = [&](const WaitPass& p) {
    if (p.pumped && p.message.message == WM_MOUSEMOVE) hoverAt(lParamX(p.message.lParam), lParamY(p.message.lParam));
    if (const auto arrow = p.pumped ? arrowOf(p.message) : std::nullopt) {
      std::vector<NavPoint> points;
      int current = -1;
      for (int i = 0; i < count; ++i) {
        const LinkRegion& l = t.links[static_cast<size_t>(i)];
        const int x = static_cast<int>(std::clamp<int64_t>((int64_t{l.left} + l.right - 1) / 2, 0, W - 1));
        const int y = static_cast<int>(std::clamp<int64_t>(int64_t{l.top} + lineH / 2, 0, H - 1));
        if (linkAt(x, y) != i) continue;  // covered by a later link
        if (i == hovered) current = static_cast<int>(points.size());
        points.push_back(NavPoint{x, y});
      }
      const int to = moveByKey(e, points, current, *arrow);
      if (to >= 0) hoverAt(points[static_cast<size_t>(to)].x, points[static_cast<size_t>(to)].y);
    }
    if (takeAdvanceRequest(e)) {
      result = hovered >= 0 ? t.links[static_cast<size_t>(hovered)].number : 0;
      return PassResult::End;
    }
    if (takeMenuRequest(e)) {
      result = -1;
      return PassResult::End;
    }
    return PassResult::Continue;
  };
  runWaitLoop(e, setup);

  composeScreen(e, nullptr);
  runEffect(e, 1, 0, std::string(), nullptr);
  releaseImage(copy);
  clearLinks(e);
  return result;
}

namespace {

// The result variable: '%' numeric; a '$' is read but takes nothing.
VarRef readResultVariable(Engine& e, const char* utf8Message) { return readVarRef(e, utf8Message); }

void storeResult(Engine& e, const VarRef& v, int32_t value) {
  if (!v.isString) setNumVar(e, v.index, value);
}

void cmdBtnwait(Engine& e, std::string_view word, bool) {
  const VarRef v = readResultVariable(e, "btnwaitの第一引数は数字変数です。");
  const int32_t r = runButtonWait(e, false, false);
  storeResult(e, v, r);
  // btnwait (not btnwait2) is done with its buttons once one was clicked.
  if (word == "btnwait" && r >= 1) {
    releaseImage(e.gfx.buttonPicture);
    e.gfx.buttonPictureName.clear();
    e.gfx.buttonCount = 0;
    e.gfx.buttonDefaultControl.clear();
  }
}

void cmdTextbtnwait(Engine& e, std::string_view word, bool) {
  const VarRef v = readResultVariable(e, "textbtnwaitの第一引数は数字変数です。");
  storeResult(e, v, runButtonWait(e, true, word == "selectbtnwait"));
}

void cmdTbtnwait(Engine& e, std::string_view, bool) {
  const VarRef v = readResultVariable(e, "tbtnwaitの第一引数は数字変数です。");
  storeResult(e, v, runLinkWait(e));
}

void cmdGetbtntimer(Engine& e, std::string_view, bool) {
  const VarRef v = readResultVariable(e, "getbtntimerの第一引数は数字変数です。");
  storeResult(e, v, e.gfx.lastButtonWaitTime);
}

}  // namespace

void registerButtonWaitCommands(CommandTable& t) {
  t.add("btnwait", cmdBtnwait, {.pattern = "b", .messages = {"btnwaitの第一引数は数字変数です。"}});
  t.add("btnwait2", cmdBtnwait, {.pattern = "b", .messages = {"btnwaitの第一引数は数字変数です。"}});
  t.add("textbtnwait", cmdTextbtnwait, {.pattern = "b", .messages = {"textbtnwaitの第一引数は数字変数です。"}});
  t.add("selectbtnwait", cmdTextbtnwait, {.pattern = "b", .messages = {"textbtnwaitの第一引数は数字変数です。"}});
  t.add("tbtnwait", cmdTbtnwait, {.pattern = "b", .messages = {"tbtnwaitの第一引数は数字変数です。"}});
  t.add("getbtntimer", cmdGetbtntimer, {.pattern = "b", .messages = {"getbtntimerの第一引数は数字変数です。"}});
}

}  // namespace veloria
