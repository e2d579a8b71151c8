// The sound subsystem's interface to the others: music (MIDI, CD audio, MP3, and the extended
// dialect's bgm), the wave sound with its voices, the mixing channels, and movies.
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

struct Engine;
class CommandTable;

// ---- music ----
// Plays a MIDI file (a game path, Shift-JIS); an empty name only stops MIDI.
void playMidi(Engine& e, const std::string& name, bool loop);
void stopMidi(Engine& e);
// CD track n (0 stops CD audio); tracks are files in the game's cd/ folder.
void playCdTrack(Engine& e, int track, bool loop);
// Stops CD audio, fading out over cdFadeTime unless the fade is off.
void stopCdAudio(Engine& e);
void playMp3(Engine& e, const std::string& name, bool loop);
void stopMp3(Engine& e);
// Closes the CD "drive" so that the next play opens cdDrive afresh (the drive dialog).
void closeCdDevice(Engine& e);
// The drive dialog's choice: CD tracks come from this folder (Shift-JIS, relative to the game
// directory or absolute; empty = the game's cd/ folder). A change closes the "drive", so the
// next play opens the new folder; the same folder again changes nothing.
void chooseCdDrive(Engine& e, const std::string& drive);
// The menu's ＣＤ on/off.
void setCdEnabled(Engine& e, bool on);
// Whether a host folder holds CD track files (trackNN.<ext>), so the drive dialog may offer it.
bool holdsCdTracks(const std::string& hostDirectory);

// ---- wave sound and voices ----
// The one wave sound (voices, click/choice/log/menu voices); an empty name only stops it.
void playWave(Engine& e, const std::string& name, bool loop);
void stopWave(Engine& e);
// The menu's ＷＡＶＥ on/off.
void setWaveOn(Engine& e, bool on);
// A left click cuts off a voice started with the shorthand.
void stopWaveOnClick(Engine& e);
// The voice shorthand (a command word v<name>): "voice\<name>.wav", cut off by a left click.
void playVoiceShorthand(Engine& e, const std::string& gamePath);
// Auto mode asks whether the voice has ended: the wave sound (not playing, or looping) and
// channel 0 (no channels, never started, looping, or its sound has stopped).
bool waveVoiceEnded(Engine& e);
bool channelVoiceEnded(Engine& e);
// The channels (dsound, dwave, dwaveloop, dwavestop; in the extended dialect also dwaveload,
// dwaveplay, dwaveplayloop and chvol). In the base language there are 50, and before
// startDirectSound, or for a channel outside 0-49, playChannel and stopChannel do nothing;
// the extended dialect has 200 from the start.
void startDirectSound(Engine& e);
void playChannel(Engine& e, int channel, const std::string& name, bool loop);
void stopChannel(Engine& e, int channel);
// Stops the channel and gives it a sound without playing it.
void loadChannel(Engine& e, int channel, const std::string& name);
// Plays the sound the channel holds from its start; nothing when it holds none.
void replayChannel(Engine& e, int channel, bool loop);
// The channel's own volume, clamped to 0..100; it applies at once and to later sounds.
void setChannelVolume(Engine& e, int channel, int32_t volume);

// ---- movies ----
// Plays a movie over the whole window and waits for its end (or a click when skippable).
void playMovie(Engine& e, const std::string& name, bool skippable);
// The extended dialect's movie: the bgm music stops first, the sound plays at the music
// volume, and `loop` starts it again at its end until a click.
void playExtendedMovie(Engine& e, const std::string& name, bool clickEnds, bool loop);

// Stops CD audio (without fading), MIDI, wave and MP3 sound, the channels and any movie
// (start of a cycle, reset, load, exit, fatal error). The loop flags are left as they are.
void stopAllSound(Engine& e);
// The same, and the loop settings are forgotten, so that nothing starts again afterwards
// (the system menu's return to the start).
void stopAllSoundAndLoops(Engine& e);
// Timer 1: restarts looping MIDI and wave sound that reached their end.
void soundTimerTick(Engine& e);
// MM_MCINOTIFY: a CD track finished.
void soundPlayNotify(Engine& e, unsigned wParam);
// Whether a movie covers the window (WM_PAINT then leaves the window alone).
bool moviePlaying(Engine& e);

// After a saved game was read into the state: restarts CD audio, MIDI, a looping wave and
// a looping MP3 as the saved names and loop settings say.
void soundAfterLoad(Engine& e);

void soundRestoreDefaults(Engine& e);
void registerSoundCommands(CommandTable& t);

}  // namespace veloria
