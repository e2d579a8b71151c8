// Runs a script from memory on the headless backend (virtual clock) and keeps the engine
// for inspection after the run ends (end command, script error or time limit).
#pragma once

#include <array>
#include <functional>
#include <map>
#include <unistd.h>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "save/save.h"
#include "script/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria::test {

struct TextRun {
  std::unique_ptr<Platform> platform;
  std::unique_ptr<Engine> engine;
  bool ended = false;     // ProcessExit (end, error)
  bool timedOut = false;  // the virtual time limit passed
  int exitCode = -1;
  uint32_t endTime = 0;
  Engine& e() { return *engine; }
  std::string errorMessage() const {
    return engine->app.error.set ? sjisToUtf8(engine->app.error.message) : std::string();
  }
  std::string errorCaption() const {
    return engine->app.error.set ? sjisToUtf8(engine->app.error.caption) : std::string();
  }
};

struct TimeLimit {};

// A fresh game directory holding `files` (game-relative name -> bytes); it becomes the
// directory game paths are resolved in.
inline void useGameFiles(const std::map<std::string, std::string>& files) {
  static int serial = 0;
  std::string dir = "/tmp/veloria-text-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  fs::removeTree(dir);
  fs::makeDirectories(dir);
  for (const auto& [name, bytes] : files) fs::writeHostFile(fs::joinHost(dir, name), bytes.data(), bytes.size());
  fs::setGameDirectory(dir);
  fs::invalidateCache();
}

// A 24-bit BMP file of w x h pixels; `colour(x, y)` gives 0xRRGGBB for each pixel.
template <typename F>
std::string bmpFile(int w, int h, F colour) {
  int stride = (w * 3 + 3) / 4 * 4;
  uint32_t imageSize = static_cast<uint32_t>(stride * h);
  std::string b;
  auto u16 = [&](uint32_t v) { b.push_back(static_cast<char>(v & 0xFF)); b.push_back(static_cast<char>(v >> 8 & 0xFF)); };
  auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
  b += "BM";
  u32(54 + imageSize);
  u32(0);
  u32(54);
  u32(40);
  u32(static_cast<uint32_t>(w));
  u32(static_cast<uint32_t>(h));
  u16(1);
  u16(24);
  u32(0);
  u32(imageSize);
  u32(0);
  u32(0);
  u32(0);
  u32(0);
  for (int y = h - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < w; ++x) {
      uint32_t c = colour(x, y);
      row.push_back(static_cast<char>(c & 0xFF));
      row.push_back(static_cast<char>(c >> 8 & 0xFF));
      row.push_back(static_cast<char>(c >> 16 & 0xFF));
    }
    row.resize(static_cast<size_t>(stride), 0);
    b += row;
  }
  return b;
}

// `scriptUtf8` is the whole script (with *define, game and *start). `input` is automation
// input (click X Y, wait MS, ...). `setup` runs after the define pass, before the game.
inline TextRun runText(const std::string& scriptUtf8, const std::string& input = "", uint32_t timeoutMs = 120000,
                       std::function<void(Engine&)> setup = {}) {
  TextRun run;
  HeadlessOptions opt;
  opt.inputScript = input;
  opt.timeoutMs = timeoutMs;
  run.platform = makeHeadlessPlatform(opt);
  if (fs::gameDirectory().rfind("/tmp/veloria-text-test-", 0) != 0) useGameFiles({});
  run.engine = std::make_unique<Engine>(*run.platform);
  Engine& e = *run.engine;
  Platform& p = *run.platform;
  p.onTimeout = [] { throw TimeLimit{}; };
  registerAllCommands(e.commands);
  p.createWindow(e.app.screenWidth, e.app.screenHeight);
  loadMenuResource(p);
  p.setWindowProc([&e](const Message& m) { windowProc(e, m); });
  try {
    restoreAllDefaults(e);
    loadScriptFromMemory(e, utf8ToSjis(scriptUtf8));
    createScreenSurfaces(e);
    buildFontMenu(e);
    buildLabelTable(e);
    runInterpreter(e, true);
    p.showWindow();
    p.setTimer(1, 100);
    if (setup) setup(e);
    resetEngine(e);
    runInterpreter(e, false);
  } catch (const ProcessExit& x) {
    run.ended = true;
    run.exitCode = x.code;
  } catch (const TimeLimit&) {
    run.timedOut = true;
  }
  run.endTime = p.timeGetTime();
  return run;
}

}  // namespace veloria::test

namespace veloria::test {

// The text log up to the write position, as UTF-8, with page marks shown as '|'.
inline std::string logText(Engine& e) {
  const TextLog& log = e.text.log;
  std::string raw(reinterpret_cast<const char*>(log.buffer.data()), static_cast<size_t>(log.writePos));
  std::string out;
  for (char c : raw) out.push_back(c == 1 ? '|' : c);
  return sjisToUtf8(out);
}

// Blue, green, red of a display-surface pixel (x, y from the top).
inline std::array<int, 3> displayPixel(Engine& e, int x, int y) {
  const uint8_t* p = e.gfx.displaySurface.dib.row(y) + x * 3;
  return {p[0], p[1], p[2]};
}

inline int coverageAt(Engine& e, int x, int y) {
  return e.text.coverageMap[static_cast<size_t>((e.text.layerHeight - 1 - y) * e.text.layerWidth + x)];
}

inline int var(Engine& e, int i) { return e.script.numVars[static_cast<size_t>(i)]; }

// A script with an empty define block; `body` follows *start.
inline std::string game(const std::string& body, const std::string& define = "") {
  return "*define\n" + define + "game\n*start\n" + body;
}

}  // namespace veloria::test
