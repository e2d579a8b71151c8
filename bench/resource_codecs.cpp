// Decoding speed of archive members: LZSS (MB/s of output) and delta-coded pictures
// (pixels/s), each beside memcpy of the same output size as the physical limit. Encoding
// speed of the author's tool for reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "resource/delta_image.h"
#include "resource/lzss.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Script-like text: words from a small vocabulary with some Shift-JIS pairs, which LZSS
// codes as a mix of literals and short references, as game data does.
Bytes sampleText(size_t n) {
  std::mt19937 rng(1);
  const char* words[] = {"text ", "bg ", "ld c,", "\x82\xa0\x82\xa2", "@\n", "wait 300\n",
                         "\x8d\x73\x82\xad", "*label\n", "goto ", "click\n", ":l/3,160,2;"};
  Bytes b;
  while (b.size() < n) {
    const char* w = words[rng() % 11];
    b.insert(b.end(), w, w + std::strlen(w));
    if (rng() % 5 == 0) b.push_back(static_cast<uint8_t>('0' + rng() % 10));
  }
  b.resize(n);
  return b;
}

// A picture of soft gradients with noise, like a painted background.
Bytes samplePicture(uint32_t w, uint32_t h, size_t& stride) {
  stride = veloria::deltaImageStride(w);
  Bytes px(stride * h, 0);
  std::mt19937 rng(2);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      for (int k = 0; k < 3; ++k)
        px[y * stride + x * 3 + static_cast<size_t>(k)] =
            static_cast<uint8_t>((x * (k + 1) + y * 2) / 5 + rng() % 6);
  return px;
}

void BM_LzssDecode(benchmark::State& state) {
  Bytes text = sampleText(4 << 20);
  Bytes coded = veloria::encodeLzss(text.data(), text.size());
  Bytes out(text.size());
  for (auto _ : state) {
    size_t n = veloria::decodeLzss(coded.data(), coded.size(), out.data(), out.size());
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["ratio"] = static_cast<double>(coded.size()) / static_cast<double>(text.size());
}
BENCHMARK(BM_LzssDecode)->Unit(benchmark::kMillisecond);

void BM_LzssDecodeLiterals(benchmark::State& state) {
  Bytes noise(4 << 20);
  std::mt19937 rng(3);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  Bytes coded = veloria::encodeLzss(noise.data(), noise.size());
  Bytes out(noise.size());
  for (auto _ : state) benchmark::DoNotOptimize(veloria::decodeLzss(coded.data(), coded.size(), out.data(), out.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * noise.size()));
}
BENCHMARK(BM_LzssDecodeLiterals)->Unit(benchmark::kMillisecond);

void BM_MemcpyLzssSize(benchmark::State& state) {
  Bytes a(4 << 20, 1), b(4 << 20);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * a.size()));
}
BENCHMARK(BM_MemcpyLzssSize)->Unit(benchmark::kMillisecond);

void BM_DeltaDecode(benchmark::State& state) {
  const uint32_t w = 800, h = 600;
  size_t stride;
  Bytes px = samplePicture(w, h, stride);
  Bytes coded = veloria::encodeDeltaImage(px.data(), stride, w, h);
  Bytes out(px.size());
  for (auto _ : state) {
    veloria::decodeDeltaImage(coded.data(), coded.size(), out.data(), stride);
    benchmark::ClobberMemory();
  }
  if (out != px) state.SkipWithError("decode differs");
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * w * h));
  state.counters["ratio"] = static_cast<double>(coded.size()) / static_cast<double>(px.size());
}
BENCHMARK(BM_DeltaDecode)->Unit(benchmark::kMillisecond);

void BM_MemcpyPictureSize(benchmark::State& state) {
  const size_t n = veloria::deltaImageStride(800) * 600;
  Bytes a(n, 1), b(n);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), n);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 800 * 600));
}
BENCHMARK(BM_MemcpyPictureSize)->Unit(benchmark::kMillisecond);

void BM_LzssEncode(benchmark::State& state) {
  Bytes text = sampleText(1 << 20);
  for (auto _ : state) benchmark::DoNotOptimize(veloria::encodeLzss(text.data(), text.size()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LzssEncode)->Unit(benchmark::kMillisecond);

void BM_DeltaEncode(benchmark::State& state) {
  size_t stride;
  Bytes px = samplePicture(800, 600, stride);
  for (auto _ : state) benchmark::DoNotOptimize(veloria::encodeDeltaImage(px.data(), stride, 800, 600));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 800 * 600));
}
BENCHMARK(BM_DeltaEncode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
