// A source whose decoder produces blocks of frames: read() hands them out in whatever sizes the
// mixer asks for.
#pragma once

#include <cstring>
#include <vector>

#include "platform/media/audio_source.h"

namespace veloria {

class ChunkedSource : public AudioSource {
 public:
  size_t read(float* out, size_t frames) override {
    size_t done = 0;
    int emptyRefills = 0;
    while (done < frames) {
      size_t avail = pending_.size() / 2 - pos_;
      if (avail == 0) {
        pending_.clear();
        pos_ = 0;
        // A decoder that keeps producing nothing is treated as ended rather than spun on.
        if (ended_ || ++emptyRefills > kMaxEmptyRefills) {
          ended_ = true;
          break;
        }
        if (!refill(pending_)) ended_ = true;
        if (!pending_.empty()) emptyRefills = 0;
        continue;
      }
      size_t n = avail < frames - done ? avail : frames - done;
      std::memcpy(out + done * 2, pending_.data() + pos_ * 2, n * 2 * sizeof(float));
      pos_ += n;
      done += n;
    }
    return done;
  }
  bool decodesWhilePlaying() const override { return true; }

 protected:
  // Appends the next 44.1 kHz stereo frames to `out`. False when nothing follows what it
  // appended (the end of the sound).
  virtual bool refill(std::vector<float>& out) = 0;

 private:
  static constexpr int kMaxEmptyRefills = 4096;
  std::vector<float> pending_;
  size_t pos_ = 0;
  bool ended_ = false;
};

}  // namespace veloria
