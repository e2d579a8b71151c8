#include <algorithm>

#include "platform/media/decoders.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace veloria {

Resampler::Resampler(int rate, int channels) : rate_(rate), channels_(channels) {
  // Mono is doubled onto both sides at full level (the library's own upmix lowers it by 3 dB).
  if (channels == 1) {
    mono_ = true;
    channels = channels_ = 2;
  }
  if (rate == kMixRate && channels == kMixChannels) {
    passThrough_ = true;
    return;
  }
  if (rate <= 0 || channels <= 0 || channels > 64) return;
  AVChannelLayout in{}, out{};
  av_channel_layout_default(&in, channels);
  av_channel_layout_default(&out, kMixChannels);
  SwrContext* s = nullptr;
  if (swr_alloc_set_opts2(&s, &out, AV_SAMPLE_FMT_FLT, kMixRate, &in, AV_SAMPLE_FMT_FLT, rate, 0, nullptr) < 0 ||
      swr_init(s) < 0) {
    swr_free(&s);
  }
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  ctx_ = s;
}

Resampler::~Resampler() { swr_free(&ctx_); }

void Resampler::convert(const float* in, size_t frames, std::vector<float>& out) {
  if (mono_) {
    stereo_.resize(frames * 2);
    for (size_t i = 0; i < frames; ++i) stereo_[i * 2] = stereo_[i * 2 + 1] = in[i];
    in = stereo_.data();
  }
  if (passThrough_) {
    out.insert(out.end(), in, in + frames * 2);
    return;
  }
  if (!ctx_ || frames == 0) return;
  int maxOut = swr_get_out_samples(ctx_, static_cast<int>(frames));
  if (maxOut <= 0) return;
  size_t base = out.size();
  out.resize(base + static_cast<size_t>(maxOut) * 2);
  uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + base);
  const uint8_t* src = reinterpret_cast<const uint8_t*>(in);
  int got = swr_convert(ctx_, &dst, maxOut, &src, static_cast<int>(frames));
  out.resize(base + static_cast<size_t>(std::max(got, 0)) * 2);
}

void Resampler::flush(std::vector<float>& out) {
  if (!ctx_) return;
  int maxOut = swr_get_out_samples(ctx_, 0);
  if (maxOut <= 0) return;
  size_t base = out.size();
  out.resize(base + static_cast<size_t>(maxOut) * 2);
  uint8_t* dst = reinterpret_cast<uint8_t*>(out.data() + base);
  int got = swr_convert(ctx_, &dst, maxOut, nullptr, 0);
  out.resize(base + static_cast<size_t>(std::max(got, 0)) * 2);
}

void Resampler::reset() {
  if (!ctx_) return;
  // Draining and dropping what remains starts the filter afresh.
  std::vector<float> drop;
  flush(drop);
  swr_init(ctx_);
}

}  // namespace veloria
