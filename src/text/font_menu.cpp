// The font menu: one item per installed fixed-pitch Japanese family, before "デフォルト".
#include "engine/engine.h"
#include "engine/menu_ids.h"
#include "text/glyph_font.h"
#include "text/text.h"

namespace veloria {

namespace {
// Menu ids are the families' enumeration order counted from 1: the menu model keeps id 0 for
// submenu holders, so no font may have it.
constexpr size_t kMaxFontItems = 999;
}

void buildFontMenu(Engine& e) {
  MenuBar& menu = e.platform.menu();
  // Items of an earlier engine cycle go first, so a definereset does not list fonts twice.
  for (size_t id = 0; id < e.text.fontList.size(); ++id)
    if (!e.text.fontList[id].empty()) menu.removeId(static_cast<int>(id));
  e.text.fontList.clear();
  menu.check(IDM_FONT_DEFAULT, true);
  e.app.selectedFontItem = IDM_FONT_DEFAULT;

  std::vector<FontFamily> families = enumerateJapaneseFamilies();
  e.text.fontList.emplace_back();  // id 0
  for (size_t i = 0; i < families.size() && i < kMaxFontItems; ++i) {
    e.text.fontList.emplace_back();
    if (!families[i].listed) continue;
    size_t id = i + 1;
    e.text.fontList[id] = families[i].name;
    MenuItem item;
    item.id = static_cast<int>(id);
    item.text = families[i].name;
    menu.insertBefore(IDM_FONT_DEFAULT, item);
  }
}

int fontItemId(Engine& e, std::string_view face) {
  for (size_t id = 1; id < e.text.fontList.size(); ++id)
    if (!e.text.fontList[id].empty() && e.text.fontList[id] == face) return static_cast<int>(id);
  return -1;
}

const std::string* fontItemFace(Engine& e, int id) {
  if (id <= 0 || static_cast<size_t>(id) >= e.text.fontList.size()) return nullptr;
  const std::string& face = e.text.fontList[static_cast<size_t>(id)];
  return face.empty() ? nullptr : &face;
}

}  // namespace veloria
