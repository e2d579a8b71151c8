// Reading aloud: the voice the platform speaks with. The engine decides what to say; a port
// only says it, never blocking the caller (a slow or missing speech service costs the game
// nothing).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace veloria {

class SpeechPort {
 public:
  virtual ~SpeechPort();
  // Whether this port can speak at all (the speech service is installed, or the run records).
  virtual bool available() const = 0;
  // Says `utf8` in `language` ("ja", "en"), cutting off whatever is being said.
  virtual void speak(std::string_view utf8, std::string_view language) = 0;
  // Silence now.
  virtual void stop() = 0;
};

// A port that cannot speak (no speech service, or a headless run that does not record).
std::unique_ptr<SpeechPort> makeSilentSpeechPort();

// The desktop's speech service (speech-dispatcher), loaded at run time: when its library or
// its program is missing the port is not available. The connection is made on the first
// utterance, on a thread of the port's own, which also carries every request after it.
std::unique_ptr<SpeechPort> makeSpeechServicePort();

// What a recording port heard, in order (the tests read it).
struct SpeechEvent {
  uint32_t timeMs = 0;
  bool stop = false;  // a stop, or else an utterance
  std::string text;   // UTF-8
  std::string language;
};

// Headless: every utterance becomes a line "MS<TAB>text\n" in the file at `path` (UTF-8, line
// breaks in the text become spaces), timed by `clock` (the virtual clock). The port keeps the
// utterances and stops in memory too, up to a bound.
class RecordingSpeechPort final : public SpeechPort {
 public:
  RecordingSpeechPort(const std::string& path, std::function<uint32_t()> clock);
  ~RecordingSpeechPort() override;
  RecordingSpeechPort(const RecordingSpeechPort&) = delete;
  RecordingSpeechPort& operator=(const RecordingSpeechPort&) = delete;

  bool available() const override { return true; }
  void speak(std::string_view utf8, std::string_view language) override;
  void stop() override;
  const std::vector<SpeechEvent>& events() const { return events_; }

  // The most events kept in memory; the file gets every utterance.
  static constexpr size_t kMaxEvents = 100000;

 private:
  void note(SpeechEvent ev);
  std::FILE* file_ = nullptr;
  std::function<uint32_t()> clock_;
  std::vector<SpeechEvent> events_;
};

}  // namespace veloria
