// Pictures and off-screen surfaces (the types are in engine/picture.h): the blend table and
// the one software blitter every layered picture goes through.
//
// Surfaces made by createSurface are always 24-bit. Loaded pictures may also be 1-, 4- or 8-bit with a palette (16- and 32-bit
// files are widened to 24 bits when they are read).
#pragma once

#include <array>
#include <cstdint>
#include <vector>
#include "engine/picture.h"
#include "platform/platform.h"

namespace veloria {

struct Engine;

// MulTable[a * 256 + b] = a * b / 255 (integer division). Every blend is a sum of two
// look-ups, each truncated on its own.
extern const std::array<uint8_t, 65536> MulTable;
inline uint8_t mul255(unsigned a, unsigned b) { return MulTable[(a << 8) | b]; }

// Releases what the object holds, then makes a blank (black) picture of that size and depth.
// Only depth 24 is used for surfaces; 1, 4 and 8 give a zeroed palette.
void createSurface(ImageObject& obj, int width, int height, int depth = 24);
// Frees the picture and clears the name; the tag attributes stay until the next load.
void releaseImage(ImageObject& obj);
// Fills left..right-1, top..bottom-1 with 0x00BBGGRR and clears the name.
void fillSurface(ImageObject& obj, int left, int top, int right, int bottom, uint32_t colorref);
// Plain block transfer (no transparency) of a w x h area into a 24-bit target, clipped to both
// pictures. Palette sources are looked up, so 1- and 4-bit pictures show normally here.
void copyRect(const ImageObject& src, int srcX, int srcY, ImageObject& dst, int dstX, int dstY, int w, int h);

// The blitter: draws `src` (its current cell, with its transparency mode and alpha level) at
// (x, y) into the 24-bit `dst`, clipped to `clip` (or the whole target) and to the screen.
void drawImage(const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y, int screenWidth,
               int screenHeight);
void drawImage(Engine& e, const ImageObject& src, ImageObject& dst, const ClipRect* clip, int x, int y);

// A picture at a place in a stack of pictures.
struct Layer {
  const ImageObject* image;
  int x, y;
};
// Draws the layers from the first (at the back) to the last, as one drawImage after another.
void drawLayers(const std::vector<Layer>& layers, ImageObject& dst, const ClipRect* clip, int screenWidth,
                int screenHeight);

// Screen size from the engine (640x480, or 800x600 in the large mode).
int screenWidthOf(const Engine& e);
int screenHeightOf(const Engine& e);

}  // namespace veloria
