// Movies through FFmpeg: AVI and whatever else libavformat reads. Pictures come out scaled to
// the whole window picture; the sound track is a separate source for the mixer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/audio_source.h"
#include "platform/platform.h"

namespace veloria {

class MovieDecoder {
 public:
  // Why opening failed: 1 the file cannot be opened or read as a movie, 2 it has no picture
  // that can be decoded, 3 the picture cannot be scaled to the window. `text` is FFmpeg's.
  struct Failure {
    int step = 0;
    std::string text;
  };

  // Opens `path` (host path) for showing at width x height.
  static std::unique_ptr<MovieDecoder> open(const std::string& path, int width, int height, Failure* failure);
  ~MovieDecoder();

  // Decodes the next picture. False at the end of the movie (or at data it cannot go on with).
  bool nextFrame();
  // The picture last decoded, and when it is due, in milliseconds from the start.
  SurfaceView frame() const;
  uint32_t frameTimeMs() const { return frameTimeMs_; }
  // The sound track decoded from a second reader of the same file; null when there is none.
  std::unique_ptr<AudioSource> openSound() const;

 private:
  MovieDecoder() = default;
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<uint8_t> picture_;  // bottom-up BGR, rows padded to 4 bytes
  int width_ = 0, height_ = 0, stride_ = 0;
  uint32_t frameTimeMs_ = 0;
  bool decodedAny_ = false;
  std::string path_;
};

}  // namespace veloria
