// Real-time outputs: the SDL2 audio device, or a null sink that consumes sound at the real rate
// when no device opens (so that sounds still end, notices still come and waits still finish).
// Either pauses while nothing plays, so an idle game costs no processor time.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/media/media_port.h"
#include "platform/platform.h"

#ifdef VELORIA_HAVE_SDL
#include <SDL.h>
#endif
#ifdef VELORIA_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace veloria {

namespace {

class NullSinkMedia final : public MediaPort {
 public:
  explicit NullSinkMedia(Platform& p) : MediaPort(p), thread_([this] { run(); }) {}
  ~NullSinkMedia() override {
    {
      std::lock_guard<std::mutex> lock(m_);
      quit_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }
  bool realTime() const override { return true; }

 protected:
  void kick() override {
    {
      std::lock_guard<std::mutex> lock(m_);
      kicked_ = true;
    }
    cv_.notify_all();
  }

 private:
  void run() {
    using clock = std::chrono::steady_clock;
    static int16_t scratch[4096 * 2];
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      cv_.wait(lock, [&] { return quit_ || kicked_; });
      if (quit_) return;
      kicked_ = false;
      auto last = clock::now();
      double owed = 0;
      // Mix in 10 ms steps while anything plays; then sleep until the next command.
      while (!quit_) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto now = clock::now();
        owed += std::chrono::duration<double>(now - last).count() * kMixRate;
        last = now;
        while (owed >= 1) {
          size_t n = static_cast<size_t>(std::min(owed, 4096.0));
          mixer_.mix(scratch, n);
          owed -= static_cast<double>(n);
        }
        if (mixer_.takeEndedFlag()) platform_.wake();
        bool busy = mixer_.busy();
        lock.lock();
        if (!busy && !kicked_) break;
        kicked_ = false;
      }
    }
  }

  std::mutex m_;
  std::condition_variable cv_;
  bool quit_ = false;
  bool kicked_ = false;
  std::thread thread_;
};

#ifdef VELORIA_HAVE_ALSA
extern "C" void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
#endif

// The sound library prints its own lines for every device it tries and fails to open (a
// machine without a sound card); the player gets our one line instead.
void silenceSoundLibrary() {
#ifdef VELORIA_HAVE_ALSA
  snd_lib_error_set_handler(quietAlsa);
#endif
}

#ifdef VELORIA_HAVE_SDL
class SdlAudioMedia final : public MediaPort {
 public:
  explicit SdlAudioMedia(Platform& p) : MediaPort(p) {}
  bool open() {
    silenceSoundLibrary();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    initialised_ = true;
    SDL_AudioSpec want{}, have{};
    want.freq = kMixRate;
    want.format = AUDIO_S16SYS;
    want.channels = kMixChannels;
    want.samples = 1024;  // ~23 ms
    want.callback = &SdlAudioMedia::callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    return device_ != 0;
  }
  ~SdlAudioMedia() override {
    if (device_) SDL_CloseAudioDevice(device_);
    if (initialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  bool realTime() const override { return true; }

 protected:
  void kick() override {
    if (paused_) {
      SDL_PauseAudioDevice(device_, 0);
      paused_ = false;
    }
  }
  void afterPoll() override {
    if (!paused_ && mixer_.quiet()) {
      SDL_PauseAudioDevice(device_, 1);
      paused_ = true;
    }
  }

 private:
  static void SDLCALL callback(void* user, Uint8* stream, int len) {
    auto* self = static_cast<SdlAudioMedia*>(user);
    self->mixer_.mix(reinterpret_cast<int16_t*>(stream), static_cast<size_t>(len) / 4);
    if (self->mixer_.takeEndedFlag()) self->platform_.wake();
  }

  bool initialised_ = false;
  SDL_AudioDeviceID device_ = 0;
  bool paused_ = true;
};
#endif

}  // namespace

std::unique_ptr<MediaPort> makeRealTimeMedia(Platform& platform) {
#ifdef VELORIA_HAVE_SDL
  auto sdl = std::make_unique<SdlAudioMedia>(platform);
  if (sdl->open()) return sdl;
  std::fprintf(stderr, "veloria: no audio device (%s); sound is not heard\n", SDL_GetError());
#endif
  return std::make_unique<NullSinkMedia>(platform);
}

}  // namespace veloria
