// An engine with the headless backend and the graphics state ready, for driving graphics
// commands and effects directly on the virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/app.h"
#include "app/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "script/command_table.h"

namespace veloria::test {

struct GfxEngine {
  std::unique_ptr<Platform> platform;
  std::unique_ptr<Engine> engine;
  std::string gameDir;

  // `input`: scripted input in the automation language, timed from the engine's start;
  // its screenshot and dump paths are taken in the game directory.
  explicit GfxEngine(int w = 640, int h = 480, const std::string& input = std::string()) {
    char tmpl[] = "/tmp/veloria_gfx_XXXXXX";
    gameDir = mkdtemp(tmpl);
    HeadlessOptions options;
    options.inputScript = input;
    options.baseDir = gameDir;
    platform = makeHeadlessPlatform(options);
    engine = std::make_unique<Engine>(*platform);
    Engine& e = *engine;
    e.app.screenWidth = w;
    e.app.screenHeight = h;
    e.text.underlineValue = h;
    platform->createWindow(w, h);
    platform->setWindowProc([this](const Message& m) { windowProc(*engine, m); });
    registerAllCommands(e.commands);
    createScreenSurfaces(e);
    graphicsRestoreDefaults(e);
    graphicsResetGame(e);
    fs::setGameDirectory(gameDir);
  }
  ~GfxEngine() {
    std::error_code ec;
    std::filesystem::remove_all(gameDir, ec);
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
  void writeFile(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(fs::writeHostFile(fs::joinHost(gameDir, name), bytes.data(), bytes.size()));
    fs::invalidateCache();
  }

  // The window picture at (x, y) as 0xRRGGBB.
  uint32_t window(int x, int y) const {
    const auto& p = platform->windowPicture();
    size_t i = (static_cast<size_t>(y) * platform->clientWidth() + x) * 3;
    return (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8) | p[i + 2];
  }
};

// A 24-bit BMP file image (rows given from the top, 0xRRGGBB).
inline std::string bmp24(int w, int h, const std::vector<uint32_t>& rgbTopDown) {
  int stride = (w * 3 + 3) & ~3;
  std::string f(54 + static_cast<size_t>(stride) * h, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<char>(v >> (8 * i));
  };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  f[26] = 1;
  f[28] = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t c = rgbTopDown[static_cast<size_t>(y) * w + x];
      size_t at = 54 + static_cast<size_t>(h - 1 - y) * stride + x * 3;
      f[at] = static_cast<char>(c);
      f[at + 1] = static_cast<char>(c >> 8);
      f[at + 2] = static_cast<char>(c >> 16);
    }
  return f;
}

inline std::string solidBmp(int w, int h, uint32_t rgb) {
  return bmp24(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, rgb));
}

}  // namespace veloria::test
