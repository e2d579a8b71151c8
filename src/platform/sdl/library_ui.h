// The game library drawn by the SDL backend over the whole window, in the style of the
// dialogs: a caption bar, a heading, a list of two-line rows and buttons along the bottom.
// It moves the highlight and scrolls by itself; every act of the player becomes a
// LibraryAction for the app, which answers with the next view.
#pragma once

#include <SDL.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/library_view.h"
#include "platform/sdl/dialog_ui.h"

namespace veloria {

class LibraryUi {
 public:
  // A new view keeps the scroll position where it still fits.
  void setView(const LibraryView& view);
  void layout(const SDL_Rect& area, const DialogPainter& p);
  void paint(const DialogPainter& p) const;

  // Events, in drawable pixels. Each returns whether the picture changed.
  bool key(SDL_Keycode k, uint16_t mod);
  bool mouseDown(int x, int y, int clicks);
  bool mouseUp(int x, int y);
  bool wheel(int dy);
  void drop(std::string path);
  void closeRequested();

  // The player's latest act, once.
  std::optional<LibraryAction> takeAction();
  bool hasAction() const { return action_.has_value(); }

  const LibraryView& view() const { return view_; }
  int top() const { return top_; }
  int visibleRows() const;
  // Where a row is drawn (for tests and the pointer).
  SDL_Rect rowRect(int row) const;
  const SDL_Rect& buttonRect(int i) const { return buttonRects_[static_cast<size_t>(i)]; }

 private:
  bool moveSelection(int to);
  void keepSelectionVisible();
  void press(int button);
  int rowAt(int x, int y) const;
  int focusCount() const { return 1 + static_cast<int>(view_.buttons.size()); }

  LibraryView view_;
  int top_ = 0;
  int focus_ = 0;  // 0 = the list, then the buttons
  int pressed_ = -1;
  std::optional<LibraryAction> action_;

  int scale_ = 1, lineHeight_ = 13, rowH_ = 30;
  SDL_Rect box_{}, captionBar_{}, heading_{}, list_{};
  std::vector<SDL_Rect> buttonRects_;
};

// Breaks UTF-8 text into lines no wider than `width` (at character boundaries).
std::vector<std::string> wrapText(const std::string& text, int width, const std::function<int(const std::string&)>& measure);

}  // namespace veloria
