// Sound and movie costs:
//  - Mix: 50 channels plus MIDI and an MP3 stream, processor time per second of audio
//    ("cpu_per_audio_s", goal <= 2%), and the cost of one more channel.
//  - Mix of the extended dialect: 200 channels, each at a volume of its own, plus the bgm
//    music (goal < 3%).
//  - Underruns: the real device path (SDL's dummy driver, which calls the mixer on its own
//    thread at the real rate) fed by the decoding threads while the interpreter thread is busy
//    issuing commands; counts underruns (goal 0).
//  - Movie: 640x480 decode + scale + present, as a multiple of real time (goal >= 4).
// Test media are made with the ffmpeg tool at start; without it those benchmarks are skipped.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/media/decoders.h"
#include "platform/media/media_port.h"
#include "platform/media/mixer.h"
#include "platform/media/movie_decoder.h"
#include "platform/platform.h"

using namespace veloria;

namespace {

std::filesystem::path workDir() {
  static std::filesystem::path d = [] {
    auto p = std::filesystem::temp_directory_path() / ("veloria-bench-sound-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return d;
}

FileBytes ffmpegFile(const std::string& name, const std::string& args) {
  auto path = workDir() / name;
  if (!std::filesystem::exists(path)) {
    std::string cmd = "ffmpeg -nostdin -v error -y " + args + " '" + path.string() + "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return nullptr;
  }
  std::ifstream f(path, std::ios::binary);
  return std::make_shared<const std::vector<uint8_t>>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

FileBytes mp3Bytes() {
  static FileBytes b = ffmpegFile("music.mp3", "-f lavfi -i sine=frequency=440:duration=30 -ac 2 -b:a 192k");
  return b;
}

FileBytes midiBytes() {
  // Eight notes a second on one channel for 60 s.
  std::string track;
  for (int i = 0; i < 480; ++i) {
    char note = static_cast<char>(60 + i % 12);
    track += std::string("\x00\x90", 2) + note + "\x64";
    track += std::string("\x81\x70\x80", 3) + note + "\x40";  // 240 ticks = 125 ms at 120 bpm
  }
  track += std::string("\x00\xFF\x2F\x00", 4);
  std::string f = std::string("MThd\0\0\0\6\0\0\0\1\1\xE0MTrk", 18);
  uint32_t n = static_cast<uint32_t>(track.size());
  f += static_cast<char>(n >> 24);
  f += static_cast<char>(n >> 16);
  f += static_cast<char>(n >> 8);
  f += static_cast<char>(n);
  f += track;
  return std::make_shared<const std::vector<uint8_t>>(f.begin(), f.end());
}

std::shared_ptr<PcmBuffer> tone(double hz) {
  auto p = std::make_shared<PcmBuffer>();
  for (int i = 0; i < kMixRate; ++i) {
    auto v = static_cast<int16_t>(3000 * std::sin(2 * M_PI * hz * i / kMixRate));
    p->samples.push_back(v);
    p->samples.push_back(v);
  }
  return p;
}

void startChannels(Mixer& m, int channels) {
  for (int c = 0; c < channels; ++c)
    m.start(kSlotChannel0 + c, std::make_unique<MemorySource>(tone(200 + 20 * c), true), false);
}

// One second of audio per iteration; the processor time of that second is the cost.
void BM_MixOneSecond(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  const bool music = state.range(1) != 0;
  Mixer m;
  startChannels(m, channels);
  if (music) {
    if (auto mp3 = openMp3(mp3Bytes(), true); mp3.source) m.start(kSlotMp3, std::move(mp3.source), false);
    std::string font = findSoundFont();
    if (auto midi = openMidi(midiBytes(), font); midi.source) m.start(kSlotMidi, std::move(midi.source), false);
  }
  std::vector<int16_t> out(1024 * 2);
  for (int i = 0; i < 20; ++i) m.mix(out.data(), 1024);  // the synthesizer loads its font here
  for (auto _ : state) {
    for (int done = 0; done < kMixRate; done += 1024) m.mix(out.data(), std::min(1024, kMixRate - done));
    benchmark::DoNotOptimize(out.data());
  }
  if (music) {
    state.counters["midi_on"] = m.playing(kSlotMidi);
    state.counters["mp3_on"] = m.playing(kSlotMp3);
  }
  state.counters["cpu_per_audio_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixOneSecond)->Args({0, 0})->Args({1, 0})->Args({50, 0})->Args({0, 1})->Args({50, 1})->Unit(benchmark::kMillisecond);

// A volume of its own for every channel, none of them full.
float channelGain(int c) { return static_cast<float>(c % 99 + 1) / 100.0f; }

void BM_Mix200ChannelsAtTheirVolumesWithMusic(benchmark::State& state) {
  Mixer m;
  startChannels(m, kMaxSoundChannels);
  for (int c = 0; c < kMaxSoundChannels; ++c) m.setGain(kSlotChannel0 + c, channelGain(c));
  bool music = false;
  if (auto mp3 = openMp3(mp3Bytes(), true); mp3.source) music = m.start(kSlotBgm, std::move(mp3.source), false) != 0;
  m.setGain(kSlotBgm, 0.65f);
  std::vector<int16_t> out(1024 * 2);
  m.mix(out.data(), 1024);
  for (auto _ : state) {
    for (int done = 0; done < kMixRate; done += 1024) m.mix(out.data(), std::min(1024, kMixRate - done));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["music_on"] = music && m.playing(kSlotBgm);
  state.counters["cpu_per_audio_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Mix200ChannelsAtTheirVolumesWithMusic)->Unit(benchmark::kMillisecond);

// A platform that only takes messages: the media port needs one to post its notices to.
std::unique_ptr<Platform> quietPlatform() { return makeHeadlessPlatform(HeadlessOptions{}); }

void BM_UnderrunsWithABusyInterpreter(benchmark::State& state) {
  const int channels = static_cast<int>(state.range(0));
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  auto platform = quietPlatform();
  auto media = makeRealTimeMedia(*platform);
  if (!media->realTime()) {
    state.SkipWithError("no real-time output");
    return;
  }
  for (auto _ : state) {
    if (auto mp3 = openMp3(mp3Bytes(), true); mp3.source) media->play(kSlotMp3, std::move(mp3.source));
    if (auto midi = openMidi(midiBytes(), findSoundFont()); midi.source) media->play(kSlotMidi, std::move(midi.source));
    for (int c = 0; c < channels; ++c) {
      media->setGain(kSlotChannel0 + c, channelGain(c));
      media->play(kSlotChannel0 + c, std::make_unique<MemorySource>(tone(200 + 20 * c), true));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the feeders' first fill
    const uint64_t before = media->underruns();
    // The interpreter is busy for 5 s: it burns processor time and restarts a channel every
    // millisecond, as a script of many short sounds would.
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    volatile double sink = 0;
    int n = 0;
    while (std::chrono::steady_clock::now() < end) {
      for (int i = 0; i < 20000; ++i) sink = sink + std::sqrt(static_cast<double>(i));
      media->play(kSlotChannel0 + (n++ % channels), std::make_unique<MemorySource>(tone(300), false));
      media->poll();
    }
    state.counters["underruns"] = static_cast<double>(media->underruns() - before);
    state.counters["commands"] = n;
    for (int s = 0; s < Mixer::kSlots; ++s) media->stop(s);
  }
}
BENCHMARK(BM_UnderrunsWithABusyInterpreter)->Arg(kSoundChannels)->Arg(kMaxSoundChannels)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Movie640x480(benchmark::State& state) {
  auto bytes = ffmpegFile("movie.avi",
                          "-f lavfi -i testsrc=size=640x480:rate=30:duration=10 -c:v mpeg4 -q:v 4");
  if (!bytes) {
    state.SkipWithError("the ffmpeg tool is not installed");
    return;
  }
  auto platform = quietPlatform();
  platform->createWindow(640, 480);
  const std::string path = (workDir() / "movie.avi").string();
  double movieSeconds = 0;
  for (auto _ : state) {
    MovieDecoder::Failure f;
    auto movie = MovieDecoder::open(path, 640, 480, &f);
    if (!movie) {
      state.SkipWithError(f.text.c_str());
      return;
    }
    while (movie->nextFrame()) platform->present(movie->frame(), Rect{0, 0, 640, 480});
    movieSeconds += movie->frameTimeMs() / 1000.0 + 1.0 / 30;
  }
  state.counters["x_real_time"] = benchmark::Counter(movieSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Movie640x480)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
