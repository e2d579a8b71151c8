// The sprite table, its commands, and the cell animation step of sprites and standing pictures.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/engine.h"
#include "graphics/enhanced_sprites.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "graphics/text_sprite.h"
#include "script/script.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "text/text.h"

namespace veloria {

namespace {

// In the base language numbers outside the table address no sprite: commands that define
// or change one ignore them, those that require a defined sprite report it as undefined.
Sprite& definedSprite(Engine& e, int n) {
  Sprite* s = namedSprite(e, n);
  if (!s || s->name.empty())
    reportScriptErrorF(e, sj("エラー"), sj("定義されていないスプライト%dを使おうとしました。"), std::to_string(n));
  return *s;
}

void addSprite(Engine& e, const Sprite& s) { addDirtyPicture(e, s.image, s.x, s.y); }

void loadSprite(Engine& e, bool visible) {
  const int n = readNumber(e);
  expectComma(e);
  const std::string name = readString(e);
  expectComma(e);
  const int x = readNumber(e);
  expectComma(e);
  const int y = readNumber(e);
  bool haveAlpha = false;
  int alpha = 0;
  if (optionalArgFollows(e)) {
    expectComma(e);
    alpha = readNumber(e);
    haveAlpha = true;
  }
  hideTextWindow(e);
  Sprite* s = namedSprite(e, n);
  if (!s) return;
  if (!s->name.empty() && s->visible) addSprite(e, *s);
  s->name = name;
  loadImage(e, s->image, name);
  s->x = x;
  s->y = y;
  if (visible) addSprite(e, *s);
  s->visible = visible ? 1 : 0;
  // Stored as given; the blitter clamps levels outside 0..255 when drawing.
  if (haveAlpha) s->image.alphaLevel = alpha;
}

void cmdLsp(Engine& e, std::string_view, bool) { loadSprite(e, true); }
void cmdLsph(Engine& e, std::string_view, bool) { loadSprite(e, false); }

void clearSprite(Engine& e, Sprite& s) {
  if (s.name.empty()) return;
  s.name.clear();
  if (s.visible) addSprite(e, s);
  releaseImage(s.image);
}

void cmdCsp(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  hideTextWindow(e);
  if (n == -1) {
    for (Sprite& s : e.gfx.sprites) clearSprite(e, s);
  } else if (Sprite* s = namedSprite(e, n)) {
    clearSprite(e, *s);
  }
}

void cmdVsp(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const int flag = readNumber(e);
  hideTextWindow(e);
  Sprite& s = definedSprite(e, n);
  if (s.visible != flag) addSprite(e, s);
  s.visible = flag;
}

void moveSprite(Engine& e, bool relative) {
  const int n = readNumber(e);
  expectComma(e);
  const int x = readNumber(e);
  expectComma(e);
  const int y = readNumber(e);
  bool haveAlpha = false;
  int alpha = 0;
  if (optionalArgFollows(e)) {
    expectComma(e);
    alpha = readNumber(e);
    haveAlpha = true;
  }
  hideTextWindow(e);
  Sprite& s = definedSprite(e, n);
  if (s.visible) addSprite(e, s);
  if (relative) {
    s.x = static_cast<int32_t>(static_cast<int64_t>(s.x) + x);
    s.y = static_cast<int32_t>(static_cast<int64_t>(s.y) + y);
  } else {
    s.x = x;
    s.y = y;
  }
  if (s.visible) addSprite(e, s);
  if (haveAlpha) {
    int64_t level = alpha;
    if (relative) level += s.image.alphaLevel == -1 ? 255 : s.image.alphaLevel;
    s.image.alphaLevel = static_cast<int32_t>(std::clamp<int64_t>(level, 0, 255));
  }
}

void cmdMsp(Engine& e, std::string_view, bool) { moveSprite(e, true); }
void cmdAmsp(Engine& e, std::string_view, bool) { moveSprite(e, false); }

void cmdCell(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const int c = readNumber(e);
  Sprite* s = namedSprite(e, n);
  if (!s) return;
  // Any value is kept; the blitter draws nothing for a cell outside the picture.
  s->image.currentCell = c;
  s->image.animStart = e.platform.timeGetTime();
  if (s->visible && !s->name.empty()) addSprite(e, *s);
}

// logsp n, text, x, y [, #colour ...]: sprite n, shown, made of the text as the text log
// viewer draws a page; one cell per colour, white when none is given.
void cmdLogsp(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const std::string text = readString(e);
  expectComma(e);
  const int x = readNumber(e);
  expectComma(e);
  const int y = readNumber(e);
  std::vector<uint32_t> colors;
  while (optionalArgFollows(e)) {
    expectComma(e);
    skipBlanks(e);
    colors.push_back(readColor(e));
  }
  if (colors.empty()) colors.push_back(0xFFFFFF);
  if (n < 0 || n >= kSpriteCount)
    reportScriptErrorF(e, sj("パラメータエラー"), sj("スプライト番号%dは範囲外です。"), std::to_string(n));
  hideTextWindow(e);
  Sprite& s = e.gfx.sprites[static_cast<size_t>(n)];
  if (!s.name.empty() && s.visible) addSprite(e, s);
  s.name.clear();
  if (!renderLogPicture(e, text, colors, s.image)) reportScriptError(e, sj("エラー"), sj("ロード失敗!"));
  // Saved as the text sprite of the same colours and text: a reload draws it on one line.
  std::string name = ":s";
  for (uint32_t c : colors) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06x", c & 0xFFFFFFu);
    name += hex;
  }
  s.name = name + text;
  s.image.name = s.name;
  s.x = x;
  s.y = y;
  s.visible = 1;
  addSprite(e, s);
}

void cmdAllsphide(Engine& e, std::string_view, bool) {
  e.gfx.allSpritesHidden = 1;
  addDirty(e, 0, 0, e.app.screenWidth, e.app.screenHeight);
}

void cmdAllspresume(Engine& e, std::string_view, bool) { e.gfx.allSpritesHidden = 0; }

// A waiting window message other than a timer tick ends the animation pass early.
bool inputPending(Engine& e) {
  if (e.platform.queuedMessageCount() == 0) return false;
  Message m;
  return e.platform.peekMessage(m, WM_NULL, WM_TIMER - 1, false) ||
         e.platform.peekMessage(m, WM_TIMER + 1, 0xFFFFFFFFu, false);
}

// Advances one picture if its interval has passed; true when its cell changed (the caller
// adds the picture's rectangle).
bool stepPicture(ImageObject& im, uint32_t now) {
  const int count = im.cellCount;
  if (im.animMode == ANIM_NONE) return false;
  int64_t interval = im.cellInterval;
  if (im.cellInterval == -1) {
    const int c = std::clamp(im.currentCell, 0, count - 1);
    interval = c < static_cast<int>(im.cellIntervals.size()) ? im.cellIntervals[static_cast<size_t>(c)] : 0;
  }
  if (static_cast<int64_t>(static_cast<uint32_t>(now - im.animStart)) <= interval) return false;
  const int prevCell = im.currentCell, prevStep = im.animStep;
  int cell = prevCell + prevStep;
  if (cell >= count || cell < 0) {
    if (im.animMode == ANIM_LOOP) {
      cell = 0;
    } else if (im.animMode == ANIM_BOUNCE) {
      im.animStep = -prevStep;
      cell = std::clamp(prevCell - prevStep, 0, count - 1);
    } else {
      // Stop on the last cell (mode 1, and modes this engine does not know).
      im.currentCell = count - 1;
      return false;
    }
  }
  im.currentCell = cell;
  im.animStart = now;
  return true;
}

}  // namespace

int spriteLimit(const Engine& e) { return extendedDialect(e) ? kSpriteCount : kBaseSpriteCount; }

Sprite* namedSprite(Engine& e, int n) {
  if (n >= 0 && n < spriteLimit(e)) return &e.gfx.sprites[static_cast<size_t>(n)];
  if (extendedDialect(e))
    reportScriptErrorF(e, sj("パラメータエラー"), sj("スプライト番号%dは範囲外です。"), std::to_string(n));
  return nullptr;
}

bool stepCellAnimations(Engine& e) {
  const uint32_t now = e.platform.timeGetTime();
  bool changed = false;
  bool stopped = false;
  for (Sprite& s : e.gfx.sprites) {
    if (s.name.empty() || !s.visible || s.image.cellCount <= 1) continue;
    if (inputPending(e)) {
      stopped = true;
      break;
    }
    if (stepPicture(s.image, now)) {
      addSprite(e, s);
      changed = true;
    }
  }
  if (!stopped) {
    for (StandImage& s : e.gfx.standImages) {
      if (s.name.empty() || s.image.cellCount <= 1) continue;
      if (inputPending(e)) {
        stopped = true;
        break;
      }
      if (stepPicture(s.image, now)) {
        addDirtyPicture(e, s.image, s.x, s.y);
        changed = true;
      }
    }
  }
  if (!stopped) {
    for (EnhancedSprite& s : e.gfx.enhancedSprites) {
      if (s.name.empty() || !s.visible || s.image.cellCount <= 1) continue;
      if (inputPending(e)) break;
      if (stepPicture(s.image, now)) {
        addEnhancedSpriteDirty(e, s);
        changed = true;
      }
    }
  }
  if (changed) {
    DirtyRect r = e.gfx.dirtyRect;
    composeScreen(e, &r);
    runEffect(e, 1, 0, std::string(), &r);
  }
  return changed;
}

namespace {

// When stepPicture will next change this picture's cell (kNoDeadline: never by itself).
uint32_t nextStep(const ImageObject& im) {
  const int count = im.cellCount;
  if (count <= 1 || im.animMode == ANIM_NONE) return kNoDeadline;
  const int next = im.currentCell + im.animStep;
  // A picture that stops on its last cell stays there.
  if ((next >= count || next < 0) && im.animMode != ANIM_LOOP && im.animMode != ANIM_BOUNCE) return kNoDeadline;
  int64_t interval = im.cellInterval;
  if (im.cellInterval == -1) {
    const int c = std::clamp(im.currentCell, 0, count - 1);
    interval = c < static_cast<int>(im.cellIntervals.size()) ? im.cellIntervals[static_cast<size_t>(c)] : 0;
  }
  return im.animStart + static_cast<uint32_t>(std::clamp<int64_t>(interval + 1, 1, INT32_MAX));
}

}  // namespace

uint32_t nextCellAnimationDue(Engine& e) {
  const uint32_t now = e.platform.timeGetTime();
  uint32_t best = kNoDeadline;
  auto consider = [&](uint32_t t) {
    if (t == kNoDeadline) return;
    if (best == kNoDeadline || static_cast<int32_t>(t - now) < static_cast<int32_t>(best - now)) best = t;
  };
  for (const Sprite& s : e.gfx.sprites)
    if (!s.name.empty() && s.visible) consider(nextStep(s.image));
  for (const StandImage& s : e.gfx.standImages)
    if (!s.name.empty()) consider(nextStep(s.image));
  for (const EnhancedSprite& s : e.gfx.enhancedSprites)
    if (!s.name.empty() && s.visible) consider(nextStep(s.image));
  return best;
}

void registerSpriteCommands(CommandTable& t) {
  t.add("lsp", cmdLsp, "S,p,n,n[,n]");
  t.add("lsph", cmdLsph, "S,p,n,n[,n]");
  t.add("csp", cmdCsp, kOwnCheck);
  t.add("vsp", cmdVsp, "S,n");
  t.add("msp", cmdMsp, "S,n,n[,n]");
  t.add("amsp", cmdAmsp, "S,n,n[,n]");
  t.add("cell", cmdCell, "S,n");
  t.add("allsphide", cmdAllsphide, "");
  t.add("logsp", cmdLogsp, "S,s,n,n{,c}");
  t.add("allspresume", cmdAllspresume, "");
}

}  // namespace veloria
