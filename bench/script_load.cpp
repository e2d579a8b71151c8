// Loading a 5 MB script spread over 100 files with 5000 labels, and building the label table.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "script/script.h"

namespace {

using namespace veloria;

// Writes 0.txt..99.txt: story text, commands and 50 labels per file, about 5 MB in all.
std::string makeGame() {
  auto dir = std::filesystem::temp_directory_path() / "veloria-bench-script-load";
  std::filesystem::create_directories(dir);
  const std::string line = "mov %10,%11:add %12,1:if %12 > 5 goto *l0\n";
  const std::string text(80, 'a');
  int label = 0;
  for (int f = 0; f < 100; ++f) {
    std::string body;
    if (f == 0) body = "*define\ngame\n*start\n";
    // 5000 labels in all, define and start included.
    for (int block = f == 0 ? 2 : 0; block < 50; ++block) {
      body += "*l" + std::to_string(label++) + "\r\n";
      for (int i = 0; i < 8; ++i) body += line + text + "\r\n";
    }
    fs::writeHostFile((dir / (std::to_string(f) + ".txt")).string(), body.data(), body.size());
  }
  return dir.string();
}

void BM_LoadScriptAndLabels(benchmark::State& state) {
  static const std::string dir = makeGame();
  fs::setGameDirectory(dir);
  auto platform = makeHeadlessPlatform({});
  auto engine = std::make_unique<Engine>(*platform);
  size_t labels = 0, bytes = 0;
  for (auto _ : state) {
    loadScript(*engine);
    buildLabelTable(*engine);
    labels = engine->script.labels.size();
    bytes = engine->script.scriptLength;
  }
  state.counters["labels"] = static_cast<double>(labels);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_LoadScriptAndLabels)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
