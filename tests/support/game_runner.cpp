#include "support/game_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "app/app.h"
#include "check/dump.h"
#include "engine/engine.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/platform.h"
#include "platform/text_codec.h"

namespace veloria::test {

std::string sjisText(const std::string& utf8) { return utf8ToSjis(utf8); }

uint32_t pixelAt(const GameRun& run, int x, int y) {
  if (x < 0 || y < 0 || x >= run.width || y >= run.height) return 0xFFFFFFFFu;
  size_t i = (static_cast<size_t>(y) * run.width + x) * 3;
  return (uint32_t{run.picture[i]} << 16) | (uint32_t{run.picture[i + 1]} << 8) | run.picture[i + 2];
}

GameRun runGame(const GameFiles& files, const RunOptions& options) {
  GameRun run;
  run.dir = std::make_shared<GameDir>(files);
  run.gameDir = run.dir->path();
  if (options.prepare) options.prepare(run.gameDir);
  const std::string runtime = fs::runtimeDirectory();
  fs::makeDirectories(runtime);

  InstanceLock other;
  if (options.holdInstanceLock) other.acquire(runtime, "MutexDesu2");

  HeadlessOptions h;
  h.inputScript = options.input;
  h.autoplay = options.autoplay;
  h.recordAudio = options.recordAudio;
  h.recordSpeech = options.recordSpeech;
  if (!options.recordSpeechFile.empty()) h.recordSpeechFile = run.gameDir + "/" + options.recordSpeechFile;
  h.timeoutMs = options.timeoutMs;
  h.baseDir = run.gameDir;
  auto platform = makeHeadlessPlatform(h);

  AppOptions app;
  app.autoplay = options.autoplay;
  app.autoplayStrategy = options.strategy;
  app.readAloud = options.readAloud;
  app.gameDir = run.gameDir;
  app.beforeExit = [&](Engine& e) {
    run.dump = dumpJson(e);
    if (e.app.error.set) {
      run.errorCaption = sjisToUtf8(e.app.error.caption);
      run.errorMessage = sjisToUtf8(e.app.error.message);
    }
    if (options.inspect) options.inspect(e);
  };

  // Capture stderr in a file for the length of the run.
  std::fflush(stderr);
  std::string errPath = runtime + "/stderr.txt";
  int saved = ::dup(2);
  int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd >= 0) {
    ::dup2(fd, 2);
    ::close(fd);
  }
  run.exitCode = runApplication(*platform, app);
  std::fflush(stderr);
  if (saved >= 0) {
    ::dup2(saved, 2);
    ::close(saved);
  }
  if (auto data = fs::readHostFile(errPath)) run.stderrText.assign(data->begin(), data->end());

  run.picture = platform->windowPicture();
  run.width = platform->clientWidth();
  run.height = platform->clientHeight();
  run.endTimeMs = platform->timeGetTime();
  return run;
}

}  // namespace veloria::test
