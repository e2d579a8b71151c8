// The headless backend: no display, a virtual millisecond clock and scripted input, so
// that every run is fast and identical.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "platform/headless/autoplay_port.h"
#include "platform/headless/input_script.h"
#include "platform/media/media_port.h"
#include "platform/platform.h"
#include "platform/text_codec.h"

namespace veloria {

namespace {

class HeadlessPlatform final : public Platform {
 public:
  explicit HeadlessPlatform(const HeadlessOptions& o) : options_(o) {
    events_ = parseInputScript(o.inputScript);
    // Sound is mixed on the virtual clock into a null sink (and the recording, if asked).
    auto media = std::make_shared<VirtualClockMedia>(*this, o.recordAudio);
    media_ = media;
    clockMedia_ = media.get();
    if (o.recordSpeech) {
      auto voice = std::make_unique<RecordingSpeechPort>(o.recordSpeechFile, [this] { return timeGetTime(); });
      speechRecord_ = voice.get();
      speech_ = std::move(voice);
    }
  }
  ~HeadlessPlatform() override {
    clockMedia_ = nullptr;
    media_.reset();
  }

  uint32_t timeGetTime() override { return static_cast<uint32_t>(nowUs_ / 1000); }

  void sleep(uint32_t ms) override {
    // A yield costs a microsecond, so a script that loops without waiting still sees time pass.
    advance(ms == 0 ? 1 : static_cast<uint64_t>(ms) * 1000);
  }

  void createWindow(int w, int h) override { setClientSize(w, h); }
  void showWindow() override { shown_ = true; }
  bool windowShown() const override { return shown_; }
  void resizeClient(int w, int h) override { setClientSize(w, h); }
  void setTitle(std::string_view sjis) override { title_ = sjisToUtf8(sjis); }
  void destroyWindow() override { shown_ = false; }
  bool setFullscreen(bool on) override {
    fullscreen_ = on;
    return true;
  }
  bool setCursorFile(const std::string& path) override {
    cursor_ = path;
    return true;
  }
  bool headless() const override { return true; }

  AutoplayPicker picker_;
  const AutoplayWait* autoplayWait_ = nullptr;
  const RecordingSpeechPort* speechRecord_ = nullptr;
  std::function<void(uint32_t)> clockWatch_;

 protected:
  void pumpOsEvents() override {
    injectDue();
    if (clockMedia_) clockMedia_->poll();
  }

  void idle() override {
    if (options_.autoplay && modalDepth_ == 0 && nextEvent_ >= events_.size()) autoplayInput();
    advance(1000);
  }

  int showMessageBox(std::string_view text, std::string_view caption, int type) override {
    std::fprintf(stderr, "[%s] %s\n", sjisToUtf8(caption).c_str(), sjisToUtf8(text).c_str());
    injectDue();
    const bool yesNo = (type & MB_TYPEMASK) == MB_YESNO;
    int answer = yesNo ? ((type & MB_DEFBUTTON2) ? IDNO : IDYES) : IDOK;
    if (!answers_.empty()) {
      std::string a = answers_.front();
      answers_.pop_front();
      if (yesNo) answer = a == "no" ? IDNO : a == "yes" ? IDYES : answer;
    }
    return answer;
  }

  // Each `type`, `cancel` or `select` line answers the dialog once, as the player's one
  // confirmed entry; the dialog lets virtual time run on to the next such line.
  DialogAnswer showInputDialog(const InputDialogSetup& setup) override {
    std::fprintf(stderr, "[%s] %s\n", setup.caption.c_str(), setup.prompt.c_str());
    DialogReply r;
    while (nextReply(r)) {
      if (r.kind == InputEvent::Type) return DialogAnswer{DialogEnd::Ok, r.text, -1};
      if (r.kind == InputEvent::Cancel) {
        if (setup.cancellable) return DialogAnswer{DialogEnd::Cancel, {}, -1};
        std::fprintf(stderr, "veloria: cancel: this input dialog has no default; it stays open\n");
      } else {
        std::fprintf(stderr, "veloria: select %d: the open dialog is an input dialog, not a list\n", r.index);
      }
    }
    return DialogAnswer{DialogEnd::Unanswered, {}, -1};
  }

  DialogAnswer showListDialog(const ListDialogSetup& setup) override {
    std::fprintf(stderr, "[%s] %zu entries\n", setup.caption.c_str(), setup.entries.size());
    DialogReply r;
    while (nextReply(r)) {
      if (r.kind == InputEvent::Cancel) return DialogAnswer{DialogEnd::Cancel, {}, -1};
      int chosen = -1;
      if (r.kind == InputEvent::Select) {
        if (static_cast<size_t>(r.index) < setup.entries.size()) chosen = r.index;
      } else {
        for (size_t i = 0; i < setup.entries.size() && chosen < 0; ++i)
          if (setup.entries[i] == r.text) chosen = static_cast<int>(i);
      }
      if (chosen >= 0) return DialogAnswer{DialogEnd::Ok, {}, chosen};
      std::fprintf(stderr, "veloria: %s: no such entry in the list\n",
                   r.kind == InputEvent::Select ? std::to_string(r.index).c_str() : r.text.c_str());
    }
    return DialogAnswer{DialogEnd::Unanswered, {}, -1};
  }

  void pictureChanged(const Rect&) override {}

 private:
  void advance(uint64_t us) {
    nowUs_ += us;
    if (clockMedia_) clockMedia_->advanceTo(nowUs_);
    injectDue();
    if (options_.timeoutMs && nowUs_ / 1000 >= options_.timeoutMs && !timedOut_) {
      timedOut_ = true;
      if (onTimeout) onTimeout();
    }
    if (clockWatch_ && nowUs_ >= nextSecondUs_) {
      nextSecondUs_ = (nowUs_ / 1000000 + 1) * 1000000;
      clockWatch_(static_cast<uint32_t>(nowUs_ / 1000));
    }
  }

  struct DialogReply {
    InputEvent::Kind kind = InputEvent::Type;
    std::string text;
    int index = 0;
  };

  // The next dialog answer, running the clock on to the input line that gives it; false
  // when the input holds none (the dialog then ends as nobody answered).
  bool nextReply(DialogReply& out) {
    for (;;) {
      injectDue();
      if (!replies_.empty()) {
        out = replies_.front();
        replies_.pop_front();
        return true;
      }
      if (injecting_ || nextEvent_ >= events_.size()) return false;
      uint64_t dueUs = events_[nextEvent_].timeMs * 1000;
      advance(dueUs > nowUs_ ? dueUs - nowUs_ : 1);
    }
  }

  void autoplayInput() {
    if (waitKind_ == WaitKind::None || waitKind_ == WaitKind::Dialog) return;
    for (const auto& m : queue_)
      if (m.message == WM_LBUTTONUP) return;
    int x = waitX_, y = waitY_;
    if (picker_ && autoplayWait_ && !autoplayWait_->options.empty() &&
        (waitKind_ == WaitKind::Choice || waitKind_ == WaitKind::Button)) {
      const size_t i = picker_(*autoplayWait_);
      if (i < autoplayWait_->options.size()) {
        x = autoplayWait_->options[i].x;
        y = autoplayWait_->options[i].y;
      }
    }
    uint32_t l = makeLParam(x, y);
    postMessage(WM_MOUSEMOVE, 0, l);
    postMessage(WM_LBUTTONDOWN, 0, l);
    postMessage(WM_LBUTTONUP, 0, l);
  }

  void injectDue() {
    uint64_t nowMs = nowUs_ / 1000;
    while (nextEvent_ < events_.size() && events_[nextEvent_].timeMs <= nowMs && !injecting_) {
      injecting_ = true;
      const InputEvent ev = events_[nextEvent_++];
      apply(ev);
      injecting_ = false;
    }
  }

  std::string outputPath(const std::string& p) const {
    if (p.empty() || p[0] == '/' || options_.baseDir.empty()) return p;
    return options_.baseDir + "/" + p;
  }

  void apply(const InputEvent& ev) {
    uint32_t l = makeLParam(ev.x, ev.y);
    switch (ev.kind) {
      case InputEvent::Move: postMouseMove(l); break;
      case InputEvent::Click:
        postMessage(WM_MOUSEMOVE, 0, l);
        postMessage(WM_LBUTTONDOWN, 1, l);
        postMessage(WM_LBUTTONUP, 0, l);
        break;
      case InputEvent::RClick:
        postMessage(WM_MOUSEMOVE, 0, l);
        postMessage(WM_RBUTTONDOWN, 2, l);
        postMessage(WM_RBUTTONUP, 0, l);
        break;
      case InputEvent::Key:
        // A key's press names the key (a letter's capital), its character the letter typed.
        postMessage(WM_KEYDOWN, static_cast<uint32_t>(ev.code >= 'a' && ev.code <= 'z' ? ev.code - 32 : ev.code), 0);
        postMessage(WM_CHAR, static_cast<uint32_t>(ev.code), 0);
        break;
      case InputEvent::Menu: postMessage(WM_COMMAND, static_cast<uint32_t>(ev.code), 0); break;
      case InputEvent::Wheel: postMessage(WM_MOUSEWHEEL, static_cast<uint32_t>(ev.code), 0); break;
      case InputEvent::Close: postMessage(WM_CLOSE); break;
      case InputEvent::Answer: answers_.push_back(ev.text); break;
      case InputEvent::Type: replies_.push_back({ev.kind, ev.text, 0}); break;
      case InputEvent::Cancel: replies_.push_back({ev.kind, {}, 0}); break;
      case InputEvent::Select: replies_.push_back({ev.kind, {}, ev.code}); break;
      case InputEvent::Screenshot:
        if (!writeScreenshotPng(outputPath(ev.text)))
          std::fprintf(stderr, "veloria: cannot write %s\n", outputPath(ev.text).c_str());
        break;
      case InputEvent::Dump:
        if (onDumpRequest) onDumpRequest(outputPath(ev.text));
        break;
      case InputEvent::Save: postMessage(WM_APP_SAVE_SLOT, static_cast<uint32_t>(ev.code)); break;
      case InputEvent::Load: postMessage(WM_APP_LOAD_SLOT, static_cast<uint32_t>(ev.code)); break;
      case InputEvent::Quit:
        if (onQuitRequest) onQuitRequest();
        break;
    }
  }

  HeadlessOptions options_;
  VirtualClockMedia* clockMedia_ = nullptr;
  uint64_t nowUs_ = 0;
  uint64_t nextSecondUs_ = 1000000;
  bool shown_ = false;
  bool timedOut_ = false;
  bool injecting_ = false;
  std::string cursor_;
  std::vector<InputEvent> events_;
  size_t nextEvent_ = 0;
  std::deque<std::string> answers_;
  std::deque<DialogReply> replies_;
};

}  // namespace

void setAutoplayPicker(Platform& p, AutoplayPicker picker) {
  if (auto* h = dynamic_cast<HeadlessPlatform*>(&p)) h->picker_ = std::move(picker);
}

bool hasAutoplayPicker(Platform& p) {
  auto* h = dynamic_cast<HeadlessPlatform*>(&p);
  return h && h->picker_;
}

const std::vector<SpeechEvent>* recordedSpeech(Platform& p) {
  auto* h = dynamic_cast<HeadlessPlatform*>(&p);
  return h && h->speechRecord_ ? &h->speechRecord_->events() : nullptr;
}

const AutoplayWait* noteAutoplayWait(Platform& p, const AutoplayWait* wait) {
  auto* h = dynamic_cast<HeadlessPlatform*>(&p);
  if (!h) return nullptr;
  const AutoplayWait* before = h->autoplayWait_;
  h->autoplayWait_ = wait;
  return before;
}

void setClockWatch(Platform& p, std::function<void(uint32_t)> watch) {
  if (auto* h = dynamic_cast<HeadlessPlatform*>(&p)) h->clockWatch_ = std::move(watch);
}

std::unique_ptr<Platform> makeHeadlessPlatform(const HeadlessOptions& options) {
  return std::make_unique<HeadlessPlatform>(options);
}

}  // namespace veloria
