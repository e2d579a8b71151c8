// veloria [options] [GAME_DIR]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/app.h"
#include "app/autoplay_strategy.h"
#include "app/library_screen.h"
#include "app/playtest.h"
#include "check/checker.h"
#include "engine/engine.h"
#include "platform/files.h"
#include "platform/game_library.h"
#include "platform/headless/input_script.h"
#include "platform/platform.h"

using namespace veloria;

namespace {

const char kUsage[] =
    "usage: veloria [options] [GAME_DIR]\n"
    "       veloria --check [GAME_DIR]\n"
    "       veloria --playtest [--runs N] [--timeout MS] [--stall MS] [--report FILE.json]\n"
    "                          [--coverage FILE.info] [GAME_DIR]\n"
    "Plays the game in GAME_DIR (default: the current directory; a file stands for its folder).\n"
    "\n"
    "  --check                  check the script without running it; problems go to stdout\n"
    "                           as FILE:LINE: message (exit code 1 when there are any)\n"
    "  --warp LABEL             run the define block, then start at LABEL instead of *start\n"
    "  --coverage FILE.info     write the script lines the run executed (lcov tracefile)\n"
    "  --dialect=base|extended  read the script in this dialect, whatever it looks like\n"
    "  --lenient                go on with a warning where the script would stop: unknown\n"
    "                           words, unclosed strings, text overflowing the window\n"
    "                           (warnings also go to Velowarn.txt beside the saves)\n"
    "  --headless               run without a window, on a virtual clock\n"
    "  --input FILE             scripted input for --headless (see docs/automation.md)\n"
    "  --timeout MS             --headless: stop after MS virtual milliseconds (exit code 3)\n"
    "  --autoplay               --headless: answer every click wait, choice and box by itself\n"
    "  --autoplay=STRATEGY      the same, choosing options and buttons by STRATEGY: first (as\n"
    "                           --autoplay), explore (the one taken least often so far at that\n"
    "                           place) or random:SEED\n"
    "  --record-audio FILE      --headless: write the mixed sound as a WAV file (44.1 kHz stereo)\n"
    "  --record-speech FILE     --headless: read aloud into FILE, one line per utterance\n"
    "                           (virtual milliseconds, a tab, the text in UTF-8)\n"
    "  --dump-on-exit FILE      write the engine state as JSON when the run ends\n"
    "  --screenshot-on-exit FILE  write the window picture as PNG when the run ends\n"
    "  --playtest               play the game headless again and again, each run taking the\n"
    "                           choices earlier runs did not, and sum up what was reached\n"
    "                           (exit code 1 when a run ended in a script error)\n"
    "  --runs N                 --playtest: at most N runs (default 20)\n"
    "  --stall MS               --playtest: end a run when no new line ran for MS virtual\n"
    "                           milliseconds (default 1800000); --timeout: a run's limit\n"
    "                           (default 14400000)\n"
    "  --report FILE.json       --playtest: the summary as JSON\n"
    "  --version                print the version\n"
    "  --scale N                open the window at N times its size (a whole number; made\n"
    "                           smaller if the desktop is; ignored with --headless)\n"
    "  --help                   show this text\n";

const char kNoScript[] = "veloria: GAME_DIR holds no script (0.txt … 99.txt, veloria.dat or velo_sec.dat)\n";

int usageError(const std::string& message) {
  std::fprintf(stderr, "veloria: %s\n%s", message.c_str(), kUsage);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  HeadlessOptions hopt;
  std::string inputFile;
  AppOptions opt;
  bool haveDir = false;
  bool headlessOnlyOption = false;
  bool check = false;
  bool runOption = false;  // an option that only a run of the game uses
  WindowOptions wopt;
  bool playtest = false;
  PlaytestOptions popt;
  bool playtestOnlyOption = false;
  std::string notForPlaytest;  // an option given that a play-test does not take
  // A positive whole number (milliseconds or runs) that fits 32 bits.
  auto positive = [](const std::string& v, unsigned long& out) {
    char* end = nullptr;
    out = std::strtoul(v.c_str(), &end, 10);
    return !v.empty() && v[0] != '-' && *end == '\0' && out > 0 && out <= 0xFFFFFFFFul;
  };

  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string* out) -> bool {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return kExitNormal;
    } else if (a == "--version") {
      std::printf("veloria %s\n", VELORIA_VERSION);
      return kExitNormal;
    } else if (a == "--check") {
      check = true;
    } else if (a == "--playtest") {
      playtest = true;
    } else if (a == "--runs" || a == "--stall") {
      std::string v;
      unsigned long n = 0;
      if (!value(&v) || !positive(v, n)) return usageError(a + " needs a positive number");
      if (a == "--runs") popt.runs = static_cast<int>(std::min(n, 1000000ul));
      else popt.stallMs = static_cast<uint32_t>(n);
      playtestOnlyOption = true;
    } else if (a == "--report") {
      if (!value(&popt.reportFile)) return usageError("--report needs a file");
      playtestOnlyOption = true;
    } else if (a == "--warp") {
      notForPlaytest = a;
      if (!value(&opt.warpLabel)) return usageError("--warp needs a label");
      if (!opt.warpLabel.empty() && opt.warpLabel[0] == '*') opt.warpLabel.erase(0, 1);
      if (opt.warpLabel.empty()) return usageError("--warp needs a label");
      runOption = true;
    } else if (a == "--coverage") {
      if (!value(&opt.coverageFile)) return usageError("--coverage needs a file");
      runOption = true;
    } else if (a.rfind("--dialect", 0) == 0) {
      std::string v;
      if (a.size() > 9 && a[9] == '=') v = a.substr(10);
      else if (a.size() != 9 || !value(&v)) return usageError("unknown option " + a);
      if (v == "base") opt.scriptOptions.forcedDialect = Dialect::Base;
      else if (v == "extended") opt.scriptOptions.forcedDialect = Dialect::Extended;
      else return usageError("--dialect needs base or extended");
      opt.scriptOptions.forceDialect = true;
    } else if (a == "--lenient") {
      opt.scriptOptions.lenient = true;
    } else if (a == "--headless") {
      notForPlaytest = a;
      headless = true;
      runOption = true;
    } else if (a == "--input") {
      notForPlaytest = a;
      if (!value(&inputFile)) return usageError("--input needs a file");
      headlessOnlyOption = true;
      runOption = true;
    } else if (a == "--timeout") {
      std::string v;
      if (!value(&v)) return usageError("--timeout needs a number of milliseconds");
      char* end = nullptr;
      unsigned long ms = std::strtoul(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || ms == 0 || ms > 0xFFFFFFFFul)
        return usageError("--timeout needs a positive number of milliseconds");
      hopt.timeoutMs = static_cast<uint32_t>(ms);
      popt.timeoutMs = hopt.timeoutMs;
      headlessOnlyOption = true;
      runOption = true;
    } else if (a == "--autoplay" || a.rfind("--autoplay=", 0) == 0) {
      notForPlaytest = a;
      if (a.size() > 10) {
        auto choice = parseAutoplayChoice(std::string_view(a).substr(11));
        if (!choice) return usageError("--autoplay= needs first, explore or random:SEED");
        opt.autoplayStrategy = makeAutoplayStrategy(*choice);
      }
      hopt.autoplay = true;
      opt.autoplay = true;
      headlessOnlyOption = true;
      runOption = true;
    } else if (a == "--record-audio") {
      notForPlaytest = a;
      if (!value(&hopt.recordAudio)) return usageError("--record-audio needs a file");
      headlessOnlyOption = true;
      runOption = true;
    } else if (a == "--record-speech") {
      notForPlaytest = a;
      if (!value(&hopt.recordSpeechFile) || hopt.recordSpeechFile.empty())
        return usageError("--record-speech needs a file");
      hopt.recordSpeech = true;
      opt.readAloud = true;
      headlessOnlyOption = true;
      runOption = true;
    } else if (a == "--scale") {
      notForPlaytest = a;
      std::string v;
      if (!value(&v)) return usageError("--scale needs a whole number");
      char* end = nullptr;
      unsigned long n = std::strtoul(v.c_str(), &end, 10);
      if (v.empty() || v[0] == '-' || *end != '\0' || n == 0) return usageError("--scale needs a positive whole number");
      // The desktop limits it long before this does; the cap only keeps the sums small.
      wopt.scale = static_cast<int>(std::min(n, 64ul));
      runOption = true;
    } else if (a == "--dump-on-exit") {
      notForPlaytest = a;
      if (!value(&opt.dumpOnExit)) return usageError("--dump-on-exit needs a file");
      runOption = true;
    } else if (a == "--screenshot-on-exit") {
      notForPlaytest = a;
      if (!value(&opt.screenshotOnExit)) return usageError("--screenshot-on-exit needs a file");
      runOption = true;
    } else if (!a.empty() && a[0] == '-') {
      return usageError("unknown option " + a);
    } else if (haveDir) {
      return usageError("more than one game directory given");
    } else {
      opt.gameDir = a;
      haveDir = true;
    }
  }
  if (playtest) {
    if (check || !notForPlaytest.empty())
      return usageError("--playtest does not take " + (check ? std::string("--check") : notForPlaytest));
    headlessOnlyOption = false;
  } else if (playtestOnlyOption) {
    return usageError("--runs, --stall and --report need --playtest");
  }
  if (check && runOption) return usageError("--check takes no other option than the game directory");
  if (headlessOnlyOption && !headless)
    return usageError("--input, --timeout, --autoplay, --record-audio and --record-speech need --headless");

  // Output files are named relative to where we were started, before we move into the game.
  auto absolute = [](std::string& p) {
    if (p.empty() || p[0] == '/') return;
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) p = std::string(cwd) + "/" + p;
  };
  absolute(opt.dumpOnExit);
  absolute(opt.screenshotOnExit);
  absolute(opt.coverageFile);
  absolute(hopt.recordAudio);
  absolute(hopt.recordSpeechFile);
  absolute(popt.reportFile);
  popt.coverageFile = opt.coverageFile;

  if (!inputFile.empty()) {
    auto data = fs::readHostFile(inputFile);
    if (!data) return usageError("cannot read input file " + inputFile);
    hopt.inputScript.assign(data->begin(), data->end());
    try {
      parseInputScript(hopt.inputScript);
    } catch (const InputScriptError& err) {
      return usageError(err.what());
    }
  }
  // Screenshot and dump commands in the input name files relative to the start directory too.
  {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) hopt.baseDir = cwd;
  }
  struct stat st {};
  // A file named (a script or an archive opened from a file manager) stands for the folder it
  // lies in, as one dropped on the library does.
  if (::stat(opt.gameDir.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    const size_t slash = opt.gameDir.find_last_of('/');
    opt.gameDir = slash == std::string::npos ? "." : slash == 0 ? "/" : opt.gameDir.substr(0, slash);
  }
  if (::stat(opt.gameDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return usageError("no such game directory: " + opt.gameDir);
  const bool haveScript = fs::holdsGameScript(opt.gameDir);
  if (!haveScript && (headless || check || playtest)) {
    // Nothing to play and nobody to ask: say what is missing instead of blaming a script.
    std::fputs(kNoScript, stderr);
    return kExitUsage;
  }
  if (playtest) {
    if (::chdir(opt.gameDir.c_str()) != 0) return usageError("cannot enter game directory: " + opt.gameDir);
    popt.gameDir = ".";
    popt.scriptOptions = opt.scriptOptions;
    return playtestCommand(popt);
  }
  if (check) {
    fs::setGameDirectory(opt.gameDir);
    return runScriptCheck(setUpEngine, stdout, stderr, opt.scriptOptions);
  }

  std::unique_ptr<Platform> platform;
  if (headless) {
    platform = makeHeadlessPlatform(hopt);
  } else {
    std::string err;
    auto noWindow = [&] {
      std::fprintf(stderr, "veloria: cannot open a window: %s (use --headless to run without one)\n",
                   err.c_str());
      return kExitNoDisplay;
    };
    char real[PATH_MAX];
    if (!haveScript) {
      // Started without a game (from the desktop's menu, or in some other folder): the
      // library offers the games played before and a folder browser, then the chosen game
      // plays in a window of its own as if it had been named here.
      auto library = makeSdlPlatform(&err, WindowOptions{});
      if (!library) {
        std::fputs(kNoScript, stderr);
        return noWindow();
      }
      auto chosen = runLibrary(*library, ::realpath(opt.gameDir.c_str(), real) ? std::string(real) : "/");
      library.reset();
      if (!chosen) return kExitNormal;
      opt.gameDir = *chosen;
    }
    // The window's size is remembered per game: name the game by its real path.
    if (::realpath(opt.gameDir.c_str(), real)) wopt.gameDirectory = real;
    // Every game played in a window goes to the top of the player's library.
    if (!wopt.gameDirectory.empty())
      opt.onGameShown = [folder = wopt.gameDirectory](Engine& e) {
        recordPlayedGame(e.platform.titleUtf8(), folder);
      };
    platform = makeSdlPlatform(&err, wopt);
    if (!platform) return noWindow();
  }
  if (::chdir(opt.gameDir.c_str()) != 0) return usageError("cannot enter game directory: " + opt.gameDir);
  opt.gameDir = ".";
  return runApplication(*platform, opt);
}
