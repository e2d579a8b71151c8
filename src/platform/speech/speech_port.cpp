#include "platform/speech/speech_port.h"

#include <cstdio>

namespace veloria {

SpeechPort::~SpeechPort() = default;

namespace {
class SilentSpeechPort final : public SpeechPort {
 public:
  bool available() const override { return false; }
  void speak(std::string_view, std::string_view) override {}
  void stop() override {}
};
}  // namespace

std::unique_ptr<SpeechPort> makeSilentSpeechPort() { return std::make_unique<SilentSpeechPort>(); }

RecordingSpeechPort::RecordingSpeechPort(const std::string& path, std::function<uint32_t()> clock)
    : clock_(std::move(clock)) {
  if (path.empty()) return;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) std::fprintf(stderr, "veloria: cannot write %s\n", path.c_str());
}

RecordingSpeechPort::~RecordingSpeechPort() {
  if (file_) std::fclose(file_);
}

void RecordingSpeechPort::note(SpeechEvent ev) {
  if (events_.size() < kMaxEvents) events_.push_back(std::move(ev));
}

void RecordingSpeechPort::speak(std::string_view utf8, std::string_view language) {
  const uint32_t now = clock_ ? clock_() : 0;
  std::string line(utf8);
  // One utterance is one line of the record, whatever it holds.
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  if (file_) {
    std::fprintf(file_, "%u\t%s\n", now, line.c_str());
    // A run that ends in a crash or a kill still leaves what was said before it.
    std::fflush(file_);
  }
  note(SpeechEvent{now, false, std::move(line), std::string(language)});
}

void RecordingSpeechPort::stop() { note(SpeechEvent{clock_ ? clock_() : 0, true, {}, {}}); }

}  // namespace veloria
