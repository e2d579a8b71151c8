#include "platform/media/wave_scan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/media/decoders.h"

namespace veloria {

namespace {

uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace

std::optional<size_t> scanForTag(std::span<const uint8_t> bytes, size_t from, const char tag[4]) {
  size_t matched = 0;
  for (size_t i = from; i < bytes.size(); ++i) {
    if (bytes[i] == static_cast<uint8_t>(tag[matched])) {
      if (++matched == 4) return i + 1;
    } else {
      matched = 0;
    }
  }
  return std::nullopt;
}

std::optional<ScannedWave> scanWave(std::span<const uint8_t> bytes) {
  auto fmt = scanForTag(bytes, 0, "fmt ");
  if (!fmt || bytes.size() - *fmt < 4) return std::nullopt;
  const uint32_t fmtLength = le32(&bytes[*fmt]);
  const size_t record = *fmt + 4;
  const size_t available = bytes.size() - record;
  const size_t recordLength = std::min<size_t>(fmtLength, available);
  if (recordLength < 16) return std::nullopt;
  ScannedWave w;
  const uint8_t* r = &bytes[record];
  w.format.formatTag = le16(r);
  w.format.channels = le16(r + 2);
  w.format.sampleRate = le32(r + 4);
  w.format.blockAlign = le16(r + 12);
  w.format.bitsPerSample = le16(r + 14);
  if (w.format.formatTag == 0xFFFE && recordLength >= 26) w.format.subFormat = le16(r + 24);

  auto data = scanForTag(bytes, record + recordLength, "data");
  if (!data || bytes.size() - *data < 4) return std::nullopt;
  const uint32_t declared = le32(&bytes[*data]);
  const size_t start = *data + 4;
  const size_t rest = bytes.size() - start;
  const size_t length = declared == 0 || declared > rest ? rest : declared;
  w.data = bytes.subspan(start, length);
  return w;
}

std::shared_ptr<PcmBuffer> decodeScannedWave(const ScannedWave& w) {
  const WaveFormat& f = w.format;
  uint16_t tag = f.formatTag == 0xFFFE ? f.subFormat : f.formatTag;
  const int bits = f.bitsPerSample;
  const bool isFloat = tag == 3;
  if (tag != 1 && tag != 3) return nullptr;
  if (isFloat ? bits != 32 : (bits != 8 && bits != 16 && bits != 24 && bits != 32)) return nullptr;
  if (f.channels == 0 || f.channels > 64 || f.sampleRate < 1000 || f.sampleRate > 768000) return nullptr;
  const size_t bytesPerSample = static_cast<size_t>(bits / 8);
  const size_t frameBytes = bytesPerSample * f.channels;
  // The block alignment a player trusts must at least hold one frame.
  const size_t stride = std::max<size_t>(frameBytes, f.blockAlign);
  size_t frames = w.data.size() / stride;
  // Bound the decoded size before converting (the rate change can only grow it ~800x at worst).
  const uint64_t maxIn = static_cast<uint64_t>(kMaxMemoryFrames) * f.sampleRate / kMixRate + 1;
  frames = static_cast<size_t>(std::min<uint64_t>(frames, maxIn));

  Resampler rs(static_cast<int>(f.sampleRate), f.channels);
  if (!rs.ok()) return nullptr;
  auto pcm = std::make_shared<PcmBuffer>();
  std::vector<float> in, out;
  constexpr size_t kBlock = 4096;
  auto emit = [&](std::vector<float>& v) {
    for (float x : v) {
      // The converter turns an infinity into NaN, which has no 16-bit value: silence.
      float s = x == x ? std::clamp(x, -1.0f, 1.0f) * 32767.0f : 0.0f;
      pcm->samples.push_back(static_cast<int16_t>(s < 0 ? s - 0.5f : s + 0.5f));
    }
    v.clear();
  };
  for (size_t at = 0; at < frames; at += kBlock) {
    size_t n = std::min(kBlock, frames - at);
    in.resize(n * f.channels);
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* p = w.data.data() + (at + i) * stride;
      for (size_t c = 0; c < f.channels; ++c, p += bytesPerSample) {
        float v;
        if (isFloat) {
          uint32_t u = le32(p);
          float fv;
          std::memcpy(&fv, &u, 4);
          v = std::isfinite(fv) ? fv : 0.0f;  // NaN and infinities play as silence
        } else if (bits == 8) {
          v = (static_cast<int>(p[0]) - 128) / 128.0f;
        } else if (bits == 16) {
          v = static_cast<int16_t>(le16(p)) / 32768.0f;
        } else if (bits == 24) {
          int32_t s = static_cast<int32_t>(uint32_t{p[0]} << 8 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 24) >> 8;
          v = static_cast<float>(s) / 8388608.0f;
        } else {
          v = static_cast<float>(static_cast<int32_t>(le32(p))) / 2147483648.0f;
        }
        in[i * f.channels + c] = v;
      }
    }
    rs.convert(in.data(), n, out);
    emit(out);
  }
  rs.flush(out);
  emit(out);
  if (pcm->samples.size() > kMaxMemoryFrames * 2) pcm->samples.resize(kMaxMemoryFrames * 2);
  pcm->samples.shrink_to_fit();
  return pcm;
}

}  // namespace veloria
