// A loaded game's sound: what played at the save point is started again from the names and
// loop settings the save kept (all sound was stopped before the save was read).
#include "engine/engine.h"
#include "sound/sound.h"
#include "sound/sound_internal.h"

namespace veloria {

void soundAfterLoad(Engine& e) {
  const SoundState saved = e.sound;
  SoundState& s = e.sound;
  // Nothing plays until it is started below; the names say what is playing.
  s.midiName.clear();
  s.waveName.clear();
  s.mp3Name.clear();
  s.bgmName.clear();
  s.bgmLoopName.clear();
  s.bgmKind = BgmKind::None;
  s.cdTrack = -1;
  if (saved.cdTrack != -1) playCdTrack(e, saved.cdTrack, saved.cdLoop != 0);
  if (!saved.midiName.empty()) playMidi(e, saved.midiName, saved.midiLoop != 0);
  // A wave that played once has ended by now; only a looping one comes back.
  if (!saved.waveName.empty() && saved.waveLoopSetting) playWave(e, saved.waveName, true);
  if (!saved.mp3Name.empty()) playMp3(e, saved.mp3Name, true);
  // bgm music that loops comes back; music played once is remembered but not started.
  if (saved.bgmKind == BgmKind::Loop || saved.bgmKind == BgmKind::IntroThenLoop) {
    playBgm(e, saved.bgmName, saved.bgmKind, saved.bgmLoopName);
  } else if (saved.bgmKind == BgmKind::Once) {
    s.bgmName = saved.bgmName;
    s.bgmKind = saved.bgmKind;
  }
  // The loop settings are part of the saved state whether or not something was started.
  s.midiLoop = saved.midiLoop;
  s.cdLoop = saved.cdLoop;
  s.waveLoopSetting = saved.waveLoopSetting;
  s.mp3Loop = saved.mp3Loop;
}

}  // namespace veloria
