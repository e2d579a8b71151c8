// The player's files as the engine finds them on the disk: the input describes one file (which
// of them, in what form, how large it claims to be, its bytes), the file layer reads it with its
// kind's limit and the format reads what it gives. A file refused as too large or unreadable
// must stay exactly as it was, even when the engine then writes it; a plain file within its
// limit must be read whole.
//
// Input: byte 0 the kind (save, gloval.sav, kidoku.dat, envdata, a log), byte 1 the form
// (0 plain, 1 grown by bytes 2..5 past its limit, 2 symbolic link, 3 folder, 4 pipe),
// then the file's bytes.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "save/persist_formats.h"
#include "save/save_items.h"

namespace {

struct Kind {
  const char* name;
  uint64_t limit;
};
constexpr Kind kKinds[] = {{"save1.dat", 64u << 20},
                           {"gloval.sav", veloria::kMaxGlobalsFileBytes},
                           {"kidoku.dat", veloria::kMaxReadMarksFileBytes},
                           {"envdata", veloria::kMaxEnvironmentFileBytes},
                           {"Velollog.dat", veloria::kMaxLogFileBytes}};

// Never destroyed: the exit handler that removes the folder runs after static destructors.
const std::string& scratch() {
  static const std::string& dir = *new std::string([] {
    const char* tmp = std::getenv("TMPDIR");
    std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/veloria-fuzz-files-XXXXXX";
    std::vector<char> buf(t.begin(), t.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) std::abort();
    std::string d = buf.data();
    std::atexit([] { std::filesystem::remove_all(scratch()); });
    return d;
  }());
  return dir;
}

void decode(const Kind& k, const std::vector<uint8_t>& d) {
  const std::string name = k.name;
  if (name == "save1.dat") {
    auto s = std::make_unique<veloria::SaveSnapshot>();
    (void)veloria::decodeSnapshot(d.data(), d.size(), 1000, *s);
  } else if (name == "gloval.sav") {
    auto g = std::make_unique<veloria::GlobalVariables>();
    veloria::decodeGlobals(d.data(), d.size(), *g);
  } else if (name == "envdata") {
    (void)veloria::decodeEnvironment(d.data(), d.size());
  } else if (name == "Velollog.dat") {
    (void)veloria::decodeLog(d.data(), d.size());
  }
}

std::string shape(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "none";
  return std::to_string(st.st_mode & S_IFMT) + ":" + std::to_string(st.st_size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 20)) return 0;
  const Kind& k = kKinds[data[0] % (sizeof kKinds / sizeof kKinds[0])];
  const int form = data[1] % 5;
  const std::string game = scratch() + "/game";
  std::filesystem::remove_all(game);
  std::filesystem::create_directories(game);
  veloria::fs::setGameDirectory(game);
  const std::string path = game + "/" + k.name;
  const std::vector<uint8_t> bytes(data + 2, data + size);
  if (form <= 1) {
    if (!veloria::fs::writeHostFile(path, bytes.data(), bytes.size())) std::abort();
    if (form == 1) {
      uint32_t past = 1;
      for (size_t i = 2; i < 6 && i < size; ++i) past = past * 256 + data[i];
      if (::truncate(path.c_str(), static_cast<off_t>(k.limit + past)) != 0) std::abort();  // sparse
    }
  } else if (form == 2) {
    if (::symlink("/etc/hostname", path.c_str()) != 0) std::abort();
  } else if (form == 3) {
    if (::mkdir(path.c_str(), 0755) != 0) std::abort();
  } else if (::mkfifo(path.c_str(), 0644) != 0) {
    std::abort();
  }
  veloria::fs::invalidateCache();
  const std::string before = shape(path);

  veloria::fs::ReadProblem problem = veloria::fs::ReadProblem::None;
  std::FILE* quiet = std::freopen("/dev/null", "w", stderr);
  auto read = veloria::fs::readPersistentFile(k.name, k.limit, &problem);
  const bool fits = form == 0 && bytes.size() <= k.limit;
  if (read) {
    if (!fits || *read != bytes) std::abort();
    decode(k, *read);
  } else {
    if (fits || problem == veloria::fs::ReadProblem::Missing) std::abort();
    // Held: the engine's writes leave it as it was.
    if (veloria::fs::writePersistentFile(k.name, "x", 1) || shape(path) != before) std::abort();
  }
  (void)quiet;
  return 0;
}
