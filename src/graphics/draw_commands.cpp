// The drawing commands outside the scene proper: bars and numbers (drawn by composeScreen),
// the colour filters, the background window, screen shakes, direct copies to and from the
// window, and the author tools that write picture files (bw2a, bw2a2, bmpcut).
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "graphics/decoders.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"

namespace veloria {

namespace {

// A colour argument: blanks, then #rrggbb (the reader's colour error otherwise).
uint32_t readColorArg(Engine& e) {
  skipBlanks(e);
  const uint32_t rgb = readColor(e);
  skipBlanks(e);
  return rgb;
}

void addWholeScreen(Engine& e) { addDirty(e, 0, 0, e.app.screenWidth, e.app.screenHeight); }

// Adds a slot's rectangle, computed wide so that script values near the 32-bit limits
// cannot wrap into a rectangle on the other side of the screen.
void addSlotRect(Engine& e, int32_t x, int32_t y, int64_t w, int64_t h) {
  auto clampInt = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  addDirty(e, x, y, clampInt(int64_t{x} + w), clampInt(int64_t{y} + h));
}

// bar n, value, x, y, width, height, maximum, #rrggbb
void cmdBar(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  BarSlot b;
  b.value = readNumber(e);
  expectComma(e);
  b.x = readNumber(e);
  expectComma(e);
  b.y = readNumber(e);
  expectComma(e);
  b.width = readNumber(e);
  expectComma(e);
  b.height = readNumber(e);
  expectComma(e);
  b.maximum = readNumber(e);
  expectComma(e);
  b.color = readColorArg(e);
  // Slots outside 0..99 do not exist: the command reads its arguments and does nothing.
  if (n < 0 || n >= kBarSlots) return;
  BarSlot& slot = e.gfx.bars[static_cast<size_t>(n)];
  if (slot.x != -1) addSlotRect(e, slot.x, slot.y, slot.width, slot.height);
  slot = b;
  addSlotRect(e, b.x, b.y, b.width, b.height);
}

void cmdBarclear(Engine& e, std::string_view, bool) {
  for (BarSlot& b : e.gfx.bars) b = BarSlot{};
}

// prnum n, value, x, y, u, v, #rrggbb
void cmdPrnum(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  NumberSlot s;
  s.value = readNumber(e);
  expectComma(e);
  s.x = readNumber(e);
  expectComma(e);
  s.y = readNumber(e);
  expectComma(e);
  s.u = readNumber(e);
  expectComma(e);
  s.v = readNumber(e);
  expectComma(e);
  s.color = readColorArg(e);
  if (n < 0 || n >= kNumberSlots) return;
  NumberSlot& slot = e.gfx.numbers[static_cast<size_t>(n)];
  if (slot.x != -1) addSlotRect(e, slot.x, slot.y, 3 * int64_t{slot.u}, slot.v);
  slot = s;
  addSlotRect(e, s.x, s.y, 3 * int64_t{s.u}, s.v);
}

void cmdPrnumclear(Engine& e, std::string_view, bool) {
  for (NumberSlot& n : e.gfx.numbers) n = NumberSlot{};
}

void cmdMonocro(Engine& e, std::string_view, bool) {
  GraphicsState& g = e.gfx;
  skipBlanks(e);
  if (currentByte(e) == '#') {
    const uint32_t rgb = readColorArg(e);
    g.monochrome = 1;
    g.monoRed = static_cast<int32_t>((rgb >> 16) & 0xFF);
    g.monoGreen = static_cast<int32_t>((rgb >> 8) & 0xFF);
    g.monoBlue = static_cast<int32_t>(rgb & 0xFF);
  } else if (readWord(e) == "off") {
    g.monochrome = 0;
  } else {
    reportScriptError(e, sj("構文エラー"),
                      sj("monocro命令の次は#rrggbbで色指定、もしくは、offでモノクロ指定を解除、です。"));
  }
  addWholeScreen(e);
}

void cmdNega(Engine& e, std::string_view, bool) {
  e.gfx.negaMode = readNumber(e);
  addWholeScreen(e);
}

void cmdBgalia(Engine& e, std::string_view, bool) {
  BackgroundWindow w;
  w.x = readNumber(e);
  expectComma(e);
  w.y = readNumber(e);
  expectComma(e);
  w.width = readNumber(e);
  expectComma(e);
  w.height = readNumber(e);
  // The next colour background is made at this size: a window larger than the screen
  // shows nothing more, so the size is kept within the screen (and never negative).
  w.width = std::clamp(w.width, 0, e.app.screenWidth);
  w.height = std::clamp(w.height, 0, e.app.screenHeight);
  e.gfx.bgWindow = w;
}

// ---- quakes ----

// One shaken frame: displaySurface moved by (dx, dy), the uncovered strips black. Built in the
// effect scratch surface and shown whole; displaySurface itself does not change.
// `loseEdgeLine`: quakex and quakey also blacken the edge line next to a strip left or above.
void showShifted(Engine& e, int dx, int dy, bool loseEdgeLine) {
  GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  ImageObject& f = g.effectSurface;
  const std::string keep = f.name;
  fillSurface(f, 0, 0, W, H, 0);
  copyRect(g.displaySurface, 0, 0, f, dx, dy, W, H);
  if (loseEdgeLine && dx < 0) fillSurface(f, W + dx - 1, 0, W, H, 0);
  if (loseEdgeLine && dy < 0) fillSurface(f, 0, H + dy - 1, W, H, 0);
  f.name = keep;
  e.platform.present(f.view(), Rect{0, 0, W, H});
}

// Shakes the window picture: `amplitude` passes of 16 frames, each pass reaching out to
// both sides and back, the reach shrinking by one pass's share each time. `unitReach` and
// `unitStep` are the reach and step per amplitude unit (16 and 4 across, 12 and 3 down).
void quake(Engine& e, bool horizontal, int amplitude, int duration) {
  if (amplitude <= 0) return;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  if (!e.gfx.displaySurface.hasPicture() || !e.gfx.effectSurface.hasPicture()) return;
  const int unitReach = horizontal ? 16 : 12, unitStep = horizontal ? 4 : 3;
  // At screen size / unit reach the picture already leaves the screen at the peak; larger
  // amplitudes only add frames of black, so they are taken as that limit.
  const int n = std::min(amplitude, std::max(1, (horizontal ? W : H) / unitReach));
  const int64_t frameMs = int64_t{duration} / (16 * n);
  int frame = 0;
  auto show = [&](int offset) {
    const uint32_t start = e.platform.timeGetTime();
    showShifted(e, horizontal ? offset : 0, horizontal ? 0 : offset, true);
    if (e.gfx.effectFrameHook) e.gfx.effectFrameHook(e, horizontal ? kQuakeXFrames : kQuakeYFrames, frame);
    ++frame;
    waitPumpOne(e);
    if (frameMs > 0) waitUntil(e, start + static_cast<uint32_t>(frameMs));
  };
  int reach = unitReach * n, step = unitStep * n;
  for (int pass = 0; pass < n; ++pass) {
    int offset = 0;
    while (offset < reach) {
      show(offset);
      offset += step;
    }
    while (offset > 0) {
      show(offset);
      offset -= step;
    }
    while (offset > -reach) {
      show(offset);
      offset -= step;
    }
    while (offset < 0) {
      show(offset);
      offset += step;
    }
    reach -= unitReach;
    step -= unitStep;
  }
  presentDisplay(e, Rect{0, 0, W, H});
}

void readQuake(Engine& e, bool horizontal) {
  const int amplitude = readNumber(e);
  expectComma(e);
  const int duration = readNumber(e);
  quake(e, horizontal, amplitude, duration);
}

void cmdQuakex(Engine& e, std::string_view, bool) { readQuake(e, true); }
void cmdQuakey(Engine& e, std::string_view, bool) { readQuake(e, false); }

// quake n, ms: 16 n frames sharing the time, each moved by a random amount in both
// directions whose reach shrinks from 8 n to nothing; then the picture is back in place.
// Like the other shakes it neither composes nor changes dirtyRect.
void cmdQuake(Engine& e, std::string_view, bool) {
  const int amount = readNumber(e);
  expectComma(e);
  const int duration = readNumber(e);
  GraphicsState& g = e.gfx;
  if (amount <= 0 || !g.displaySurface.hasPicture() || !g.effectSurface.hasPicture()) return;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  // A reach past the screen's size only shows black; larger amounts would just make more
  // frames of the same time, so they are taken as that limit.
  const int64_t n = std::min(amount, std::max(1, std::max(W, H) / 8));
  const int64_t frames = 16 * n;
  const int64_t frameMs = std::max<int64_t>(int64_t{duration} / frames, 1);
  for (int64_t f = 0; f < frames; ++f) {
    const uint32_t start = e.platform.timeGetTime();
    const int64_t reach = 8 * n * (frames - f) / frames;
    auto draw = [&] { return static_cast<int>(nextRandom(e) % (2 * reach + 1) - reach); };
    const int dx = draw();
    const int dy = draw();
    showShifted(e, dx, dy, false);
    if (g.effectFrameHook) g.effectFrameHook(e, kQuakeFrames, static_cast<int>(f));
    waitPumpOne(e);
    waitUntil(e, start + static_cast<uint32_t>(frameMs));
  }
  presentDisplay(e, Rect{0, 0, W, H});
}

// ---- copies to and from the window ----

// blt dx, dy, dw, dh, sx, sy[, sw, sh]: a nearest-pixel stretch of the button picture's
// rectangle straight onto the window. Only the part on the screen is worked out; source
// pixels outside the picture come out black. Non-positive sizes draw nothing.
void cmdBlt(Engine& e, std::string_view, bool) {
  int32_t a[8];
  for (int i = 0; i < 6; ++i) {
    if (i) expectComma(e);
    a[i] = readNumber(e);
  }
  a[6] = a[2];
  a[7] = a[3];
  if (optionalArgFollows(e)) {
    expectComma(e);
    a[6] = readNumber(e);
    expectComma(e);
    a[7] = readNumber(e);
  }
  const int64_t dx = a[0], dy = a[1], dw = a[2], dh = a[3], sx = a[4], sy = a[5], sw = a[6], sh = a[7];
  const ImageObject& bp = e.gfx.buttonPicture;
  if (!bp.hasPicture() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const int64_t x0 = std::max<int64_t>(dx, 0), x1 = std::min<int64_t>(dx + dw, e.app.screenWidth);
  const int64_t y0 = std::max<int64_t>(dy, 0), y1 = std::min<int64_t>(dy + dh, e.app.screenHeight);
  if (x1 <= x0 || y1 <= y0) return;
  // Palette pictures are widened first so the stretch reads plain pixels.
  const ImageObject* src = &bp;
  ImageObject wide;
  if (bp.dib.bitCount != 24) {
    createSurface(wide, bp.width(), bp.height());
    copyRect(bp, 0, 0, wide, 0, 0, bp.width(), bp.height());
    src = &wide;
  }
  ImageObject out;
  createSurface(out, static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
  for (int64_t y = y0; y < y1; ++y) {
    const int64_t py = sy + (y - dy) * sh / dh;
    if (py < 0 || py >= src->height()) continue;
    const uint8_t* srow = src->dib.row(static_cast<int>(py));
    uint8_t* drow = out.dib.row(static_cast<int>(y - y0));
    for (int64_t x = x0; x < x1; ++x) {
      const int64_t px = sx + (x - dx) * sw / dw;
      if (px < 0 || px >= src->width()) continue;
      std::copy_n(srow + px * 3, 3, drow + (x - x0) * 3);
    }
  }
  e.platform.blitToWindow(out.view(), 0, 0, out.width(), out.height(), static_cast<int>(x0), static_cast<int>(y0));
}

// ofscpy: what the window shows becomes displaySurface.
void cmdOfscpy(Engine& e, std::string_view, bool) {
  ImageObject& d = e.gfx.displaySurface;
  const std::vector<uint8_t>& pic = e.platform.windowPicture();
  const int cw = e.platform.clientWidth();
  const int w = std::min(cw, d.width()), h = std::min(e.platform.clientHeight(), d.height());
  if (!d.hasPicture() || d.dib.bitCount != 24 || w <= 0 || h <= 0) return;
  if (pic.size() < static_cast<size_t>(cw) * h * 3) return;
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = pic.data() + static_cast<size_t>(y) * cw * 3;  // top-down RGB
    uint8_t* p = d.dib.row(y);
    for (int x = 0; x < w; ++x, s += 3, p += 3) {
      p[0] = s[2];
      p[1] = s[1];
      p[2] = s[0];
    }
  }
}

void cmdRepaint(Engine& e, std::string_view, bool) {
  composeScreen(e, nullptr);
  runEffect(e, 1, 0, std::string(), nullptr);
}

// ---- author tools that write pictures ----

// A loose BMP file (no archive, no tag) as a 24-bit picture; empty when it is missing or
// unreadable.
ImageObject readLooseBmp24(const std::string& name) {
  ImageObject obj;
  std::optional<std::vector<uint8_t>> bytes = fs::readFile(name);
  if (!bytes || !decodeBmp(bytes->data(), bytes->size(), obj.dib)) {
    releaseImage(obj);
    return obj;
  }
  if (obj.dib.bitCount != 24) {
    ImageObject wide;
    createSurface(wide, obj.width(), obj.height());
    copyRect(obj, 0, 0, wide, 0, 0, obj.width(), obj.height());
    return wide;
  }
  return obj;
}

bool writeBmpFile(const std::string& gamePath, const ImageObject& obj) {
  const std::vector<uint8_t> bytes = encodeBmp(obj.dib);
  if (bytes.empty()) return false;
  // The tools write beside the game, never elsewhere on the disk.
  if (!fs::staysInGame(gamePath)) {
    std::fprintf(stderr, "veloria: %s lies outside the game directory; not written\n", sjisToUtf8(gamePath).c_str());
    return false;
  }
  if (!fs::writeFile(gamePath, bytes.data(), bytes.size())) {
    std::fprintf(stderr, "veloria: cannot write %s\n", sjisToUtf8(gamePath).c_str());
    return false;
  }
  return true;
}

bool maskColumnWhite(const ImageObject& m, int x) {
  for (int y = 0; y < m.height(); ++y)
    if (m.dib.row(y)[x * 3] != 255) return false;
  return true;
}

bool maskRowWhite(const ImageObject& m, int y) {
  const uint8_t* r = m.dib.row(y);
  for (int x = 0; x < m.width(); ++x)
    if (r[x * 3] != 255) return false;
  return true;
}

// Builds an alpha picture (colour half, mask half) from a rendering on black and one on
// white, trims the fully transparent border, and writes it as out/<name>.bmp.
void makeAlphaPicture(const std::string& name, bool blackOnly) {
  const ImageObject black = readLooseBmp24(name + "_b.bmp");
  ImageObject mask;
  if (blackOnly) {
    if (black.hasPicture()) {
      createSurface(mask, black.width(), black.height());
      fillSurface(mask, 0, 0, black.width(), black.height(), 0xFFFFFF);
    }
  } else {
    mask = readLooseBmp24(name + "_w.bmp");
  }
  const int w = black.width(), h = black.height();
  if (mask.width() != w || mask.height() != h) {
    std::fprintf(stderr, "veloria: %s_b.bmp and %s_w.bmp differ in size; no alpha picture written\n",
                 sjisToUtf8(name).c_str(), sjisToUtf8(name).c_str());
    return;
  }
  if (w == 0 || h == 0) return;

  // The mask: 0 (opaque) where both renderings agree, else how much lighter the white one is.
  for (int y = 0; y < h; ++y) {
    const uint8_t* b = black.dib.row(y);
    uint8_t* m = mask.dib.row(y);
    for (int x = 0; x < w; ++x, b += 3, m += 3) {
      int v = 0;
      if (b[0] != m[0] || b[1] != m[1] || b[2] != m[2])
        v = std::clamp(((m[0] + m[1] + m[2]) - (b[0] + b[1] + b[2])) / 3, 0, 255);
      m[0] = m[1] = m[2] = static_cast<uint8_t>(v);
    }
  }

  // Trim fully transparent columns from both sides alike, then rows from the top.
  int t = 0;
  while (t < w / 2 && maskColumnWhite(mask, t) && maskColumnWhite(mask, w - 1 - t)) ++t;
  int top = 0;
  while (top < h && maskRowWhite(mask, top)) ++top;
  const int cutW = w - 2 * t, cutH = h - top;
  if (cutW <= 0 || cutH <= 0) return;  // nothing visible is left

  ImageObject out;
  createSurface(out, 2 * cutW, cutH);
  copyRect(black, t, top, out, 0, 0, cutW, cutH);
  copyRect(mask, t, top, out, cutW, 0, cutW, cutH);
  fs::makeDirectories(fs::resolveForWrite("out"));
  fs::invalidateCache();
  writeBmpFile("out/" + name + ".bmp", out);
}

void cmdBw2a(Engine& e, std::string_view, bool) { makeAlphaPicture(readString(e), false); }
void cmdBw2a2(Engine& e, std::string_view, bool) { makeAlphaPicture(readString(e), true); }

// bmpcut "file", columns, rows: the picture's tiles as _<file><i><j>.bmp.
void cmdBmpcut(Engine& e, std::string_view, bool) {
  const std::string file = readString(e);
  expectComma(e);
  const int columns = readNumber(e);
  expectComma(e);
  const int rows = readNumber(e);
  if (columns < 1 || rows < 1) return;
  ImageObject picture;
  loadImage(e, picture, file, PictureUse::Plain);
  const int tileW = picture.visibleWidth() / columns, tileH = picture.height() / rows;
  if (tileW <= 0 || tileH <= 0) return;
  ImageObject tile;
  for (int j = 0; j < rows; ++j)
    for (int i = 0; i < columns; ++i) {
      createSurface(tile, tileW, tileH);
      copyRect(picture, i * tileW, j * tileH, tile, 0, 0, tileW, tileH);
      writeBmpFile("_" + file + std::to_string(i) + std::to_string(j) + ".bmp", tile);
    }
}

}  // namespace

void registerDrawCommands(CommandTable& t) {
  t.add("bar", cmdBar, "n,n,n,n,n,n,n,c");
  t.add("barclear", cmdBarclear, "");
  t.add("prnum", cmdPrnum, "n,n,n,n,n,n,c");
  t.add("prnumclear", cmdPrnumclear, "");
  t.add("monocro", cmdMonocro, kOwnCheck);
  t.add("nega", cmdNega, "n");
  t.add("bgalia", cmdBgalia, "n,n,n,n");
  t.add("quakex", cmdQuakex, "n,n");
  t.add("quakey", cmdQuakey, "n,n");
  t.add("quake", cmdQuake, "n,n");
  t.add("blt", cmdBlt, "n,n,n,n,n,n[,n,n]");
  t.add("ofscpy", cmdOfscpy, "");
  t.add("repaint", cmdRepaint, "");
  t.add("bw2a", cmdBw2a, "s");
  t.add("bw2a2", cmdBw2a2, "s");
  t.add("bmpcut", cmdBmpcut, "p,n,n");
}

}  // namespace veloria
