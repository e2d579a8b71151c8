// One page of the text log viewer: the frame composed without the window's text, the
// backdrop, a full page (23 x 15 cells) rasterised onto the display, and the arrows.
#include <benchmark/benchmark.h>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"
#include "text/text_internal.h"

using namespace veloria;

namespace {

void BM_TextLogPage(benchmark::State& state) {
  auto platform = makeHeadlessPlatform(HeadlessOptions{});
  Engine e(*platform);
  connectEngine(e);
  platform->createWindow(e.app.screenWidth, e.app.screenHeight);
  platform->setWindowProc([&e](const Message& m) { windowProc(e, m); });
  restoreAllDefaults(e);
  loadScriptFromMemory(e, "*define\ngame\n*start\nend\n");
  createScreenSurfaces(e);
  textResetGame(e);
  graphicsResetGame(e);
  e.text.faceName = sj("ＭＳ ゴシック");

  // Two full pages in the log: page 1 is drawn, page 2 makes the up arrow appear.
  const std::string line = sj("吾輩は猫である。名前はまだ無い。どこで生れた");
  for (int page = 0; page < 2; ++page) {
    for (int i = 0; i < 15; ++i) {
      for (size_t k = 0; k + 1 < line.size(); k += 2)
        logChar(e, static_cast<uint8_t>(line[k]), static_cast<uint8_t>(line[k + 1]));
      logLineFeed(e);
    }
    markLogPage(e);
  }
  for (auto _ : state) drawTextLogPage(e, 1, false);
  state.SetItemsProcessed(state.iterations() * 15 * 23);
}
BENCHMARK(BM_TextLogPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
