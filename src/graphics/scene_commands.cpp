// The scene commands: effect table settings, print, bg, ld, cl, tal and transmode.
#include <algorithm>

#include "engine/engine.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "graphics/scene_links.h"
#include "script/script.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "text/text.h"

namespace veloria {

namespace {

// Types 15 and 18 take a mask picture's name; a plug-in transition takes the library's.
bool takesMask(const Engine& e, int type) {
  return type == 15 || type == 18 || (type == kPluginEffect && extendedDialect(e));
}

void cmdEffect(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const int type = readNumber(e);
  int duration = 0;
  std::string mask;
  if (type != 1 && optionalArgFollows(e)) {
    expectComma(e);
    duration = readNumber(e);
    if (takesMask(e, type) && optionalArgFollows(e)) {
      expectComma(e);
      mask = readString(e);
    }
  }
  if (n < 2 || n > 255)
    reportScriptError(e, sj("パラメータエラー"), sj("effect命令の第一パラメータは2～255です。"));
  EffectSlot& s = e.gfx.effectTable[static_cast<size_t>(n)];
  s.type = type;
  s.duration = duration;
  s.mask = mask;
}

void cmdEffectblank(Engine& e, std::string_view, bool) { e.gfx.effectBlank = readNumber(e); }

void cmdWindoweffect(Engine& e, std::string_view, bool) {
  WindowEffectSetting& w = e.gfx.windowEffect;
  w.type = readNumber(e);
  w.duration = 0;
  w.mask.clear();
  if (w.type != 1 && optionalArgFollows(e)) {
    expectComma(e);
    w.duration = readNumber(e);
    if (takesMask(e, w.type) && optionalArgFollows(e)) {
      expectComma(e);
      w.mask = readString(e).substr(0, 255);
    }
  }
}

void cmdPrint(Engine& e, std::string_view, bool) { runEffectCommand(e); }

}  // namespace

// Makes bgSurface a blank surface of the screen (or background window) size.
void recreateBackground(Engine& e) {
  const BackgroundWindow& bw = e.gfx.bgWindow;
  if (bw.x != -1) createSurface(e.gfx.bgSurface, bw.width, bw.height);
  else createSurface(e.gfx.bgSurface, e.app.screenWidth, e.app.screenHeight);
}

void fillBackground(Engine& e, uint32_t rgb) {
  ImageObject& bg = e.gfx.bgSurface;
  const uint32_t colorref = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  fillSurface(bg, 0, 0, bg.width(), bg.height(), colorref);
}

void loadBackgroundPicture(Engine& e, const std::string& name) {
  GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  g.backgroundName = name;
  loadImage(e, g.bgSurface, name, PictureUse::Plain);
  g.bgSurface.transMode = TRANS_COPY;
  const int w = g.bgSurface.width(), h = g.bgSurface.height();
  if (w == W && h == H) return;
  // Centre it on black.
  std::string keep = g.effectSurface.name;
  fillSurface(g.effectSurface, 0, 0, W, H, 0);
  g.effectSurface.name = keep;
  copyRect(g.bgSurface, 0, 0, g.effectSurface, W / 2 - w / 2, H / 2 - h / 2, w, h);
  createSurface(g.bgSurface, W, H);
  copyRect(g.effectSurface, 0, 0, g.bgSurface, 0, 0, W, H);
}

namespace {

void removeStandImage(Engine& e, StandImage& s) {
  if (!s.name.empty()) addDirtyPicture(e, s.image, s.x, s.y);
  releaseImage(s.image);
  s.name.clear();
}

void cmdBg(Engine& e, std::string_view, bool) {
  GraphicsState& g = e.gfx;
  hideTextWindow(e);
  skipBlanks(e);
  const uint8_t c = currentByte(e);
  if (c == '#') {
    const uint32_t pos = e.script.scriptPos;
    const auto& buf = e.script.scriptBuffer;
    g.backgroundName.assign(reinterpret_cast<const char*>(buf.data()) + pos,
                            std::min<size_t>(7, buf.size() - pos));
    const uint32_t rgb = readColor(e);
    recreateBackground(e);
    fillBackground(e, rgb);
  } else if (c == '"') {
    loadBackgroundPicture(e, readString(e));
  } else {
    const uint32_t pos = scriptPosition(e);
    const std::string word = readWord(e);
    if (word == "black" || word == "white") {
      g.backgroundName = word;
      recreateBackground(e);
      fillBackground(e, word == "black" ? 0x000000 : 0xFFFFFF);
    } else {
      setScriptPosition(e, pos);
      loadBackgroundPicture(e, readString(e));
    }
  }
  for (StandImage& s : g.standImages) {
    releaseImage(s.image);
    s.name.clear();
  }
  g.dirtyRect = DirtyRect{0, 0, e.app.screenWidth, e.app.screenHeight};
  expectComma(e);
  runEffectCommand(e);
}

int standIndex(char c) {
  switch (c) {
    case 'l': return STAND_LEFT;
    case 'c': return STAND_CENTRE;
    case 'r': return STAND_RIGHT;
    default: return -1;
  }
}

void cmdLd(Engine& e, std::string_view, bool) {
  GraphicsState& g = e.gfx;
  hideTextWindow(e);
  const int i = standIndex(readLetter(e));
  expectComma(e);
  if (i < 0) {
    runEffectCommand(e);
    return;
  }
  StandImage& s = g.standImages[static_cast<size_t>(i)];
  const std::string name = readString(e);
  expectComma(e);
  if (!s.name.empty()) addDirtyPicture(e, s.image, s.x, s.y);
  s.name = name;
  loadImage(e, s.image, name);
  s.x = g.standCentreX[static_cast<size_t>(i)] - s.image.visibleWidth() / 2;
  s.y = underlineOf(e) - s.image.height();
  addDirtyPicture(e, s.image, s.x, s.y);
  runEffectCommand(e);
}

void cmdCl(Engine& e, std::string_view, bool) {
  hideTextWindow(e);
  const char c = readLetter(e);
  if (c == 'a') {
    for (StandImage& s : e.gfx.standImages) removeStandImage(e, s);
  } else if (int i = standIndex(c); i >= 0) {
    removeStandImage(e, e.gfx.standImages[static_cast<size_t>(i)]);
  }
  expectComma(e);
  runEffectCommand(e);
}

void cmdTal(Engine& e, std::string_view, bool) {
  hideTextWindow(e);
  const int i = standIndex(readLetter(e));
  expectComma(e);
  const int level = readNumber(e);
  expectComma(e);
  if (i >= 0) {
    StandImage& s = e.gfx.standImages[static_cast<size_t>(i)];
    s.image.alphaLevel = std::clamp(level, 0, 255);
    addDirtyPicture(e, s.image, s.x, s.y);
  }
  runEffectCommand(e);
}

void cmdTransmode(Engine& e, std::string_view, bool) {
  const std::string w = readWord(e);
  if (w == "leftup") e.gfx.defaultTransMode = TRANS_LEFTUP;
  else if (w == "copy") e.gfx.defaultTransMode = TRANS_COPY;
  else if (w == "alpha") e.gfx.defaultTransMode = TRANS_ALPHA;
}

}  // namespace

void runEffectCommand(Engine& e) {
  GraphicsState& g = e.gfx;
  const int n = readNumber(e);
  hideTextWindow(e);
  int type, duration = 0;
  std::string mask;
  if (optionalArgFollows(e)) {
    type = n;
    expectComma(e);
    duration = readNumber(e);
    if (optionalArgFollows(e)) {
      expectComma(e);
      mask = readString(e);
    }
  } else {
    if (n == 0) return;
    // An effect number outside the table has never been defined.
    if (n < 0 || n >= kEffectSlots) {
      type = -1;
    } else {
      const EffectSlot& s = g.effectTable[static_cast<size_t>(n)];
      type = s.type;
      duration = s.duration;
      mask = s.mask;
    }
  }
  const DirtyRect r = g.dirtyRect;
  composeScreen(e, &r);
  runEffect(e, type, duration, mask, &r);
}

void registerSceneCommands(CommandTable& t) {
  t.add("effect", cmdEffect, kOwnCheck);
  t.add("effectblank", cmdEffectblank, "n");
  t.add("windoweffect", cmdWindoweffect, kOwnCheck);
  t.add("print", cmdPrint, "e");
  t.add("bg", cmdBg, kOwnCheck);
  t.add("ld", cmdLd, kOwnCheck);
  t.add("cl", cmdCl, kOwnCheck);
  t.add("tal", cmdTal, kOwnCheck);
  t.add("transmode", cmdTransmode, "w");
}

}  // namespace veloria
