// veloria --check on a 5 MB script: 100 files, 5000 labels, story text between commands
// that jump, compute, show pictures and run transitions. The whole check (load, labels, the
// define block, both passes over the script, the file look-ups) must stay well under a second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/commands.h"
#include "check/checker.h"
#include "platform/files.h"
#include "platform/text_codec.h"

namespace {

using namespace veloria;

std::string makeGame() {
  auto dir = std::filesystem::temp_directory_path() / "veloria-bench-check";
  std::filesystem::create_directories(dir / "bg");
  fs::writeHostFile((dir / "bg" / "room.bmp").string(), "BM", 2);
  const std::string text = utf8ToSjis("「試験の文章です。長い物語の一行として、ここに置かれています。」@\r\n");
  const std::string page = utf8ToSjis("彼女はそう言って、白い息を吐いた。窓の外では雪が降り続いている。\\\r\n");
  int label = 0;
  for (int f = 0; f < 100; ++f) {
    std::string body;
    if (f == 0) body = "*define\r\nnumalias hero,10\r\neffect 2,10,500\r\ngame\r\n*start\r\n";
    for (int block = f == 0 ? 2 : 0; block < 50; ++block) {
      body += "*l" + std::to_string(label++) + "\r\n";
      body += "mov %hero,%11:add %12,1:if %12 > 5 goto *l" + std::to_string(label / 2) + "\r\n";
      body += "bg \"bg\\room.bmp\",2\r\n";
      for (int i = 0; i < 6; ++i) body += text + "mov $1,\"x\":itoa $2,%12\r\n" + page;
    }
    fs::writeHostFile((dir / (std::to_string(f) + ".txt")).string(), body.data(), body.size());
  }
  return dir.string();
}

void BM_CheckFiveMegabyteScript(benchmark::State& state) {
  static const std::string dir = makeGame();
  fs::setGameDirectory(dir);
  size_t findings = 0, statements = 0, bytes = 0;
  for (auto _ : state) {
    CheckResult r = checkGame(setUpEngine);
    findings = r.findings.size();
    statements = 0;
    for (const auto& f : r.lines.files) statements += f.statementLines.size();
    bytes = r.lines.scriptLength;
  }
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["lines"] = static_cast<double>(statements);
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_CheckFiveMegabyteScript)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
