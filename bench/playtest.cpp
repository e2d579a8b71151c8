// The play-test of the bundled demo and of a generated 20,000-line game with 200 choice
// places, explored until nothing new is reached. Reports runs and script lines a second
// (every line each run executed, counted once per run).
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/playtest.h"
#include "platform/files.h"
#include "platform/text_codec.h"

namespace {

using namespace veloria;

// Full-width digits: story text is made of two-byte characters.
std::string wideDigit(int d) { return std::string("０１２３４５６７８９").substr(static_cast<size_t>(d) * 3, 3); }

// Sections of a hundred lines: story text with click and page waits, arithmetic, and a
// choice. Even sections branch (each answer its own scene, then on); odd ones are a menu
// whose first two options come back to it.
std::string generatedGame(int sections) {
  std::string s = "*define\ngame\n*start\nsetwindow 40,344,25,4,22,22,0,6,30,1,1,#606080,24,332,616,468\n";
  for (int k = 0; k < sections; ++k) {
    const std::string n = std::to_string(k);
    s += "*s" + n + "\n";
    for (int j = 0; j < 48; ++j) s += "風が吹く、その" + wideDigit(j % 10) + "。" + (j % 2 ? "\\\n" : "@\n");
    for (int j = 0; j < 40; ++j) s += j % 2 ? "add %2," + std::to_string(j) + "\n" : "mov %1,%2\n";
    if (k % 2 == 0) {
      s += "select \"右へ\",*s" + n + "r,\"左へ\",*s" + n + "l,\"待つ\",*s" + n + "w\n";
      const char* scenes[3][2] = {{"r", "右"}, {"l", "左"}, {"w", "待ち"}};
      for (const auto& b : scenes)
        s += "*s" + n + b[0] + "\nmov %3," + n + "\n「" + b[1] + "の道。」\\\ngoto *s" + n + "e\n";
    } else {
      s += "*s" + n + "m\nselect \"調べる\",*s" + n + "x,\"話す\",*s" + n + "t,\"進む\",*s" + n + "e\n";
      s += "*s" + n + "x\n「机の上に手紙がある。」\\\ngoto *s" + n + "m\n";
      s += "*s" + n + "t\n「誰もいない。」\\\ngoto *s" + n + "m\n";
    }
    s += "*s" + n + "e\n";
  }
  s += "「おしまい。」\\\nend\n";
  return s;
}

struct Scratch {
  std::string root;
  Scratch() {
    char tmpl[] = "/tmp/veloria-bench-XXXXXX";
    root = ::mkdtemp(tmpl);
    ::setenv("VELORIA_RUNTIME_DIR", (root + "/rt").c_str(), 1);
    ::setenv("VELORIA_CONFIG_DIR", (root + "/config").c_str(), 1);
    fs::makeDirectories(root + "/rt");
  }
  ~Scratch() { std::filesystem::remove_all(root); }
};

void report(benchmark::State& state, const PlaytestResult& r, uint64_t runs, uint64_t lines) {
  state.counters["runs/s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
  state.counters["runs"] = static_cast<double>(r.runs.size());
  state.counters["reached%"] = r.lines ? 100.0 * static_cast<double>(r.linesReached) / static_cast<double>(r.lines) : 0;
  size_t explored = 0;
  for (const auto& c : r.choices) explored += c.neverTaken.empty();
  state.counters["choices"] = static_cast<double>(r.choices.size());
  state.counters["explored"] = static_cast<double>(explored);
}

void playtestOf(benchmark::State& state, const std::string& dir) {
  PlaytestOptions o;
  o.gameDir = dir;
  uint64_t runs = 0, lines = 0;
  PlaytestResult r;
  for (auto _ : state) {
    r = runPlaytest(o, nullptr);
    runs += r.runs.size();
    for (const auto& run : r.runs) lines += run.linesExecuted;
  }
  report(state, r, runs, lines);
}

void BM_PlaytestDemo(benchmark::State& state) {
  Scratch scratch;
  playtestOf(state, VELORIA_DEMO_DIR);
}
BENCHMARK(BM_PlaytestDemo)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PlaytestGenerated(benchmark::State& state) {
  Scratch scratch;
  const std::string dir = scratch.root + "/game";
  fs::makeDirectories(dir);
  const std::string script = utf8ToSjis(generatedGame(200));
  fs::writeHostFile(dir + "/0.txt", script.data(), script.size());
  playtestOf(state, dir);
}
BENCHMARK(BM_PlaytestGenerated)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
