// The SDL2 backend's window class. Its pieces: sdl_platform.cpp (window, clock, drawing),
// events.cpp (SDL's events into window messages), message_box.cpp (the message box drawn in
// the window), dialog_host.cpp (the loop that hosts the input and list dialogs) and
// library_host.cpp (the game library's loop).
#pragma once

#include <SDL.h>

#include <csignal>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/dialog_ui.h"
#include "platform/sdl/library_ui.h"
#include "platform/sdl/menu_ui.h"
#include "platform/sdl/ui_font.h"
#include "platform/sdl/window_scaler.h"

namespace veloria::sdl {

// SIGTERM, SIGINT or SIGHUP (the desktop logging out, Ctrl+C in a terminal): the program
// ends as the end command ends it, with the player's state written, instead of dying. The
// loops that block look at it (sdl_platform.cpp sets the handlers).
extern volatile std::sig_atomic_t terminationRequested;

struct Button {
  SDL_Rect rect;
  int result;
  std::string label;
};

class SdlPlatform final : public Platform {
 public:
  explicit SdlPlatform(const WindowOptions& options) : scaler_(options) {}

  bool init(std::string* error);

  // Pushes an event the blocked wait wakes for; SDL's queue is safe to use from any thread.
  void wake() override;
  ~SdlPlatform() override;

  // ---- clock ----
  uint32_t timeGetTime() override { return SDL_GetTicks(); }

  void sleep(uint32_t ms) override;
  void waitForMessage(uint32_t deadline) override;

  // ---- window ----
  void createWindow(int w, int h) override;
  void showWindow() override;
  bool windowShown() const override { return shown_; }

  void resizeClient(int w, int h) override;
  void setTitle(std::string_view sjis) override;
  void destroyWindow() override;
  bool setFullscreen(bool on) override;
  bool setCursorFile(const std::string& path) override;
  void showCustomCursor() override;
  void setMenuAttached(bool attached) override;
  void onMenuChanged() override;
  void setScaleMode(ScaleMode mode) override;

  bool headless() const override { return false; }

  LibraryAction showLibrary(const LibraryView& view) override;

 protected:
  void pumpOsEvents() override;

  void idle() override {}

  void pictureChanged(const Rect& r) override;
  int showMessageBox(std::string_view text, std::string_view caption, int type) override;
  DialogAnswer showInputDialog(const InputDialogSetup& setup) override;
  DialogAnswer showListDialog(const ListDialogSetup& setup) override;

 private:
  struct Modal {
    std::string caption;
    std::vector<std::string> lines;
    std::vector<Button> buttons;
    int focus = 0;
    int escapeResult = IDOK;
    int result = 0;
    SDL_Rect box{};
  };

  static std::vector<std::string> splitLines(const std::string& s);
  void makeTexture();

  // Where the client picture and the menu strip go, from the window's current size.
  void layout();
  UiFont& font();

  bool menuVisible() const { return menuAttached_ && !menu_.items().empty(); }

  static uint32_t vkOf(SDL_Keycode k);
  void handleEvent(const SDL_Event& ev);

  // ---- drawing ----
  SDL_Texture* textTexture(const std::string& utf8);
  void drawText(const std::string& utf8, int x, int y, uint32_t rgb);
  void fill(const SDL_Rect& r, uint32_t rgb);
  void frame(const SDL_Rect& r, uint32_t rgb);
  void render();

  // Box metrics are those of the 1x box times the chrome's scale.
  void layoutModal(Modal& m);
  void paintModal(Modal& m);

  // The box's own loop. The owner window gets no input meanwhile, but its timer and
  // painting messages keep being handled.
  int runModal(Modal& m);
  bool modalEvent(Modal& m, const SDL_Event& ev);

  // While a box or dialog is up the owner window gets no input, but its timers and painting
  // go on: those messages are handled here and every other one stays queued.
  void serviceOwner();

  // How long a modal loop may block: until the owner's next timer tick or `deadline`.
  int ownerWaitMs(uint32_t deadline) const;
  DialogPainter dialogPainter();

  // The dialog's own loop; the caret blinks every 500 ms, otherwise it sleeps until input or
  // the owner's next timer tick.
  DialogEnd runDialog(DialogUi& d);
  bool dialogEvent(DialogUi& d, const SDL_Event& ev);
  void paintDialog(DialogUi& d);

  bool libraryEvent(const SDL_Event& ev);

  bool initialised_ = false;
  Uint32 wakeEvent_ = static_cast<Uint32>(-1);
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Cursor* cursor_ = nullptr;
  bool shown_ = false;
  bool captured_ = false;
  uint32_t lastPump_ = 0;
  WindowScaler scaler_;
  SDL_Rect clientDst_{0, kMenuStripHeight, 640, 480};
  SDL_Rect stripRect_{0, 0, 640, kMenuStripHeight};
  int uiScale_ = 1;
  std::map<int, std::unique_ptr<UiFont>> fonts_;  // one per chrome scale met, built on first use
  std::unordered_map<std::string, SDL_Texture*> textCache_;
  MenuUi menuUi_;
  Modal* modal_ = nullptr;
  DialogUi* dialog_ = nullptr;
  std::unique_ptr<LibraryUi> library_;  // while the game library is up
  bool caretOn_ = true;
};

}  // namespace veloria::sdl
