// Sound and video state.
#pragma once

#include <cstdint>
#include <string>

namespace veloria {

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
};

}  // namespace veloria
