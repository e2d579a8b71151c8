// Where the game's picture goes in a window of any size, and back: the real window may be
// resized, full screen or on a HiDPI screen, while the game always sees client pixels
// (screen width x height). Pure arithmetic, so it is tested without a display.
//
// Three coordinate spaces: client pixels (the game's), window points (what the desktop
// reports mouse positions in) and drawable pixels (what the renderer draws; on a HiDPI
// screen a multiple of the points).
#pragma once

namespace veloria {

// How the picture is magnified. Sharp: whole-number steps with hard pixel edges, falling
// back to a smooth fit when even 1x does not fit. Smooth: fills the window, filtered.
enum class ScaleMode { Sharp, Smooth };

// The menu strip's height at 1x, in points.
inline constexpr int kMenuStripHeight = 20;

struct PixelRect {
  int x = 0, y = 0, w = 0, h = 0;
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

struct WindowPoint {
  int x = 0, y = 0;
};

struct ScaleLayout {
  int clientW = 0, clientH = 0;      // game pixels
  int windowW = 0, windowH = 0;      // points
  int drawableW = 0, drawableH = 0;  // pixels
  PixelRect picture;                 // drawable pixels the client picture covers
  PixelRect strip;                   // drawable pixels of the menu strip
  int uiScale = 1;                   // the strip and boxes are drawn this many times their 1x size
  bool sharp = true;                 // nearest-pixel sampling: the picture is a whole multiple

  // Window points to drawable pixels (the pixel under the point's top-left corner).
  WindowPoint toDrawable(int wx, int wy) const;
  // Drawable pixels to the client pixel shown there; outside the client in the borders.
  WindowPoint drawableToClient(int px, int py) const;
  WindowPoint toClient(int wx, int wy) const { auto p = toDrawable(wx, wy); return drawableToClient(p.x, p.y); }
  bool insideClient(WindowPoint c) const { return c.x >= 0 && c.y >= 0 && c.x < clientW && c.y < clientH; }
  // A window point the game sees as this client pixel, the one nearest its middle. (Where
  // the window shows the game at less than a point a pixel, some pixels have none.)
  WindowPoint clientToWindow(int cx, int cy) const;
};

// Lays out a client of cw x ch in a window of ww x wh points drawn on dw x dh pixels.
// Windowed, the strip sits above the picture; full screen it lies over the picture's top.
ScaleLayout computeScaleLayout(int cw, int ch, int ww, int wh, int dw, int dh, ScaleMode mode, bool fullscreen);

// The whole-number magnification for a first window of natural size nw x nh: the requested
// one, lowered until it fits in uw x uh (never below 1).
int fitWholeScale(int requested, int nw, int nh, int uw, int uh);

}  // namespace veloria
