// The sound subsystem's life cycle: stopping everything, the window timer's loop restarts,
// defaults, the command table and the state dump.
#include "engine/engine.h"
#include "check/json_writer.h"
#include "platform/media/media_port.h"
#include "platform/text_codec.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

void stopAllSound(Engine& e) {
  SoundState& s = e.sound;
  int32_t fade = s.cdFadeTime;
  s.cdFadeTime = 0;
  stopCdAudio(e);
  s.cdFadeTime = fade;
  stopMidi(e);
  stopWave(e);
  stopMp3(e);
  // A looping channel would otherwise go on through a reset or a loaded game.
  stopAllChannels(e);
  closeMovie(e);
}

void stopAllSoundAndLoops(Engine& e) {
  SoundState& s = e.sound;
  s.cdLoop = s.midiLoop = s.waveLoopSetting = s.mp3Loop = 0;
  s.waveLoopFlag = 0;
  stopAllSound(e);
}

void soundTimerTick(Engine& e) {
  musicTimerTick(e);
  waveTimerTick(e);
}

void soundRestoreDefaults(Engine& e) {
  e.sound.cdTrack = -1;
  e.sound.waveDemoMode = 0;
  e.sound.cdFadeTime = 1000;
}

void registerSoundCommands(CommandTable& t) {
  registerMusicCommands(t);
  registerWaveCommands(t);
  registerMovieCommands(t);
}

void writeSoundDump(Engine& e, JsonWriter& w) {
  const SoundState& s = e.sound;
  MediaPort& m = e.platform.media();
  w.key("sound").beginObject();
  w.key("midi").beginObject();
  w.key("name").value(sjisToUtf8(s.midiName));
  w.key("loop").value(s.midiLoop != 0);
  w.key("playing").value(m.playing(kSlotMidi));
  w.endObject();
  w.key("cd").beginObject();
  w.key("track").value(s.cdTrack);
  w.key("loop").value(s.cdLoop != 0);
  w.key("playing").value(m.playing(kSlotCd));
  w.key("fadeTime").value(s.cdFadeTime);
  w.endObject();
  w.key("mp3").beginObject();
  w.key("name").value(sjisToUtf8(s.mp3Name));
  w.key("loop").value(s.mp3Loop != 0);
  w.key("playing").value(m.playing(kSlotMp3));
  w.endObject();
  w.key("wave").beginObject();
  w.key("name").value(sjisToUtf8(s.waveName));
  w.key("loop").value(s.waveLoopSetting != 0);
  w.key("playing").value(m.playing(kSlotWave));
  w.key("clickStops").value(s.clickStopsWave != 0);
  w.endObject();
  w.key("directSound").value(s.directSoundOn != 0);
  w.key("channels").beginArray();
  for (int i = 0; i < kSoundChannels; ++i) {
    const SoundChannel& c = s.channels[static_cast<size_t>(i)];
    if (!c.playing) continue;
    w.beginObject();
    w.key("channel").value(i);
    w.key("loop").value(c.loop != 0);
    w.key("playing").value(m.playing(kSlotChannel0 + i));
    w.endObject();
  }
  w.endArray();
  w.key("movie").value(s.moviePlaying != 0);
  w.key("waveDemoMode").value(s.waveDemoMode != 0);
  w.endObject();
}

}  // namespace veloria
