// Runs arbitrary bytes as a script on the headless backend with a short virtual time limit.
// Every input must end in a clean script error, a normal end or the time limit: never a
// crash, a hang or an access outside a buffer.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

#include "app/app.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/media/media_port.h"
#include "platform/platform.h"
#include "resource/resource.h"
#include "save/save.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace {

using namespace veloria;

// Commands that reach outside the game (programs, the desktop, files by any path) read
// their arguments as usual and do nothing else here.
void readStringOnly(Engine& e, std::string_view, bool) { readString(e); }
void readStringAndNumber(Engine& e, std::string_view, bool) {
  readString(e);
  expectComma(e);
  readNumber(e);
}

void restoreAll(Engine& e) { restoreAllDefaults(e); }

// A reset costs milliseconds (every subsystem starts over) and one in a loop repeats itself
// until the time limit: a few per input show what a reset does.
CommandHandler realReset = nullptr;
int resetsLeft = 0;
void cappedReset(Engine& e, std::string_view word, bool definePass) {
  if (--resetsLeft < 0) throw ProcessExit{3};
  realReset(e, word, definePass);
}

// The game directory of this process, removed at exit.
const std::string& gameDir() {
  static const struct Dir {
    std::string path;
    Dir() {
      auto d = std::filesystem::temp_directory_path() / ("veloria-fuzz-" + std::to_string(::getpid()));
      std::filesystem::create_directories(d / "tmp");
      path = d.string();
    }
    ~Dir() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } dir;
  return dir.path;
}

}  // namespace

// A headless platform whose virtual time limit starts again for every input: a virtual
// clock that moves only when the engine sleeps or finds the queue empty, and that answers
// every wait with a left click, every box with its default button.
class FuzzPlatform final : public Platform {
 public:
  // Sound commands need the mixer; it runs on this platform's virtual clock.
  FuzzPlatform() {
    auto media = std::make_shared<VirtualClockMedia>(*this, std::string());
    clockMedia_ = media.get();
    media_ = media;
  }
  ~FuzzPlatform() override {
    clockMedia_ = nullptr;
    media_.reset();
  }
  void startInput(uint32_t limitMs) {
    clearQueue();
    deadlineUs_ = nowUs_ + static_cast<uint64_t>(limitMs) * 1000;
  }
  uint32_t timeGetTime() override { return static_cast<uint32_t>(nowUs_ / 1000); }
  // A statement costs 40 us of the input's time: at most 1,000 statements an input (each
  // with its save point), which a loop in the script reaches at once and which is plenty
  // for everything else.
  void sleep(uint32_t ms) override { advance(ms == 0 ? 40 : static_cast<uint64_t>(ms) * 1000); }
  // Nobody looks at the window: a corner of it keeps what is shown cheap to copy, while the
  // engine's own pictures stay full size.
  void createWindow(int, int) override { setClientSize(kShownSize, kShownSize); }
  void showWindow() override { shown_ = true; }
  bool windowShown() const override { return shown_; }
  void resizeClient(int, int) override {}
  void setTitle(std::string_view) override {}
  void destroyWindow() override { shown_ = false; }
  bool setFullscreen(bool on) override {
    fullscreen_ = on;
    return true;
  }
  bool setCursorFile(const std::string&) override { return true; }
  bool headless() const override { return true; }

 protected:
  void pumpOsEvents() override {}
  void idle() override {
    if (waitingFor() != WaitKind::None && waitingFor() != WaitKind::Dialog && queuedMessageCount() == 0) {
      postMessage(WM_LBUTTONDOWN, 1, 0);
      postMessage(WM_LBUTTONUP, 0, 0);
    }
    advance(1000);
  }
  int showMessageBox(std::string_view, std::string_view, int type) override { return type == MB_YESNO ? IDYES : IDOK; }
  // Nobody answers: the dialogs end at once (defaults, empty entries, no list choice).
  DialogAnswer showInputDialog(const InputDialogSetup&) override { return {DialogEnd::Unanswered, {}, -1}; }
  DialogAnswer showListDialog(const ListDialogSetup&) override { return {DialogEnd::Unanswered, {}, -1}; }
  void pictureChanged(const Rect&) override {}

 private:
  void advance(uint64_t us) {
    nowUs_ += us;
    if (clockMedia_ != nullptr) clockMedia_->advanceTo(nowUs_);
    if (nowUs_ >= deadlineUs_) throw ProcessExit{3};
  }
  static constexpr int kShownSize = 16;
  uint64_t nowUs_ = 0;
  uint64_t deadlineUs_ = UINT64_MAX;
  bool shown_ = false;
  VirtualClockMedia* clockMedia_ = nullptr;
};

// One engine serves every input (making screen surfaces per input would dominate the run
// time); what an input could leave behind is put back before the next one.
struct FuzzEngine {
  FuzzEngine() : e(platform) {
    e.app.tempDirectory = gameDir() + "/tmp/";
    connectEngine(e);
    e.commands.add("winexec", readStringAndNumber, "s,n");
    e.commands.add("shell", readStringOnly, "s");
    e.commands.add("filecreate", readStringOnly, "s");
    e.commands.add("fileremove", readStringOnly, "s");
    realReset = e.commands.find("reset");
    e.commands.add("reset", cappedReset, kOwnCheck);
    platform.createWindow(e.app.screenWidth, e.app.screenHeight);
    platform.setWindowProc([this](const Message& m) { windowProc(e, m); });
  }
  FuzzPlatform platform;
  Engine e;
  int surfaceWidth = 0;
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzEngine fuzz;
  Engine& e = fuzz.e;
  fs::setGameDirectory(gameDir());
  fuzz.platform.startInput(40);
  resetsLeft = 8;
  loadMenuResource(fuzz.platform);
  e.app.screenWidth = 640;
  e.app.screenHeight = 480;
  e.app.exitCode = 0;
  e.app.error = {};
  e.script.numVars.fill(0);
  for (auto& s : e.script.strVars) s.clear();
  e.script.labelLog.clear();
  e.script.fileLog.clear();
  e.save.readMarks.clear();
  try {
    restoreAll(e);
    loadScriptFromMemory(e, std::string_view(reinterpret_cast<const char*>(data), size));
    if (e.app.screenWidth != fuzz.surfaceWidth) {
      createScreenSurfaces(e);
      fuzz.surfaceWidth = e.app.screenWidth;
    }
    buildLabelTable(e);
    runInterpreter(e, true);
    resetEngine(e);
    runInterpreter(e, false);
  } catch (const ProcessExit&) {
  }
  return 0;
}
