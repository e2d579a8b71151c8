// Sound effects and voices: the one wave sound (wave, waveloop, voices and the configured
// click, choice, log and menu voices) and the 50 channels that play together after dsound.
#include <cstdio>

#include "engine/engine.h"
#include "platform/media/decoders.h"
#include "platform/media/media_port.h"
#include "platform/media/wave_scan.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

namespace {

MediaPort& media(Engine& e) { return e.platform.media(); }

bool validChannel(int channel) { return channel >= 0 && channel < kSoundChannels; }

void startWaveSource(Engine& e) {
  media(e).play(kSlotWave, std::make_unique<MemorySource>(e.sound.wavePcm, false));
}

}  // namespace

void playWave(Engine& e, const std::string& name, bool loop) {
  SoundState& s = e.sound;
  stopWave(e);
  if (name.empty() || !soundEffectsAllowed(e)) return;
  auto file = prepareSoundFile(e, name, "wav", "Velotmp.wav");
  if (!file) return;
  if (file->temporary) s.waveTempFile = file->hostPath;
  s.waveLoopSetting = loop;
  s.waveName = name;
  s.waveLoopFlag = loop ? 1 : 0;
  // The device's failures are not the script's: a file that does not decode stays silent.
  auto opened = openSoundFile(readSoundBytes(file->hostPath), false);
  if (!opened.source) {
    warnCannotPlay(name, opened.error.empty() ? "cannot read the file" : opened.error);
    return;
  }
  s.wavePcm = readAll(*opened.source, kMaxMemoryFrames);
  startWaveSource(e);
}

void stopWave(Engine& e) {
  SoundState& s = e.sound;
  s.waveLoopFlag = 0;
  media(e).stop(kSlotWave);
  s.wavePcm.reset();
  deleteTempFile(s.waveTempFile);
  s.waveName.clear();
}

void playVoiceShorthand(Engine& e, const std::string& gamePath) {
  e.sound.clickStopsWave = 1;
  playWave(e, gamePath, false);
}

void waveTimerTick(Engine& e) {
  // "play from 0" when a looping wave sound has stopped.
  SoundState& s = e.sound;
  if (s.waveLoopFlag != 1 || !s.wavePcm || media(e).playing(kSlotWave)) return;
  if (media(e).endedSilently(kSlotWave)) {
    warnCannotPlay(s.waveName, kEndsAtOnce);
    s.wavePcm.reset();
    return;
  }
  startWaveSource(e);
}

bool waveVoiceEnded(Engine& e) {
  // Nothing open, the sound has stopped, or it loops (a loop never ends by itself).
  return e.sound.waveLoopFlag == 1 || !media(e).playing(kSlotWave);
}

// ---- channels ----

void startDirectSound(Engine& e) { e.sound.directSoundOn = 1; }

void playChannel(Engine& e, int channel, const std::string& name, bool loop) {
  SoundState& s = e.sound;
  // Before dsound, and for channels outside 0-49, there is no channel to play on.
  if (!s.directSoundOn || !validChannel(channel)) {
    std::fprintf(stderr, "veloria: channel %d ignored (%s)\n", channel,
                 s.directSoundOn ? "channels are 0-49" : "dsound has not been given");
    return;
  }
  stopChannel(e, channel);
  if (name.empty() || !soundEffectsAllowed(e)) return;
  auto file = prepareSoundFile(e, name, "wav", "Velotmp.wav");
  if (!file) return;
  std::string temp = file->temporary ? file->hostPath : std::string();
  auto bytes = readSoundBytes(file->hostPath);
  // The sound lives in memory from here on: the file is no longer needed.
  deleteTempFile(temp);
  if (!bytes) return;
  auto scanned = scanWave(*bytes);
  if (!scanned) return;  // no "fmt " or "data": nothing further, no message
  auto pcm = decodeScannedWave(*scanned);
  if (!pcm) {
    warnCannotPlay(name, "the channels play integer or float PCM only");
    return;
  }
  SoundChannel& c = s.channels[static_cast<size_t>(channel)];
  c.playing = 1;
  c.loop = loop;
  c.started = 1;
  media(e).play(kSlotChannel0 + channel, std::make_unique<MemorySource>(std::move(pcm), loop));
}

void stopChannel(Engine& e, int channel) {
  if (!validChannel(channel)) return;
  SoundChannel& c = e.sound.channels[static_cast<size_t>(channel)];
  if (!c.playing) return;
  c.playing = 0;
  c.started = 0;
  media(e).stop(kSlotChannel0 + channel);
}

void stopAllChannels(Engine& e) {
  for (int i = 0; i < kSoundChannels; ++i) stopChannel(e, i);
}

bool channelVoiceEnded(Engine& e) {
  const SoundState& s = e.sound;
  const SoundChannel& c = s.channels[0];
  // The sound having stopped is a state here, not an event that one query uses up: a later
  // wait must see the same answer.
  return !s.directSoundOn || !c.started || c.loop || !media(e).playing(kSlotChannel0);
}

// ---- commands ----

namespace {

void cmdWave(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  e.sound.clickStopsWave = 0;
  if (name.empty())
    stopWave(e);
  else
    playWave(e, name, false);
}
void cmdWaveLoop(Engine& e, std::string_view, bool) {
  std::string name = readString(e);
  e.sound.clickStopsWave = 0;
  playWave(e, name, true);
}
void cmdWaveStop(Engine& e, std::string_view, bool) { stopWave(e); }

void channelCommand(Engine& e, bool loop) {
  int32_t channel = readNumber(e);
  expectComma(e);
  std::string name = readString(e);
  if (loop) e.sound.clickStopsWave = 0;
  if (name.empty())
    stopChannel(e, channel);
  else
    playChannel(e, channel, name, loop);
}
void cmdDwave(Engine& e, std::string_view, bool) { channelCommand(e, false); }
void cmdDwaveLoop(Engine& e, std::string_view, bool) { channelCommand(e, true); }
void cmdDwaveStop(Engine& e, std::string_view, bool) { stopChannel(e, readNumber(e)); }
void cmdDsound(Engine& e, std::string_view, bool) { startDirectSound(e); }
void cmdModeWaveDemo(Engine& e, std::string_view, bool) { e.sound.waveDemoMode = 1; }

}  // namespace

void registerWaveCommands(CommandTable& t) {
  t.add("wave", cmdWave, "a");
  t.add("waveloop", cmdWaveLoop, "a");
  t.add("wavestop", cmdWaveStop, "");
  t.add("dwave", cmdDwave, "n,a");
  t.add("dwaveloop", cmdDwaveLoop, "n,a");
  t.add("dwavestop", cmdDwaveStop, "n");
  t.add("dsound", cmdDsound, "");
  t.add("mode_wave_demo", cmdModeWaveDemo, "");
}

void setWaveOn(Engine& e, bool on) { e.sound.waveOn = on ? 1 : 0; }

void stopWaveOnClick(Engine& e) {
  if (!e.sound.clickStopsWave) return;
  stopWave(e);
  e.sound.clickStopsWave = 0;
}

}  // namespace veloria
