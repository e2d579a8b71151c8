// A loaded game's scene: the pictures are loaded again from the names the save kept.
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "script/script.h"

namespace veloria {

namespace {

// Loaded as a fresh picture: nothing of the object the running game had carries over.
void reload(Engine& e, ImageObject& obj, const std::string& name) {
  releaseImage(obj);
  if (!name.empty()) loadImage(e, obj, name);
}

}  // namespace

void graphicsAfterLoad(Engine& e) {
  GraphicsState& g = e.gfx;
  const int w = e.app.screenWidth, h = e.app.screenHeight;
  for (ImageObject* s : {&g.displaySurface, &g.composeSurface, &g.effectSurface})
    if (s->hasPicture()) fillSurface(*s, 0, 0, w, h, 0);
  const std::string name = g.backgroundName;
  if (name.size() >= 7 && name[0] == '#') {
    recreateBackground(e);
    fillBackground(e, parseColor(e, std::string_view(name).substr(1, 6)));
  } else if (name == "white" || name == "black" || name.empty()) {
    recreateBackground(e);
    fillBackground(e, name == "white" ? 0xFFFFFF : 0x000000);
  } else {
    loadBackgroundPicture(e, name);
  }
  for (StandImage& s : g.standImages) reload(e, s.image, s.name);
  for (Sprite& s : g.sprites) reload(e, s.image, s.name);
  for (EnhancedSprite& s : g.enhancedSprites) reload(e, s.image, s.name);
  reload(e, g.buttonPicture, g.buttonPictureName);
  // The whole screen at once (effect 1).
  g.dirtyRect = DirtyRect{};
  composeScreen(e, nullptr);
  runEffect(e, 1, 0, std::string(), nullptr);
}

}  // namespace veloria
