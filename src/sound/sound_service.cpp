// Sound and video are not built yet: nothing ever plays. The requests are remembered (save
// files and the state dump read them); the music, wave and movie code replaces these bodies.
#include "app/engine.h"
#include "sound/sound.h"

namespace veloria {
void playMidi(Engine& e, const std::string& name, bool loop) {
  e.sound.midiName = name;
  e.sound.midiLoop = name.empty() ? 0 : loop;
}
void stopMidi(Engine& e) { e.sound.midiName.clear(); }
void playCdTrack(Engine& e, int track, bool loop) {
  e.sound.cdTrack = track == 0 ? -1 : track;
  e.sound.cdLoop = loop;
}
void stopCdAudio(Engine& e) { e.sound.cdTrack = -1; }
void playMp3(Engine& e, const std::string& name, bool loop) {
  e.sound.mp3Name = name;
  e.sound.mp3Loop = name.empty() ? 0 : loop;
}
void stopMp3(Engine& e) { e.sound.mp3Name.clear(); }
void playWave(Engine& e, const std::string& name, bool loop) {
  e.sound.waveName = name;
  if (!name.empty()) e.sound.waveLoopSetting = loop;
}
void stopWave(Engine& e) { e.sound.waveName.clear(); }
void playVoiceShorthand(Engine& e, const std::string& gamePath) {
  e.sound.clickStopsWave = 1;
  playWave(e, gamePath, false);
}
bool waveVoiceEnded(Engine&) { return true; }
bool channelVoiceEnded(Engine&) { return true; }
void stopAllSound(Engine& e) {
  stopCdAudio(e);
  stopMidi(e);
  stopWave(e);
  stopMp3(e);
}
void soundTimerTick(Engine&) {}
void soundPlayNotify(Engine&, unsigned) {}
bool moviePlaying(Engine&) { return false; }
void soundRestoreDefaults(Engine& e) {
  e.sound.cdTrack = -1;
  e.sound.waveDemoMode = 0;
  e.sound.cdFadeTime = 1000;
}
void registerSoundCommands(CommandTable&) {}
}  // namespace veloria
