// Sound and video are not built yet: nothing ever plays, so there is nothing to stop,
// restart or report. The music, wave and movie code replaces these bodies.
#include "app/engine.h"
#include "sound/sound.h"

namespace veloria {
void stopAllSound(Engine& e) { e.sound.cdTrack = -1; }
void stopWave(Engine& e) { e.sound.clickStopsWave = 0; }
void stopCdAudio(Engine& e) { e.sound.cdTrack = -1; }
void soundTimerTick(Engine&) {}
void soundPlayNotify(Engine&, unsigned) {}
bool moviePlaying(Engine&) { return false; }
void soundRestoreDefaults(Engine& e) { e.sound.cdTrack = -1; }
void registerSoundCommands(CommandTable&) {}
}  // namespace veloria
