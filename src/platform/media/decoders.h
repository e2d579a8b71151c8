// Decoder wrappers: each turns a file's bytes into an AudioSource at 44.1 kHz stereo. They take
// the bytes in memory (shared: the source keeps them while it plays), so the file is read once,
// on the interpreter thread, and decoding never touches the disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/audio_source.h"

struct SwrContext;  // FFmpeg's resampler

namespace veloria {

using FileBytes = std::shared_ptr<const std::vector<uint8_t>>;

struct OpenedSound {
  std::unique_ptr<AudioSource> source;  // null on failure
  std::string error;                    // why (the decoder's words, UTF-8)
};

// WAV (any encoding libsndfile knows), Ogg Vorbis, FLAC and the other formats of libsndfile.
OpenedSound openSoundFile(FileBytes bytes, bool loop);
// MPEG audio (MP3) through libmpg123. A looping stream starts a new pass at the end.
OpenedSound openMp3(FileBytes bytes, bool loop);
// A standard MIDI file rendered by FluidSynth with `soundFont`. The file is checked here; the
// synthesizer and the SoundFont are loaded on the first read, off the interpreter thread on a
// real device. The sound ends when the sequence ends.
OpenedSound openMidi(FileBytes bytes, const std::string& soundFont);
// The General MIDI SoundFont to use: $VELORIA_SOUNDFONT when it names a file, else the first
// found of Debian's (default-GM, FluidR3_GM, TimGM6mb). Empty when there is none.
std::string findSoundFont();

// Converts interleaved float frames of any rate and channel count to 44.1 kHz stereo.
class Resampler {
 public:
  Resampler(int rate, int channels);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;
  bool ok() const { return ctx_ != nullptr || passThrough_; }
  // Appends the converted frames of `in` (`frames` frames of `channels` floats) to `out`.
  void convert(const float* in, size_t frames, std::vector<float>& out);
  // Appends what the filter still holds at the end of the input.
  void flush(std::vector<float>& out);
  // Forgets what the filter holds (a looping sound starts over).
  void reset();

 private:
  SwrContext* ctx_ = nullptr;
  int rate_, channels_;
  bool passThrough_ = false;
  bool mono_ = false;
  std::vector<float> stereo_;
};

}  // namespace veloria
