// Garbage for every decoder wrapper: libsndfile (WAV, Ogg, FLAC), libmpg123, the MIDI reader
// and FluidSynth, and the movie reader. Each is read for a bounded number of frames: a decoder
// must end, fail or produce sound, never crash or hang.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/media/decoders.h"
#include "platform/media/movie_decoder.h"

namespace {

// A tenth of a second of sound per decoder and input: every decoder has parsed its headers
// and decoded several blocks by then, and longer outputs only repeat the same paths.
constexpr size_t kMaxFrames = 4096;

void drain(veloria::AudioSource* s) {
  if (!s) return;
  float buf[1024 * 2];
  size_t total = 0;
  while (total < kMaxFrames) {
    size_t got = s->read(buf, 1024);
    total += got;
    if (got < 1024) break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  drain(veloria::openSoundFile(bytes, true).source.get());
  drain(veloria::openMp3(bytes, true).source.get());
  // The smallest General MIDI SoundFont Debian has: FluidSynth loads it for every MIDI input.
  static const std::string font = [] {
    const char* small = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    if (::access(small, R_OK) == 0) ::setenv("VELORIA_SOUNDFONT", small, 0);
    return veloria::findSoundFont();
  }();
  if (!font.empty()) drain(veloria::openMidi(bytes, font).source.get());

  // The movie reader works on files: write the input to one.
  char path[] = "/tmp/veloria-fuzz-movie-XXXXXX";
  int fd = ::mkstemp(path);
  if (fd < 0) return 0;
  bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
  ::close(fd);
  if (written) {
    veloria::MovieDecoder::Failure failure;
    if (auto movie = veloria::MovieDecoder::open(path, 64, 48, &failure)) {
      for (int frames = 0; frames < 8 && movie->nextFrame(); ++frames) {
      }
      drain(movie->openSound().get());
    }
  }
  ::unlink(path);
  return 0;
}
