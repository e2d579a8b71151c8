// A headless engine for script-engine tests: loads a script given as UTF-8 text and runs it
// the way an engine cycle does, or lets a test call the readers directly.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/platform.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "support/game_dir.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria::test {

inline std::string sjisOf(std::string_view utf8) { return utf8ToSjis(utf8); }

class ScriptHarness {
 public:
  // `input`: the lines of a headless --input file (answers for the boxes, clicks).
  explicit ScriptHarness(uint32_t timeoutMs = 20000, const std::string& input = {})
      : platform_(makeHeadless(timeoutMs, input)), e(*platform_) {
    connectEngine(e);
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
  static std::unique_ptr<Platform> makeHeadless(uint32_t timeoutMs, const std::string& input) {
    HeadlessOptions o;
    o.timeoutMs = timeoutMs;
    o.inputScript = input;
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
