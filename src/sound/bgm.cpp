// The extended dialect's music (bgm, bgmonce, loopbgm and their stops and fade) and its
// volumes. The music plays on a slot of its own, beside the base language's MIDI, CD and MP3,
// whatever its format: MIDI through the synthesizer, MP3, OGG and WAV through the decoders.
#include <algorithm>
#include <cstring>

#include "engine/command_table.h"
#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "platform/media/decoders.h"
#include "platform/media/media_port.h"
#include "script/script.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

namespace {

// A fade is cut into steps no longer than this, so the ramp has no audible stairs.
constexpr uint32_t kFadeStepMs = 10;


float percent(int32_t v) { return static_cast<float>(v) / 100.0f; }
int32_t clampVolume(int32_t v) { return std::clamp(v, 0, 100); }

// Linear amplitude: the global volume of the channel's kind times the channel's own.
float channelGain(const Engine& e, int channel) {
  const SoundState& s = e.sound;
  const int32_t global = channel == 0 ? s.voiceVolume : s.seVolume;
  return static_cast<float>(global * s.channels[static_cast<size_t>(channel)].volume) / 10000.0f;
}

void applyMusicGain(Engine& e) {
  const float g = musicGain(e);
  for (int slot : {kSlotMidi, kSlotCd, kSlotMp3, kSlotBgm}) media(e).setGain(slot, g);
}

void applyChannelGain(Engine& e, int channel) { media(e).setGain(kSlotChannel0 + channel, channelGain(e, channel)); }

// Opens the bgm file `name` as a source. A MIDI file's bytes go to `midiBytes` (its loop is
// restarted by the timer, as a synthesizer's sequence ends by itself).
std::unique_ptr<AudioSource> openBgmSource(Engine& e, const std::string& name, bool loop, FileBytes& midiBytes) {
  midiBytes.reset();
  auto file = prepareSoundFile(e, name, {"mid", "midi", "mp3", "ogg", "wav"}, "Velobgm.wav");
  if (!file) return nullptr;
  const std::string ext = lowerExtension(file->hostPath);
  std::string temp = file->temporary ? file->hostPath : std::string();
  auto bytes = readSoundBytes(file->hostPath);
  // Every decoder works from the bytes in memory: the file is no longer needed.
  deleteTempFile(temp);
  if (!bytes) {
    warnCannotPlay(name, "cannot read the file");
    return nullptr;
  }
  OpenedSound opened;
  // A plug-in's output is told by its content, not by the name it was given.
  if (bytes->size() >= 4 && std::memcmp(bytes->data(), "MThd", 4) == 0) {
    opened = openMidi(bytes, findSoundFont());
    if (opened.source) midiBytes = bytes;
  } else if (ext == "mp3") {
    opened = openMp3(bytes, loop);
  } else {
    opened = openSoundFile(bytes, loop);
  }
  if (!opened.source) {
    warnCannotPlay(name, opened.error.empty() ? "cannot read the file" : opened.error);
    return nullptr;
  }
  return std::move(opened.source);
}

void playOnBgmSlot(Engine& e, std::unique_ptr<AudioSource> source) {
  media(e).setGain(kSlotBgm, musicGain(e));
  media(e).play(kSlotBgm, std::move(source));
}

void startBgmFile(Engine& e, const std::string& name, bool loop) {
  SoundState& s = e.sound;
  auto source = openBgmSource(e, name, loop, s.bgmMidiBytes);
  if (source) playOnBgmSlot(e, std::move(source));
}

// Plays one source to its end and then another, without a gap between them.
class ThenSource final : public AudioSource {
 public:
  ThenSource(std::unique_ptr<AudioSource> first, std::unique_ptr<AudioSource> then)
      : first_(std::move(first)), then_(std::move(then)) {}
  size_t read(float* out, size_t frames) override {
    size_t done = 0;
    if (!firstDone_) {
      done = first_->read(out, frames);
      firstDone_ = done < frames;
    }
    if (done < frames) done += then_->read(out + done * kMixChannels, frames - done);
    return done;
  }
  bool decodesWhilePlaying() const override { return true; }

 private:
  std::unique_ptr<AudioSource> first_, then_;
  bool firstDone_ = false;
};

// loopbgm: the first file, then the second looping. Decoded files follow each other without a
// gap; when either is MIDI (its sequence cannot be told to loop), the timer starts the second.
void startIntroThenLoop(Engine& e, const std::string& name, const std::string& loopName) {
  SoundState& s = e.sound;
  FileBytes firstMidi, thenMidi;
  auto first = openBgmSource(e, name, false, firstMidi);
  if (!first) return;  // the timer goes on to the second file
  std::unique_ptr<AudioSource> then;
  if (!firstMidi && !loopName.empty()) then = openBgmSource(e, loopName, true, thenMidi);
  if (!then || thenMidi) {
    playOnBgmSlot(e, std::move(first));
    return;
  }
  s.bgmInLoopPart = 1;
  playOnBgmSlot(e, std::make_unique<ThenSource>(std::move(first), std::move(then)));
}

// Lowers the music linearly to silence over `ms` in steps of at most kFadeStepMs. The script
// waits meanwhile; the window goes on taking its messages.
void fadeOutBgm(Engine& e, uint32_t ms) {
  MediaPort& m = media(e);
  const float full = musicGain(e);
  const uint32_t steps = (ms + kFadeStepMs - 1) / kFadeStepMs;
  const uint32_t start = e.platform.timeGetTime();
  uint32_t done = 0;
  auto dueOf = [&](uint32_t step) { return start + static_cast<uint32_t>(uint64_t{ms} * step / steps); };
  WaitSetup setup;
  setup.animate = false;
  setup.after = [&](const WaitPass& p) {
    // Stopped meanwhile (the window closing): nothing left to fade.
    if (!m.playing(kSlotBgm)) return PassResult::End;
    while (done < steps && timeReached(p.now, dueOf(done + 1))) ++done;
    m.setGain(kSlotBgm, full * static_cast<float>(steps - done) / static_cast<float>(steps));
    return done == steps ? PassResult::End : PassResult::Continue;
  };
  setup.deadline = [&](const WaitPass&) { return dueOf(done + 1); };
  runWaitLoop(e, setup);
}

}  // namespace

float musicGain(const Engine& e) { return percent(e.sound.musicVolume); }

void applyVolumes(Engine& e) {
  applyMusicGain(e);
  media(e).setGain(kSlotWave, percent(e.sound.seVolume));
  for (int c = 0; c < kMaxSoundChannels; ++c) applyChannelGain(e, c);
}

void setChannelVolume(Engine& e, int channel, int32_t volume) {
  if (channel < 0 || channel >= kMaxSoundChannels) return;
  e.sound.channels[static_cast<size_t>(channel)].volume = clampVolume(volume);
  applyChannelGain(e, channel);
}

void playBgm(Engine& e, const std::string& name, BgmKind kind, const std::string& loopName) {
  SoundState& s = e.sound;
  stopBgm(e, true);
  if (name.empty() || kind == BgmKind::None) return;
  s.bgmName = name;
  s.bgmKind = kind;
  s.bgmLoopName = kind == BgmKind::IntroThenLoop ? loopName : std::string();
  s.bgmInLoopPart = 0;
  if (kind == BgmKind::IntroThenLoop)
    startIntroThenLoop(e, name, s.bgmLoopName);
  else
    startBgmFile(e, name, kind == BgmKind::Loop);
}

void stopBgm(Engine& e, bool fade) {
  SoundState& s = e.sound;
  if (fade && s.bgmFadeMs > 0 && media(e).playing(kSlotBgm)) fadeOutBgm(e, static_cast<uint32_t>(s.bgmFadeMs));
  media(e).stop(kSlotBgm);
  s.bgmName.clear();
  s.bgmLoopName.clear();
  s.bgmKind = BgmKind::None;
  s.bgmInLoopPart = 0;
  s.bgmMidiBytes.reset();
}

void bgmTimerTick(Engine& e) {
  SoundState& s = e.sound;
  if (s.bgmKind == BgmKind::None || media(e).playing(kSlotBgm)) return;
  if (s.bgmKind == BgmKind::IntroThenLoop && !s.bgmInLoopPart) {
    // The first part has ended: the second takes over and loops.
    s.bgmInLoopPart = 1;
    if (!s.bgmLoopName.empty()) startBgmFile(e, s.bgmLoopName, true);
    return;
  }
  const bool loops = s.bgmKind == BgmKind::Loop || s.bgmKind == BgmKind::IntroThenLoop;
  // A looping MIDI sequence ends by itself: it starts again from the top.
  if (loops && s.bgmMidiBytes) {
    auto opened = openMidi(s.bgmMidiBytes, findSoundFont());
    if (!opened.source) {
      s.bgmMidiBytes.reset();  // nothing to restart: the timer would only fail again
      return;
    }
    media(e).play(kSlotBgm, std::move(opened.source));
  }
}

// ---- commands ----

namespace {

void cmdBgm(Engine& e, std::string_view, bool) { playBgm(e, readString(e), BgmKind::Loop, {}); }
void cmdBgmOnce(Engine& e, std::string_view, bool) { playBgm(e, readString(e), BgmKind::Once, {}); }
void cmdLoopBgm(Engine& e, std::string_view, bool) {
  std::string first = readString(e);
  expectComma(e);
  std::string then = readString(e);
  playBgm(e, first, BgmKind::IntroThenLoop, then);
}
void cmdBgmStop(Engine& e, std::string_view, bool) { stopBgm(e, true); }
void cmdLoopBgmStop(Engine& e, std::string_view, bool) {
  // Only the music loopbgm started: bgm and bgmonce music goes on.
  if (e.sound.bgmKind == BgmKind::IntroThenLoop) stopBgm(e, true);
}
void cmdBgmFadeOut(Engine& e, std::string_view, bool) { e.sound.bgmFadeMs = std::max(readNumber(e), 0); }
void cmdBgmVol(Engine& e, std::string_view, bool) {
  e.sound.musicVolume = clampVolume(readNumber(e));
  applyMusicGain(e);
}
void cmdSeVol(Engine& e, std::string_view, bool) {
  e.sound.seVolume = clampVolume(readNumber(e));
  media(e).setGain(kSlotWave, percent(e.sound.seVolume));
  for (int c = 1; c < kMaxSoundChannels; ++c) applyChannelGain(e, c);
}
void cmdVoiceVol(Engine& e, std::string_view, bool) {
  e.sound.voiceVolume = clampVolume(readNumber(e));
  applyChannelGain(e, 0);
}

}  // namespace

void registerBgmCommands(CommandTable& t) {
  t.add("bgm", cmdBgm, "a");
  t.add("bgmonce", cmdBgmOnce, "a");
  t.add("loopbgm", cmdLoopBgm, "a,a");
  t.add("bgmstop", cmdBgmStop, "");
  t.add("loopbgmstop", cmdLoopBgmStop, "");
  t.add("bgmfadeout", cmdBgmFadeOut, "n");
  t.add("bgmvol", cmdBgmVol, "n");
  t.add("mp3vol", cmdBgmVol, "n");
  t.add("sevol", cmdSeVol, "n");
  t.add("voicevol", cmdVoiceVol, "n");
}

}  // namespace veloria
