// Movies (avi, and the extended dialect's movie): shown over the whole window picture with their sound through the mixer; the
// script waits until the movie ends or, when allowed, the player clicks.
#include <algorithm>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "platform/media/media_port.h"
#include "platform/media/movie_decoder.h"
#include "platform/text_codec.h"
#include "resource/resource.h"
#include "script/script.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

namespace {

// The status poll of the wait: at most this long between two looks at the movie.
constexpr uint32_t kPollMs = 50;

void present(Engine& e, const MovieDecoder& m) {
  e.platform.present(m.frame(), Rect{0, 0, e.app.screenWidth, e.app.screenHeight});
}

}  // namespace

void closeMovie(Engine& e) {
  SoundState& s = e.sound;
  if (!s.moviePlaying && s.movieTempFile.empty()) return;
  e.platform.media().stop(kSlotMovie);
  bool wasPlaying = s.moviePlaying;
  s.moviePlaying = 0;
  deleteTempFile(s.movieTempFile);
  // The movie's picture goes; the window shows the engine's picture again.
  if (wasPlaying && e.hooks.repaint) e.hooks.repaint(e);
}

namespace {

struct MovieOptions {
  bool clickEnds = false;  // a left click (or Space, Enter) ends the movie
  bool loop = false;       // the movie starts again at its end
  float gain = 1.0f;       // of its sound
};

std::unique_ptr<MovieDecoder> openMovie(Engine& e, const std::string& hostPath) {
  MovieDecoder::Failure failure;
  auto movie = MovieDecoder::open(hostPath, e.app.screenWidth, e.app.screenHeight, &failure);
  if (!movie) {
    const char* caption = failure.step == 2 ? "AVI Error 2" : failure.step == 3 ? "AVI Error 3" : "AVI Error 1";
    reportScriptError(e, caption, utf8ToSjis(failure.text));
  }
  return movie;
}

void runMovie(Engine& e, const std::string& name, const MovieOptions& options) {
  SoundState& s = e.sound;
  closeMovie(e);
  auto file = locateMediaFile(e, name);
  if (!file) return;
  if (file->temporary) s.movieTempFile = file->hostPath;
  const std::string hostPath = file->hostPath;

  auto movie = openMovie(e, hostPath);
  MediaPort& m = e.platform.media();
  s.moviePlaying = 1;
  m.setGain(kSlotMovie, options.gain);
  bool pictures = false;
  uint32_t start = 0;
  auto begin = [&] {
    pictures = movie->nextFrame();
    start = e.platform.timeGetTime();
    if (auto sound = movie->openSound()) m.play(kSlotMovie, std::move(sound));
  };
  begin();

  WaitSetup setup;
  setup.kind = options.clickEnds ? WaitKind::Click : WaitKind::None;
  setup.autoX = e.app.screenWidth / 2;
  setup.autoY = e.app.screenHeight / 2;
  setup.animate = false;
  setup.after = [&](const WaitPass&) {
    // Stopped while a message was handled (the window closing), or skipped by a click.
    if (!s.moviePlaying || (options.clickEnds && e.text.advanceRequested)) return PassResult::End;
    const uint32_t now = e.platform.timeGetTime() - start;
    while (pictures && movie->frameTimeMs() <= now) {
      present(e, *movie);
      pictures = movie->nextFrame();
    }
    if (pictures || m.playing(kSlotMovie)) return PassResult::Continue;
    if (!options.loop) return PassResult::End;
    movie = openMovie(e, hostPath);
    begin();
    return PassResult::Continue;
  };
  setup.deadline = [&](const WaitPass& p) {
    uint32_t poll = p.now + kPollMs;
    if (!pictures) return poll;
    uint32_t due = start + movie->frameTimeMs();
    return static_cast<int32_t>(due - poll) < 0 ? due : poll;
  };
  runWaitLoop(e, setup);
  closeMovie(e);
  m.setGain(kSlotMovie, 1.0f);
}

}  // namespace

void playMovie(Engine& e, const std::string& name, bool skippable) {
  runMovie(e, name, MovieOptions{skippable, false, 1.0f});
}

void playExtendedMovie(Engine& e, const std::string& name, bool clickEnds, bool loop) {
  // The music stops at once and does not come back afterwards.
  stopBgm(e, false);
  // A looping movie can always be ended by a click, so that it never locks the game.
  runMovie(e, name, MovieOptions{clickEnds || loop, loop, musicGain(e)});
}

bool moviePlaying(Engine& e) { return e.sound.moviePlaying != 0; }

namespace {

void cmdAvi(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  expectComma(e);
  int32_t skippable = readNumber(e);
  playMovie(e, name, skippable != 0);
}

void cmdMovie(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  bool click = false, loop = false;
  while (optionalArgFollows(e)) {
    expectComma(e);
    std::string option = readWord(e);  // lower-cased
    if (option == "click")
      click = true;
    else if (option == "loop")
      loop = true;
    else
      reportScriptErrorF(e, sj("構文エラー"), sj("movie命令のオプション%sは使えません。"), option);
  }
  playExtendedMovie(e, name, click, loop);
}

}  // namespace

void registerMovieCommands(CommandTable& t) {
  t.add("avi", cmdAvi, "f,n");
  t.add("movie", cmdMovie, "f{,w}");
}

}  // namespace veloria
