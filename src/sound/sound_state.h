// Sound and video state.
#pragma once

#include <cstdint>

namespace veloria {

struct SoundState {
  int32_t waveOn = 1;
  int32_t cdEnabled = 1;
  int32_t clickStopsWave = 0;
  int32_t cdTrack = -1;
};

}  // namespace veloria
