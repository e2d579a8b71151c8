// Sound effects and voices: the one wave sound (wave, waveloop, voices and the configured
// click, choice, log and menu voices) and the channels that play together (50 after dsound in
// the base language, 200 from the start in the extended dialect).
#include <cstdio>
#include <string>

#include "engine/engine.h"
#include "platform/media/decoders.h"
#include "platform/media/media_port.h"
#include "platform/media/wave_scan.h"
#include "platform/text_codec.h"
#include "engine/command_table.h"
#include "script/script.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

namespace {


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

namespace {

// Channels exist only after dsound in the base language; the extended dialect opens them on
// first use.
bool channelsOpen(Engine& e) { return e.sound.directSoundOn || extendedDialect(e); }
int channelCount(Engine& e) { return extendedDialect(e) ? kMaxSoundChannels : kSoundChannels; }
bool validChannel(Engine& e, int channel) { return channel >= 0 && channel < channelCount(e); }

// The channel argument. The extended dialect refuses a number outside its 200 channels; the
// base language lets the command do nothing.
int32_t readChannel(Engine& e) {
  int32_t channel = readNumber(e);
  if (extendedDialect(e) && (channel < 0 || channel >= kMaxSoundChannels))
    reportScriptErrorF(e, sj("パラメータエラー"), sj("チャンネル番号%dは範囲外です。"), std::to_string(channel));
  return channel;
}

// Decodes a channel sound into memory. WAV is found by scanning for its chunks; in the
// extended dialect OGG and MP3 are decoded whole. Null when there is nothing to play.
std::shared_ptr<const PcmBuffer> loadChannelSound(Engine& e, const std::string& name) {
  const bool extended = extendedDialect(e);
  auto file = extended ? prepareSoundFile(e, name, {"wav", "ogg", "mp3"}, "Velotmp.wav")
                       : prepareSoundFile(e, name, "wav", "Velotmp.wav");
  if (!file) return nullptr;
  const std::string ext = lowerExtension(file->hostPath);
  std::string temp = file->temporary ? file->hostPath : std::string();
  auto bytes = readSoundBytes(file->hostPath);
  // The sound lives in memory from here on: the file is no longer needed.
  deleteTempFile(temp);
  if (!bytes) return nullptr;
  if (ext == "ogg" || ext == "mp3") {
    auto opened = ext == "mp3" ? openMp3(bytes, false) : openSoundFile(bytes, false);
    if (!opened.source) {
      warnCannotPlay(name, opened.error.empty() ? "cannot read the file" : opened.error);
      return nullptr;
    }
    return readAll(*opened.source, kMaxMemoryFrames);
  }
  auto scanned = scanWave(*bytes);
  if (!scanned) return nullptr;  // no "fmt " or "data": nothing further, no message
  auto pcm = decodeScannedWave(*scanned);
  if (!pcm) {
    warnCannotPlay(name, "the channels play integer or float PCM only");
    return nullptr;
  }
  return pcm;
}

// Plays what the channel holds from its start.
void startChannel(Engine& e, int channel, bool loop) {
  SoundChannel& c = e.sound.channels[static_cast<size_t>(channel)];
  c.playing = 1;
  c.loop = loop;
  c.started = 1;
  media(e).play(kSlotChannel0 + channel, std::make_unique<MemorySource>(c.pcm, loop));
}

}  // namespace

void startDirectSound(Engine& e) { e.sound.directSoundOn = 1; }

void playChannel(Engine& e, int channel, const std::string& name, bool loop) {
  SoundState& s = e.sound;
  // Before dsound, and for channels outside 0-49, there is no channel to play on.
  if (!channelsOpen(e) || !validChannel(e, channel)) {
    std::fprintf(stderr, "veloria: channel %d ignored (%s)\n", channel,
                 s.directSoundOn ? "channels are 0-49" : "dsound has not been given");
    return;
  }
  stopChannel(e, channel);
  if (name.empty() || !soundEffectsAllowed(e)) return;
  auto pcm = loadChannelSound(e, name);
  if (!pcm) return;
  SoundChannel& c = s.channels[static_cast<size_t>(channel)];
  c.pcm = std::move(pcm);
  c.name = name;
  startChannel(e, channel, loop);
}

void loadChannel(Engine& e, int channel, const std::string& name) {
  if (!validChannel(e, channel)) return;
  stopChannel(e, channel);
  // With ＷＡＶＥ オフ the file is not even looked for, as for a sound that would play.
  if (name.empty() || !e.sound.waveOn) return;
  auto pcm = loadChannelSound(e, name);
  if (!pcm) return;
  SoundChannel& c = e.sound.channels[static_cast<size_t>(channel)];
  c.pcm = std::move(pcm);
  c.name = name;
}

void replayChannel(Engine& e, int channel, bool loop) {
  if (!validChannel(e, channel)) return;
  const SoundChannel& c = e.sound.channels[static_cast<size_t>(channel)];
  if (!c.pcm || !soundEffectsAllowed(e)) return;
  startChannel(e, channel, loop);
}

void stopChannel(Engine& e, int channel) {
  if (channel < 0 || channel >= kMaxSoundChannels) return;
  SoundChannel& c = e.sound.channels[static_cast<size_t>(channel)];
  if (!c.playing && !c.pcm) return;
  const bool wasPlaying = c.playing != 0;
  c.playing = 0;
  c.started = 0;
  c.pcm.reset();
  c.name.clear();
  if (wasPlaying) media(e).stop(kSlotChannel0 + channel);
}

void stopAllChannels(Engine& e) {
  for (int i = 0; i < kMaxSoundChannels; ++i) stopChannel(e, i);
}

bool channelVoiceEnded(Engine& e) {
  const SoundState& s = e.sound;
  const SoundChannel& c = s.channels[0];
  // The sound having stopped is a state here, not an event that one query uses up: a later
  // wait must see the same answer.
  return !channelsOpen(e) || !c.started || c.loop || !media(e).playing(kSlotChannel0);
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
  int32_t channel = readChannel(e);
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
void cmdDwaveStop(Engine& e, std::string_view, bool) { stopChannel(e, readChannel(e)); }
void cmdDwaveLoad(Engine& e, std::string_view, bool) {
  int32_t channel = readChannel(e);
  expectComma(e);
  loadChannel(e, channel, readString(e));
}
void cmdDwavePlay(Engine& e, std::string_view, bool) { replayChannel(e, readChannel(e), false); }
void cmdDwavePlayLoop(Engine& e, std::string_view, bool) { replayChannel(e, readChannel(e), true); }
void cmdChvol(Engine& e, std::string_view, bool) {
  int32_t channel = readChannel(e);
  expectComma(e);
  setChannelVolume(e, channel, readNumber(e));
}
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
  t.add("dwaveload", cmdDwaveLoad, "n,a");
  t.add("dwaveplay", cmdDwavePlay, "n");
  t.add("dwaveplayloop", cmdDwavePlayLoop, "n");
  t.add("chvol", cmdChvol, "n,n");
  t.add("mode_wave_demo", cmdModeWaveDemo, "");
}

void setWaveOn(Engine& e, bool on) { e.sound.waveOn = on ? 1 : 0; }

void stopWaveOnClick(Engine& e) {
  if (!e.sound.clickStopsWave) return;
  stopWave(e);
  e.sound.clickStopsWave = 0;
}

}  // namespace veloria
