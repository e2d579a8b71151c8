// A short valid wave file for the tests' voices (8-bit mono, eight samples of silence), so
// that a voice the script names exists whatever plays it.
#pragma once

#include <cstdint>
#include <string>

namespace veloria::test {

inline std::string tinyWav() {
  std::string f = "RIFF....WAVEfmt ";
  auto put = [&f](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) f.push_back(static_cast<char>(v >> (8 * i)));
  };
  put(16, 4);    // format chunk size
  put(1, 2);     // PCM
  put(1, 2);     // mono
  put(8000, 4);  // samples per second
  put(8000, 4);  // bytes per second
  put(1, 2);     // block alignment
  put(8, 2);     // bits per sample
  f += "data";
  put(8, 4);
  f.append(8, '\x80');
  const uint32_t size = static_cast<uint32_t>(f.size() - 8);
  for (int i = 0; i < 4; ++i) f[4 + static_cast<size_t>(i)] = static_cast<char>(size >> (8 * i));
  return f;
}

}  // namespace veloria::test
