// Enhanced sprites: pictures scaled, mirrored and rotated about their centre and drawn with
// an opacity, in front of every ordinary sprite. The drawing is an inverse mapping: every
// screen pixel of the picture's bounding box looks up the source pixel it shows (nearest
// neighbour), so the cost follows the box, not the picture.
#pragma once

#include <cstdint>

#include "engine/graphics_state.h"
#include "graphics/image.h"

namespace veloria {

struct Engine;

// Where and how a picture is drawn: its centre, scales in percent (negative mirrors), the
// angle in degrees (positive turns it counter-clockwise on the screen), opacity 0..255.
struct SpriteTransform {
  int32_t x = 0, y = 0;
  int32_t scaleX = 100, scaleY = 100, angle = 0, opacity = 255;
};

// The screen pixels (inclusive edges) the transformed current cell may cover. False when it
// covers none: no picture, an empty cell, or a scale of 0.
bool transformedBox(const ImageObject& src, const SpriteTransform& t, ClipRect& box);

// Draws the current cell of `src` transformed into the 24-bit `dst`, clipped to `clip`
// (inclusive) and to `dst`. Each pixel's weight is its coverage by the picture's transparency
// mode times the opacity, blended with MulTable as the blitter does.
void drawTransformed(const ImageObject& src, const SpriteTransform& t, ImageObject& dst, const ClipRect& clip);

// The composition step: every defined, visible enhanced sprite from 255 down to 0, into
// composeSurface within `area`; nothing while all sprites are hidden.
void drawEnhancedSprites(Engine& e, const ClipRect& area);

// Adds the sprite's bounding box to dirtyRect (nothing for one that covers no pixel).
void addEnhancedSpriteDirty(Engine& e, const EnhancedSprite& s);

inline SpriteTransform transformOf(const EnhancedSprite& s) {
  return SpriteTransform{s.x, s.y, s.scaleX, s.scaleY, s.angle, s.opacity};
}

}  // namespace veloria
