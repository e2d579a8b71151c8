// MPEG audio through libmpg123, read from memory. A looping stream starts a new pass over the
// file when one ends, as the feeding thread does for mp3loop.
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/media/chunked_source.h"
#include "platform/media/decoders.h"

namespace veloria {

namespace {

struct MemoryFile {
  FileBytes bytes;
  size_t pos = 0;
};

mpg123_ssize_t mRead(void* h, void* buf, size_t count) {
  auto* f = static_cast<MemoryFile*>(h);
  size_t n = std::min(count, f->bytes->size() - f->pos);
  if (n > 0) std::memcpy(buf, f->bytes->data() + f->pos, n);
  f->pos += n;
  return static_cast<mpg123_ssize_t>(n);
}
off_t mSeek(void* h, off_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  off_t size = static_cast<off_t>(f->bytes->size());
  off_t base = whence == SEEK_CUR ? static_cast<off_t>(f->pos) : whence == SEEK_END ? size : 0;
  off_t p = base + offset;
  if (p < 0 || p > size) return -1;
  f->pos = static_cast<size_t>(p);
  return p;
}

bool initLibrary() {
  // mpg123_init is needed once per process by the library versions before 1.27; harmless later.
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
  return ok;
}

class Mp3Source final : public ChunkedSource {
 public:
  Mp3Source(FileBytes bytes, bool loop) : loop_(loop) { file_.bytes = std::move(bytes); }
  ~Mp3Source() override {
    if (mh_) {
      mpg123_close(mh_);
      mpg123_delete(mh_);
    }
  }

  std::string open() {
    if (!initLibrary()) return "cannot start the MP3 decoder";
    int err = MPG123_OK;
    mh_ = mpg123_new(nullptr, &err);
    if (!mh_) return mpg123_plain_strerror(err);
    mpg123_param(mh_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Any rate the file has, always as stereo floats; the rate is converted afterwards.
    mpg123_format_none(mh_);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i) mpg123_format(mh_, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_replace_reader_handle(mh_, mRead, mSeek, nullptr) != MPG123_OK) return mpg123_strerror(mh_);
    if (!startPass()) return error_.empty() ? "not an MPEG audio file" : error_;
    return {};
  }

 protected:
  bool refill(std::vector<float>& out) override {
    unsigned char buf[16384];
    size_t got = 0;
    int r = mpg123_read(mh_, buf, sizeof buf, &got);
    if (r == MPG123_NEW_FORMAT) return newFormat();
    if (got > 0) {
      passFrames_ += got / 8;
      resampler_->convert(reinterpret_cast<const float*>(buf), got / 8, out);
    }
    if (r == MPG123_OK || (r == MPG123_NEED_MORE && got > 0)) return true;
    // The end of the file, or data the decoder cannot go on with.
    resampler_->flush(out);
    if (!loop_ || passFrames_ == 0) return false;
    mpg123_close(mh_);
    return startPass();
  }

 private:
  bool startPass() {
    file_.pos = 0;
    passFrames_ = 0;
    if (mpg123_open_handle(mh_, &file_) != MPG123_OK) {
      error_ = mpg123_strerror(mh_);
      return false;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh_, &rate, &channels, &encoding) != MPG123_OK) {
      error_ = mpg123_strerror(mh_);
      return false;
    }
    return setRate(rate);
  }
  bool newFormat() {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh_, &rate, &channels, &encoding) != MPG123_OK) return false;
    return setRate(rate);
  }
  bool setRate(long rate) {
    if (!resampler_ || rate != rate_) {
      rate_ = rate;
      resampler_ = std::make_unique<Resampler>(static_cast<int>(rate), 2);
    } else {
      resampler_->reset();
    }
    return resampler_->ok();
  }

  MemoryFile file_;
  mpg123_handle* mh_ = nullptr;
  bool loop_;
  long rate_ = 0;
  size_t passFrames_ = 0;
  std::string error_;
  std::unique_ptr<Resampler> resampler_;
};

}  // namespace

OpenedSound openMp3(FileBytes bytes, bool loop) {
  OpenedSound r;
  if (!bytes) return r;
  auto s = std::make_unique<Mp3Source>(std::move(bytes), loop);
  r.error = s->open();
  if (r.error.empty()) r.source = std::move(s);
  return r;
}

}  // namespace veloria
