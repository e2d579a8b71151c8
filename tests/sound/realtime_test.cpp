// The real-time audio path with real threads: the feeding thread and its ring, the queues
// between the interpreter and the audio side, and the mixer driven from two threads. The
// ThreadSanitizer build (VELORIA_TSAN) runs these to check how the threads meet.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/media/media_port.h"
#include "platform/media/mixer.h"
#include "platform/media/spsc_queue.h"
#include "platform/platform.h"
#include "support/scoped_env.h"

namespace veloria {
namespace {

// Frame i of a ramp holds i + 1 in both channels (never 0, so padding is told apart).
class RampSource final : public AudioSource {
 public:
  explicit RampSource(size_t total) : total_(total) {}
  size_t read(float* out, size_t frames) override {
    size_t n = std::min(frames, total_ - pos_);
    for (size_t i = 0; i < n; ++i) out[i * 2] = out[i * 2 + 1] = static_cast<float>(pos_ + i + 1);
    pos_ += n;
    return n;
  }
  bool decodesWhilePlaying() const override { return true; }

 private:
  size_t total_;
  size_t pos_ = 0;
};

// A decoder stuck inside its first call until the test lets it go (a SoundFont loading).
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
  std::atomic<bool> entered{false};
  std::atomic<bool> destroyed{false};
  void release() {
    {
      std::lock_guard<std::mutex> lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

class BlockedSource final : public AudioSource {
 public:
  explicit BlockedSource(Gate& g) : gate_(g) {}
  ~BlockedSource() override { gate_.destroyed = true; }
  size_t read(float*, size_t) override {
    gate_.entered = true;
    std::unique_lock<std::mutex> lock(gate_.m);
    gate_.cv.wait(lock, [&] { return gate_.open; });
    return 0;
  }
  bool decodesWhilePlaying() const override { return true; }

 private:
  Gate& gate_;
};

TEST(FeedingThread, DeliversEverythingInOrderThenEnds) {
  StoppedFeeders stopped;
  std::atomic<uint64_t> underruns{0};
  const size_t total = 100000;  // several turns of the ring
  auto fed = feedFromThread(std::make_unique<RampSource>(total), &underruns, stopped);
  std::vector<float> buf(1024 * 2);
  size_t next = 1, padded = 0;
  for (;;) {
    size_t got = fed->read(buf.data(), 1024);
    for (size_t i = 0; i < got; ++i) {
      if (buf[i * 2] == 0.0f) {
        ++padded;  // the thread was behind
        continue;
      }
      ASSERT_EQ(buf[i * 2], static_cast<float>(next)) << "frame " << next;
      ASSERT_EQ(buf[i * 2 + 1], static_cast<float>(next));
      ++next;
    }
    if (got < 1024) break;
    if (next <= total) std::this_thread::yield();
  }
  EXPECT_EQ(next, total + 1);
  EXPECT_EQ(fed->paddedFrames(), padded);
  EXPECT_EQ(fed->read(buf.data(), 16), 0u) << "an ended source stays ended";
}

TEST(FeedingThread, StoppingNeverWaitsForABusyDecoder) {
  Gate gate;
  StoppedFeeders stopped;
  auto fed = feedFromThread(std::make_unique<BlockedSource>(gate), nullptr, stopped);
  while (!gate.entered) std::this_thread::yield();
  std::vector<float> buf(64 * 2);
  EXPECT_EQ(fed->read(buf.data(), 64), 64u) << "silence while the decoder starts";
  EXPECT_EQ(fed->paddedFrames(), 64u);

  const auto before = std::chrono::steady_clock::now();
  fed.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
  EXPECT_FALSE(gate.destroyed);
  EXPECT_EQ(stopped.joinFinished(), 1u) << "still inside its call";

  // Once the call returns, the thread ends and is joined; nothing is left behind.
  gate.release();
  stopped.joinAll();
  EXPECT_TRUE(gate.destroyed);
  EXPECT_EQ(stopped.joinFinished(), 0u);
}

TEST(AudioQueue, CarriesEveryItemInOrderBetweenTwoThreads) {
  SpscQueue<uint32_t, 64> q;
  constexpr uint32_t kItems = 200000;
  std::thread producer([&] {
    for (uint32_t i = 1; i <= kItems;) {
      if (q.push(i))
        ++i;
      else
        std::this_thread::yield();
    }
  });
  uint32_t expected = 1;
  bool inOrder = true;
  while (expected <= kItems) {
    uint32_t v = 0;
    if (!q.pop(v)) {
      std::this_thread::yield();
      continue;
    }
    inOrder = inOrder && v == expected;
    ++expected;
  }
  producer.join();
  EXPECT_TRUE(inOrder);
  EXPECT_TRUE(q.empty());
}

std::shared_ptr<PcmBuffer> constant(int16_t value, size_t frames) {
  auto p = std::make_shared<PcmBuffer>();
  p->samples.assign(frames * 2, value);
  return p;
}

TEST(MixerThreads, ControlAndAudioSidesMeetOnlyThroughTheQueues) {
  Mixer m;
  std::atomic<bool> quit{false};
  std::thread audio([&] {
    std::vector<int16_t> out(256 * 2);
    while (!quit.load()) {
      m.mix(out.data(), 256);
      std::this_thread::yield();
    }
  });
  // Start, replace, stop and let end: every source comes back to the control side.
  std::vector<Mixer::EndEvent> ended;
  size_t endedWithNotice = 0;
  for (int i = 0; i < 3000; ++i) {
    const int slot = i % 7;
    if (m.start(slot, std::make_unique<MemorySource>(constant(100, 1 + i % 300), i % 5 == 0), true) == 0)
      std::this_thread::yield();
    if (i % 3 == 0) m.stop((slot + 1) % 7);
    if (i % 11 == 0) m.setGain(slot, 0.5f);
    ended.clear();
    m.collect(ended);
    for (const auto& ev : ended) endedWithNotice += ev.notify;
  }
  for (int s = 0; s < 7; ++s) m.stop(s);
  // Everything handed over comes back once the audio side has taken the stops.
  for (int tries = 0; tries < 1000000 && !m.quiet(); ++tries) {
    ended.clear();
    m.collect(ended);
    for (const auto& ev : ended) endedWithNotice += ev.notify;
    std::this_thread::yield();
  }
  // Whether a sound above got to play out before its stop depends on the scheduler: one short
  // sound left alone always does, and its end comes back with the notice.
  m.start(3, std::make_unique<MemorySource>(constant(100, 10), false), true);
  for (int tries = 0; tries < 1000000 && (endedWithNotice == 0 || !m.quiet()); ++tries) {
    ended.clear();
    m.collect(ended);
    for (const auto& ev : ended) endedWithNotice += ev.notify;
    std::this_thread::yield();
  }
  quit = true;
  audio.join();
  EXPECT_TRUE(m.quiet());
  EXPECT_GT(endedWithNotice, 0u);
  EXPECT_GT(m.framesMixed(), 0u);
}

TEST(MixerThreads, ASourceThatGivesNoSoundIsToldApart) {
  StoppedFeeders stopped;  // outlives the mixer, which may free a fed source last
  Mixer m;
  std::vector<int16_t> out(64 * 2);
  m.start(0, std::make_unique<MemorySource>(constant(1, 0), false), true);
  m.start(1, std::make_unique<MemorySource>(constant(1, 10), false), true);
  m.mix(out.data(), 64);
  EXPECT_TRUE(m.endedSilently(0));
  EXPECT_FALSE(m.endedSilently(1));
  EXPECT_FALSE(m.playing(1));

  // The feeding thread's silence while it waits for its decoder is not sound.
  m.start(2, feedFromThread(std::make_unique<RampSource>(0), nullptr, stopped), true);
  for (int i = 0; i < 1000000 && m.playing(2); ++i) {
    m.mix(out.data(), 64);
    std::this_thread::yield();
  }
  EXPECT_FALSE(m.playing(2));
  EXPECT_TRUE(m.endedSilently(2));
  m.start(2, std::make_unique<MemorySource>(constant(1, 10), false), true);
  EXPECT_FALSE(m.endedSilently(2)) << "a new play starts with a clean record";
  std::vector<Mixer::EndEvent> ended;
  m.mix(out.data(), 64);
  m.collect(ended);
}

// A real-time output over a headless window (for its message queue): SDL's silent audio
// driver when it opens, else the null sink.
struct RealTimeOutput : ::testing::Test {
  test::ScopedEnv driver{"SDL_AUDIODRIVER", "dummy"};
  std::unique_ptr<Platform> platform = makeHeadlessPlatform(HeadlessOptions{});
  std::unique_ptr<MediaPort> media = makeRealTimeMedia(*platform);

  // Polls as the window does until the play's end notice arrives (false after 5 s).
  bool noticeOf(uint32_t serial) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until) {
      media->poll();
      Message msg;
      if (platform->peekMessage(msg, MM_MCINOTIFY, MM_MCINOTIFY, true)) return msg.lParam == serial;
      std::this_thread::yield();
    }
    return false;
  }
};

TEST_F(RealTimeOutput, PausesWhenQuietAndResumesForTheNextSound) {
  ASSERT_TRUE(media->realTime());
  // 10 ms of sound, twice: the output pauses after the first and must wake for the second.
  for (int round = 0; round < 2; ++round) {
    const uint32_t serial = media->play(kSlotWave, std::make_unique<MemorySource>(constant(100, 441), false), true);
    ASSERT_NE(serial, 0u);
    EXPECT_TRUE(noticeOf(serial)) << "round " << round;
    EXPECT_FALSE(media->playing(kSlotWave));
  }
  // A decoding source goes through its feeding thread and ends the same way.
  const uint32_t fed = media->play(kSlotMp3, std::make_unique<RampSource>(441), true);
  EXPECT_TRUE(noticeOf(fed));
}

TEST_F(RealTimeOutput, StoppingABusyDecoderReturnsAtOnceAndItIsJoinedBeforeTheEnd) {
  Gate gate;
  media->play(kSlotMidi, std::make_unique<BlockedSource>(gate), false);
  while (!gate.entered) std::this_thread::yield();
  // The stop and the upkeep that frees the source never wait for the decoder.
  auto slowest = std::chrono::steady_clock::duration::zero();
  const auto t0 = std::chrono::steady_clock::now();
  media->stop(kSlotMidi);
  while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(200)) {
    const auto before = std::chrono::steady_clock::now();
    media->poll();
    slowest = std::max(slowest, std::chrono::steady_clock::now() - before);
    std::this_thread::yield();
  }
  EXPECT_LT(slowest, std::chrono::milliseconds(100));
  EXPECT_FALSE(media->playing(kSlotMidi));
  EXPECT_FALSE(gate.destroyed);
  // The output goes away only after the thread has finished with its source.
  gate.release();
  media.reset();
  EXPECT_TRUE(gate.destroyed);
}

TEST(RealTimeOutputNoDevice, OnlyOurOwnLineIsPrinted) {
  // Without a sound card the sound library would print its own lines for every device it
  // tries; with one, there is nothing to see and the test holds trivially.
  test::ScopedEnv driver("SDL_AUDIODRIVER", "alsa");
  test::ScopedEnv device("AUDIODEV", "veloria-no-such-device");
  auto platform = makeHeadlessPlatform(HeadlessOptions{});
  ::testing::internal::CaptureStderr();
  auto media = makeRealTimeMedia(*platform);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.find("ALSA lib"), std::string::npos) << err;
  EXPECT_TRUE(media->realTime());
}

}  // namespace
}  // namespace veloria
