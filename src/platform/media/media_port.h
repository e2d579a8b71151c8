// The media port: the one audio output of the program and its mixer, standing in for the
// system's sequencer, CD, wave and DirectSound devices. The sound subsystem decides what plays
// and when; the port only plays sources on numbered slots and says when they have ended.
//
// Backends: a real device (SDL2 audio, 44.1 kHz stereo), a real-time null sink when no device
// opens, and the virtual-clock sink of the headless platform, where every sound starts, loops,
// fades and ends at an exact virtual time and the output can be recorded.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/audio_source.h"
#include "platform/media/mixer.h"

namespace veloria {

class Platform;

// The slots: one per music source, the wave sound, the movie's sound and the channels (50
// in the base language, 200 in the extended dialect).
enum MediaSlot : int {
  kSlotMidi = 0,
  kSlotCd = 1,
  kSlotMp3 = 2,
  kSlotWave = 3,
  kSlotMovie = 4,
  kSlotBgm = 5,
  kSlotChannel0 = 6,
};
inline constexpr int kSoundChannels = 50;
inline constexpr int kMaxSoundChannels = 200;
static_assert(kSlotChannel0 + kMaxSoundChannels == Mixer::kSlots);

// The feeding threads of sounds stopped while their decoder was still inside one long call
// (a SoundFont loading): stopping does not wait for them. Each is joined once it has
// finished, and every one of them before the output goes away, so none runs into the exit.
class StoppedFeeders {
 public:
  StoppedFeeders() = default;
  ~StoppedFeeders() { joinAll(); }
  StoppedFeeders(const StoppedFeeders&) = delete;
  StoppedFeeders& operator=(const StoppedFeeders&) = delete;
  // Takes a thread that was asked to stop; `finished` says whether it has (any thread).
  void add(std::thread thread, std::function<bool()> finished);
  // Joins the threads that have finished; returns how many are still running.
  size_t joinFinished();
  void joinAll();

 private:
  struct Entry {
    std::thread thread;
    std::function<bool()> finished;
  };
  std::mutex m_;
  std::vector<Entry> entries_;
};

class MediaPort {
 public:
  explicit MediaPort(Platform& platform) : platform_(platform) {}
  virtual ~MediaPort();
  MediaPort(const MediaPort&) = delete;
  MediaPort& operator=(const MediaPort&) = delete;

  // Starts `source` on `slot` now (on the virtual clock: at exactly this sample), replacing
  // whatever played there. With `notifyEnd`, a play that reaches its end by itself posts
  // MM_MCINOTIFY to the window's queue (wParam MCI_NOTIFY_SUCCESSFUL, lParam the play's
  // serial). Returns the serial, or 0 when the output could not take the source (nothing plays).
  uint32_t play(int slot, std::unique_ptr<AudioSource> source, bool notifyEnd = false);
  // Silences the slot at once; no notice is posted.
  void stop(int slot);
  // Whether the slot's last play still sounds: false once it ended by itself or was stopped.
  bool playing(int slot) const;
  // The slot's last play ended by itself without a single frame of sound (its decoder could
  // not play it): a looping sound is not started again.
  bool endedSilently(int slot) const { return mixer_.endedSilently(slot); }
  // The serial of the slot's current play (0: nothing started since the last stop).
  uint32_t serial(int slot) const { return mixer_.serial(slot); }
  // The slot's loudness, 0..1, kept across plays (the CD fade-out steps it down).
  void setGain(int slot, float gain);
  // Main-thread upkeep, called by the backend whenever it takes OS events: posts the end
  // notices and frees sources that finished.
  void poll();
  // Times a real device asked for sound that a feeding thread had not decoded yet.
  uint64_t underruns() const { return underruns_.load(std::memory_order_relaxed); }
  // True for a device that plays in real time; false on the virtual clock.
  virtual bool realTime() const = 0;

 protected:
  // Before a command: the virtual clock mixes everything due up to now, so the command takes
  // effect at the current sample.
  virtual void catchUp() {}
  // After a command: a paused device resumes.
  virtual void kick() {}
  // After the upkeep: a device with nothing to play may pause.
  virtual void afterPoll() {}

  Platform& platform_;
  // Outlives the mixer: the sources the mixer frees at the end may hand their threads here.
  StoppedFeeders stoppedFeeders_;
  Mixer mixer_;
  std::atomic<uint64_t> underruns_{0};

 private:
  std::vector<Mixer::EndEvent> ended_;
};

// The headless backend's output: mixed on the interpreter thread as the virtual clock moves.
class VirtualClockMedia final : public MediaPort {
 public:
  // `recordPath` non-empty: the mixed output is written there as a WAV file (44.1 kHz,
  // stereo, 16-bit; sample 0 is virtual time 0; exactly 44.1 samples per millisecond).
  VirtualClockMedia(Platform& platform, const std::string& recordPath);
  ~VirtualClockMedia() override;
  bool realTime() const override { return false; }
  // Mixes up to virtual time `us` (microseconds since the start of the run).
  void advanceTo(uint64_t us);
  // False when the recording could not be opened.
  bool recording() const { return record_ != nullptr; }

 protected:
  void catchUp() override;

 private:
  void writeSilence(uint64_t frames);
  uint64_t nowUs_ = 0;
  uint64_t framesDone_ = 0;
  std::FILE* record_ = nullptr;
  uint64_t recordedBytes_ = 0;
};

// A real-time output: the SDL2 audio device when one opens, else a null sink on a thread of
// its own that consumes sound at the real rate (so sounds still end and notices still come).
std::unique_ptr<MediaPort> makeRealTimeMedia(Platform& platform);

// Feeds a source that decodes while it plays from a thread of its own into a ring the device
// reads (the MP3 feeding thread, also used for MIDI, CD tracks and movie sound). Underruns
// are counted in `underruns`. Freeing the source never waits for a decoder busy inside one
// call: its thread goes to `stopped`.
std::unique_ptr<AudioSource> feedFromThread(std::unique_ptr<AudioSource> inner,
                                            std::atomic<uint64_t>* underruns, StoppedFeeders& stopped);

}  // namespace veloria
