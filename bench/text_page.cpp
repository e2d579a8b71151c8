// A full page of story text (23 x 16 cells) typed at speed 0 through typeText: layout,
// glyph cache, blending and the copies to the window.
#include <benchmark/benchmark.h>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"

using namespace veloria;

namespace {

void BM_FullPageAtSpeedZero(benchmark::State& state) {
  auto platform = makeHeadlessPlatform(HeadlessOptions{});
  Engine e(*platform);
  connectEngine(e);
  platform->createWindow(e.app.screenWidth, e.app.screenHeight);
  platform->setWindowProc([&e](const Message& m) { windowProc(e, m); });
  scriptRestoreDefaults(e);
  textRestoreDefaults(e);
  graphicsRestoreDefaults(e);
  loadScriptFromMemory(e, "*define\ngame\n*start\nend\n");
  createScreenSurfaces(e);
  textResetGame(e);
  graphicsResetGame(e);
  e.text.faceName = sj("ＭＳ ゴシック");
  e.text.textSpeed = 0;
  // One more line than the page holds, so that the line feed after the last full line is no
  // error here; the sixteen typed lines are the page.
  e.text.linesPerPage = 17;
  showTextWindow(e);

  const std::string line = sj("吾輩は猫である。名前はまだ無い。どこで生れた");
  for (auto _ : state) {
    e.text.cursorColumn = 0;
    e.text.cursorLine = 0;
    for (int i = 0; i < 16; ++i) typeText(e, line);
  }
  state.SetItemsProcessed(state.iterations() * 16 * 23);
}
BENCHMARK(BM_FullPageAtSpeedZero)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
