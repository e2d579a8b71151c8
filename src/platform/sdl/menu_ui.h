// The menu bar drawn by the SDL backend: a strip of top-level entries with drop-downs and
// one level of submenus, driven by mouse and keyboard. Choosing an item reports its id.
#pragma once

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/menu_model.h"

namespace veloria {

struct MenuPainter {
  std::function<void(const SDL_Rect&, uint32_t)> fill;
  std::function<void(const SDL_Rect&, uint32_t)> frame;
  std::function<void(const std::string&, int, int, uint32_t)> text;  // UTF-8
  std::function<int(const std::string&)> measure;
  int lineHeight;
  int scale = 1;  // the strip's magnification: paddings grow with it, the font is drawn at it
};

class MenuUi {
 public:
  void setStrip(int x, int y, int w, int h) { strip_ = SDL_Rect{x, y, w, h}; }
  void invalidate() { close(); }
  void close() {
    openTop_ = -1;
    hoverTop_ = -1;
    hover_ = -1;
    subOpen_ = -1;
    subHover_ = -1;
    keyboard_ = false;
  }
  bool active() const { return openTop_ >= 0 || keyboard_; }
  void openByKeyboard(const MenuBar& menu);
  // Each returns true when the event belonged to the menu; *chosen gets an item id.
  bool mouseMove(const MenuBar& menu, int x, int y);
  bool mouseButton(const MenuBar& menu, int x, int y, bool down, int* chosen);
  void key(const MenuBar& menu, SDL_Keycode k, int* chosen);
  void paint(const MenuBar& menu, const MenuPainter& p);

 private:
  struct Row {
    SDL_Rect rect;
    int index;
  };
  int topAt(int x, int y) const;
  int rowAt(const std::vector<Row>& rows, int x, int y) const;
  const std::vector<MenuItem>* dropItems(const MenuBar& menu) const;
  const std::vector<MenuItem>* subItems(const MenuBar& menu) const;
  void layoutRows(const std::vector<MenuItem>& items, int x, int y, std::vector<Row>* rows, SDL_Rect* box,
                  const MenuPainter* p);

  SDL_Rect strip_{0, 0, 640, 20};
  std::vector<SDL_Rect> tops_;
  std::vector<Row> rows_, subRows_;
  SDL_Rect dropBox_{}, subBox_{};
  int openTop_ = -1, hoverTop_ = -1, hover_ = -1, subOpen_ = -1, subHover_ = -1;
  int pressedTop_ = -1;
  bool keyboard_ = false;
  int rowHeight_ = 20, colWidth_ = 160;
};

}  // namespace veloria
