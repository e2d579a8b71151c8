// The platform layer: the only code that talks to the OS or SDL. It stands in for the
// window, message queue, clock, menu, message boxes and files the engine was designed
// around, keeping the Windows message ids and queue semantics so wait loops read naturally.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/library_view.h"
#include "platform/menu_model.h"
#include "platform/speech/speech_port.h"
#include "platform/window_layout.h"

namespace veloria {

class MediaPort;

// Window message ids, as the engine's wait loops know them.
enum : uint32_t {
  WM_NULL = 0x0000,
  WM_DESTROY = 0x0002,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_KEYDOWN = 0x0100,
  WM_CHAR = 0x0102,
  WM_COMMAND = 0x0111,
  WM_TIMER = 0x0113,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  // A turn of the mouse wheel: wParam 1 away from the player (up), 2 towards (down).
  WM_MOUSEWHEEL = 0x020A,
  MM_MCINOTIFY = 0x03B9,
  WM_USER = 0x0400,
  // The automation's `save N` and `load N` (wParam = the slot), carried out by the window
  // procedure as the slot menus would.
  WM_APP_SAVE_SLOT = WM_USER + 0x301,
  WM_APP_LOAD_SLOT = WM_USER + 0x302,
};

// Message box buttons and answers (the Windows values).
// MB_DEFBUTTON2 (with MB_YESNO) makes いいえ the button Enter presses and the answer of a
// box nobody answers (headless without an `answer` line).
enum : int { MB_OK = 0, MB_YESNO = 4, MB_TYPEMASK = 0xF, MB_DEFBUTTON2 = 0x100 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };
// MM_MCINOTIFY wParam for a completed play.
enum : uint32_t { MCI_NOTIFY_SUCCESSFUL = 1 };

struct Message {
  uint32_t message = 0;
  uint32_t wParam = 0;
  uint32_t lParam = 0;  // mouse messages: x in the low 16 bits, y in the high 16 bits
  uint32_t time = 0;
};

inline uint32_t makeLParam(int x, int y) {
  return (static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF);
}
inline int lParamX(uint32_t l) { return static_cast<int16_t>(l & 0xFFFF); }
inline int lParamY(uint32_t l) { return static_cast<int16_t>(l >> 16); }

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};

// A view of a 24-bit bottom-up surface (BGR bytes, rows padded to 4 bytes).
struct SurfaceView {
  const uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// A deadline that never comes (waits that only end on input).
inline constexpr uint32_t kNoDeadline = 0xFFFFFFFFu;

// What a waiting command is waiting for; the headless autoplay answers these.
enum class WaitKind { None, Click, Choice, Button, Dialog };

// ---- dialogs ----
// Dialog texts are UTF-8 (the desktop's): the engine converts and checks what comes back.
// The most the input dialog's field holds (Shift-JIS bytes); typing beyond it is refused.
inline constexpr size_t kDialogFieldBytes = 4095;

struct InputDialogSetup {
  std::string caption;
  std::string prompt;
  std::string text;          // the field's text on opening (the default, or an entry refused)
  bool cancellable = false;  // Esc gives Cancel (the request has a default)
  // The script's own size in points (all 0: the dialog's usual size): the dialog's client
  // area and the field; the button follows the field.
  int dialogWidth = 0, dialogHeight = 0, editWidth = 0, editHeight = 0;
};

struct ListDialogSetup {
  std::string caption;
  std::string okLabel = "OK";
  std::string cancelLabel = "ｷｬﾝｾﾙ";
  std::vector<std::string> entries;
  int selection = -1;     // the entry selected on opening; -1 = none
  bool dropDown = false;  // a drop-down list (one line that opens) rather than a list box
};

enum class DialogEnd { Ok, Cancel, Unanswered };

struct DialogAnswer {
  DialogEnd end = DialogEnd::Cancel;
  std::string text;    // the input dialog's field (UTF-8)
  int selection = -1;  // the list dialog's chosen entry
};

// What the state dump shows of an open dialog.
struct OpenDialog {
  bool list = false;
  std::string caption, prompt, text;
  std::vector<std::string> entries;
  int selection = -1;
};

class Platform {
 public:
  virtual ~Platform();

  // ---- clock ----
  // Milliseconds, wrapping at 32 bits, like timeGetTime.
  virtual uint32_t timeGetTime() = 0;
  // Sleep(0) yields; longer sleeps block (headless: advance the virtual clock).
  virtual void sleep(uint32_t ms) = 0;

  // ---- message queue ----
  static constexpr size_t kMaxQueuedMessages = 10000;
  void postMessage(uint32_t message, uint32_t wParam = 0, uint32_t lParam = 0);
  // Pointer moves coalesce with a move already waiting at the end of the queue.
  void postMouseMove(uint32_t lParam);
  // PeekMessage: the first queued message whose id lies in [minId, maxId] (both 0 = any).
  // Pulls pending OS input first. An empty answer lets time pass (headless: 1 ms).
  bool peekMessage(Message& out, uint32_t minId = 0, uint32_t maxId = 0, bool remove = true);
  // GetMessage: blocks until a message arrives.
  Message getMessage();
  // Blocks until a message may be waiting or the clock reaches `deadline` (kNoDeadline:
  // none), whichever comes first; a running timer's next tick counts as a message. Returns
  // at once when messages are queued. The waits call it when a pass found nothing to do, so
  // a window that waits for the player costs no processor time. Headless: a yield (virtual
  // time moves on by 1 µs), exactly as sleep(0).
  virtual void waitForMessage(uint32_t deadline) {
    (void)deadline;
    sleep(0);
  }
  // Hands a message to the window procedure.
  void dispatchMessage(const Message& m);
  // Removes one message and dispatches it; false when the queue was empty.
  bool pumpOneMessage();
  void setWindowProc(std::function<void(const Message&)> proc) { windowProc_ = std::move(proc); }
  size_t queuedMessageCount() const { return queue_.size(); }
  void clearQueue() { queue_.clear(); }

  // Timers post WM_TIMER with their id as wParam.
  void setTimer(uint32_t id, uint32_t periodMs);
  void killTimer(uint32_t id);
  bool timerRunning(uint32_t id) const;

  // ---- window ----
  virtual void createWindow(int clientWidth, int clientHeight) = 0;
  virtual void showWindow() = 0;
  virtual bool windowShown() const = 0;
  virtual void resizeClient(int clientWidth, int clientHeight) = 0;
  virtual void setTitle(std::string_view sjisTitle) = 0;
  virtual void destroyWindow() = 0;
  int clientWidth() const { return clientW_; }
  int clientHeight() const { return clientH_; }
  // Copies `r` of a bottom-up 24-bit surface to the same place in the window picture.
  void present(const SurfaceView& surface, Rect r);
  // Moves a rectangle of the window picture by (dx, dy) (ScrollDC); uncovered pixels keep their values.
  void scrollWindow(Rect r, int dx, int dy);
  // Copies a rectangle of a surface to another place in the window picture (BitBlt).
  void blitToWindow(const SurfaceView& surface, int srcX, int srcY, int w, int h, int dstX, int dstY);
  // The window picture, top-down RGB (3 bytes a pixel, no padding).
  const std::vector<uint8_t>& windowPicture() const { return picture_; }
  bool writeScreenshotPng(const std::string& path) const;

  virtual bool setFullscreen(bool on) = 0;
  bool fullscreen() const { return fullscreen_; }
  // A custom cursor from a .cur/.ico/.bmp file; empty path = the system arrow.
  virtual bool setCursorFile(const std::string& realPath) = 0;
  virtual void showCustomCursor() {}
  // How the real window magnifies the picture (the headless picture is always 1x).
  virtual void setScaleMode(ScaleMode mode) { scaleMode_ = mode; }
  ScaleMode scaleMode() const { return scaleMode_; }

  // ---- menu ----
  MenuBar& menu() { return menu_; }
  virtual void setMenuAttached(bool attached) { menuAttached_ = attached; onMenuChanged(); }
  bool menuAttached() const { return menuAttached_; }
  virtual void onMenuChanged() {}

  // ---- modal boxes ----
  // Shows a modal box (Shift-JIS texts); the window procedure keeps getting timer and paint
  // messages meanwhile. Returns IDOK, IDYES or IDNO.
  int messageBox(std::string_view sjisText, std::string_view sjisCaption, int type);

  // ---- dialogs ----
  // The input dialog (the script's input commands): caption, prompt, a one-line field and the button "決定".
  // Returns Ok with the field's text when the player confirms (Enter or the button; the
  // engine checks the entry and may show the dialog again with it); Cancel for Esc only when
  // setup.cancellable, otherwise Esc does nothing and the dialog stays; Unanswered when
  // scripted input has no answer left (headless). The field takes at most kDialogFieldBytes
  // of Shift-JIS, keeps the characters CP932 cannot hold (the engine refuses them) and shows
  // the input method's composition while the player composes.
  DialogAnswer inputDialog(const InputDialogSetup& setup);
  // A dialog with a list and the buttons OK and Cancel (the CD drive dialog's drop-down
  // list, the save/load dialog's list box). Returns Ok with the selected entry (-1 when
  // none is selected), Cancel for the Cancel button, Esc or closing it, Unanswered as above.
  DialogAnswer listDialog(const ListDialogSetup& setup);
  // The dialog on screen now (for the state dump); nullptr when none is open.
  const OpenDialog* openDialog() const { return openDialog_; }

  // ---- the game library (started without a game) ----
  // Shows `view` in the whole window and blocks, costing nothing, until the player acts.
  // A backend without a window answers Close.
  virtual LibraryAction showLibrary(const LibraryView& view) {
    (void)view;
    return {};
  }

  // ---- sound and movies ----
  // The audio output with its mixer (platform/media/media_port.h); every backend has one.
  MediaPort& media() { return *media_; }
  // Wakes the interpreter thread if it sleeps waiting for a message (a sound ended on another
  // thread). Safe to call from any thread.
  virtual void wake() {}

  // ---- reading aloud ----
  // The voice (platform/speech/speech_port.h); a silent one unless the backend has another.
  SpeechPort& speech() { return *speech_; }
  // Told when a box or dialog opens, before it waits for the player (the engine reads it
  // aloud): the box's texts in Shift-JIS, the dialog as the dump shows it (UTF-8).
  std::function<void(std::string_view sjisText, std::string_view sjisCaption)> onMessageBoxOpened;
  std::function<void(const OpenDialog&)> onDialogOpened;

  // ---- automation hooks ----
  // Waiting commands say what they wait for, so headless autoplay can answer.
  void noteWaiting(WaitKind kind, int x = 0, int y = 0) {
    waitKind_ = kind;
    waitX_ = x;
    waitY_ = y;
  }
  WaitKind waitingFor() const { return waitKind_; }
  int waitingX() const { return waitX_; }
  int waitingY() const { return waitY_; }
  virtual bool headless() const = 0;

  // Called when the headless virtual time limit passes; never returns normally.
  std::function<void()> onTimeout;
  // Scripted input asks for a state dump or the end of the run.
  std::function<void(const std::string&)> onDumpRequest;
  std::function<void()> onQuitRequest;
  const std::string& titleUtf8() const { return title_; }

 protected:
  // Backends move OS input into the queue (without dispatching it).
  virtual void pumpOsEvents() = 0;
  // Called when a peek found nothing: time passes.
  virtual void idle() = 0;
  virtual int showMessageBox(std::string_view sjisText, std::string_view sjisCaption, int type) = 0;
  virtual DialogAnswer showInputDialog(const InputDialogSetup& setup) = 0;
  virtual DialogAnswer showListDialog(const ListDialogSetup& setup) = 0;
  // The window picture changed inside `r` (top-down client coordinates).
  virtual void pictureChanged(const Rect& r) = 0;
  void postTimersDue();
  // When the earliest running timer is due next; false when no timer runs.
  bool nextTimerDue(uint32_t& when) const;
  void setClientSize(int w, int h);

  std::deque<Message> queue_;
  std::function<void(const Message&)> windowProc_;
  std::vector<uint8_t> picture_;
  int clientW_ = 0, clientH_ = 0;
  MenuBar menu_;
  bool menuAttached_ = false;
  bool fullscreen_ = false;
  ScaleMode scaleMode_ = ScaleMode::Sharp;
  WaitKind waitKind_ = WaitKind::None;
  int waitX_ = 0, waitY_ = 0;
  int modalDepth_ = 0;
  const OpenDialog* openDialog_ = nullptr;
  std::string title_;
  std::shared_ptr<MediaPort> media_;  // set by the backend; released before the backend goes
  std::unique_ptr<SpeechPort> speech_ = makeSilentSpeechPort();

 private:
  struct Timer {
    uint32_t id;
    uint32_t period;
    uint32_t next;
  };
  std::vector<Timer> timers_;
};

struct HeadlessOptions {
  std::string inputScript;  // the text of the --input file (may be empty)
  bool autoplay = false;
  uint32_t timeoutMs = 0;   // 0 = none
  std::string baseDir;      // relative screenshot/dump paths in the input start here
  std::string recordAudio;  // write the mixed sound here as a WAV file (empty = not recorded)
  // Read aloud into a record: each utterance a line "MS<TAB>text" in this file (UTF-8).
  bool recordSpeech = false;
  std::string recordSpeechFile;  // empty: kept in memory only (tests)
};

std::unique_ptr<Platform> makeHeadlessPlatform(const HeadlessOptions& options);
struct WindowOptions {
  int scale = 0;              // the first window at this many times its size; 0 = remembered or 1x
  std::string gameDirectory;  // absolute; the window's size and place are remembered per game
};

// nullptr when the SDL backend is not built or no display can be opened.
std::unique_ptr<Platform> makeSdlPlatform(std::string* error, const WindowOptions& options = {});

}  // namespace veloria
