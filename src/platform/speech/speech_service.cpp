// The desktop's speech service through libspeechd, loaded at run time so that the program
// starts (and plays silently) where it is not installed. Its calls talk to the service over a
// socket and the first one may even start the service, so none of them runs on the game's
// thread: the game hands over the latest request and a thread of the port's own carries it.
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/dynlib.h"
#include "platform/speech/speech_port.h"

#if __has_include(<speech-dispatcher/libspeechd.h>)
#include <speech-dispatcher/libspeechd.h>
#define VELORIA_HAVE_SPEECHD 1
#endif

namespace veloria {

#ifdef VELORIA_HAVE_SPEECHD
namespace {

struct SpeechLibrary {
  decltype(&spd_open2) open = nullptr;
  decltype(&spd_close) close = nullptr;
  decltype(&spd_say) say = nullptr;
  decltype(&spd_cancel) cancel = nullptr;
  decltype(&spd_set_language) setLanguage = nullptr;

  bool load() {
    void* lib = dynlib::openSystem("libspeechd.so.2");
    if (!lib) return false;
    open = reinterpret_cast<decltype(open)>(dynlib::symbol(lib, "spd_open2"));
    close = reinterpret_cast<decltype(close)>(dynlib::symbol(lib, "spd_close"));
    say = reinterpret_cast<decltype(say)>(dynlib::symbol(lib, "spd_say"));
    cancel = reinterpret_cast<decltype(cancel)>(dynlib::symbol(lib, "spd_cancel"));
    setLanguage = reinterpret_cast<decltype(setLanguage)>(dynlib::symbol(lib, "spd_set_language"));
    return open && close && say && cancel && setLanguage;
  }
};

bool executableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The service is there when its socket is, or when its program is installed for the library
// to start.
bool serviceInstalled() {
  if (const char* address = std::getenv("SPEECHD_ADDRESS"); address && *address) return true;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    struct stat st {};
    if (::stat((std::string(runtime) + "/speech-dispatcher/speechd.sock").c_str(), &st) == 0) return true;
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    if (end > start && executableFile(dirs.substr(start, end - start) + "/speech-dispatcher")) return true;
    start = end + 1;
  }
  return false;
}

class SpeechServicePort final : public SpeechPort {
 public:
  SpeechServicePort() { available_ = library_.load() && serviceInstalled(); }
  ~SpeechServicePort() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) worker_.join();
  }

  bool available() const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return available_ && !failed_;
  }

  void speak(std::string_view utf8, std::string_view language) override {
    post(Request{std::string(utf8), std::string(language)});
  }
  void stop() override { post(Request{}); }

 private:
  // An utterance, or (empty text) a stop. Only the latest request matters: one that was not
  // yet carried out when the next came is dropped.
  struct Request {
    std::string text, language;
  };

  void post(Request r) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!available_ || failed_) return;
      pending_ = std::move(r);
      if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
  }

  void run() {
    SPDConnection* connection = nullptr;
    for (;;) {
      Request r;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        // Asleep until there is something to say: no polling.
        wake_.wait(lock, [this] { return quit_ || pending_.has_value(); });
        if (quit_) break;
        r = std::move(*pending_);
        pending_.reset();
      }
      if (!connection) {
        char* error = nullptr;
        connection = library_.open("veloria", "main", nullptr, SPD_MODE_SINGLE, nullptr, 1, &error);
        std::free(error);
        if (!connection) {
          std::lock_guard<std::mutex> lock(mutex_);
          failed_ = true;
          break;
        }
      }
      library_.cancel(connection);
      if (r.text.empty()) continue;
      library_.setLanguage(connection, r.language.c_str());
      library_.say(connection, SPD_TEXT, r.text.c_str());
    }
    if (connection) library_.close(connection);
  }

  SpeechLibrary library_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread worker_;
  std::optional<Request> pending_;
  bool available_ = false;
  bool failed_ = false;  // the service could not be reached: silent from then on
  bool quit_ = false;
};

}  // namespace

std::unique_ptr<SpeechPort> makeSpeechServicePort() { return std::make_unique<SpeechServicePort>(); }

#else

std::unique_ptr<SpeechPort> makeSpeechServicePort() { return makeSilentSpeechPort(); }

#endif

}  // namespace veloria
