// Sound and video state.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veloria {

struct PcmBuffer;

// One of the DirectSound-style channels (50 in the base language, 200 in the extended dialect).
struct SoundChannel {
  int32_t playing = 0;  // a sound was put on the channel and not stopped since
  int32_t loop = 0;
  int32_t started = 0;
  // The extended dialect's per-channel volume, 0..100, kept across plays until changed.
  int32_t volume = 100;
  // The sound the channel holds, decoded; it stays after the sound ends (dwaveplay repeats it)
  // until the channel is stopped or given another sound.
  std::shared_ptr<const PcmBuffer> pcm;
  std::string name;  // as the script named it (Shift-JIS)
};

// What started the extended dialect's music (the number is the one save files hold).
enum class BgmKind : int32_t { None = 0, Loop = 1, Once = 2, IntroThenLoop = 3 };

struct SoundState {
  // Player settings (menu ＷＡＶＥ and ＣＤ－ＤＡ再生, kept in envdata).
  int32_t waveOn = 1;
  int32_t cdEnabled = 1;
  std::string cdDrive;  // empty = the game's cd/ folder

  int32_t clickStopsWave = 0;
  int32_t waveDemoMode = 0;

  // What each source plays, as the script named it (Shift-JIS): save files restore these.
  std::string midiName;
  int32_t midiLoop = 0;
  int32_t cdTrack = -1;
  int32_t cdLoop = 0;
  int32_t cdFadeTime = 1000;
  std::string waveName;
  int32_t waveLoopSetting = 0;
  std::string mp3Name;
  int32_t mp3Loop = 0;
  // The extended dialect's music (bgm, bgmonce, loopbgm): the file, what started it, and for
  // loopbgm the file that loops after it.
  std::string bgmName;
  BgmKind bgmKind = BgmKind::None;
  std::string bgmLoopName;

  // ---- the extended dialect's volumes and fade (not saved) ----
  int32_t bgmFadeMs = 0;
  int32_t musicVolume = 100;
  int32_t seVolume = 100;
  int32_t voiceVolume = 100;

  // ---- the devices behind them (not saved) ----
  // MIDI: the file's bytes (a loop restarts from them) and an extracted or converted file.
  std::shared_ptr<const std::vector<uint8_t>> midiBytes;
  std::string midiTempFile;
  // CD: the folder of track files once opened, its highest track number, and "unusable"
  // (no folder or no tracks: CD audio stays silent for the rest of the run).
  int32_t cdOpen = 0;
  int32_t cdUnusable = 0;
  int32_t cdTrackCount = 0;
  std::string cdFolder;  // host path
  // MP3: an extracted file to delete when the MP3 stops.
  std::string mp3TempFile;
  // The wave sound: the timer restarts it while waveLoopFlag is 1.
  int32_t waveLoopFlag = 0;
  std::shared_ptr<const PcmBuffer> wavePcm;
  std::string waveTempFile;
  // The bgm music: a MIDI file's bytes (a looping MIDI restarts from them), and whether
  // loopbgm has gone on to its looping part.
  std::shared_ptr<const std::vector<uint8_t>> bgmMidiBytes;
  int32_t bgmInLoopPart = 0;
  // Channels: usable after dsound (in the extended dialect, always).
  int32_t directSoundOn = 0;
  std::array<SoundChannel, 200> channels{};
  // The movie of avi while it plays, and its extracted file.
  int32_t moviePlaying = 0;
  std::string movieTempFile;
};

}  // namespace veloria
