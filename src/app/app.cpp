// Start-up and the engine's outer life cycle.
#include "app/app.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "app/autoplay_strategy.h"
#include "check/coverage.h"
#include "check/dump.h"
#include "engine/engine.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/headless/autoplay_port.h"
#include "platform/instance_lock.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "save/save.h"
#include "script/script.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// config.txt: a line starting with "cdfadeoff" turns the CD fade-out off. A line is taken
// 254 bytes at a time and each piece is checked as a line of its own.
void readConfig(Engine& e) {
  auto data = fs::readFile("config.txt");
  if (!data) return;
  std::string text(data->begin(), data->end());
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string::npos ? text.size() : nl + 1;
    for (size_t chunk = pos; chunk < end; chunk += 254) {
      if (text.compare(chunk, 9, "cdfadeoff") == 0) e.app.cdFadeOff = 1;
    }
    pos = end;
  }
}

// The temporary directory for extracted archive members: ours alone (0700), so nobody else
// can plant a link where a member is about to be written. Per user and per run; when it
// cannot be made we say so once and go on (extraction then fails with its own load error).
void makeTempDirectory(Engine& e, const std::string& runtime) {
  std::string why;
  if (!runtime.empty()) {
    std::string base = fs::joinHost(runtime, "Velo");
    if (fs::makePrivateDirectory(base, true, &why)) {
      e.app.tempDirectory = base + "/";
      return;
    }
  }
  char tmpl[] = "/tmp/veloria-temp-XXXXXX";
  if (char* d = ::mkdtemp(tmpl)) {  // mkdtemp makes a fresh 0700 directory
    e.app.tempDirectory = std::string(d) + "/";
    return;
  }
  std::fprintf(stderr, "veloria: cannot create a temporary directory (%s)\n", why.c_str());
  e.app.tempDirectory.clear();
}

// The settings come back as the menu commands the player gave; the window procedure
// carries them out (check marks included) as it does a choice from the menu.
void postMenuChoices(Engine& e, const MenuChoices& c) {
  Platform& p = e.platform;
  if (c.fullScreen) p.postMessage(WM_COMMAND, IDM_FULLSCREEN);
  if (!c.waveOn) p.postMessage(WM_COMMAND, IDM_WAVE_OFF);
  if (!c.cdEnabled) p.postMessage(WM_COMMAND, IDM_CD_OFF);
  if (c.pageOnly) p.postMessage(WM_COMMAND, IDM_PAGE_ONLY);
  if (c.textSpeed >= 0 && c.textSpeed <= 2)
    p.postMessage(WM_COMMAND, static_cast<uint32_t>(IDM_SPEED_SLOW + c.textSpeed));
  if (c.faceName == defaultFace(e)) {
    p.postMessage(WM_COMMAND, IDM_FONT_DEFAULT);
  } else if (int id = fontItemId(e, c.faceName); id >= 0) {
    p.postMessage(WM_COMMAND, static_cast<uint32_t>(id));
  }
}

// `warpLabel`: where this cycle's game pass starts instead of start; used up by the first.
// `options.onGameShown` is called in the first cycle, once the window shows.
void runEngineCycle(Engine& e, std::string& warpLabel, const AppOptions& options) {
  restoreAllDefaults(e);
  std::srand(e.platform.timeGetTime());
  stopAllSound(e);
  loadScript(e);
  createScreenSurfaces(e);
  loadGlobalVariables(e);
  buildFontMenu(e);
  e.platform.setMenuAttached(!e.appWindow.fullScreen || !e.appWindow.menuHidden);
  buildLabelTable(e);
  runInterpreter(e, true);
  readLogs(e);
  if (auto choices = readEnvironment(e)) postMenuChoices(e, *choices);
  e.platform.showWindow();
  paintWindow(e);
  if (e.app.engineCycles == 0 && options.onGameShown) options.onGameShown(e);
  e.platform.sleep(500);
  e.platform.setTimer(1, 100);
  ++e.app.engineCycles;
  resetEngine(e);
  if (!warpLabel.empty()) {
    std::string label = std::move(warpLabel);
    warpLabel.clear();
    if (findLabel(e, label) < 0) {
      std::fprintf(stderr, "veloria: --warp: the script has no label *%s\n", label.c_str());
      throw ProcessExit{kExitUsage};
    }
    jumpToLabel(e, label);
  }
  e.platform.sleep(5);
  runInterpreter(e, false);
  releaseScript(e);
}

void writeExitArtifacts(Engine& e, const AppOptions& o) {
  if (e.app.coverage && !o.coverageFile.empty()) writeCoverage(*e.app.coverage, setUpEngine, o.coverageFile, stderr);
  if (!o.dumpOnExit.empty()) writeDump(e, o.dumpOnExit);
  if (!o.screenshotOnExit.empty() && !e.platform.writeScreenshotPng(o.screenshotOnExit))
    std::fprintf(stderr, "veloria: cannot write %s\n", o.screenshotOnExit.c_str());
}

}  // namespace

void restoreAllDefaults(Engine& e) {
  e.app.quitRequested = 0;
  e.app.autoModeAllowed = 0;
  e.app.pictureViewFlag = 0;
  e.app.versionLines[0] = "Veloria Version 1.4";
  e.app.versionLines[1] = "(C) The Veloria developers";
  scriptRestoreDefaults(e);
  textRestoreDefaults(e);
  graphicsRestoreDefaults(e);
  resourceRestoreDefaults(e);
  soundRestoreDefaults(e);
  saveRestoreDefaults(e);
  uiRestoreDefaults(e);
}

int runApplication(Platform& platform, const AppOptions& options) {
  fs::setGameDirectory(options.gameDir);

  // A runtime directory that is not ours alone is not used at all: another user could hold
  // the lock there or plant links. We run without the single-instance guard instead.
  std::string why;
  const std::string runtime = fs::prepareRuntimeDirectory(&why);
  if (runtime.empty())
    std::fprintf(stderr, "veloria: not using the runtime directory %s\n", why.c_str());
  InstanceLock lock;
  if (!runtime.empty() && !lock.acquire(runtime, "MutexDesu2")) {
    platform.messageBox(sj("同時に二つ実行しないでください"), sj("起動エラー"), MB_OK);
    return kExitAlreadyRunning;
  }

  auto engine = std::make_unique<Engine>(platform);
  Engine& e = *engine;
  e.app.autoplay = options.autoplay;
  // The run's strategy answers autoplay's choices and button waits.
  if (options.autoplay && options.autoplayStrategy)
    setAutoplayPicker(platform, [&e, s = options.autoplayStrategy](const AutoplayWait& w) {
      return s->choose(e, w.place, w.options);
    });
  setScriptOptions(e, options.scriptOptions);
  makeTempDirectory(e, runtime);
  connectEngine(e);

  platform.createWindow(e.app.screenWidth, e.app.screenHeight);
  loadMenuResource(platform);
  platform.setWindowProc([&e](const Message& m) { windowProc(e, m); });
  startReadingAloud(e, options.readAloud);
  platform.onMessageBoxOpened = [&e](std::string_view text, std::string_view caption) {
    sayMessageBox(e, caption, text);
  };
  platform.onDialogOpened = [&e](const OpenDialog& d) { sayDialog(e, d); };
  platform.onDumpRequest = [&e](const std::string& path) { writeDump(e, path); };
  platform.onQuitRequest = [&e] {
    e.app.exitCode = 0;
    destroyMainWindow(e);
  };
  platform.onTimeout = [&e] {
    std::fprintf(stderr, "veloria: virtual time limit reached\n");
    throw ProcessExit{kExitTimeout};
  };

  readConfig(e);
  if (fs::exists("debug.314")) e.app.debugMode = 1;

  CoverageRecorder coverage;
  if (options.coverage) e.app.coverage = options.coverage;
  else if (!options.coverageFile.empty()) e.app.coverage = &coverage;
  std::string warpLabel = options.warpLabel;

  int code = 0;
  try {
    for (;;) runEngineCycle(e, warpLabel, options);
  } catch (const ProcessExit& exit) {
    code = exit.code;
  }
  platform.onDumpRequest = nullptr;
  platform.onMessageBoxOpened = nullptr;
  platform.onDialogOpened = nullptr;
  platform.onQuitRequest = nullptr;
  platform.onTimeout = nullptr;
  platform.setWindowProc(nullptr);
  setAutoplayPicker(platform, nullptr);

  // Process exit: read marks, then the artefacts the automation asked for.
  writeReadMarks(e);
  writeExitArtifacts(e, options);
  e.app.coverage = nullptr;
  if (options.beforeExit) options.beforeExit(e);
  if (!e.app.tempDirectory.empty()) fs::removeTree(e.app.tempDirectory);
  lock.release();
  return code;
}

}  // namespace veloria
