// Replays saved inputs through one fuzz target without libFuzzer, so the normal test run
// (and its sanitizer build) keeps every corpus file and every crash once found working.
// Each file named on the command line, or found under a directory named there, is given to
// LLVMFuzzerTestOneInput once, in name order. The run fails on a crash, on an input slower
// than the time bound, or when the process grew past the memory bound.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

// Generous bounds: sanitizer builds on a busy machine are many times slower than a fuzzer's
// own build, and their shadow memory counts as resident.
long envOr(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const long maxMs = envOr("VELORIA_REPLAY_MAX_MS", 10000);
  const long maxMb = envOr("VELORIA_REPLAY_MAX_MB", 4096);
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);

  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    if (fs::is_directory(argv[i], ec)) {
      for (const auto& entry : fs::recursive_directory_iterator(argv[i], ec))
        if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (fs::is_regular_file(argv[i], ec)) {
      files.emplace_back(argv[i]);
    } else {
      std::fprintf(stderr, "replay: no such file or directory: %s\n", argv[i]);
      return 2;
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "replay: no inputs (usage: %s FILE-OR-DIRECTORY...)\n", argv[0]);
    return 2;
  }

  int failures = 0;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A buffer of exactly the input's size, so the address sanitizer sees any read past it.
    std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
    const auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    if (ms > maxMs) {
      std::fprintf(stderr, "replay: %s took %lld ms (bound %ld ms)\n", file.c_str(), static_cast<long long>(ms),
                   maxMs);
      ++failures;
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const long peakMb = usage.ru_maxrss / 1024;
  std::fprintf(stderr, "replay: %zu inputs, peak %ld MB\n", files.size(), peakMb);
  if (peakMb > maxMb) {
    std::fprintf(stderr, "replay: peak memory %ld MB passes the bound of %ld MB\n", peakMb, maxMb);
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
