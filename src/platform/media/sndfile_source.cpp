// WAV, Ogg Vorbis, FLAC and the rest of libsndfile's formats, decoded from memory.
#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "platform/media/chunked_source.h"
#include "platform/media/decoders.h"

namespace veloria {

namespace {

struct MemoryFile {
  FileBytes bytes;
  sf_count_t pos = 0;
};

sf_count_t vLength(void* u) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(u)->bytes->size()); }
sf_count_t vSeek(sf_count_t offset, int whence, void* u) {
  auto* f = static_cast<MemoryFile*>(u);
  sf_count_t size = static_cast<sf_count_t>(f->bytes->size());
  sf_count_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? size : 0;
  sf_count_t p = base + offset;
  if (p < 0 || p > size) return -1;
  f->pos = p;
  return p;
}
sf_count_t vRead(void* ptr, sf_count_t count, void* u) {
  auto* f = static_cast<MemoryFile*>(u);
  sf_count_t size = static_cast<sf_count_t>(f->bytes->size());
  sf_count_t n = std::clamp<sf_count_t>(size - f->pos, 0, std::max<sf_count_t>(count, 0));
  if (n > 0) std::memcpy(ptr, f->bytes->data() + f->pos, static_cast<size_t>(n));
  f->pos += n;
  return n;
}
sf_count_t vWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t vTell(void* u) { return static_cast<MemoryFile*>(u)->pos; }

SF_VIRTUAL_IO kMemoryIo{vLength, vSeek, vRead, vWrite, vTell};

class SndfileSource final : public ChunkedSource {
 public:
  SndfileSource(FileBytes bytes, bool loop) : loop_(loop) { file_.bytes = std::move(bytes); }
  ~SndfileSource() override {
    if (sf_) sf_close(sf_);
  }

  std::string open() {
    sf_ = sf_open_virtual(&kMemoryIo, SFM_READ, &info_, &file_);
    if (!sf_) return sf_strerror(nullptr);
    if (info_.channels <= 0 || info_.channels > 64 || info_.samplerate <= 0 || info_.samplerate > 768000)
      return "unsupported channel count or sample rate";
    resampler_ = std::make_unique<Resampler>(info_.samplerate, info_.channels);
    if (!resampler_->ok()) return "cannot convert the sample rate";
    // Decoders scale integers to +-1 only with normalisation on (the default); clip floats.
    sf_command(sf_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return {};
  }

 protected:
  bool refill(std::vector<float>& out) override {
    constexpr sf_count_t kFrames = 2048;
    in_.resize(static_cast<size_t>(kFrames * info_.channels));
    sf_count_t got = sf_readf_float(sf_, in_.data(), kFrames);
    if (got > 0) {
      passFrames_ += got;
      if (info_.channels == 2 && info_.samplerate == kMixRate) {
        out.insert(out.end(), in_.begin(), in_.begin() + got * 2);
      } else {
        resampler_->convert(in_.data(), static_cast<size_t>(got), out);
      }
      return true;
    }
    resampler_->flush(out);
    // A pass that gave nothing never loops: that would spin without end.
    if (!loop_ || passFrames_ == 0 || sf_seek(sf_, 0, SEEK_SET) != 0) return false;
    passFrames_ = 0;
    resampler_->reset();
    return true;
  }

 private:
  MemoryFile file_;
  SF_INFO info_{};
  SNDFILE* sf_ = nullptr;
  bool loop_;
  sf_count_t passFrames_ = 0;
  std::vector<float> in_;
  std::unique_ptr<Resampler> resampler_;
};

}  // namespace

OpenedSound openSoundFile(FileBytes bytes, bool loop) {
  OpenedSound r;
  if (!bytes) return r;
  auto s = std::make_unique<SndfileSource>(std::move(bytes), loop);
  r.error = s->open();
  if (r.error.empty()) r.source = std::move(s);
  return r;
}

}  // namespace veloria
