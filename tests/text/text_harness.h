// Runs a script from memory on the headless backend (virtual clock) and keeps the engine
// for inspection after the run ends (end command, script error or time limit).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "support/bmp_writer.h"
#include "support/game_dir.h"
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

// The game directory of the current test, kept until the next test asks for one.
struct TextGameDir {
  std::string test;
  std::unique_ptr<GameDir> dir;
  static TextGameDir& current() {
    static TextGameDir slot;
    return slot;
  }
  static std::string testName() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
  }
};

// A fresh game directory holding `files` (game-relative name -> bytes) for the rest of the
// current test; a run in a test that gave none gets an empty one.
inline void useGameFiles(const GameFiles& files) {
  TextGameDir& slot = TextGameDir::current();
  slot.dir.reset();  // hands the game directory back before the new one takes it
  slot.dir = std::make_unique<GameDir>(files);
  slot.test = TextGameDir::testName();
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
  if (!TextGameDir::current().dir || TextGameDir::current().test != TextGameDir::testName()) useGameFiles({});
  run.engine = std::make_unique<Engine>(*run.platform);
  Engine& e = *run.engine;
  Platform& p = *run.platform;
  p.onTimeout = [] { throw TimeLimit{}; };
  connectEngine(e);
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
