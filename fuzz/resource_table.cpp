// Archive tables from arbitrary bytes: the indexed lookup must agree with the front-to-back
// scan for every name, and reading the members found must stay inside the file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "resource/archive_index.h"
#include "resource/resource.h"

namespace {

// The archive is a real file (the lookups read the game directory); in memory-backed /dev/shm
// when there is one, so writing it once per input costs little. Removed at exit.
struct Setup {
  std::string dir;
  std::unique_ptr<veloria::Platform> platform;
  std::unique_ptr<veloria::Engine> engine;
  Setup() {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    dir = (base / ("veloria-fuzz-table-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    veloria::fs::setGameDirectory(dir);
    platform = veloria::makeHeadlessPlatform(veloria::HeadlessOptions{});
    engine = std::make_unique<veloria::Engine>(*platform);
    engine->res.archivesEnabled = 1;
  }
  ~Setup() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup s;
  // The names to ask for: the first names the table holds (every lookup reads the file, so
  // a few are enough), and two it does not.
  std::vector<std::string> names = {"absent", std::string(300, 'a')};
  veloria::MemoryByteReader reader{data, data + size};
  veloria::ArchiveHeader header;
  veloria::readArchiveTable(reader, header, [&](const veloria::ArchiveEntry& e) {
    names.push_back(e.name);
    return names.size() >= 10;
  });
  std::FILE* f = std::fopen((s.dir + "/arc.vla").c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  // A fresh index each time: the file is rewritten faster than its time stamp moves.
  veloria::ArchiveIndexCache cache;
  for (const std::string& n : names) {
    auto a = veloria::findInArchivesIndexed(cache, n);
    auto b = veloria::findInArchivesByScan(n);
    if (a.has_value() != b.has_value()) std::abort();
    if (!a) continue;
    if (a->position != b->position || a->kind != b->kind || a->storedLength != b->storedLength ||
        a->decodedLength != b->decodedLength)
      std::abort();
    auto member = veloria::readArchiveMember(*s.engine, *a);
    if (member && a->kind == veloria::kArchiveLzss && member->size() > a->decodedLength) std::abort();
    if (member && a->kind == veloria::kArchiveStored && member->size() > size) std::abort();
  }
  return 0;
}
