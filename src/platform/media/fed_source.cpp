// The feeding thread: decodes a source ahead of the device into a ring of about half a second.
// The device callback only copies out of the ring; when the thread falls behind, the callback
// plays silence and counts an underrun instead of waiting.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/media/media_port.h"

namespace veloria {

namespace {

constexpr size_t kRingFrames = 32768;  // ~0.74 s; a power of two
constexpr size_t kChunkFrames = 2048;

struct FeedState {
  std::unique_ptr<AudioSource> inner;  // touched only by the feeding thread
  float ring[kRingFrames * 2];
  std::atomic<uint64_t> written{0};  // frames put into the ring
  std::atomic<uint64_t> read{0};     // frames taken out
  std::atomic<bool> finished{false};  // the inner source has ended; `written` is final
  std::atomic<bool> stopRequested{false};
  std::mutex m;
  std::condition_variable cv;  // stop requests; the thread's exit
  bool exited = false;

  void run() {
    float chunk[kChunkFrames * 2];
    while (!stopRequested.load(std::memory_order_acquire)) {
      uint64_t w = written.load(std::memory_order_relaxed);
      uint64_t space = kRingFrames - (w - read.load(std::memory_order_acquire));
      if (space < kChunkFrames) {
        // Full: sleep a while (the device takes ~1100 frames in 25 ms).
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, std::chrono::milliseconds(25), [&] { return stopRequested.load(); });
        continue;
      }
      size_t got = inner->read(chunk, kChunkFrames);
      for (size_t i = 0; i < got; ++i) {
        size_t at = static_cast<size_t>((w + i) & (kRingFrames - 1)) * 2;
        ring[at] = chunk[i * 2];
        ring[at + 1] = chunk[i * 2 + 1];
      }
      written.store(w + got, std::memory_order_release);
      if (got < kChunkFrames) {
        finished.store(true, std::memory_order_release);
        break;
      }
    }
    inner.reset();
    std::lock_guard<std::mutex> lock(m);
    exited = true;
    cv.notify_all();
  }
};

class FedSource final : public AudioSource {
 public:
  FedSource(std::unique_ptr<AudioSource> inner, std::atomic<uint64_t>* underruns, StoppedFeeders& stopped)
      : state_(std::make_shared<FeedState>()), underruns_(underruns), stopped_(stopped) {
    state_->inner = std::move(inner);
    auto s = state_;
    thread_ = std::thread([s] { s->run(); });
  }

  ~FedSource() override {
    state_->stopRequested.store(true, std::memory_order_release);
    {
      std::lock_guard<std::mutex> lock(state_->m);
      state_->cv.notify_all();
    }
    // The thread leaves at its next look at the request; one busy inside a long call (a
    // SoundFont loading) is joined later, so stopping a sound never waits for its decoder.
    auto s = state_;
    stopped_.add(std::move(thread_), [s] {
      std::lock_guard<std::mutex> lock(s->m);
      return s->exited;
    });
  }

  size_t read(float* out, size_t frames) override {
    FeedState& s = *state_;
    uint64_t r = s.read.load(std::memory_order_relaxed);
    bool finished = s.finished.load(std::memory_order_acquire);
    uint64_t w = s.written.load(std::memory_order_acquire);
    size_t n = static_cast<size_t>(std::min<uint64_t>(frames, w - r));
    for (size_t i = 0; i < n; ++i) {
      size_t at = static_cast<size_t>((r + i) & (kRingFrames - 1)) * 2;
      out[i * 2] = s.ring[at];
      out[i * 2 + 1] = s.ring[at + 1];
    }
    s.read.store(r + n, std::memory_order_release);
    if (w > 0) started_ = true;
    if (n == frames || finished) return n;
    // The thread is behind: fill with silence and keep the sound going. The wait for the
    // first decoded frames is start-up latency, not an underrun.
    std::memset(out + n * 2, 0, (frames - n) * 2 * sizeof(float));
    padded_ += frames - n;
    if (started_ && underruns_) underruns_->fetch_add(1, std::memory_order_relaxed);
    return frames;
  }
  uint64_t paddedFrames() const override { return padded_; }

 private:
  std::shared_ptr<FeedState> state_;
  std::thread thread_;
  std::atomic<uint64_t>* underruns_;
  StoppedFeeders& stopped_;
  bool started_ = false;
  uint64_t padded_ = 0;
};

}  // namespace

void StoppedFeeders::add(std::thread thread, std::function<bool()> finished) {
  joinFinished();
  std::lock_guard<std::mutex> lock(m_);
  entries_.push_back(Entry{std::move(thread), std::move(finished)});
}

size_t StoppedFeeders::joinFinished() {
  std::vector<Entry> done;
  size_t running = 0;
  {
    std::lock_guard<std::mutex> lock(m_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->finished()) {
        done.push_back(std::move(*it));
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
    running = entries_.size();
  }
  for (Entry& e : done) e.thread.join();
  return running;
}

void StoppedFeeders::joinAll() {
  std::vector<Entry> all;
  {
    std::lock_guard<std::mutex> lock(m_);
    all.swap(entries_);
  }
  for (Entry& e : all) e.thread.join();
}

std::unique_ptr<AudioSource> feedFromThread(std::unique_ptr<AudioSource> inner,
                                            std::atomic<uint64_t>* underruns, StoppedFeeders& stopped) {
  return std::make_unique<FedSource>(std::move(inner), underruns, stopped);
}

}  // namespace veloria
