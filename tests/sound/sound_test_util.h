// Sound tests run whole games on the headless backend with the mix recorded, and read the
// recording back: tones written into test files are found again by frequency and time.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/game_runner.h"

namespace veloria::test {

inline void putLe(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A RIFF WAV header for `dataBytes` of sample data.
inline std::string wavHeader(int rate, int channels, int bits, uint32_t dataBytes, int tag = 1) {
  std::string h = "RIFF";
  putLe(h, 36 + dataBytes, 4);
  h += "WAVEfmt ";
  putLe(h, 16, 4);
  putLe(h, static_cast<uint32_t>(tag), 2);
  putLe(h, static_cast<uint32_t>(channels), 2);
  putLe(h, static_cast<uint32_t>(rate), 4);
  putLe(h, static_cast<uint32_t>(rate * channels * bits / 8), 4);
  putLe(h, static_cast<uint32_t>(channels * bits / 8), 2);
  putLe(h, static_cast<uint32_t>(bits), 2);
  h += "data";
  putLe(h, dataBytes, 4);
  return h;
}

// A sine tone as 16-bit PCM WAV (8-bit when bits is 8).
inline std::string toneWav(double hz, int ms, int rate = 44100, int channels = 1, int bits = 16, double amp = 0.5) {
  const int frames = static_cast<int>(static_cast<int64_t>(rate) * ms / 1000);
  std::string data;
  for (int i = 0; i < frames; ++i) {
    double v = amp * std::sin(2 * M_PI * hz * i / rate);
    for (int c = 0; c < channels; ++c) {
      if (bits == 8)
        data += static_cast<char>(static_cast<uint8_t>(std::lround(128 + v * 127)));
      else
        putLe(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767))), 2);
    }
  }
  return wavHeader(rate, channels, bits, static_cast<uint32_t>(data.size())) + data;
}

// A format-0 MIDI file: one note of `ms` milliseconds (120 bpm, 480 ticks a beat).
inline std::string noteMidi(int ms, int note = 69, int program = 80) {
  auto varLen = [](uint32_t v) {
    std::string out;
    std::string rev;
    rev += static_cast<char>(v & 0x7F);
    while (v >>= 7) rev += static_cast<char>((v & 0x7F) | 0x80);
    for (auto it = rev.rbegin(); it != rev.rend(); ++it) out += *it;
    return out;
  };
  std::string track;
  track += varLen(0) + "\xC0" + static_cast<char>(program);
  track += varLen(0) + "\x90" + static_cast<char>(note) + "\x64";
  track += varLen(static_cast<uint32_t>(ms * 960 / 1000)) + "\x80" + static_cast<char>(note) + "\x40";
  track += varLen(0) + std::string("\xFF\x2F\x00", 3);
  std::string f = "MThd";
  auto be = [&](uint32_t v, int n) {
    for (int i = n - 1; i >= 0; --i) f += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  be(6, 4);
  be(0, 2);
  be(1, 2);
  be(480, 2);
  f += "MTrk";
  be(static_cast<uint32_t>(track.size()), 4);
  return f + track;
}

// The recorded mix: 44.1 kHz stereo 16-bit.
struct Recording {
  std::vector<int16_t> samples;  // interleaved
  size_t frames() const { return samples.size() / 2; }
  static size_t at(double ms) { return static_cast<size_t>(ms * 44.1); }

  // Root mean square of the left channel over [fromMs, toMs), full scale 1.
  double rms(double fromMs, double toMs) const {
    size_t a = std::min(at(fromMs), frames()), b = std::min(at(toMs), frames());
    if (b <= a) return 0;
    double sum = 0;
    for (size_t i = a; i < b; ++i) {
      double v = samples[i * 2] / 32768.0;
      sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(b - a));
  }
  // Amplitude of the `hz` component of the left channel over [fromMs, toMs) (Goertzel).
  double tone(double hz, double fromMs, double toMs) const {
    size_t a = std::min(at(fromMs), frames()), b = std::min(at(toMs), frames());
    if (b <= a) return 0;
    double w = 2 * M_PI * hz / 44100, c = 2 * std::cos(w), s1 = 0, s2 = 0;
    for (size_t i = a; i < b; ++i) {
      double s = samples[i * 2] / 32768.0 + c * s1 - s2;
      s2 = s1;
      s1 = s;
    }
    double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(b - a);
  }
  // The largest absolute sample of the left channel over [fromMs, toMs), full scale 1.
  double peak(double fromMs, double toMs) const {
    double m = 0;
    for (size_t i = std::min(at(fromMs), frames()); i < std::min(at(toMs), frames()); ++i)
      m = std::max(m, std::abs(samples[i * 2] / 32768.0));
    return m;
  }
  // The first time (ms) from `fromMs` on where the left channel exceeds `level`; -1 if never.
  double onset(double fromMs = 0, double level = 0.05) const {
    for (size_t i = at(fromMs); i < frames(); ++i)
      if (std::abs(samples[i * 2] / 32768.0) > level) return static_cast<double>(i) / 44.1;
    return -1;
  }
  // The last time (ms) where the left channel exceeds `level`; -1 if never.
  double lastSound(double level = 0.05) const {
    for (size_t i = frames(); i-- > 0;)
      if (std::abs(samples[i * 2] / 32768.0) > level) return static_cast<double>(i) / 44.1;
    return -1;
  }
};

inline Recording readRecording(const std::string& path) {
  Recording r;
  std::ifstream f(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return r;
  r.samples.resize((bytes.size() - 44) / 2);
  std::memcpy(r.samples.data(), bytes.data() + 44, r.samples.size() * 2);
  return r;
}

struct RecordedRun {
  GameRun run;
  Recording rec;
};

// A game of one script body between *start and end, its run and the recorded sound.
inline RecordedRun runRecorded(GameFiles files, const std::string& body, RunOptions options = {},
                               const std::string& define = "") {
  files["0.txt"] = sjisText("*define\n" + define + "game\n*start\n" + body + "\nend\n");
  std::string rec = (std::filesystem::temp_directory_path() /
                     ("veloria-rec-" + std::to_string(::getpid()) + ".wav")).string();
  options.recordAudio = rec;
  RecordedRun r;
  r.run = runGame(files, options);
  r.rec = readRecording(rec);
  std::filesystem::remove(rec);
  return r;
}

// Runs the ffmpeg tool to make a test file; false when it is not installed or fails.
inline bool makeWithFfmpeg(const std::string& args, const std::string& outPath) {
  std::string cmd = "ffmpeg -nostdin -v error -y " + args + " '" + outPath + "' 2>/dev/null";
  return std::system(cmd.c_str()) == 0 && std::filesystem::exists(outPath);
}

inline std::string readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

}  // namespace veloria::test
