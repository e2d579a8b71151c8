// The in-window system menus of the save and load actions: the slot list and the yes/no
// question, drawn with the menu glyphs on the blacked-out screen.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/wait_loop.h"
#include "graphics/graphics.h"
#include "platform/files.h"
#include "platform/text_codec.h"
#include "save/save.h"
#include "sound/sound.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

namespace {

// ASCII digits and blanks in their full-width forms.
std::string fullWidth(const std::string& ascii) {
  const std::string& digits = sj("０１２３４５６７８９");
  std::string out;
  for (char c : ascii) {
    if (c >= '0' && c <= '9') {
      out.append(digits, static_cast<size_t>(c - '0') * 2, 2);
    } else if (c == ' ') {
      out += sj("　");
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::string formatted(const char* pattern, int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, pattern, v);
  return buf;
}

// drawString takes absolute positions as negative numbers, so a position must be at least 1.
int32_t absolute(int64_t v) { return -static_cast<int32_t>(std::clamp<int64_t>(v, 1, 32767)); }

// One menu on the screen: its items, the highlight under the pointer, and the wait for a
// button release. The dump sees it through e.ui.openMenus while it runs.
class InWindowMenu {
 public:
  InWindowMenu(Engine& e, SystemMenuKind kind, const std::string& title) : e_(e) {
    const MenuWindow& w = e.ui.menuWindow;
    style_ = MenuTextStyle{w.glyphWidth, w.glyphHeight, w.pitchX, w.pitchY, w.bold, w.shadow};
    OpenSystemMenu m;
    m.kind = kind;
    m.title = title;
    e.ui.openMenus.push_back(std::move(m));
    depth_ = e.ui.openMenus.size();
  }
  ~InWindowMenu() {
    if (e_.ui.openMenus.size() >= depth_) e_.ui.openMenus.resize(depth_ - 1);
  }
  InWindowMenu(const InWindowMenu&) = delete;
  InWindowMenu& operator=(const InWindowMenu&) = delete;

  const MenuTextStyle& style() const { return style_; }
  OpenSystemMenu& menu() { return e_.ui.openMenus[depth_ - 1]; }

  void drawText(const std::string& text, int64_t x, int64_t y, uint32_t rgb) {
    int32_t column = absolute(x), line = absolute(y);
    drawString(e_, text, column, line, rgb, &style_);
  }
  void addItem(const std::string& text, int64_t x, int64_t y, int64_t width, bool available) {
    auto coordinate = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -32768, 32767)); };
    SystemMenuItemBox b;
    b.text = text;
    b.left = coordinate(x);
    b.top = coordinate(y);
    b.right = coordinate(x + width);
    b.bottom = coordinate(y + style_.pitchY);
    b.available = available;
    menu().items.push_back(std::move(b));
    draw(menu().items.size() - 1, false);
  }
  void playVoice(int voice) {
    const std::string& name = e_.ui.menuVoices[static_cast<size_t>(voice)];
    if (!name.empty()) playWave(e_, name, false);
  }

  // Waits until `choose` accepts a left-button release on an item (its index) or a right
  // button is released (-1).
  template <class Choose>
  int run(Choose choose) {
    int result = -1;
    // The highlight follows the pointer at once, without waiting for it to move.
    Message queued;
    if (!e_.platform.peekMessage(queued, WM_MOUSEMOVE, WM_MOUSEMOVE, false))
      e_.platform.postMouseMove(makeLParam(e_.appWindow.lastX, e_.appWindow.lastY));
    WaitSetup setup;
    setup.animate = false;
    setup.after = [&](const WaitPass& p) {
      if (!p.pumped) return PassResult::Continue;
      const Message& m = p.message;
      if (m.message == WM_MOUSEMOVE) hover(itemAt(lParamX(m.lParam), lParamY(m.lParam)));
      if (m.message == WM_LBUTTONUP) {
        int i = itemAt(lParamX(m.lParam), lParamY(m.lParam));
        hover(i);
        if (i >= 0 && choose(i)) {
          draw(static_cast<size_t>(i), false);
          menu().highlighted = -1;
          result = i;
          return PassResult::End;
        }
      }
      if (m.message == WM_RBUTTONUP) {
        playVoice(kMenuVoiceCancel);
        result = -1;
        return PassResult::End;
      }
      return PassResult::Continue;
    };
    runWaitLoop(e_, setup);
    // The release that ended the menu is no click for the wait underneath.
    clearClickRequests(e_);
    return result;
  }

 private:
  int itemAt(int x, int y) {
    const auto& items = menu().items;
    for (size_t i = 0; i < items.size(); ++i) {
      const SystemMenuItemBox& b = items[i];
      if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return static_cast<int>(i);
    }
    return -1;
  }

  void draw(size_t i, bool over) {
    const SystemMenuItemBox& b = menu().items[i];
    const auto& c = e_.ui.menuColors;
    uint32_t rgb = over ? c[kMenuColorOver] : b.available ? c[kMenuColorNormal] : c[kMenuColorUnavailable];
    // The line's band goes back to black first, so that a redraw in another colour is clean.
    // (The band stops at the next line: with no spacing the glyphs fill the whole pitch.)
    const int64_t chars = static_cast<int64_t>(b.text.size() / 2);
    const int64_t right = b.left + std::max<int64_t>(chars - 1, 0) * style_.pitchX + style_.glyphWidth + 2;
    const int height = std::clamp(style_.glyphHeight + 2, 1, std::max(style_.pitchY, 1));
    fillScreenPicture(e_, Rect{b.left, b.top, static_cast<int>(std::min<int64_t>(right, 32767)), b.top + height}, 0);
    drawText(b.text, b.left, b.top, rgb);
  }

  void hover(int i) {
    OpenSystemMenu& m = menu();
    if (i == m.highlighted) return;
    if (m.highlighted >= 0) draw(static_cast<size_t>(m.highlighted), false);
    if (i >= 0) {
      draw(static_cast<size_t>(i), true);
      playVoice(kMenuVoiceOver);
      sayHighlighted(e_, menu().items[static_cast<size_t>(i)].text);
    }
    m.highlighted = i;
  }

  Engine& e_;
  MenuTextStyle style_;
  size_t depth_ = 0;
};

}  // namespace

std::string slotMenuLine(const std::string& slotLabel, int slot, int slotCount, const SlotTime* when) {
  std::string line = slotLabel;
  if (slotCount > 9 && slot < 10) line += sj("　");
  line += fullWidth(std::to_string(slot));
  line += sj("　");
  if (!when) {
    for (int i = 0; i < 12; ++i) line += sj("－");
    return line;
  }
  line += fullWidth(formatted("%2d", when->month)) + sj("月");
  line += fullWidth(formatted("%2d", when->day)) + sj("日");
  line += fullWidth(formatted("%2d", when->hour)) + sj("時");
  line += fullWidth(formatted("%02d", when->minute)) + sj("分");
  return line;
}

int slotMenu(Engine& e, bool saveForm, std::string* label) {
  const int count = std::clamp(e.save.saveSlotCount, 1, kMaxSaveSlots);
  const std::string& title = saveForm ? e.save.saveMenuTitle : e.save.loadMenuTitle;
  InWindowMenu menu(e, saveForm ? SystemMenuKind::Save : SystemMenuKind::Load, title);
  const MenuTextStyle& s = menu.style();
  const int64_t cx = e.app.screenWidth / 2, cy = e.app.screenHeight / 2;
  menu.playVoice(kMenuVoiceOpen);
  const TextRgb& tc = e.text.textColor;
  const uint32_t textRgb = (static_cast<uint32_t>(std::clamp(tc.r, 0, 255)) << 16) |
                           (static_cast<uint32_t>(std::clamp(tc.g, 0, 255)) << 8) |
                           static_cast<uint32_t>(std::clamp(tc.b, 0, 255));
  menu.drawText(title, cx - static_cast<int64_t>(title.size()) * s.pitchX / 4, cy - (count / 2 + 1) * int64_t{s.pitchY},
                textRgb);

  std::vector<std::string> lines;
  std::vector<bool> available;
  for (int i = 1; i <= count; ++i) {
    auto t = fs::persistentFileLocalTime(saveSlotFileName(i));
    SlotTime when;
    if (t) when = SlotTime{t->month, t->day, t->hour, t->minute};
    lines.push_back(slotMenuLine(e.save.slotLabel, i, count, t ? &when : nullptr));
    available.push_back(t.has_value());
  }
  // Every line is as wide as the first: the label and the number have fixed widths.
  const int64_t width = static_cast<int64_t>(lines[0].size()) * s.pitchX / 2;
  const int64_t left = cx - static_cast<int64_t>(lines[0].size()) * s.pitchX / 4;
  const int64_t top = cy - (count / 2 - 1) * int64_t{s.pitchY};
  for (int i = 0; i < count; ++i)
    menu.addItem(lines[static_cast<size_t>(i)], left, top + int64_t{i} * s.pitchY, width, available[static_cast<size_t>(i)]);

  int chosen = menu.run([&](int i) {
    if (!saveForm && !available[static_cast<size_t>(i)]) {
      menu.playVoice(kMenuVoiceRefuse);
      return false;
    }
    menu.playVoice(kMenuVoiceChoose);
    return true;
  });
  if (chosen >= 0 && label) {
    // The label and the number as the line shows them (with its leading space, if any).
    *label = lines[static_cast<size_t>(chosen)].substr(0, e.save.slotLabel.size() + (count > 9 ? 4 : 2));
  }
  return chosen;
}

int confirmMenu(Engine& e, const std::string& question) {
  InWindowMenu menu(e, SystemMenuKind::Confirm, question);
  const MenuTextStyle& s = menu.style();
  const int64_t cx = e.app.screenWidth / 2, cy = e.app.screenHeight / 2;
  menu.playVoice(kMenuVoiceOpen);
  endSkipMode(e);
  const uint32_t normal = e.ui.menuColors[kMenuColorNormal];
  menu.drawText(question, cx - static_cast<int64_t>(question.size()) * s.pitchX / 4, cy - s.pitchY, normal);
  menu.addItem(sj("はい　"), cx - 4 * int64_t{s.pitchX}, cy + s.pitchY, 3 * int64_t{s.pitchX}, true);
  menu.addItem(sj("いいえ"), cx + 2 * int64_t{s.pitchX}, cy + s.pitchY, 3 * int64_t{s.pitchX}, true);
  int chosen = menu.run([&](int i) {
    menu.playVoice(i == 0 ? kMenuVoiceYes : kMenuVoiceNo);
    return true;
  });
  return chosen < 0 ? -1 : chosen == 0 ? 1 : 0;
}

}  // namespace veloria
