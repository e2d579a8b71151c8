#include "platform/media/mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace veloria {

// ---- sources held in memory ----

size_t MemorySource::read(float* out, size_t frames) {
  const size_t total = pcm_->frames();
  const int16_t* s = pcm_->samples.data();
  size_t done = 0;
  while (done < frames) {
    if (pos_ >= total) {
      if (!loop_ || total == 0) break;
      pos_ = 0;
    }
    size_t n = std::min(frames - done, total - pos_);
    const int16_t* src = s + pos_ * 2;
    float* dst = out + done * 2;
    for (size_t i = 0; i < n * 2; ++i) dst[i] = static_cast<float>(src[i]) * (1.0f / 32768.0f);
    pos_ += n;
    done += n;
  }
  return done;
}

std::shared_ptr<PcmBuffer> readAll(AudioSource& source, size_t maxFrames) {
  auto pcm = std::make_shared<PcmBuffer>();
  float buf[4096 * 2];
  size_t total = 0;
  while (total < maxFrames) {
    size_t want = std::min<size_t>(4096, maxFrames - total);
    size_t got = source.read(buf, want);
    for (size_t i = 0; i < got * 2; ++i) {
      float v = std::clamp(buf[i], -1.0f, 1.0f) * 32767.0f;
      pcm->samples.push_back(static_cast<int16_t>(std::lrint(v)));
    }
    total += got;
    if (got < want) break;
  }
  pcm->samples.shrink_to_fit();
  return pcm;
}

// ---- control side ----

Mixer::Mixer() {
  for (auto& a : endedSerial_) a.store(0, std::memory_order_relaxed);
  for (auto& a : silentSerial_) a.store(0, std::memory_order_relaxed);
}

Mixer::~Mixer() {
  // Both sides are gone by now: free everything either holds.
  Command c;
  while (commands_.pop(c)) delete c.source;
  Event ev;
  while (events_.pop(ev)) delete ev.source;
  for (auto& s : audio_) delete s.source;
}

uint32_t Mixer::start(int slot, std::unique_ptr<AudioSource> source, bool notifyEnd) {
  if (slot < 0 || slot >= kSlots || !source) return 0;
  if (inFlight_ >= kMaxInFlight) return 0;
  uint32_t serial = nextSerial_++;
  if (nextSerial_ == 0) nextSerial_ = 1;
  Command c;
  c.op = Op::Start;
  c.slot = slot;
  c.source = source.get();
  c.serial = serial;
  c.notify = notifyEnd;
  if (!commands_.push(c)) return 0;  // the source is freed by `source` going out of scope
  source.release();
  ++inFlight_;
  slots_[slot].serial = serial;
  return serial;
}

void Mixer::stop(int slot) {
  if (slot < 0 || slot >= kSlots || slots_[slot].serial == 0) return;
  Command c;
  c.op = Op::Stop;
  c.slot = slot;
  if (commands_.push(c)) slots_[slot].serial = 0;
}

void Mixer::setGain(int slot, float gain) {
  if (slot < 0 || slot >= kSlots) return;
  Command c;
  c.op = Op::Gain;
  c.slot = slot;
  c.gain = std::clamp(gain, 0.0f, 1.0f);
  commands_.push(c);
}

bool Mixer::playing(int slot) const {
  if (slot < 0 || slot >= kSlots) return false;
  uint32_t s = slots_[slot].serial;
  return s != 0 && endedSerial_[slot].load(std::memory_order_acquire) != s;
}

bool Mixer::endedSilently(int slot) const {
  if (slot < 0 || slot >= kSlots) return false;
  uint32_t s = slots_[slot].serial;
  // The audio side stores the silent serial before the ended one.
  return s != 0 && endedSerial_[slot].load(std::memory_order_acquire) == s &&
         silentSerial_[slot].load(std::memory_order_relaxed) == s;
}

bool Mixer::anyPlaying() const {
  for (int i = 0; i < kSlots; ++i)
    if (playing(i)) return true;
  return false;
}

void Mixer::collect(std::vector<EndEvent>& ended) {
  Event ev;
  while (events_.pop(ev)) {
    delete ev.source;
    --inFlight_;
    if (ev.ended) ended.push_back(EndEvent{ev.slot, ev.serial, ev.notify});
  }
}

bool Mixer::quiet() const { return inFlight_ == 0 && commands_.empty() && events_.empty(); }

// ---- audio side ----

void Mixer::retire(AudioSlot& s, bool ended) {
  if (!s.source) return;
  Event ev;
  ev.source = s.source;
  ev.slot = static_cast<int>(&s - audio_);
  ev.serial = s.serial;
  ev.ended = ended;
  ev.notify = s.notify;
  if (ended && s.frames <= s.source->paddedFrames()) silentSerial_[ev.slot].store(s.serial, std::memory_order_relaxed);
  endedSerial_[ev.slot].store(s.serial, std::memory_order_release);
  // Room is guaranteed (kMaxInFlight); should it ever run out, the source is leaked rather
  // than freed here, because freeing may take locks.
  events_.push(ev);
  if (ended) endedFlag_.store(true, std::memory_order_release);
  s.source = nullptr;
  s.serial = 0;
}

void Mixer::applyCommands() {
  Command c;
  while (commands_.pop(c)) {
    AudioSlot& s = audio_[c.slot];
    switch (c.op) {
      case Op::Start:
        retire(s, false);
        s.source = c.source;
        s.serial = c.serial;
        s.notify = c.notify;
        s.frames = 0;
        break;
      case Op::Stop: retire(s, false); break;
      case Op::Gain: s.gain = c.gain; break;
    }
  }
}

void Mixer::mix(int16_t* out, size_t frames) {
  applyCommands();
  size_t done = 0;
  while (done < frames) {
    const size_t n = std::min(frames - done, kStepFrames);
    std::memset(sum_, 0, n * 2 * sizeof(float));
    for (AudioSlot& s : audio_) {
      if (!s.source) continue;
      size_t got = s.source->read(scratch_, n);
      s.frames += got;
      const float g = s.gain;
      for (size_t i = 0; i < got * 2; ++i) sum_[i] += scratch_[i] * g;
      if (got < n) retire(s, true);
    }
    int16_t* o = out + done * 2;
    for (size_t i = 0; i < n * 2; ++i) {
      float v = std::clamp(sum_[i], -1.0f, 1.0f) * 32767.0f;
      o[i] = static_cast<int16_t>(std::lrint(v));
    }
    done += n;
  }
  int active = 0;
  for (const AudioSlot& s : audio_) active += s.source != nullptr;
  activeSlots_.store(active, std::memory_order_relaxed);
  framesMixed_.fetch_add(frames, std::memory_order_relaxed);
}

}  // namespace veloria
