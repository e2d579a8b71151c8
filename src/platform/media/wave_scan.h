// How the 50 sound channels read a wave file: a plain byte scan for "fmt " and then "data"
// instead of walking the RIFF chunks, so files with odd chunk layouts play the way authors
// have always heard them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "platform/media/audio_source.h"

namespace veloria {

struct WaveFormat {
  uint16_t formatTag = 0;  // 1 integer PCM, 3 float, 0xFFFE extensible (sub-format below)
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t subFormat = 0;  // extensible: the first two bytes of the sub-format GUID
};

struct ScannedWave {
  WaveFormat format;
  std::span<const uint8_t> data;  // the sample bytes
};

// Finds `tag` from `from` on; returns the offset just after it. After a mismatch the scan goes
// on with the next byte, which is not itself tried as the first byte of the tag.
std::optional<size_t> scanForTag(std::span<const uint8_t> bytes, size_t from, const char tag[4]);

// nullopt when "fmt " or "data" is missing, or the format record is shorter than 16 bytes.
// The format chunk's length says how far its record goes (a longer record is read for its
// first fields only). The data is the data chunk's declared length, cut to what the file
// holds; a length of 0 or one past the end of the file means "the rest of the file".
std::optional<ScannedWave> scanWave(std::span<const uint8_t> bytes);

// Decodes scanned integer (8, 16, 24, 32 bit) or float (32 bit) PCM to 44.1 kHz stereo, at
// most kMaxMemoryFrames. nullptr for any other encoding or an inconsistent format.
std::shared_ptr<PcmBuffer> decodeScannedWave(const ScannedWave& w);

}  // namespace veloria
