#include "platform/sdl/menu_ui.h"

#include <algorithm>

#include "platform/text_codec.h"

namespace veloria {

namespace {
bool inRect(const SDL_Rect& r, int x, int y) { return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h; }
}  // namespace

int MenuUi::topAt(int x, int y) const {
  for (size_t i = 0; i < tops_.size(); ++i)
    if (inRect(tops_[i], x, y)) return static_cast<int>(i);
  return -1;
}

int MenuUi::rowAt(const std::vector<Row>& rows, int x, int y) const {
  for (const auto& r : rows)
    if (inRect(r.rect, x, y)) return r.index;
  return -1;
}

const std::vector<MenuItem>* MenuUi::dropItems(const MenuBar& menu) const {
  if (openTop_ < 0 || openTop_ >= static_cast<int>(menu.items().size())) return nullptr;
  const auto& top = menu.items()[static_cast<size_t>(openTop_)];
  return top.children.empty() ? nullptr : &top.children;
}

const std::vector<MenuItem>* MenuUi::subItems(const MenuBar& menu) const {
  const auto* drop = dropItems(menu);
  if (!drop || subOpen_ < 0 || subOpen_ >= static_cast<int>(drop->size())) return nullptr;
  const auto& it = (*drop)[static_cast<size_t>(subOpen_)];
  return it.children.empty() ? nullptr : &it.children;
}

void MenuUi::openByKeyboard(const MenuBar& menu) {
  close();
  if (menu.items().empty()) return;
  keyboard_ = true;
  hoverTop_ = 0;
}

bool MenuUi::mouseMove(const MenuBar& menu, int x, int y) {
  int t = topAt(x, y);
  if (t >= 0 || inRect(strip_, x, y)) {
    hoverTop_ = t;
    if (openTop_ >= 0 && t >= 0 && t != openTop_) {
      openTop_ = t;
      hover_ = subOpen_ = subHover_ = -1;
    }
    return true;
  }
  if (subItems(menu) && inRect(subBox_, x, y)) {
    subHover_ = rowAt(subRows_, x, y);
    return true;
  }
  if (dropItems(menu) && inRect(dropBox_, x, y)) {
    hover_ = rowAt(rows_, x, y);
    const auto* drop = dropItems(menu);
    if (hover_ >= 0 && !(*drop)[static_cast<size_t>(hover_)].children.empty()) subOpen_ = hover_;
    else if (hover_ >= 0) subOpen_ = -1;
    return true;
  }
  hoverTop_ = -1;
  return openTop_ >= 0;
}

bool MenuUi::mouseButton(const MenuBar& menu, int x, int y, bool down, int* chosen) {
  *chosen = 0;
  int t = topAt(x, y);
  if (t >= 0) {
    const auto& item = menu.items()[static_cast<size_t>(t)];
    if (down) {
      pressedTop_ = t;
      if (item.children.empty()) return true;
      if (openTop_ == t) close();
      else {
        openTop_ = t;
        hover_ = subOpen_ = subHover_ = -1;
      }
    } else if (pressedTop_ == t && item.children.empty() && item.id != 0) {
      *chosen = item.id;
      close();
    }
    return true;
  }
  if (inRect(strip_, x, y)) return true;
  if (const auto* sub = subItems(menu); sub && inRect(subBox_, x, y)) {
    int r = rowAt(subRows_, x, y);
    if (!down && r >= 0 && (*sub)[static_cast<size_t>(r)].children.empty()) {
      *chosen = (*sub)[static_cast<size_t>(r)].id;
      close();
    }
    return true;
  }
  if (const auto* drop = dropItems(menu); drop && inRect(dropBox_, x, y)) {
    int r = rowAt(rows_, x, y);
    if (!down && r >= 0) {
      const auto& it = (*drop)[static_cast<size_t>(r)];
      if (it.children.empty()) {
        *chosen = it.id;
        close();
      } else {
        subOpen_ = r;
      }
    }
    return true;
  }
  if (openTop_ >= 0 || keyboard_) {
    // A click outside an open menu only closes it.
    if (down) close();
    return true;
  }
  return false;
}

void MenuUi::key(const MenuBar& menu, SDL_Keycode k, int* chosen) {
  *chosen = 0;
  int n = static_cast<int>(menu.items().size());
  if (n == 0) {
    close();
    return;
  }
  const auto* drop = dropItems(menu);
  const auto* sub = subItems(menu);
  auto cycle = [](int v, int d, int m) { return m <= 0 ? -1 : ((v < 0 ? (d > 0 ? -1 : 0) : v) + d + m) % m; };
  switch (k) {
    case SDLK_ESCAPE:
    case SDLK_F10:
      if (sub && subHover_ >= 0) subHover_ = -1, subOpen_ = -1;
      else close();
      return;
    case SDLK_LEFT:
    case SDLK_RIGHT: {
      int d = k == SDLK_RIGHT ? 1 : -1;
      if (sub && k == SDLK_LEFT) {
        subOpen_ = -1;
        subHover_ = -1;
        return;
      }
      if (drop && !sub && k == SDLK_RIGHT && hover_ >= 0 && !(*drop)[static_cast<size_t>(hover_)].children.empty()) {
        subOpen_ = hover_;
        subHover_ = 0;
        return;
      }
      int cur = openTop_ >= 0 ? openTop_ : hoverTop_;
      int next = cycle(cur, d, n);
      hoverTop_ = next;
      if (openTop_ >= 0) {
        openTop_ = next;
        hover_ = subOpen_ = subHover_ = -1;
      }
      return;
    }
    case SDLK_DOWN:
    case SDLK_UP: {
      int d = k == SDLK_DOWN ? 1 : -1;
      if (sub) {
        subHover_ = cycle(subHover_, d, static_cast<int>(sub->size()));
        return;
      }
      if (!drop && hoverTop_ >= 0 && !menu.items()[static_cast<size_t>(hoverTop_)].children.empty()) {
        openTop_ = hoverTop_;
        hover_ = 0;
        return;
      }
      if (drop) hover_ = cycle(hover_, d, static_cast<int>(drop->size()));
      return;
    }
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
    case SDLK_SPACE: {
      if (sub && subHover_ >= 0) {
        const auto& it = (*sub)[static_cast<size_t>(subHover_)];
        if (it.children.empty()) *chosen = it.id, close();
        return;
      }
      if (drop && hover_ >= 0) {
        const auto& it = (*drop)[static_cast<size_t>(hover_)];
        if (it.children.empty()) *chosen = it.id, close();
        else subOpen_ = hover_, subHover_ = 0;
        return;
      }
      if (hoverTop_ >= 0) {
        const auto& it = menu.items()[static_cast<size_t>(hoverTop_)];
        if (it.children.empty()) *chosen = it.id, close();
        else openTop_ = hoverTop_, hover_ = 0;
      }
      return;
    }
    default: return;
  }
}

void MenuUi::layoutRows(const std::vector<MenuItem>& items, int x, int y, std::vector<Row>* rows, SDL_Rect* box,
                        const MenuPainter* p) {
  rows->clear();
  const int u = p ? p->scale : 1;
  int width = 120 * u;
  if (p)
    for (const auto& it : items) width = std::max(width, p->measure(sjisToUtf8(it.text)) + 48 * u);
  colWidth_ = width;
  // Long lists (hundreds of fonts) flow into further columns instead of leaving the screen.
  int perColumn = std::max(1, 480 * u / rowHeight_);
  for (size_t i = 0; i < items.size(); ++i) {
    int col = static_cast<int>(i) / perColumn, row = static_cast<int>(i) % perColumn;
    rows->push_back(Row{SDL_Rect{x + col * width, y + row * rowHeight_, width, rowHeight_}, static_cast<int>(i)});
  }
  int cols = static_cast<int>((items.size() + perColumn - 1) / perColumn);
  int rowsShown = std::min<int>(static_cast<int>(items.size()), perColumn);
  *box = SDL_Rect{x, y, std::max(1, cols) * width, rowsShown * rowHeight_};
}

void MenuUi::paint(const MenuBar& menu, const MenuPainter& p) {
  const int u = p.scale;
  rowHeight_ = p.lineHeight + 6 * u;
  p.fill(strip_, 0xF0F0F0);
  tops_.clear();
  int x = strip_.x + 2 * u;
  for (size_t i = 0; i < menu.items().size(); ++i) {
    std::string label = sjisToUtf8(menu.items()[i].text);
    int w = p.measure(label) + 16 * u;
    SDL_Rect r{x, strip_.y, w, strip_.h};
    tops_.push_back(r);
    bool hot = static_cast<int>(i) == openTop_ || static_cast<int>(i) == hoverTop_;
    if (hot) p.fill(r, 0xCCE8FF);
    p.text(label, x + 8 * u, strip_.y + (strip_.h - p.lineHeight) / 2, 0x000000);
    x += w;
  }
  const auto* drop = dropItems(menu);
  if (!drop) return;
  const SDL_Rect& top = tops_[static_cast<size_t>(openTop_)];
  layoutRows(*drop, top.x, strip_.y + strip_.h, &rows_, &dropBox_, &p);
  auto paintList = [&](const std::vector<MenuItem>& items, const std::vector<Row>& rows, const SDL_Rect& box, int hot) {
    p.fill(box, 0xFFFFFF);
    p.frame(box, 0x9A9A9A);
    for (const auto& r : rows) {
      const auto& it = items[static_cast<size_t>(r.index)];
      if (r.index == hot) p.fill(r.rect, 0x91C9F7);
      if (it.checked) p.text("✓", r.rect.x + 5 * u, r.rect.y + 3 * u, 0x000000);
      p.text(sjisToUtf8(it.text), r.rect.x + 22 * u, r.rect.y + 3 * u, 0x000000);
      if (!it.children.empty()) p.text("▶", r.rect.x + r.rect.w - 16 * u, r.rect.y + 3 * u, 0x000000);
    }
  };
  paintList(*drop, rows_, dropBox_, hover_);
  if (const auto* sub = subItems(menu)) {
    const Row* anchor = nullptr;
    for (const auto& r : rows_)
      if (r.index == subOpen_) anchor = &r;
    if (anchor) {
      layoutRows(*sub, anchor->rect.x + anchor->rect.w, anchor->rect.y, &subRows_, &subBox_, &p);
      paintList(*sub, subRows_, subBox_, subHover_);
    }
  } else {
    subRows_.clear();
    subBox_ = SDL_Rect{};
  }
}

}  // namespace veloria
