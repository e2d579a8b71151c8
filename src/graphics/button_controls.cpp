// The control strings of composite buttons (exbtn, exbtn_d): which sprites the pointer over
// a button shows, hides or turns to another cell. "C12" hides sprite 12, "P12" shows it and
// "P12,3" shows it in cell 3; letters of either case, blanks between operations ignored.
#include <cctype>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "graphics/buttons.h"
#include "graphics/graphics.h"
#include "platform/text_codec.h"
#include "script/script.h"

namespace veloria {

namespace {

struct ControlOp {
  bool show = false;
  int sprite = 0;
  int cell = -1;  // -1: the cell stays
};

// Reads the whole string first, so a malformed one changes nothing before its error.
bool parseControl(std::string_view s, std::vector<ControlOp>& ops) {
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  };
  // Digits only; a value past any table is kept large rather than wrapped.
  auto number = [&](int& out) {
    skipBlanks();
    const size_t start = i;
    int64_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      if (v < 1000000000) v = v * 10 + (s[i] - '0');
      ++i;
    }
    out = static_cast<int>(v);
    return i > start;
  };
  for (;;) {
    skipBlanks();
    if (i == s.size()) return true;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
    if (letter != 'c' && letter != 'p') return false;
    ++i;
    ControlOp op;
    op.show = letter == 'p';
    if (!number(op.sprite)) return false;
    if (op.show) {
      skipBlanks();
      if (i < s.size() && s[i] == ',') {
        ++i;
        if (!number(op.cell)) return false;
      }
    }
    ops.push_back(op);
  }
}

}  // namespace

bool controlStringValid(std::string_view control) {
  std::vector<ControlOp> ops;
  return parseControl(control, ops);
}

std::vector<int> controlStringSprites(std::string_view control) {
  std::vector<ControlOp> ops;
  std::vector<int> out;
  if (parseControl(control, ops))
    for (const ControlOp& op : ops) out.push_back(op.sprite);
  return out;
}

void applyButtonControl(Engine& e, const std::string& control) {
  if (control.empty()) return;
  std::vector<ControlOp> ops;
  if (!parseControl(control, ops))
    reportScriptError(e, sj("構文エラー"), sj("exbtn命令の制御文字列が間違っています。"));
  for (const ControlOp& op : ops) {
    Sprite* s = namedSprite(e, op.sprite);
    if (!s || s->name.empty()) continue;  // an undefined sprite is passed over
    ImageObject& im = s->image;
    if (!op.show) {
      if (s->visible) addDirtyPicture(e, im, s->x, s->y);
      s->visible = 0;
      continue;
    }
    bool changed = !s->visible;
    s->visible = 1;
    // A cell the picture does not have is ignored; the sprite is still shown.
    if (op.cell >= 0 && op.cell < im.cellCount && im.currentCell != op.cell) {
      im.currentCell = op.cell;
      im.animStart = e.platform.timeGetTime();
      changed = true;
    }
    if (changed) addDirtyPicture(e, im, s->x, s->y);
  }
}

}  // namespace veloria
