// An engine with the headless backend and the graphics state ready, for driving graphics
// commands and effects directly on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "support/bmp_writer.h"
#include "support/game_dir.h"

namespace veloria::test {

struct GfxEngine {
  GameDir dir;  // outlives the engine
  std::unique_ptr<Platform> platform;
  std::unique_ptr<Engine> engine;

  // `input`: scripted input in the automation language, timed from the engine's start;
  // its screenshot and dump paths are taken in the game directory.
  explicit GfxEngine(int w = 640, int h = 480, const std::string& input = std::string()) {
    HeadlessOptions options;
    options.inputScript = input;
    options.baseDir = dir.path();
    platform = makeHeadlessPlatform(options);
    engine = std::make_unique<Engine>(*platform);
    Engine& e = *engine;
    e.app.screenWidth = w;
    e.app.screenHeight = h;
    platform->createWindow(w, h);
    platform->setWindowProc([this](const Message& m) { windowProc(*engine, m); });
    connectEngine(e);
    restoreAllDefaults(e);
    createScreenSurfaces(e);
    graphicsResetGame(e);
  }

  Engine& e() { return *engine; }
  uint32_t now() { return platform->timeGetTime(); }

  void setScript(std::string_view text) {
    auto& s = engine->script;
    s.scriptBuffer.assign(text.begin(), text.end());
    s.scriptBuffer.resize(text.size() + 64, 0);
    s.scriptLength = static_cast<uint32_t>(text.size());
    s.scriptPos = 0;
    s.reportingError = false;
  }
  // Runs one command with its argument text (Shift-JIS).
  void run(std::string_view word, std::string_view args) {
    setScript(args);
    CommandHandler h = engine->commands.find(word);
    ASSERT_NE(h, nullptr) << word;
    h(*engine, word, false);
  }
  // Runs a command that must end the run with a script error; returns "caption|message head".
  std::string runError(std::string_view word, std::string_view args) {
    try {
      run(word, args);
    } catch (const ProcessExit&) {
      std::string msg = sjisToUtf8(engine->app.error.message);
      return sjisToUtf8(engine->app.error.caption) + "|" + msg.substr(0, msg.find('\n'));
    }
    return "no error";
  }
  void writeFile(const std::string& name, const std::string& bytes) { dir.write(name, bytes); }

  // The window picture at (x, y) as 0xRRGGBB.
  uint32_t window(int x, int y) const {
    const auto& p = platform->windowPicture();
    size_t i = (static_cast<size_t>(y) * platform->clientWidth() + x) * 3;
    return (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8) | p[i + 2];
  }
};

}  // namespace veloria::test
