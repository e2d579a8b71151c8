// The dialogs drawn by the SDL backend inside the window: the input dialog (caption, prompt,
// one-line field with the input method's composition, the button "決定") and the list dialogs
// (a drop-down list or a list box with OK and Cancel). Mouse and keyboard drive them; the
// backend's modal loop feeds events in and asks for a picture.
#pragma once

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace veloria {

// The colours of the window's own boxes (the message boxes and the game library use the same).
namespace dialog_colours {
constexpr uint32_t kFace = 0xF0F0F0, kBorder = 0x404040, kCaption = 0x2B579A, kWhite = 0xFFFFFF, kBlack = 0x000000;
constexpr uint32_t kFieldFrame = 0x7A7A7A, kFocusFrame = 0x0078D7, kButton = 0xE1E1E1, kButtonFocus = 0xCCE4F7;
constexpr uint32_t kButtonFrame = 0xADADAD, kSelection = 0x0078D7, kComposition = 0x1F1F8F;
}  // namespace dialog_colours

struct DialogPainter {
  std::function<void(const SDL_Rect&, uint32_t)> fill;
  std::function<void(const SDL_Rect&, uint32_t)> frame;
  std::function<void(const std::string&, int, int, uint32_t)> text;  // UTF-8
  std::function<int(const std::string&)> measure;
  std::function<void(const SDL_Rect*)> clip;  // nullptr: no clipping
  int lineHeight = 13;
  int scale = 1;  // the chrome's magnification
};

class DialogUi {
 public:
  enum class Result { Open, Ok, Cancel };

  explicit DialogUi(const InputDialogSetup& setup);
  explicit DialogUi(const ListDialogSetup& setup);

  // Lays the box out centred in `area` (drawable pixels) with the painter's metrics.
  void layout(const SDL_Rect& area, const DialogPainter& p);
  void paint(const DialogPainter& p, bool caretOn);
  // Events, in drawable pixels. Each returns whether the picture changed.
  bool key(SDL_Keycode k, uint16_t mod);
  bool textInput(const char* utf8);
  bool textEditing(const char* utf8, int cursor);
  bool mouseDown(int x, int y);
  bool mouseUp(int x, int y);
  bool wheel(int dy);
  // The window's close box: as Esc (when the dialog can be cancelled).
  void closeRequested();

  Result result() const { return result_; }
  bool isInput() const { return input_; }
  bool composing() const { return !composition_.empty(); }
  const std::string& text() const { return text_; }
  int selection() const { return selection_; }
  // Where the field is (for the input method's candidate window).
  const SDL_Rect& fieldRect() const { return field_; }

 private:
  struct Button {
    std::string label;
    SDL_Rect rect{};
    Result press = Result::Ok;
  };
  int px(int dialogUnits) const { return dialogUnits * 3 * scale_ / 2; }
  int pointsToPixels(int points) const { return points * 4 * scale_ / 3; }
  int focusCount() const { return 1 + static_cast<int>(buttons_.size()); }
  void cancel();
  void press(const Button& b) { result_ = b.press; }
  bool moveSelection(int to);
  void keepSelectionVisible();
  int rowAt(int x, int y) const;
  int visibleRows() const;
  void insertText(const std::string& utf8);
  size_t caretAt(int x) const;

  bool input_ = false;
  std::string caption_, prompt_;
  // Input dialog
  std::string text_;
  size_t caret_ = 0;  // byte offset in text_, at a character boundary
  std::string composition_;
  int compositionCursor_ = 0;
  bool cancellable_ = false;
  int customW_ = 0, customH_ = 0, customEditW_ = 0, customEditH_ = 0;
  // List dialogs
  std::vector<std::string> entries_;
  int selection_ = -1;
  int top_ = 0;  // first row shown
  bool dropDown_ = false, dropped_ = false;

  std::vector<Button> buttons_;
  int focus_ = 0;  // 0 = the field or the list, then the buttons
  int pressed_ = -1;
  Result result_ = Result::Open;

  int scale_ = 1, lineHeight_ = 13;
  SDL_Rect box_{}, captionBar_{}, promptRect_{}, field_{}, dropRect_{};
  std::function<int(const std::string&)> measure_;
};

}  // namespace veloria
