// Looking a name up in an archive of 10,000 members: the in-memory index against the
// front-to-back scan of the table, for names found and names missing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "resource/archive_index.h"

namespace {

constexpr int kMembers = 10000;

std::string memberName(int i) { return "bg\\scene" + std::to_string(i) + "_layer.bmp"; }

// Writes arc.vla with kMembers entries into a scratch game directory (once per process).
const std::string& gameDir() {
  static std::string dir = [] {
    std::string d = (std::filesystem::temp_directory_path() /
                     ("veloria-bench-lookup-" + std::to_string(::getpid())))
                        .string();
    std::filesystem::create_directories(d);
    std::vector<uint8_t> table;
    auto be = [](std::vector<uint8_t>& b, uint32_t v, int n) {
      for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    for (int i = 0; i < kMembers; ++i) {
      std::string n = memberName(i);
      table.insert(table.end(), n.begin(), n.end());
      table.push_back(0);
      table.push_back(2);
      be(table, static_cast<uint32_t>(i) * 100, 4);
      be(table, 100, 4);
      be(table, 300, 4);
    }
    std::vector<uint8_t> file;
    be(file, kMembers, 2);
    be(file, static_cast<uint32_t>(6 + table.size()), 4);
    file.insert(file.end(), table.begin(), table.end());
    std::FILE* f = std::fopen((d + "/arc.vla").c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    veloria::fs::setGameDirectory(d);
    std::atexit([] { std::filesystem::remove_all(gameDir()); });
    return d;
  }();
  return dir;
}

void BM_IndexedLookupHit(benchmark::State& state) {
  gameDir();
  veloria::ArchiveIndexCache cache;
  int i = 0;
  for (auto _ : state) {
    auto hit = veloria::findInArchivesIndexed(cache, "BG/Scene" + std::to_string(i * 7919 % kMembers) + "_Layer.BMP");
    if (!hit) state.SkipWithError("not found");
    benchmark::DoNotOptimize(hit);
    ++i;
  }
}
BENCHMARK(BM_IndexedLookupHit)->Unit(benchmark::kMicrosecond);

void BM_IndexedLookupMiss(benchmark::State& state) {
  gameDir();
  veloria::ArchiveIndexCache cache;
  for (auto _ : state) benchmark::DoNotOptimize(veloria::findInArchivesIndexed(cache, "bg\\missing.bmp"));
}
BENCHMARK(BM_IndexedLookupMiss)->Unit(benchmark::kMicrosecond);

void BM_ScanLookupHit(benchmark::State& state) {
  gameDir();
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        veloria::findInArchivesByScan("BG/Scene" + std::to_string(i * 7919 % kMembers) + "_Layer.BMP"));
    ++i;
  }
}
BENCHMARK(BM_ScanLookupHit)->Unit(benchmark::kMicrosecond);

void BM_IndexBuild(benchmark::State& state) {
  gameDir();
  for (auto _ : state) {
    veloria::ArchiveIndexCache cache;  // a fresh cache reads the whole table
    benchmark::DoNotOptimize(veloria::findInArchivesIndexed(cache, "bg\\missing.bmp"));
  }
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
