// Saved games: taking the save point whole, and as the interpreter does before every
// statement of an empty page (only what changed), writing a slot with fsync and rename, and
// loading a slot with the scene shown again, at 800x600 with a background, two standing
// pictures and ten sprites.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "text/text.h"

namespace {

using namespace veloria;

std::string bmp(int w, int h, uint32_t rgb) {
  const int stride = (w * 3 + 3) & ~3;
  const uint32_t size = 54 + static_cast<uint32_t>(stride * h);
  std::string b(size, '\0');
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(w), 4);
  put(22, static_cast<uint32_t>(h), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      size_t at = 54 + static_cast<size_t>(y * stride + x * 3);
      b[at] = static_cast<char>(rgb & 0xFF);
      b[at + 1] = static_cast<char>((rgb >> 8) & 0xFF);
      b[at + 2] = static_cast<char>((rgb >> 16) & 0xFF);
    }
  return b;
}

// A game at the start of a page: some variables and strings, a call stack, a full scene.
struct Scene {
  std::string dir;
  std::unique_ptr<Platform> platform;
  std::unique_ptr<Engine> engine;
  Scene() {
    char tmpl[] = "/tmp/veloria-bench-save-XXXXXX";
    dir = ::mkdtemp(tmpl);
    fs::setGameDirectory(dir);
    fs::writeHostFile(dir + "/bg.bmp", bmp(800, 600, 0x336699).data(), 54 + 2400 * 600);
    std::string stand = bmp(200, 400, 0xAA0000), sprite = bmp(64, 64, 0x00AA00);
    fs::writeHostFile(dir + "/stand.bmp", stand.data(), stand.size());
    fs::writeHostFile(dir + "/sp.bmp", sprite.data(), sprite.size());
    std::string script = "*define\ngame\n*start\n";
    script += "bg \"bg.bmp\",1\nld l,\"stand.bmp\",1\nld r,\"stand.bmp\",1\n";
    for (int i = 0; i < 10; ++i)
      script += "lsp " + std::to_string(i) + ",\"sp.bmp\"," + std::to_string(60 * i) + ",100\n";
    script += "print 1\n";
    for (int i = 0; i < 40; ++i) script += "mov %" + std::to_string(i) + "," + std::to_string(i * 7) + "\n";
    for (int i = 0; i < 10; ++i) script += "mov $" + std::to_string(i) + ",\"ほどほどの長さの文字列\"\n";
    script += "gosub *a\n*a\ngosub *b\n*b\nend\n";
    platform = makeHeadlessPlatform({});
    engine = std::make_unique<Engine>(*platform);
    Engine& e = *engine;
    connectEngine(e);
    restoreAllDefaults(e);
    loadScriptFromMemory(e, sjisText(script));
    switchTo800(e);
    platform->createWindow(800, 600);
    createScreenSurfaces(e);
    buildLabelTable(e);
    resetEngine(e);
    // Run up to the `end` without running it.
    const int64_t endPos = findLabel(e, "b");
    while (e.script.scriptPos < static_cast<uint32_t>(endPos)) {
      skipBlanksAndNewlines(e);
      if (currentByte(e) == '*') {
        readLabel(e);
        continue;
      }
      std::string w = readWord(e);
      dispatchCommand(e, w, false);
    }
  }
  ~Scene() {
    engine.reset();
    std::filesystem::remove_all(dir);
  }
  static std::string sjisText(const std::string& u) { return utf8ToSjis(u); }
};

void BM_TakeSavePoint(benchmark::State& state) {
  Scene s;
  for (auto _ : state) takeSavePoint(*s.engine);
  state.counters["bytes"] = static_cast<double>(savePointImage(*s.engine).size());
}
BENCHMARK(BM_TakeSavePoint)->Unit(benchmark::kMicrosecond);

// The save point between statements after one that wrote a variable and moved on.
void BM_AdvanceSavePoint(benchmark::State& state) {
  Scene s;
  Engine& e = *s.engine;
  advanceSavePoint(e);
  int32_t i = 0;
  for (auto _ : state) {
    setNumVar(e, 5, ++i);
    ++e.script.scriptPos;
    advanceSavePoint(e);
  }
  state.counters["bytes"] = static_cast<double>(savePointImage(e).size());
}
BENCHMARK(BM_AdvanceSavePoint)->Unit(benchmark::kNanosecond);

void BM_WriteSaveSlot(benchmark::State& state) {
  Scene s;
  takeSavePoint(*s.engine);
  for (auto _ : state) saveGame(*s.engine, 1);
}
BENCHMARK(BM_WriteSaveSlot)->Unit(benchmark::kMillisecond);

void BM_LoadSlotAndShowScene(benchmark::State& state) {
  Scene s;
  takeSavePoint(*s.engine);
  saveGame(*s.engine, 1);
  for (auto _ : state) loadGame(*s.engine, 1);
}
BENCHMARK(BM_LoadSlotAndShowScene)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
