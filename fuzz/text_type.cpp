// Story text with arbitrary bytes: typeText and drawString must draw, drop or report, never
// read or write out of bounds. Script errors end a case through ProcessExit. Run with
// ASAN_OPTIONS=detect_leaks=0: fontconfig keeps one-time allocations until exit.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"

using namespace veloria;

namespace {

Engine& engine() {
  static std::unique_ptr<Platform> platform = makeHeadlessPlatform(HeadlessOptions{});
  static std::unique_ptr<Engine> e = [] {
    auto en = std::make_unique<Engine>(*platform);
    connectEngine(*en);
    platform->createWindow(en->app.screenWidth, en->app.screenHeight);
    platform->setWindowProc([p = en.get()](const Message& m) { windowProc(*p, m); });
    scriptRestoreDefaults(*en);
    textRestoreDefaults(*en);
    graphicsRestoreDefaults(*en);
    loadScriptFromMemory(*en, "*define\ngame\n*start\n*t\nend\n");
    buildLabelTable(*en);
    createScreenSurfaces(*en);
    textResetGame(*en);
    graphicsResetGame(*en);
    return en;
  }();
  return *e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  Engine& e = engine();
  TextState& t = e.text;
  // The first bytes choose the window geometry, the rest is the text.
  t.cursorColumn = data[0] % 30;
  t.cursorLine = data[1] % 20;
  t.glyphWidth = t.pitchX = 1 + data[2] % 40;
  t.glyphHeight = 1 + data[3] % 40;
  t.pitchY = t.glyphHeight + 2;
  t.columnsPerLine = 23;
  t.linesPerPage = 16;
  // A quarter of the screen: each page end redraws the window, and the size of the picture
  // under it changes nothing in what typing does.
  t.windowRect = TextRect{0, 0, 320, 240};
  t.windowShown = 1;
  t.windowInFrame = 1;
  t.textSpeed = 0;
  t.skipMode = 1;  // waits end at once
  t.textMode = 1;
  e.script.textGosubOn = 0;
  e.script.reportingError = false;
  // High bits the geometry leaves unused: the later dialect's text rules, and ruby.
  e.script.dialect = (data[2] & 0x80) ? Dialect::Extended : Dialect::Base;
  t.rubyOn = (data[1] & 0x40) ? 1 : 0;
  t.cursorHalfCell = 0;
  std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
  // Timed escapes would only make the case slow.
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '!' && (text[i + 1] == 'w' || text[i + 1] == 'd')) text[i + 1] = 'x';
  try {
    typeText(e, text);
  } catch (const ProcessExit&) {
  }
  try {
    int32_t col = static_cast<int8_t>(data[0]) * 8, line = static_cast<int8_t>(data[1]) * 4;
    drawString(e, text, col, line, 0xFFFFFF);
  } catch (const ProcessExit&) {
  }
  return 0;
}
