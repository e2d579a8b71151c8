// Life cycle of the graphics state: surfaces, defaults, resets and the command table.
#include "graphics/graphics.h"

#include "engine/engine.h"
#include "graphics/buttons.h"
#include "graphics/graphics_commands.h"

namespace veloria {

void createScreenSurfaces(Engine& e) {
  GraphicsState& g = e.gfx;
  const int w = e.app.screenWidth, h = e.app.screenHeight;
  createSurface(g.displaySurface, w, h);
  createSurface(g.composeSurface, w, h);
  createSurface(g.effectSurface, w, h);
  createSurface(g.bgSurface, w, h);
  g.standCentreX = {w / 4, w / 2, 3 * w / 4};
}

SurfaceView displaySurfaceView(Engine& e) { return e.gfx.displaySurface.view(); }

void presentDisplay(Engine& e, Rect r) { e.platform.present(e.gfx.displaySurface.view(), r); }

void copyScreenPicture(Engine& e, ImageObject& out) {
  const ImageObject& d = e.gfx.displaySurface;
  createSurface(out, d.dib.width, d.dib.height);
  copyRect(d, 0, 0, out, 0, 0, d.dib.width, d.dib.height);
}

void restoreScreenPicture(Engine& e, const ImageObject& copy) {
  ImageObject& d = e.gfx.displaySurface;
  copyRect(copy, 0, 0, d, 0, 0, copy.dib.width, copy.dib.height);
  presentDisplay(e, Rect{0, 0, d.dib.width, d.dib.height});
}

void fillScreenPicture(Engine& e, Rect r, uint32_t rgb) {
  const uint32_t colorref = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  fillSurface(e.gfx.displaySurface, r.left, r.top, r.right, r.bottom, colorref);
  presentDisplay(e, r);
}

void graphicsRestoreDefaults(Engine& e) {
  GraphicsState& g = e.gfx;
  g.defaultTransMode = 0;
  g.optionalImage = 0;
  g.effectBlank = 30;
  g.windowEffect = WindowEffectSetting{};
  g.bgWindow = BackgroundWindow{};
  // The effect table is filled by the define block, so it starts over with each engine
  // cycle rather than at the game's reset (which runs after the define pass).
  for (EffectSlot& s : g.effectTable) s = EffectSlot{};
  g.effectTable[0].type = 0;
  g.effectTable[1].type = 1;
}

void graphicsResetGame(Engine& e) {
  GraphicsState& g = e.gfx;
  for (Sprite& s : g.sprites) {
    releaseImage(s.image);
    s.name.clear();
    s.visible = 0;
    s.x = s.y = 0;
  }
  for (BarSlot& b : g.bars) b = BarSlot{};
  for (NumberSlot& n : g.numbers) n = NumberSlot{};
  g.monochrome = 0;
  g.negaMode = 0;
  resetButtons(e);
  for (EnhancedSprite& s : g.enhancedSprites) s = EnhancedSprite{};
  g.allSpritesHidden = 0;
  g.backgroundName = "black";
  for (StandImage& s : g.standImages) {
    releaseImage(s.image);
    s.name.clear();
    s.x = s.y = 0;
  }
  const int w = e.app.screenWidth, h = e.app.screenHeight;
  g.standCentreX = {w / 4, w / 2, 3 * w / 4};
  g.dirtyRect = DirtyRect{};
  // Every screen surface black, and the window shows it.
  if (g.bgSurface.dib.width != w || g.bgSurface.dib.height != h || g.bgSurface.dib.bitCount != 24)
    createSurface(g.bgSurface, w, h);
  for (ImageObject* s : {&g.displaySurface, &g.composeSurface, &g.effectSurface, &g.bgSurface})
    fillSurface(*s, 0, 0, w, h, 0);
  presentDisplay(e, Rect{0, 0, w, h});
}

void registerGraphicsCommands(CommandTable& t) {
  registerSceneCommands(t);
  registerSpriteCommands(t);
  registerEnhancedSpriteCommands(t);
  registerDrawCommands(t);
  registerButtonCommands(t);
}

}  // namespace veloria
