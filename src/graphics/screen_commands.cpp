// The later dialect's screen utilities: sprite sizes, the frame copied into the background,
// the screenshot picture and its file, the flash to white, and the plug-in layers (which are
// remembered but not run).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "graphics/decoders.h"
#include "graphics/graphics.h"
#include "graphics/graphics_commands.h"
#include "graphics/scene_links.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "text/text.h"

namespace veloria {

namespace {

constexpr char kSizeTarget[] = "getspsizeの第二引数以降は数字変数です。";

// getspsize n, %w, %h[, %c]: an undefined sprite gives 0 for each.
void cmdGetspsize(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const int32_t wVar = readNumVarRef(e, kSizeTarget);
  expectComma(e);
  const int32_t hVar = readNumVarRef(e, kSizeTarget);
  int32_t cVar = -1;
  if (optionalArgFollows(e)) {
    expectComma(e);
    cVar = readNumVarRef(e, kSizeTarget);
  }
  if (n < 0 || static_cast<size_t>(n) >= e.gfx.sprites.size())
    reportScriptErrorF(e, sj("パラメータエラー"), sj("スプライト番号%dは範囲外です。"), std::to_string(n));
  const Sprite& s = e.gfx.sprites[static_cast<size_t>(n)];
  const bool defined = !s.name.empty();
  setNumVar(e, wVar, defined ? s.image.visibleWidth() : 0);
  setNumVar(e, hVar, defined ? s.image.visibleHeight() : 0);
  if (cVar >= 0) setNumVar(e, cVar, defined && s.image.hasPicture() ? s.image.cellCount : 0);
}

// bgcopy: the frame as it stands, without the text window, becomes the background. The
// sprites and standing pictures stay; a save restores a black background under them.
void cmdBgcopy(Engine& e, std::string_view, bool) {
  GraphicsState& g = e.gfx;
  if (!g.composeSurface.hasPicture()) return;
  const bool shown = textWindowShown(e), inFrame = windowInFrameOf(e);
  markTextWindow(e, shown, false);
  composeScreen(e, nullptr);
  markTextWindow(e, shown, inFrame);
  // The background has the size the composition copies it at: the screen, or the
  // background window's rectangle.
  const BackgroundWindow& bw = g.bgWindow;
  const bool windowed = bw.x != -1;
  const int w = windowed ? bw.width : e.app.screenWidth, h = windowed ? bw.height : e.app.screenHeight;
  createSurface(g.bgSurface, w, h);
  copyRect(g.composeSurface, windowed ? bw.x : 0, windowed ? bw.y : 0, g.bgSurface, 0, 0, w, h);
  g.backgroundName = "black";
}

// The box filter: each target pixel is the rounded mean of the source pixels its area
// covers (at least one, when the target is larger).
void scaleBox(const ImageObject& src, ImageObject& dst, int w, int h) {
  createSurface(dst, w, h);
  const int64_t sw = src.width(), sh = src.height();
  if (sw <= 0 || sh <= 0) return;
  auto span = [](int64_t i, int64_t from, int64_t to) {
    const int64_t a = i * from / to;
    return std::pair<int64_t, int64_t>{a, std::max(a + 1, (i + 1) * from / to)};
  };
  std::vector<std::pair<int64_t, int64_t>> columns(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) columns[static_cast<size_t>(x)] = span(x, sw, w);
  std::vector<uint64_t> sums(static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    const auto [top, bottom] = span(y, sh, h);
    std::fill(sums.begin(), sums.end(), 0);
    for (int64_t sy = top; sy < bottom; ++sy) {
      const uint8_t* row = src.dib.row(static_cast<int>(sy));
      for (int x = 0; x < w; ++x) {
        const auto [left, right] = columns[static_cast<size_t>(x)];
        uint64_t* sum = &sums[static_cast<size_t>(x) * 3];
        for (int64_t sx = left; sx < right; ++sx)
          for (int c = 0; c < 3; ++c) sum[c] += row[sx * 3 + c];
      }
    }
    uint8_t* out = dst.dib.row(y);
    for (int x = 0; x < w; ++x) {
      const auto [left, right] = columns[static_cast<size_t>(x)];
      const uint64_t count = static_cast<uint64_t>((right - left) * (bottom - top));
      for (int c = 0; c < 3; ++c)
        out[x * 3 + c] = static_cast<uint8_t>((sums[static_cast<size_t>(x) * 3 + c] + count / 2) / count);
    }
  }
}

// getscreenshot w, h: what the window shows, scaled to w x h.
void cmdGetscreenshot(Engine& e, std::string_view, bool) {
  const int w = readNumber(e);
  expectComma(e);
  const int h = readNumber(e);
  // Sizes no picture of this engine can have are refused like sizes below 1.
  if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide ||
      static_cast<size_t>(dibStride(w, 24)) * static_cast<size_t>(h) > kMaxPictureBytes)
    reportScriptError(e, sj("パラメータエラー"), sj("getscreenshotの大きさが不正です。"));
  const ImageObject& shown = e.gfx.displaySurface;
  if (!shown.hasPicture() || shown.dib.bitCount != 24) return;
  scaleBox(shown, e.gfx.screenshot, w, h);
}

// savescreenshot2 "name": the screenshot as a 24-bit BMP, written only inside the game's
// folder, into a folder that is already there, and never half-written.
void cmdSavescreenshot2(Engine& e, std::string_view, bool) {
  const std::string name = readString(e);
  const ImageObject& shot = e.gfx.screenshot;
  if (!shot.hasPicture()) {
    reportScriptWarning(e, sj("スクリーンショットがありません。"));
    return;
  }
  const std::optional<std::string> host = fs::resolveNewFileInGame(name);
  const std::vector<uint8_t> bytes = encodeBmp(shot.dib);
  const bool written = host && !bytes.empty() && fs::writeHostFile(*host, bytes.data(), bytes.size());
  fs::invalidateCache();
  if (!written) reportScriptWarning(e, sj("スクリーンショットを保存できません。"));
}

void cmdDeletescreenshot(Engine& e, std::string_view, bool) { releaseImage(e.gfx.screenshot); }

// flushout ms: the window picture cross-fades to white; the next transition redraws all.
void cmdFlushout(Engine& e, std::string_view, bool) {
  const int duration = readNumber(e);
  GraphicsState& g = e.gfx;
  const int W = e.app.screenWidth, H = e.app.screenHeight;
  const std::string keep = g.composeSurface.name;
  fillSurface(g.composeSurface, 0, 0, W, H, 0xFFFFFF);
  g.composeSurface.name = keep;
  runEffect(e, 10, duration, std::string(), nullptr);
  addDirty(e, 0, 0, W, H);
}

// setlayer n, interval, "library": the layer is remembered; without plug-in support
// nothing is drawn on it.
void cmdSetlayer(Engine& e, std::string_view, bool) {
  const int n = readNumber(e);
  expectComma(e);
  const int interval = readNumber(e);
  expectComma(e);
  std::string plugin = readString(e);
  if (n < 0 || n >= kPluginLayers)
    reportScriptErrorF(e, sj("パラメータエラー"), sj("レイヤー番号%dは範囲外です。"), std::to_string(n));
  e.gfx.pluginLayers[static_cast<size_t>(n)] = PluginLayer{std::move(plugin), interval};
}

// layermessage n, "message": for the layer's plug-in; with none running it is dropped.
void cmdLayermessage(Engine& e, std::string_view, bool) {
  readNumber(e);
  expectComma(e);
  readString(e);
}

}  // namespace

void registerScreenCommands(CommandTable& t) {
  t.add("getspsize", cmdGetspsize, {.pattern = "S,%,%[,%]", .messages = {kSizeTarget, kSizeTarget, kSizeTarget}});
  t.markScriptOnly("getspsize");
  t.add("bgcopy", cmdBgcopy, "");
  t.add("getscreenshot", cmdGetscreenshot, kOwnCheck);
  t.add("savescreenshot2", cmdSavescreenshot2, "s");
  t.add("deletescreenshot", cmdDeletescreenshot, "");
  t.add("flushout", cmdFlushout, "n");
  t.add("setlayer", cmdSetlayer, kOwnCheck);
  t.add("layermessage", cmdLayermessage, "n,s");
}

}  // namespace veloria
