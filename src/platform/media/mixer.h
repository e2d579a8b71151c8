// The mixer: a fixed set of slots, each playing at most one source, added together into 16-bit
// stereo at 44.1 kHz. One control thread (the interpreter) starts and stops sources; one audio
// thread (the device callback, or the interpreter itself on the virtual clock) mixes. They meet
// only through two lock-free queues, so mixing never waits for the control side.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/media/audio_source.h"
#include "platform/media/spsc_queue.h"

namespace veloria {

class Mixer {
 public:
  static constexpr int kSlots = 206;
  // Frames mixed per inner step (the device may ask for any number; they are done in steps).
  static constexpr size_t kStepFrames = 512;

  struct EndEvent {
    int slot = 0;
    uint32_t serial = 0;
    bool notify = false;
  };

  Mixer();
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // ---- control side ----
  // Starts `source` on `slot`, replacing what played there. Returns the play's serial, or 0
  // when the audio side has stalled and the command could not be queued (nothing plays).
  uint32_t start(int slot, std::unique_ptr<AudioSource> source, bool notifyEnd);
  void stop(int slot);
  // 0..1; kept across plays on the slot.
  void setGain(int slot, float gain);
  // Started and neither ended by itself nor stopped (as far as the audio side has reported).
  bool playing(int slot) const;
  // The slot's current play ended by itself without a single frame of sound (a file its
  // decoder could not play): a loop must not start it again.
  bool endedSilently(int slot) const;
  // The serial of the slot's current play (0: none).
  uint32_t serial(int slot) const { return slots_[slot].serial; }
  // Frees the sources the audio side let go of and returns the plays that ended by themselves.
  void collect(std::vector<EndEvent>& ended);
  // Nothing plays and nothing waits to be done by either side.
  bool quiet() const;
  // Whether any slot plays (control side's view).
  bool anyPlaying() const;

  // ---- audio side ----
  void mix(int16_t* out, size_t frames);
  // Frames mixed so far.
  uint64_t framesMixed() const { return framesMixed_.load(std::memory_order_relaxed); }
  // Audio side: whether the last mix had anything to play or commands are waiting.
  bool busy() const { return activeSlots_.load(std::memory_order_relaxed) > 0 || !commands_.empty(); }
  // True once since the last call when a play ended during mixing (wake the control side).
  bool takeEndedFlag() { return endedFlag_.exchange(false, std::memory_order_acq_rel); }

 private:
  enum class Op : uint8_t { Start, Stop, Gain };
  struct Command {
    Op op = Op::Stop;
    int slot = 0;
    AudioSource* source = nullptr;
    uint32_t serial = 0;
    bool notify = false;
    float gain = 1.0f;
  };
  struct Event {
    AudioSource* source = nullptr;  // to free on the control side (may be null)
    int slot = 0;
    uint32_t serial = 0;
    bool ended = false;  // the play ended by itself
    bool notify = false;
  };
  // Control side's record of a slot.
  struct ControlSlot {
    uint32_t serial = 0;  // 0 = stopped
  };
  // Audio side's record of a slot.
  struct AudioSlot {
    AudioSource* source = nullptr;
    uint32_t serial = 0;
    bool notify = false;
    float gain = 1.0f;
    uint64_t frames = 0;  // read from the source in this play
  };

  void applyCommands();
  void retire(AudioSlot& s, bool ended);

  ControlSlot slots_[kSlots];
  uint32_t nextSerial_ = 1;
  size_t inFlight_ = 0;  // sources handed to the audio side and not yet given back

  AudioSlot audio_[kSlots];
  std::atomic<uint32_t> endedSerial_[kSlots];
  std::atomic<uint32_t> silentSerial_[kSlots];  // the last play that ended with no sound
  std::atomic<uint64_t> framesMixed_{0};
  std::atomic<bool> endedFlag_{false};
  std::atomic<int> activeSlots_{0};
  float scratch_[kStepFrames * 2];
  float sum_[kStepFrames * 2];

  // Every source handed over comes back as exactly one event. At most kMaxInFlight sources are
  // out at a time, fewer than the event queue holds, so the audio side always finds room.
  static constexpr size_t kMaxInFlight = 384;
  // Room for a script that sets every channel's volume and starts every channel at once.
  SpscQueue<Command, 1024> commands_;
  SpscQueue<Event, 512> events_;
};

}  // namespace veloria
