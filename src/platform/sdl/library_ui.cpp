#include "platform/sdl/library_ui.h"

#include <algorithm>

namespace veloria {

namespace {

using namespace dialog_colours;
constexpr uint32_t kDetail = 0x5A5A5A, kDimmed = 0x9A9A9A, kMark = 0x2E8B57, kDisabledText = 0xA0A0A0;

bool inside(const SDL_Rect& r, int x, int y) {
  SDL_Point p{x, y};
  return SDL_PointInRect(&p, &r) == SDL_TRUE;
}

}  // namespace

std::vector<std::string> wrapText(const std::string& text, int width,
                                  const std::function<int(const std::string&)>& measure) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size();) {
    size_t n = i + 1;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
    std::string ch = text.substr(i, n - i);
    if (!line.empty() && measure(line + ch) > width) {
      lines.push_back(std::move(line));
      line.clear();
    }
    line += ch;
    i = n;
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

void LibraryUi::setView(const LibraryView& view) {
  view_ = view;
  const int rows = static_cast<int>(view_.rows.size());
  if (view_.selection >= rows) view_.selection = rows - 1;
  buttonRects_.resize(view_.buttons.size());
  if (focus_ >= focusCount()) focus_ = 0;
  pressed_ = -1;
  keepSelectionVisible();
}

int LibraryUi::visibleRows() const { return std::max(1, (list_.h - 2) / std::max(1, rowH_)); }

void LibraryUi::layout(const SDL_Rect& area, const DialogPainter& p) {
  scale_ = p.scale;
  lineHeight_ = p.lineHeight;
  const int u = scale_, lh = lineHeight_;
  const int margin = 10 * u;
  const int w = std::max(area.w - 2 * margin, 60 * u), h = std::max(area.h - 2 * margin, 60 * u);
  box_ = SDL_Rect{area.x + (area.w - w) / 2, area.y + (area.h - h) / 2, w, h};
  captionBar_ = SDL_Rect{box_.x, box_.y, box_.w, lh + 8 * u};
  heading_ = SDL_Rect{box_.x + 10 * u, captionBar_.y + captionBar_.h + 8 * u, box_.w - 20 * u, lh + 2 * u};
  rowH_ = 2 * lh + 8 * u;
  const int buttonH = lh + 10 * u;
  const int buttonY = box_.y + box_.h - 10 * u - buttonH;
  const int listY = heading_.y + heading_.h + 6 * u;
  list_ = SDL_Rect{heading_.x, listY, heading_.w, std::max(rowH_ + 2, buttonY - 10 * u - listY)};
  int x = list_.x;
  for (size_t i = 0; i < view_.buttons.size(); ++i) {
    int bw = std::max(80 * u, p.measure(view_.buttons[i].label) + 20 * u);
    buttonRects_[i] = SDL_Rect{x, buttonY, bw, buttonH};
    x += bw + 8 * u;
  }
  keepSelectionVisible();
}

SDL_Rect LibraryUi::rowRect(int row) const {
  return SDL_Rect{list_.x + 1, list_.y + 1 + (row - top_) * rowH_, list_.w - 2, rowH_};
}

void LibraryUi::paint(const DialogPainter& p) const {
  const int u = scale_, lh = lineHeight_;
  p.fill(box_, kFace);
  p.frame(box_, kBorder);
  p.fill(captionBar_, kCaption);
  p.clip(&captionBar_);
  p.text(view_.caption, captionBar_.x + 8 * u, captionBar_.y + 4 * u, kWhite);
  p.clip(&heading_);
  p.text(view_.heading, heading_.x, heading_.y + u, kBlack);
  p.clip(nullptr);

  p.fill(list_, kWhite);
  p.frame(list_, focus_ == 0 ? kFocusFrame : kFieldFrame);
  if (view_.rows.empty()) {
    SDL_Rect inner{list_.x + 1, list_.y + 1, list_.w - 2, list_.h - 2};
    p.clip(&inner);
    int y = list_.y + 8 * u;
    for (const std::string& line : wrapText(view_.emptyText, list_.w - 16 * u, p.measure)) {
      p.text(line, list_.x + 8 * u, y, kDetail);
      y += lh + 4 * u;
    }
    p.clip(nullptr);
  }
  const int markW = 10 * u;
  for (int i = 0; i < visibleRows() && top_ + i < static_cast<int>(view_.rows.size()); ++i) {
    const int index = top_ + i;
    const LibraryRow& row = view_.rows[static_cast<size_t>(index)];
    const SDL_Rect r = rowRect(index);
    const bool selected = index == view_.selection;
    if (selected) p.fill(r, kSelection);
    p.clip(&r);
    if (row.marked) p.fill(SDL_Rect{r.x + 6 * u, r.y + 4 * u + (lh - 6 * u) / 2, 6 * u, 6 * u}, selected ? kWhite : kMark);
    const int tx = r.x + 6 * u + markW;
    p.text(row.title, tx, r.y + 3 * u, selected ? kWhite : row.dimmed ? kDimmed : kBlack);
    p.text(row.detail, tx, r.y + 5 * u + lh, selected ? kWhite : row.dimmed ? kDimmed : kDetail);
    p.clip(nullptr);
  }
  // A scroll mark when there is more than fits.
  const int rows = static_cast<int>(view_.rows.size());
  if (rows > visibleRows()) {
    const int track = list_.h - 2;
    const int thumb = std::max(8 * u, track * visibleRows() / rows);
    const int y = list_.y + 1 + (track - thumb) * top_ / std::max(1, rows - visibleRows());
    p.fill(SDL_Rect{list_.x + list_.w - 5 * u, y, 4 * u, thumb}, kFieldFrame);
  }

  for (size_t i = 0; i < view_.buttons.size(); ++i) {
    const LibraryButton& b = view_.buttons[i];
    const SDL_Rect& r = buttonRects_[i];
    const bool focused = focus_ == static_cast<int>(i) + 1;
    p.fill(r, b.enabled && (focused || static_cast<int>(i) == pressed_) ? kButtonFocus : kButton);
    const bool marked = b.enabled && (focused || (focus_ == 0 && static_cast<int>(i) == view_.defaultButton));
    p.frame(r, marked ? kFocusFrame : kButtonFrame);
    p.clip(&r);
    p.text(b.label, r.x + (r.w - p.measure(b.label)) / 2, r.y + (r.h - lh) / 2, b.enabled ? kBlack : kDisabledText);
    p.clip(nullptr);
  }
}

void LibraryUi::keepSelectionVisible() {
  const int rows = visibleRows();
  if (view_.selection >= 0) {
    if (view_.selection < top_) top_ = view_.selection;
    if (view_.selection >= top_ + rows) top_ = view_.selection - rows + 1;
  }
  top_ = std::clamp(top_, 0, std::max(0, static_cast<int>(view_.rows.size()) - rows));
}

bool LibraryUi::moveSelection(int to) {
  if (view_.rows.empty()) return false;
  to = std::clamp(to, 0, static_cast<int>(view_.rows.size()) - 1);
  if (to == view_.selection) return false;
  view_.selection = to;
  keepSelectionVisible();
  action_ = LibraryAction{LibraryAction::Kind::Select, to, -1, {}};
  return true;
}

void LibraryUi::press(int button) {
  if (button < 0 || button >= static_cast<int>(view_.buttons.size())) return;
  if (!view_.buttons[static_cast<size_t>(button)].enabled) return;
  action_ = LibraryAction{LibraryAction::Kind::Button, view_.selection, button, {}};
}

bool LibraryUi::key(SDL_Keycode k, uint16_t mod) {
  switch (k) {
    case SDLK_TAB:
      focus_ = (focus_ + ((mod & KMOD_SHIFT) ? focusCount() - 1 : 1)) % focusCount();
      return true;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: press(focus_ > 0 ? focus_ - 1 : view_.defaultButton); return false;
    case SDLK_SPACE:
      if (focus_ > 0) press(focus_ - 1);
      return false;
    case SDLK_ESCAPE: action_ = LibraryAction{LibraryAction::Kind::Cancel, view_.selection, -1, {}}; return false;
    case SDLK_BACKSPACE: action_ = LibraryAction{LibraryAction::Kind::Back, view_.selection, -1, {}}; return false;
    default: break;
  }
  bool refocused = false;
  if (focus_ > 0) {
    if (k == SDLK_LEFT || k == SDLK_RIGHT) {
      const int n = static_cast<int>(view_.buttons.size());
      focus_ = 1 + (focus_ - 1 + (k == SDLK_LEFT ? n - 1 : 1)) % n;
      return true;
    }
    if (k != SDLK_UP && k != SDLK_DOWN) return false;
    focus_ = 0;  // the arrows take the highlight back to the list
    refocused = true;
  }
  const int page = visibleRows();
  switch (k) {
    case SDLK_UP: return moveSelection(view_.selection - 1) || refocused;
    case SDLK_DOWN: return moveSelection(view_.selection < 0 ? 0 : view_.selection + 1) || refocused;
    case SDLK_HOME: return moveSelection(0);
    case SDLK_END: return moveSelection(static_cast<int>(view_.rows.size()) - 1);
    case SDLK_PAGEUP: return moveSelection(view_.selection - page);
    case SDLK_PAGEDOWN: return moveSelection(view_.selection + page);
    default: return false;
  }
}

int LibraryUi::rowAt(int x, int y) const {
  if (!inside(list_, x, y)) return -1;
  int row = top_ + (y - list_.y - 1) / std::max(1, rowH_);
  return row >= 0 && row < static_cast<int>(view_.rows.size()) && row < top_ + visibleRows() ? row : -1;
}

bool LibraryUi::mouseDown(int x, int y, int clicks) {
  for (size_t i = 0; i < buttonRects_.size(); ++i) {
    if (inside(buttonRects_[i], x, y) && view_.buttons[i].enabled) {
      pressed_ = static_cast<int>(i);
      return true;
    }
  }
  const int row = rowAt(x, y);
  if (row < 0) return false;
  focus_ = 0;
  moveSelection(row);
  if (clicks >= 2) press(view_.defaultButton);
  return true;
}

bool LibraryUi::mouseUp(int x, int y) {
  if (pressed_ < 0) return false;
  const int b = pressed_;
  pressed_ = -1;
  if (inside(buttonRects_[static_cast<size_t>(b)], x, y)) press(b);
  return true;
}

bool LibraryUi::wheel(int dy) {
  const int before = top_;
  top_ = std::clamp(top_ - dy, 0, std::max(0, static_cast<int>(view_.rows.size()) - visibleRows()));
  return top_ != before;
}

void LibraryUi::drop(std::string path) {
  action_ = LibraryAction{LibraryAction::Kind::Drop, view_.selection, -1, std::move(path)};
}

void LibraryUi::closeRequested() { action_ = LibraryAction{}; }

std::optional<LibraryAction> LibraryUi::takeAction() {
  auto a = std::move(action_);
  action_.reset();
  return a;
}

}  // namespace veloria
