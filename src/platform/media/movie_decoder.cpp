#include "platform/media/movie_decoder.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/media/chunked_source.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace veloria {

namespace {

std::string errorText(int err) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, buf, sizeof buf);
  return buf;
}

void quietLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// Reading gives up after this many packets without a picture or sound (a file of nothing else).
constexpr int kMaxPacketsPerFrame = 1 << 20;
// A picture is never shown more than this long after the one before it.
constexpr uint32_t kMaxFrameGapMs = 10000;

struct Reader {
  AVFormatContext* fmt = nullptr;
  AVCodecContext* codec = nullptr;
  int stream = -1;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  bool draining = false;

  ~Reader() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&fmt);
  }

  // 0, or an FFmpeg error.
  int openFile(const std::string& path) {
    quietLibrary();
    if (!packet || !frame) return AVERROR(ENOMEM);
    int r = avformat_open_input(&fmt, path.c_str(), nullptr, nullptr);
    if (r < 0) return r;
    return avformat_find_stream_info(fmt, nullptr);
  }

  // 0, or an FFmpeg error.
  int openStream(AVMediaType type) {
    const AVCodec* dec = nullptr;
    int s = av_find_best_stream(fmt, type, -1, -1, &dec, 0);
    if (s < 0) return s;
    if (!dec) return AVERROR_DECODER_NOT_FOUND;
    codec = avcodec_alloc_context3(dec);
    if (!codec) return AVERROR(ENOMEM);
    int r = avcodec_parameters_to_context(codec, fmt->streams[s]->codecpar);
    if (r < 0) return r;
    codec->thread_count = 1;
    r = avcodec_open2(codec, dec, nullptr);
    if (r < 0) return r;
    stream = s;
    return 0;
  }

  // The next decoded frame of the stream into `frame`; false at the end or on an error.
  bool next() {
    for (int packets = 0; packets < kMaxPacketsPerFrame; ++packets) {
      int r = avcodec_receive_frame(codec, frame);
      if (r == 0) return true;
      if (r != AVERROR(EAGAIN) || draining) return false;
      r = av_read_frame(fmt, packet);
      if (r < 0) {
        avcodec_send_packet(codec, nullptr);
        draining = true;
        continue;
      }
      if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
      av_packet_unref(packet);
    }
    return false;
  }
};

class MovieSound final : public ChunkedSource {
 public:
  ~MovieSound() override { swr_free(&swr_); }
  bool open(const std::string& path) {
    return reader_.openFile(path) >= 0 && reader_.openStream(AVMEDIA_TYPE_AUDIO) >= 0;
  }

 protected:
  bool refill(std::vector<float>& out) override {
    if (!reader_.next()) return false;
    AVFrame* f = reader_.frame;
    if (!swr_ || f->format != inFormat_ || f->sample_rate != inRate_ ||
        av_channel_layout_compare(&f->ch_layout, &inLayout_) != 0) {
      swr_free(&swr_);
      av_channel_layout_uninit(&inLayout_);
      if (av_channel_layout_copy(&inLayout_, &f->ch_layout) < 0) return false;
      inFormat_ = f->format;
      inRate_ = f->sample_rate;
      // Mono comes out as mono and is doubled below: the library's upmix would lower it by 3 dB.
      mono_ = inLayout_.nb_channels == 1;
      AVChannelLayout outLayout{};
      av_channel_layout_default(&outLayout, mono_ ? 1 : 2);
      if (swr_alloc_set_opts2(&swr_, &outLayout, AV_SAMPLE_FMT_FLT, kMixRate, &inLayout_,
                              static_cast<AVSampleFormat>(inFormat_), inRate_, 0, nullptr) < 0 ||
          swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
      }
    }
    int maxOut = swr_get_out_samples(swr_, f->nb_samples);
    if (maxOut > 0) {
      size_t base = out.size();
      out.resize(base + static_cast<size_t>(maxOut) * 2);
      uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + base);
      int got = std::max(swr_convert(swr_, &dst, maxOut, const_cast<const uint8_t**>(f->extended_data), f->nb_samples), 0);
      if (mono_) {
        float* p = out.data() + base;
        for (int i = got - 1; i >= 0; --i) p[i * 2] = p[i * 2 + 1] = p[i];
      }
      out.resize(base + static_cast<size_t>(got) * 2);
    }
    av_frame_unref(f);
    return true;
  }

 private:
  Reader reader_;
  SwrContext* swr_ = nullptr;
  AVChannelLayout inLayout_{};
  int inFormat_ = -1, inRate_ = 0;
  bool mono_ = false;
};

}  // namespace

struct MovieDecoder::Impl {
  Reader reader;
  SwsContext* sws = nullptr;
  std::vector<uint8_t> topDown;
  int64_t firstPts = AV_NOPTS_VALUE;
  ~Impl() { sws_freeContext(sws); }
};

MovieDecoder::~MovieDecoder() = default;

std::unique_ptr<MovieDecoder> MovieDecoder::open(const std::string& path, int width, int height, Failure* failure) {
  std::unique_ptr<MovieDecoder> m(new MovieDecoder());
  m->impl_ = std::make_unique<Impl>();
  m->path_ = path;
  auto fail = [&](int step, const std::string& text) -> std::unique_ptr<MovieDecoder> {
    if (failure) *failure = Failure{step, text};
    return nullptr;
  };
  Reader& r = m->impl_->reader;
  if (int e = r.openFile(path); e < 0) return fail(1, errorText(e));
  if (int e = r.openStream(AVMEDIA_TYPE_VIDEO); e < 0) return fail(2, errorText(e));
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || r.codec->width <= 0 || r.codec->height <= 0 ||
      r.codec->pix_fmt == AV_PIX_FMT_NONE)
    return fail(3, "the picture cannot be scaled to the window");
  m->impl_->sws = sws_getContext(r.codec->width, r.codec->height, r.codec->pix_fmt, width, height, AV_PIX_FMT_BGR24,
                                 SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!m->impl_->sws) return fail(3, "the picture cannot be scaled to the window");
  m->width_ = width;
  m->height_ = height;
  m->stride_ = (width * 3 + 3) & ~3;
  m->picture_.assign(static_cast<size_t>(m->stride_) * height, 0);
  m->impl_->topDown.assign(static_cast<size_t>(m->stride_) * height, 0);
  return m;
}

bool MovieDecoder::nextFrame() {
  Impl& im = *impl_;
  Reader& r = im.reader;
  if (!r.next()) return false;
  AVFrame* f = r.frame;
  // The picture may change size inside a stream: the cached context follows it.
  im.sws = sws_getCachedContext(im.sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), width_, height_,
                                AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!im.sws || f->width <= 0 || f->height <= 0) {
    av_frame_unref(f);
    return false;
  }
  uint8_t* dst[4] = {im.topDown.data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {stride_, 0, 0, 0};
  sws_scale(im.sws, f->data, f->linesize, 0, f->height, dst, dstStride);
  for (int y = 0; y < height_; ++y)
    std::memcpy(&picture_[static_cast<size_t>(height_ - 1 - y) * stride_], &im.topDown[static_cast<size_t>(y) * stride_],
                static_cast<size_t>(width_) * 3);

  // When the picture is due: its time stamp from the first one; without one, 40 ms on.
  const uint32_t previous = frameTimeMs_;
  uint32_t ms = decodedAny_ ? previous + 40 : 0;
  decodedAny_ = true;
  int64_t pts = f->best_effort_timestamp;
  if (pts != AV_NOPTS_VALUE) {
    if (im.firstPts == AV_NOPTS_VALUE) im.firstPts = pts;
    AVRational tb = r.fmt->streams[r.stream]->time_base;
    int64_t t = av_rescale_q(pts - im.firstPts, tb, AVRational{1, 1000});
    ms = static_cast<uint32_t>(std::clamp<int64_t>(t, previous, int64_t{previous} + kMaxFrameGapMs));
  }
  frameTimeMs_ = ms;
  av_frame_unref(f);
  return true;
}

SurfaceView MovieDecoder::frame() const { return SurfaceView{picture_.data(), width_, height_, stride_}; }

std::unique_ptr<AudioSource> MovieDecoder::openSound() const {
  auto s = std::make_unique<MovieSound>();
  if (!s->open(path_)) return nullptr;
  return s;
}

}  // namespace veloria
