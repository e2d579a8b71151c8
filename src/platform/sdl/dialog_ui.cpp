#include "platform/sdl/dialog_ui.h"

#include <algorithm>

#include "platform/text_codec.h"

namespace veloria {

namespace {

using namespace dialog_colours;
// A drop-down list shows at most this many rows at once.
constexpr int kDropRows = 8;

size_t nextChar(const std::string& s, size_t i) {
  if (i >= s.size()) return s.size();
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

size_t prevChar(const std::string& s, size_t i) {
  if (i == 0) return 0;
  --i;
  while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
  return i;
}

bool inside(const SDL_Rect& r, int x, int y) {
  SDL_Point p{x, y};
  return SDL_PointInRect(&p, &r) == SDL_TRUE;
}

}  // namespace

DialogUi::DialogUi(const InputDialogSetup& setup)
    : input_(true),
      caption_(setup.caption),
      prompt_(setup.prompt),
      text_(setup.text),
      caret_(setup.text.size()),
      cancellable_(setup.cancellable),
      customW_(setup.dialogWidth),
      customH_(setup.dialogHeight),
      customEditW_(setup.editWidth),
      customEditH_(setup.editHeight) {
  buttons_.push_back(Button{"決定", {}, Result::Ok});
}

DialogUi::DialogUi(const ListDialogSetup& setup)
    : caption_(setup.caption), entries_(setup.entries), dropDown_(setup.dropDown) {
  selection_ = setup.selection >= 0 && static_cast<size_t>(setup.selection) < entries_.size() ? setup.selection : -1;
  buttons_.push_back(Button{setup.okLabel, {}, Result::Ok});
  buttons_.push_back(Button{setup.cancelLabel, {}, Result::Cancel});
}

int DialogUi::visibleRows() const {
  if (dropDown_) return std::min<int>(kDropRows, static_cast<int>(entries_.size()));
  return std::max(1, field_.h / (lineHeight_ + 4 * scale_));
}

void DialogUi::layout(const SDL_Rect& area, const DialogPainter& p) {
  scale_ = p.scale;
  lineHeight_ = p.lineHeight;
  measure_ = p.measure;
  const int u = scale_, lh = lineHeight_;
  const int capH = lh + 8 * u;
  const int maxW = std::max(area.w - 8 * u, 100 * u), maxH = std::max(area.h - 8 * u, capH + 40 * u);
  auto buttonWidth = [&](const Button& b, int base) { return std::max(base, p.measure(b.label) + 16 * u); };
  int w = 0, h = 0;  // the client area below the caption bar
  if (input_) {
    w = std::max(px(227), p.measure(caption_) + 40 * u);
    h = px(53);
    if (customW_ > 0 || customH_ > 0 || customEditW_ > 0 || customEditH_ > 0) {
      // The script's size is the whole box, caption included.
      w = std::clamp(pointsToPixels(customW_), 60 * u, maxW);
      h = std::clamp(pointsToPixels(customH_), capH + lh + 8 * u, maxH) - capH;
      int ew = std::clamp(pointsToPixels(customEditW_), 16 * u, std::max(16 * u, w - px(7)));
      int eh = std::clamp(pointsToPixels(customEditH_), lh + 4 * u, std::max(lh + 4 * u, h - px(26)));
      field_ = SDL_Rect{px(7), px(26), ew, eh};
      int bw = px(40);
      buttons_[0].rect = SDL_Rect{std::max(0, w - bw - pointsToPixels(20) - 1), field_.y, bw, eh};
    } else {
      int bw = buttonWidth(buttons_[0], px(40));
      buttons_[0].rect = SDL_Rect{w - px(7) - bw, px(25), bw, px(20)};
      field_ = SDL_Rect{px(7), px(26), buttons_[0].rect.x - px(20) - px(7), std::max(px(17), lh + 6 * u)};
    }
    promptRect_ = SDL_Rect{px(7), px(7), w - px(14), std::max(px(13), lh + 2 * u)};
  } else if (dropDown_) {
    int widest = 0;
    for (const auto& e : entries_) widest = std::max(widest, p.measure(e));
    int comboW = std::min(std::max(px(57), widest + 28 * u), maxW - px(14));
    int okW = buttonWidth(buttons_[0], px(25)), cancelW = buttonWidth(buttons_[1], px(28));
    w = std::max({px(71), comboW + px(14), p.measure(caption_) + 40 * u, px(7) + okW + px(4) + cancelW + px(7)});
    h = px(51);
    field_ = SDL_Rect{px(7), px(7), comboW, lh + 8 * u};
    int by = std::max(px(30), field_.y + field_.h + 6 * u);
    buttons_[0].rect = SDL_Rect{px(7), by, okW, std::max(px(14), lh + 6 * u)};
    buttons_[1].rect = SDL_Rect{px(7) + okW + px(4), by, cancelW, buttons_[0].rect.h};
    h = std::max(h, by + buttons_[0].rect.h + px(7));
  } else {
    int okW = buttonWidth(buttons_[0], px(50)), cancelW = buttonWidth(buttons_[1], px(50));
    w = std::max({px(119), p.measure(caption_) + 40 * u, px(7) + okW + px(4) + cancelW + px(7)});
    h = px(115);
    field_ = SDL_Rect{px(7), px(7), w - px(14), px(84)};
    buttons_[0].rect = SDL_Rect{px(7), px(95), okW, px(14)};
    buttons_[1].rect = SDL_Rect{w - px(7) - cancelW, px(95), cancelW, px(14)};
  }
  w = std::min(w, maxW);
  box_ = SDL_Rect{area.x + (area.w - w) / 2, area.y + (area.h - h - capH) / 2, w, h + capH};
  captionBar_ = SDL_Rect{box_.x, box_.y, box_.w, capH};
  // Positions so far were relative to the client area.
  const int ox = box_.x, oy = box_.y + capH;
  auto shift = [&](SDL_Rect& r) { r.x += ox, r.y += oy; };
  shift(field_);
  shift(promptRect_);
  for (auto& b : buttons_) shift(b.rect);
  if (dropDown_) {
    int rowH = lh + 4 * u;
    dropRect_ = SDL_Rect{field_.x, field_.y + field_.h, field_.w, visibleRows() * rowH + 2};
  }
  keepSelectionVisible();
}

void DialogUi::paint(const DialogPainter& p, bool caretOn) {
  const int u = scale_, lh = lineHeight_;
  p.fill(box_, kFace);
  p.frame(box_, kBorder);
  p.fill(captionBar_, kCaption);
  p.clip(&captionBar_);
  p.text(caption_, captionBar_.x + 8 * u, captionBar_.y + 4 * u, kWhite);
  p.clip(nullptr);
  if (input_) {
    p.clip(&promptRect_);
    p.text(prompt_, promptRect_.x, promptRect_.y, kBlack);
    p.clip(nullptr);
    p.fill(field_, kWhite);
    p.frame(field_, focus_ == 0 ? kFocusFrame : kFieldFrame);
    // The composition is shown at the caret, underlined, until the input method commits it.
    std::string before = text_.substr(0, caret_), after = text_.substr(caret_);
    int pad = 4 * u;
    int caretX = p.measure(before) + p.measure(composition_.substr(0, static_cast<size_t>(
                                                   std::clamp<int>(compositionCursor_, 0, static_cast<int>(composition_.size())))));
    int room = field_.w - 2 * pad;
    int scroll = std::max(0, caretX - room + u);
    int tx = field_.x + pad - scroll, ty = field_.y + (field_.h - lh) / 2;
    SDL_Rect inner{field_.x + 1, field_.y + 1, field_.w - 2, field_.h - 2};
    p.clip(&inner);
    p.text(before, tx, ty, kBlack);
    int cx = tx + p.measure(before);
    if (!composition_.empty()) {
      p.text(composition_, cx, ty, kComposition);
      p.fill(SDL_Rect{cx, ty + lh, p.measure(composition_), u}, kComposition);
    }
    p.text(after, cx + p.measure(composition_), ty, kBlack);
    if (focus_ == 0 && (caretOn || !composition_.empty()))
      p.fill(SDL_Rect{tx + caretX, field_.y + 3 * u, u, field_.h - 6 * u}, kBlack);
    p.clip(nullptr);
  } else {
    const int rowH = lh + 4 * u;
    auto row = [&](const SDL_Rect& r, int index) {
      bool selected = index == selection_;
      if (selected) p.fill(r, kSelection);
      p.clip(&r);
      p.text(entries_[static_cast<size_t>(index)], r.x + 3 * u, r.y + 2 * u, selected ? kWhite : kBlack);
      p.clip(nullptr);
    };
    p.fill(field_, kWhite);
    p.frame(field_, focus_ == 0 ? kFocusFrame : kFieldFrame);
    if (dropDown_) {
      SDL_Rect shown{field_.x + 2 * u, field_.y + 2 * u, field_.w - 20 * u, field_.h - 4 * u};
      if (selection_ >= 0) row(shown, selection_);
      p.text("▼", field_.x + field_.w - 16 * u, field_.y + 4 * u, kBlack);
    } else {
      for (int i = 0; i < visibleRows() && top_ + i < static_cast<int>(entries_.size()); ++i)
        row(SDL_Rect{field_.x + 1, field_.y + 1 + i * rowH, field_.w - 2, rowH}, top_ + i);
    }
  }
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const Button& b = buttons_[i];
    bool focused = focus_ == static_cast<int>(i) + 1;
    p.fill(b.rect, focused || static_cast<int>(i) == pressed_ ? kButtonFocus : kButton);
    // The default button (the first) carries the blue frame unless another one has the focus.
    bool marked = focused || (i == 0 && (focus_ == 0 || !input_));
    p.frame(b.rect, marked ? kFocusFrame : kButtonFrame);
    p.clip(&b.rect);
    p.text(b.label, b.rect.x + (b.rect.w - p.measure(b.label)) / 2, b.rect.y + (b.rect.h - lh) / 2, kBlack);
    p.clip(nullptr);
  }
  if (dropped_) {
    // Drawn last: the open list lies over the buttons.
    const int rowH = lh + 4 * u;
    p.fill(dropRect_, kWhite);
    p.frame(dropRect_, kBorder);
    for (int i = 0; i < visibleRows() && top_ + i < static_cast<int>(entries_.size()); ++i) {
      SDL_Rect r{dropRect_.x + 1, dropRect_.y + 1 + i * rowH, dropRect_.w - 2, rowH};
      int index = top_ + i;
      if (index == selection_) p.fill(r, kSelection);
      p.clip(&r);
      p.text(entries_[static_cast<size_t>(index)], r.x + 3 * u, r.y + 2 * u, index == selection_ ? kWhite : kBlack);
      p.clip(nullptr);
    }
  }
}

void DialogUi::cancel() {
  if (!input_ || cancellable_) result_ = Result::Cancel;
}

void DialogUi::closeRequested() { cancel(); }

bool DialogUi::moveSelection(int to) {
  if (entries_.empty()) return false;
  to = std::clamp(to, 0, static_cast<int>(entries_.size()) - 1);
  if (to == selection_) return false;
  selection_ = to;
  keepSelectionVisible();
  return true;
}

void DialogUi::keepSelectionVisible() {
  int rows = visibleRows();
  if (selection_ >= 0) {
    if (selection_ < top_) top_ = selection_;
    if (selection_ >= top_ + rows) top_ = selection_ - rows + 1;
  }
  top_ = std::clamp(top_, 0, std::max(0, static_cast<int>(entries_.size()) - rows));
}

void DialogUi::insertText(const std::string& utf8) {
  std::string next = text_.substr(0, caret_) + utf8 + text_.substr(caret_);
  // The field holds no more than the engine reads; the rest of a paste is dropped.
  if (utf8ToSjis(next).size() > kDialogFieldBytes) return;
  text_ = std::move(next);
  caret_ += utf8.size();
}

size_t DialogUi::caretAt(int x) const {
  if (!measure_) return text_.size();
  int pad = 4 * scale_;
  int caretX = measure_(text_.substr(0, caret_));
  int scroll = std::max(0, caretX - (field_.w - 2 * pad) + scale_);
  int want = x - (field_.x + pad - scroll);
  size_t best = 0;
  for (size_t i = 0;;) {
    size_t n = nextChar(text_, i);
    if (n == i) break;
    int mid = (measure_(text_.substr(0, i)) + measure_(text_.substr(0, n))) / 2;
    if (want < mid) break;
    best = i = n;
  }
  return best;
}

bool DialogUi::key(SDL_Keycode k, uint16_t mod) {
  if (composing()) return false;  // the input method has these keys
  const bool shift = (mod & KMOD_SHIFT) != 0;
  if (k == SDLK_TAB) {
    if (dropped_) dropped_ = false;
    focus_ = (focus_ + (shift ? focusCount() - 1 : 1)) % focusCount();
    return true;
  }
  if (dropped_) {
    switch (k) {
      case SDLK_UP: return moveSelection(selection_ - 1);
      case SDLK_DOWN: return moveSelection(selection_ + 1);
      case SDLK_RETURN: case SDLK_KP_ENTER: case SDLK_ESCAPE: case SDLK_F4:
        dropped_ = false;
        return true;
      default: return false;
    }
  }
  switch (k) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      press(focus_ > 0 ? buttons_[static_cast<size_t>(focus_ - 1)] : buttons_[0]);
      return true;
    case SDLK_ESCAPE: cancel(); return false;
    case SDLK_SPACE:
      if (focus_ > 0) press(buttons_[static_cast<size_t>(focus_ - 1)]);
      return false;
    default: break;
  }
  if (focus_ != 0) {
    if (k == SDLK_LEFT || k == SDLK_UP || k == SDLK_RIGHT || k == SDLK_DOWN) {
      int step = k == SDLK_LEFT || k == SDLK_UP ? -1 : 1;
      focus_ = 1 + ((focus_ - 1 + step + static_cast<int>(buttons_.size())) % static_cast<int>(buttons_.size()));
      return true;
    }
    return false;
  }
  if (input_) {
    switch (k) {
      case SDLK_LEFT: caret_ = prevChar(text_, caret_); return true;
      case SDLK_RIGHT: caret_ = nextChar(text_, caret_); return true;
      case SDLK_HOME: caret_ = 0; return true;
      case SDLK_END: caret_ = text_.size(); return true;
      case SDLK_BACKSPACE: {
        size_t from = prevChar(text_, caret_);
        text_.erase(from, caret_ - from);
        caret_ = from;
        return true;
      }
      case SDLK_DELETE: text_.erase(caret_, nextChar(text_, caret_) - caret_); return true;
      default: return false;
    }
  }
  switch (k) {
    case SDLK_UP: return moveSelection(selection_ - 1);
    case SDLK_DOWN:
      if (dropDown_ && (mod & KMOD_ALT)) {
        dropped_ = true;
        keepSelectionVisible();
        return true;
      }
      return moveSelection(selection_ < 0 ? 0 : selection_ + 1);
    case SDLK_HOME: return moveSelection(0);
    case SDLK_END: return moveSelection(static_cast<int>(entries_.size()) - 1);
    case SDLK_PAGEUP: return moveSelection(selection_ - visibleRows());
    case SDLK_PAGEDOWN: return moveSelection(selection_ + visibleRows());
    case SDLK_F4:
      if (!dropDown_) return false;
      dropped_ = true;
      keepSelectionVisible();
      return true;
    default: return false;
  }
}

bool DialogUi::textInput(const char* utf8) {
  composition_.clear();
  if (!input_ || focus_ != 0) return true;
  insertText(utf8);
  return true;
}

bool DialogUi::textEditing(const char* utf8, int cursor) {
  if (!input_) return false;
  composition_ = utf8;
  // SDL gives the cursor in characters; the field measures bytes of UTF-8.
  size_t at = 0;
  for (int i = 0; i < cursor && at < composition_.size(); ++i) at = nextChar(composition_, at);
  compositionCursor_ = static_cast<int>(at);
  return true;
}

int DialogUi::rowAt(int x, int y) const {
  const SDL_Rect& area = dropped_ ? dropRect_ : field_;
  if (!inside(area, x, y)) return -1;
  int row = top_ + (y - area.y - 1) / (lineHeight_ + 4 * scale_);
  return row >= 0 && row < static_cast<int>(entries_.size()) && row < top_ + visibleRows() ? row : -1;
}

bool DialogUi::mouseDown(int x, int y) {
  if (dropped_) {
    int row = rowAt(x, y);
    if (row >= 0) selection_ = row;
    dropped_ = false;
    return true;
  }
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (inside(buttons_[i].rect, x, y)) {
      pressed_ = static_cast<int>(i);
      focus_ = static_cast<int>(i) + 1;
      return true;
    }
  }
  if (!inside(field_, x, y)) return false;
  focus_ = 0;
  if (input_) {
    caret_ = caretAt(x);
  } else if (dropDown_) {
    dropped_ = true;
    keepSelectionVisible();
  } else {
    int row = rowAt(x, y);
    if (row >= 0) selection_ = row;
  }
  return true;
}

bool DialogUi::mouseUp(int x, int y) {
  if (pressed_ < 0) return false;
  const Button& b = buttons_[static_cast<size_t>(pressed_)];
  pressed_ = -1;
  if (inside(b.rect, x, y)) press(b);
  return true;
}

bool DialogUi::wheel(int dy) {
  if (input_ || entries_.empty()) return false;
  int before = top_;
  top_ = std::clamp(top_ - dy, 0, std::max(0, static_cast<int>(entries_.size()) - visibleRows()));
  return top_ != before;
}

}  // namespace veloria
