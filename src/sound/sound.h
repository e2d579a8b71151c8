// The sound subsystem's interface to the others.
#pragma once

namespace veloria {

struct Engine;
class CommandTable;

// Stops CD audio, MIDI, wave and MP3 sound and any movie (start of a cycle, reset, exit).
void stopAllSound(Engine& e);
void stopWave(Engine& e);
void stopCdAudio(Engine& e);
// Timer 1: restarts looping MIDI and wave sound that reached their end.
void soundTimerTick(Engine& e);
// MM_MCINOTIFY: a CD track finished.
void soundPlayNotify(Engine& e, unsigned wParam);
// Whether a movie covers the window (WM_PAINT then leaves the window alone).
bool moviePlaying(Engine& e);

void soundRestoreDefaults(Engine& e);
void registerSoundCommands(CommandTable& t);

}  // namespace veloria
