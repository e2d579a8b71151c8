// The sound subsystem's life cycle: stopping everything, the window timer's loop restarts,
// defaults and the command table.
#include "engine/engine.h"
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
  stopBgm(e, false);
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
  bgmTimerTick(e);
  waveTimerTick(e);
}

void soundRestoreDefaults(Engine& e) {
  e.sound.cdTrack = -1;
  e.sound.waveDemoMode = 0;
  e.sound.cdFadeTime = 1000;
  SoundState& s = e.sound;
  s.bgmFadeMs = 0;
  // Volumes go back to full; the mixer hears of it only when one was changed (a game that
  // never sets one never touches the gains).
  bool changed = s.musicVolume != 100 || s.seVolume != 100 || s.voiceVolume != 100;
  for (SoundChannel& c : s.channels) {
    changed = changed || c.volume != 100;
    c.volume = 100;
  }
  s.musicVolume = s.seVolume = s.voiceVolume = 100;
  if (changed) applyVolumes(e);
}

void registerSoundCommands(CommandTable& t) {
  registerMusicCommands(t);
  registerWaveCommands(t);
  registerMovieCommands(t);
  registerBgmCommands(t);
}

}  // namespace veloria
