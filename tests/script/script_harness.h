// A headless engine for script-engine tests: loads a script given as UTF-8 text and runs it
// the way an engine cycle does, or lets a test call the readers directly.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <unistd.h>

#include "app/app.h"
#include "app/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "save/save.h"
#include "script/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria::test {

inline std::string sjisOf(std::string_view utf8) { return utf8ToSjis(utf8); }

// A fresh directory under the system's temporary directory, removed afterwards; it is the
// game directory while it lives.
class TempGameDir {
 public:
  TempGameDir() {
    auto base = std::filesystem::temp_directory_path();
    for (int i = 0;; ++i) {
      path_ = base / ("veloria-script-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
      if (std::filesystem::create_directory(path_)) break;
    }
    previous_ = fs::gameDirectory();
    fs::setGameDirectory(path_.string());
  }
  ~TempGameDir() {
    fs::setGameDirectory(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string path() const { return path_.string(); }
  // Writes raw bytes to a file in the directory.
  void write(const std::string& name, std::string_view bytes) const {
    fs::writeHostFile(fs::joinHost(path(), name), bytes.data(), bytes.size());
    fs::invalidateCache();
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

 private:
  static int& counter() {
    static int c = 0;
    return c;
  }
  std::filesystem::path path_;
  std::string previous_;
};

class ScriptHarness {
 public:
  explicit ScriptHarness(uint32_t timeoutMs = 20000) : platform_(makeHeadless(timeoutMs)), e(*platform_) {
    registerAllCommands(e.commands);
    platform_->onTimeout = [] { throw ProcessExit{3}; };
    restoreDefaults();
  }
  ~ScriptHarness() { platform_->onTimeout = nullptr; }

  Platform& platform() { return *platform_; }

  void restoreDefaults() { restoreAllDefaults(e); }

  // Installs the script (UTF-8 text, stored as Shift-JIS) and its labels; scriptPos 0.
  void load(std::string_view utf8) {
    forgetError();
    loadScriptFromMemory(e, sjisOf(utf8));
    buildLabelTable(e);
    e.script.scriptPos = 0;
  }

  // Runs `fn`, returning the exit code a ProcessExit carried, or -1 when it returned.
  template <typename Fn>
  int exitCodeOf(Fn&& fn) {
    try {
      fn();
    } catch (const ProcessExit& x) {
      return x.code;
    }
    return -1;
  }

  // An engine cycle: define pass, reset, game pass. Returns the exit code, or -1 when the
  // game pass ended through definereset.
  int run(std::string_view utf8) {
    forgetError();
    restoreDefaults();
    return exitCodeOf([&] {
      loadScriptFromMemory(e, sjisOf(utf8));
      createScreenSurfaces(e);
      buildLabelTable(e);
      runInterpreter(e, true);
      resetEngine(e);
      runInterpreter(e, false);
    });
  }

  // Lets one harness see several fatal errors in a row.
  void forgetError() {
    e.script.reportingError = false;
    e.app.error = {};
  }

  // The recorded error, in UTF-8.
  std::string errorCaption() const { return sjisToUtf8(e.app.error.caption); }
  std::string errorMessage() const { return sjisToUtf8(e.app.error.message); }
  // The first line of the error text (the message without the position and excerpt).
  std::string errorHead() const {
    std::string m = errorMessage();
    return m.substr(0, m.find('\n'));
  }

  int32_t num(int i) const { return e.script.numVars[static_cast<size_t>(i)]; }
  std::string str(int i) const { return sjisToUtf8(e.script.strVars[static_cast<size_t>(i)]); }

 private:
  static std::unique_ptr<Platform> makeHeadless(uint32_t timeoutMs) {
    HeadlessOptions o;
    o.timeoutMs = timeoutMs;
    return makeHeadlessPlatform(o);
  }

  std::unique_ptr<Platform> platform_;

 public:
  Engine e;
};

// A script with an empty define block around a game body (UTF-8).
inline std::string game(std::string_view body) {
  return "*define\ngame\n*start\n" + std::string(body) + "\nend\n";
}

}  // namespace veloria::test
