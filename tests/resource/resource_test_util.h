// Shared set-up for the resource tests: a scratch game directory with a temporary directory
// beside it, an engine on the headless platform, and a hand-assembled archive writer that
// does not share code with the tool.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "engine/engine.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "support/bmp_writer.h"
#include "support/game_dir.h"

namespace veloria::test {

using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

inline Bytes readAll(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& path, const Bytes& b) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Pseudo-random bytes with some repetition, so compressors have something to find.
inline Bytes sampleData(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  b.reserve(n);
  while (b.size() < n) {
    if (b.size() > 32 && rng() % 3 == 0) {
      size_t back = 1 + rng() % std::min<size_t>(b.size(), 300);
      size_t len = 1 + rng() % 20;
      for (size_t i = 0; i < len && b.size() < n; ++i) b.push_back(b[b.size() - back]);
    } else {
      b.push_back(static_cast<uint8_t>("abcdefgh \n"[rng() % 10] + (rng() % 7 == 0 ? rng() % 100 : 0)));
    }
  }
  return b;
}

struct RawEntry {
  std::string name;  // written as given
  uint8_t kind = 0;
  Bytes data;        // the member's stored bytes
  uint32_t decodedLength = 0;
};

// An archive file: big-endian count and data offset, the entries, then the data.
inline Bytes assembleArchive(const std::vector<RawEntry>& entries) {
  auto be = [](Bytes& b, uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  Bytes table;
  uint32_t offset = 0;
  for (const auto& en : entries) {
    table.insert(table.end(), en.name.begin(), en.name.end());
    table.push_back(0);
    table.push_back(en.kind);
    be(table, offset, 4);
    be(table, static_cast<uint32_t>(en.data.size()), 4);
    be(table, en.decodedLength, 4);
    offset += static_cast<uint32_t>(en.data.size());
  }
  Bytes out;
  be(out, static_cast<uint32_t>(entries.size()), 2);
  be(out, static_cast<uint32_t>(6 + table.size()), 4);
  out.insert(out.end(), table.begin(), table.end());
  for (const auto& en : entries) out.insert(out.end(), en.data.begin(), en.data.end());
  return out;
}

inline RawEntry stored(std::string name, std::string_view content) {
  return RawEntry{std::move(name), 0, bytesOf(content), static_cast<uint32_t>(content.size())};
}

class ResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::make_unique<GameDir>();
    root_ = dir->scratch();
    game = dir->path();
    std::filesystem::create_directories(root_ + "/tmp");
    platform = makeHeadlessPlatform(HeadlessOptions{});
    engine = std::make_unique<Engine>(*platform);
    connectEngine(*engine);
    restoreAllDefaults(*engine);
    engine->app.tempDirectory = root_ + "/tmp/";
  }
  void TearDown() override {
    engine.reset();
    platform.reset();
    dir.reset();
  }

  void put(const std::string& gameName, const Bytes& b) { dir->write(gameName, b); }
  std::string tempFile(const std::string& base) const { return root_ + "/tmp/" + base; }
  size_t tempFileCount() const {
    size_t n = 0;
    std::error_code ec;  // the shut-down after a script error removes the directory
    for ([[maybe_unused]] auto& d : std::filesystem::directory_iterator(root_ + "/tmp", ec)) ++n;
    return n;
  }

  // Runs `f`, which must end the run with a script error; checks caption and message (UTF-8).
  template <class F>
  void expectScriptError(F&& f, const char* caption, const std::string& message) {
    engine->script.reportingError = false;  // each check starts a fresh report
    engine->app.error = {};
    try {
      f();
      ADD_FAILURE() << "no script error; expected " << message;
    } catch (const ProcessExit& x) {
      EXPECT_NE(x.code, 0);
      ASSERT_TRUE(engine->app.error.set);
      EXPECT_EQ(sjisToUtf8(engine->app.error.caption), caption);
      EXPECT_NE(sjisToUtf8(engine->app.error.message).find(message), std::string::npos)
          << sjisToUtf8(engine->app.error.message);
    }
  }

  std::unique_ptr<GameDir> dir;
  std::string root_;  // beside the game: sources, outputs and the temporary directory
  std::string game;
  std::unique_ptr<Platform> platform;
  std::unique_ptr<Engine> engine;
};

}  // namespace veloria::test

namespace veloria::test {

// "1 01111000 0..." -> bytes, most significant bit first; blanks are ignored and the last
// byte is padded with `pad` bits.
inline Bytes bitString(std::string_view s, int pad = 0) {
  Bytes out;
  int n = 0;
  uint8_t cur = 0;
  for (char c : s) {
    if (c != '0' && c != '1') continue;
    cur = static_cast<uint8_t>(cur << 1 | (c == '1'));
    if (++n == 8) {
      out.push_back(cur);
      n = 0;
      cur = 0;
    }
  }
  if (n) {
    while (n++ < 8) cur = static_cast<uint8_t>(cur << 1 | pad);
    out.push_back(cur);
  }
  return out;
}

inline std::string bitsOf(uint32_t v, int n) {
  std::string s;
  for (int i = n - 1; i >= 0; --i) s.push_back((v >> i) & 1 ? '1' : '0');
  return s + " ";
}

}  // namespace veloria::test
