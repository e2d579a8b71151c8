// Sound that the mixer plays: every source delivers 44.1 kHz stereo floats, whatever its file
// held, so the mixer only adds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace veloria {

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  // Writes up to `frames` stereo frames (interleaved, full scale +-1) and returns how many.
  // Fewer than asked means the sound has ended; later calls then return 0.
  virtual size_t read(float* out, size_t frames) = 0;
  // True when read() decodes as it goes (files, synthesis): a real device then feeds it from
  // a thread of its own so that the device callback never decodes.
  virtual bool decodesWhilePlaying() const { return false; }
  // Of the frames read() handed out so far, how many were silence it filled in because its
  // decoder was behind (not part of the sound itself).
  virtual uint64_t paddedFrames() const { return 0; }
};

// Decoded sound held in memory (wave sounds, channel sounds), 44.1 kHz stereo.
struct PcmBuffer {
  std::vector<int16_t> samples;  // interleaved left, right
  size_t frames() const { return samples.size() / 2; }
};

// Plays a PcmBuffer from its start, once or looping without a gap. The buffer is shared, so a
// restart costs no decoding.
class MemorySource final : public AudioSource {
 public:
  MemorySource(std::shared_ptr<const PcmBuffer> pcm, bool loop) : pcm_(std::move(pcm)), loop_(loop) {}
  size_t read(float* out, size_t frames) override;

 private:
  std::shared_ptr<const PcmBuffer> pcm_;
  bool loop_;
  size_t pos_ = 0;
};

// Reads a whole source into memory, at most `maxFrames` frames (the rest is cut off).
std::shared_ptr<PcmBuffer> readAll(AudioSource& source, size_t maxFrames);

// Sounds longer than this are cut when they are decoded into memory (10 minutes, ~106 MB).
inline constexpr size_t kMaxMemoryFrames = static_cast<size_t>(kMixRate) * 600;

}  // namespace veloria
