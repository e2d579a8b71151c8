#include "platform/media/media_port.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace veloria {

MediaPort::~MediaPort() = default;

uint32_t MediaPort::play(int slot, std::unique_ptr<AudioSource> source, bool notifyEnd) {
  if (!source) return 0;
  catchUp();
  poll();
  if (realTime() && source->decodesWhilePlaying())
    source = feedFromThread(std::move(source), &underruns_, stoppedFeeders_);
  uint32_t serial = mixer_.start(slot, std::move(source), notifyEnd);
  kick();
  return serial;
}

void MediaPort::stop(int slot) {
  catchUp();
  poll();
  mixer_.stop(slot);
  kick();
}

bool MediaPort::playing(int slot) const { return mixer_.playing(slot); }

void MediaPort::setGain(int slot, float gain) {
  catchUp();
  mixer_.setGain(slot, gain);
  kick();
}

void MediaPort::poll() {
  ended_.clear();
  mixer_.collect(ended_);
  for (const auto& ev : ended_)
    if (ev.notify && ev.serial == mixer_.serial(ev.slot))
      platform_.postMessage(MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, ev.serial);
  stoppedFeeders_.joinFinished();
  afterPoll();
}

// ---- the virtual clock ----

namespace {

void putLe(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void wavHeader(uint8_t h[44], uint32_t dataBytes) {
  std::memcpy(h, "RIFF", 4);
  putLe(h + 4, 36 + dataBytes, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLe(h + 16, 16, 4);
  putLe(h + 20, 1, 2);
  putLe(h + 22, kMixChannels, 2);
  putLe(h + 24, kMixRate, 4);
  putLe(h + 28, kMixRate * kMixChannels * 2, 4);
  putLe(h + 32, kMixChannels * 2, 2);
  putLe(h + 34, 16, 2);
  std::memcpy(h + 36, "data", 4);
  putLe(h + 40, dataBytes, 4);
}

// A RIFF file cannot describe more data than this.
constexpr uint64_t kMaxRecordedBytes = 0xFFFFFFFFull - 36;

}  // namespace

VirtualClockMedia::VirtualClockMedia(Platform& platform, const std::string& recordPath)
    : MediaPort(platform) {
  if (recordPath.empty()) return;
  record_ = std::fopen(recordPath.c_str(), "wb");
  if (!record_) {
    std::fprintf(stderr, "veloria: cannot write %s\n", recordPath.c_str());
    return;
  }
  uint8_t h[44];
  wavHeader(h, 0);
  std::fwrite(h, 1, sizeof h, record_);
}

VirtualClockMedia::~VirtualClockMedia() {
  if (!record_) return;
  uint8_t h[44];
  wavHeader(h, static_cast<uint32_t>(recordedBytes_));
  std::fseek(record_, 0, SEEK_SET);
  std::fwrite(h, 1, sizeof h, record_);
  std::fclose(record_);
}

void VirtualClockMedia::writeSilence(uint64_t frames) {
  static const int16_t zeros[4096 * 2] = {};
  while (frames > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(frames, 4096));
    size_t bytes = n * 4;
    if (recordedBytes_ + bytes <= kMaxRecordedBytes) {
      std::fwrite(zeros, 1, bytes, record_);
      recordedBytes_ += bytes;
    }
    frames -= n;
  }
}

void VirtualClockMedia::advanceTo(uint64_t us) {
  if (us <= nowUs_) return;
  nowUs_ = us;
  // Sample n sounds at n / 44.1 ms: everything before the current microsecond is due.
  const uint64_t target = us * kMixRate / 1000000;
  if (target <= framesDone_) return;
  uint64_t frames = target - framesDone_;
  framesDone_ = target;
  if (mixer_.quiet()) {
    // Nothing plays: skip the mixing, keep the recording's timeline.
    if (record_) writeSilence(frames);
    return;
  }
  int16_t buf[Mixer::kStepFrames * 2];
  while (frames > 0) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(frames, Mixer::kStepFrames));
    mixer_.mix(buf, n);
    if (record_ && recordedBytes_ + n * 4 <= kMaxRecordedBytes) {
      std::fwrite(buf, 1, n * 4, record_);
      recordedBytes_ += n * 4;
    }
    frames -= n;
  }
  poll();
}

void VirtualClockMedia::catchUp() {
  // The platform moves the clock and calls advanceTo; commands between two moves happen at
  // the same sample. Apply queued commands now so queries see them at once.
  if (!mixer_.quiet()) {
    int16_t none[2];
    mixer_.mix(none, 0);
  }
}

}  // namespace veloria
