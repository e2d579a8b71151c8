// The button table, the commands that fill it (btndef, btn, spbtn, cselbtn, btncancel,
// maskbtn, btntime) and the hover looks of the three kinds of buttons.
#include "graphics/buttons.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "engine/command_table.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "text/text.h"

namespace veloria {

namespace {

int32_t clampInt(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Appends a button; the table holds 256 and a definition beyond that is refused (an error
// in the extended dialect, a note in the base language).
void appendButton(Engine& e, Button b) {
  GraphicsState& g = e.gfx;
  if (g.buttonCount >= kButtonSlots) {
    if (extendedDialect(e)) reportScriptError(e, sj("パラメータエラー"), sj("ボタンが多すぎます。"));
    std::fprintf(stderr, "veloria: the button table is full (%d buttons); button %d is not defined\n", kButtonSlots,
                 b.number);
    return;
  }
  b.right = clampInt(int64_t{b.x} + b.width - 1);
  b.bottom = clampInt(int64_t{b.y} + b.height - 1);
  g.buttons[static_cast<size_t>(std::max(g.buttonCount, 0))] = b;
  g.buttonCount = std::max(g.buttonCount, 0) + 1;
}

void cmdBtndef(Engine& e, std::string_view, bool) {
  GraphicsState& g = e.gfx;
  skipBlanks(e);
  const uint32_t pos = scriptPosition(e);
  const uint8_t c = currentByte(e);
  bool clear = false;
  if (c != '"' && c != '$' && c != '(' && c != '[') {
    clear = readWord(e) == "clear";
    if (!clear) setScriptPosition(e, pos);  // a string alias
  }
  std::string name;
  if (!clear) name = readString(e);
  g.buttonCount = 0;
  g.buttonTimeout = -1;
  g.buttonMask = -1;
  g.buttonDefaultControl.clear();
  if (clear) return;
  if (name.empty()) {
    releaseImage(g.buttonPicture);
    g.buttonPictureName.clear();
    return;
  }
  g.buttonPictureName = name;
  loadImage(e, g.buttonPicture, name, PictureUse::Plain);
}

// btn number, x, y, width, height, source x, source y
void cmdBtn(Engine& e, std::string_view, bool) {
  int32_t a[7];
  for (int i = 0; i < 7; ++i) {
    if (i) expectComma(e);
    a[i] = readNumber(e);
  }
  Button b;
  b.kind = ButtonKind::Image;
  b.number = a[0];
  b.x = a[1];
  b.y = a[2];
  b.width = a[3];
  b.height = a[4];
  b.sourceX = a[5];
  b.sourceY = a[6];
  appendButton(e, b);
}

// spbtn sprite, number: a button over the sprite as it is now; exbtn adds a control string.
void cmdSpbtn(Engine& e, std::string_view word, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const int number = readNumber(e);
  std::string control;
  if (word == "exbtn") {
    expectComma(e);
    control = readString(e);
  }
  const Sprite* sp = namedSprite(e, n);
  if (!sp) return;  // no such sprite: no button
  const Sprite& s = *sp;
  Button b;
  b.kind = ButtonKind::Sprite;
  b.number = number;
  b.x = s.x;
  b.y = s.y;
  b.width = s.image.visibleWidth();
  b.height = s.image.height();
  b.sourceY = ~n;
  b.control = std::move(control);
  appendButton(e, b);
}

// cselbtn choice index, number, x, y: a button made of the choice text, one line high.
void cmdCselbtn(Engine& e, std::string_view, bool) {
  const int index = readNumber(e);
  expectComma(e);
  const int number = readNumber(e);
  expectComma(e);
  const int x = readNumber(e);
  expectComma(e);
  const int y = readNumber(e);
  Button b;
  b.kind = ButtonKind::Text;
  b.number = number;
  b.x = x;
  b.y = y;
  // An index without a text gives a button of no width, which nothing can hover.
  const std::string* text = cselText(e, index);
  b.width = text ? clampInt(static_cast<int64_t>(text->size()) * e.text.pitchX / 2) : 0;
  b.height = e.text.pitchY;
  b.sourceX = ~index;
  appendButton(e, b);
}

// exbtn_d s: the control string for no button under the pointer (checked when applied).
void cmdExbtnD(Engine& e, std::string_view, bool) { e.gfx.buttonDefaultControl = readString(e); }

void cmdBtntime(Engine& e, std::string_view, bool) { e.gfx.buttonTimeout = readNumber(e); }
void cmdMaskbtn(Engine& e, std::string_view, bool) { e.gfx.buttonMask = readNumber(e); }

void cmdBtncancel(Engine& e, std::string_view, bool) {
  GraphicsState& g = e.gfx;
  const int n = readNumber(e);
  // Never below 0, and never above what is defined (a negative n would bring back stale
  // entries).
  g.buttonCount = static_cast<int32_t>(std::clamp<int64_t>(int64_t{g.buttonCount} - n, 0, g.buttonCount));
}

void cmdBtnnowindowerase(Engine& e, std::string_view, bool) { e.gfx.buttonNoErase = 1; }

// The part of a button's rectangle on the screen (right and bottom exclusive); false when
// none of it is.
bool onScreen(const Engine& e, const Button& b, Rect& out) {
  const int64_t l = std::max<int64_t>(b.x, 0), t = std::max<int64_t>(b.y, 0);
  const int64_t r = std::min<int64_t>(b.right, e.app.screenWidth - 1);
  const int64_t bt = std::min<int64_t>(b.bottom, e.app.screenHeight - 1);
  if (r < l || bt < t) return false;
  out = Rect{static_cast<int>(l), static_cast<int>(t), static_cast<int>(r + 1), static_cast<int>(bt + 1)};
  return true;
}

// An image button's normal look is the composed frame under it.
void copyNormalLook(Engine& e, const Rect& r) {
  GraphicsState& g = e.gfx;
  copyRect(g.composeSurface, r.left, r.top, g.displaySurface, r.left, r.top, r.width(), r.height());
}

Sprite* buttonSprite(Engine& e, const Button& b) {
  const int n = ~b.sourceY;
  if (n < 0 || n >= kSpriteCount) return nullptr;
  return &e.gfx.sprites[static_cast<size_t>(n)];
}

}  // namespace

int buttonAt(const Engine& e, int x, int y) {
  const GraphicsState& g = e.gfx;
  for (int i = std::min(g.buttonCount, kButtonSlots) - 1; i >= 0; --i) {
    const Button& b = g.buttons[static_cast<size_t>(i)];
    if (b.number <= g.buttonMask) continue;
    if (x >= b.x && x <= b.right && y >= b.y && y <= b.bottom) return i;
  }
  return -1;
}

void showButtonLook(Engine& e, const Button& b, bool hovered) {
  GraphicsState& g = e.gfx;
  switch (b.kind) {
    case ButtonKind::Sprite: {
      if (!buttonSprite(e, b)) return;
      setSpriteButtonLook(e, b, hovered);
      const DirtyRect r = g.dirtyRect;
      composeScreen(e, &r);
      runEffect(e, 1, 0, std::string(), &r);
      return;
    }
    case ButtonKind::Text: {
      const std::string* text = cselText(e, ~b.sourceX);
      if (!text) return;
      // drawString takes negative positions as absolute pixels.
      int32_t column = -b.x, line = -b.y;
      drawString(e, *text, column, line, hovered ? selectColors(e).over : selectColors(e).normal);
      return;
    }
    case ButtonKind::Image: {
      // Only the part on the screen is copied.
      Rect r;
      if (!onScreen(e, b, r)) return;
      if (hovered)
        copyRect(g.buttonPicture, clampInt(int64_t{b.sourceX} + (r.left - int64_t{b.x})),
                 clampInt(int64_t{b.sourceY} + (r.top - int64_t{b.y})), g.displaySurface, r.left, r.top, r.width(),
                 r.height());
      else
        copyNormalLook(e, r);
      presentDisplay(e, r);
      return;
    }
  }
}

void setSpriteButtonLook(Engine& e, const Button& b, bool hovered) {
  Sprite* s = buttonSprite(e, b);
  if (!s) return;
  // A one-cell picture keeps its only cell rather than showing nothing.
  s->image.currentCell = hovered ? std::min(1, std::max(s->image.cellCount - 1, 0)) : 0;
  s->visible = 1;
  addDirtyPicture(e, s->image, s->x, s->y);
}

void showImageButtonsNormal(Engine& e, int except) {
  const GraphicsState& g = e.gfx;
  Rect all{0, 0, 0, 0};
  bool any = false;
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i) {
    const Button& b = g.buttons[static_cast<size_t>(i)];
    Rect r;
    if (i == except || b.kind != ButtonKind::Image || !onScreen(e, b, r)) continue;
    copyNormalLook(e, r);
    all = any ? Rect{std::min(all.left, r.left), std::min(all.top, r.top), std::max(all.right, r.right),
                     std::max(all.bottom, r.bottom)}
              : r;
    any = true;
  }
  // One picture for all of them: a menu of many buttons does not flicker through its redraws.
  if (any) presentDisplay(e, all);
}

void firstButtonPoint(const Engine& e, int& x, int& y) {
  const GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  x = W / 2;
  y = H / 2;
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i) {
    const Button& b = g.buttons[static_cast<size_t>(i)];
    if (b.number <= g.buttonMask) continue;
    // The visible part of its rectangle; a button wholly off the screen cannot be clicked.
    const int64_t l = std::max<int64_t>(b.x, 0), t = std::max<int64_t>(b.y, 0);
    const int64_t r = std::min<int64_t>(b.right, W - 1), bt = std::min<int64_t>(b.bottom, H - 1);
    if (r < l || bt < t) continue;
    x = static_cast<int>((l + r) / 2);
    y = static_cast<int>((t + bt) / 2);
    return;
  }
}

std::vector<AutoplayOption> clickableButtons(const Engine& e) {
  const GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  std::vector<AutoplayOption> out;
  std::vector<int32_t> seen;  // buttons with one number answer alike: one option
  for (int i = 0; i < std::min(g.buttonCount, kButtonSlots); ++i) {
    const Button& b = g.buttons[static_cast<size_t>(i)];
    if (b.number <= g.buttonMask || std::find(seen.begin(), seen.end(), b.number) != seen.end()) continue;
    const int64_t l = std::max<int64_t>(b.x, 0), t = std::max<int64_t>(b.y, 0);
    const int64_t r = std::min<int64_t>(b.right, W - 1), bt = std::min<int64_t>(b.bottom, H - 1);
    if (r < l || bt < t) continue;
    // Its centre, or where a later button covers that, a corner still its own.
    const int64_t points[5][2] = {{(l + r) / 2, (t + bt) / 2}, {l, t}, {r, t}, {l, bt}, {r, bt}};
    for (const auto& p : points) {
      const int x = static_cast<int>(p[0]), y = static_cast<int>(p[1]);
      if (buttonAt(e, x, y) != i) continue;
      out.push_back(AutoplayOption{x, y, "button " + std::to_string(b.number)});
      seen.push_back(b.number);
      break;
    }
  }
  return out;
}

void resetButtons(Engine& e) {
  GraphicsState& g = e.gfx;
  releaseImage(g.buttonPicture);
  g.buttonPictureName.clear();
  g.buttonCount = 0;
  g.buttonTimeout = -1;
  g.buttonMask = -1;
  g.buttonDefaultControl.clear();
}

void registerButtonCommands(CommandTable& t) {
  t.add("btndef", cmdBtndef, kOwnCheck);
  t.add("btn", cmdBtn, "n,n,n,n,n,n,n");
  t.add("spbtn", cmdSpbtn, "S,n");
  t.add("exbtn", cmdSpbtn, kOwnCheck);
  t.add("exbtn_d", cmdExbtnD, kOwnCheck);
  t.add("cselbtn", cmdCselbtn, "n,n,n,n");
  t.add("btntime", cmdBtntime, "n");
  t.add("btntimer", cmdBtntime, "n");
  t.add("maskbtn", cmdMaskbtn, "n");
  t.add("btncancel", cmdBtncancel, "n");
  t.add("btnnowindowerase", cmdBtnnowindowerase, "");
  registerButtonWaitCommands(t);
}

}  // namespace veloria
