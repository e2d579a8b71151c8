// A tight script loop without waits (mov, add, if, goto) on the headless backend.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/app.h"
#include "engine/engine.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "save/save.h"
#include "script/script.h"

namespace {

using namespace veloria;

// `firstLine` picks the dialect: empty for the base language, ";value 200" for the extended one.
// Save points are taken before every statement of the loop (its page stays empty); with
// `saveoff` first they are not, which is the yardstick of what they cost.
void tightLoop(benchmark::State& state, const std::string& firstLine, bool saving = true) {
  const int64_t rounds = 200000;
  // Each round runs four commands: mov, add, if and goto.
  const std::string script = firstLine + "*define\nnumalias count,11\ngame\n*start\n" + (saving ? "" : "saveoff\n") +
                             "*loop\nmov %10,%count:add %11,1:if %11 < " + std::to_string(rounds) +
                             " goto *loop\ndefinereset\n";
  auto platform = makeHeadlessPlatform({});
  auto engine = std::make_unique<Engine>(*platform);
  Engine& e = *engine;
  connectEngine(e);
  int64_t statements = 0;
  for (auto _ : state) {
    e.app.quitRequested = 0;
    scriptRestoreDefaults(e);
    loadScriptFromMemory(e, script);
    buildLabelTable(e);
    runInterpreter(e, true);
    e.script.numVars[11] = 0;
    allowSaving(e, true);
    jumpToLabel(e, "start");
    runInterpreter(e, false);
    statements += rounds * 4;
  }
  state.counters["statements/s"] = benchmark::Counter(static_cast<double>(statements), benchmark::Counter::kIsRate);
}
void BM_TightLoop(benchmark::State& state) { tightLoop(state, ""); }
BENCHMARK(BM_TightLoop)->Unit(benchmark::kMillisecond);
// The same loop in the extended dialect, where every numeric argument is an expression.
void BM_TightLoopExtended(benchmark::State& state) { tightLoop(state, ";value 200\n"); }
BENCHMARK(BM_TightLoopExtended)->Unit(benchmark::kMillisecond);
// With the border moved up, the save point holds the game's own variables past 200 too.
void BM_TightLoopBorder(benchmark::State& state) { tightLoop(state, ";value 2500\n"); }
BENCHMARK(BM_TightLoopBorder)->Unit(benchmark::kMillisecond);

void BM_TightLoopSavingOff(benchmark::State& state) { tightLoop(state, "", false); }
BENCHMARK(BM_TightLoopSavingOff)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
